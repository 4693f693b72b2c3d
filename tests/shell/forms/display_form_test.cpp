#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <memory>

#include "clips/descriptor_block.h"
#include "clips/frame_image.h"
#include "shell/forms/display_form.h"
#include "shell/forms/form_test_support.h"
#include "shell/forms/frame_view.h"
#include "support/fw_error.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;
using fw::test::OtherSource;
using fw::test::runFfmpeg;

namespace {

// Top half white, bottom half black: shows whether rows end up the right way up.
bool makeSplitClip(const QString& path, int width = 64, int height = 48)
{
    const QString size = QString("%1x%2").arg(width).arg(height);
    const QString box = QString("drawbox=x=0:y=0:w=%1:h=%2:color=white:t=fill").arg(width).arg(height / 2);
    return runFfmpeg({ "-f", "lavfi", "-i", "color=c=black:size=" + size + ":rate=25", "-vf", box,
        "-frames:v", "12", "-c:v", "mjpeg", "-q:v", "2", path });
}

bool makeTinyClip(const QString& path, int frames)
{
    return runFfmpeg({ "-f", "lavfi", "-i", "testsrc=size=16x16:rate=25", "-frames:v",
        QString::number(frames), "-c:v", "mjpeg", path });
}

// Adds a descriptor chunk at the end of the RIFF form and corrects the form's size.
bool appendDescriptorChunk(const QString& path, const std::string& block)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const auto chunk = DescriptorChunkBytes(block);
    bytes.append("ttls", 4);
    const uint32_t size = uint32_t(chunk.size());
    bytes.append(reinterpret_cast<const char*>(&size), 4);
    bytes.append(reinterpret_cast<const char*>(chunk.data()), qsizetype(chunk.size()));
    const uint32_t riff_size = uint32_t(bytes.size() - 8);
    std::memcpy(bytes.data() + 4, &riff_size, 4);
    file.seek(0);
    return file.write(bytes) == bytes.size();
}

// Makes the clip claim another compressor in its stream header and format.
bool replaceCompressor(const QString& path, const QByteArray& from, const QByteArray& to)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    QByteArray head = bytes.left(4096);
    if (!head.contains(from))
        return false;
    head.replace(from, to);
    bytes.replace(0, head.size(), head);
    file.seek(0);
    return file.write(bytes) == bytes.size();
}

std::string descriptorChunkOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const qsizetype at = bytes.lastIndexOf("ttls");
    if (at < 0 || at + 8 + 2048 > bytes.size())
        return {};
    return DescriptorFromChunk(reinterpret_cast<const uint8_t*>(bytes.constData() + at + 8), 2048);
}

} // namespace

class DisplayFormTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensClipShowingFrameZeroUpright();
    void seekingMovesFrameBarAndPanels();
    void userMovesAreReportedOnce();
    void descriptorBlockSetsTheTimeBase();
    void changedDescriptorsAreWrittenOnlyWhenTheUserAgrees();
    void openFailuresNameTheFileAndTheDriver();
    void optionBitsAreKeptInDesktopExtra();
    void copyFramePutsTheFullFrameOnTheClipboard();
    void sizeItemsResizeThePicture();
    void windowOverAnotherSourceIsLeftToItsOwner();
    void frameViewPaintsEightBitFramesThroughTheirColourTable();
    void frameViewRefusesBrokenFrames();

private:
    std::unique_ptr<TDisplayForm> open(const QString& path);
    std::unique_ptr<TDisplayForm> tryOpen(const QString& path, QString& error);
    QString clip(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> settings_;
    ScriptedPrompt prompt_;
    ChildContext context_;
    QList<TChildForm*> registered_;
};

void DisplayFormTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    settings_ = std::make_unique<SettingsStore>(dir_->filePath("settings.ini"));
    prompt_.clear();
    installPrompt(&prompt_);
    registered_.clear();
    context_ = ChildContext {};
    context_.settings = settings_.get();
    context_.register_child = [this](TChildForm* child) { registered_.append(child); };
    context_.unregister_child = [this](TChildForm* child) { registered_.removeAll(child); };
}

void DisplayFormTest::cleanup()
{
    installPrompt(nullptr);
    settings_.reset();
    dir_.reset();
}

std::unique_ptr<TDisplayForm> DisplayFormTest::tryOpen(const QString& path, QString& error)
{
    return test::OpenClipWindow(context_, path, &error);
}

std::unique_ptr<TDisplayForm> DisplayFormTest::open(const QString& path)
{
    QString error;
    auto form = tryOpen(path, error);
    if (!form)
        qWarning() << "open failed:" << error;
    return form;
}

void DisplayFormTest::opensClipShowingFrameZeroUpright()
{
    QVERIFY(makeSplitClip(clip("split.avi")));
    auto form = open(clip("split.avi"));
    QVERIFY(form);
    QCOMPARE(registered_, QList<TChildForm*> { form.get() });
    QVERIFY(form->isVisible());
    QVERIFY(form->IsTimedClipWindow());
    form->EnableQuickMeasure(true);
    QVERIFY(form->QuickMeasureAllowed());
    QCOMPARE(form->windowTitle(), QString("split.avi"));
    QCOMPARE(form->CurrentIndex(), 0);
    QCOMPARE(form->Layout().FrameWidth(), 64);
    QCOMPARE(form->Layout().FrameHeight(), 48);

    auto* bar = form->findChild<QSlider*>("FrameBar");
    QVERIFY(bar);
    QCOMPARE(bar->maximum(), 11);
    QCOMPARE(bar->tickInterval(), 1);
    QCOMPARE(form->findChild<QLabel*>("FramePanel")->text(), QString("1"));
    QCOMPARE(form->findChild<QLabel*>("TimeLabel")->text(), QString("0.00"));
    QCOMPARE(form->findChild<QLabel*>("TimeUnits")->text(), QString("ms"));

    // What is painted, not only what is held, must be the right way up.
    auto* view = form->findChild<FrameView*>("PaintBox");
    QVERIFY(view && view->hasFrame());
    const QImage painted = view->grab().toImage();
    QVERIFY(painted.width() > 10 && painted.height() > 10);
    QVERIFY(qGray(painted.pixel(painted.width() / 2, painted.height() / 8)) > 200);
    QVERIFY(qGray(painted.pixel(painted.width() / 2, painted.height() * 7 / 8)) < 50);

    form.reset();
    QVERIFY(registered_.isEmpty());

    // The same clip named .kfs opens alike.
    QVERIFY(QFile::copy(clip("split.avi"), clip("split.kfs")));
    form = open(clip("split.kfs"));
    QVERIFY(form);
    QCOMPARE(form->LastIndex(), 11);
    QCOMPARE(form->Layout().FrameWidth(), 64);
}

void DisplayFormTest::seekingMovesFrameBarAndPanels()
{
    QVERIFY(makeTinyClip(clip("long.avi"), 1001));
    auto form = open(clip("long.avi"));
    QVERIFY(form);
    QCOMPARE(form->LastIndex(), 1000);
    QCOMPARE(form->FramePeriodMs(), 1.0f);
    QCOMPARE(form->EndTime(), 1000.0f);
    auto* bar = form->findChild<QSlider*>("FrameBar");
    QCOMPARE(bar->tickInterval(), 100);
    auto* frame = form->findChild<QLabel*>("FramePanel");
    auto* time = form->findChild<QLabel*>("TimeLabel");
    auto* unit = form->findChild<QLabel*>("TimeUnits");

    form->Seek(999);
    QCOMPARE(frame->text(), QString("1000"));
    QCOMPARE(time->text(), QString("999.00"));
    QCOMPARE(unit->text(), QString("ms"));
    QCOMPARE(time->toolTip(), QString("Time in Milliseconds"));
    QCOMPARE(bar->value(), 999);

    form->SeekTime(1000.0);
    QCOMPARE(form->CurrentIndex(), 1000);
    QCOMPARE(time->text(), QString("1.000"));
    QCOMPARE(unit->text(), QString("s"));
    QCOMPARE(time->toolTip(), QString("Time in Seconds"));

    form->Seek(5000);
    QCOMPARE(form->CurrentIndex(), 1000);
    form->Seek(-7);
    QCOMPARE(form->CurrentIndex(), 0);
    QCOMPARE(bar->value(), 0);

    // Nothing new to show: the poll reports no drawing, but a stale range while timed.
    bool stale = false, closing = true;
    QVERIFY(!form->Poll(stale, closing));
    QVERIFY(stale);
    QVERIFY(!closing);
}

void DisplayFormTest::userMovesAreReportedOnce()
{
    QVERIFY(makeTinyClip(clip("moves.avi"), 30));
    auto form = open(clip("moves.avi"));
    QVERIFY(form);
    float time_ms = -1;
    form->Seek(3);
    QVERIFY(!form->UserMovedTime(time_ms));

    form->findChild<QSlider*>("FrameBar")->setValue(7);
    QCOMPARE(form->CurrentIndex(), 7);
    QVERIFY(form->UserMovedTime(time_ms));
    QCOMPARE(time_ms, 7.0f);
    QVERIFY(!form->UserMovedTime(time_ms));

    QTest::keyClick(form.get(), Qt::Key_End);
    QCOMPARE(form->CurrentIndex(), 29);
    QTest::keyClick(form.get(), Qt::Key_Right);
    QCOMPARE(form->CurrentIndex(), 29);
    QTest::keyClick(form.get(), Qt::Key_Left);
    QCOMPARE(form->CurrentIndex(), 28);
    QTest::keyClick(form.get(), Qt::Key_Home);
    QCOMPARE(form->CurrentIndex(), 0);
    QVERIFY(form->UserMovedTime(time_ms));
    QCOMPARE(time_ms, 0.0f);
}

void DisplayFormTest::descriptorBlockSetsTheTimeBase()
{
    QVERIFY(makeTinyClip(clip("timed.avi"), 21));
    QVERIFY(appendDescriptorChunk(clip("timed.avi"),
        "[Timing]\rFrame Rate=2000\rMark Frame=10\rTime at Mark Frame=-3.5\r"
        "[Camera]\rCamera Type=HG-100K\r[Titles]\rTitle=Drop test\r"));
    auto form = open(clip("timed.avi"));
    QVERIFY(form);
    QCOMPARE(form->FramePeriodMs(), 0.5f);
    QCOMPARE(form->FirstFrameTimeMs(), -8.5f);
    QVERIFY(form->TimeBaseSet());
    QCOMPARE(form->EndTime(), 20 * 0.5f - 8.5f);
    QCOMPARE(form->CurrentTime(), -8.5f);
    QCOMPARE(form->findChild<QLabel*>("TimeLabel")->text(), QString("-8.50"));
    form->SeekTime(-3.5);
    QCOMPARE(form->CurrentIndex(), 10);
    std::string title;
    QVERIFY(GetDescriptorValue(form->TimeBase().Descriptors(), "Titles", "Title", title));
    QCOMPARE(QString::fromStdString(title), QString("Drop test"));
    // Reading the block is not a change: nothing is asked or written on close.
    QVERIFY(!form->DescriptorsChanged());
    QVERIFY(form->CanClose());
    QVERIFY(prompt_.texts().isEmpty());
}

void DisplayFormTest::changedDescriptorsAreWrittenOnlyWhenTheUserAgrees()
{
    const std::string edited
        = "[Timing]\rFrame Rate=500\rMark Frame=0\rTime at Mark Frame=0\r[Titles]\rTitle=New\r";
    QVERIFY(makeTinyClip(clip("edit.avi"), 5));
    const QString question = "Save Description Changes to File " + clip("edit.avi") + "?";

    // Cancel keeps the window and its changes.
    auto form = open(clip("edit.avi"));
    QVERIFY(form);
    QSignalSpy time_base_changed(form.get(), &TChildForm::timeBaseChanged);
    form->ChangeDescriptors(edited);
    QCOMPARE(time_base_changed.count(), 1);
    QCOMPARE(form->FramePeriodMs(), 2.0f);
    prompt_.queueAnswer(PromptButton::Cancel);
    QVERIFY(!form->close());
    QVERIFY(form->DescriptorsChanged());
    QCOMPARE(prompt_.texts(), QStringList { question });

    // No drops them.
    prompt_.clear();
    prompt_.queueAnswer(PromptButton::No);
    QVERIFY(form->close());
    form.reset();
    QCOMPARE(descriptorChunkOf(clip("edit.avi")), std::string());

    // Yes writes them when the window goes, asking only once.
    form = open(clip("edit.avi"));
    QVERIFY(form);
    form->ChangeDescriptors(edited);
    prompt_.clear();
    prompt_.queueAnswer(PromptButton::Yes);
    QVERIFY(form->CanClose());
    QVERIFY(form->close());
    QCOMPARE(prompt_.texts().size(), 1);
    form.reset();
    std::string title;
    QVERIFY(GetDescriptorValue(descriptorChunkOf(clip("edit.avi")), "Titles", "Title", title));
    QCOMPARE(QString::fromStdString(title), QString("New"));

    form = open(clip("edit.avi"));
    QVERIFY(form);
    QCOMPARE(form->FramePeriodMs(), 2.0f);

    // A write that fails is told, not passed over.
    form->ChangeDescriptors(edited + "[Scaling]\rFactor=2\r");
    prompt_.clear();
    prompt_.queueAnswer(PromptButton::Yes);
    QVERIFY(form->close());
    QVERIFY(QFile::remove(clip("edit.avi")));
    form.reset();
    QCOMPARE(prompt_.texts().size(), 2);
    QCOMPARE(prompt_.texts()[1], "Could not Save Description Changes to File " + clip("edit.avi"));
    QVERIFY(!QFile::exists(clip("edit.avi")));
}

void DisplayFormTest::openFailuresNameTheFileAndTheDriver()
{
    QString error;
    QVERIFY(makeTinyClip(clip("unknown.avi"), 3));
    QVERIFY(replaceCompressor(clip("unknown.avi"), "MJPG", "ZQZQ"));
    QVERIFY(!tryOpen(clip("unknown.avi"), error));
    QVERIFY2(error.startsWith("File " + clip("unknown.avi") + " requires driver ZQZQ\r"), qPrintable(error));
    QVERIFY(registered_.isEmpty());

    QVERIFY(makeTinyClip(clip("indeo.avi"), 3));
    QVERIFY(replaceCompressor(clip("indeo.avi"), "MJPG", "IV50"));
    QVERIFY(!tryOpen(clip("indeo.avi"), error));
    QVERIFY2(error.startsWith(
                 "File " + clip("indeo.avi") + " requires driver IV50 - Intel Indeo\u00AE Video 5.0\r"),
        qPrintable(error));

    QFile garbage(clip("garbage.avi"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(3000, 'x'));
    garbage.close();
    QVERIFY(!tryOpen(clip("garbage.avi"), error));
    QCOMPARE(error, "File " + clip("garbage.avi") + "\rStream Open Failed\rIt is not a RIFF file");

    QVERIFY(!tryOpen(clip("missing.avi"), error));
    QCOMPARE(error,
        "File " + clip("missing.avi")
            + "\rStream Open Failed\rCannot read the file: No such file or directory");
    // A failed window never stores a placement.
    QVERIFY(!settings_->valueExists("Desktop", "DisplayForm"));
}

void DisplayFormTest::optionBitsAreKeptInDesktopExtra()
{
    QVERIFY(makeTinyClip(clip("options.avi"), 4));
    auto form = open(clip("options.avi"));
    QVERIFY(form);
    QCOMPARE(form->Options() & 0xFFFF00FFu, kDefaultViewOptions & 0xFFFF00FFu);
    auto* reticle = form->findChild<QLabel*>("ReticlePanel");
    QVERIFY(!reticle->isVisible());
    form->findChild<QAction*>("ReticlePosition")->trigger();
    form->findChild<QAction*>("TimeCounter")->trigger();
    QVERIFY(reticle->isVisible());
    QVERIFY(!form->findChild<QWidget*>("TimePanel")->isVisible());
    const uint32_t options = form->Options();
    QVERIFY(options & voReticlePosition);
    QVERIFY(!(options & voTimeCounter));
    form.reset();

    const QStringList stored = settings_->readString("Desktop", "DisplayForm").split(',');
    QCOMPARE(stored.size(), 5);
    QCOMPARE(stored[4].toLongLong(), qlonglong(options));

    form = open(clip("options.avi"));
    QVERIFY(form);
    QCOMPARE(form->Options(), options);
    QVERIFY(form->findChild<QLabel*>("ReticlePanel")->isVisible());
    QVERIFY(form->findChild<QAction*>("ReticlePosition")->isChecked());

    // The reticle counts frame pixels from the bottom left of the picture.
    auto* view = form->findChild<FrameView*>("PaintBox");
    QTest::mouseMove(view, QPoint(0, view->height() - 1));
    QCOMPARE(form->findChild<QLabel*>("ReticlePanel")->text(), QString("0.0, 0.0"));

    // Over the picture the keys aim the reticle instead of stepping frames, inside the picture.
    // The offscreen platform sends no enter events: say where the mouse is.
    view->setAttribute(Qt::WA_UnderMouse);
    QCursor::setPos(view->mapToGlobal(QPoint(0, view->height() - 1)));
    form->Seek(2);
    QTest::keyClick(form.get(), Qt::Key_Left);
    QTest::keyClick(form.get(), Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(form->CurrentIndex(), 2);
    QCOMPARE(view->mapFromGlobal(QCursor::pos()), QPoint(0, view->height() - 11));
    QVERIFY(form->findChild<QLabel*>("ReticlePanel")->text() != "0.0, 0.0");
}

void DisplayFormTest::copyFramePutsTheFullFrameOnTheClipboard()
{
    QVERIFY(makeSplitClip(clip("copy.avi")));
    auto form = open(clip("copy.avi"));
    QVERIFY(form);
    form->findChild<QAction*>("DoubleSize")->trigger();
    QApplication::clipboard()->clear();
    form->findChild<QAction*>("CopyFrameItem")->trigger();
    const QImage copied = QApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(64, 48));
    QVERIFY(qGray(copied.pixel(32, 4)) > 200);
    QVERIFY(qGray(copied.pixel(32, 44)) < 50);
}

void DisplayFormTest::sizeItemsResizeThePicture()
{
    QVERIFY(makeSplitClip(clip("sizes.avi"), 160, 120));
    auto form = open(clip("sizes.avi"));
    QVERIFY(form);
    auto* view = form->findChild<FrameView*>("PaintBox");
    form->findChild<QAction*>("DoubleSize")->trigger();
    QCOMPARE(view->size(), QSize(320, 240));
    QCOMPARE(form->Layout().HorizontalScale(), 2.0f);
    QVERIFY(form->findChild<QAction*>("DoubleSize")->isChecked());
    QVERIFY(!form->findChild<QAction*>("FullSize")->isChecked());

    // Full size of a 160-pixel frame is narrower than the legend and frame bar: the window keeps
    // their width and the picture its aspect ratio.
    form->findChild<QAction*>("FullSize")->trigger();
    QVERIFY(form->width() > 160);
    QCOMPARE(view->width(), form->width());
    QCOMPARE(view->height(), form->width() * 120 / 160);
    QVERIFY(form->findChild<QAction*>("AnySize")->isChecked());
}

void DisplayFormTest::windowOverAnotherSourceIsLeftToItsOwner()
{
    TDisplayForm form(context_, std::make_unique<OtherSource>(), QString(), "preview");
    QVERIFY(!form.IsTimedClipWindow());
    QVERIFY(!form.isVisible());
    QVERIFY(registered_.isEmpty());
    form.EnableQuickMeasure(true);
    form.EnableSignalGraph(true);
    QVERIFY(!form.QuickMeasureAllowed());
    QVERIFY(!form.SignalGraphAllowed());
    QCOMPARE(form.LastIndex(), 0);
}

void DisplayFormTest::frameViewPaintsEightBitFramesThroughTheirColourTable()
{
    // 3 pixels wide: rows carry a padding byte, which must not shift the next row.
    FrameImage frame(3, 2, 8);
    std::vector<RgbQuad> table(4);
    table[1] = RgbQuad { 0, 0, 255, 0 }; // red
    table[2] = RgbQuad { 255, 0, 0, 0 }; // blue
    frame.setColourTable(table);
    frame.topDownRow(0)[0] = 1;
    frame.topDownRow(0)[2] = 2;
    frame.topDownRow(1)[1] = 2;

    FrameView view;
    view.resize(30, 20);
    QVERIFY(view.setPackedFrame(frame.packed(), frame.packedSize()));
    const QImage picture = view.picture();
    QCOMPARE(picture.size(), QSize(3, 2));
    QCOMPARE(picture.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(picture.pixel(2, 0), qRgb(0, 0, 255));
    QCOMPARE(picture.pixel(1, 1), qRgb(0, 0, 255));
    QCOMPARE(picture.pixel(0, 1), qRgb(0, 0, 0));

    const QImage painted = view.grab().toImage();
    QCOMPARE(painted.pixel(5, 5), qRgb(255, 0, 0));
    QCOMPARE(painted.pixel(25, 5), qRgb(0, 0, 255));
    QCOMPARE(painted.pixel(15, 15), qRgb(0, 0, 255));
    QCOMPARE(painted.pixel(5, 15), qRgb(0, 0, 0));
}

void DisplayFormTest::frameViewRefusesBrokenFrames()
{
    FrameImage frame(8, 8, 24);
    FrameView view;
    QVERIFY(view.setPackedFrame(frame.packed(), frame.packedSize()));
    QVERIFY(!view.setPackedFrame(frame.packed(), frame.packedSize() - 1)); // truncated
    QVERIFY(!view.hasFrame());
    QVERIFY(!view.setPackedFrame(nullptr, 100));
    std::vector<uint8_t> bytes(frame.packed(), frame.packed() + frame.packedSize());
    BitmapInfoHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    header.biHeight = 1 << 20; // claims far more rows than there are bytes
    std::memcpy(bytes.data(), &header, sizeof header);
    QVERIFY(!view.setPackedFrame(bytes.data(), bytes.size()));
    const std::vector<uint8_t> garbage(500, 0xA5);
    QVERIFY(!view.setPackedFrame(garbage.data(), garbage.size()));
    QVERIFY(view.picture().isNull());
    view.resize(10, 10);
    QVERIFY(!view.grab().isNull()); // paints its background, not stale bytes
}

QTEST_MAIN(DisplayFormTest)
#include "display_form_test.moc"
