#include "imagers/capture/capture_settings.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>

#include "imagers/capture/capture_ring.h"
#include "support/settings_store.h"

namespace fw {

namespace {

const QString kSection = QStringLiteral("CaptureIMAQ");
constexpr int kMaxThreshold = 999;
constexpr int kMaxRateIndex = 2;
// The time base's values are named after the section inside it.
const QString kTimeAtFrame0 = QStringLiteral("CaptureIMAQ\\TimeAtFrame0");
const QString kTimePerFrame = QStringLiteral("CaptureIMAQ\\TimePerFrame");

} // namespace

CaptureWindowSettings CaptureWindowSettings::Read(const SettingsStore& store)
{
    CaptureWindowSettings s;
    s.progress = store.readBool(kSection, QStringLiteral("Progress"), s.progress);
    s.use_trigger = store.readBool(kSection, QStringLiteral("UseTrig"), s.use_trigger);
    s.trigger_level = std::clamp(
        store.readInteger(kSection, QStringLiteral("TrigLevel"), s.trigger_level), 0, kMaxThreshold);
    s.total_frames = std::max(store.readInteger(kSection, QStringLiteral("TotalFrames"), s.total_frames), 1);
    s.capture_rate = std::clamp(
        store.readInteger(kSection, QStringLiteral("CaptureRate"), s.capture_rate), 0, kMaxRateIndex);
    s.resolution = std::clamp(store.readInteger(kSection, QStringLiteral("Resolution"), s.resolution), 0, 1);
    s.buffers_wanted = TCaptureRing::ClampWanted(
        store.readInteger(kSection, QStringLiteral("BuffersWanted"), s.buffers_wanted));
    s.time_at_frame0_ms = store.readFloat(kSection, kTimeAtFrame0, s.time_at_frame0_ms);
    const double period = store.readFloat(kSection, kTimePerFrame, s.time_per_frame_ms);
    if (period > 0.0) {
        s.time_per_frame_ms = period;
    }
    s.region_on = store.readBool(kSection, QStringLiteral("Cropping"), s.region_on);
    s.crop_color
        = static_cast<uint32_t>(store.readInteger(kSection, QStringLiteral("CropColor"), int(s.crop_color)))
        & 0xFFFFFFu;
    CaptureRegion& r = s.region;
    r.left = store.readInteger(kSection, QStringLiteral("CropLeft"), r.left);
    r.right = store.readInteger(kSection, QStringLiteral("CropRight"), r.right);
    r.top = store.readInteger(kSection, QStringLiteral("CropTop"), r.top);
    r.bottom = store.readInteger(kSection, QStringLiteral("CropBottom"), r.bottom);
    return s;
}

void CaptureWindowSettings::Write(SettingsStore& store) const
{
    store.writeBool(kSection, QStringLiteral("Progress"), progress);
    store.writeBool(kSection, QStringLiteral("UseTrig"), use_trigger);
    store.writeInteger(kSection, QStringLiteral("TrigLevel"), trigger_level);
    store.writeInteger(kSection, QStringLiteral("TotalFrames"), total_frames);
    store.writeInteger(kSection, QStringLiteral("CaptureRate"), capture_rate);
    store.writeInteger(kSection, QStringLiteral("Resolution"), resolution);
    store.writeInteger(kSection, QStringLiteral("BuffersWanted"), buffers_wanted);
    store.writeFloat(kSection, kTimeAtFrame0, time_at_frame0_ms);
    store.writeFloat(kSection, kTimePerFrame, time_per_frame_ms);
    store.writeBool(kSection, QStringLiteral("Cropping"), region_on);
    store.writeInteger(kSection, QStringLiteral("CropColor"), int(crop_color));
    store.writeInteger(kSection, QStringLiteral("CropLeft"), region.left);
    store.writeInteger(kSection, QStringLiteral("CropRight"), region.right);
    store.writeInteger(kSection, QStringLiteral("CropTop"), region.top);
    store.writeInteger(kSection, QStringLiteral("CropBottom"), region.bottom);
}

QString ProposedCaptureName(const QString& last_saved_file)
{
    const QString folder = last_saved_file.isEmpty() ? QString() : QFileInfo(last_saved_file).dir().dirName();
    return folder.isEmpty() || folder == QLatin1String(".") ? QStringLiteral("Capture") : folder;
}

} // namespace fw
