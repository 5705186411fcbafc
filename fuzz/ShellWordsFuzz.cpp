// Shell-word splitting: any text splits, and words quoted back split into the same words.
#include "fuzz/FuzzInput.h"
#include "platform/ShellWords.h"

#include <utility>

namespace {

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// The word in single quotes; a quote inside it as '\''.
QString Quoted(QString word)
{
    return QLatin1Char('\'') + word.replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const QString text = input.RestAsUtf16();
    const QStringList words = SplitShellWords(text);

    QStringList quoted;
    for (const QString& word : words)
        quoted << Quoted(word);
    Require(SplitShellWords(quoted.join(QLatin1Char(' '))) == words, "quoted words split into themselves");

    // Without quotes and backslashes only blanks separate, and nothing else changes.
    const bool plain = !text.contains(QLatin1Char('\'')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\\'));
    if (plain) {
        QStringList expected;
        QString word;
        for (const QChar c : text + QLatin1Char(' ')) {
            if (!IsBlank(c))
                word += c;
            else if (!word.isEmpty())
                expected << std::exchange(word, QString());
        }
        Require(words == expected, "plain words are the text between blanks");
    }
    return 0;
}
