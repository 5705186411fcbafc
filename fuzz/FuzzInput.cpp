#include "fuzz/FuzzInput.h"

#include <cstdio>
#include <cstdlib>

QString TFuzzInput::RestAsUtf16()
{
    QString text;
    while (FAt + 1 < FSize)
        text += QChar(Take<char16_t>());
    FAt = FSize;
    return text;
}

QString TFuzzInput::RestAsUtf8()
{
    const auto* rest = reinterpret_cast<const char*>(FData + FAt);
    const QString text = QString::fromUtf8(rest, qsizetype(FSize - FAt));
    FAt = FSize;
    return text;
}

QByteArray TFuzzInput::RestAsBytes()
{
    const QByteArray rest(reinterpret_cast<const char*>(FData + FAt), qsizetype(FSize - FAt));
    FAt = FSize;
    return rest;
}

bool HasUnpairedSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

void Require(bool condition, const char* invariant)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}
