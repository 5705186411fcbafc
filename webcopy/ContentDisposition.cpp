#include "webcopy/ContentDisposition.h"

#include <QStringDecoder>

#include <optional>
#include <utility>
#include <vector>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// The header's parameters as (lower-case name, value) pairs; a quoted value is unquoted. Parsing
// stops at the first malformed parameter: what came before it still counts.
class TParameterReader {
public:
    explicit TParameterReader(const QByteArray& text) : FText(text) {}

    std::vector<std::pair<QByteArray, QByteArray>> Read()
    {
        std::vector<std::pair<QByteArray, QByteArray>> parameters;
        SkipTo(';'); // the disposition type
        while (Take(';')) {
            SkipSpace();
            const QByteArray name = Token().toLower();
            SkipSpace();
            if (name.isEmpty() || !Take('='))
                break;
            SkipSpace();
            const std::optional<QByteArray> value = AtEnd() || FText[FAt] != '"' ? std::optional(Token()) : Quoted();
            if (!value)
                break;
            parameters.emplace_back(name, *value);
            SkipSpace();
            if (!AtEnd() && FText[FAt] != ';')
                break;
        }
        return parameters;
    }

private:
    bool AtEnd() const { return FAt >= FText.size(); }
    void SkipSpace()
    {
        while (!AtEnd() && IsSpace(FText[FAt]))
            ++FAt;
    }
    void SkipTo(char c)
    {
        while (!AtEnd() && FText[FAt] != c)
            ++FAt;
    }
    bool Take(char c)
    {
        if (AtEnd() || FText[FAt] != c)
            return false;
        ++FAt;
        return true;
    }
    QByteArray Token()
    {
        const qsizetype start = FAt;
        while (!AtEnd() && !IsSpace(FText[FAt]) && FText[FAt] != ';' && FText[FAt] != '=' && FText[FAt] != '"')
            ++FAt;
        return FText.mid(start, FAt - start);
    }
    std::optional<QByteArray> Quoted()
    {
        ++FAt; // the opening quote
        QByteArray value;
        while (!AtEnd()) {
            const char c = FText[FAt++];
            if (c == '"')
                return value;
            if (c == '\\' && !AtEnd())
                value += FText[FAt++];
            else
                value += c;
        }
        return std::nullopt; // no closing quote
    }

    const QByteArray& FText;
    qsizetype FAt = 0;
};

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// charset'language'percent-encoded (RFC 8187); "" for another charset or a broken encoding.
QString ExtendedValue(const QByteArray& value)
{
    const qsizetype firstQuote = value.indexOf('\'');
    const qsizetype secondQuote = firstQuote < 0 ? -1 : value.indexOf('\'', firstQuote + 1);
    if (secondQuote < 0)
        return {};
    const QByteArray charset = value.left(firstQuote).toLower();
    QByteArray bytes;
    for (qsizetype i = secondQuote + 1; i < value.size(); ++i) {
        if (value[i] != '%') {
            bytes += value[i];
            continue;
        }
        const int high = i + 2 < value.size() ? HexValue(value[i + 1]) : -1;
        const int low = high < 0 ? -1 : HexValue(value[i + 2]);
        if (low < 0)
            return {};
        bytes += char(high * 16 + low);
        i += 2;
    }
    if (charset == "iso-8859-1")
        return QString::fromLatin1(bytes);
    if (charset != "utf-8")
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

QString LastComponent(const QString& name)
{
    const qsizetype separator = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return name.mid(separator + 1);
}

} // namespace

QString ContentDispositionFileName(const QByteArray& header)
{
    QString plain;
    for (const auto& [name, value] : TParameterReader(header).Read()) {
        if (name == "filename*") {
            const QString extended = LastComponent(ExtendedValue(value));
            if (!extended.isEmpty())
                return extended;
        } else if (name == "filename" && plain.isEmpty()) {
            // Servers put UTF-8 here although the header is Latin-1 by the rules; UTF-8 that
            // decodes cleanly is taken as such.
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString text = decoder.decode(value);
            plain = LastComponent(decoder.hasError() ? QString::fromLatin1(value) : text);
        }
    }
    return plain;
}
