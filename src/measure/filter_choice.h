#pragma once

#include <QString>

#include <optional>

namespace fw {

// What smooths a point's positions before velocities and accelerations are taken from them.
enum class FilterKind { None, Butterworth, Cfc60, Cfc180, Cfc600, Cfc1000, Auto };

// A filter and, for the Butterworth low-pass, its cut-off: the -3 dB frequency of the zero-lag
// response.
struct FilterChoice {
    FilterKind kind = FilterKind::None;
    double cutoff_hz = 0.0;
    bool operator==(const FilterChoice&) const = default;
};

// The channel frequency classes.
bool IsCfc(FilterKind kind);
// The class number (60, 180, 600, 1000); 0 for other kinds.
int CfcNumber(FilterKind kind);
// The class's -3 dB frequency (100, 300, 1000, 1650 Hz); 0 for other kinds.
double CfcMinus3DbHz(FilterKind kind);

// The words of the command line and the settings store: "none", "cfc60", "cfc180", "cfc600",
// "cfc1000", "butterworth:HZ" (a finite cut-off above 0), "auto". Case and surrounding blanks
// do not matter; anything else gives nothing.
std::optional<FilterChoice> ParseFilterChoice(const QString& text);
QString FilterChoiceText(const FilterChoice& choice);

// How a column header names the filter: "CFC 180", "Butterworth 50 Hz", "auto 23.4 Hz" (with
// the cut-off the analysis chose) or "auto" (before it chose one); empty without a filter.
QString FilterLabel(const FilterChoice& choice, std::optional<double> chosen_cutoff_hz = std::nullopt);

// A frequency as the labels show it: up to six significant digits.
QString FrequencyText(double hz);

} // namespace fw
