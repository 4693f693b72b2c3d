#pragma once

#include <cstdint>

#include <QString>

#include "support/fw_error.h"

namespace fw {

// The file does not start with a TIFF byte-order mark and the number 42.
class ReadIdentException : public Error {
public:
    ReadIdentException()
        : Error("Not a TIFF Image File")
    {
    }
};

// A tag the caller needs is not in the file's first directory.
class MissingTagException : public Error {
public:
    explicit MissingTagException(uint16_t tag)
        : Error(QStringLiteral("Missing Tag # %1").arg(tag))
        , tag_(tag)
    {
    }
    uint16_t Tag() const { return tag_; }

private:
    uint16_t tag_;
};

} // namespace fw
