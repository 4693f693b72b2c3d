#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "clips/avi_encoders.h"
#include "clips/bayer.h"
#include "clips/bayer_preview_values.h"
#include "clips/forms/custom_color_form.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/image_preview.h"
#include "shell/forms/new_window_place.h"
#include "shell/forms/ro_preview.h"
#include "shell/forms/sequence_test_files.h"
#include "shell/forms/wright_viewer.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;

namespace {

template <typename Form> std::vector<Form*> ChildrenOf(const TWrightViewer& viewer)
{
    std::vector<Form*> found;
    for (TChildForm* child : viewer.Children())
        if (auto* form = dynamic_cast<Form*>(child))
            found.push_back(form);
    return found;
}

bool HasChildOf(const TWrightViewer& viewer, const QString& file_name)
{
    for (TChildForm* child : viewer.Children())
        if (child->FileName() == file_name)
            return true;
    return false;
}

// The frames a saved clip holds, as the clip stream reads them.
int32_t SavedFrameCount(const QString& path, int32_t* width = nullptr)
{
    TAVISTREAM saved("AVI");
    saved.Open(path);
    TAVIStreamInfo info;
    if (width && saved.GetInfo(info))
        *width = info.rcFrame[2] - info.rcFrame[0];
    return saved.IsOpen() ? saved.FrameCount() : -1;
}

// Answers the save dialog with a type and a path.
void AnswerSaveDialog(int type, const QString& path)
{
    DisplaySaver::SetSaveTargetChooser([type, path](QWidget*, const QString&, const QStringList&, int,
                                           const QString&) -> std::optional<DisplaySaver::SaveChoice> {
        return DisplaySaver::SaveChoice { type, path };
    });
}

void UseUncompressed(TDisplayForm& display)
{
    display.Stream()->CompressOptions().fccHandler = kUncompressedCode;
    display.Stream()->CompressOptions().options_ok = true;
}

} // namespace

class SequencePreviewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void tiffSequenceOpensOnePreviewPerFolderAndSavesAClip();
    void baySequenceOpensOnePreviewPerFolderAndSavesAClip();
    void baySequenceSavesAsBayerFilesDirectory();
    void closingWhileSavingAsksAndCancels();
    void unsortableNamesAreAskedAbout();
    void aFrameThatCannotBeReadIsAskedAboutAndShownGrey();
    void bayFramesAndEventFrameSetTheClipTiming();
    void bayPreviewShowsTheMaskLocksAndTransformsColours();
    void approveModeWritesTheWindowsClipOnlyWhenChanged();

private:
    // Ticks the main window until the condition holds.
    template <typename Condition> bool TickUntil(Condition condition, int ticks = 100);
    TROPreview* OpenBay(int frames);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<ScriptedPrompt> prompt_;
    std::unique_ptr<TWrightViewer> viewer_;
};

void SequencePreviewTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    settings_ = std::make_unique<SettingsStore>(dir_->filePath("settings.ini"));
    prompt_ = std::make_unique<ScriptedPrompt>();
    installPrompt(prompt_.get());
    viewer_ = std::make_unique<TWrightViewer>(*settings_);
    viewer_->show();
}

void SequencePreviewTest::cleanup()
{
    DisplaySaver::SetSaveTargetChooser(nullptr);
    prompt_->setFallback(PromptButton::No); // nothing more is cancelled on the way out
    viewer_.reset();
    installPrompt(nullptr);
    prompt_.reset();
    settings_.reset();
    dir_.reset();
}

template <typename Condition> bool SequencePreviewTest::TickUntil(Condition condition, int ticks)
{
    for (int i = 0; i < ticks; ++i) {
        if (condition())
            return true;
        viewer_->Timer();
        QTest::qWait(10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return condition();
}

TROPreview* SequencePreviewTest::OpenBay(int frames)
{
    const QString folder = dir_->filePath("run");
    if (!test::WriteBaySequence(folder, frames))
        return nullptr;
    viewer_->QueueFile(folder + "/F00001.bay");
    if (!TickUntil([&] { return !ChildrenOf<TROPreview>(*viewer_).empty(); }))
        return nullptr;
    return ChildrenOf<TROPreview>(*viewer_).front();
}

void SequencePreviewTest::tiffSequenceOpensOnePreviewPerFolderAndSavesAClip()
{
    const QString folder = dir_->filePath("tifs");
    QVERIFY(QDir().mkpath(folder));
    for (int i = 1; i <= 3; ++i)
        test::WriteGreyTiff(folder + QString("/F%1.tif").arg(i, 4, 10, QLatin1Char('0')), uint8_t(60 * i));
    viewer_->QueueFiles({ folder + "/F0001.tif", folder + "/F0003.tif" });
    QVERIFY(TickUntil([&] { return viewer_->Queue().Empty(); }));
    const auto previews = ChildrenOf<TImagePreview>(*viewer_);
    QCOMPARE(previews.size(), size_t(1));
    TImagePreview* preview = previews.front();
    QCOMPARE(preview->Title(), folder + "/*.tif");
    QCOMPARE(preview->Source().TypeName(), QString("Video(Tiff)"));
    // Frame files without a camera block run at 1000 frames per second, and the user is told.
    QVERIFY(prompt_->texts().join('\n').contains("Frame Rate could not be determined from file."));
    QTRY_COMPARE(preview->PreviewPicture().width(), 16);

    UseUncompressed(*preview->Display());
    AnswerSaveDialog(1, dir_->filePath("tiff_clip"));
    preview->Save();
    const QString saved = dir_->filePath("tiff_clip.avi");
    QVERIFY(TickUntil([&] { return HasChildOf(*viewer_, saved); }));
    QCOMPARE(SavedFrameCount(saved), 3);
    QVERIFY(ChildrenOf<TImagePreview>(*viewer_).empty());
    // The frame files may be deleted now that they are saved.
    QCOMPARE(viewer_->SourceFiles().Entries(), QStringList { folder + "/F0001.tif" });
}

void SequencePreviewTest::baySequenceOpensOnePreviewPerFolderAndSavesAClip()
{
    TROPreview* preview = OpenBay(5);
    QVERIFY(preview);
    const QString folder = dir_->filePath("run");
    viewer_->QueueFile(folder + "/F00004.bay");
    QVERIFY(TickUntil([&] { return viewer_->Queue().Empty(); }));
    QCOMPARE(ChildrenOf<TROPreview>(*viewer_).size(), size_t(1));
    QCOMPARE(preview->Title(), folder + "/*.bay");
    QVERIFY(preview->findChild<QGroupBox*>("ImagerGB")->isHidden());
    // Below the main window, with its clip window beside it: none hides another.
    QVERIFY(!WindowFrame(*preview).intersects(WindowFrame(*viewer_)));
    QVERIFY(!WindowFrame(*preview->Display()).intersects(WindowFrame(*preview)));
    QVERIFY(prompt_->texts().isEmpty());

    // The preview shows the interpolated first frame.
    QCOMPARE(preview->PreviewPicture().width(), 512);
    QCOMPARE(preview->PreviewPicture().height(), 144);
    std::vector<uint8_t> expected(size_t(512 * 144 * 3));
    TBayer reference;
    reference.Open(folder + "/F00001.bay");
    ApplyBayerProcessing(preview->Values(), reference);
    QCOMPARE(reference.RenderFrame(0, expected.data()), kBayFrameDone);
    QVERIFY(std::equal(expected.begin(), expected.end(), preview->PreviewPicture().pixels()));
    QVERIFY(preview->Display()->windowTitle().startsWith("Frame F00001 "));

    // Frames 2 to 5, every second one: 2 and 4.
    preview->findChild<QComboBox*>("FirstFrameCB")->setCurrentIndex(1);
    preview->findChild<QSpinBox*>("IntervalSpin")->setValue(2);
    QCOMPARE(preview->Range().Count(), 2);
    QCOMPARE(preview->findChild<QComboBox*>("PreviewFrameCB")->count(), 2);
    UseUncompressed(*preview->Display());
    AnswerSaveDialog(1, dir_->filePath("bay_clip"));
    preview->findChild<QPushButton*>("SaveBtn")->click();
    const QString saved = dir_->filePath("bay_clip.avi");
    QVERIFY(TickUntil([&] { return HasChildOf(*viewer_, saved); }));
    int32_t width = 0;
    QCOMPARE(SavedFrameCount(saved, &width), 2);
    QCOMPARE(width, 512);
    QVERIFY(ChildrenOf<TROPreview>(*viewer_).empty());
    QCOMPARE(viewer_->SourceFiles().Entries(), QStringList { folder + "/F00001.bay" });
    // The range is there for the next preview.
    QCOMPARE(settings_->readString("Bayer", "FirstFrame"), QString("F00002"));
    QCOMPARE(settings_->readInteger("Bayer", "FrameInterval", 0), 2);
}

void SequencePreviewTest::baySequenceSavesAsBayerFilesDirectory()
{
    TROPreview* preview = OpenBay(3);
    QVERIFY(preview);
    QStringList filters;
    DisplaySaver::SetSaveTargetChooser([&](QWidget*, const QString&, const QStringList& offered, int,
                                           const QString&) -> std::optional<DisplaySaver::SaveChoice> {
        filters = offered;
        return DisplaySaver::SaveChoice { kBayerFilesType, dir_->filePath("bay_out") };
    });
    preview->Save();
    QVERIFY(TickUntil([&] { return ChildrenOf<TROPreview>(*viewer_).empty(); }));
    QCOMPARE(filters.size(), kBayerFilesType);
    QCOMPARE(filters.last(), QString("Bayer - Image Files Directory (*.~~~)"));
    QCOMPARE(QDir(dir_->filePath("bay_out")).entryList(QDir::Files),
        QStringList({ "F00001.bay", "F00002.bay", "F00003.bay" }));
    // The written files open again as a sequence carrying the processing words.
    TBayer written;
    written.Open(dir_->filePath("bay_out/F00002.bay"));
    QCOMPARE(written.FrameCount(), 3);
    std::vector<uint8_t> dib(size_t(written.FrameBytes()));
    QCOMPARE(written.RenderFrame(1, dib.data()), kBayFrameDone);
    QVERIFY(written.Record().ProcessingBlockValid());
    QVERIFY(prompt_->texts().isEmpty());
}

void SequencePreviewTest::closingWhileSavingAsksAndCancels()
{
    TROPreview* preview = OpenBay(4);
    QVERIFY(preview);
    QPointer<TROPreview> alive(preview);
    AnswerSaveDialog(3, dir_->filePath("bmp_out"));
    preview->Save();
    // The save reports through this thread, so it is still running here.
    QVERIFY(preview->IsSaving());
    prompt_->queueAnswer(PromptButton::No);
    QVERIFY(!preview->close());
    QCOMPARE(prompt_->texts().last(), QString("Cancel the Bayer Conversion and Save in Progress?"));
    QVERIFY(preview->IsSaving());
    prompt_->queueAnswer(PromptButton::Yes);
    QVERIFY(!preview->close());
    QTRY_VERIFY(!alive.isNull() && !alive->IsSaving());
    // Cancelled: the preview comes back for another try.
    QVERIFY(alive->isVisible());
    QVERIFY(viewer_->SourceFiles().Empty());
}

void SequencePreviewTest::unsortableNamesAreAskedAbout()
{
    const QString tifs = dir_->filePath("tifs");
    QVERIFY(QDir().mkpath(tifs));
    test::WriteGreyTiff(tifs + "/F0001.tif", 10);
    test::WriteGreyTiff(tifs + "/notes.tif", 20);
    prompt_->queueAnswer(PromptButton::Abort);
    viewer_->QueueFile(tifs + "/F0001.tif");
    QVERIFY(TickUntil([&] { return viewer_->Queue().Empty(); }));
    QVERIFY(ChildrenOf<TImagePreview>(*viewer_).empty());
    const std::vector<ScriptedPrompt::Question> asked = prompt_->questions();
    QCOMPARE(asked.size(), size_t(2));
    QCOMPARE(asked[0].text, QString("File name \"notes\" cannot be numerically sorted."));
    QCOMPARE(asked[0].buttons, PromptButton::Abort | PromptButton::Ignore | PromptButton::All);
    QCOMPARE(asked[1].text, tifs + "/F0001.tif\rPreview Canceled");

    // BAY folders offer Cancel and Ignore; Ignore puts the file first.
    prompt_->clear();
    const QString run = dir_->filePath("run");
    QVERIFY(test::WriteBaySequence(run, 2));
    QVERIFY(test::WriteBayFrame(run + "/extra.bay", 9));
    prompt_->queueAnswer(PromptButton::Ignore);
    viewer_->QueueFile(run + "/F00002.bay");
    QVERIFY(TickUntil([&] { return !ChildrenOf<TROPreview>(*viewer_).empty(); }));
    QCOMPARE(prompt_->questions().front().buttons, PromptButton::Cancel | PromptButton::Ignore);
    QCOMPARE(ChildrenOf<TROPreview>(*viewer_).front()->Range().Labels(),
        QStringList({ "extra", "F00001", "F00002" }));
}

void SequencePreviewTest::aFrameThatCannotBeReadIsAskedAboutAndShownGrey()
{
    TROPreview* preview = OpenBay(3);
    QVERIFY(preview);
    const QString broken = dir_->filePath("run/F00002.bay");
    QFile file(broken);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(512 * 144));
    file.write("NOTABAY!");
    file.close();
    prompt_->queueAnswer(PromptButton::Retry);
    prompt_->queueAnswer(PromptButton::Ignore);
    preview->findChild<QComboBox*>("PreviewFrameCB")->setCurrentIndex(1);
    QTRY_VERIFY(preview->Display()->windowTitle().startsWith("Frame F00002 "));
    QCOMPARE(prompt_->texts(),
        QStringList({ broken + " is not a Bayer Frame.", broken + " is not a Bayer Frame." }));
    const uint8_t* pixels = preview->PreviewPicture().pixels();
    QVERIFY(std::all_of(pixels, pixels + 512 * 144 * 3, [](uint8_t value) { return value == 127; }));
}

void SequencePreviewTest::bayFramesAndEventFrameSetTheClipTiming()
{
    TROPreview* preview = OpenBay(6);
    QVERIFY(preview);
    // 500 frames per second recorded, every third frame saved.
    preview->findChild<QSpinBox*>("IntervalSpin")->setValue(3);
    QCOMPARE(preview->Display()->FramePeriodMs(), 6.0F);
    preview->findChild<QComboBox*>("PreviewFrameCB")->setCurrentIndex(1);
    QTRY_VERIFY(preview->Display()->windowTitle().startsWith("Frame F00004 "));
    preview->findChild<QPushButton*>("EventBtn")->click();
    QCOMPARE(preview->Display()->FirstFrameTimeMs(), -6.0F);
    QCOMPARE(preview->Display()->TimeBase().FrameTime(1), 0.0);
}

void SequencePreviewTest::bayPreviewShowsTheMaskLocksAndTransformsColours()
{
    TROPreview* preview = OpenBay(3);
    QVERIFY(preview);
    const FrameImage& picture = preview->PreviewPicture();
    const auto greyEverywhere = [&picture] {
        for (int y = 0; y < picture.height(); ++y) {
            const uint8_t* row = picture.topDownRow(y);
            for (int x = 0; x < picture.width(); ++x)
                if (row[3 * x] != row[3 * x + 1] || row[3 * x + 1] != row[3 * x + 2])
                    return false;
        }
        return true;
    };
    QVERIFY(!greyEverywhere());

    // The filter mask shows in grey around 128 until the button is released.
    auto* mask_button = preview->findChild<QToolButton*>("FilterBtn");
    mask_button->setChecked(true);
    QTRY_VERIFY(greyEverywhere());
    QCOMPARE(mask_button->toolTip(), QString("Show Color Image"));
    mask_button->setChecked(false);
    QTRY_VERIFY(!greyEverywhere());

    // Locked settings cannot be moved, nor transformed.
    auto* lock = preview->findChild<QCheckBox*>("SettingsLocked");
    auto* red = preview->findChild<QSlider*>("RedTrackBar");
    lock->setChecked(true);
    QVERIFY(!red->isEnabled());
    QVERIFY(!preview->findChild<QPushButton*>("UndoBtn")->isEnabled());
    QVERIFY(preview->findChild<QLabel*>("LockedPanel")->isVisibleTo(preview));
    QVERIFY(preview->Values().settings_locked);
    lock->setChecked(false);
    QVERIFY(red->isEnabled());

    // Choosing grey for the pixel under the reticle sets the gains that make it grey.
    const QPointF reticle = preview->Display()->Reticle();
    const int x = std::clamp(int(reticle.x()), 0, picture.width() - 1);
    const int y = std::clamp(picture.height() - 1 - int(reticle.y()), 0, picture.height() - 1);
    const int red_before = red->value();
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TCustomColorForm*>(QApplication::activeModalWidget());
        if (form)
            form->ChooseTarget(PixelColor { 120, 120, 120 });
    });
    preview->TransformColor();
    QVERIFY(red->value() != red_before);
    QTRY_VERIFY([&] {
        const uint8_t* pixel = picture.topDownRow(y) + size_t(x) * 3;
        return std::abs(pixel[0] - 120) <= 3 && std::abs(pixel[1] - 120) <= 3
            && std::abs(pixel[2] - 120) <= 3;
    }());
}

void SequencePreviewTest::approveModeWritesTheWindowsClipOnlyWhenChanged()
{
    const QString folder = dir_->filePath("run");
    QVERIFY(test::WriteBaySequence(folder, 3));
    const QString approved = dir_->filePath("approved.avi");
    bool asked = false;
    DisplaySaver::SetSaveTargetChooser([&asked](QWidget*, const QString&, const QStringList&, int,
                                           const QString&) -> std::optional<DisplaySaver::SaveChoice> {
        asked = true;
        return std::nullopt;
    });
    const auto open = [&] {
        auto source = std::make_unique<TBayer>();
        source->Open(folder + "/F00001.bay");
        ChildContext context;
        context.settings = settings_.get();
        auto* preview = new TROPreview(context, std::move(source), approved, "approve");
        preview->SetApproveMode(true);
        UseUncompressed(*preview->Display());
        return QPointer<TROPreview>(preview);
    };

    // Nothing changed: nothing is written, the window closes.
    QPointer<TROPreview> preview = open();
    QCOMPARE(preview->findChild<QPushButton*>("SaveBtn")->text(), QString("Approve"));
    preview->Save();
    QVERIFY(TickUntil([&] { return preview.isNull(); }));
    QVERIFY(!QFileInfo::exists(approved));

    // Changed processing: the clip is written over the window's name without asking.
    preview = open();
    preview->findChild<QSlider*>("BrightTrackBar")->setValue(400);
    preview->Save();
    QVERIFY(TickUntil([&] { return preview.isNull(); }, 500));
    QCOMPARE(SavedFrameCount(approved), 3);
    QVERIFY(!asked);
}

QTEST_MAIN(SequencePreviewTest)
#include "sequence_preview_test.moc"
