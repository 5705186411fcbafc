#include "platform/ShellWords.h"

#include <utility>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// The characters that a backslash escapes inside double quotes; elsewhere it stays literal.
bool isEscapableInDoubleQuotes(QChar c)
{
    return c == u'"' || c == u'\\' || c == u'$' || c == u'`' || c == u'\n';
}

} // namespace

QStringList SplitShellWords(const QString& text)
{
    QStringList words;
    QString word;
    bool inWord = false; // a quoted empty text is a word too
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isBlank(c)) {
            if (inWord)
                words.append(std::exchange(word, QString()));
            inWord = false;
            continue;
        }
        if (c == u'\\' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            ++i; // a line continuation joins, it does not start a word
            continue;
        }
        inWord = true;
        if (c == u'\'') {
            const qsizetype end = text.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? text.size() : end;
            word += text.mid(i + 1, stop - i - 1);
            i = stop;
        } else if (c == u'"') {
            for (++i; i < text.size() && text.at(i) != u'"'; ++i) {
                if (text.at(i) == u'\\' && i + 1 < text.size() && isEscapableInDoubleQuotes(text.at(i + 1))) {
                    ++i;
                    if (text.at(i) == u'\n')
                        continue;
                }
                word += text.at(i);
            }
        } else if (c == u'\\' && i + 1 < text.size()) {
            word += text.at(++i);
        } else {
            word += c;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}
