#include "cli/CommandLine.h"
#include "cli/CopyCommand.h"
#include "cli/UsageError.h"

#include <QCoreApplication>

#include <cstdio>

// No QApplication: the engine runs without a display, its dialog is never made.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("webcopy"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTA_VERSION));
    try {
        const TCommandLine line = TCommandLine::Parse(QCoreApplication::arguments().mid(1));
        switch (line.Action) {
        case TCommandLine::TAction::Help:
            std::fputs(TCommandLine::HelpText().toLocal8Bit().constData(), stdout);
            return static_cast<int>(TExitCode::Done);
        case TCommandLine::TAction::Version:
            std::printf("webcopy %s\n", ORVANTA_VERSION);
            return static_cast<int>(TExitCode::Done);
        case TCommandLine::TAction::Run:
            break;
        }
        return static_cast<int>(CopyCommand::Run(line.Request));
    } catch (const TUsageError& error) {
        std::fputs(("webcopy: " + error.Message().toLocal8Bit() + '\n').constData(), stderr);
        return static_cast<int>(TExitCode::BadUsage);
    }
}
