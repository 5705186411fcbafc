#include "wizard/VerificationFailure.h"

QString VerificationFailureText(const TSignatureCheck& check)
{
    QString why;
    switch (check.Failure) {
    case TSignatureFailure::Unreadable:
        why = QStringLiteral("Its signature could not be downloaded or read.");
        break;
    case TSignatureFailure::WrongKey:
        why = QStringLiteral("It was signed, but not by Orvanta Software.");
        break;
    case TSignatureFailure::Malformed:
        why = QStringLiteral("Its signature is damaged.");
        break;
    case TSignatureFailure::FileMismatch:
        why = QStringLiteral("It is not the program that Orvanta Software signed: it was changed or damaged on "
                             "the way.");
        break;
    case TSignatureFailure::CommentAltered:
        why = QStringLiteral("Its signature was changed after it was made.");
        break;
    case TSignatureFailure::BadPublicKey:
        why = QStringLiteral("This setup wizard's own key is damaged.");
        break;
    case TSignatureFailure::None:
        break;
    }
    QString text = QStringLiteral("The setup program could not be verified and must not be run, so it was deleted "
                                  "and nothing was started.\n\n")
        + why + QStringLiteral("\n\nClick Download to try again.");
    if (!check.Reason.isEmpty())
        text += QStringLiteral("\n\nDetails: ") + check.Reason;
    return text;
}

TSignatureCheck MissingSignature(const QString& reason)
{
    return TSignatureCheck {TSignatureFailure::Unreadable, reason, {}};
}
