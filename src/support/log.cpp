#include "log.h"

Q_LOGGING_CATEGORY(lcSupport, "fw.support", QtInfoMsg)
Q_LOGGING_CATEGORY(lcClips, "fw.clips", QtInfoMsg)
Q_LOGGING_CATEGORY(lcShell, "fw.shell", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMeasure, "fw.measure", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSignals, "fw.signals", QtInfoMsg)
Q_LOGGING_CATEGORY(lcImagers, "fw.imagers", QtInfoMsg)
Q_LOGGING_CATEGORY(lcGpib, "fw.gpib", QtInfoMsg)
Q_LOGGING_CATEGORY(lcImaq, "fw.imaq", QtInfoMsg)
