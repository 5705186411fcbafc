#include "webcopy/TransferRules.h"

#include "webcopy/CopyRun.h"
#include "webcopy/PathHelpers.h"
#include "webcopy/ProgressReporter.h"
#include "webcopy/TargetFolder.h"
#include "webcopy/UrlHelpers.h"
#include "webcopy/WebCopy.h"

TTransferRules::TTransferRules(TWebCopy& owner, TCopyRun& run)
    : FOwner(owner)
    , FRun(run)
{
}

bool TTransferRules::DatesMatter(bool copyNewerOnly) const
{
    return copyNewerOnly || bool(FOwner.OnFileDateCheck);
}

TTransferRules::TDateCheck TTransferRules::CheckSourceDate(int idx, TDateTime sourceDate, bool copyNewerOnly,
                                                           bool dateBeforeCheck, TDateTime& fileDate,
                                                           bool& noNewVersion, const QString& reportedName,
                                                           const std::function<void()>& releaseSource)
{
    if (FOwner.OnFileDateCheck) {
        if (dateBeforeCheck)
            fileDate = sourceDate;
        bool allow = true;
        FOwner.OnFileDateCheck(&FOwner, idx, sourceDate, allow);
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
    if (FOwner.OnNoNewFileFound)
        FOwner.OnNoNewFileFound(&FOwner, reportedName, fileDate, sourceDate);
    return TDateCheck::NotNewer;
}

TTransferRules::TDateCheck TTransferRules::CheckServerCopyDate(int idx, TDateTime serverDate, TDateTime& fileDate,
                                                               bool& noNewVersion, const QString& reportedName)
{
    if (FOwner.OnFileDateCheck)
        return CheckSourceDate(idx, serverDate, false, true, fileDate, noNewVersion, reportedName);
    const bool later = serverDate > fileDate;
    fileDate = serverDate;
    if (!later)
        return TDateCheck::Copy;
    noNewVersion = true;
    if (FOwner.OnNoNewFileFound)
        FOwner.OnNoNewFileFound(&FOwner, reportedName, fileDate, serverDate);
    return TDateCheck::NotNewer;
}

TTransferResult TTransferRules::Skip(TDateCheck check, const QString& notNewer)
{
    return TTransferResult::Skipped(check == TDateCheck::Refused ? QStringLiteral("The date check refused the copy")
                                                                 : notNewer);
}

bool TTransferRules::TargetNameStaysInside(const QString& name)
{
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')))
        return false;
    for (const QString& part : BackslashToSlash(name).split(QLatin1Char('/')))
        if (part == QStringLiteral(".."))
            return false;
    return true;
}

TTransferResult TTransferRules::TargetNameRefused(const QString& name)
{
    return TTransferResult::Error(TTransferCause::InvalidUrl, WebCopyErrors::CannotCreateTarget,
                                  QStringLiteral("Cannot create target file ") + name,
                                  QStringLiteral("The target file name leaves the target directory: ") + name);
}

bool TTransferRules::AllowOverwrite(const QString& name)
{
    bool allow = true;
    if (FOwner.OnCopyOverWrite)
        FOwner.OnCopyOverWrite(&FOwner, name, allow);
    return allow;
}

bool TTransferRules::ApplyOverwriteRule(QString& targetPath, TTargetFolder& folder, bool& mustNotReplace)
{
    // A name that is free now must still be free at the commit: nobody agreed to replace
    // what may appear there meanwhile.
    mustNotReplace = true;
    if (!folder.Exists(targetPath))
        return true;
    mustNotReplace = false;
    if (!AllowOverwrite(targetPath))
        return false;
    if (FOwner.CreateUniqueFilenames) {
        targetPath = MakeUniqueFileName(targetPath, [&](const QString& path) { return folder.Exists(path); },
                                        folder.MaxFileNameBytes(ParentDirectory(targetPath)));
        mustNotReplace = true;
    }
    return true;
}

void TTransferRules::ShowFileLine(const QString& name, const QString& serverWord, const QString& server,
                                  bool alwaysNameServer)
{
    QString text = FOwner.DlgFileLabel + QLatin1Char(' ');
    if (FRun.Items().Count() >= 2)
        text += QStringLiteral("%1 %2 %3 : ").arg(FRun.FileNum).arg(FOwner.DlgFileOfLabel).arg(FRun.Items().ActiveItems());
    text += name;
    if (FOwner.ShowServer || alwaysNameServer)
        text += QLatin1Char(' ') + serverWord + QLatin1Char(' ') + server;
    FRun.Progress().ShowFileLine(text);
}
