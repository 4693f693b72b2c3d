#pragma once

#include <QString>

#include <optional>
#include <vector>

#include "measure/filter_choice.h"

namespace fw {

// The positions of one point after its filter.
struct FilteredPositions {
    std::vector<double> x;
    std::vector<double> y;
    // The cut-off the automatic choice settled on.
    std::optional<double> cutoff_hz;
    // What to beware of (a rate close to a class's limit); empty when nothing.
    QString warning;
};

// Filters the equally spaced positions of a point sampled at a rate. Fails (fw::Error) with the
// reason when the filter may not run at that rate or the automatic choice has too few samples.
// Without a filter, or with a single sample, the positions come back as they are.
FilteredPositions FilterPositions(
    std::vector<double> x, std::vector<double> y, double sample_rate_hz, const FilterChoice& choice);

} // namespace fw
