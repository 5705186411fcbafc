#include "webcopy/WebCopy.h"

#include "platform/InternetSession.h"
#include "platform/Shell.h"
#include "platform/TickCount.h"
#include "platform/UrlParser.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/ProgressForm.h"
#include "webcopy/ProgressFormat.h"
#include "webcopy/StoredSettings.h"
#include "webcopy/TargetFolder.h"
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

QDialog* TWebCopy::ProgressForm() const { return FForm.get(); }
QProgressBar* TWebCopy::ProgressBar() const { return FForm ? FForm->ProgressBar() : nullptr; }
TWcProgressLine* TWebCopy::ProgressFileLabel() const { return FForm ? FForm->FileLine() : nullptr; }
TWcProgressLine* TWebCopy::ProgressSizeLabel() const { return FForm ? FForm->SizeLine() : nullptr; }
TWcProgressLine* TWebCopy::ProgressRateLabel() const { return FForm ? FForm->RateLine() : nullptr; }

QString TWebCopy::RateStr() const
{
    return FProgressValid ? RateTextFromKey(FProgressKeys.RateKey) : QString();
}

QString TWebCopy::TimeLeftStr() const
{
    return FProgressValid ? TimeTextFromKey(FProgressKeys.TimeLeftKey, DlgTimeSec, DlgTimeMin) : QString();
}

QString TWebCopy::ElapsedTimeStr() const
{
    return FProgressValid ? TimeTextFromKey(FProgressKeys.ElapsedKey, DlgTimeSec, DlgTimeMin) : QString();
}

QString TWebCopy::RequestServer(const QString& url)
{
    const TUrlParts parts = ParseUrl(url);
    if (!parts.Valid)
        return ExtractURLHost(url);
    const int defaultPort = parts.Scheme == QStringLiteral("https") ? 443 : 80;
    return parts.Port == defaultPort ? parts.Host : parts.Host + QLatin1Char(':') + QString::number(parts.Port);
}

void TWebCopy::DisposeForm()
{
    // Deferred: the dialog may be in the middle of one of its own signals (a button click).
    if (TWcProgressForm* form = FForm.release()) {
        form->hide();
        form->deleteLater();
    }
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
    DisposeForm();

    TWcProgressForm::TOptions options;
    options.ShowFileName = ShowFileName;
    options.ShowTime = ShowTime;
    options.ShowElapsedTime = ShowElapsedTime;
    options.ShowCancel = DlgShowCancel;
    options.ShowOpenFile = ShowOpenFile;
    options.ShowOpenFolder = ShowOpenFolder;
    options.ShowCloseButton = DlgShowCloseBtn;
    // Placed on top once shown means on top for good, as a top-most window stays.
    options.StayOnTop = ShowDialogOnTop || AlwaysOnTop;
    options.Caption = DlgCaption + QStringLiteral(" ...");
    options.FileLabel = DlgFileLabel;
    options.ProgressLabel = DlgProgressLabel;
    options.RateLabel = DlgRateLabel;
    options.TimeLabel = DlgTimeLabel;
    options.ElapsedTimeLabel = DlgElapsedTimeLabel;
    options.CancelCaption = DlgCancel;
    options.OpenFileCaption = DlgOpenFile;
    options.OpenFolderCaption = DlgOpenFolder;
    options.CloseCaption = DlgClose;
    options.OfWord = DlgFileOfLabel;
    options.SecondWord = DlgTimeSec;
    options.MinuteWord = DlgTimeMin;

    FForm = std::make_unique<TWcProgressForm>(options);
    FForm->OnCloseQuery = [this] { return ProgressFormCloseQuery(); };
    // Closed for good (Close, an Open button, the close box after the run): it goes.
    connect(FForm.get(), &TWcProgressForm::Closed, this, [this] { DisposeForm(); });
    connect(FForm->CancelButton(), &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    if (QPushButton* openFolder = FForm->OpenFolderButton())
        connect(openFolder, &QPushButton::clicked, this, [this] { OpenFolderBtnClick(); });
    if (QPushButton* openFile = FForm->OpenFileButton())
        connect(openFile, &QPushButton::clicked, this, [this] { OpenFileBtnClick(); });

    FCancelIsClose = false;
    FormClosed = false;
    FCancelled = false;
    FProgressKeys = {};
    FProgressValid = false;
    FItemStartTick = TickCount();
    FCaptionPosition = -1;
    FCaptionWord.clear();
    if (ProgressObserver)
        ProgressObserver->CaptionChanged(options.Caption);

    if (ShowDialog) {
        if (OnBeforeDialogShow)
            OnBeforeDialogShow(this, FForm.get());
        if (FForm) {
            FForm->show();
            if (AlwaysOnTop) {
                FForm->raise();
                FForm->activateWindow();
            }
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
    NotifyObservers([&](TWcProgressObserver& observer) { observer.CaptionChanged(caption); });
}

void TWebCopy::SetMarquee(bool marquee)
{
    NotifyObservers([&](TWcProgressObserver& observer) { observer.MarqueeChanged(marquee); });
}

void TWebCopy::ShowStatus(const QString& status)
{
    FProgressKeys = {};
    FProgressValid = false;
    NotifyObservers([&](TWcProgressObserver& observer) { observer.StatusChanged(status); });
}

void TWebCopy::ShowWaiting()
{
    if (FProgressValid)
        return;
    const quint64 elapsedKey = TimeKey(TickCount() - FItemStartTick, 0, 0);
    if (elapsedKey == FProgressKeys.ElapsedKey)
        return;
    FProgressKeys.ElapsedKey = elapsedKey;
    NotifyObservers([&](TWcProgressObserver& observer) {
        observer.ProgressChanged(FProgressKeys, TProgressKeys::ElapsedChanged);
    });
}

void TWebCopy::ShowFileLine(const QString& name, const QString& serverWord, const QString& server,
                            bool alwaysNameServer)
{
    QString text = DlgFileLabel + QLatin1Char(' ');
    if (FItems.Count() >= 2)
        text += QStringLiteral("%1 %2 %3 : ").arg(FFileNum).arg(DlgFileOfLabel).arg(FItems.ActiveItems());
    text += name;
    if (ShowServer || alwaysNameServer)
        text += QLatin1Char(' ') + serverWord + QLatin1Char(' ') + server;
    NotifyObservers([&](TWcProgressObserver& observer) { observer.FileLineChanged(text); });
}

void TWebCopy::ReportError(int code, const QString& info)
{
    if (OnError)
        OnError(this, code);
    if (OnErrorInfo)
        OnErrorInfo(this, code, info);
}

TWebCopy::TDateCheck TWebCopy::CheckSourceDate(int idx, TDateTime sourceDate, bool copyNewerOnly,
                                               bool dateBeforeCheck, TDateTime& fileDate, bool& noNewVersion,
                                               const QString& reportedName,
                                               const std::function<void()>& releaseSource)
{
    if (OnFileDateCheck) {
        if (dateBeforeCheck)
            fileDate = sourceDate;
        bool allow = true;
        OnFileDateCheck(this, idx, sourceDate, allow);
        if (!allow)
            return TDateCheck::Refused;
        fileDate = sourceDate;
        return TDateCheck::Copy;
    }
    if (!copyNewerOnly)
        return TDateCheck::Copy;
    const bool newer = sourceDate > fileDate;
    fileDate = sourceDate;
    if (newer)
        return TDateCheck::Copy;
    noNewVersion = true;
    if (releaseSource)
        releaseSource();
    if (OnNoNewFileFound)
        OnNoNewFileFound(this, reportedName, fileDate, sourceDate);
    return TDateCheck::NotNewer;
}

bool TWebCopy::ApplyOverwriteRule(QString& targetPath, TTargetFolder& folder)
{
    if (!folder.Exists(targetPath))
        return true;
    bool allow = true;
    if (OnCopyOverWrite)
        OnCopyOverWrite(this, targetPath, allow);
    if (!allow)
        return false;
    if (CreateUniqueFilenames)
        targetPath = MakeUniqueFileName(targetPath, [&](const QString& path) { return folder.Exists(path); },
                                        folder.MaxFileNameBytes(ParentDirectory(targetPath)));
    return true;
}

TTransferResult TWebCopy::InTargetFolder(const QString& targetDir, const QString& userName, const QString& password,
                                         const std::function<TTransferResult(TTargetFolder&)>& transfer)
{
    TTargetFolder folder;
    TTransferResult result = folder.Open(targetDir, userName, password)
        ? transfer(folder)
        : TTransferResult::ConnectError(folder.Reason());
    if (!folder.Close())
        result.LeftShareBadly(folder.Reason());
    return result;
}

void TWebCopy::ShowProgress(qint64 done, qint64 total, quint32 startTick, const QString& captionWord,
                            bool emptyIsComplete)
{
    // Integer keys only: observers are told which keys changed and make their texts when they
    // show them.
    TProgressKeys& keys = FProgressKeys;
    unsigned changes = FProgressValid ? 0u : unsigned(TProgressKeys::AllChanged);
    FProgressValid = true;
    const bool knownTotal = total > 0 || emptyIsComplete;

    if (knownTotal) {
        const int position =
            total > 0 ? static_cast<int>(std::clamp<qint64>(MulDivRoundHalfEven(done, 100, total), 0, 100)) : 100;
        if (position != keys.Position) {
            keys.Position = position;
            changes |= TProgressKeys::PositionChanged;
        }
    } else if (keys.Position < 0) {
        keys.Position = 0;
    }

    const qint64 doneKey = AmountKey(done);
    const qint64 totalKey = knownTotal ? AmountKey(total) : TProgressKeys::NoTotal;
    if (doneKey != keys.DoneKey || totalKey != keys.TotalKey) {
        keys.DoneKey = doneKey;
        keys.TotalKey = totalKey;
        changes |= TProgressKeys::SizeChanged;
    }

    if (ShowCompletion && (keys.Position != FCaptionPosition || captionWord != FCaptionWord)) {
        FCaptionPosition = keys.Position;
        FCaptionWord = captionWord;
        SetCaption(QStringLiteral("%1 : %2% %3").arg(captionWord).arg(keys.Position).arg(DlgCompleted));
    }

    const quint32 now = TickCount();
    const quint32 elapsed = now - startTick;
    const qint64 rateKey = AmountKey(MulDivRoundHalfEven(done, 1000, static_cast<qint64>(elapsed) + 1));
    if (rateKey != keys.RateKey) {
        keys.RateKey = rateKey;
        changes |= TProgressKeys::RateChanged;
    }
    // Nothing is left once everything is done (the formula alone would give the elapsed time).
    const quint64 timeLeftKey = total > 0 && done == total ? TimeKey(0, 0, total) : TimeKey(elapsed, done, total);
    if (timeLeftKey != keys.TimeLeftKey) {
        keys.TimeLeftKey = timeLeftKey;
        changes |= TProgressKeys::TimeLeftChanged;
    }
    // The elapsed line counts from the start of the item, time spent connecting included.
    const quint64 elapsedKey = TimeKey(std::max(elapsed, now - FItemStartTick), 0, total);
    if (elapsedKey != keys.ElapsedKey) {
        keys.ElapsedKey = elapsedKey;
        changes |= TProgressKeys::ElapsedChanged;
    }
    if (changes)
        NotifyObservers([&](TWcProgressObserver& observer) { observer.ProgressChanged(keys, changes); });

    if (OnCopyProgress)
        OnCopyProgress(this, FFileNum, static_cast<quint32>(done), static_cast<quint32>(total));
    KeepResponsive();
}

void TWebCopy::KeepResponsive()
{
    constexpr qint64 EventsIntervalNs = 1000000;
    if (FSinceEventsHandled.isValid() && FSinceEventsHandled.nsecsElapsed() < EventsIntervalNs)
        return;
    QCoreApplication::processEvents();
    FSinceEventsHandled.start();
}
