#include "sample_signals.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <stdexcept>

#include "sample_clips.h"

namespace fw::samples {

namespace {

// Deterministic sensor noise, uniform in [-amplitude, amplitude], so the files are the same on
// every build.
class Noise {
public:
    explicit Noise(uint32_t seed)
        : state_(seed)
    {
    }
    double operator()(double amplitude)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return amplitude * (static_cast<double>(state_ >> 8) / double(1u << 24) * 2.0 - 1.0);
    }

private:
    uint32_t state_;
};

std::string line(const char* format, double a, double b)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

const SampleClip& fallingBallClip()
{
    static const std::vector<SampleClip> clips = sampleClips();
    for (const SampleClip& clip : clips)
        if (clip.file_name == "Falling Ball.avi")
            return clip;
    throw std::logic_error("no falling ball clip");
}

// Sample indices covering the ball clip from its first to its last frame, 0 at the impact frame.
struct Span {
    int first;
    int last;
};

Span clipSpan()
{
    const int per_frame = falling_ball::kSignalRateHz / falling_ball::kFramesPerSecond;
    const int impact = falling_ball::impactFrame();
    return { -impact * per_frame, (fallingBallClip().frame_count - 1 - impact) * per_frame };
}

std::string forceText()
{
    std::string text = "Time(s)\tForce(N)\n";
    Noise noise(7);
    const Span span = clipSpan();
    for (int k = span.first; k <= span.last; ++k) {
        const double t = double(k) / falling_ball::kSignalRateHz;
        text += line("%.4f\t%.4f\n", t, falling_ball::impactForceN(t) + noise(0.02));
    }
    return text;
}

// Two transducers in the floor plate: the impact's pressure wave reaches the first at once and
// the second 0.4 ms later, weaker, each decaying over a few milliseconds around ambient.
std::string pressureText()
{
    std::string text = "Plate(kPa)\tEdge(kPa)\n";
    Noise noise(11);
    const Span span = clipSpan();
    const auto wave = [](double t_s, double peak_kpa) {
        if (t_s <= 0)
            return 0.0;
        return peak_kpa * std::exp(-t_s / 0.004) * std::sin(2.0 * std::numbers::pi * 900.0 * t_s);
    };
    for (int k = span.first; k <= span.last; ++k) {
        const double t = double(k) / falling_ball::kSignalRateHz - falling_ball::impactStartS();
        text += line("%.3f\t%.3f\n", 101.325 + wave(t, 12.0) + noise(0.05),
            101.325 + wave(t - 0.0004, 5.0) + noise(0.05));
    }
    return text;
}

} // namespace

namespace falling_ball {

double impactStartS()
{
    return impactTimeS() - double(impactFrame()) / kFramesPerSecond;
}

double impactForceN(double clip_time_s)
{
    const double t = clip_time_s - impactStartS();
    if (t < 0.0 || t > kContactS)
        return 0.0;
    const double speed = kGravity * impactTimeS(); // m/s when it meets the floor
    const double impulse = kBallMassKg * speed * (1.0 + kRestitution); // N·s
    // A half-sine pulse of duration T carries 2·F·T/π.
    const double peak = std::numbers::pi * impulse / (2.0 * kContactS);
    return peak * std::sin(std::numbers::pi * t / kContactS);
}

} // namespace falling_ball

std::vector<SampleSignal> sampleSignals()
{
    return { { "Falling Ball Force.txt", forceText() }, { "Pressure.txt", pressureText() } };
}

} // namespace fw::samples
