#pragma once

#include "webcopy/WebCopyTypes.h"

#include <QString>

// How one transfer operation ended. Every operation returns one of these; the copy run turns it
// into the documented events in one place and keeps the reason on the item for callers to read.
enum class TTransferOutcome { Done, Failed, Cancelled, Skipped };

// Which documented event tells a failure.
enum class TFailureReport {
    Silent,       // no event (a missing upload source, an empty download)
    Error,        // OnError with the code, then OnErrorInfo with the message
    URLNotFound,  // OnURLNotFound with Url
    ConnectError  // OnConnectError
};

struct TTransferResult {
    TTransferOutcome Outcome = TTransferOutcome::Failed;
    TFailureReport Report = TFailureReport::Silent;
    int ErrorCode = 0;
    QString Message;   // the documented message of OnErrorInfo
    QString Reason;    // what happened, in the system's or the client's own words
    QString Url;       // the URL that OnURLNotFound names
    int HttpStatus = 0;
    // How long the server asked to be left alone (its Retry-After), -1 when it did not say.
    qint64 RetryAfterMs = -1;
    // What happened, for callers that choose their own words; None for a success or a skip.
    TTransferCause Cause = TTransferCause::None;
    // Bytes of a broken download kept beside the target for the next attempt to continue.
    qint64 KeptBytes = 0;
    // A local file failed in the middle of a transfer: the run ends at once.
    bool EndsRun = false;
    // Leaving a network share failed after the transfer: one more OnConnectError.
    bool DisconnectFailed = false;

    bool Succeeded() const { return Outcome == TTransferOutcome::Done; }

    TTransferResult& WithCause(TTransferCause cause)
    {
        Cause = cause;
        return *this;
    }

    // Leaving a network share failed after the transfer: a success turns into a failure.
    void LeftShareBadly(const QString& reason)
    {
        if (Succeeded()) {
            Outcome = TTransferOutcome::Failed;
            Reason = QStringLiteral("Leaving the share failed: ") + reason;
            Cause = TTransferCause::ShareUnreachable;
        }
        DisconnectFailed = true;
    }

    static TTransferResult Done()
    {
        TTransferResult result;
        result.Outcome = TTransferOutcome::Done;
        return result;
    }
    static TTransferResult Cancelled()
    {
        TTransferResult result;
        result.Outcome = TTransferOutcome::Cancelled;
        result.Reason = QStringLiteral("Cancelled");
        result.Cause = TTransferCause::Cancelled;
        return result;
    }
    // Nothing to copy by the user's or the rules' decision (not newer, overwrite refused, login
    // prompt cancelled); no failure event.
    static TTransferResult Skipped(const QString& reason)
    {
        TTransferResult result;
        result.Outcome = TTransferOutcome::Skipped;
        result.Reason = reason;
        return result;
    }
    static TTransferResult Silent(const QString& reason, TTransferCause cause)
    {
        TTransferResult result;
        result.Reason = reason;
        result.Cause = cause;
        return result;
    }
    static TTransferResult Error(TTransferCause cause, int code, const QString& message, const QString& reason = {})
    {
        TTransferResult result;
        result.Cause = cause;
        result.Report = TFailureReport::Error;
        result.ErrorCode = code;
        result.Message = message;
        result.Reason = reason.isEmpty() ? message : reason;
        return result;
    }
    // `code` is the client's error number, kept for callers (the event carries none).
    static TTransferResult URLNotFound(TTransferCause cause, const QString& url, const QString& reason, int code = 0)
    {
        TTransferResult result;
        result.Cause = cause;
        result.Report = TFailureReport::URLNotFound;
        result.ErrorCode = code;
        result.Url = url;
        result.Reason = reason;
        return result;
    }
    static TTransferResult ConnectError(TTransferCause cause, const QString& reason)
    {
        TTransferResult result;
        result.Cause = cause;
        result.Report = TFailureReport::ConnectError;
        result.Reason = reason;
        return result;
    }
    static TTransferResult IoError(TTransferCause cause, int code, const QString& message, const QString& reason)
    {
        TTransferResult result = Error(cause, code, message, reason);
        result.EndsRun = true;
        return result;
    }
};
