#include "webcopy/TransferLogLine.h"

namespace {

QString Hex(char16_t c, int digits)
{
    return QString::number(c, 16).rightJustified(digits, QLatin1Char('0'));
}

} // namespace

QString TransferLogLine(const QDateTime& when, const QString& message)
{
    return when.toString(QStringLiteral("hh:mm dd/MM/yyyy")) + QStringLiteral(" : ") + TransferLogText(message)
        + QStringLiteral("\r\n");
}

QString TransferLogText(const QString& message)
{
    QString line;
    line.reserve(message.size());
    for (qsizetype i = 0; i < message.size(); ++i) {
        const char16_t c = message[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < message.size() && message[i + 1].isLowSurrogate()) {
            line += message[i];
            line += message[++i];
        } else if (QChar::isSurrogate(c)) {
            line += QChar(QChar::ReplacementCharacter);
        } else if (c == u'\r') {
            line += QStringLiteral("\\r");
        } else if (c == u'\n') {
            line += QStringLiteral("\\n");
        } else if (c == u'\t') {
            line += QStringLiteral("\\t");
        } else if (c < 0x20 || c == 0x7F) {
            line += QStringLiteral("\\x") + Hex(c, 2);
        } else if ((c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029) {
            line += QStringLiteral("\\u") + Hex(c, 4);
        } else {
            line += message[i];
        }
    }
    return line;
}
