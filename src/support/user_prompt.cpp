#include "support/user_prompt.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>

namespace fw {

namespace {

ScriptedPrompt& defaultPrompt()
{
    static ScriptedPrompt fallback;
    return fallback;
}

std::atomic<UserPrompt*> installed{nullptr};

} // namespace

PromptButton firstButton(PromptButton buttons)
{
    for (PromptButton b : {PromptButton::Ok, PromptButton::Yes, PromptButton::No, PromptButton::Cancel,
                           PromptButton::Abort, PromptButton::Retry, PromptButton::Ignore, PromptButton::All}) {
        if (hasButton(buttons, b))
            return b;
    }
    return PromptButton::Ok;
}

UserPrompt& prompt()
{
    UserPrompt* p = installed.load();
    return p ? *p : defaultPrompt();
}

void installPrompt(UserPrompt* p)
{
    installed.store(p);
}

PromptButton askUser(PromptKind kind, const QString& caption, const QString& text, PromptButton buttons)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        PromptButton answer = PromptButton::None;
        QMetaObject::invokeMethod(
            app, [&] { answer = prompt().ask(kind, caption, text, buttons); }, Qt::BlockingQueuedConnection);
        return answer;
    }
    return prompt().ask(kind, caption, text, buttons);
}

void showError(const QString& text, const QString& caption)
{
    askUser(PromptKind::Error, caption, text, PromptButton::Ok);
}

void showWarning(const QString& text, const QString& caption)
{
    askUser(PromptKind::Warning, caption, text, PromptButton::Ok);
}

void showInformation(const QString& text, const QString& caption)
{
    askUser(PromptKind::Information, caption, text, PromptButton::Ok);
}

bool confirm(const QString& text, const QString& caption)
{
    return askUser(PromptKind::Confirmation, caption, text, PromptButton::Yes | PromptButton::No) == PromptButton::Yes;
}

void ScriptedPrompt::queueAnswer(PromptButton answer)
{
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

void ScriptedPrompt::setFallback(PromptButton answer)
{
    std::lock_guard lock(mutex_);
    fallback_ = answer;
}

PromptButton ScriptedPrompt::ask(PromptKind kind, const QString& caption, const QString& text, PromptButton buttons)
{
    std::lock_guard lock(mutex_);
    questions_.push_back({kind, caption, text, buttons});
    if (!answers_.empty()) {
        const PromptButton answer = answers_.front();
        answers_.erase(answers_.begin());
        return answer;
    }
    return fallback_ == PromptButton::None ? firstButton(buttons) : fallback_;
}

std::vector<ScriptedPrompt::Question> ScriptedPrompt::questions() const
{
    std::lock_guard lock(mutex_);
    return questions_;
}

QStringList ScriptedPrompt::texts() const
{
    std::lock_guard lock(mutex_);
    QStringList out;
    for (const auto& q : questions_)
        out << q.text;
    return out;
}

void ScriptedPrompt::clear()
{
    std::lock_guard lock(mutex_);
    questions_.clear();
    answers_.clear();
}

} // namespace fw
