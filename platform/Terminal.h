#pragma once

#include <QString>

// The controlling terminal, for command-line programs: whether a standard stream is one, how
// wide it is, and a line typed without echo (a password).
namespace Terminal {
enum class TStream { Input, Output, Error };

bool IsTerminal(TStream stream);
// Columns of the terminal behind the stream; 0 when it is none or does not say.
int Columns(TStream stream);
// Writes the prompt to standard error and reads one line from standard input with echo off.
// False when standard input is not a terminal or ends before a line.
bool ReadHiddenLine(const QString& prompt, QString& line);
} // namespace Terminal
