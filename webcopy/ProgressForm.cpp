#include "webcopy/ProgressForm.h"

#include "webcopy/ProgressFormat.h"
#include "webcopy/ProgressLine.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {
constexpr int LineHeight = 17;
}

TWcProgressForm::TWcProgressForm(const TOptions& options)
    : FOptions(options)
{
    setObjectName(QStringLiteral("WebCopyProgressForm"));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;
    if (options.ShowCloseButton)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (options.StayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setWindowTitle(options.Caption);

    // E: the room the two time lines take; D: the shift of the lines when the file line is hidden.
    const int timeRoom = (options.ShowTime ? 20 : 0) + (options.ShowElapsedTime ? 20 : 0);
    const int shift = options.ShowFileName ? 0 : 20;
    const int captionHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int outerHeight = captionHeight + timeRoom + 145 - (options.ShowCancel ? 0 : 20);
    setFixedSize(DialogWidth - 2 * BorderWidth, outerHeight + TopMargin - captionHeight - 2 * BorderWidth);

    const int width = DialogWidth;
    FFileLbl = new TWcProgressLine(options.FileLabel, this);
    FFileLbl->setGeometry(10, 0, width - 20, LineHeight);
    FFileLbl->setVisible(options.ShowFileName);

    const auto addLine = [&](const QString& text, int top, bool visible) {
        auto* line = new TWcProgressLine(text, this);
        line->setGeometry(10, shift + top, width - 20, LineHeight);
        line->setVisible(visible);
        return line;
    };
    FSizeLbl = addLine(options.ProgressLabel, 40, true);
    FRateLbl = addLine(options.RateLabel, 60, true);
    FTimeLbl = addLine(options.TimeLabel, 80, options.ShowTime);
    FElapsedTimeLbl = addLine(options.ElapsedTimeLabel, 100, options.ShowElapsedTime);

    // The lines make their texts from the latest keys when they are painted or read.
    FSizeLbl->TextSource = [this] {
        QString text = FOptions.ProgressLabel + QLatin1Char(' ') + SizeTextFromKey(FKeys.DoneKey);
        if (FKeys.TotalKey != TProgressKeys::NoTotal)
            text += QLatin1Char(' ') + FOptions.OfWord + QLatin1Char(' ') + SizeTextFromKey(FKeys.TotalKey);
        return text;
    };
    FRateLbl->TextSource = [this] { return FOptions.RateLabel + QLatin1Char(' ') + RateTextFromKey(FKeys.RateKey); };
    FTimeLbl->TextSource = [this] {
        return FOptions.TimeLabel + QLatin1Char(' ')
            + TimeTextFromKey(FKeys.TimeLeftKey, FOptions.SecondWord, FOptions.MinuteWord);
    };
    FElapsedTimeLbl->TextSource = [this] {
        return FOptions.ElapsedTimeLabel + QLatin1Char(' ')
            + TimeTextFromKey(FKeys.ElapsedKey, FOptions.SecondWord, FOptions.MinuteWord);
    };

    const int buttonTop = timeRoom + (options.ShowFileName ? 100 : 80);
    const auto addButton = [&](const QString& caption, int left, const QString& name) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setGeometry(left, buttonTop, ButtonWidth, ButtonHeight);
        button->setAutoDefault(false);
        return button;
    };
    FCancelBtn = addButton(options.CancelCaption, width - ButtonWidth - 20, QStringLiteral("CancelBtn"));
    FCancelBtn->setVisible(options.ShowCancel);
    const int openLeft = width - 2 * ButtonWidth - 20;
    if (options.ShowOpenFolder) {
        FBtnShowFolder = addButton(options.OpenFolderCaption, openLeft, QStringLiteral("BtnShowFolder"));
        FBtnShowFolder->setEnabled(false);
    }
    if (options.ShowOpenFile) {
        const int left = options.ShowOpenFolder ? openLeft - ButtonWidth - 10 : openLeft;
        FBtnShowFile = addButton(options.OpenFileCaption, left, QStringLiteral("BtnShowFile"));
        FBtnShowFile->setEnabled(false);
    }

    FProgress = new QProgressBar(this);
    FProgress->setGeometry(10, 20, width - 30, 12);
    FProgress->setRange(0, 100);
    FProgress->setValue(0);
    FProgress->setTextVisible(false);

    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        control->move(control->pos() + QPoint(0, TopMargin));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), QSize(DialogWidth, outerHeight + TopMargin));
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TWcProgressForm::SetMarquee(bool marquee)
{
    FProgress->setRange(0, marquee ? 0 : 100);
}

void TWcProgressForm::CaptionChanged(const QString& caption)
{
    setWindowTitle(caption);
}

void TWcProgressForm::FileLineChanged(const QString& text)
{
    FFileLbl->setText(text);
}

void TWcProgressForm::StatusChanged(const QString& status)
{
    FSizeLbl->setText(status);
}

void TWcProgressForm::RetryWaiting(int attempt, int retries, int secondsLeft, const QString& reason)
{
    StatusChanged(QStringLiteral("%1 Trying again in %2 s (%3 of %4)\u2026").arg(reason).arg(secondsLeft).arg(attempt).arg(retries));
}

void TWcProgressForm::ProgressChanged(const TProgressKeys& keys, unsigned changes)
{
    FKeys = keys;
    if (changes & TProgressKeys::PositionChanged) {
        // The bar paints itself at once on every visible step, and a run of small files steps it
        // from 0 to 100 for each: with updates held it is painted with the next event handling.
        FProgress->setUpdatesEnabled(false);
        FProgress->setValue(keys.Position);
        FProgress->setUpdatesEnabled(true);
    }
    if (changes & TProgressKeys::SizeChanged)
        FSizeLbl->Invalidate();
    if (changes & TProgressKeys::RateChanged)
        FRateLbl->Invalidate();
    if (changes & TProgressKeys::TimeLeftChanged)
        FTimeLbl->Invalidate();
    if (changes & TProgressKeys::ElapsedChanged)
        FElapsedTimeLbl->Invalidate();
}

void TWcProgressForm::RunEnded(bool cancelled)
{
    if (!FBtnShowFile && !FBtnShowFolder)
        return;
    FCancelBtn->setText(FOptions.CloseCaption);
    if (cancelled)
        return;
    if (FBtnShowFile)
        FBtnShowFile->setEnabled(true);
    if (FBtnShowFolder)
        FBtnShowFolder->setEnabled(true);
}

void TWcProgressForm::closeEvent(QCloseEvent* event)
{
    const TCloseAnswer answer = OnCloseQuery ? OnCloseQuery() : TCloseAnswer::Close;
    if (answer == TCloseAnswer::Close) {
        event->accept();
        emit Closed();
        return;
    }
    event->ignore();
    if (answer == TCloseAnswer::Hide)
        hide();
}

void TWcProgressForm::keyPressEvent(QKeyEvent* event)
{
    // Esc goes through the close query like every other way of closing.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}
