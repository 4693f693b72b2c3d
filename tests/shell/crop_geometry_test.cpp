#include "shell/crop_geometry.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace fw {
namespace {

// A 200 x 100 picture with a crop at (50, 20) of 60 x 40.
CropGeometry MakeCrop()
{
    CropGeometry crop;
    crop.SetLimit(CropLimit { 0, 0, 200, 100 });
    crop.SetBounds(QRect(50, 20, 60, 40));
    return crop;
}

QRect Dragged(int zone_x, int zone_y, int dx, int dy)
{
    CropGeometry crop = MakeCrop();
    EXPECT_NE(crop.BeginDrag(QPoint(zone_x, zone_y)), 0);
    crop.DragTo(QPoint(zone_x + dx, zone_y + dy));
    crop.EndDrag();
    return crop.Bounds();
}

TEST(CropGeometry, ZonesFollowTheKeypadWithinFivePixelsOfEachEdge)
{
    const CropGeometry crop = MakeCrop(); // x 50..109, y 20..59
    EXPECT_EQ(crop.ZoneAt(QPoint(50, 20)), 1);
    EXPECT_EQ(crop.ZoneAt(QPoint(55, 24)), 2);
    EXPECT_EQ(crop.ZoneAt(QPoint(105, 20)), 3);
    EXPECT_EQ(crop.ZoneAt(QPoint(50, 40)), 4);
    EXPECT_EQ(crop.ZoneAt(QPoint(55, 25)), 5);
    EXPECT_EQ(crop.ZoneAt(QPoint(109, 40)), 6);
    EXPECT_EQ(crop.ZoneAt(QPoint(52, 59)), 7);
    EXPECT_EQ(crop.ZoneAt(QPoint(109, 59)), 9);
    EXPECT_EQ(crop.ZoneAt(QPoint(49, 40)), 0);
    EXPECT_EQ(crop.ZoneAt(QPoint(80, 60)), 0);
}

TEST(CropGeometry, FixedSizeRectangleOnlyMoves)
{
    CropGeometry crop = MakeCrop();
    crop.SetResizable(false);
    EXPECT_EQ(crop.ZoneAt(QPoint(50, 20)), 5);
    EXPECT_EQ(crop.ZoneAt(QPoint(110, 59)), 0);
}

TEST(CropGeometry, DraggingACornerOrEdgeMovesOnlyThatCornerOrEdge)
{
    EXPECT_EQ(Dragged(50, 20, -10, -5), QRect(40, 15, 70, 45)); // top-left
    EXPECT_EQ(Dragged(109, 59, 15, 10), QRect(50, 20, 75, 50)); // bottom-right
    EXPECT_EQ(Dragged(109, 20, 5, 5), QRect(50, 25, 65, 35)); // top-right
    EXPECT_EQ(Dragged(80, 20, 30, -7), QRect(50, 13, 60, 47)); // top edge ignores dx
    EXPECT_EQ(Dragged(50, 40, -20, 30), QRect(30, 20, 80, 40)); // left edge ignores dy
}

TEST(CropGeometry, EdgesDraggedPastTheLimitStopAtIt)
{
    EXPECT_EQ(Dragged(50, 40, -80, 0), QRect(0, 20, 110, 40)); // left cut, right edge stays
    EXPECT_EQ(Dragged(109, 40, 500, 0), QRect(50, 20, 150, 40)); // right pulled back to 200
    EXPECT_EQ(Dragged(80, 20, 0, -50), QRect(50, 0, 60, 60));
    EXPECT_EQ(Dragged(50, 20, -999, -999), QRect(0, 0, 110, 60));
}

TEST(CropGeometry, EdgeDraggedOverTheOppositeOneLeavesTheMinimum)
{
    // The left edge stops 8 pixels short of the right one, which stays put.
    EXPECT_EQ(Dragged(50, 40, 70, 0), QRect(102, 20, 8, 40));
    EXPECT_EQ(Dragged(80, 20, 0, 100), QRect(50, 52, 60, 8));
    // A right edge dragged over the left pushes the minimum-size rectangle back.
    EXPECT_EQ(Dragged(109, 40, -100, 0), QRect(2, 20, 8, 40));
    // ... but never out through the near limit.
    EXPECT_EQ(Dragged(109, 40, -200, 0), QRect(0, 20, 8, 40));
}

TEST(CropGeometry, RightEdgeBeyondTheLimitWithLessThanTheMinimumLeftMovesBack)
{
    CropGeometry crop = MakeCrop();
    crop.SetBounds(QRect(197, 10, 40, 20));
    EXPECT_EQ(crop.Bounds(), QRect(192, 10, 8, 20));
    crop.SetBounds(QRect(-30, 95, 10, 30));
    EXPECT_EQ(crop.Bounds(), QRect(0, 92, 8, 8));
}

TEST(CropGeometry, CentreDragMovesTheWholeRectangleKeptInside)
{
    EXPECT_EQ(Dragged(80, 40, 10, -5), QRect(60, 15, 60, 40));
    EXPECT_EQ(Dragged(80, 40, 500, 500), QRect(140, 60, 60, 40));
    EXPECT_EQ(Dragged(80, 40, -500, -500), QRect(0, 0, 60, 40));
}

TEST(CropGeometry, DragOutsideTheRectangleChangesNothing)
{
    CropGeometry crop = MakeCrop();
    EXPECT_EQ(crop.BeginDrag(QPoint(5, 5)), 0);
    EXPECT_FALSE(crop.Dragging());
    crop.DragTo(QPoint(60, 60));
    EXPECT_EQ(crop.Bounds(), QRect(50, 20, 60, 40));
}

TEST(CropGeometry, DragIsMeasuredFromWhereItStarted)
{
    CropGeometry crop = MakeCrop();
    crop.BeginDrag(QPoint(109, 40));
    crop.DragTo(QPoint(300, 40)); // clamped on the way ...
    crop.DragTo(QPoint(119, 40)); // ... does not shorten the final movement
    EXPECT_EQ(crop.Bounds(), QRect(50, 20, 70, 40));
    crop.EndDrag();
    crop.DragTo(QPoint(150, 40));
    EXPECT_EQ(crop.Bounds(), QRect(50, 20, 70, 40));
}

TEST(CropGeometry, NewLimitScalesRectangleAndMinimum)
{
    CropGeometry crop = MakeCrop();
    crop.SetLimit(CropLimit { 0, 0, 400, 300 });
    EXPECT_EQ(crop.Bounds(), QRect(100, 60, 120, 120));
    EXPECT_EQ(crop.MinimumSize(), QSize(16, 24));

    crop.SetLimit(CropLimit { 0, 0, 100, 50 });
    EXPECT_EQ(crop.Bounds(), QRect(25, 10, 30, 20));
    EXPECT_EQ(crop.MinimumSize(), QSize(8, 8)); // never below 8
}

TEST(CropGeometry, FirstLimitReplacesThePlaceholderWithoutScaling)
{
    CropGeometry crop(QRect(10, 10, 100, 50));
    EXPECT_EQ(crop.Limit(), CropLimit {});
    crop.SetLimit(CropLimit { 0, 0, 320, 240 });
    EXPECT_EQ(crop.Bounds(), QRect(10, 10, 100, 50));
    crop.SetLimit(CropLimit { 0, 0, 80, 240 });
    EXPECT_EQ(crop.Bounds(), QRect(3, 10, 25, 50));
}

TEST(CropGeometry, CollapsedLimitDoesNotLoseTheRectangle)
{
    // A minimised window reports an empty client area; the crop must survive it.
    CropGeometry crop = MakeCrop();
    crop.SetLimit(CropLimit { 0, 0, 0, 0 });
    crop.SetLimit(CropLimit { 0, 0, 200, 100 });
    EXPECT_EQ(crop.Bounds(), QRect(50, 20, 60, 40));
    EXPECT_EQ(crop.MinimumSize(), QSize(8, 8));
}

TEST(CropGeometry, FramePixelsRoundTripAtCommonScales)
{
    const FrameCrop frame { 10, 6, 49, 29 };
    for (const double scale : { 0.5, 1.0, 2.0 }) {
        CropGeometry crop;
        crop.SetLimit(CropLimit { 0, 0, int(100 * scale), int(80 * scale) });
        crop.SetCropInFrame(frame, scale, scale);
        EXPECT_EQ(crop.Bounds(), QRect(int(10 * scale), int(6 * scale), int(40 * scale), int(24 * scale)))
            << scale;
        EXPECT_EQ(crop.CropInFrame(scale, scale), frame) << scale;
    }
}

TEST(CropGeometry, FramePixelsUseEachAxisScaleAndRound)
{
    CropGeometry crop;
    crop.SetLimit(CropLimit { 0, 0, 640, 120 });
    crop.SetBounds(QRect(33, 10, 101, 21));
    // 33 / 2 = 16.5 and 101 / 2 = 50.5 round up; vertical scale 0.5 doubles.
    EXPECT_EQ(crop.CropInFrame(2.0, 0.5), (FrameCrop { 17, 20, 67, 61 }));
}

TEST(CropGeometry, FramePixelsAreCutToTheFrame)
{
    CropGeometry crop;
    crop.SetLimit(CropLimit { 0, 0, 99, 99 }); // a 99 pixel picture of a 50 pixel frame
    crop.SetBounds(QRect(51, 51, 48, 48));
    const FrameCrop frame = crop.CropInFrame(99.0 / 50, 99.0 / 50);
    EXPECT_EQ(frame.right, 49);
    EXPECT_EQ(frame.bottom, 49);

    // A crop narrower than a frame pixel still covers one.
    crop.SetLimit(CropLimit { 0, 0, 99, 99 });
    crop.SetBounds(QRect(0, 0, 8, 8));
    const FrameCrop tiny = crop.CropInFrame(20.0, 20.0);
    EXPECT_EQ(tiny, (FrameCrop { 0, 0, 0, 0 }));
}

TEST(CropGeometry, FramePixelsFromBadScalesAreRefused)
{
    CropGeometry crop = MakeCrop();
    EXPECT_THROW(crop.CropInFrame(0.0, 1.0), std::invalid_argument);
    EXPECT_THROW(crop.CropInFrame(std::numeric_limits<double>::quiet_NaN(), 1.0), std::invalid_argument);
    EXPECT_THROW(crop.SetCropInFrame(FrameCrop { 0, 0, 9, 9 }, 1.0, 0.0), std::invalid_argument);
    EXPECT_EQ(crop.Bounds(), QRect(50, 20, 60, 40));
}

TEST(CropGeometry, CropSetInFrameIsClampedToTheLimit)
{
    CropGeometry crop = MakeCrop();
    crop.SetCropInFrame(FrameCrop { -10, 0, 300, 2 }, 1.0, 1.0);
    EXPECT_EQ(crop.Bounds(), QRect(0, 0, 200, 8));
}

} // namespace
} // namespace fw
