#include "support/forms/message_box_prompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace fw {

namespace {

struct ButtonPair {
    PromptButton ours;
    QMessageBox::StandardButton qt;
};

constexpr ButtonPair kButtons[] = {
    {PromptButton::Ok, QMessageBox::Ok},       {PromptButton::Cancel, QMessageBox::Cancel},
    {PromptButton::Yes, QMessageBox::Yes},     {PromptButton::No, QMessageBox::No},
    {PromptButton::Abort, QMessageBox::Abort}, {PromptButton::Retry, QMessageBox::Retry},
    {PromptButton::Ignore, QMessageBox::Ignore}, {PromptButton::All, QMessageBox::YesToAll},
};

QMessageBox::Icon iconOf(PromptKind kind)
{
    switch (kind) {
    case PromptKind::Warning:
        return QMessageBox::Warning;
    case PromptKind::Error:
        return QMessageBox::Critical;
    case PromptKind::Information:
        return QMessageBox::Information;
    case PromptKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString defaultCaption(PromptKind kind)
{
    switch (kind) {
    case PromptKind::Warning:
        return QStringLiteral("Warning");
    case PromptKind::Error:
        return QStringLiteral("Error");
    case PromptKind::Information:
        return QStringLiteral("Information");
    case PromptKind::Confirmation:
        return QStringLiteral("Confirm");
    }
    return {};
}

} // namespace

PromptButton MessageBoxPrompt::ask(PromptKind kind, const QString& caption, const QString& text, PromptButton buttons)
{
    QMessageBox::StandardButtons qtButtons;
    for (const auto& pair : kButtons) {
        if (hasButton(buttons, pair.ours))
            qtButtons |= pair.qt;
    }
    if (!qtButtons)
        qtButtons = QMessageBox::Ok;
    // Messages separate their lines with a lone carriage return; the box wants line feeds.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QMessageBox box(iconOf(kind), caption.isEmpty() ? defaultCaption(kind) : caption, shown, qtButtons,
                    QApplication::activeWindow());
    if (QAbstractButton* all = box.button(QMessageBox::YesToAll))
        all->setText(QStringLiteral("&All"));
    const int answer = box.exec();
    for (const auto& pair : kButtons) {
        if (answer == pair.qt)
            return pair.ours;
    }
    return hasButton(buttons, PromptButton::Cancel) ? PromptButton::Cancel : firstButton(buttons);
}

} // namespace fw
