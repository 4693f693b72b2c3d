#include "tool_prompt.h"

#include <cstdio>

namespace fw::cli {

namespace {

// One line on standard error: the message's own line breaks become "; ".
void printNotice(const QString& caption, const QString& text)
{
    QString line = caption.isEmpty() ? text : caption + QStringLiteral(": ") + text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("; "))
        .replace(QLatin1Char('\r'), QStringLiteral("; "))
        .replace(QLatin1Char('\n'), QStringLiteral("; "));
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
}

PromptButton wayOut(PromptButton buttons)
{
    for (const PromptButton button : { PromptButton::Abort, PromptButton::Cancel, PromptButton::No }) {
        if (hasButton(buttons, button))
            return button;
    }
    return firstButton(buttons);
}

} // namespace

PromptButton ToolPrompt::ask(
    PromptKind kind, const QString& caption, const QString& text, PromptButton buttons)
{
    // "Abort, Ignore, All" is only ever the question about a name without a number.
    if (hasButton(buttons, PromptButton::All) && hasButton(buttons, PromptButton::Ignore)) {
        printNotice(caption, text + QStringLiteral(" (answered Ignore: sorted with key 0)"));
        return PromptButton::Ignore;
    }
    if ((kind == PromptKind::Warning || kind == PromptKind::Information) && buttons == PromptButton::Ok) {
        printNotice(caption, text);
        return PromptButton::Ok;
    }
    {
        const std::lock_guard lock(mutex_);
        last_failure_ = text;
    }
    return wayOut(buttons);
}

QString ToolPrompt::LastFailure() const
{
    const std::lock_guard lock(mutex_);
    return last_failure_;
}

void ToolPrompt::ClearFailure()
{
    const std::lock_guard lock(mutex_);
    last_failure_.clear();
}

PromptButton ToolPrompt::AnswerUnsortableBayName(const QString& question)
{
    printNotice(QString(), question + QStringLiteral(" (answered Ignore: sorted with key 0)"));
    return PromptButton::Ignore;
}

ToolPrompt& toolPrompt()
{
    static ToolPrompt prompt;
    return prompt;
}

} // namespace fw::cli
