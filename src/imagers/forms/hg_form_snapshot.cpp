#include "imagers/forms/hg_form_snapshot.h"

#include <algorithm>
#include <cstring>

#include <QMouseEvent>
#include <QPainter>

#include "clips/tif_file.h"
#include "imagers/hg/hg_protocol.h"
#include "support/log.h"

namespace fw {

QImage HGSnapshotImage(const std::vector<uint8_t>& frame_bytes)
{
    TIFFile file;
    try {
        file.LoadFromBytes(QByteArray::fromRawData(
            reinterpret_cast<const char*>(frame_bytes.data()), qsizetype(frame_bytes.size())));
        const int samples = file.SamplesPerPixel();
        if (file.BitsPerSample() != 8 || (samples != 1 && samples != 3))
            return {};
        const QImage::Format format = samples == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8;
        QImage image(int(file.Width()), int(file.Height()), format);
        const auto row_bytes = size_t(file.BytesPerRow());
        const uint32_t rows_per_strip = file.RowsPerStrip();
        for (int row = 0; row < image.height(); ++row) {
            const std::vector<uint8_t>& strip = file.Strip(size_t(uint32_t(row) / rows_per_strip));
            const size_t offset = size_t(uint32_t(row) % rows_per_strip) * row_bytes;
            if (offset + row_bytes > strip.size())
                return {};
            std::memcpy(image.scanLine(row), strip.data() + offset, row_bytes);
        }
        return image;
    } catch (const std::exception& failure) {
        qCWarning(lcImagers) << "snapshot not shown:" << failure.what();
        return {};
    }
}

QRect SnapshotPlacement(const QSize& box, const QSize& image)
{
    if (image.isEmpty() || box.isEmpty())
        return {};
    const QSize drawn = image.scaled(box, Qt::KeepAspectRatio);
    return QRect(QPoint((box.width() - drawn.width()) / 2, (box.height() - drawn.height()) / 2), drawn);
}

QPoint SnapshotPixelAt(const QPoint& box_point, const QSize& box, const QSize& image)
{
    const QRect drawn = SnapshotPlacement(box, image);
    if (drawn.isEmpty())
        return {};
    const int x = (box_point.x() - drawn.left()) * image.width() / drawn.width();
    const int y = (box_point.y() - drawn.top()) * image.height() / drawn.height();
    return { std::clamp(x, 0, image.width() - 1), std::clamp(y, 0, image.height() - 1) };
}

THGSnapshotView::THGSnapshotView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PictureBox"));
    setMinimumSize(kHGFrameColumns / 2, kHGFrameRows / 2);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void THGSnapshotView::SetImage(const QImage& image)
{
    image_ = image;
    update();
}

QSize THGSnapshotView::ImageSize() const
{
    return image_.isNull() ? QSize(kHGFrameColumns, kHGFrameRows) : image_.size();
}

void THGSnapshotView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!image_.isNull())
        painter.drawImage(SnapshotPlacement(size(), image_.size()), image_);
}

void THGSnapshotView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit PixelClicked(SnapshotPixelAt(event->position().toPoint(), size(), ImageSize()));
}

} // namespace fw
