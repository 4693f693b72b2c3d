#pragma once

#include <QLoggingCategory>

// One logging category per subsystem. Everything the program drops, retries or works around
// without telling the user is logged through its subsystem's category (info and above by
// default; QT_LOGGING_RULES="fw.*.debug=true" shows more).
Q_DECLARE_LOGGING_CATEGORY(lcSupport) // "fw.support"
Q_DECLARE_LOGGING_CATEGORY(lcClips) // "fw.clips"
Q_DECLARE_LOGGING_CATEGORY(lcShell) // "fw.shell"
Q_DECLARE_LOGGING_CATEGORY(lcMeasure) // "fw.measure"
Q_DECLARE_LOGGING_CATEGORY(lcSignals) // "fw.signals"
Q_DECLARE_LOGGING_CATEGORY(lcImagers) // "fw.imagers"
Q_DECLARE_LOGGING_CATEGORY(lcGpib) // "fw.gpib"
Q_DECLARE_LOGGING_CATEGORY(lcImaq) // "fw.imaq"
