#pragma once

#include "cli/RunRequest.h"

#include <QStringList>

// The webcopy command line: a verb with its arguments and options, or --help / --version.
// Parsing checks everything (options, URLs, the job file) before anything is transferred.
class TCommandLine {
public:
    enum class TAction { Run, Help, Version };

    // Throws TUsageError with one line naming the wrong argument.
    static TCommandLine Parse(const QStringList& arguments);
    static QString HelpText();

    TAction Action = TAction::Run;
    TRunRequest Request;

private:
    struct TOptions;
    static void AddItems(const QString& verb, const QStringList& operands, const TOptions& options,
                         TRunRequest& request);
};
