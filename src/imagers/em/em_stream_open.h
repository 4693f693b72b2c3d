#pragma once

#include <memory>

#include <QString>

#include "imagers/em/em1012_avi.h"

namespace fw {

class SettingsStore;
class TGPIB;

enum class EmModel { Em1012, Hs4540 };

// A stream for the processor model on the program's driver library, not yet open.
std::unique_ptr<TEM1012AVI> MakeEmStream(
    EmModel model, std::shared_ptr<TGPIB> gpib, SteadyNow now = RealSteadyNow);

// Connects a new stream to the processor at `address` ("board:device") with the bus timing kept
// in the settings section of its camera type (the defaults without a store). Throws fw::Error
// with the text the attaching window shows.
std::unique_ptr<TEM1012AVI> OpenEmStream(EmModel model, std::shared_ptr<TGPIB> gpib, const QString& address,
    const SettingsStore* settings, SteadyNow now = RealSteadyNow);

} // namespace fw
