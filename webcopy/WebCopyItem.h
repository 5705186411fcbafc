#pragma once

#include "webcopy/FileDetailItems.h"
#include "webcopy/WebCopyTypes.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class TWebCopyItems;

// One copy job. Its settings are public fields that double as properties, so a description
// can set them by name; a run writes its results back into the item.
class TWebCopyItem : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Active MEMBER Active)
    Q_PROPERTY(WebCopyTypes::TWebCopyAuthentication Authenticate MEMBER Authenticate)
    Q_PROPERTY(bool CopyNewerOnly MEMBER CopyNewerOnly)
    Q_PROPERTY(QString DisplayURL MEMBER DisplayURL)
    Q_PROPERTY(double FileDate MEMBER FileDate)
    Q_PROPERTY(QString FTPHost MEMBER FTPHost)
    Q_PROPERTY(QString FTPUserID MEMBER FTPUserID)
    Q_PROPERTY(QString FTPPassword MEMBER FTPPassword)
    Q_PROPERTY(int FTPPort MEMBER FTPPort)
    Q_PROPERTY(WebCopyTypes::TWebCopyHTTPCommand HTTPCommand MEMBER HTTPCommand)
    Q_PROPERTY(WebCopyTypes::TWebCopyProtocol Protocol MEMBER Protocol)
    Q_PROPERTY(QString TargetDir MEMBER TargetDir)
    Q_PROPERTY(QString TargetFilename MEMBER TargetFilename)
    Q_PROPERTY(QString URL MEMBER URL)
    Q_PROPERTY(QString HTTPUserID MEMBER HTTPUserID)
    Q_PROPERTY(QString HTTPPassword MEMBER HTTPPassword)
    Q_PROPERTY(QString ExpectedSha256 MEMBER ExpectedSha256)

public:
    explicit TWebCopyItem(TWebCopyItems* Collection = nullptr);
    ~TWebCopyItem() override;

    bool Active = true;
    TWebCopyAuthentication Authenticate = waNever;
    bool CopyNewerOnly = false;
    QString DisplayURL;
    TDateTime FileDate = 0;
    QString FTPHost;
    QString FTPUserID;
    QString FTPPassword;
    int FTPPort = 21;
    TWebCopyHTTPCommand HTTPCommand = hcPost;
    TWebCopyProtocol Protocol = wpHttp;
    QString TargetDir;
    QString TargetFilename;
    QString URL;
    QString HTTPUserID;
    QString HTTPPassword;
    // The SHA-256 the file must have, as 64 hex digits; empty: no check. A download or copy whose
    // bytes differ fails (cause ChecksumMismatch) and leaves nothing under the target name.
    QString ExpectedSha256;

    // Run-time values.
    bool Success() const { return FSuccess; }
    bool Cancelled() const { return FCancelled; }
    bool NoNewVersion() const { return FNoNewVersion; }
    // Why the last run did not complete the item, in the system's or the client's own words
    // ("SSL certificate problem: self-signed certificate", "No space left on device", ...);
    // empty after a success. Also set where the item's event carries no text.
    QString ErrorReason() const { return FErrorReason; }
    // The error number of the last failure: the code OnError reported, or the client's number
    // (from 12000 on) where the event carried none (OnURLNotFound); 0 when there was none. And
    // the HTTP status the server answered with (0 when there was no answer).
    int ErrorCode() const { return FErrorCode; }
    int HttpStatus() const { return FHttpStatus; }
    // What happened, for callers that choose their own words: None after a success or a skip,
    // NotRun for an active item that the last run did not reach.
    TTransferCause ErrorCause() const { return FCause; }
    // How often the last run tried the item (more than once with Retries); 0 when not run. And
    // the bytes of a broken download kept for the next run to continue (with Resume), 0 if none.
    int Attempts() const { return FAttempts; }
    qint64 KeptBytes() const { return FKeptBytes; }
    TDateTime NewFileDate = 0;
    // Expected size when an HTTP server reports none.
    quint32 FileSize = 0;
    // Names and details found by the last listing run of this item; null before the first.
    const QStringList* FileList() const { return FFileList.get(); }
    const TFileDetailItems* FileDetails() const { return FFileDetails.get(); }

    // Copies the settings; results, FileSize and listings stay as they are.
    // A source of another class is ignored.
    void Assign(const QObject* Source);

    // The settings as an owner saves them: those that differ from a new item, plus FTPPort,
    // HTTPCommand and Protocol, which are always stored.
    QVariantMap StoredSettings() const;
    void LoadSettings(const QVariantMap& Settings);

    TWebCopyItems* Collection() const { return FCollection; }

private:
    friend class TWebCopy;
    friend class TFtpList;

    TWebCopyItems* FCollection = nullptr;
    bool FSuccess = false;
    bool FCancelled = false;
    bool FNoNewVersion = false;
    QString FErrorReason;
    int FErrorCode = 0;
    int FHttpStatus = 0;
    TTransferCause FCause = TTransferCause::None;
    int FAttempts = 0;
    qint64 FKeptBytes = 0;
    std::unique_ptr<QStringList> FFileList;
    std::unique_ptr<TFileDetailItems> FFileDetails;
};
