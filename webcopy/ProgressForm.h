#pragma once

#include "webcopy/ProgressObserver.h"

#include <QDialog>

#include <functional>

class QProgressBar;
class QPushButton;
class TWcProgressLine;

// The copy run's progress dialog: file line, progress bar, size, rate, time-left and
// elapsed-time lines, and the Cancel / Open file / Open folder buttons. Built in code for
// each run from the component's switches and texts; it makes its line texts itself from the
// progress keys the run reports.
class TWcProgressForm : public QDialog, public TWcProgressObserver {
    Q_OBJECT

public:
    struct TOptions {
        bool ShowFileName = true;
        bool ShowTime = false;
        bool ShowElapsedTime = false;
        bool ShowCancel = true;
        bool ShowOpenFile = false;
        bool ShowOpenFolder = false;
        bool ShowCloseButton = false;
        bool StayOnTop = true;
        QString Caption, FileLabel, ProgressLabel, RateLabel, TimeLabel, ElapsedTimeLabel;
        QString CancelCaption, OpenFileCaption, OpenFolderCaption, CloseCaption;
        QString OfWord, SecondWord, MinuteWord;
    };

    // Outer width of the dialog and the width of its push buttons.
    static constexpr int DialogWidth = 300;
    static constexpr int ButtonWidth = 75;
    static constexpr int ButtonHeight = 25;
    // The fixed dialog border on each side, taken out of the outer size.
    static constexpr int BorderWidth = 3;
    // Room above the file line, so its text does not touch the title bar; every control sits
    // this much lower and the dialog is this much higher than its layout table says.
    static constexpr int TopMargin = 6;

    explicit TWcProgressForm(const TOptions& options);

    TWcProgressLine* FileLine() const { return FFileLbl; }
    TWcProgressLine* SizeLine() const { return FSizeLbl; }
    TWcProgressLine* RateLine() const { return FRateLbl; }
    TWcProgressLine* TimeLine() const { return FTimeLbl; }
    TWcProgressLine* ElapsedTimeLine() const { return FElapsedTimeLbl; }
    QProgressBar* ProgressBar() const { return FProgress; }
    QPushButton* CancelButton() const { return FCancelBtn; }
    QPushButton* OpenFileButton() const { return FBtnShowFile; }
    QPushButton* OpenFolderButton() const { return FBtnShowFolder; }

    // The bar runs without a position while the total is unknown.
    void SetMarquee(bool marquee);

    void CaptionChanged(const QString& caption) override;
    void FileLineChanged(const QString& text) override;
    void MarqueeChanged(bool marquee) override { SetMarquee(marquee); }
    void StatusChanged(const QString& status) override;
    void RetryWaiting(int attempt, int retries, int secondsLeft, const QString& reason) override;
    void ProgressChanged(const TProgressKeys& keys, unsigned changes) override;
    // With Open buttons the dialog stays: Cancel becomes Close and, unless cancelled, the Open
    // buttons are enabled.
    void RunEnded(bool cancelled) override;

    // Asked before the dialog closes: Close lets it go, Refuse keeps it, Hide keeps it alive
    // but out of sight (a run still writes into it).
    enum class TCloseAnswer { Close, Refuse, Hide };
    std::function<TCloseAnswer()> OnCloseQuery;

signals:
    // The close query let it go: the dialog has closed for good.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TOptions FOptions;
    TProgressKeys FKeys;
    TWcProgressLine* FFileLbl = nullptr;
    TWcProgressLine* FSizeLbl = nullptr;
    TWcProgressLine* FRateLbl = nullptr;
    TWcProgressLine* FTimeLbl = nullptr;
    TWcProgressLine* FElapsedTimeLbl = nullptr;
    QProgressBar* FProgress = nullptr;
    QPushButton* FCancelBtn = nullptr;
    QPushButton* FBtnShowFile = nullptr;
    QPushButton* FBtnShowFolder = nullptr;
};
