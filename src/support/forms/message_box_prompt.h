#pragma once

#include "support/user_prompt.h"

namespace fw {

// The program's prompt: a modal message box with the exact texts, over the active window.
class MessageBoxPrompt : public UserPrompt {
public:
    PromptButton ask(PromptKind kind, const QString& caption, const QString& text, PromptButton buttons) override;
};

} // namespace fw
