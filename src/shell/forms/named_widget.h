#pragma once

#include <QString>
#include <QWidget>

namespace fw {

// A control with its component name as objectName (tests and stored placements find it by
// that name) and, for controls that have one, its caption.
template <typename Widget> Widget* MakeNamed(QWidget* parent, const char* name, const QString& caption = {})
{
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    if constexpr (requires { widget->setText(caption); })
        widget->setText(caption);
    return widget;
}

} // namespace fw
