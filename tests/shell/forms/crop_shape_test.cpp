#include <QSignalSpy>
#include <QtTest>

#include "shell/forms/crop_shape.h"

using namespace fw;

namespace {

// A picture area of 200 x 150 with the crop rectangle limited to it.
struct Picture {
    QWidget widget;
    TCropShape* shape;

    Picture()
        : shape(new TCropShape(&widget))
    {
        widget.resize(200, 150);
        widget.setAutoFillBackground(true);
        QPalette palette = widget.palette();
        palette.setColor(QPalette::Window, Qt::black);
        widget.setPalette(palette);
        shape->SetLimit({ 0, 0, 200, 150 });
        shape->SetBounds(QRect(40, 30, 80, 60));
        widget.show();
    }

    // The mouse goes through the shape, as it covers the rectangle; points are given in the
    // picture's coordinates. A local point of (0, 0) would make QTest aim at the centre.
    QPoint Local(const QPoint& in_picture) const
    {
        const QPoint local = in_picture - shape->pos();
        Q_ASSERT(!local.isNull());
        return local;
    }
    void Press(const QPoint& p) { QTest::mousePress(shape, Qt::LeftButton, {}, Local(p)); }
    void Move(const QPoint& p) { QTest::mouseMove(shape, Local(p)); }
    void Release(const QPoint& p) { QTest::mouseRelease(shape, Qt::LeftButton, {}, Local(p)); }
    void Drag(const QPoint& from, const QPoint& to)
    {
        Press(from);
        Move(to);
        Release(to);
    }

    Qt::CursorShape HoverCursor(const QPoint& in_picture)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(in_picture - shape->pos()),
            QPointF(shape->mapToGlobal(in_picture - shape->pos())), Qt::NoButton, Qt::NoButton,
            Qt::NoModifier);
        QCoreApplication::sendEvent(shape, &move);
        return shape->cursor().shape();
    }
};

} // namespace

class CropShapeTest : public QObject {
    Q_OBJECT

private slots:
    void draggingMovesWhatWasGrabbedInsideTheLimit();
    void cursorFollowsTheZoneUnderTheMouse();
    void newLimitScalesTheWidget();
    void frameCropRoundTripsAtHalfAndDoubleScale();
    void outlineIsDrawnInTheChosenColour();
};

void CropShapeTest::draggingMovesWhatWasGrabbedInsideTheLimit()
{
    Picture picture;
    QSignalSpy changed(picture.shape, &TCropShape::boundsChanged);

    // The right edge: only the width changes, and the widget follows every step.
    picture.Press({ 119, 60 });
    picture.Move({ 129, 65 });
    QCOMPARE(picture.shape->geometry(), QRect(40, 30, 90, 60));
    picture.Move({ 139, 70 });
    picture.Release({ 139, 70 });
    QCOMPARE(picture.shape->Bounds(), QRect(40, 30, 100, 60));
    QCOMPARE(picture.shape->geometry(), picture.shape->Bounds());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.last().at(0).toRect(), QRect(40, 30, 100, 60));

    // The top-left corner dragged past the picture's corner is cut there; the far edges stay.
    picture.Drag({ 41, 31 }, { -19, -19 });
    QCOMPARE(picture.shape->Bounds(), QRect(0, 0, 140, 90));
    QCOMPARE(picture.shape->geometry(), picture.shape->Bounds());

    // The centre moves the whole rectangle, stopping at the far sides of the picture.
    picture.Drag({ 70, 45 }, { 300, 300 });
    QCOMPARE(picture.shape->Bounds(), QRect(60, 60, 140, 90));
    QCOMPARE(picture.shape->geometry(), picture.shape->Bounds());

    // The release let go: a later move over the rectangle only sets the cursor.
    picture.HoverCursor({ 150, 100 });
    QCOMPARE(picture.shape->Bounds(), QRect(60, 60, 140, 90));

    // Without resizing, an edge moves the rectangle instead.
    picture.shape->SetResizable(false);
    picture.Drag({ 61, 100 }, { 51, 90 });
    QCOMPARE(picture.shape->Bounds(), QRect(50, 50, 140, 90));
}

void CropShapeTest::cursorFollowsTheZoneUnderTheMouse()
{
    Picture picture; // rectangle 40, 30 .. 119, 89
    const struct {
        QPoint point;
        Qt::CursorShape cursor;
    } cases[] = {
        { { 41, 31 }, Qt::SizeFDiagCursor },
        { { 80, 31 }, Qt::SizeVerCursor },
        { { 118, 31 }, Qt::SizeBDiagCursor },
        { { 41, 60 }, Qt::SizeHorCursor },
        { { 80, 60 }, Qt::SizeAllCursor },
        { { 118, 60 }, Qt::SizeHorCursor },
        { { 41, 88 }, Qt::SizeBDiagCursor },
        { { 80, 88 }, Qt::SizeVerCursor },
        { { 118, 88 }, Qt::SizeFDiagCursor },
    };
    for (const auto& c : cases)
        QCOMPARE(picture.HoverCursor(c.point), c.cursor);

    // Hovering never moves the rectangle.
    QCOMPARE(picture.shape->Bounds(), QRect(40, 30, 80, 60));
}

void CropShapeTest::newLimitScalesTheWidget()
{
    Picture picture;
    QSignalSpy changed(picture.shape, &TCropShape::boundsChanged);
    picture.shape->SetLimit({ 0, 0, 400, 300 });
    QCOMPARE(picture.shape->Limit(), CropLimit({ 0, 0, 400, 300 }));
    QCOMPARE(picture.shape->geometry(), QRect(80, 60, 160, 120));
    QCOMPARE(changed.count(), 1);

    picture.shape->SetLimit({ 0, 0, 100, 75 });
    QCOMPARE(picture.shape->geometry(), QRect(20, 15, 40, 30));

    // The same limit again changes nothing and tells no one.
    picture.shape->SetLimit({ 0, 0, 100, 75 });
    QCOMPARE(changed.count(), 2);
}

void CropShapeTest::frameCropRoundTripsAtHalfAndDoubleScale()
{
    Picture picture;

    // A 100 x 75 frame drawn at double size.
    const FrameCrop small { 10, 5, 49, 34 };
    picture.shape->SetCropInFrame(small, 2.0, 2.0);
    QCOMPARE(picture.shape->geometry(), QRect(20, 10, 80, 60));
    QCOMPARE(picture.shape->CropInFrame(2.0, 2.0), small);

    // A 400 x 300 frame drawn at half size.
    const FrameCrop large { 40, 20, 239, 179 };
    picture.shape->SetCropInFrame(large, 0.5, 0.5);
    QCOMPARE(picture.shape->geometry(), QRect(20, 10, 100, 80));
    QCOMPARE(picture.shape->CropInFrame(0.5, 0.5), large);
}

void CropShapeTest::outlineIsDrawnInTheChosenColour()
{
    Picture picture; // rectangle 40, 30 .. 119, 89 on black
    picture.shape->SetColor(QColor(0, 255, 0));
    QCOMPARE(picture.shape->Color(), QColor(0, 255, 0));
    QImage image = picture.widget.grab().toImage();
    QCOMPARE(image.pixelColor(40, 60), QColor(0, 255, 0));
    QCOMPARE(image.pixelColor(119, 60), QColor(0, 255, 0));
    QCOMPARE(image.pixelColor(80, 30), QColor(0, 255, 0));
    QCOMPARE(image.pixelColor(80, 89), QColor(0, 255, 0));
    // One pixel wide, and the picture shows through inside and around it.
    QCOMPARE(image.pixelColor(41, 60), QColor(Qt::black));
    QCOMPARE(image.pixelColor(80, 60), QColor(Qt::black));
    QCOMPARE(image.pixelColor(39, 60), QColor(Qt::black));

    picture.shape->SetColor(QColor(0, 0, 255));
    picture.shape->Outline();
    image = picture.widget.grab().toImage();
    QCOMPARE(image.pixelColor(40, 60), QColor(0, 0, 255));
}

QTEST_MAIN(CropShapeTest)
#include "crop_shape_test.moc"
