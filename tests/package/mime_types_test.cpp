#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>

#include <string>

#include <gtest/gtest.h>

namespace {

// The file types the package defines, as a desktop's MIME database sees them: a data folder
// holding the system's own definitions and ours, and nothing else.
class MimeTypesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        data_ = new QTemporaryDir;
        const QString packages = data_->filePath(QStringLiteral("mime/packages"));
        ASSERT_TRUE(QDir().mkpath(packages));
        ASSERT_TRUE(QFile::link(QStringLiteral("/usr/share/mime/packages/freedesktop.org.xml"),
            packages + QStringLiteral("/freedesktop.org.xml")));
        ASSERT_TRUE(QFile::copy(QStringLiteral(FW_SOURCE_DIR "/packaging/framewright-mime.xml"),
            packages + QStringLiteral("/framewright.xml")));
        qputenv("XDG_DATA_HOME", data_->filePath(QStringLiteral("home")).toUtf8());
        qputenv("XDG_DATA_DIRS", data_->path().toUtf8());
    }
    static void TearDownTestSuite()
    {
        delete data_;
        data_ = nullptr;
    }

    // The type of a file of that name holding those bytes.
    static std::string NameOf(const QMimeType& type) { return type.name().toStdString(); }
    QMimeType TypeOf(const QString& name, const QByteArray& bytes)
    {
        const QString path = files_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        return QMimeDatabase().mimeTypeForFile(path);
    }

    static inline QTemporaryDir* data_ = nullptr;
    QTemporaryDir files_;
};

const QByteArray kAviStart = QByteArray("RIFF\x10\0\0\0", 8) + "AVI LIST";

TEST_F(MimeTypesTest, ClipsAreKnownByTheirExtensionAndKfsIsAKindOfAvi)
{
    const QMimeType kfs = TypeOf(QStringLiteral("Spinning Disc.kfs"), kAviStart);
    EXPECT_EQ(NameOf(kfs), "video/x-framewright-kfs");
    EXPECT_TRUE(kfs.inherits(QStringLiteral("video/x-msvideo"))) << "players of AVI files take it too";
    EXPECT_EQ(NameOf(TypeOf(QStringLiteral("Falling Ball.avi"), kAviStart)), "video/x-msvideo")
        << "an AVI clip stays an AVI clip";
}

TEST_F(MimeTypesTest, BayFramesAreKnownByTheirExtension)
{
    EXPECT_EQ(
        NameOf(TypeOf(QStringLiteral("F-0050.bay"), QByteArray(4096, '\x20'))), "image/x-framewright-bay");
}

TEST_F(MimeTypesTest, SettingsFilesAreTextAndLeavePatchFilesAlone)
{
    const QMimeType settings = TypeOf(QStringLiteral("hot.ips"), "[Scaling]\r\nTrackMax=500\r\n");
    EXPECT_EQ(NameOf(settings), "application/x-framewright-ips");
    EXPECT_TRUE(settings.inherits(QStringLiteral("text/plain"))) << "text editors open it";
    EXPECT_EQ(NameOf(TypeOf(QStringLiteral("game.ips"), QByteArray("PATCH") + QByteArray(5, '\0') + "EOF")),
        "application/x-ips-patch");
}

TEST_F(MimeTypesTest, SignalFilesKeepThePlainTextType)
{
    EXPECT_EQ(NameOf(TypeOf(QStringLiteral("Pressure.txt"), "12.5\t13.1\n12.7\t13.0\n")), "text/plain");
    EXPECT_EQ(NameOf(TypeOf(QStringLiteral("Falling Ball Force.txt"), "[Scaling]\n")), "text/plain")
        << "the settings files' magic does not take over text files";
}

} // namespace
