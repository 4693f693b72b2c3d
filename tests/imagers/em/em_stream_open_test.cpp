// Opening the processors' streams as the attach loop does, and the download window's processing
// values, against the simulated GPIB driver.
#include "imagers/em/em_stream_open.h"

#include <chrono>
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "clips/sharpen.h"
#include "imagers/em/em_processing.h"
#include "imagers/em/hs4540_avi.h"
#include "imagers/gpib/gpib.h"
#include "support/fw_error.h"
#include "support/settings_store.h"

namespace fw {
namespace {

// A clock that jumps 10 ms per reading: every pacing wait passes at once.
SteadyNow JumpingClock()
{
    auto now = std::make_shared<std::chrono::steady_clock::time_point>();
    return [now] { return *now += std::chrono::milliseconds(10); };
}

class EmStreamOpenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        for (const char* section : { "EM 1012", "HS 4540" })
            for (const char* name : { "InTimePad", "OutTimePad", "CharPad" })
                settings_.writeInteger(QString::fromLatin1(section), QString::fromLatin1(name), 0);
    }

    std::unique_ptr<TEM1012AVI> Open(EmModel model, const char* address)
    {
        return OpenEmStream(model, gpib_, QString::fromLatin1(address), &settings_, JumpingClock());
    }

    QTemporaryDir dir_;
    SettingsStore settings_ { dir_.filePath("settings.ini") };
    std::shared_ptr<TGPIB> gpib_ = std::make_shared<TGPIB>(nullptr, FW_GPIB_SIM_LIBRARY);
};

TEST_F(EmStreamOpenTest, TimingComesFromTheCameraTypesSection)
{
    settings_.writeInteger("HS 4540", "CharPad", 400);
    settings_.writeInteger("HS 4540", "InTimePad", 7);
    auto hs = Open(EmModel::Hs4540, ":DEV8");
    ASSERT_TRUE(dynamic_cast<T4540AVI*>(hs.get()));
    EXPECT_TRUE(hs->IsOpen());
    EXPECT_EQ(hs->Processor().Timing().byte_spacing_ms, EmTiming::kLongestByteSpacing_ms);
    EXPECT_EQ(hs->Processor().Timing().reply_delay_ms, 7);
    EXPECT_EQ(gpib_->LoadCount(), 1);

    auto em = Open(EmModel::Em1012, "GPIB0:DEV7");
    EXPECT_EQ(em->CameraType(), "EM 1012");
    EXPECT_EQ(em->Processor().Timing().byte_spacing_ms, 0);
    EXPECT_EQ(gpib_->LoadCount(), 2);
    em.reset();
    hs.reset();
    EXPECT_EQ(gpib_->LoadCount(), 0);
}

TEST_F(EmStreamOpenTest, AProcessorThatIsNotThereIsNotOpened)
{
    try {
        Open(EmModel::Em1012, "GPIB0:DEV9");
        FAIL() << "opened a processor nobody answers for";
    } catch (const Error& failure) {
        EXPECT_TRUE(failure.message().startsWith("Imager Not Opened: ")) << failure.message().toStdString();
    }
    EXPECT_EQ(gpib_->LoadCount(), 0);
}

TEST_F(EmStreamOpenTest, AFrameAccessThatEndsEarlyLeavesNoUploadRunning)
{
    auto em = Open(EmModel::Em1012, ":DEV7");
    EmRecordingInfo info;
    ASSERT_TRUE(em->ReadRecordingInfo(info));
    em->SetFrames(info.first_frame, 5, 1);
    em->SetPrefetch(true);
    FrameAccess* access = nullptr;
    ASSERT_TRUE(em->BeginFrameAccess(access));
    std::int32_t size = 0;
    const std::uint8_t* frame = nullptr;
    ASSERT_TRUE(em->GetFrame(access, 0, size, frame));
    // A save stopped here: frame 1 was already asked for.
    em->EndFrameAccess(access);
    EXPECT_FALSE(em->Processor().Busy());
    EXPECT_GT(em->Processor().GetState(), 0);
}

TEST(EmWindowValuesTest, SettingsWindowHandOverComesBackUnchanged)
{
    TEM1012AVI stream(nullptr);
    EmStreamSettings values;
    values.brightness = 1.6;
    values.gamma = 2.4;
    values.sharpness = -0.6;
    values.filter = 2;
    values.invert = true;
    values.mirror = true;
    values.cropping = true;
    values.crop = FrameRect { 8, 4, 71, 35 };
    values.crop_color = Qt::green;
    values.settings_file = "/tmp/em.ips";
    EmApplyValues(values, stream);
    EXPECT_EQ(stream.Sharpen().Filter(), SharpenFilter::Clip);

    const ProcessingSettings settings = EmWindowHandOver(stream, values, true);
    TEM1012AVI other(nullptr);
    EmStreamSettings taken;
    EXPECT_TRUE(EmWindowTakeBack(settings, other, taken));
    EXPECT_NEAR(taken.brightness, 1.6, 0.01);
    EXPECT_NEAR(taken.gamma, 2.4, 0.01);
    EXPECT_NEAR(taken.sharpness, -0.6, 0.01);
    EXPECT_EQ(taken.filter, 2);
    EXPECT_TRUE(taken.invert && taken.mirror && taken.cropping);
    EXPECT_EQ(taken.crop.left, 8);
    EXPECT_EQ(taken.crop.bottom, 35);
    EXPECT_EQ(taken.crop_color, QColor(Qt::green));
    EXPECT_EQ(taken.settings_file, "/tmp/em.ips");
    // The stream previews the whole picture; the crop is the window's to apply when saving.
    EXPECT_EQ(other.OutputWidth(), other.PictureWidth());
    EXPECT_TRUE(other.Invert());
}

} // namespace
} // namespace fw
