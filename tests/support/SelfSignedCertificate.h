#pragma once

#include <QString>

// A throw-away certificate (EC prime256v1) for 127.0.0.1 and localhost that no system trusts,
// made by openssl as cert.pem with its key.pem in a given directory. The certificate is its
// own authority: a client trusts the server by naming CertificateFile() as its CA file.
class TSelfSignedCertificate {
public:
    // False when openssl could not make it; Message() says why.
    bool Make(const QString& directory);
    QString CertificateFile() const { return FCertificateFile; }
    QString KeyFile() const { return FKeyFile; }
    QString Message() const { return FMessage; }

private:
    QString FCertificateFile;
    QString FKeyFile;
    QString FMessage;
};
