#include "platform/Terminal.h"

#include <cstdio>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
int Descriptor(Terminal::TStream stream)
{
    switch (stream) {
    case Terminal::TStream::Input: return STDIN_FILENO;
    case Terminal::TStream::Output: return STDOUT_FILENO;
    case Terminal::TStream::Error: break;
    }
    return STDERR_FILENO;
}
} // namespace

bool Terminal::IsTerminal(TStream stream)
{
    return isatty(Descriptor(stream)) == 1;
}

int Terminal::Columns(TStream stream)
{
    winsize size{};
    if (ioctl(Descriptor(stream), TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

bool Terminal::ReadHiddenLine(const QString& prompt, QString& line)
{
    if (!IsTerminal(TStream::Input))
        return false;
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0)
        return false;
    termios silent = saved;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    std::string text;
    bool ended = false;
    for (;;) {
        char c = 0;
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got <= 0) {
            ended = true;
            break;
        }
        if (c == '\n')
            break;
        text += c;
    }
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    // The Enter that was not echoed.
    std::fputc('\n', stderr);
    if (ended)
        return false;
    line = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    return true;
}
