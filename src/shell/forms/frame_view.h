#pragma once

#include <cstddef>
#include <cstdint>

#include <QImage>
#include <QWidget>

namespace fw {

// The picture area of a clip window: paints a packed frame scaled to the whole area. The frame's
// bytes are wrapped, not copied, so they must stay valid until the next frame or clear().
class FrameView : public QWidget {
    Q_OBJECT
public:
    explicit FrameView(QWidget* parent = nullptr);

    // False (and nothing shown) when the bytes are not a packed 8- or 24-bit frame.
    bool setPackedFrame(const uint8_t* bytes, size_t size);
    void clear();
    bool hasFrame() const { return !rows_.isNull(); }
    // The shown picture as an upright copy (for the clipboard and for checks).
    QImage picture() const;

signals:
    void mouseMovedOver(int x, int y);
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage rows_; // the frame's rows as stored: bottom row first
};

} // namespace fw
