#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <vector>

namespace fw {

enum class PromptKind { Warning, Error, Information, Confirmation };

// Buttons as a bit set; the answer is one of them.
enum class PromptButton : unsigned {
    None = 0,
    Ok = 1u << 0,
    Cancel = 1u << 1,
    Yes = 1u << 2,
    No = 1u << 3,
    Abort = 1u << 4,
    Retry = 1u << 5,
    Ignore = 1u << 6,
    All = 1u << 7, // "All": the same answer for the rest of a run of questions
};

constexpr PromptButton operator|(PromptButton a, PromptButton b)
{
    return static_cast<PromptButton>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool hasButton(PromptButton set, PromptButton b)
{
    return (static_cast<unsigned>(set) & static_cast<unsigned>(b)) != 0;
}

// Everything below the windows asks the user through this one interface. The program installs
// a message-box implementation; tests install a scripted one. Calls from worker threads are
// carried to the user-interface thread, and the worker waits for the answer.
class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    virtual PromptButton ask(PromptKind kind, const QString& caption, const QString& text, PromptButton buttons) = 0;
};

// The installed prompt (never null: a default answers Ok/Yes-less questions with the first
// button and records nothing). Not owned by the caller.
UserPrompt& prompt();
// Installs a prompt; the caller keeps ownership and uninstalls it (nullptr) before freeing it.
void installPrompt(UserPrompt* prompt);

// Shorthands with the program's four kinds of message.
PromptButton askUser(PromptKind kind, const QString& caption, const QString& text, PromptButton buttons);
void showError(const QString& text, const QString& caption = {});
void showWarning(const QString& text, const QString& caption = {});
void showInformation(const QString& text, const QString& caption = {});
bool confirm(const QString& text, const QString& caption = {}); // Yes / No

// A prompt with answers given in advance; it records every question. Used by tests and by the
// command-line tool, where nobody can answer.
class ScriptedPrompt : public UserPrompt {
public:
    struct Question {
        PromptKind kind;
        QString caption;
        QString text;
        PromptButton buttons;
    };

    // Answers are taken in order; when they run out the fallback answers (None: the first
    // button offered, in the order Ok, Yes, No, Cancel, Abort, Retry, Ignore).
    void queueAnswer(PromptButton answer);
    void setFallback(PromptButton answer);

    PromptButton ask(PromptKind kind, const QString& caption, const QString& text, PromptButton buttons) override;

    std::vector<Question> questions() const;
    QStringList texts() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<PromptButton> answers_;
    PromptButton fallback_ = PromptButton::None;
    std::vector<Question> questions_;
};

// Picks the first button of a set, in the order above.
PromptButton firstButton(PromptButton buttons);

} // namespace fw
