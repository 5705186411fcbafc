#include "webcopy/WebCopy.h"

#include "platform/InternetSession.h"
#include "platform/Shell.h"
#include "platform/TickCount.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/ProgressForm.h"
#include "webcopy/ProgressFormat.h"
#include "webcopy/ProgressLine.h"
#include "webcopy/StoredSettings.h"
#include "webcopy/UrlHelpers.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <algorithm>

TWebCopy::TWebCopy(QObject* AOwner)
    : QObject(AOwner)
    , FItems(this)
{
}

TWebCopy::~TWebCopy()
{
    // A helper thread may still be about to ask for its run; each request it posts is dropped,
    // which releases it, until it has ended.
    if (FCopyThread) {
        do
            QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
        while (!FCopyThread->wait(QDeadlineTimer(20)));
    }
    delete FForm.data();
}

QString TWebCopy::Version() const
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg((VersionNumber >> 24) & 0xff)
        .arg((VersionNumber >> 16) & 0xff)
        .arg((VersionNumber >> 8) & 0xff)
        .arg(VersionNumber & 0xff);
}

QVariantMap TWebCopy::StoredSettings() const
{
    const TWebCopy defaults;
    return NonDefaultProperties(*this, defaults, {QStringLiteral("FTPPassive"), QStringLiteral("Timeout")});
}

void TWebCopy::LoadSettings(const QVariantMap& Settings)
{
    LoadProperties(*this, Settings);
}

QDialog* TWebCopy::ProgressForm() const { return FForm.data(); }
QProgressBar* TWebCopy::ProgressBar() const { return FForm ? FForm->ProgressBar() : nullptr; }
TWcProgressLine* TWebCopy::ProgressFileLabel() const { return FForm ? FForm->FileLine() : nullptr; }
TWcProgressLine* TWebCopy::ProgressSizeLabel() const { return FForm ? FForm->SizeLine() : nullptr; }
TWcProgressLine* TWebCopy::ProgressRateLabel() const { return FForm ? FForm->RateLine() : nullptr; }

QString TWebCopy::RateStr() const
{
    return FProgressKeys.valid ? RateTextFromKey(FProgressKeys.rateKey) : QString();
}

QString TWebCopy::TimeLeftStr() const
{
    return FProgressKeys.valid ? TimeTextFromKey(FProgressKeys.timeLeftKey, DlgTimeSec, DlgTimeMin) : QString();
}

QString TWebCopy::ElapsedTimeStr() const
{
    return FProgressKeys.valid ? TimeTextFromKey(FProgressKeys.elapsedKey, DlgTimeSec, DlgTimeMin) : QString();
}

QString TWebCopy::AddProxyCredentials(const QString& url) const
{
    return ::AddProxyCredentials(url, ProxyUserID, ProxyPassword);
}

QString TWebCopy::GetURLServer(const QString& url) const
{
    return ::GetURLServer(url);
}

QString TWebCopy::GetURLPath(const QString& url) const
{
    return ::GetURLPath(url);
}

void TWebCopy::BuildProgressForm()
{
    // The finished dialog of an earlier run gives way to the new one.
    delete FForm.data();

    TWcProgressForm::TOptions options;
    options.ShowFileName = ShowFileName;
    options.ShowTime = ShowTime;
    options.ShowElapsedTime = ShowElapsedTime;
    options.ShowCancel = DlgShowCancel;
    options.ShowOpenFile = ShowOpenFile;
    options.ShowOpenFolder = ShowOpenFolder;
    options.ShowCloseButton = DlgShowCloseBtn;
    options.StayOnTop = ShowDialogOnTop;
    options.Caption = DlgCaption + QStringLiteral(" ...");
    options.FileLabel = DlgFileLabel;
    options.ProgressLabel = DlgProgressLabel;
    options.RateLabel = DlgRateLabel;
    options.TimeLabel = DlgTimeLabel;
    options.ElapsedTimeLabel = DlgElapsedTimeLabel;
    options.CancelCaption = DlgCancel;
    options.OpenFileCaption = DlgOpenFile;
    options.OpenFolderCaption = DlgOpenFolder;

    FForm = new TWcProgressForm(options);
    FForm->setAttribute(Qt::WA_DeleteOnClose);
    FForm->OnCloseQuery = [this] { return ProgressFormCloseQuery(); };
    connect(FForm->CancelButton(), &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    if (QPushButton* openFolder = FForm->OpenFolderButton())
        connect(openFolder, &QPushButton::clicked, this, [this] { OpenFolderBtnClick(); });
    if (QPushButton* openFile = FForm->OpenFileButton())
        connect(openFile, &QPushButton::clicked, this, [this] { OpenFileBtnClick(); });

    // The four progress lines make their texts from the latest keys when they are shown.
    FForm->SizeLine()->TextSource = [this] {
        QString text = DlgProgressLabel + QLatin1Char(' ') + SizeTextFromKey(FProgressKeys.doneKey);
        if (FProgressKeys.totalKey != NoTotalKey)
            text += QLatin1Char(' ') + DlgFileOfLabel + QLatin1Char(' ') + SizeTextFromKey(FProgressKeys.totalKey);
        return text;
    };
    FForm->RateLine()->TextSource = [this] { return DlgRateLabel + QLatin1Char(' ') + RateStr(); };
    FForm->TimeLine()->TextSource = [this] { return DlgTimeLabel + QLatin1Char(' ') + TimeLeftStr(); };
    FForm->ElapsedTimeLine()->TextSource = [this] { return DlgElapsedTimeLabel + QLatin1Char(' ') + ElapsedTimeStr(); };

    FCancelIsClose = false;
    FormClosed = false;
    FCancelled = false;
    FProgressKeys = {};

    if (ShowDialog) {
        if (OnBeforeDialogShow)
            OnBeforeDialogShow(this, FForm);
        FForm->show();
        if (AlwaysOnTop && FForm) {
            FForm->raise();
            FForm->activateWindow();
        }
    }
    FCancelled = false;
}

TWcProgressForm::TCloseAnswer TWebCopy::ProgressFormCloseQuery()
{
    if (FCancelIsClose)
        return TWcProgressForm::TCloseAnswer::Close;
    // Closed by the user while the run still writes into it: out of sight until the run ends.
    if (DlgShowCloseBtn)
        return TWcProgressForm::TCloseAnswer::Hide;
    return TWcProgressForm::TCloseAnswer::Refuse;
}

void TWebCopy::CancelBtnClick()
{
    if (OnCopyCancel)
        OnCopyCancel(this);
    FCancelled = true;
    if (FForm)
        FForm->close();
}

void TWebCopy::OpenFileBtnClick()
{
    OpenAndClose(FLastFile);
}

void TWebCopy::OpenFolderBtnClick()
{
    OpenAndClose(FLastDir);
}

void TWebCopy::OpenAndClose(const QString& path)
{
    ShellOpen(path);
    if (FForm)
        FForm->close();
    FormClosed = true;
}

void TWebCopy::SetCaption(const QString& caption)
{
    if (FForm)
        FForm->setWindowTitle(caption);
}

QString TWebCopy::FileLabelPrefix() const
{
    if (FItems.Count() < 2)
        return {};
    return QStringLiteral("%1 %2 %3 : ").arg(FFileNum).arg(DlgFileOfLabel).arg(FItems.ActiveItems());
}

void TWebCopy::SetFileLine(const QString& text)
{
    if (FForm)
        FForm->FileLine()->setText(text);
}

void TWebCopy::ReportError(int code, const QString& info)
{
    if (OnError)
        OnError(this, code);
    if (OnErrorInfo)
        OnErrorInfo(this, code, info);
}

bool TWebCopy::ApplyOverwriteRule(QString& targetPath)
{
    if (!FileExists(targetPath))
        return true;
    bool allow = true;
    if (OnCopyOverWrite)
        OnCopyOverWrite(this, targetPath, allow);
    if (!allow)
        return false;
    if (CreateUniqueFilenames)
        targetPath = MakeUniqueFileName(targetPath);
    return true;
}

void TWebCopy::ShowProgress(qint64 done, qint64 total, quint32 startTick, const QString& captionWord,
                            bool emptyIsComplete)
{
    // Integer keys only: a line is told when its key changed and makes its text when it is
    // painted or read, at most about 60 times a second.
    TProgressKeys& keys = FProgressKeys;
    const bool first = !keys.valid;
    keys.valid = true;
    TWcProgressForm* form = FForm.data();
    const bool knownTotal = total > 0 || emptyIsComplete;

    if (knownTotal) {
        const int position =
            total > 0 ? static_cast<int>(std::clamp<qint64>(DivRoundHalfEven(done * 100, total), 0, 100)) : 100;
        if (position != keys.position) {
            keys.position = position;
            if (form)
                form->ProgressBar()->setValue(position);
        }
    } else if (keys.position < 0) {
        keys.position = form ? form->ProgressBar()->value() : 0;
    }

    const qint64 doneKey = AmountKey(done);
    const qint64 totalKey = knownTotal ? AmountKey(total) : NoTotalKey;
    if (first || doneKey != keys.doneKey || totalKey != keys.totalKey) {
        keys.doneKey = doneKey;
        keys.totalKey = totalKey;
        if (form)
            form->SizeLine()->Invalidate();
    }

    if (ShowCompletion && form && (keys.position != keys.captionPosition || captionWord != keys.captionWord)) {
        keys.captionPosition = keys.position;
        keys.captionWord = captionWord;
        form->setWindowTitle(QStringLiteral("%1 : %2% %3").arg(captionWord).arg(keys.position).arg(DlgCompleted));
    }

    const quint32 elapsed = TickCount() - startTick;
    const qint64 rateKey = AmountKey(DivRoundHalfEven(done * 1000, static_cast<qint64>(elapsed) + 1));
    if (first || rateKey != keys.rateKey) {
        keys.rateKey = rateKey;
        if (form)
            form->RateLine()->Invalidate();
    }
    const quint64 timeLeftKey = TimeKey(elapsed, done, total);
    if (first || timeLeftKey != keys.timeLeftKey) {
        keys.timeLeftKey = timeLeftKey;
        if (form)
            form->TimeLine()->Invalidate();
    }
    const quint64 elapsedKey = TimeKey(elapsed, 0, total);
    if (first || elapsedKey != keys.elapsedKey) {
        keys.elapsedKey = elapsedKey;
        if (form)
            form->ElapsedTimeLine()->Invalidate();
    }

    if (OnCopyProgress)
        OnCopyProgress(this, FFileNum, static_cast<quint32>(done), static_cast<quint32>(total));
    QCoreApplication::processEvents();
}
