#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "clips/bayer.h"
#include "clips/bayer_preview_values.h"
#include "support/settings_store.h"

namespace fw {
namespace {

TEST(BayerPreviewValuesTest, DefaultsAreTheOriginalSettings)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("s.ini"));
    const BayerPreviewValues values = ReadBayerPreviewValues(store);
    EXPECT_EQ(values.first_frame, "1");
    EXPECT_EQ(values.end_frame, "1");
    EXPECT_EQ(values.interval, 1);
    EXPECT_EQ(values.Position(TrackTag::Brightness), 250);
    EXPECT_NEAR(values.Value(TrackTag::Gamma), 1.8F, 0.01F);
    EXPECT_NEAR(values.Value(TrackTag::Sharpness), 1.0F, 0.01F);
    EXPECT_EQ(values.filter_index, 2);
    EXPECT_EQ(values.color_temperature, 2);
    EXPECT_FALSE(values.save_bayer_files);
}

TEST(BayerPreviewValuesTest, StoredValuesComeBackAndWildOnesAreBroughtInRange)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("s.ini"));
    BayerPreviewValues values;
    values.first_frame = "F00003";
    values.end_frame = "F00009";
    values.interval = 3;
    values.SetPosition(TrackTag::RedGain, TrackPosition(TrackTag::RedGain, 2.6F));
    values.color_temperature = 1;
    values.tone_curve = true;
    values.save_bayer_files = true;
    WriteBayerPreviewValues(store, values);
    EXPECT_EQ(store.readInteger("Bayer", "Red Gain", 0), 2600);

    const BayerPreviewValues back = ReadBayerPreviewValues(store);
    EXPECT_EQ(back.first_frame, "F00003");
    EXPECT_EQ(back.end_frame, "F00009");
    EXPECT_EQ(back.interval, 3);
    EXPECT_NEAR(back.Value(TrackTag::RedGain), 2.6F, 0.01F);
    EXPECT_EQ(back.color_temperature, 1);
    EXPECT_TRUE(back.tone_curve);
    EXPECT_TRUE(back.save_bayer_files);

    store.writeInteger("Bayer", "Brightness", 99000);
    store.writeInteger("Bayer", "ColorTemp", 17);
    store.writeInteger("Bayer", "Filter", -4);
    store.writeInteger("Bayer", "FrameInterval", 0);
    const BayerPreviewValues wild = ReadBayerPreviewValues(store);
    EXPECT_EQ(wild.Position(TrackTag::Brightness), kTrackMax);
    EXPECT_EQ(wild.color_temperature, 3);
    EXPECT_EQ(wild.filter_index, 0);
    EXPECT_EQ(wild.interval, 1);
}

TEST(BayerPreviewValuesTest, ProcessingReachesThePipelineAndTheWrittenWords)
{
    BayerPreviewValues values;
    values.SetPosition(TrackTag::Brightness, TrackPosition(TrackTag::Brightness, 2.0F));
    values.SetPosition(TrackTag::BlueGain, TrackPosition(TrackTag::BlueGain, 0.5F));
    values.filter_index = 3;
    values.color_temperature = 0;
    values.tone_curve = true;
    TBayer source;
    ApplyBayerProcessing(values, source);
    const ProcessingPipeline& pipeline = source.Pipeline();
    EXPECT_NEAR(pipeline.Gains()[0], 2.0F, 0.02F);
    EXPECT_NEAR(pipeline.Gains()[2], 1.0F, 0.02F);
    EXPECT_EQ(pipeline.ColorTemperatureIndex(), 0);
    EXPECT_TRUE(pipeline.ToneCurve());
    EXPECT_EQ(pipeline.Sharpen().Filter(), SharpenFilter::Linear);

    const BayProcessingWords& words = source.Writer().Words();
    EXPECT_EQ(words[size_t(BayWord::Magic)], kBayProcessingMagic);
    // The bars land on 2.002 and 0.504: the words carry what the bars hold.
    EXPECT_EQ(words[size_t(BayWord::Brightness)], 2002);
    EXPECT_EQ(words[size_t(BayWord::BlueGain)], 504);
    EXPECT_EQ(words[size_t(BayWord::FilterIndex)], 3);
    EXPECT_EQ(words[size_t(BayWord::ToneCurve)], 1);
}

TEST(BayerPreviewValuesTest, SettingsWindowShowsTheBayerControlsAndGivesThemBack)
{
    BayerPreviewValues values;
    values.SetPosition(TrackTag::Gamma, 400);
    values.color_temperature = 3;
    values.tone_curve = true;
    values.settings_file = "/lab/run.ips";
    ProcessingSettings settings = HandOverBayerValues(values);
    EXPECT_EQ(settings.Number(SettingsNumber::Gamma), 400);
    EXPECT_EQ(settings.ChoiceText(SettingsChoice::ColorTemp), "Flourescent");
    EXPECT_EQ(settings.ChoiceText(SettingsChoice::Filter), "Clip");
    EXPECT_TRUE(settings.Checked(SettingsCheck::ToneCurve));
    EXPECT_EQ(settings.ConnectedPath(), "/lab/run.ips");

    settings.SetNumber(SettingsNumber::Red, 100);
    settings.SetChoiceIndex(SettingsChoice::ColorTemp, 1);
    settings.SetChecked(SettingsCheck::ToneCurve, false);
    BayerPreviewValues back = values;
    TakeBackBayerValues(settings, back);
    EXPECT_EQ(back.Position(TrackTag::RedGain), 100);
    EXPECT_EQ(back.Position(TrackTag::Gamma), 400);
    EXPECT_EQ(back.color_temperature, 1);
    EXPECT_FALSE(back.tone_curve);
    EXPECT_EQ(back.settings_file, "/lab/run.ips");
}

} // namespace
} // namespace fw
