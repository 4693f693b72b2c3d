#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "clips/avi_encoders.h"
#include "clips/avi_favi.h"
#include "clips/descriptor_block.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/form_test_support.h"
#include "shell/forms/image_preview.h"
#include "shell/forms/spin_buttons.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;
using fw::test::runFfmpeg;

namespace {

// Black frames with a white bar in the left 8 columns, N + 1 rows high on frame N.
bool makeCountingClip(const QString& path, int frames, const QString& pixel_format = "bgr24")
{
    const QString bar = "255*lt(Y\\,N+1)*lt(X\\,8)";
    return runFfmpeg({ "-f", "lavfi", "-i", "color=c=black:size=96x64:rate=25", "-vf",
        QString("format=rgb24,geq=r='%1':g='%1':b='%1'").arg(bar), "-frames:v", QString::number(frames),
        "-c:v", "rawvideo", "-pix_fmt", pixel_format, path });
}

bool makeColourClip(const QString& path, const QString& colour)
{
    return runFfmpeg({ "-f", "lavfi", "-i", QString("color=c=%1:size=64x48:rate=25").arg(colour), "-frames:v",
        "3", "-c:v", "rawvideo", "-pix_fmt", "bgr24", path });
}

// The frame a counting clip's picture shows: the height of its bar, minus one.
int barFrame(const FrameImage& frame)
{
    int rows = 0;
    while (rows < frame.height() && frame.topDownRow(rows)[0] > 128)
        ++rows;
    return rows - 1;
}

void typeInto(QLineEdit* edit, const QString& text)
{
    QVERIFY(edit);
    edit->setText(text);
    emit edit->editingFinished();
}

} // namespace

class ImagePreviewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void frameFieldsKeepTheRangeOnTheIntervalGrid();
    void spinButtonsStepByTheInterval();
    void savedClipHoldsTheChosenFramesWithTheirSourceTimes();
    void cancelledSaveShowsThePreviewAgain();
    void saveAsFromAClipWindowOpensThePreview();
    void croppingIsForGreyPicturesAndLimitsTheSavedSize();
    void originalBalanceAndLock();
    void whitePointGivesThePixelTheChosenColour();
    void valuesComeBackInTheNextPreview();

private:
    TImagePreview* open(const QString& path);
    QString clip(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> settings_;
    ScriptedPrompt prompt_;
    ChildContext context_;
    QStringList opened_;
    QPointer<TImagePreview> preview_;
};

void ImagePreviewTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    settings_ = std::make_unique<SettingsStore>(dir_->filePath("settings.ini"));
    prompt_.clear();
    installPrompt(&prompt_);
    opened_.clear();
    context_ = ChildContext {};
    context_.settings = settings_.get();
    context_.open_clip = [this](const QString& name) { opened_ << name; };
}

void ImagePreviewTest::cleanup()
{
    DisplaySaver::SetSaveTargetChooser(nullptr);
    delete preview_.data();
    installPrompt(nullptr);
    settings_.reset();
    dir_.reset();
}

TImagePreview* ImagePreviewTest::open(const QString& path)
{
    auto source = std::make_unique<TAVIFAVI>();
    try {
        source->Open(path);
        preview_ = new TImagePreview(context_, std::move(source), path, QFileInfo(path).fileName());
    } catch (const Error& failure) {
        qWarning() << "open failed:" << failure.message();
        return nullptr;
    }
    preview_->setAttribute(Qt::WA_DeleteOnClose, false);
    return preview_;
}

void ImagePreviewTest::frameFieldsKeepTheRangeOnTheIntervalGrid()
{
    QVERIFY(makeCountingClip(clip("count.avi"), 12));
    TImagePreview* preview = open(clip("count.avi"));
    QVERIFY(preview);
    auto* first = preview->findChild<QLineEdit*>("FirstEN");
    auto* last = preview->findChild<QLineEdit*>("LastEN");
    auto* step = preview->findChild<QLineEdit*>("StepEdit");
    auto* shown = preview->findChild<QLineEdit*>("PreviewEN");
    QCOMPARE(first->text(), QString("0"));
    QCOMPARE(last->text(), QString("11"));

    typeInto(first, "2");
    typeInto(last, "9");
    typeInto(step, "3");
    // 9 is off the grid through 2: the range ends on 8, three frames.
    QCOMPARE(last->text(), QString("8"));
    QCOMPARE(preview->Frames().Count(), 3);
    QVERIFY(preview->findChild<QPushButton*>("OkBtn")->isEnabled());
    // Without a descriptor block the clip runs at 1000 frames/s: saved frames are 3 ms apart.
    QCOMPARE(preview->Display()->FramePeriodMs(), 3.0F);

    typeInto(shown, "7");
    QCOMPARE(shown->text(), QString("5"));
    preview->IdleTick();
    QCOMPARE(barFrame(preview->PreviewPicture()), 5);
    QCOMPARE(preview->Display()->CurrentIndex(), 1);

    // Numbers outside the clip and text that is no number are not taken.
    typeInto(first, "-40");
    QCOMPARE(first->text(), QString("0"));
    typeInto(last, "eleven");
    QCOMPARE(last->text(), QString("6"));
    QCOMPARE(preview->Frames().Count(), 3);
}

void ImagePreviewTest::spinButtonsStepByTheInterval()
{
    QVERIFY(makeCountingClip(clip("count.avi"), 12));
    TImagePreview* preview = open(clip("count.avi"));
    QVERIFY(preview);
    auto spin = [&](const char* name, bool up) {
        auto* buttons = preview->findChild<SpinButtons*>(name);
        QVERIFY(buttons);
        (up ? buttons->UpButton() : buttons->DownButton())->click();
    };
    spin("StepSpin", true);
    spin("StepSpin", true);
    QCOMPARE(preview->findChild<QLineEdit*>("StepEdit")->text(), QString("3"));
    QCOMPARE(preview->Frames().Last(), 9);
    spin("PreviewSpin", true);
    spin("PreviewSpin", true);
    QCOMPARE(preview->findChild<QLineEdit*>("PreviewEN")->text(), QString("6"));
    spin("PreviewSpin", true);
    spin("PreviewSpin", true); // 12 lies past the last frame: not taken
    QCOMPARE(preview->Frames().Preview(), 9);
    spin("FirstSpin", true);
    QCOMPARE(preview->Frames().First(), 3);
    spin("StepSpin", false);
    spin("StepSpin", false);
    spin("StepSpin", false);
    QCOMPARE(preview->Frames().Interval(), 1);
    preview->IdleTick();
    QCOMPARE(barFrame(preview->PreviewPicture()), preview->Frames().Preview());
}

void ImagePreviewTest::savedClipHoldsTheChosenFramesWithTheirSourceTimes()
{
    QVERIFY(makeCountingClip(clip("source.avi"), 12));
    QVERIFY(
        WriteDescriptorBlock(clip("source.avi"), BuildDescriptorBlock(500, 0, 0, {}, { "Title=Sled run" })));
    TImagePreview* preview = open(clip("source.avi"));
    QVERIFY(preview);
    typeInto(preview->findChild<QLineEdit*>("FirstEN"), "2");
    typeInto(preview->findChild<QLineEdit*>("LastEN"), "8");
    typeInto(preview->findChild<QLineEdit*>("StepEdit"), "3");
    preview->Display()->Stream()->CompressOptions().fccHandler = kUncompressedCode;
    preview->Display()->Stream()->CompressOptions().options_ok = true;
    QString caption;
    QString proposed;
    DisplaySaver::SetSaveTargetChooser([&](QWidget*, const QString& asked, const QStringList&, int,
                                           const QString& name) -> std::optional<DisplaySaver::SaveChoice> {
        caption = asked;
        proposed = name;
        return DisplaySaver::SaveChoice { 1, clip("saved") };
    });
    preview->findChild<QPushButton*>("OkBtn")->click();
    QTRY_COMPARE_WITH_TIMEOUT(opened_.size(), 1, 20000);
    QCOMPARE(opened_.first(), clip("saved.avi"));
    QVERIFY(caption.startsWith("Save ") && caption.endsWith(" Images As"));
    QCOMPARE(QFileInfo(proposed).fileName(), QFileInfo(dir_->path()).fileName());
    QTRY_VERIFY(preview_.isNull() || !preview_->isVisible());

    TAVISTREAM saved("AVI");
    saved.Open(clip("saved.avi"));
    QVERIFY(saved.IsOpen());
    QCOMPARE(saved.FrameCount(), 3);
    FrameAccess* access = nullptr;
    QVERIFY(saved.BeginFrameAccess(access));
    for (int index = 0; index < 3; ++index) {
        int32_t size = 0;
        const uint8_t* bytes = nullptr;
        QVERIFY(saved.GetFrame(access, index, size, bytes));
        QCOMPARE(barFrame(FrameImage::fromPacked(bytes, size_t(size))), 2 + 3 * index);
    }
    saved.EndFrameAccess(access);
    std::array<uint8_t, kDescriptorChunkSize> chunk {};
    int32_t size = kDescriptorChunkSize;
    QVERIFY(saved.ReadData(kDescriptorChunkId, chunk.data(), size));
    const DescriptorTiming timing = ParseDescriptorTiming(DescriptorFromChunk(chunk.data(), size_t(size)));
    // Frame 2 of a 500 frames/s clip whose frame 0 is at 0 ms, then every third frame.
    QCOMPARE(timing.frame_period_ms, 6.0);
    QCOMPARE(timing.first_frame_time_ms, 4.0);
    QCOMPARE(timing.title_lines, std::vector<std::string> { "Title=Sled run" });
}

void ImagePreviewTest::cancelledSaveShowsThePreviewAgain()
{
    QVERIFY(makeCountingClip(clip("source.avi"), 6));
    TImagePreview* preview = open(clip("source.avi"));
    QVERIFY(preview);
    bool asked = false;
    bool hidden_while_asked = false;
    DisplaySaver::SetSaveTargetChooser([&](QWidget*, const QString&, const QStringList&, int,
                                           const QString&) -> std::optional<DisplaySaver::SaveChoice> {
        asked = true;
        hidden_while_asked = !preview_->isVisible();
        return std::nullopt;
    });
    preview->Save();
    QVERIFY(asked);
    QVERIFY(hidden_while_asked);
    QVERIFY(preview->isVisible());
    QVERIFY(!preview->IsSaving());
    typeInto(preview->findChild<QLineEdit*>("PreviewEN"), "4");
    preview->IdleTick();
    QCOMPARE(barFrame(preview->PreviewPicture()), 4);
    QVERIFY(opened_.isEmpty());
}

void ImagePreviewTest::saveAsFromAClipWindowOpensThePreview()
{
    QVERIFY(makeCountingClip(clip("clip.avi"), 7));
    QString error;
    auto window = test::OpenClipWindow(context_, clip("clip.avi"), &error);
    QVERIFY2(window, qPrintable(error));
    window->show();
    window->SaveAs();
    QVERIFY(!window->isVisible());
    TImagePreview* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* preview = qobject_cast<TImagePreview*>(widget))
            found = preview;
    QVERIFY(found);
    preview_ = found;
    QCOMPARE(found->windowTitle(), QString("clip.avi"));
    QCOMPARE(found->Frames().Highest(), 6);
    QVERIFY(found->Display()->isVisible());
    QCOMPARE(found->Display()->OwnerChild(), found);
    found->IdleTick();
    QCOMPARE(barFrame(found->PreviewPicture()), 0);
}

void ImagePreviewTest::croppingIsForGreyPicturesAndLimitsTheSavedSize()
{
    QVERIFY(makeColourClip(clip("colour.avi"), "0x806040"));
    TImagePreview* colour = open(clip("colour.avi"));
    QVERIFY(colour);
    QVERIFY(!colour->findChild<QToolButton*>("CropSB")->isEnabled());
    QVERIFY(!colour->findChild<QToolButton*>("SaveSizeSB")->isEnabled());
    QVERIFY(colour->findChild<QSlider*>("RedTrackBar")->isVisibleTo(colour));
    delete colour;

    QVERIFY(makeCountingClip(clip("grey.avi"), 4, "gray"));
    TImagePreview* grey = open(clip("grey.avi"));
    QVERIFY(grey);
    QVERIFY(!grey->findChild<QSlider*>("RedTrackBar")->isVisibleTo(grey));
    auto* crop = grey->findChild<QToolButton*>("CropSB");
    QVERIFY(crop->isEnabled());
    QCOMPARE(grey->findChild<QLabel*>("CroppingLB")->text(), QString("96W 64H"));
    crop->click();
    QVERIFY(grey->Values().crop.cropping);
    QVERIFY(grey->Display()->Cropper()->isVisible());

    // Dragging the rectangle in the picture sets the crop in frame pixels.
    TCropShape* cropper = grey->Display()->Cropper();
    const float scale = grey->Display()->Layout().HorizontalScale();
    cropper->SetBounds(
        QRect(QPoint(int(8 * scale), int(4 * scale)), QSize(int(32 * scale), int(24 * scale))));
    QCOMPARE(grey->Values().crop.rect.left, 8);
    QCOMPARE(grey->Values().crop.rect.Width(), 32);
    QCOMPARE(grey->findChild<QLabel*>("CroppingLB")->text(), QString("32W 24H"));
    QCOMPARE(grey->findChild<QLabel*>("SavingLB")->text(), QString("32W 24H"));
}

void ImagePreviewTest::originalBalanceAndLock()
{
    settings_->writeInteger("AVI File", "Brightness", 1300);
    settings_->writeInteger("AVI File", "Gamma", 1600);
    QVERIFY(makeColourClip(clip("colour.avi"), "0x806040"));
    TImagePreview* preview = open(clip("colour.avi"));
    QVERIFY(preview);
    auto* brightness = preview->findChild<QSlider*>("BrightTrackBar");
    const int opened_at = brightness->value();
    QCOMPARE(opened_at, ImportTrackPosition(TrackTag::Brightness, 1.3F));
    QCOMPARE(preview->Source().Pipeline().Gamma(), 1.6F);

    // One step is a change of 0.006: below 0.01 it is not taken; two steps are.
    brightness->setValue(opened_at + 1);
    QCOMPARE(preview->Values().Position(TrackTag::Brightness), opened_at);
    brightness->setValue(opened_at + 2);
    QCOMPARE(preview->Values().Position(TrackTag::Brightness), opened_at + 2);

    preview->findChild<QPushButton*>("BalanceBtn")->click();
    QCOMPARE(brightness->value(), 250);
    QCOMPARE(preview->Source().Pipeline().Gamma(), 1.0F);
    preview->findChild<QPushButton*>("UndoBtn")->click();
    QCOMPARE(brightness->value(), opened_at);

    preview->findChild<QCheckBox*>("SettingsLocked")->setChecked(true);
    QVERIFY(!brightness->isEnabled());
    QVERIFY(!preview->findChild<QPushButton*>("UndoBtn")->isEnabled());
    QVERIFY(preview->findChild<QLabel*>("LockedPanel")->isVisibleTo(preview));
}

void ImagePreviewTest::whitePointGivesThePixelTheChosenColour()
{
    QVERIFY(makeColourClip(clip("colour.avi"), "0x806040"));
    TImagePreview* preview = open(clip("colour.avi"));
    QVERIFY(preview);
    preview->IdleTick();
    preview->PickWhitePoint(10, 10, PixelColor { 180, 180, 180 });
    preview->IdleTick();
    const uint8_t* pixel = preview->PreviewPicture().topDownRow(10) + 30;
    for (int channel = 0; channel < 3; ++channel)
        QVERIFY2(std::abs(int(pixel[channel]) - 180) <= 3, qPrintable(QString::number(pixel[channel])));
}

void ImagePreviewTest::valuesComeBackInTheNextPreview()
{
    QVERIFY(makeCountingClip(clip("count.avi"), 12));
    TImagePreview* preview = open(clip("count.avi"));
    QVERIFY(preview);
    typeInto(preview->findChild<QLineEdit*>("FirstEN"), "3");
    typeInto(preview->findChild<QLineEdit*>("StepEdit"), "4");
    preview->findChild<QSlider*>("GammaTrackBar")->setValue(400);
    QVERIFY(preview->close());
    delete preview;
    QCOMPARE(settings_->readString("AVI File", "FirstFrame"), QString("3"));

    TImagePreview* again = open(clip("count.avi"));
    QVERIFY(again);
    QCOMPARE(again->Frames().First(), 3);
    QCOMPARE(again->Frames().Interval(), 4);
    QCOMPARE(again->Frames().Last(), 11);
    QCOMPARE(again->findChild<QSlider*>("GammaTrackBar")->value(), 400);
}

QTEST_MAIN(ImagePreviewTest)
#include "image_preview_test.moc"
