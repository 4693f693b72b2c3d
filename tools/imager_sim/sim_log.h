#pragma once

// The --verbose log on standard error: what each imager receives and sends.

#include <QByteArray>

namespace fw::imager_sim {

void setVerbose(bool verbose);
bool verbose();

// `who` names the imager and link, `direction` is "<-" or "->", `peer` the other end.
void logTraffic(
    const QByteArray& who, const QByteArray& direction, const QByteArray& peer, const QByteArray& bytes);
void logNote(const QByteArray& who, const QByteArray& note);

// Text with control characters escaped, or "N data bytes" for download data.
QByteArray describe(const QByteArray& bytes);

} // namespace fw::imager_sim
