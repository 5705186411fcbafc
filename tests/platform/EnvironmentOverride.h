#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// Sets or clears environment variables for a test and puts the old values back when it goes.
class TEnvironmentOverride {
public:
    TEnvironmentOverride() = default;
    ~TEnvironmentOverride();
    TEnvironmentOverride(const TEnvironmentOverride&) = delete;
    TEnvironmentOverride& operator=(const TEnvironmentOverride&) = delete;

    void set(const char* name, const QByteArray& value);
    void unset(const char* name);

private:
    void remember(const char* name);

    struct TSaved {
        const char* Name;
        std::optional<QByteArray> Value;
    };
    QList<TSaved> FSaved;
};
