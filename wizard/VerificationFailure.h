#pragma once

#include "platform/SignatureCheck.h"

#include <QString>

// What the wizard tells the user when the downloaded setup program could not be proven to be
// the maker's: that it must not be run, why in plain words, and the verifier's own words as a
// detail line.
QString VerificationFailureText(const TSignatureCheck& check);

// The check a setup program fails when its signature could not be downloaded; `reason` is the
// engine's.
TSignatureCheck MissingSignature(const QString& reason);
