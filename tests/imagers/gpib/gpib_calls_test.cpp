#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "fake_gpib.h"
#include "imagers/gpib/gpib.h"

namespace fw {
namespace {

constexpr int kCmpl = 0x0100;
constexpr int kEnd = 0x2000;

class GpibCalls : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gpib_.Load()); }

    // Counts the names the wrapper looks up, then looks them up for real.
    void CountLookups()
    {
        gpib_.SetSymbolLookup([this](void* handle, const char* name) {
            ++lookups_[name];
            return dlsym(handle, name);
        });
    }

    TGPIB gpib_ { nullptr, FW_FAKE_GPIB_DRIVER };
    FakeGpib fake_;
    std::map<std::string, int> lookups_;
};

TEST_F(GpibCalls, OperationsPassTheirArgumentsToTheDriver)
{
    fake_.Script(kCmpl);
    EXPECT_EQ(gpib_.ibconfig(3, 7, 1), kCmpl);
    EXPECT_EQ(fake_.LastCall(), "ibconfig");
    EXPECT_EQ(fake_.LastUd(), 3);
    EXPECT_EQ(fake_.LastArgument(0), 7);
    EXPECT_EQ(fake_.LastArgument(1), 1);

    gpib_.ibtmo(5, 13);
    EXPECT_EQ(fake_.LastCall(), "ibtmo");
    EXPECT_EQ(fake_.LastArgument(0), 13);
    gpib_.ibonl(5, 0);
    EXPECT_EQ(fake_.LastCall(), "ibonl");
    EXPECT_EQ(fake_.LastArgument(0), 0);
    gpib_.ibeot(5, 1);
    EXPECT_EQ(fake_.LastCall(), "ibeot");
    gpib_.ibeos(5, 0x140A);
    EXPECT_EQ(fake_.LastArgument(0), 0x140A);
    gpib_.ibdma(5, 1);
    EXPECT_EQ(fake_.LastCall(), "ibdma");
    gpib_.ibclr(6);
    EXPECT_EQ(fake_.LastCall(), "ibclr");
    EXPECT_EQ(fake_.LastUd(), 6);
}

TEST_F(GpibCalls, TransfersMoveTheBytesAndIbcntlCountsThem)
{
    const char command[] = "STA?";
    fake_.Script(kCmpl | kEnd);
    EXPECT_EQ(gpib_.ibwrt(2, command, 4), kCmpl | kEnd);
    EXPECT_EQ(fake_.Written(), "STA?");

    fake_.ScriptReply("READY\n");
    char buffer[16] = {};
    EXPECT_EQ(gpib_.ibrd(2, buffer, 3), kCmpl | kEnd);
    EXPECT_EQ(std::string(buffer, 3), "REA");
    EXPECT_EQ(gpib_.Ibcntl(), 3);

    fake_.ScriptReply("", 0x41);
    char status_byte = 0;
    gpib_.ibrsp(2, &status_byte);
    EXPECT_EQ(status_byte, 0x41);
}

TEST_F(GpibCalls, AStatusWithTheErrBitIsNegativeAndKeepsItsOtherBits)
{
    fake_.Script(TGPIB::kErrBit | kCmpl);
    const int failed = gpib_.ibclr(1);
    EXPECT_LT(failed, 0);
    EXPECT_EQ(failed & 0xFFFF, TGPIB::kErrBit | kCmpl);

    char buffer[4] = {};
    fake_.Script(TGPIB::kErrBit | TGPIB::kRqsBit);
    const int failed_with_service_request = gpib_.ibrd(1, buffer, sizeof buffer);
    EXPECT_LT(failed_with_service_request, 0);
    EXPECT_NE(failed_with_service_request & TGPIB::kRqsBit, 0);

    fake_.Script(TGPIB::kRqsBit | kEnd | kCmpl);
    EXPECT_EQ(gpib_.ibrd(1, buffer, sizeof buffer), TGPIB::kRqsBit | kEnd | kCmpl);
    // A driver that already hands out a sign-extended status is left as it is.
    fake_.Script(-0x7F00);
    EXPECT_EQ(gpib_.ibclr(1), -0x7F00);
}

TEST_F(GpibCalls, IberrAndIbcntlComeFromTheDriverAfterACall)
{
    fake_.Script(TGPIB::kErrBit, 6, 12);
    ASSERT_LT(gpib_.ibwrt(1, "x", 1), 0);
    EXPECT_EQ(gpib_.Iberr(), 6);
    EXPECT_EQ(gpib_.ErrorText(gpib_.Iberr()), QStringLiteral("I/O operation aborted (EABO)"));
    EXPECT_EQ(gpib_.ErrorMessage(), QStringLiteral("GPIB Error: I/O operation aborted (EABO)"));
    EXPECT_EQ(gpib_.Ibcntl(), 12);
}

TEST_F(GpibCalls, EachEntryPointIsLookedUpOnceUntilTheLibraryIsFreed)
{
    CountLookups();
    gpib_.ibclr(1);
    gpib_.ibclr(1);
    gpib_.ibwrt(1, "x", 1);
    gpib_.ibclr(1);
    gpib_.Iberr();
    gpib_.Iberr();
    EXPECT_EQ(
        lookups_, (std::map<std::string, int> { { "ThreadIberr", 1 }, { "ibclr", 1 }, { "ibwrt", 1 } }));

    gpib_.Unload();
    ASSERT_TRUE(gpib_.Load());
    gpib_.ibclr(1);
    EXPECT_EQ(lookups_["ibclr"], 2);
}

TEST_F(GpibCalls, SwitchingUniCodeLooksIbfindUpAgainUnderItsOnlyLinuxName)
{
    CountLookups();
    EXPECT_EQ(gpib_.ibfind(QStringLiteral("dev1")), 4);
    gpib_.SetUniCode(false);
    gpib_.ibfind(QStringLiteral("dev1"));
    EXPECT_EQ(lookups_["ibfind"], 1);

    gpib_.SetUniCode(true);
    EXPECT_EQ(gpib_.ibfind(QStringLiteral("gpib0")), 5);
    EXPECT_EQ(fake_.FoundName(), "gpib0");
    EXPECT_EQ(lookups_["ibfind"], 2);
    gpib_.SetUniCode(false);
    gpib_.ibfind(QStringLiteral("dev1"));
    EXPECT_EQ(lookups_["ibfind"], 3);
    EXPECT_EQ(lookups_.size(), 1u);
}

TEST_F(GpibCalls, IbfindPassesTheNameAndCutsLongNamesInUniCodeMode)
{
    const QString long_name(200, QLatin1Char('d'));
    EXPECT_EQ(gpib_.ibfind(long_name), 200);
    EXPECT_EQ(gpib_.ibfind(QString()), -1);

    gpib_.SetUniCode(true);
    EXPECT_EQ(gpib_.ibfind(long_name), TGPIB::kNameBufferSize_chars - 1);
    EXPECT_EQ(fake_.FoundName(), std::string(TGPIB::kNameBufferSize_chars - 1, 'd'));
}

class GpibMissingEntryPoint : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gpib_.Load()); }

    TGPIB gpib_ { nullptr, FW_FAKE_GPIB_DRIVER_PARTIAL };
    FakeGpib fake_ { FW_FAKE_GPIB_DRIVER_PARTIAL };
};

TEST_F(GpibMissingEntryPoint, TheOperationFailsWithoutCallingAndNamesTheEntryPoint)
{
    fake_.Script(kCmpl, 3);
    char status_byte = 0x55;
    EXPECT_EQ(gpib_.ibrsp(1, &status_byte), TGPIB::kFailedStatus);
    EXPECT_EQ(status_byte, 0x55);
    EXPECT_EQ(fake_.LastCall(), "");
    EXPECT_EQ(gpib_.Iberr(), 98);
    EXPECT_EQ(gpib_.MissingEntryPoint(), QStringLiteral("ibrsp"));
    EXPECT_EQ(gpib_.ErrorText(98), QStringLiteral("dlsym(ibrsp) failed (EGPR)"));
    EXPECT_EQ(gpib_.ErrorMessage(), QStringLiteral("GPIB Error: dlsym(ibrsp) failed (EGPR)"));
}

TEST_F(GpibMissingEntryPoint, TheNextCallThatResolvesClearsThePendingError)
{
    fake_.Script(kCmpl, 3);
    char status_byte = 0;
    ASSERT_LT(gpib_.ibrsp(1, &status_byte), 0);
    EXPECT_EQ(gpib_.ibclr(1), kCmpl);
    EXPECT_EQ(gpib_.Iberr(), 3);
}

} // namespace
} // namespace fw
