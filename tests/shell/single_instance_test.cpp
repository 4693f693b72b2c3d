#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>

#include <QCoreApplication>
#include <QDir>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "shell/handover_message.h"
#include "shell/single_instance.h"

namespace fw {
namespace {

using Result = SingleInstance::HandOverResult;

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "single_instance_test";
    static char* argv[] = { name, nullptr };
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

QString UniqueName()
{
    static int counter = 0;
    return QStringLiteral("fw-test-%1-%2").arg(::getpid()).arg(++counter);
}

// Runs `work` on another thread while this one serves events, as two programs would.
template <typename Work> auto WhileServing(Work work)
{
    auto result = std::async(std::launch::async, work);
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    return result.get();
}

// Counts what the running program is asked to do.
struct Requests {
    explicit Requests(SingleInstance& instance)
    {
        QObject::connect(
            &instance, &SingleInstance::fileReceived, [this](const QString& name) { files << name; });
        QObject::connect(&instance, &SingleInstance::raiseRequested, [this] { ++raises; });
    }
    QStringList files;
    int raises = 0;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }
    QString name_ = UniqueName();
};

TEST_F(SingleInstanceTest, SecondStartHandsItsFileToTheFirst)
{
    SingleInstance first(name_);
    ASSERT_TRUE(first.Listen());
    Requests requests(first);
    SingleInstance second(name_);
    EXPECT_FALSE(second.Listen());

    const QString file = QStringLiteral("/data/run 7\n\u00e9.avi");
    EXPECT_EQ(WhileServing([&] { return SingleInstance::HandOver(name_, file); }), Result::Delivered);
    ASSERT_EQ(requests.files.size(), 1);
    EXPECT_EQ(requests.files.at(0), file);
    EXPECT_EQ(requests.raises, 1);

    EXPECT_EQ(WhileServing([&] { return SingleInstance::HandOver(name_, QString()); }), Result::Delivered);
    EXPECT_EQ(requests.files.size(), 1);
    EXPECT_EQ(requests.raises, 2);
}

TEST_F(SingleInstanceTest, NobodyListeningMeansNoInstance)
{
    EXPECT_EQ(SingleInstance::HandOver(name_, QStringLiteral("/a.avi"), 200, 200), Result::NoInstance);
}

TEST_F(SingleInstanceTest, SocketLeftByACrashedProgramIsTakenOver)
{
    const QString path = QDir::temp().filePath(name_);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    ASSERT_LT(size_t(native.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd); // bound, never listened: what a crash leaves behind
    ASSERT_TRUE(QFile::exists(path));

    EXPECT_EQ(SingleInstance::HandOver(name_, QStringLiteral("/a.avi"), 200, 200), Result::NoInstance);
    SingleInstance first(name_);
    ASSERT_TRUE(first.Listen());
    Requests requests(first);
    EXPECT_EQ(WhileServing([&] { return SingleInstance::HandOver(name_, QStringLiteral("/b.avi")); }),
        Result::Delivered);
    EXPECT_EQ(requests.files.size(), 1);
}

TEST_F(SingleInstanceTest, BusyFirstProgramGetsNothingAndTheSecondStillEnds)
{
    SingleInstance first(name_);
    ASSERT_TRUE(first.Listen());
    Requests requests(first);
    // This thread serves no events while the second start waits: the first program is busy.
    // The second start gives up on its own; the limit here only keeps a fault from hanging.
    auto second = std::async(std::launch::async,
        [&] { return SingleInstance::HandOver(name_, QStringLiteral("/late.avi"), 500, 300); });
    ASSERT_EQ(second.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_EQ(second.get(), Result::Busy);
    // Once the first program serves again, it has the abandoned connection to deal with before
    // the next start's: that one is all it opens.
    EXPECT_EQ(WhileServing([&] { return SingleInstance::HandOver(name_, QStringLiteral("/next.avi")); }),
        Result::Delivered);
    EXPECT_EQ(requests.files, QStringList { QStringLiteral("/next.avi") });
}

TEST_F(SingleInstanceTest, MalformedRequestsAreDroppedUnanswered)
{
    SingleInstance first(name_);
    ASSERT_TRUE(first.Listen());
    Requests requests(first);
    for (const QByteArray& request : { QByteArray("HELLO\n"), QByteArray("OPEN \n"),
             QByteArray("OPEN a%00b\n"), QByteArray(kHandOverMaxRequest + 10, 'A') }) {
        const QByteArray answer = WhileServing([&] {
            QLocalSocket socket;
            socket.connectToServer(name_);
            if (!socket.waitForConnected(30000))
                return QByteArray("no connection");
            socket.write(request);
            socket.waitForBytesWritten(30000);
            QByteArray all;
            while (socket.waitForReadyRead(30000)) // the program hangs up on a bad request
                all += socket.readAll();
            return all + socket.readAll();
        });
        EXPECT_NE(answer, QByteArray("no connection"));
        EXPECT_FALSE(answer.contains(kHandOverAck)) << request.left(20).constData();
    }
    EXPECT_EQ(requests.files.size(), 0);
    EXPECT_EQ(requests.raises, 0);
}

TEST(HandOverMessage, ParsesCompleteRequestsOnly)
{
    using Kind = HandOverRequest::Kind;
    EXPECT_EQ(ParseHandOverRequest("").kind, Kind::Incomplete);
    EXPECT_EQ(ParseHandOverRequest("OPEN /a.av").kind, Kind::Incomplete);
    EXPECT_EQ(ParseHandOverRequest("RAISE\n").kind, Kind::Raise);
    EXPECT_EQ(ParseHandOverRequest("RAISE \n").kind, Kind::Invalid);
    EXPECT_EQ(ParseHandOverRequest("open /a\n").kind, Kind::Invalid);
    EXPECT_EQ(ParseHandOverRequest(QByteArray(kHandOverMaxRequest + 1, 'x')).kind, Kind::Invalid);
    const QByteArray long_line = "OPEN " + QByteArray(kHandOverMaxRequest, 'a') + "\n";
    EXPECT_EQ(ParseHandOverRequest(long_line).kind, Kind::Invalid);
    const HandOverRequest open = ParseHandOverRequest(FormatOpenRequest(QStringLiteral("/x/100%.avi")));
    EXPECT_EQ(open.kind, Kind::Open);
    EXPECT_EQ(open.file_name, QStringLiteral("/x/100%.avi"));
}

} // namespace
} // namespace fw
