#include "shell/save_progress.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

constexpr std::int64_t kT0 = 1'000'000;

TEST(SaveProgress, FirstEstimateOnlyAfterTenSecondsThenAtMostEveryTen)
{
    SaveProgress progress;
    EXPECT_FALSE(progress.Report(0, kT0, false).estimate);
    EXPECT_FALSE(progress.Report(20, kT0 + 9'000, false).estimate);
    EXPECT_FALSE(progress.Report(30, kT0 + 10'000, false).estimate); // not more than 10 s yet
    const auto first = progress.Report(50, kT0 + 10'001, false);
    ASSERT_TRUE(first.estimate);
    EXPECT_EQ(*first.estimate, QStringLiteral("10 Seconds Remaining"));
    EXPECT_FALSE(progress.Report(60, kT0 + 15'000, false).estimate);
    EXPECT_FALSE(progress.Report(70, kT0 + 20'001, false).estimate);
    EXPECT_TRUE(progress.Report(80, kT0 + 20'002, false).estimate);
}

TEST(SaveProgress, RestartAtZeroAndMissingStartTakeAFreshStartTick)
{
    SaveProgress progress;
    // The first report is already past zero: its time is the start, not tick 0.
    EXPECT_FALSE(progress.Report(10, kT0, false).estimate);
    EXPECT_FALSE(progress.Report(20, kT0 + 10'000, false).estimate);
    // A second save on the same panel starts over.
    progress.Report(0, kT0 + 60'000, false);
    EXPECT_FALSE(progress.Report(40, kT0 + 69'000, false).estimate);
    const auto estimate = progress.Report(50, kT0 + 72'000, false);
    ASSERT_TRUE(estimate.estimate);
    EXPECT_EQ(*estimate.estimate, QStringLiteral("12 Seconds Remaining"));
}

TEST(SaveProgress, CancelAnswersTheAbortCodeAndOtherwiseZero)
{
    SaveProgress progress;
    EXPECT_EQ(progress.Report(0, kT0, false).answer, 0);
    EXPECT_EQ(progress.Report(100, kT0 + 20'000, false).answer, 0);
    const auto cancelled = progress.Report(50, kT0 + 40'000, true);
    EXPECT_EQ(cancelled.answer, kAviErrUserAbort);
    EXPECT_LT(cancelled.answer, 0); // savers stop on any negative answer
    EXPECT_FALSE(cancelled.estimate);
}

TEST(SaveProgress, RemainingTimeExtrapolatesWithoutDividingByZero)
{
    EXPECT_EQ(RemainingHundredths(25, 12'000), 3600);
    EXPECT_EQ(RemainingHundredths(0, 12'000), 0);
    EXPECT_EQ(RemainingHundredths(-3, 12'000), 0);
    EXPECT_EQ(RemainingHundredths(100, 12'000), 0);
    EXPECT_EQ(RemainingHundredths(150, 12'000), 0);
    // A day at 1 %: large figures stay exact.
    EXPECT_EQ(RemainingHundredths(1, 86'400'000), 99LL * 8'640'000);

    SaveProgress progress;
    progress.Report(0, kT0, false);
    const auto done = progress.Report(100, kT0 + 30'000, false);
    ASSERT_TRUE(done.estimate);
    EXPECT_EQ(*done.estimate, QStringLiteral("0 Seconds Remaining"));
}

TEST(SaveProgress, TextSwitchesToMinutesAboveNinetySecondsWithTwoDigitSeconds)
{
    EXPECT_EQ(RemainingText(9'099), QStringLiteral("90 Seconds Remaining"));
    EXPECT_EQ(RemainingText(9'100), QStringLiteral("Time Remaining 1:31"));
    EXPECT_EQ(RemainingText(12'500), QStringLiteral("Time Remaining 2:05"));
    EXPECT_EQ(RemainingText(36'000), QStringLiteral("Time Remaining 6:00"));
    EXPECT_EQ(RemainingText(366'000), QStringLiteral("Time Remaining 61:00"));
}

TEST(SaveFinished, FailureTextsCarryTheCodeAsEightUpperCaseHexDigits)
{
    EXPECT_EQ(ErrorCodeHex(0x1F), QStringLiteral("0000001F"));
    EXPECT_EQ(ErrorCodeHex(static_cast<std::int32_t>(0x80044065u)), QStringLiteral("80044065"));

    const auto dir = SaveFailureMessage(SaveTargetKind::Directory, QStringLiteral("/data/run"), 0xAB, false);
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->text, QStringLiteral("Error Scattering files to /data/run\rError Code: 000000AB"));
    EXPECT_EQ(dir->caption, QStringLiteral("Scatter/Save Failed"));

    const auto clip = SaveFailureMessage(
        SaveTargetKind::Clip, QStringLiteral("/data/a.avi"), static_cast<std::int32_t>(0x8004406Cu), false);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->text, QStringLiteral("Error creating file /data/a.avi\rAVI Save Error Code: 8004406C"));
    EXPECT_EQ(clip->caption, QStringLiteral("Save Failed"));
}

TEST(SaveFinished, SuccessAndUserStopsAreSilent)
{
    const QString target = QStringLiteral("/data/a.avi");
    EXPECT_FALSE(SaveFailureMessage(SaveTargetKind::Clip, target, 0, false));
    EXPECT_FALSE(SaveFailureMessage(SaveTargetKind::Clip, target, kAviErrUserAbort, false));
    EXPECT_FALSE(SaveFailureMessage(SaveTargetKind::Directory, target, kAviErrUserAbort, false));
    EXPECT_FALSE(SaveFailureMessage(SaveTargetKind::Clip, target, -5, true));
}

TEST(SaveFinished, RenameFailureNamesBothFiles)
{
    const auto message = RenameFailureMessage(QStringLiteral("/d/~a.avi"), QStringLiteral("/d/a.avi"));
    EXPECT_EQ(message.text, QStringLiteral("Could not Rename /d/~a.avi\rto /d/a.avi"));
    EXPECT_EQ(message.caption, QStringLiteral("Rename Failed"));
}

} // namespace
} // namespace fw
