#pragma once

#include "webcopy/ProgressObserver.h"
#include "webcopy/WebCopyItems.h"
#include "webcopy/WebCopyTypes.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QDialog;
class QProgressBar;
class QThread;
class TCopyRun;
class TTransfer;
struct TTransferJob;
struct TTransferResult;
class TInternetSession;
class TProgressReporter;
class TRunDialog;
class TWcProgressLine;

// The web copy component: a list of copy jobs, the texts and switches of its progress
// dialog, session settings and event callbacks. A run works through the active items on the
// user-interface thread, shows the progress dialog and reports through the events.
//
// Data safety: a file transfer never exposes a half-written file under the target's name
// and never destroys an existing target before the new copy is complete. It writes a
// temporary file in the target directory and renames it over the target at the end; a
// cancelled or failed transfer removes the temporary file and leaves an earlier file intact.
class TWebCopy : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Agent MEMBER Agent)
    Q_PROPERTY(bool AlwaysOnTop MEMBER AlwaysOnTop)
    Q_PROPERTY(bool AutoURLDecode MEMBER AutoURLDecode)
    Q_PROPERTY(bool CreateUniqueFilenames MEMBER CreateUniqueFilenames)
    Q_PROPERTY(QString DlgCancel MEMBER DlgCancel)
    Q_PROPERTY(QString DlgCaption MEMBER DlgCaption)
    Q_PROPERTY(QString DlgCompleted MEMBER DlgCompleted)
    Q_PROPERTY(QString DlgClose MEMBER DlgClose)
    Q_PROPERTY(QString DlgFileLabel MEMBER DlgFileLabel)
    Q_PROPERTY(QString DlgFileOfLabel MEMBER DlgFileOfLabel)
    Q_PROPERTY(QString DlgFromServerLabel MEMBER DlgFromServerLabel)
    Q_PROPERTY(QString DlgToServerLabel MEMBER DlgToServerLabel)
    Q_PROPERTY(QString DlgProgressLabel MEMBER DlgProgressLabel)
    Q_PROPERTY(QString DlgRateLabel MEMBER DlgRateLabel)
    Q_PROPERTY(QString DlgTimeLabel MEMBER DlgTimeLabel)
    Q_PROPERTY(QString DlgElapsedTimeLabel MEMBER DlgElapsedTimeLabel)
    Q_PROPERTY(QString DlgCopying MEMBER DlgCopying)
    Q_PROPERTY(QString DlgDwnload MEMBER DlgDwnload)
    Q_PROPERTY(QString DlgUpload MEMBER DlgUpload)
    Q_PROPERTY(QString DlgOpenFile MEMBER DlgOpenFile)
    Q_PROPERTY(QString DlgOpenFolder MEMBER DlgOpenFolder)
    Q_PROPERTY(QString DlgTimeSec MEMBER DlgTimeSec)
    Q_PROPERTY(QString DlgTimeMin MEMBER DlgTimeMin)
    Q_PROPERTY(bool FTPPassive MEMBER FTPPassive)
    Q_PROPERTY(WebCopyTypes::TFTPMode FTPMode MEMBER FTPMode)
    Q_PROPERTY(bool HTTPKeepAliveAuthentication MEMBER HTTPKeepAliveAuthentication)
    Q_PROPERTY(QString Proxy MEMBER Proxy)
    Q_PROPERTY(QString ProxyUserID MEMBER ProxyUserID)
    Q_PROPERTY(QString ProxyPassword MEMBER ProxyPassword)
    Q_PROPERTY(bool DlgShowCancel MEMBER DlgShowCancel)
    Q_PROPERTY(bool DlgShowCloseBtn MEMBER DlgShowCloseBtn)
    Q_PROPERTY(bool ShowDialog MEMBER ShowDialog)
    Q_PROPERTY(bool ShowDialogOnTop MEMBER ShowDialogOnTop)
    Q_PROPERTY(bool ShowOpenFile MEMBER ShowOpenFile)
    Q_PROPERTY(bool ShowOpenFolder MEMBER ShowOpenFolder)
    Q_PROPERTY(bool ShowCompletion MEMBER ShowCompletion)
    Q_PROPERTY(bool ShowElapsedTime MEMBER ShowElapsedTime)
    Q_PROPERTY(bool ShowFileName MEMBER ShowFileName)
    Q_PROPERTY(bool ShowServer MEMBER ShowServer)
    Q_PROPERTY(bool ShowTime MEMBER ShowTime)
    Q_PROPERTY(int Timeout MEMBER Timeout)
    Q_PROPERTY(int Retries MEMBER Retries)
    Q_PROPERTY(int RetryDelay MEMBER RetryDelay)
    Q_PROPERTY(int RetryDelayMax MEMBER RetryDelayMax)
    Q_PROPERTY(bool Resume MEMBER Resume)
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)

public:
    static constexpr quint32 VersionNumber = 0x02040400;

    explicit TWebCopy(QObject* AOwner = nullptr);
    ~TWebCopy() override;

    // Settings, with the values of a new instance.
    QString Agent = QStringLiteral("WebCopy");
    bool AlwaysOnTop = false;
    bool AutoURLDecode = false;
    bool CreateUniqueFilenames = false;
    QString DlgCancel = QStringLiteral("Cancel");
    QString DlgCaption = QStringLiteral("Downloading");
    QString DlgCompleted = QStringLiteral("completed");
    QString DlgClose = QStringLiteral("Close");
    QString DlgFileLabel = QStringLiteral("File :");
    QString DlgFileOfLabel = QStringLiteral("of");
    QString DlgFromServerLabel = QStringLiteral("from");
    QString DlgToServerLabel = QStringLiteral("to");
    QString DlgProgressLabel = QStringLiteral("Progress :");
    QString DlgRateLabel = QStringLiteral("Transfer rate :");
    QString DlgTimeLabel = QStringLiteral("Estimated time left :");
    QString DlgElapsedTimeLabel = QStringLiteral("Elapsed time :");
    QString DlgCopying = QStringLiteral("Copying");
    QString DlgDwnload = QStringLiteral("Downloading");
    QString DlgUpload = QStringLiteral("Uploading");
    QString DlgOpenFile = QStringLiteral("Open file");
    QString DlgOpenFolder = QStringLiteral("Open folder");
    QString DlgTimeSec = QStringLiteral("sec");
    QString DlgTimeMin = QStringLiteral("minutes");
    bool FTPPassive = false;
    TFTPMode FTPMode = fmBINARY;
    bool HTTPKeepAliveAuthentication = false;
    QString Proxy;
    QString ProxyUserID;
    QString ProxyPassword;
    bool DlgShowCancel = true;
    bool DlgShowCloseBtn = false;
    bool ShowDialog = true;
    bool ShowDialogOnTop = true;
    bool ShowOpenFile = false;
    bool ShowOpenFolder = false;
    bool ShowCompletion = false;
    bool ShowElapsedTime = false;
    bool ShowFileName = true;
    bool ShowServer = true;
    bool ShowTime = false;
    int Timeout = 0;
    // How often an item that failed for a transient reason (see TRetryPolicy) is tried again;
    // 0 never. The first wait is RetryDelay ms and doubles with each retry (plus some jitter);
    // no wait, a server's Retry-After included, is longer than RetryDelayMax ms.
    int Retries = 0;
    int RetryDelay = 1000;
    int RetryDelayMax = 60000;
    // A download (HTTP, HTTPS, binary FTP) that broke off keeps what arrived beside its target, and the
    // next attempt, a retry or a later run for the same URL and target, asks only for the rest
    // when the server's file is still the same one. False: a broken download leaves nothing.
    bool Resume = false;

    TWebCopyBeforeDialogShow OnBeforeDialogShow;
    TWebCopyConnectError OnConnectError;
    TWebCopyCancel OnCopyCancel;
    TWebCopyThreadDone OnCopyDone;
    TWebCopyOverwrite OnCopyOverWrite;
    TWebCopyProgress OnCopyProgress;
    TWebCopyError OnError;
    TWebCopyErrorInfo OnErrorInfo;
    TWebCopyFileDone OnFileDone;
    TWebCopyFileStart OnFileStart;
    TWebCopyFileDateCheck OnFileDateCheck;
    TWebCopyMultiFTPFileDone OnMultiFTPFileDone;
    TWebCopyURLNotFound OnURLNotFound;
    TWebCopyNoNewFile OnNoNewFileFound;
    // Without a handler, a program with windows shows the login prompt in its proxy form.
    TWebCopyProxyLogin OnProxyLogin;
    TWebRemoveFileDone OnRemovedFile;
    TWebRemoveFileFailed OnRemovedFileFailed;

    QString Version() const;
    void SetVersion(const QString&) {}

    TWebCopyItems& Items() { return FItems; }
    const TWebCopyItems& Items() const { return FItems; }

    // The settings an owner saves: those that differ from a new instance, plus FTPPassive
    // and Timeout, which are always stored.
    QVariantMap StoredSettings() const;
    void LoadSettings(const QVariantMap& Settings);

    // Run-time values.
    QDialog* ProgressForm() const;
    QProgressBar* ProgressBar() const;
    TWcProgressLine* ProgressFileLabel() const;
    TWcProgressLine* ProgressSizeLabel() const;
    TWcProgressLine* ProgressRateLabel() const;
    // Texts of the latest progress step.
    QString RateStr() const;
    QString TimeLeftStr() const;
    QString ElapsedTimeStr() const;
    bool FormClosed = false;
    QString LogfileName;
    // What the dialog says while a network transfer waits for its first block, before the host.
    QString DlgConnecting = QStringLiteral("Connecting to");
    // Certificate authorities to trust besides the system's (a PEM file), for HTTPS servers with
    // a private certificate; not a saved setting.
    QString CaFile;
    // A second observer of the progress beside the dialog (a terminal line, a recorder); not
    // owned, null for none. It is told the same as the dialog, also when no dialog is shown.
    TWcProgressObserver* ProgressObserver = nullptr;
    // True from the moment a run is requested until it has ended. While it is true the item
    // list keeps its order: Clear, Delete and Insert are refused (see TWebCopyItems).
    bool Running() const { return FRunning; }
    // The run's Internet session while one is open (null otherwise).
    const TInternetSession* Session() const;

    // Runs the copy in the calling (user-interface) thread and returns when it has ended.
    // Returns false, doing nothing, when a run of this component is already in progress.
    // An input/output error that breaks the run off reaches the caller as TWebCopyIoError.
    bool Execute();
    // Asks the user-interface thread to run the copy and returns at once; false when a run
    // is already in progress.
    bool ThreadExecute();
    // As ThreadExecute, then processes events until the run and its helper thread have ended.
    bool ThreadExecAndWait();
    // Asks the run to stop; honoured by every transfer, also one that has not started yet.
    void CancelCopy() { FCancelled = true; }
    bool CancelRequested() const { return FCancelled; }

    // The progress step that every transfer runs after each block (integer work only; the
    // texts are made from the latest keys when they are shown or read). A total of 0 means
    // unknown, unless emptyIsComplete says the source is known to be empty.
    void ShowProgress(qint64 done, qint64 total, quint32 startTick, const QString& captionWord,
                      bool emptyIsComplete = false);
    // Handles pending window messages between blocks, at most about once a millisecond: often
    // enough that a click on Cancel acts within the next block, rarely enough that looking for
    // messages (a poll of the display connection) costs nothing next to moving a block.
    void KeepResponsive();

    // True when the item at idx is an FTP transfer whose FTP connection the next item in the
    // list (active or not) can take over: same host, user name and password. (A kept connection
    // serves only the same port too: see FtpConnectionKey.)
    bool KeepConnection(int idx) const;
    // What tells one FTP login from another: the server (host and port) and the account.
    static QString FtpConnectionKey(const QString& host, int port, const QString& userName, const QString& password);

    // Appends one time-stamped line to the file named by LogfileName (UTF-8, CR LF; line breaks
    // in the message escaped); an existing log is never truncated. During a run the log stays
    // open until the run ends. A log that cannot be opened or written is skipped silently.
    void WriteLog(const QString& message);

    // URL routines that read the component.
    QString AddProxyCredentials(const QString& url) const;
    QString GetURLServer(const QString& url) const;
    QString GetURLPath(const QString& url) const;
    // The server a request for the URL really goes to, as the HTTP client parses it: host, and
    // port when not the scheme's own, without user information. For the login prompt and the
    // dialog, so neither can name another host than the one that gets the password.
    static QString RequestServer(const QString& url);

protected:
    // A deferred delete asked for by a handler during a run waits until the run has ended.
    bool event(QEvent* event) override;

private:
    friend class TWCopyThread;

    void DoCopy();
    void RunItems(TCopyRun& run);
    // Runs the item's transfer, and again after a transient failure as the retry settings say.
    TTransferResult RunWithRetries(TCopyRun& run, TTransfer& transfer, TTransferJob& job);
    void RunFromThread();
    void SetRunning(bool running);
    void ResetResults();
    void EndRun();
    // Lets go of what a run held when it was broken off (an input/output error, or anything
    // else thrown out of a transfer); observers hear that the run ended.
    void ReleaseRun();

    TWebCopyItems FItems;
    bool FCancelled = false;
    bool FRunning = false;
    bool FDeleteWhenEnded = false;
    std::unique_ptr<TRunDialog> FDialog;
    std::unique_ptr<TProgressReporter> FProgress;
    // The current run; null between runs.
    std::unique_ptr<TCopyRun> FRun;
    QPointer<QThread> FCopyThread;
    quint64 FCopyRequests = 0;
    bool FCopyCompleted = false;
};
