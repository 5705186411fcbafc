#pragma once

#include "platform/FtpConnection.h"
#include "webcopy/ProgressForm.h"
#include "webcopy/ProgressObserver.h"
#include "webcopy/TransferResult.h"
#include "webcopy/WebCopyItems.h"
#include "webcopy/WebCopyTypes.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QProgressBar;
class QThread;
class QPushButton;
class THttpRequest;
class TInternetSession;
class TTargetFolder;
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
    const TInternetSession* Session() const { return FHinternet.get(); }

    // Runs the copy in the calling (user-interface) thread and returns when it has ended.
    // Returns false, doing nothing, when a run of this component is already in progress.
    // An input/output error that breaks the run off reaches the caller as TWebCopyIoError.
    bool Execute();
    // Asks the user-interface thread to run the copy and returns at once; false when a run
    // is already in progress.
    bool ThreadExecute();
    // As ThreadExecute, then processes events until the run and its helper thread have ended.
    bool ThreadExecAndWait();
    void CancelCopy() { FCancelled = true; }

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

    // Appends one time-stamped line to the file named by LogfileName (UTF-8, CR LF), opening and
    // closing it for the line; an existing log is never truncated. A log that cannot be opened
    // is skipped silently; a line that cannot be written throws TWebCopyIoError.
    void WriteLog(const QString& message);

    // URL routines that read the component.
    QString AddProxyCredentials(const QString& url) const;
    QString GetURLServer(const QString& url) const;
    QString GetURLPath(const QString& url) const;
    // The server a request for the URL really goes to, as the HTTP client parses it: host, and
    // port when not the scheme's own, without user information. For the login prompt and the
    // dialog, so neither can name another host than the one that gets the password.
    static QString RequestServer(const QString& url);

private:
    friend class TWCopyThread;
    friend class TWebCopyRunGuard;

    void DoCopy();
    void RunFromThread();
    void CopyThreadTerminate();
    void SetRunning(bool running);
    void EndRun();
    int NetworkItemCount() const;
    TTransferResult CallOperation(int idx, const TWebCopyItem& item, TDateTime& date, bool& noNewVersion);
    // The one place where an operation's result becomes the documented events.
    void ReportResult(const TTransferResult& result);
    void ReleaseRun();
    void DisposeForm();
    template <typename Call>
    void NotifyObservers(Call call);

    void BuildProgressForm();
    void CancelBtnClick();
    void OpenFileBtnClick();
    void OpenFolderBtnClick();
    void OpenAndClose(const QString& path);
    TWcProgressForm::TCloseAnswer ProgressFormCloseQuery();
    void SetCaption(const QString& caption);
    void SetMarquee(bool marquee);
    // Says what the transfer is doing until its first block, and keeps the elapsed time going
    // while the client waits (ShowWaiting, called while it waits).
    void ShowStatus(const QString& status);
    void ShowWaiting();
    // The file line every transfer shows when it starts: the label, "n of m : " when the list
    // holds two items or more, the name, and the server after its word when ShowServer is set
    // (or always, for transfers that always name their source).
    void ShowFileLine(const QString& name, const QString& serverWord, const QString& server,
                      bool alwaysNameServer = false);
    void ReportError(int code, const QString& info);
    // An existing target is replaced only when OnCopyOverWrite allows it; with
    // CreateUniqueFilenames the path moves on to the first free numbered name. False: refused.
    bool ApplyOverwriteRule(QString& targetPath, TTargetFolder& folder);
    // Runs a transfer whose target is in targetDir: a network share is connected with the
    // item's account first (OnConnectError when it cannot be) and left afterwards (one more
    // OnConnectError when that fails).
    TTransferResult InTargetFolder(const QString& targetDir, const QString& userName, const QString& password,
                                   const std::function<TTransferResult(TTargetFolder&)>& transfer);

    // The copy-newer-only rule, run once the source's date is known when copyNewerOnly is set
    // or OnFileDateCheck is assigned. An assigned OnFileDateCheck decides alone; otherwise the
    // source is copied only when strictly newer than fileDate, and OnNoNewFileFound tells when
    // it is not (after releaseSource has let go of the source). The file date out-value takes
    // the source's date before the event when dateBeforeCheck is set, else only when allowed.
    enum class TDateCheck { Copy, Refused, NotNewer };
    TDateCheck CheckSourceDate(int idx, TDateTime sourceDate, bool copyNewerOnly, bool dateBeforeCheck,
                               TDateTime& fileDate, bool& noNewVersion, const QString& reportedName,
                               const std::function<void()>& releaseSource);

    std::unique_ptr<THttpRequest> NewHttpRequest();
    TTransferResult HttpDownload(int idx, const QString& url, const QString& displayURL, const QString& targetDir,
                                 const QString& targetFilename, bool copyNewerOnly, TDateTime& fileDate,
                                 bool& noNewVersion, TWebCopyAuthentication authenticate, QString userName,
                                 QString password);
    // The rest of a download once the server has answered with success: date rule, target
    // file, body.
    TTransferResult ReceiveDownload(int idx, std::unique_ptr<THttpRequest>& request, const QString& url,
                                    const QString& targetDir, const QString& targetFilename, bool copyNewerOnly,
                                    TDateTime& fileDate, bool& noNewVersion);
    TTransferResult WriteDownload(int idx, std::unique_ptr<THttpRequest>& request, const QString& url,
                                  const QString& targetDir, const QString& targetFilename, TTargetFolder& folder);
    // The end of every download: fileName in targetDir under the overwrite rule, written through a
    // temporary file that is renamed when complete, block by block from `read` (> 0 bytes, 0 at
    // the end, -1 failed: then `readFailed` says how) with the progress after every block.
    TTransferResult ReceiveIntoTarget(TTargetFolder& folder, const QString& targetDir, const QString& fileName,
                                      const QString& cannotCreateWords, qint64 expected,
                                      const std::function<qint64(char*, qint64)>& read,
                                      const std::function<TTransferResult()>& readFailed, qint64& received);
    TTransferResult HttpUpload(const QString& url, const QString& localDir, const QString& localFilename,
                               TWebCopyHTTPCommand command, const QString& userName, const QString& password);
    // FTP: the connection for an operation. With reuseKept, the kept connection when host and
    // account match; otherwise a new login, kept when keepConnection is set and else held in
    // `own`. Null when no login could be had (the reason in FFtpReason).
    TFtpConnection* FtpConnect(const QString& host, int port, const QString& userName, const QString& password,
                               bool keepConnection, bool reuseKept, std::unique_ptr<TFtpConnection>& own);
    // The start of an FTP operation: its file line (none for an empty name), then FtpConnect with
    // pending events processed around the login.
    TFtpConnection* FtpStart(const QString& name, const QString& serverWord, const QString& host, int port,
                             const QString& userName, const QString& password, bool keepConnection, bool reuseKept,
                             std::unique_ptr<TFtpConnection>& own);
    // Lets go of the operation's connection: closed and forgotten unless it is kept.
    void FtpLeave(std::unique_ptr<TFtpConnection>& own, bool keepConnection);
    TTransferResult FtpConnectFailed(const QString& host) const;
    static TDateTime FtpListedDate(const TFtpEntry& entry);
    TTransferResult FtpDownload(int idx, const QString& userName, const QString& password, const QString& host,
                                int port, const QString& url, const QString& targetDir, const QString& targetFilename,
                                bool copyNewerOnly, TDateTime& fileDate, bool& noNewVersion, bool keepConnection,
                                bool fromListing);
    TTransferResult MultiFtpDownload(const QString& userName, const QString& password, const QString& host, int port,
                                     const QString& url, const QString& targetDir, bool copyNewerOnly,
                                     TDateTime fileDate, bool& noNewVersion);
    TTransferResult FtpUpload(int idx, const QString& userName, const QString& password, const QString& host, int port,
                              const QString& source, const QString& remoteDir, const QString& remoteName,
                              bool copyNewerOnly, TDateTime& fileDate, bool& noNewVersion, bool keepConnection);
    TTransferResult SendFtpFile(TFtpConnection& connection, const QString& source, const QString& remoteName);
    // Enters the remote directory as a whole, or else part by part from where the connection is,
    // creating missing parts; FPrevTarget records it for a kept connection.
    bool FtpEnterOrCreate(TFtpConnection& connection, const QString& remoteDir, bool keepConnection);
    TTransferResult MultiFtpUpload(int idx, const QString& userName, const QString& password, const QString& host,
                                   int port, const QString& pattern, const QString& remoteDir, bool copyNewerOnly,
                                   TDateTime& fileDate, bool& noNewVersion, bool keepConnection);
    TTransferResult FtpList(int idx, const QString& userName, const QString& password, const QString& host, int port,
                            const QString& url, bool& noNewVersion);
    TTransferResult FtpDelete(int idx, const QString& userName, const QString& password, const QString& host, int port,
                              const QString& url, const QString& remoteDir, const QString& remoteName,
                              bool keepConnection);
    TTransferResult FtpTest(const QString& userName, const QString& password, const QString& host, int port);
    TTransferResult FileCopy(int idx, const QString& userName, const QString& password, const QString& share,
                             int port, const QString& source, const QString& targetDir,
                             const QString& targetFilename, bool copyNewerOnly, TDateTime& fileDate,
                             bool& noNewVersion);

    TWebCopyItems FItems;
    int FFileNum = 0;
    bool FCancelled = false;
    bool FRunning = false;
    // The dialog of the current or last run; it is disposed of through DisposeForm only.
    std::unique_ptr<TWcProgressForm> FForm;
    QPointer<QThread> FCopyThread;
    quint64 FCopyRequests = 0;
    QString FLastFile;
    QString FLastDir;
    std::unique_ptr<TInternetSession> FHinternet;
    bool FCopyCompleted = false;
    bool FCancelIsClose = false;
    QString FPrevConnect;
    QString FPrevTarget;
    // The FTP connection kept for the next item (FPrevConnect is its key).
    std::unique_ptr<TFtpConnection> FFTPconnect;
    QString FFtpReason;

    // The latest progress step as display keys; observers make their texts from them, and
    // RateStr, TimeLeftStr and ElapsedTimeStr are made from them on demand.
    TProgressKeys FProgressKeys;
    bool FProgressValid = false;
    // When the current item started: the elapsed time counts from here, connecting included.
    quint32 FItemStartTick = 0;
    // Since window messages were last handled between blocks.
    QElapsedTimer FSinceEventsHandled;
    int FCaptionPosition = -1;
    QString FCaptionWord;
};

template <typename Call>
void TWebCopy::NotifyObservers(Call call)
{
    if (FForm)
        call(*FForm);
    if (ProgressObserver)
        call(*ProgressObserver);
}
