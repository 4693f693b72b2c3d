#pragma once

#include <mutex>

#include <QString>

#include "support/user_prompt.h"

namespace fw::cli {

// The windows' questions answered without a terminal. A file name that cannot be numerically
// sorted is kept (Ignore) and a warning or notice lets the work go on; both are printed on
// standard error. Everything else (errors, questions about a frame that cannot be read) is
// answered Abort, or Cancel / No where that is the way out, and its text kept as the reason of
// the failure.
class ToolPrompt : public UserPrompt {
public:
    PromptButton ask(
        PromptKind kind, const QString& caption, const QString& text, PromptButton buttons) override;

    // The text of the last error or question answered with a way out; empty when none came
    // since the last ClearFailure.
    QString LastFailure() const;
    void ClearFailure();

    // The BAY listing's question about a name (Cancel / Ignore): printed, answered Ignore.
    static PromptButton AnswerUnsortableBayName(const QString& question);

private:
    mutable std::mutex mutex_;
    QString last_failure_;
};

// The prompt the tool installs for its whole run.
ToolPrompt& toolPrompt();

} // namespace fw::cli
