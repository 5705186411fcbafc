#pragma once

#include "webcopy/ProgressObserver.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

// A one-line progress bar on a terminal: the file, a bar, size, rate and time left, redrawn in
// place (carriage return) at most a few times a second so that it stays readable and cheap.
class TTerminalProgress : public TWcProgressObserver {
public:
    // `columns` is the terminal's width (0: unknown, then 80).
    TTerminalProgress(std::FILE* stream, int columns);

    void CaptionChanged(const QString& caption) override;
    void FileLineChanged(const QString& text) override;
    void MarqueeChanged(bool marquee) override;
    void StatusChanged(const QString& status) override;
    void ProgressChanged(const TProgressKeys& keys, unsigned changes) override;
    void RunEnded(bool cancelled) override;

private:
    void Draw(bool now);
    QString Line() const;

    std::FILE* FStream;
    int FColumns;
    QString FFile;
    QString FStatus;
    TProgressKeys FKeys;
    bool FMarquee = false;
    bool FDrawn = false;
    QElapsedTimer FSinceDrawn;
};
