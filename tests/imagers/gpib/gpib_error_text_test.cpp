#include <gtest/gtest.h>

#include "imagers/gpib/gpib.h"
#include "imagers/gpib/gpib_error_text.h"

namespace fw {
namespace {

TEST(GpibErrorText, DriverCodesHaveTheirTextsAndTheGapsAFallback)
{
    EXPECT_EQ(GpibDriverErrorText(0), QStringLiteral("System error (EDVR)"));
    EXPECT_EQ(GpibDriverErrorText(2), QStringLiteral("Write function detected no Listeners (ENOL)"));
    EXPECT_EQ(GpibDriverErrorText(8), QStringLiteral("Error performing DMA (EDMA)"));
    EXPECT_EQ(GpibDriverErrorText(10), QStringLiteral("I/O operation started before previous (EOIP)"));
    EXPECT_EQ(GpibDriverErrorText(14), QStringLiteral("Command error during device call (EBUS)"));
    EXPECT_EQ(GpibDriverErrorText(16), QStringLiteral("SRQ remains asserted (ESRQ)"));
    EXPECT_EQ(GpibDriverErrorText(20), QStringLiteral("The return buffer is full (ETAB)"));
    EXPECT_EQ(GpibDriverErrorText(21), QStringLiteral("Address or board is locked (ELCK)"));
    for (int gap : { 9, 13, 17, 18, 19, 22, 97, 100, -1 }) {
        EXPECT_EQ(GpibDriverErrorText(gap), QStringLiteral("GPIB Error #%1").arg(gap));
    }
    EXPECT_EQ(GpibDriverErrorText(-1), QStringLiteral("GPIB Error #-1"));
}

TEST(GpibErrorText, TheWrapperAddsItsOwnCodesOnly)
{
    const TGPIB gpib(nullptr, QStringLiteral("libnothing.so"));
    EXPECT_EQ(gpib.ErrorText(98), QStringLiteral("dlsym() failed (EGPR)"));
    EXPECT_EQ(gpib.ErrorText(99), QStringLiteral("dlopen(libnothing.so) failed (EDLL)"));
    EXPECT_EQ(gpib.ErrorText(9), QStringLiteral("GPIB Error #9"));
    EXPECT_EQ(gpib.ErrorText(6), QStringLiteral("I/O operation aborted (EABO)"));
}

} // namespace
} // namespace fw
