#pragma once

#include <stdexcept>
#include <string>

#include <QString>

namespace fw {

// The one exception type of the program: it carries the message the user sees. The window
// that started an action catches it and shows the message.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message)
        : std::runtime_error(message)
    {
    }
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString())
    {
    }
    explicit Error(const char* message)
        : std::runtime_error(message)
    {
    }

    QString message() const { return QString::fromStdString(what()); }
};

} // namespace fw
