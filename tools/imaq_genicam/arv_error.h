#pragma once

// A GLib error slot for Aravis calls, freed with its owner.

#include <string>

#include <glib.h>

#include "genicam_errors.h"

namespace fw::imaq_genicam {

class ArvError {
public:
    ArvError() = default;
    ~ArvError() { clear(); }
    ArvError(const ArvError&) = delete;
    ArvError& operator=(const ArvError&) = delete;

    // The slot for the next call; an earlier error is dropped.
    GError** out()
    {
        clear();
        return &error_;
    }
    explicit operator bool() const { return error_ != nullptr; }
    std::string reason() const { return Reason(error_); }

private:
    void clear() { g_clear_error(&error_); }

    GError* error_ = nullptr;
};

} // namespace fw::imaq_genicam
