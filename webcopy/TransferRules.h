#pragma once

#include "webcopy/DateTime.h"
#include "webcopy/TransferResult.h"

#include <QString>

#include <functional>

class TCopyRun;
class TTargetFolder;
class TWebCopy;

// The component's rules that every transfer follows, each in one place: copy newer only (with
// OnFileDateCheck and OnNoNewFileFound), overwrite and unique names (with OnCopyOverWrite), and
// the dialog's file line.
class TTransferRules {
public:
    TTransferRules(TWebCopy& owner, TCopyRun& run);

    enum class TDateCheck { Copy, Refused, NotNewer };
    // Run once the source's date is known when copyNewerOnly is set or OnFileDateCheck is
    // assigned. An assigned OnFileDateCheck decides alone; otherwise the source is copied only
    // when strictly newer than fileDate, and OnNoNewFileFound tells when it is not (after
    // releaseSource has let go of the source). fileDate takes the source's date before the
    // event when dateBeforeCheck is set, else only when allowed.
    TDateCheck CheckSourceDate(int idx, TDateTime sourceDate, bool copyNewerOnly, bool dateBeforeCheck,
                               TDateTime& fileDate, bool& noNewVersion, const QString& reportedName,
                               const std::function<void()>& releaseSource = {});
    // An upload's form of the rule: the server's copy is what may be newer, and a later one is kept.
    TDateCheck CheckServerCopyDate(int idx, TDateTime serverDate, TDateTime& fileDate, bool& noNewVersion,
                                   const QString& reportedName);
    // What a date check that did not allow the copy gives back.
    static TTransferResult Skip(TDateCheck check, const QString& notNewer);
    // True when the date rule has something to decide for the item.
    bool DatesMatter(bool copyNewerOnly) const;

    // An existing target is replaced only when OnCopyOverWrite allows it; with
    // CreateUniqueFilenames the path moves on to the first free numbered name. `mustNotReplace`
    // says whether the commit must leave alone a file that takes the name meanwhile (a free
    // name, a unique name). False: refused.
    bool ApplyOverwriteRule(QString& targetPath, TTargetFolder& folder, bool& mustNotReplace);
    // A target file name given by the caller may bring subdirectories, but never leaves the
    // target directory: no ".." part and no absolute path.
    static bool TargetNameStaysInside(const QString& name);
    static TTransferResult TargetNameRefused(const QString& name);

    // Asks OnCopyOverWrite about an existing target on a server; false: refused.
    bool AllowOverwrite(const QString& name);

    // The file line every transfer shows when it starts: the label, "n of m : " when the list
    // holds two items or more, the name, and the server after its word when ShowServer is set
    // (or always, for transfers that always name their source or target).
    void ShowFileLine(const QString& name, const QString& serverWord, const QString& server,
                      bool alwaysNameServer = false);

private:
    TWebCopy& FOwner;
    TCopyRun& FRun;
};
