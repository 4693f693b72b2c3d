#include "imagers/devices/environment_override.h"

#include <algorithm>

#include <QtGlobal>

namespace fw {

TEnvironmentOverride::~TEnvironmentOverride()
{
    Restore();
}

void TEnvironmentOverride::Set(const char* name, const QByteArray& value)
{
    // A variable set twice goes back to the value from before the first time.
    const bool saved = std::any_of(
        saved_.begin(), saved_.end(), [name](const Saved& entry) { return entry.name == name; });
    if (!saved) {
        std::optional<QByteArray> previous;
        if (qEnvironmentVariableIsSet(name))
            previous = qgetenv(name);
        saved_.push_back({ name, std::move(previous) });
    }
    qputenv(name, value);
}

void TEnvironmentOverride::SetUnlessSet(const char* name, const QByteArray& value)
{
    if (!qEnvironmentVariableIsSet(name))
        Set(name, value);
}

void TEnvironmentOverride::Restore()
{
    for (auto entry = saved_.rbegin(); entry != saved_.rend(); ++entry) {
        if (entry->value)
            qputenv(entry->name.constData(), *entry->value);
        else
            qunsetenv(entry->name.constData());
    }
    saved_.clear();
}

} // namespace fw
