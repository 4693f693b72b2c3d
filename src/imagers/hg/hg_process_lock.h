#pragma once

#include <mutex>

namespace fw {

// Serialises the exchanges of every imager of the process: a layer holds it from leaving idle
// for an exchange until that exchange has ended.
std::mutex& HGProcessLock();

} // namespace fw
