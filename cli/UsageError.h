#pragma once

#include <QString>

#include <utility>

// Wrong input on the command line or in a job file: one line that names what and where.
class TUsageError {
public:
    explicit TUsageError(QString message) : FMessage(std::move(message)) {}
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};
