#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "fake_gpib.h"
#include "imagers/gpib/gpib.h"

namespace fw {
namespace {

constexpr const char* kMissingLibrary = "/nonexistent/libgpib-missing.so.0";

TEST(GpibLoad, CountedLoadsKeepTheLibraryUntilTheLastUnload)
{
    TGPIB gpib(nullptr, FW_FAKE_GPIB_DRIVER);
    ASSERT_TRUE(gpib.Load());
    ASSERT_TRUE(gpib.Load());
    EXPECT_EQ(gpib.LoadCount(), 2);

    gpib.Unload();
    EXPECT_TRUE(gpib.IsLoaded());
    EXPECT_TRUE(LibraryMapped(FW_FAKE_GPIB_DRIVER));

    gpib.Unload();
    EXPECT_FALSE(gpib.IsLoaded());
    EXPECT_FALSE(LibraryMapped(FW_FAKE_GPIB_DRIVER));
}

TEST(GpibLoad, AnUnloadWithoutItsLoadDoesNotFreeALaterOne)
{
    TGPIB gpib(nullptr, FW_FAKE_GPIB_DRIVER);
    gpib.Unload();
    ASSERT_TRUE(gpib.Load());
    ASSERT_TRUE(gpib.Load());
    gpib.Unload();
    EXPECT_TRUE(gpib.IsLoaded());
    EXPECT_EQ(gpib.LoadCount(), 1);
}

TEST(GpibLoad, DestructionFreesALibraryStillLoaded)
{
    {
        TGPIB gpib(nullptr, FW_FAKE_GPIB_DRIVER);
        ASSERT_TRUE(gpib.Load());
        ASSERT_TRUE(LibraryMapped(FW_FAKE_GPIB_DRIVER));
    }
    EXPECT_FALSE(LibraryMapped(FW_FAKE_GPIB_DRIVER));
}

TEST(GpibLoad, AMissingLibraryIsReportedWithTheLoadersText)
{
    ASSERT_EQ(dlopen(kMissingLibrary, RTLD_NOW), nullptr);
    const QString loader_text = QString::fromLocal8Bit(dlerror());
    ASSERT_FALSE(loader_text.isEmpty());

    TGPIB gpib(nullptr, kMissingLibrary);
    EXPECT_FALSE(gpib.Load());
    EXPECT_EQ(gpib.LoadCount(), 0);
    EXPECT_FALSE(gpib.IsLoaded());
    EXPECT_EQ(gpib.Iberr(), 99);
    const QString expected
        = QStringLiteral("dlopen(/nonexistent/libgpib-missing.so.0) failed (EDLL): ") + loader_text;
    EXPECT_EQ(gpib.ErrorText(99), expected);
    EXPECT_EQ(gpib.ErrorMessage(), QStringLiteral("GPIB Error: ") + expected);
}

TEST(GpibLoad, OperationsWithoutALibraryFailAndSaySoInsteadOfCallingAnything)
{
    TGPIB gpib(nullptr, kMissingLibrary);
    EXPECT_EQ(gpib.ibclr(1), TGPIB::kFailedStatus);
    EXPECT_LT(gpib.ibclr(1), 0);
    EXPECT_EQ(gpib.Iberr(), 99);
    EXPECT_EQ(gpib.ErrorText(99), QStringLiteral("dlopen(/nonexistent/libgpib-missing.so.0) failed (EDLL)"));
    EXPECT_EQ(gpib.ibfind(QStringLiteral("dev1")), TGPIB::kFindUnavailable);
    EXPECT_EQ(gpib.Ibcntl(), 0);
    EXPECT_EQ(gpib.Iberr(), 99);
}

// The cached addresses point into the mapping; using them after it is gone would crash.
TEST(GpibLoad, TheLastUnloadForgetsTheEntryPointsAndAReloadFindsThemAgain)
{
    TGPIB gpib(nullptr, FW_FAKE_GPIB_DRIVER);
    ASSERT_TRUE(gpib.Load());
    EXPECT_GE(gpib.ibclr(1), 0);
    gpib.Unload();
    ASSERT_FALSE(LibraryMapped(FW_FAKE_GPIB_DRIVER));

    EXPECT_EQ(gpib.ibclr(1), TGPIB::kFailedStatus);
    EXPECT_EQ(gpib.Iberr(), 99);

    ASSERT_TRUE(gpib.Load());
    FakeGpib fake;
    fake.Script(0x100);
    EXPECT_EQ(gpib.ibclr(4), 0x100);
    EXPECT_EQ(fake.LastUd(), 4);
}

TEST(GpibLoad, TheLibraryNameComesFromTheEnvironmentElseLinuxGpib)
{
    ASSERT_EQ(setenv("FRAMEWRIGHT_GPIB_LIBRARY", "/opt/gpib/libgpibapi.so", 1), 0);
    EXPECT_EQ(GpibLibraryName(), QStringLiteral("/opt/gpib/libgpibapi.so"));
    EXPECT_EQ(TGPIB().LibraryName(), QStringLiteral("/opt/gpib/libgpibapi.so"));
    ASSERT_EQ(setenv("FRAMEWRIGHT_GPIB_LIBRARY", "", 1), 0);
    EXPECT_EQ(GpibLibraryName(), QStringLiteral("libgpib.so.0"));
    ASSERT_EQ(unsetenv("FRAMEWRIGHT_GPIB_LIBRARY"), 0);
    EXPECT_EQ(GpibLibraryName(), QStringLiteral("libgpib.so.0"));
}

} // namespace
} // namespace fw
