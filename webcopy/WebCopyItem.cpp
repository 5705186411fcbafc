#include "webcopy/WebCopyItem.h"

#include "webcopy/StoredSettings.h"

TWebCopyItem::TWebCopyItem(TWebCopyItems* Collection)
    : FCollection(Collection)
{
}

TWebCopyItem::~TWebCopyItem() = default;

void TWebCopyItem::Assign(const QObject* Source)
{
    const auto* source = qobject_cast<const TWebCopyItem*>(Source);
    if (!source || source == this)
        return;
    Active = source->Active;
    Authenticate = source->Authenticate;
    CopyNewerOnly = source->CopyNewerOnly;
    DisplayURL = source->DisplayURL;
    FileDate = source->FileDate;
    FTPHost = source->FTPHost;
    FTPUserID = source->FTPUserID;
    FTPPassword = source->FTPPassword;
    FTPPort = source->FTPPort;
    HTTPCommand = source->HTTPCommand;
    Protocol = source->Protocol;
    TargetDir = source->TargetDir;
    TargetFilename = source->TargetFilename;
    URL = source->URL;
    HTTPUserID = source->HTTPUserID;
    HTTPPassword = source->HTTPPassword;
    ExpectedSha256 = source->ExpectedSha256;
}

QVariantMap TWebCopyItem::StoredSettings() const
{
    const TWebCopyItem defaults;
    return NonDefaultProperties(*this, defaults,
                                {QStringLiteral("FTPPort"), QStringLiteral("HTTPCommand"), QStringLiteral("Protocol")});
}

void TWebCopyItem::LoadSettings(const QVariantMap& Settings)
{
    LoadProperties(*this, Settings);
}
