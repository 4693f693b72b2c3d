#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include <QImage>
#include <QWidget>

namespace fw {

// The picture area of a clip window: paints a packed frame scaled to the whole area. The frame
// is converted to an upright screen picture when it arrives, so its bytes may go at once.
class FrameView : public QWidget {
    Q_OBJECT
public:
    explicit FrameView(QWidget* parent = nullptr);

    // False (and nothing shown) when the bytes are not a packed 8- or 24-bit frame.
    bool setPackedFrame(const uint8_t* bytes, size_t size);
    void clear();
    bool hasFrame() const { return !picture_.isNull(); }
    // The shown picture as an upright copy (for the clipboard and for checks).
    QImage picture() const;
    // An owner that paints its own pictures draws them here instead of the packed frame.
    void setPaintHook(std::function<void(QPainter&, const QRect&)> hook);
    // Drawn over the picture, whoever painted it (measured samples).
    void setOverlayHook(std::function<void(QPainter&, const QRect&)> hook);
    // Shown where no frame covers the area.
    void setBackground(const QColor& colour);

signals:
    void mouseMovedOver(int x, int y);
    void mouseLeft();
    void clicked(int x, int y);
    void doubleClicked();
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage picture_; // upright, 32-bit
    std::function<void(QPainter&, const QRect&)> paint_hook_;
    std::function<void(QPainter&, const QRect&)> overlay_hook_;
    QColor background_ { Qt::black };
};

} // namespace fw
