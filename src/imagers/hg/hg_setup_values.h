#pragma once

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fw {

// The choices of the setup window's lists and the way its controls become register values.

// ---- Lists --------------------------------------------------------------------------------

// "Video Playback Rate", indexed as the "Play Rate" register.
QStringList HGPlayRateNames();
// "Delay (ms)": "none", then i x 54 for i = 1 to 100, indexed as the "Record Delay" register.
QStringList HGRecordDelayNames();
// "Auto Save": the first three are "Download Start" values, the last switches saving off.
QStringList HGAutoSaveNames();
inline constexpr int kHGAutoSaveDisabled = 3;
// "Color Balance Type", indexed as the "White Balance" register.
QStringList HGWhiteBalanceNames();
inline constexpr int kHGWhitePatchBalance = 3;
// "Video Output Mode"; the "VideoMode" register holds the index + 1.
QStringList HGVideoModeNames();

// ---- Rear panel ---------------------------------------------------------------------------

// "One Button Record Mode".
enum class HGOneButtonMode { Off = 0, RecordPlay = 1, RecordDownload = 2 };
QStringList HGOneButtonModeNames();

// "AutoAcq": 256 when one-button recording is on, plus the auto-exposure flag.
uint32_t HGAutoAcqValue(HGOneButtonMode mode, bool auto_exposure);
bool HGAutoAcqExposure(int32_t auto_acq);
// The mode the registers describe: off unless "AutoAcq" has its one-button bit; then
// Rec+Download when "Auto Save" reads 1.
HGOneButtonMode HGOneButtonModeOf(int32_t auto_acq, int32_t auto_save);

// ---- Recording ----------------------------------------------------------------------------

// Identifier and session numbers are one byte: typed values above 255 become 255.
int CapRegisterByte(int value);
// A split frame holds 144 of the 384 rows, so memory holds 8/3 as many: the frame count when
// split frames are switched on (x 8/3) or off (x 3/8), rounded.
int RescaleForSplitFrames(int frames, bool split_on);

// Colour balance and white patch need a frame clock and an exposure the imager sets itself.
bool ColourBalancePossible(int32_t frame_sync, int32_t frame_rate, int32_t normal_exposure);
QString ColourBalanceSettingsText();

// String command of "Auto Exposure": "0017", the normal track's maximum (4 hex digits) and the
// target brightness (2 hex digits).
QByteArray HGAutoExposureArgument(int maximum_us, int target_brightness);

// ---- Download -----------------------------------------------------------------------------

// "DLFrRange": first list index x 65536 + last list index.
uint32_t HGDownloadRangeValue(int first_index, int last_index);
int HGDownloadRangeFirst(int32_t value);
int HGDownloadRangeLast(int32_t value);
// The card path as the page shows it: "\" for "[ROOT]", else without its first and last
// characters.
QString HGCardPathText(const QString& register_text);
// The card download command: first and last frame in 4 hex digits each, then "01", or "03"
// when the imager files the recording in a folder of its own.
QByteArray HGCardDownloadArgument(int first_frame, int last_frame, bool auto_filing);

// ---- Video --------------------------------------------------------------------------------

// "Patch Move" for a click at image coordinates: the 16-pixel patch centred there, kept on the
// image.
uint32_t HGPatchMoveValue(int x, int y);

// ---- Date and time ------------------------------------------------------------------------

// The "Date" register (BCD MMDDYY) as mm/dd/yy, the "Time" register (BCD HHMMSS) as hh:mm:ss.
QString HGDateText(int32_t date_register);
QString HGTimeText(int32_t time_register);
// Typed texts back to BCD registers; nullopt when the text is no date or time.
std::optional<uint32_t> HGDateRegisterOf(const QString& text);
std::optional<uint32_t> HGTimeRegisterOf(const QString& text);

// ---- Status -------------------------------------------------------------------------------

// The temperature panel: degrees, the degree sign, " C".
QString HGTemperatureText(int celsius);

// The control button shown pressed for an imager state.
enum class HGStateButton { None, Stop, LiveLow, LiveNormal, Ready, Play };
HGStateButton HGButtonForState(int state);
// A recording is in memory (or being made or copied) in states 4 to 9.
inline bool HGRecordingPresent(int state)
{
    return state >= 4 && state <= 9;
}

} // namespace fw
