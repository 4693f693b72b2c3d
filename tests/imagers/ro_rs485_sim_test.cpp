#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include "imagers/hg/ro_rs485.h"
#include "imagers/hg/shared_serial_driver.h"
#include "imagers/unused_udp_port.h"

using namespace fw;

namespace {

constexpr int kSimStartMs = 20000;

// fw-imager-sim with imagers on its pseudo-terminal line; ended with the object.
class SerialSimulator {
public:
    explicit SerialSimulator(const QStringList& imagers)
    {
        QStringList args;
        for (const QString& imager : imagers)
            args << QStringLiteral("--serial") << imager;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FRAMEWRIGHT_IMAGER_PORT"), QString::number(test::UnusedUdpPort()));
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(FW_BIN_DIR "/fw-imager-sim"), args);
        while (process_.waitForReadyRead(kSimStartMs)) {
            while (process_.canReadLine()) {
                const QString line = QString::fromUtf8(process_.readLine()).trimmed();
                if (line.startsWith(QLatin1String("serial ")))
                    device_ = line.mid(7);
                if (line == QLatin1String("ready"))
                    return;
            }
        }
    }
    ~SerialSimulator()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished();
    }
    SerialSimulator(const SerialSimulator&) = delete;
    SerialSimulator& operator=(const SerialSimulator&) = delete;

    QString Device() const { return device_; }
    QByteArray Errors() { return process_.readAllStandardError(); }

private:
    QProcess process_;
    QString device_;
};

} // namespace

// The imager simulator was written from the imager's side of the protocol, apart from the link.
TEST(SerialLineWithSimulator, TwoImagersOnTheLineIdentifyAndListTheCard)
{
    SerialSimulator sim({ "4:1", "2:2:mono" });
    ASSERT_FALSE(sim.Device().isEmpty()) << sim.Errors().constData();
    TSharedSerialDriver driver(sim.Device());
    TRORS485 hg2000(driver, 1, 9600);
    TRORS485 ro(driver, 2, 9600);

    ASSERT_TRUE(hg2000.Identify(true));
    EXPECT_EQ(hg2000.KindName(), "HG 2000 Color");
    ASSERT_TRUE(ro.Identify(false));
    EXPECT_EQ(ro.KindName(), "RO Monochrome");
    EXPECT_EQ(hg2000.ReadRegister(hgcmd::kTemp), 30);

    const QStringList card = hg2000.ListDirectory("/");
    EXPECT_EQ(hg2000.LastError(), hgresult::kSuccess) << hg2000.LastErrorText().toStdString();
    ASSERT_FALSE(card.isEmpty());
    EXPECT_EQ(card.first(), "[ROOT]");
    // Entry lines carry the name in columns 1-8 and the extension in 11-13.
    EXPECT_EQ(card.filter(QRegularExpression("^README +TXT ")).size(), 1) << card.join('|').toStdString();
    EXPECT_EQ(ro.GetLastResult(), hgresult::kSuccess);
}
