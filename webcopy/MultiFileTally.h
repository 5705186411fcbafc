#pragma once

#include "webcopy/TransferResult.h"

#include <QString>

// The sum of a multi-file item: each file's result was told on its own; the item succeeds only
// when every file arrived (or was left alone by a rule), and otherwise names the first failure.
class TMultiFileTally {
public:
    void Add(const TTransferResult& result);
    TTransferResult Result(bool cancelled) const;

private:
    int FFiles = 0;
    int FFailed = 0;
    TTransferResult FFirstFailure;
};
