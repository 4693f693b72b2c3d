#include "imagers/forms/attaching_form.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace fw {

TAttachingForm::TAttachingForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AttachingForm"));
    setWindowTitle(QStringLiteral("Attaching to Imager"));
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("MessageLabel"));
    message_->setMinimumWidth(360);
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addWidget(message_);
}

void TAttachingForm::Begin(const QString& text)
{
    message_->setText(text);
    show();
    raise();
    if (!busy_cursor_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy_cursor_ = true;
    }
    // The loop that follows may wait without painting: show the text now.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TAttachingForm::End()
{
    hide();
    if (busy_cursor_) {
        QApplication::restoreOverrideCursor();
        busy_cursor_ = false;
    }
}

QString TAttachingForm::Text() const
{
    return message_->text();
}

} // namespace fw
