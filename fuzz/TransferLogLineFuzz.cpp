// Transfer log lines: whatever the message holds, one call writes exactly one line of valid
// UTF-8 in the log's form.
#include "fuzz/FuzzInput.h"
#include "webcopy/TransferLogLine.h"

#include <QStringDecoder>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const QDateTime when(QDate(2000, 1, 2), QTime(13, 4));
    const QString message = input.RestAsUtf16();
    const QString line = TransferLogLine(when, message);
    Require(line.startsWith(QStringLiteral("13:04 02/01/2000 : ")), "the time and the separator come first");
    Require(line.endsWith(QStringLiteral("\r\n")), "the line ends with CR LF");
    const QString text = line.chopped(2);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        Require(u >= 0x20 && u != 0x7F && !(u >= 0x80 && u <= 0x9F) && u != 0x2028 && u != 0x2029,
                "no line break or other control character inside the line");
    }
    Require(!HasUnpairedSurrogate(line), "no unpaired surrogate");
    const QByteArray bytes = line.toUtf8();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder(bytes);
    Require(!decoder.hasError() && decoded == line, "valid UTF-8 that reads back as the line");
    Require(text.size() >= message.size(), "nothing of the message is dropped");
    return 0;
}
