// A save through a clip window that the disk cannot take tells the user why, beside the code,
// and leaves the same line in the log file. A full disk is played by a limit on the size of any
// file this process writes, with the signal that limit raises ignored.

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <optional>

#include <sys/resource.h>

#include "clips/avi_encoders.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/form_test_support.h"
#include "support/log_sink.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;

namespace {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_ {};
    void (*previous_handler_)(int) = SIG_DFL;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class SaveFailureTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void saveOntoAFullDiskShowsTheSystemsReasonAndLogsIt();
    void scatterThatCannotMakeItsFolderSaysWhy();

private:
    QString path(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<TDisplayForm> openSource();
    void chooseTarget(int type, const QString& name);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> settings_;
    ScriptedPrompt prompt_;
    ChildContext context_;
};

void SaveFailureTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    settings_ = std::make_unique<SettingsStore>(path("settings.ini"));
    prompt_.clear();
    installPrompt(&prompt_);
    context_ = ChildContext {};
    context_.settings = settings_.get();
    LogSinkOptions options;
    options.to_stderr = false;
    options.file_path = path("framewright.log");
    InstallLogSink(options);
}

void SaveFailureTest::cleanup()
{
    RemoveLogSink();
    DisplaySaver::SetSaveTargetChooser(nullptr);
    installPrompt(nullptr);
    settings_.reset();
    dir_.reset();
}

std::unique_ptr<TDisplayForm> SaveFailureTest::openSource()
{
    // 40 frames of 96 x 64 in 24 bits: about 740 kB as an uncompressed clip.
    if (!test::runFfmpeg({ "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-frames:v", "40", "-c:v",
            "rawvideo", "-pix_fmt", "bgr24", path("source.avi") }))
        return nullptr;
    auto form = test::OpenClipWindow(context_, path("source.avi"));
    if (form) {
        form->Stream()->CompressOptions().fccHandler = kUncompressedCode;
        form->Stream()->CompressOptions().options_ok = true;
    }
    return form;
}

void SaveFailureTest::chooseTarget(int type, const QString& name)
{
    DisplaySaver::SetSaveTargetChooser(
        [type, name](QWidget*, const QString&, const QStringList&, int, const QString&) {
            return std::optional<DisplaySaver::SaveChoice>(DisplaySaver::SaveChoice { type, name });
        });
}

void SaveFailureTest::saveOntoAFullDiskShowsTheSystemsReasonAndLogsIt()
{
    auto form = openSource();
    QVERIFY(form);
    const QString target = path("full.avi");
    chooseTarget(1, path("full"));
    bool finished_ok = true;
    DisplayOwnerHooks hooks;
    hooks.save_finished = [&](bool ok, bool, const QString&) { finished_ok = ok; };
    form->SetHooks(hooks);
    QSignalSpy ended(&form->Saver(), &DisplaySaver::saveEnded);
    {
        FileSizeLimit limit(128 * 1024);
        form->Saver().SaveThroughWindow("Save As");
        QVERIFY(ended.count() == 1 || ended.wait(60000));
    }
    QVERIFY(!finished_ok);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(prompt_.questions().size(), size_t(1));
    const auto question = prompt_.questions().front();
    QCOMPARE(question.caption, QString("Save Failed"));
    // The window's own words first, the system's reason on the line after the code.
    QCOMPARE(question.text,
        "Error creating file " + target + "\rAVI Save Error Code: 8004406E\rCannot write " + target
            + ": File too large");
    const QByteArray log = readAll(path("framewright.log"));
    QVERIFY2(log.contains("fw.shell: Save Failed"), log.constData());
    QVERIFY2(log.contains(("Cannot write " + target + ": File too large").toUtf8()), log.constData());
    // The options that failed are asked for again at the next save.
    QVERIFY(!form->Stream()->CompressOptions().options_ok);
}

void SaveFailureTest::scatterThatCannotMakeItsFolderSaysWhy()
{
    auto form = openSource();
    QVERIFY(form);
    // A file where the frame folder should go: the scatter cannot make its folder.
    QFile blocker(path("frames"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    chooseTarget(3, path("frames/deeper"));
    QSignalSpy ended(&form->Saver(), &DisplaySaver::saveEnded);
    form->Saver().SaveThroughWindow("Save As");
    QVERIFY(ended.count() == 1 || ended.wait(60000));
    QCOMPARE(prompt_.texts(),
        QStringList({ "Error Scattering files to " + path("frames/deeper")
            + "\rError Code: 800440C7\rUnable to create directory" }));
    QVERIFY(readAll(path("framewright.log")).contains("Unable to create directory"));
}

QTEST_MAIN(SaveFailureTest)
#include "save_failure_test.moc"
