#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMap>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "imagers/hg/ro_rs485.h"
#include "imagers/hg/shared_serial_driver.h"
#include "imagers/pty_imager_line.h"

using namespace fw;
using fw::test::PtyImagerLine;

namespace {

// One imager on the line: its identifier and the payload it answers to each command code. Codes
// it has no payload for go unanswered.
struct LineImager {
    QByteArray id;
    QMap<QByteArray, QByteArray> payloads;
};

// A colour HG 2000 in Standby: attach, stop, state, temperature, splits, baud rate, address and
// identify-all.
LineImager HG2000(const QByteArray& id, const QByteArray& temperature)
{
    return { id,
        { { "01", "04210001000000000000000000" }, { "19", "" }, { "40", "00" }, { "50", temperature },
            { "65", "00" }, { "30", "00" }, { "4D", "C0A80001" }, { "54", "" } } };
}

// Each imager answers the frames carrying its identifier, and all answer a broadcast. With
// `others_first`, the other imagers answer the same code just before the addressed one does.
PtyImagerLine::Script ImagersOnLine(const QList<LineImager>& imagers, bool others_first = false)
{
    return [imagers, others_first](const QByteArray& frame) {
        const bool broadcast = !frame.startsWith('#');
        const QByteArray code = broadcast ? frame.left(2) : frame.mid(3, 2);
        QList<QByteArray> answers;
        for (const LineImager& imager : imagers) {
            if (!imager.payloads.contains(code))
                continue;
            const QByteArray answer = "#" + imager.id + "01" + code + imager.payloads.value(code) + "\r";
            if (broadcast || frame.mid(1, 2) == imager.id)
                answers.append(answer);
            else if (others_first)
                answers.prepend(answer);
        }
        return answers;
    };
}

bool RunEventsUntil(const std::function<bool()>& done)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& failure) {
        return failure.message();
    }
    return {};
}

// Collects what the program logs while it lives.
class LogCapture {
public:
    LogCapture() { previous_ = qInstallMessageHandler(&LogCapture::Take); }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static bool Contains(const QString& text)
    {
        const std::lock_guard lock(Mutex());
        return Messages().join('\n').contains(text);
    }

private:
    static void Take(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        const std::lock_guard lock(Mutex());
        Messages() << message;
    }
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static QStringList& Messages()
    {
        static QStringList messages;
        return messages;
    }

    QtMessageHandler previous_ = nullptr;
};

// Gathers the error codes the layer reports, leaving out the clearing code 0 of its idle polls.
void CollectErrors(THGCommLayer& link, std::vector<int>& errors)
{
    link.SetCommErrorHandler([&errors](int code, const QString&) {
        if (code != 0)
            errors.push_back(code);
    });
}

} // namespace

// ---- Lines on the wire ----------------------------------------------------------------------

TEST(SerialLine, ReplyLinesLoseLineFeedsAndControlCharactersAndEndInOneCarriageReturn)
{
    PtyImagerLine line([](const QByteArray& frame) -> QList<QByteArray> {
        if (frame != "#0140\r")
            return {};
        // Empty lines, then a reply split over two writes with line feeds and control
        // characters inside; characters above 13 stay.
        return { "\r\r\n#01",
            "\x01"
            "01\n40\x7f\x0e"
            "05\r\n" };
    });
    TSharedSerialDriver driver(line.DevicePath());
    TRORS485 link(driver, 1, 9600);
    QString shown;
    ASSERT_TRUE(link.SendRaw("40", [&shown](const QString& text) { shown = text; }));
    EXPECT_EQ(link.LastRawReply(),
        QByteArray("#010140\x7f\x0e"
                   "05"));
    EXPECT_TRUE(shown.endsWith(" - Success")) << shown.toStdString();
    EXPECT_EQ(line.Frames().value(0), "#0140\r");
}

TEST(SerialLine, IdentifyRunsTheAttachSequenceOverTheLine)
{
    PtyImagerLine line(ImagersOnLine({ HG2000("01", "1F") }));
    TSharedSerialDriver driver(line.DevicePath());
    TRORS485 link(driver, 1, 9600);
    ASSERT_TRUE(link.Identify(false));
    EXPECT_EQ(line.Frames().mid(0, 5),
        (QList<QByteArray> { "#010102\r", "#0119\r", "#0140\r", "#0150\r", "#0165\r" }));
    EXPECT_EQ(link.KindName(), "HG 2000 Color");
    EXPECT_EQ(link.Temperature(), 0x1F);
    EXPECT_EQ(link.ImagerState(), 0);
}

TEST(SerialLine, TwoImagersOnOnePortEachTakeOnlyTheirOwnReplies)
{
    // Every reply is preceded on the line by the other imager's reply to the same command.
    PtyImagerLine line(ImagersOnLine({ HG2000("01", "15"), HG2000("02", "23") }, true));
    TSharedSerialDriver driver(line.DevicePath());
    TRORS485 first(driver, 1, 9600);
    TRORS485 second(driver, 2, 9600);
    EXPECT_EQ(driver.Links().size(), 2u);
    EXPECT_EQ(first.ReadRegister(hgcmd::kTemp), 0x15);
    EXPECT_EQ(second.ReadRegister(hgcmd::kTemp), 0x23);
    EXPECT_EQ(first.ReadRegister(hgcmd::kTemp), 0x15);
    EXPECT_EQ(first.GetLastResult(), hgresult::kSuccess);
    EXPECT_EQ(second.GetLastResult(), hgresult::kSuccess);
}

TEST(SerialLine, ALineArrivingOutsideAnExchangeIsNotTakenAsTheNextReply)
{
    PtyImagerLine line(ImagersOnLine({ HG2000("01", "15") }));
    TSharedSerialDriver driver(line.DevicePath());
    TRORS485 link(driver, 1, 9600);
    // A late state reply reaches the link while it waits for nothing.
    line.Write("#01014007\r");
    ASSERT_TRUE(RunEventsUntil([&line] { return line.Unread() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(link.ReadRegister(hgcmd::kTemp), 0x15);
    EXPECT_EQ(link.GetLastResult(), hgresult::kSuccess);
}

TEST(SerialLine, ASilentImagerEndsTheWaitWithCommLayerTimeOut)
{
    std::atomic<bool> answering { false };
    const PtyImagerLine::Script imager = ImagersOnLine({ HG2000("01", "15") });
    PtyImagerLine line([&answering, imager](const QByteArray& frame) {
        return answering ? imager(frame) : QList<QByteArray> {};
    });
    TSharedSerialDriver driver(line.DevicePath());
    TRORS485 link(driver, 1, 9600);
    std::vector<int> errors;
    CollectErrors(link, errors);
    const LogCapture log;
    EXPECT_EQ(link.ReadRegister(hgcmd::kState), -1);
    EXPECT_EQ(link.LastError(), hgresult::kNotResponding);
    EXPECT_EQ(link.LastErrorText(), "Imager Not Responding");
    EXPECT_EQ(errors, std::vector<int> { hgresult::kNotResponding });
    EXPECT_TRUE(LogCapture::Contains("Comm Layer Time-Out"));
    EXPECT_EQ(line.Frames().value(0), "#0140\r");

    // The link keeps working once the imager answers again.
    answering = true;
    EXPECT_EQ(link.ReadRegister(hgcmd::kTemp), 0x15);
    EXPECT_EQ(link.LastError(), hgresult::kSuccess);
}

// A link whose identify-all collection is short enough for a test.
class QuickFindLink : public TRORS485 {
public:
    QuickFindLink(TSharedSerialDriver& driver, int baud_rate)
        : TRORS485(driver, 0, baud_rate)
    {
        SetIdentifyWindowMs(200);
    }
};

TEST(SerialLine, FindingImagersTakesEveryAnswerToIdentifyAll)
{
    PtyImagerLine line(ImagersOnLine({ HG2000("01", "15"), HG2000("02", "23") }));
    TSharedSerialDriver driver(line.DevicePath());
    QuickFindLink link(driver, 9600);
    std::vector<HGFoundImager> found;
    EXPECT_EQ(link.FindImagers([&found](const HGFoundImager& imager) { found.push_back(imager); }), 2);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].identifier, 1);
    EXPECT_EQ(found[1].identifier, 2);
    EXPECT_EQ(found[1].kind_name, "Kodak HG 2000");
    EXPECT_EQ(found[1].ip_text, "192.168.0.1");
    EXPECT_TRUE(line.Frames().contains("0102\r"));
    EXPECT_TRUE(line.Frames().contains("54\r"));
}

// ---- Sharing the port -----------------------------------------------------------------------

TEST(SerialPortSharing, AnImagerAtAnotherRateCannotJoinAnOpenPort)
{
    PtyImagerLine line(ImagersOnLine({}));
    TSharedSerialDriver driver(line.DevicePath());
    TRORS485 first(driver, 1, 9600);
    EXPECT_EQ(
        ErrorOf([&driver] { TRORS485 second(driver, 2, 19200); }), "Baud Rate Conflicts with Open Imagers");
    EXPECT_EQ(driver.Links().size(), 1u);
    EXPECT_EQ(driver.BaudRate(), 9600);
    EXPECT_EQ(line.LineSpeed(), speed_t(B9600));
    TRORS485 second(driver, 2, 9600);
    EXPECT_EQ(driver.Links().size(), 2u);
}

TEST(SerialPortSharing, ARateThePortRefusesLeavesItClosedForTheNextImager)
{
    PtyImagerLine line(ImagersOnLine({}));
    TSharedSerialDriver driver(line.DevicePath());
    EXPECT_EQ(ErrorOf([&driver] { TRORS485 link(driver, 1, 0); }), "Baud Rate Beyond Hardware Capabilities");
    EXPECT_FALSE(driver.IsOpen());
    EXPECT_TRUE(driver.Links().empty());
    TRORS485 link(driver, 1, 38400);
    EXPECT_TRUE(driver.IsOpen());
    EXPECT_EQ(driver.BaudRate(), 38400);
}

TEST(SerialPortSharing, AMissingPortFailsWithTheSystemsReason)
{
    TSharedSerialDriver driver("/dev/no-such-serial-port");
    const QString error = ErrorOf([&driver] { TRORS485 link(driver, 1, 9600); });
    EXPECT_TRUE(error.startsWith("Cannot open serial port")) << error.toStdString();
    EXPECT_TRUE(driver.Links().empty());
}

TEST(SerialPortSharing, TheLastImagerOutClosesThePortAndAnotherRateMayComeIn)
{
    PtyImagerLine line(ImagersOnLine({}));
    TSharedSerialDriver driver(line.DevicePath(), "Direct to pts");
    EXPECT_EQ(driver.PortName(), "Direct to pts");
    EXPECT_TRUE(driver.IsSerial());
    EXPECT_EQ(driver.Kinds(), kHGFamilyKinds);
    EXPECT_FALSE(driver.IsOpen());
    auto first = std::make_unique<TRORS485>(driver, 1, 9600);
    auto second = std::make_unique<TRORS485>(driver, 2, 9600);
    second.reset();
    EXPECT_TRUE(driver.IsOpen());
    EXPECT_EQ(driver.Links().size(), 1u);
    first.reset();
    EXPECT_FALSE(driver.IsOpen());
    EXPECT_TRUE(driver.Links().empty());
    TRORS485 again(driver, 3, 115200);
    EXPECT_TRUE(driver.IsOpen());
    EXPECT_EQ(driver.BaudRate(), 115200);
    EXPECT_EQ(line.LineSpeed(), speed_t(B115200));
}

TEST(SerialPortSharing, AnImagerLeavingWhileItWaitsForAReplyLeavesAtOnce)
{
    PtyImagerLine line(ImagersOnLine({}));
    TSharedSerialDriver driver(line.DevicePath());
    auto link = std::make_unique<TRORS485>(driver, 1, 9600);
    // Directory commands wait 15 s for their answer.
    link->StartCommand(csStrReg, hgcmd::kCardPath);
    ASSERT_TRUE(RunEventsUntil([&line] { return !line.Frames().isEmpty(); }));
    link.reset();
    EXPECT_FALSE(driver.IsOpen());
}

TEST(SerialPortSharing, BaudChangeIsRefusedWhileOtherImagersShareThePort)
{
    PtyImagerLine line(ImagersOnLine({ HG2000("01", "15"), HG2000("02", "23") }));
    TSharedSerialDriver driver(line.DevicePath());
    TRORS485 first(driver, 1, 9600);
    TRORS485 second(driver, 2, 9600);
    EXPECT_EQ(first.SetBaudIndex(2), 1);
    EXPECT_EQ(first.SetBaudIndex(4), 2);
    EXPECT_EQ(first.SetBaudIndex(-1), 2);
    EXPECT_TRUE(driver.IsOpen());
    EXPECT_EQ(driver.BaudRate(), 9600);
    EXPECT_EQ(line.LineSpeed(), speed_t(B9600));
    EXPECT_TRUE(line.Frames().isEmpty());
}

TEST(SerialPortSharing, BaudChangeWritesTheRegisterReopensThePortAndIdentifiesAgain)
{
    // The imager gives no answer to the rate change: it switches at once.
    LineImager imager = HG2000("01", "15");
    imager.payloads.remove("30");
    PtyImagerLine line(ImagersOnLine({ imager }));
    TSharedSerialDriver driver(line.DevicePath());
    TRORS485 link(driver, 1, 9600);
    std::vector<int> errors;
    CollectErrors(link, errors);
    EXPECT_EQ(link.SetBaudIndex(3), 0);
    EXPECT_TRUE(driver.IsOpen());
    EXPECT_EQ(driver.BaudRate(), 115200);
    EXPECT_EQ(line.LineSpeed(), speed_t(B115200));
    const QList<QByteArray> frames = line.Frames();
    ASSERT_GE(frames.size(), 2);
    EXPECT_EQ(frames[0], "#013003\r");
    EXPECT_EQ(frames[1], "#010102\r");
    EXPECT_TRUE(link.Identified());
    EXPECT_TRUE(errors.empty());
}
