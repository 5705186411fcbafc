#include "cli/TerminalProgress.h"

#include "webcopy/ProgressFormat.h"

namespace {
constexpr qint64 RedrawIntervalMs = 250;
constexpr int BarWidth = 20;
constexpr int DefaultColumns = 80;
} // namespace

TTerminalProgress::TTerminalProgress(std::FILE* stream, int columns)
    : FStream(stream), FColumns(columns > 0 ? columns : DefaultColumns)
{
}

void TTerminalProgress::CaptionChanged(const QString&) {}

void TTerminalProgress::FileLineChanged(const QString& text)
{
    FFile = text;
    FStatus.clear();
    FKeys = TProgressKeys();
    Draw(true);
}

void TTerminalProgress::MarqueeChanged(bool marquee)
{
    FMarquee = marquee;
}

void TTerminalProgress::StatusChanged(const QString& status)
{
    FStatus = status;
    Draw(true);
}

void TTerminalProgress::ProgressChanged(const TProgressKeys& keys, unsigned)
{
    FKeys = keys;
    FStatus.clear();
    // The last step of a file is always drawn, so the line ends at 100 %.
    Draw(keys.Total > 0 && keys.Done >= keys.Total);
}

void TTerminalProgress::RunEnded(bool)
{
    if (!FDrawn)
        return;
    Draw(true);
    std::fputc('\n', FStream);
    std::fflush(FStream);
    FDrawn = false;
}

void TTerminalProgress::Draw(bool now)
{
    if (!now && FSinceDrawn.isValid() && FSinceDrawn.elapsed() < RedrawIntervalMs)
        return;
    FSinceDrawn.start();
    // Clear to the end of the line: a shorter line must not leave the tail of a longer one.
    std::fputs(("\r" + Line().toLocal8Bit() + "\x1b[K").constData(), FStream);
    std::fflush(FStream);
    FDrawn = true;
}

QString TTerminalProgress::Line() const
{
    QString tail;
    if (!FStatus.isEmpty()) {
        tail = FStatus;
    } else if (FKeys.Position >= 0) {
        QString bar;
        if (FMarquee || FKeys.Total <= 0) {
            bar = QString(BarWidth, QLatin1Char('-'));
        } else {
            const int filled = FKeys.Position * BarWidth / 100;
            bar = QString(filled, QLatin1Char('#')) + QString(BarWidth - filled, QLatin1Char('.'));
        }
        tail = QStringLiteral("[%1] %2").arg(bar, SizeTextFromKey(FKeys.DoneKey));
        if (FKeys.Total > 0)
            tail += QStringLiteral(" of %1 %2%").arg(SizeTextFromKey(FKeys.TotalKey)).arg(FKeys.Position, 3);
        tail += QStringLiteral("  %1").arg(RateTextFromKey(FKeys.RateKey));
        if (FKeys.Total > 0 && FKeys.Done < FKeys.Total)
            tail += QStringLiteral("  %1 left").arg(TimeTextFromKey(FKeys.TimeLeftKey, QStringLiteral("s"), QStringLiteral("min")));
    }
    // The file line gives way first when the terminal is narrow, from its end: its start names the file.
    const int room = FColumns - 1 - static_cast<int>(tail.size()) - 2;
    QString file = FFile;
    if (room <= 0)
        file.clear();
    else if (file.size() > room)
        file = file.left(std::max(0, room - 3)) + QStringLiteral("...");
    const QString line = file.isEmpty() ? tail : file + QStringLiteral("  ") + tail;
    return line.left(FColumns - 1);
}
