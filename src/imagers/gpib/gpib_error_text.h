#pragma once

#include <QString>

namespace fw {

// The wrapper's own error codes, beside the driver's iberr values 0 to 21.
inline constexpr int kGpibEntryPointMissing = 98; // EGPR
inline constexpr int kGpibLibraryNotLoaded = 99; // EDLL

// The text of a driver iberr value; codes the driver does not define read "GPIB Error #<code>".
QString GpibDriverErrorText(int code);

} // namespace fw
