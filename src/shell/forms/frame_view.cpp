#include "shell/forms/frame_view.h"

#include <algorithm>
#include <cstring>
#include <iterator>

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

namespace {

// Packed rows run bottom-up in BGR or palette order; the screen wants upright 32-bit pixels.
// Converting once per frame, in one pass, leaves the paint a plain copy at full size.
void uprightFrom24(QImage& picture, const uint8_t* pixels, int width, int height)
{
    const int stride = dibRowBytes(width, 24);
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = pixels + size_t(height - 1 - y) * size_t(stride);
        auto* target = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x, source += 3)
            target[x] = 0xFF000000u | uint32_t(source[2]) << 16 | uint32_t(source[1]) << 8 | source[0];
    }
}

void uprightFrom8(QImage& picture, const uint8_t* pixels, const QRgb (&table)[256], int width, int height)
{
    const int stride = dibRowBytes(width, 8);
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = pixels + size_t(height - 1 - y) * size_t(stride);
        auto* target = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            target[x] = table[source[x]];
    }
}

} // namespace

bool FrameView::setPackedFrame(const uint8_t* bytes, size_t size)
{
    if (!bytes || validPackedSize(bytes, size) == 0) {
        picture_ = QImage();
        update();
        return false;
    }
    BitmapInfoHeader header;
    std::memcpy(&header, bytes, sizeof header);
    const uint8_t* colours = bytes + header.biSize;
    const uint8_t* pixels = colours + size_t(header.biClrUsed) * sizeof(RgbQuad);
    const QSize frame_size(header.biWidth, header.biHeight);
    if (picture_.size() != frame_size)
        picture_ = QImage(frame_size, QImage::Format_RGB32);
    if (header.biBitCount == 24) {
        uprightFrom24(picture_, pixels, header.biWidth, header.biHeight);
    } else {
        QRgb table[256];
        std::fill(std::begin(table), std::end(table), qRgb(0, 0, 0));
        for (uint32_t i = 0; i < header.biClrUsed && i < 256; ++i) {
            RgbQuad entry;
            std::memcpy(&entry, colours + i * sizeof(RgbQuad), sizeof entry);
            table[i] = qRgb(entry.red, entry.green, entry.blue);
        }
        uprightFrom8(picture_, pixels, table, header.biWidth, header.biHeight);
    }
    update();
    return true;
}

void FrameView::clear()
{
    picture_ = QImage();
    update();
}

QImage FrameView::picture() const
{
    return picture_.copy();
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

void FrameView::setOverlayHook(std::function<void(QPainter&, const QRect&)> hook)
{
    overlay_hook_ = std::move(hook);
    update();
}

void FrameView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    if (paint_hook_) {
        painter.fillRect(rect(), background_);
        paint_hook_(painter, rect());
    } else if (picture_.isNull()) {
        painter.fillRect(rect(), background_);
    } else {
        painter.drawImage(rect(), picture_);
    }
    if (overlay_hook_)
        overlay_hook_(painter, rect());
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
