#pragma once

#include <cstdint>
#include <vector>

#include <QImage>
#include <QWidget>

namespace fw {

// The picture of a TIFF-format snapshot as the imager sends it (the TIFF file followed by its
// camera record); a null image when the bytes hold no picture the TIFF reader takes.
QImage HGSnapshotImage(const std::vector<uint8_t>& frame_bytes);

// Where a picture of `image` size is drawn in a box: as large as fits, centred, proportions kept.
QRect SnapshotPlacement(const QSize& box, const QSize& image);
// The image pixel under a point of the box, clamped to the image.
QPoint SnapshotPixelAt(const QPoint& box_point, const QSize& box, const QSize& image);

// The snapshot picture of the video page; a click reports the image pixel under it.
class THGSnapshotView : public QWidget {
    Q_OBJECT
public:
    explicit THGSnapshotView(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }
    // The picture's size when no snapshot is shown yet: 512 x 384.
    QSize ImageSize() const;

signals:
    void PixelClicked(QPoint pixel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage image_;
};

} // namespace fw
