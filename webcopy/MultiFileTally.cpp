#include "webcopy/MultiFileTally.h"

void TMultiFileTally::Add(const TTransferResult& result)
{
    ++FFiles;
    if (result.Outcome != TTransferOutcome::Failed)
        return;
    if (FFailed++ == 0)
        FFirstFailure = result;
}

TTransferResult TMultiFileTally::Result(bool cancelled) const
{
    if (cancelled)
        return TTransferResult::Cancelled();
    if (FFailed == 0)
        return TTransferResult::Done();
    // Silent: every failed file has had its own event.
    TTransferResult result = TTransferResult::Silent(
        QStringLiteral("%1 of %2 files failed; the first: %3").arg(FFailed).arg(FFiles).arg(FFirstFailure.Reason),
        FFirstFailure.Cause);
    result.ErrorCode = FFirstFailure.ErrorCode;
    result.HttpStatus = FFirstFailure.HttpStatus;
    return result;
}
