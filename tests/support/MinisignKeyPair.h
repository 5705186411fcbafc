#pragma once

#include <QByteArray>
#include <QString>

// A throw-away minisign key pair (no password) made by the minisign tool itself, and
// signatures made with it, so the tests prove our verifier against the format's own maker.
class TMinisignKeyPair {
public:
    enum class TForm { Prehashed, Legacy };

    // False when minisign could not make it; Message() says why.
    bool Make(const QString& directory, const QString& name);
    // The base64 line of the public key file.
    QByteArray PublicKeyLine() const { return FPublicKeyLine; }
    // Signs `file` into `signatureFile`; false with Message() set when minisign fails.
    bool Sign(const QString& file, const QString& signatureFile, const QString& trustedComment,
              TForm form = TForm::Prehashed);
    QString Message() const { return FMessage; }

private:
    bool Run(const QStringList& arguments);

    QString FSecretKeyFile;
    QByteArray FPublicKeyLine;
    QString FMessage;
};
