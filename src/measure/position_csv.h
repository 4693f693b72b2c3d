#pragma once

#include <QByteArray>

#include <vector>

#include "measure/kinematics.h"

namespace fw {

// Reads positions written as comma-separated text: a header line, then "time_ms,x,y" per sample
// (a trailing comma is allowed, blank lines are skipped; line ends LF, CR LF or CR; a UTF-8 byte
// order mark is ignored). Numbers are finite and written with a decimal point. Fails (fw::Error)
// naming the line and the field that is wrong, without repeating what the line holds.
std::vector<PositionSample> ReadPositionCsv(const QByteArray& bytes);

} // namespace fw
