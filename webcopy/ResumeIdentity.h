#pragma once

#include <QByteArray>
#include <QString>

// What tells that a kept partial file is the start of the very file a server offers now: where
// it came from (the final URL after redirects, or the FTP path), the server's validators (a
// strong ETag, Last-Modified, or an FTP MDTM time) and the whole file's length. It is written
// beside the partial file and read back by the next attempt.
struct TResumeIdentity {
    QString Source;
    QString ETag;          // strong only: a weak one promises nothing about the bytes
    QString LastModified;  // as the server wrote it
    qint64 Length = 0;

    // Only a file of known length with a validator can be continued safely.
    bool IsUsable() const;
    // What If-Range sends: the strong ETag, else the date.
    QString IfRangeValidator() const;
    // Same source, length and validators.
    bool SameFileAs(const TResumeIdentity& other) const;

    QByteArray ToText() const;
    // An identity read back; not usable when the text is none.
    static TResumeIdentity FromText(const QByteArray& text);
    // The strong form of an ETag header's value; empty for a weak or absent one.
    static QString StrongETag(const QString& etag);
};

// A part kept beside a target by an earlier attempt, and what it is a part of.
struct TKeptPart {
    qint64 Size = 0;
    QByteArray Info;
    TResumeIdentity Identity;

    // The target's kept part when it can be continued (described, shorter than the whole);
    // empty otherwise.
    static TKeptPart Find(const QString& targetPath);
};
