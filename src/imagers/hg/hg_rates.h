#pragma once

#include <QStringList>

namespace fw {

// The recording rates an imager offers, as its "Frame Rate" register indexes them: "External"
// first, then frames per second. New models offer more than old ones.
QStringList HGRateNames(bool new_model);
// Frames per second of a "Frame Rate" register value; 0 for "External" and values off the list.
int HGFramesPerSecond(bool new_model, int rate_index);

} // namespace fw
