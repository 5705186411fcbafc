#pragma once

#include <QString>
#include <QStringList>

// Splits a parameter text into words as a POSIX shell does, without running one: blanks
// separate words; single quotes keep everything literally; double quotes keep everything but
// \" \\ \$ \` and a backslash-newline; a backslash outside quotes keeps the next character.
// Nothing is expanded. An unterminated quote runs to the end of the text.
QStringList SplitShellWords(const QString& text);
