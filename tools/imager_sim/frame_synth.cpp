#include "frame_synth.h"

#include <algorithm>
#include <cmath>

#include "sim_protocol.h"

namespace fw::imager_sim {
namespace {

// Camera record fields the simulator fills in; the rest of the record stays zero. The frame
// number is the simulator's own (signed 16-bit, big-endian), so a client can tell frames apart.
enum RecordField : int {
    Signature = 0,
    CameraType = 8,
    SessionId,
    CameraId,
    RateCode,
    FrameNumber,
    Seconds = 33,
    Exposure = 119,
};

struct Rgb {
    int r, g, b;
};

constexpr int kBallRadius = 28;
constexpr int kBallTravel = kFrameColumns + 2 * kBallRadius;

// A yellow ball crossing a graded background above a floor with a tick scale. The ball moves
// 6 pixels a frame and bobs, so neighbouring frames differ everywhere it passes.
class Scene {
public:
    Scene(int frame_number, int rows)
        : rows_(rows)
    {
        const int step = ((frame_number * 6) % kBallTravel + kBallTravel) % kBallTravel;
        ball_x_ = step - kBallRadius;
        const double phase = frame_number * 0.15;
        ball_y_ = int(rows / 2 + (rows / 4) * std::sin(phase));
    }

    Rgb at(int x, int y) const
    {
        const int dx = x - ball_x_;
        const int dy = y - ball_y_;
        if (dx * dx + dy * dy <= kBallRadius * kBallRadius)
            return { 235, 205, 40 };
        if (y >= rows_ - 12)
            return (x % 32 < 2 || (y >= rows_ - 4 && x % 8 == 0)) ? Rgb { 20, 20, 20 }
                                                                  : Rgb { 200, 200, 200 };
        return { 40 + x * 120 / kFrameColumns, 70 + y * 60 / rows_, 110 };
    }

private:
    int rows_;
    int ball_x_ = 0;
    int ball_y_ = 0;
};

int grey(Rgb c)
{
    return (c.r * 77 + c.g * 150 + c.b * 29) >> 8;
}

// Cells of four bytes cover 2 x 2 pixels: green top-left, red top-right, blue bottom-left,
// green bottom-right; a monochrome sensor stores the four pixels' grey values in the same places.
void writeMosaic(QByteArray& frame, const Scene& scene, int rows, bool colour)
{
    char* out = frame.data();
    for (int y = 0; y < rows; y += 2) {
        for (int x = 0; x < kFrameColumns; x += 2) {
            const Rgb tl = scene.at(x, y), tr = scene.at(x + 1, y);
            const Rgb bl = scene.at(x, y + 1), br = scene.at(x + 1, y + 1);
            if (colour) {
                *out++ = char(tl.g);
                *out++ = char(tr.r);
                *out++ = char(bl.b);
                *out++ = char(br.g);
            } else {
                *out++ = char(grey(tl));
                *out++ = char(grey(tr));
                *out++ = char(grey(bl));
                *out++ = char(grey(br));
            }
        }
    }
}

void writeCameraRecord(char* record_bytes, const RecordingFacts& facts, int frame_number)
{
    const QByteArray signature = signatureFor(facts.type_code);
    std::copy(signature.begin(), signature.end(), record_bytes + Signature);
    record_bytes[CameraType] = char(facts.colour ? 1 : 2);
    record_bytes[SessionId] = char(facts.session_id);
    record_bytes[CameraId] = char(facts.camera_id);
    record_bytes[RateCode] = char(facts.rate_index);
    record_bytes[FrameNumber] = char((frame_number >> 8) & 0xFF);
    record_bytes[FrameNumber + 1] = char(frame_number & 0xFF);
    // Seconds, minutes, hours, day, month, year: the registers' BCD bytes in reverse order.
    const int bytes[6] { int(facts.time_bcd & 0xFF), int((facts.time_bcd >> 8) & 0xFF),
        int((facts.time_bcd >> 16) & 0xFF), int((facts.date_bcd >> 8) & 0xFF),
        int((facts.date_bcd >> 16) & 0xFF), int(facts.date_bcd & 0xFF) };
    for (int i = 0; i < 6; ++i)
        record_bytes[Seconds + i] = char(bytes[i]);
    record_bytes[Exposure] = char((facts.exposure >> 8) & 0xFF);
    record_bytes[Exposure + 1] = char(facts.exposure & 0xFF);
}

} // namespace

QByteArray signatureFor(int type_code)
{
    return isNewModel(type_code) ? "EK BAY 2" : "ML BAY 2";
}

int frameBytes(int rows)
{
    return rows * kFrameColumns + kCameraRecordBytes;
}

QByteArray synthesiseFrame(const RecordingFacts& facts, int frame_number, int rows)
{
    QByteArray frame(frameBytes(rows), '\0');
    writeMosaic(frame, Scene(frame_number, rows), rows, facts.colour);
    writeCameraRecord(frame.data() + rows * kFrameColumns, facts, frame_number);
    return frame;
}

QByteArray synthesiseRgb(const RecordingFacts& facts, int frame_number, int rows, const ColourGains& gains)
{
    const Scene scene(frame_number, rows);
    const auto apply = [](int value, double gain) { return char(std::clamp(int(value * gain + 0.5), 0, 255)); };
    QByteArray rgb(qsizetype(rows) * kFrameColumns * 3, '\0');
    char* out = rgb.data();
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < kFrameColumns; ++x) {
            Rgb pixel = scene.at(x, y);
            if (!facts.colour)
                pixel.r = pixel.g = pixel.b = grey(pixel);
            *out++ = apply(pixel.r, gains.red);
            *out++ = apply(pixel.g, gains.green);
            *out++ = apply(pixel.b, gains.blue);
        }
    }
    return rgb;
}

ColourGains sceneMean(int frame_number, int rows, int left, int top, int size)
{
    const Scene scene(frame_number, rows);
    double r = 0, g = 0, b = 0;
    int count = 0;
    for (int y = std::max(top, 0); y < std::min(top + size, rows); ++y) {
        for (int x = std::max(left, 0); x < std::min(left + size, kFrameColumns); ++x) {
            const Rgb pixel = scene.at(x, y);
            r += pixel.r;
            g += pixel.g;
            b += pixel.b;
            ++count;
        }
    }
    if (count == 0)
        return {};
    return { r / count, g / count, b / count };
}

QByteArray cameraRecord(const RecordingFacts& facts, int frame_number)
{
    QByteArray record(kCameraRecordBytes, '\0');
    writeCameraRecord(record.data(), facts, frame_number);
    return record;
}

} // namespace fw::imager_sim
