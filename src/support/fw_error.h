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

// The message of the exception being handled, for a trace of what was caught; call it only
// inside a catch block.
inline QString HandledExceptionText()
{
    try {
        throw;
    } catch (const std::exception& failure) {
        return QString::fromStdString(failure.what());
    } catch (...) {
        return QStringLiteral("unknown failure");
    }
}

} // namespace fw
