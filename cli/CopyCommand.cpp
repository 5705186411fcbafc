#include "cli/CopyCommand.h"

#include "cli/JsonEvents.h"
#include "cli/TerminalProgress.h"
#include "platform/InterruptNotifier.h"
#include "platform/Terminal.h"
#include "webcopy/WebCopy.h"
#include "webcopy/WebCopyItem.h"

#include <QMetaEnum>

#include <cstdio>
#include <memory>

namespace {
void PrintLine(std::FILE* stream, const QString& text)
{
    std::fputs((text.toLocal8Bit() + '\n').constData(), stream);
}

// The password asked for once, for every item that names a user without one.
bool AskPassword(TWebCopy& copy)
{
    QString password;
    if (!Terminal::ReadHiddenLine(QStringLiteral("Password: "), password))
        return false;
    for (int i = 0; i < copy.Items().Count(); ++i) {
        TWebCopyItem& item = *copy.Items()[i];
        if (!item.HTTPUserID.isEmpty())
            item.HTTPPassword = password;
        if (!item.FTPUserID.isEmpty())
            item.FTPPassword = password;
    }
    return true;
}

QString Failure(const TWebCopyItem& item, int index)
{
    const char* cause = QMetaEnum::fromType<TTransferCause>().valueToKey(static_cast<int>(item.ErrorCause()));
    const QString source = item.URL.isEmpty() ? item.FTPHost : item.URL;
    return QStringLiteral("webcopy: item %1 (%2) failed: %3 [%4]")
        .arg(index)
        .arg(source, item.ErrorReason().isEmpty() ? QStringLiteral("no reason given") : item.ErrorReason(),
             QString::fromLatin1(cause ? cause : "?"));
}
} // namespace

TExitCode CopyCommand::Run(const TRunRequest& request)
{
    TWebCopy copy;
    copy.ShowDialog = false;
    copy.LoadSettings(request.Settings);
    copy.CaFile = request.CaFile;
    copy.LogfileName = request.LogFile;
    for (const QVariantMap& settings : request.Items)
        copy.Items().Add()->LoadSettings(settings);
    if (request.KeepExisting)
        copy.OnCopyOverWrite = [](QObject*, const QString&, bool& allow) { allow = false; };
    if (request.AskPassword && !AskPassword(copy)) {
        PrintLine(stderr, QStringLiteral("webcopy: no password given"));
        return TExitCode::Cancelled;
    }

    std::unique_ptr<TJsonEvents> events;
    if (request.Json)
        events = std::make_unique<TJsonEvents>(copy, stdout);
    std::unique_ptr<TTerminalProgress> progress;
    if (Terminal::IsTerminal(Terminal::TStream::Error)) {
        progress = std::make_unique<TTerminalProgress>(stderr, Terminal::Columns(Terminal::TStream::Error));
        copy.ProgressObserver = progress.get();
    }
    TInterruptNotifier interrupt;
    QObject::connect(&interrupt, &TInterruptNotifier::Interrupted, &copy, [&copy](int) { copy.CancelCopy(); });

    copy.Execute();

    if (events)
        events->WriteResults();
    bool failed = false;
    bool cancelled = copy.CancelRequested();
    for (int i = 0; i < copy.Items().Count(); ++i) {
        const TWebCopyItem& item = *copy.Items()[i];
        cancelled = cancelled || item.Cancelled();
        if (!item.Active || item.Success() || item.Cancelled() || item.ErrorCause() == TTransferCause::None)
            continue;
        failed = true;
        PrintLine(stderr, Failure(item, i));
    }
    if (request.PrintListing && !request.Json) {
        for (int i = 0; i < copy.Items().Count(); ++i) {
            if (const QStringList* names = copy.Items()[i]->FileList()) {
                for (const QString& name : *names)
                    PrintLine(stdout, name);
            }
        }
    }
    if (cancelled) {
        PrintLine(stderr, QStringLiteral("webcopy: cancelled"));
        return TExitCode::Cancelled;
    }
    return failed ? TExitCode::ItemFailed : TExitCode::Done;
}
