#include "shell/forms/frame_view.h"

#include <cstring>

#include <QMouseEvent>
#include <QPainter>

#include "clips/frame_image.h"

namespace fw {

FrameView::FrameView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PaintBox"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool FrameView::setPackedFrame(const uint8_t* bytes, size_t size)
{
    rows_ = QImage();
    if (!bytes || validPackedSize(bytes, size) == 0) {
        update();
        return false;
    }
    BitmapInfoHeader header;
    std::memcpy(&header, bytes, sizeof header);
    const uint8_t* colours = bytes + header.biSize;
    const uint8_t* pixels = colours + size_t(header.biClrUsed) * sizeof(RgbQuad);
    const int stride = dibRowBytes(header.biWidth, header.biBitCount);
    // QImage only reads through this pointer; the non-const form keeps the colour table from
    // forcing a copy of the pixels.
    uchar* data = const_cast<uchar*>(pixels);
    if (header.biBitCount == 24) {
        rows_ = QImage(data, header.biWidth, header.biHeight, stride, QImage::Format_BGR888);
    } else {
        rows_ = QImage(data, header.biWidth, header.biHeight, stride, QImage::Format_Indexed8);
        QList<QRgb> table(256, qRgb(0, 0, 0));
        for (uint32_t i = 0; i < header.biClrUsed && i < 256; ++i) {
            RgbQuad entry;
            std::memcpy(&entry, colours + i * sizeof(RgbQuad), sizeof entry);
            table[i] = qRgb(entry.red, entry.green, entry.blue);
        }
        rows_.setColorTable(table);
    }
    update();
    return true;
}

void FrameView::clear()
{
    rows_ = QImage();
    update();
}

QImage FrameView::picture() const
{
    return rows_.isNull() ? QImage() : rows_.mirrored(false, true);
}

void FrameView::setPaintHook(std::function<void(QPainter&, const QRect&)> hook)
{
    paint_hook_ = std::move(hook);
    update();
}

void FrameView::setBackground(const QColor& colour)
{
    background_ = colour;
    update();
}

void FrameView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    if (paint_hook_) {
        painter.fillRect(rect(), background_);
        paint_hook_(painter, rect());
    } else if (rows_.isNull()) {
        painter.fillRect(rect(), background_);
    } else {
        // Stored rows run bottom-up: flip while stretching instead of copying the frame.
        painter.setTransform(QTransform(1, 0, 0, -1, 0, height()));
        painter.drawImage(QRectF(0, 0, width(), height()), rows_);
    }
    painter.end();
    emit painted();
}

void FrameView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        emit clicked(at.x(), at.y());
    }
    QWidget::mousePressEvent(event);
}

void FrameView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}

void FrameView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    emit mouseMovedOver(at.x(), at.y());
    QWidget::mouseMoveEvent(event);
}

void FrameView::leaveEvent(QEvent* event)
{
    emit mouseLeft();
    QWidget::leaveEvent(event);
}

} // namespace fw
