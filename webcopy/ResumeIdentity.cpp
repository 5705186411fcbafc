#include "webcopy/ResumeIdentity.h"

#include "platform/AtomicFileWriter.h"

#include <QList>

namespace {

const QByteArray Header = QByteArrayLiteral("orvanta-resume 1");

} // namespace

bool TResumeIdentity::IsUsable() const
{
    return !Source.isEmpty() && Length > 0 && (!ETag.isEmpty() || !LastModified.isEmpty());
}

QString TResumeIdentity::IfRangeValidator() const
{
    return ETag.isEmpty() ? LastModified : ETag;
}

bool TResumeIdentity::SameFileAs(const TResumeIdentity& other) const
{
    return Source == other.Source && Length == other.Length && LastModified == other.LastModified
        && ETag == other.ETag;
}

QByteArray TResumeIdentity::ToText() const
{
    // One field a line; none of them can hold a line break (they came from single header lines).
    return Header + "\nsource " + Source.toUtf8() + "\netag " + ETag.toUtf8() + "\nlast-modified "
        + LastModified.toUtf8() + "\nlength " + QByteArray::number(Length) + '\n';
}

TResumeIdentity TResumeIdentity::FromText(const QByteArray& text)
{
    const QList<QByteArray> lines = text.split('\n');
    TResumeIdentity identity;
    if (lines.size() != 6 || lines[0] != Header || !lines[5].isEmpty())
        return identity;
    const auto field = [&](int index, const char* name, QByteArray& value) {
        const QByteArray prefix = QByteArray(name) + ' ';
        if (!lines[index].startsWith(prefix))
            return false;
        value = lines[index].mid(prefix.size());
        return true;
    };
    QByteArray source, etag, lastModified, length;
    if (!field(1, "source", source) || !field(2, "etag", etag) || !field(3, "last-modified", lastModified)
        || !field(4, "length", length))
        return identity;
    bool number = false;
    const qint64 value = length.toLongLong(&number);
    if (!number)
        return identity;
    identity.Source = QString::fromUtf8(source);
    identity.ETag = StrongETag(QString::fromUtf8(etag));
    identity.LastModified = QString::fromUtf8(lastModified);
    identity.Length = value;
    return identity;
}

QString TResumeIdentity::StrongETag(const QString& etag)
{
    // A strong ETag is a quoted string; "W/" marks a weak one.
    return etag.size() >= 2 && etag.startsWith(QLatin1Char('"')) && etag.endsWith(QLatin1Char('"')) ? etag : QString();
}

TKeptPart TKeptPart::Find(const QString& targetPath)
{
    TKeptPart kept;
    if (!TAtomicFileWriter::PeekKept(targetPath, kept.Size, kept.Info))
        return {};
    kept.Identity = TResumeIdentity::FromText(kept.Info);
    if (kept.Size <= 0 || kept.Size >= kept.Identity.Length || !kept.Identity.IsUsable())
        return {};
    return kept;
}
