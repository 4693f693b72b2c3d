#pragma once

#include <optional>
#include <vector>

#include <QByteArray>

namespace fw {

// Environment variables set for a while and then put back as they were, unset ones unset again.
// The program reads such variables where it needs them and child processes inherit them.
class TEnvironmentOverride {
public:
    TEnvironmentOverride() = default;
    ~TEnvironmentOverride();
    TEnvironmentOverride(const TEnvironmentOverride&) = delete;
    TEnvironmentOverride& operator=(const TEnvironmentOverride&) = delete;

    void Set(const char* name, const QByteArray& value);
    // Sets the variable only when it is not set already: the user's own value wins.
    void SetUnlessSet(const char* name, const QByteArray& value);
    // Puts every variable set since the last restore back as it was.
    void Restore();

private:
    struct Saved {
        QByteArray name;
        std::optional<QByteArray> value;
    };

    std::vector<Saved> saved_;
};

} // namespace fw
