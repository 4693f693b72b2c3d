#pragma once

#include <cstdint>

#include <QString>

namespace fw {

// Where the log lines of the process go once InstallLogSink has run.
struct LogSinkOptions {
    bool to_stderr = true;
    QString file_path; // empty: no file
    int64_t max_file_bytes = 2 * 1024 * 1024; // the file is moved to ".1" when it would grow past this
};

// The log file a user can send with a report: $XDG_STATE_HOME/Framewright/framewright.log, or
// ~/.local/state/Framewright/framewright.log without that variable.
QString DefaultLogFilePath();

// Sends every Qt message of the process (every thread) to standard error and/or the file, one
// line each: time, level, category and text. A file that cannot be opened costs the file only;
// the reason is written to standard error once. Installing again replaces the options.
void InstallLogSink(const LogSinkOptions& options);

// Restores Qt's own message handler and closes the file.
void RemoveLogSink();

} // namespace fw
