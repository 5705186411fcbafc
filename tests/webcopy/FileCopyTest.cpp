// The file copy (wpFile items), run through TWebCopy::Execute: rules, failures, data safety,
// and copies from a real SMB share.
#include "tests/support/FtpServerFixture.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/TestFiles.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TestEnvironment.h"
#include "tests/webcopy/SmbServerFixture.h"
#include "webcopy/DateTime.h"
#include "webcopy/ProgressForm.h"
#include "webcopy/ProgressLine.h"
#include "webcopy/WebCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <utility>

#include <sys/stat.h>

#include <functional>

namespace {

constexpr qint64 Block = 32768;

QByteArray pattern(qint64 size)
{
    QByteArray data(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 31 + i / 32749) & 0xff);
    return data;
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(data), data.size());
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every entry of a directory (hidden ones included) with the contents of the files.
QMap<QString, QByteArray> snapshot(const QString& dir)
{
    QMap<QString, QByteArray> entries;
    for (const QFileInfo& info : QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        entries.insert(info.fileName(), info.isDir() ? QByteArray("<dir>") : contents(info.filePath()));
    return entries;
}

struct TProgress {
    int fileidx;
    quint32 size;
    quint32 totsize;
    bool operator==(const TProgress&) const = default;
};

// The events of a run as short texts; progress steps go to a list of their own and show up
// once, as "progress", among the other events.
class TEventLog {
public:
    explicit TEventLog(TWebCopy& webCopy)
        : FWebCopy(webCopy)
    {
        Attach();
    }
    TEventLog(const TEventLog&) = delete;
    TEventLog& operator=(const TEventLog&) = delete;

    // Starts a fresh log and takes back every event a test may have taken over.
    void Attach()
    {
        Events.clear();
        Progress.clear();
        Dates = {-1, -1};
        TWebCopy& webCopy = FWebCopy;
        webCopy.OnFileStart = [this](QObject*, int idx) { Events << QStringLiteral("start %1").arg(idx); };
        webCopy.OnFileDone = [this](QObject*, int idx) { Events << QStringLiteral("done %1").arg(idx); };
        webCopy.OnCopyDone = [this](QObject*) { Events << QStringLiteral("copy done"); };
        webCopy.OnCopyOverWrite = [this](QObject*, const QString& target, bool&) { Events << QStringLiteral("overwrite ") + target; };
        webCopy.OnError = [this](QObject*, int code) { Events << QStringLiteral("error %1").arg(code); };
        webCopy.OnErrorInfo = [this](QObject*, int code, const QString& info) { Events << QStringLiteral("info %1 ").arg(code) + info; };
        webCopy.OnConnectError = [this](QObject*) { Events << QStringLiteral("connect error"); };
        webCopy.OnNoNewFileFound = [this](QObject*, const QString& path, TDateTime current, TDateTime found) {
            Events << QStringLiteral("no new file ") + path;
            Dates = {current, found};
        };
        webCopy.OnCopyProgress = [this](QObject*, int fileidx, quint32 size, quint32 totsize) {
            Progress.push_back({fileidx, size, totsize});
            if (Events.isEmpty() || Events.last() != QStringLiteral("progress"))
                Events << QStringLiteral("progress");
        };
    }

    QStringList Events;
    std::vector<TProgress> Progress;
    std::pair<TDateTime, TDateTime> Dates {-1, -1};

private:
    TWebCopy& FWebCopy;
};

// Public helpers: the cases of a table prepare themselves through them.
class TFileCopyTest : public ::testing::Test {
public:
    TFileCopyTest()
    {
        QDir(FRoot.path()).mkpath(QStringLiteral("src"));
        QDir(FRoot.path()).mkpath(QStringLiteral("dst"));
        FWebCopy.ShowDialog = false;
    }

    QString source(const QString& name) const { return FRoot.filePath(QStringLiteral("src/") + name); }
    QString target(const QString& name) const { return FRoot.filePath(QStringLiteral("dst/") + name); }
    QString targetDir() const { return FRoot.filePath(QStringLiteral("dst")); }

    TWebCopyItem& addCopy(const QString& url, const QString& targetFilename = {})
    {
        TWebCopyItem* item = FWebCopy.Items().Add();
        item->Protocol = wpFile;
        item->URL = url;
        item->TargetDir = targetDir();
        item->TargetFilename = targetFilename;
        return *item;
    }

    QTemporaryDir FRoot;
    TWebCopy FWebCopy;
    TEventLog FLog {FWebCopy};
    const QByteArray FOld = QByteArrayLiteral("the caller's earlier copy, complete");
};

TEST_F(TFileCopyTest, CopiesEveryBlockOverAnAllowedTargetWithEventsInOrder)
{
    const QByteArray data = pattern(3 * Block + 1696);
    writeFile(source(QStringLiteral("setup.bin")), data);
    writeFile(target(QStringLiteral("setup.bin")), FOld);
    TWebCopyItem& item = addCopy(source(QStringLiteral("setup.bin")));

    ASSERT_TRUE(FWebCopy.Execute());

    EXPECT_EQ(FLog.Events, (QStringList {QStringLiteral("start 0"), QStringLiteral("overwrite ") + target(QStringLiteral("setup.bin")),
                                         QStringLiteral("progress"), QStringLiteral("done 0"), QStringLiteral("copy done")}));
    const quint32 total = quint32(data.size());
    // One step per block, and one more for the read that finds the end.
    EXPECT_EQ(FLog.Progress, (std::vector<TProgress> {{1, Block, total}, {1, 2 * Block, total}, {1, 3 * Block, total},
                                                      {1, total, total}, {1, total, total}}));
    EXPECT_EQ(contents(target(QStringLiteral("setup.bin"))), data);
    EXPECT_EQ(snapshot(targetDir()).keys(), QStringList {QStringLiteral("setup.bin")});
    EXPECT_TRUE(item.Success());
    EXPECT_FALSE(item.NoNewVersion());
}

TEST_F(TFileCopyTest, RefusedOrFailedCopiesLeaveTheTargetDirectoryAsItWas)
{
    struct TCase {
        const char* name;
        // Prepares the item; returns the error events expected, or an empty list for none.
        std::function<QStringList(TFileCopyTest&, TWebCopyItem&)> setup;
    };
    const TCase cases[] = {
        {"same path", [](TFileCopyTest& t, TWebCopyItem& item) {
             writeFile(t.target(QStringLiteral("a.bin")), t.FOld);
             item.URL = t.target(QStringLiteral("a.bin"));
             return QStringList {QStringLiteral("error 0"), QStringLiteral("info 0 Cannot copy identical files ") + item.URL};
         }},
        {"same file through a link", [](TFileCopyTest& t, TWebCopyItem& item) {
             writeFile(t.target(QStringLiteral("a.bin")), t.FOld);
             QFile::link(t.target(QStringLiteral("a.bin")), t.source(QStringLiteral("a.bin")));
             item.URL = t.source(QStringLiteral("a.bin"));
             return QStringList {QStringLiteral("error 0"), QStringLiteral("info 0 Cannot copy identical files ") + item.URL};
         }},
        {"missing source", [](TFileCopyTest& t, TWebCopyItem& item) {
             item.URL = t.source(QStringLiteral("none.bin"));
             return QStringList {QStringLiteral("error 1"), QStringLiteral("info 1 Cannot open source file ") + item.URL};
         }},
        {"directory as source", [](TFileCopyTest& t, TWebCopyItem& item) {
             QDir(t.FRoot.path()).mkpath(QStringLiteral("src/folder"));
             item.URL = t.source(QStringLiteral("folder"));
             return QStringList {QStringLiteral("error 1"), QStringLiteral("info 1 Cannot open source file ") + item.URL};
         }},
        {"overwrite refused", [](TFileCopyTest& t, TWebCopyItem& item) {
             writeFile(t.source(QStringLiteral("a.bin")), pattern(10));
             writeFile(t.target(QStringLiteral("a.bin")), t.FOld);
             item.URL = t.source(QStringLiteral("a.bin"));
             t.FWebCopy.OnCopyOverWrite = [](QObject*, const QString&, bool& allow) { allow = false; };
             return QStringList {};
         }},
        {"target is a directory", [](TFileCopyTest& t, TWebCopyItem& item) {
             writeFile(t.source(QStringLiteral("a.bin")), pattern(10));
             QDir(t.targetDir()).mkdir(QStringLiteral("a.bin"));
             item.URL = t.source(QStringLiteral("a.bin"));
             return QStringList {QStringLiteral("error 3"),
                                 QStringLiteral("info 3 Cannot create target file ") + t.target(QStringLiteral("a.bin"))};
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TFileCopyTest& t = *this;
        t.FWebCopy.Items().Clear();
        t.FLog.Attach();
        TWebCopyItem& item = addCopy({});
        const QStringList expected = c.setup(t, item);
        const QMap<QString, QByteArray> before = snapshot(targetDir());

        FWebCopy.Execute();

        QStringList errors = FLog.Events.filter(QRegularExpression(QStringLiteral("^(error|info|connect)")));
        EXPECT_EQ(errors, expected) << errors.join(u'\n').toStdString();
        EXPECT_FALSE(item.Success());
        EXPECT_TRUE(FLog.Progress.empty());
        EXPECT_EQ(snapshot(targetDir()), before);
        for (const QString& dir : {QStringLiteral("src"), QStringLiteral("dst")}) {
            QDir(FRoot.filePath(dir)).removeRecursively();
            QDir(FRoot.path()).mkpath(dir);
        }
    }
}

TEST_F(TFileCopyTest, AnUnreadableSourceCannotBeOpened)
{
    const QString path = source(QStringLiteral("secret.bin"));
    writeFile(path, pattern(10));
    QFile::setPermissions(path, {});
    if (QFile probe(path); probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "this account reads files whatever their permissions (root)";
    addCopy(path);
    FWebCopy.Execute();
    EXPECT_TRUE(FLog.Events.contains(QStringLiteral("info 1 Cannot open source file ") + path)) << FLog.Events.join(u'\n').toStdString();
    EXPECT_TRUE(snapshot(targetDir()).isEmpty());
}

TEST_F(TFileCopyTest, NewerOnlyCopiesOnlyAStrictlyLaterLocalDate)
{
    // The source's last-write time, as local time.
    const TDateTime sourceDate = EncodeDateTime(2024, 5, 6, 7, 8, 9, 250);
    const TDateTime earlier = EncodeDateTime(2024, 5, 6, 7, 8, 8, 250);
    const TDateTime later = EncodeDateTime(2024, 5, 6, 7, 8, 10, 250);
    struct TCase {
        const char* name;
        TDateTime fileDate;
        bool withDateCheck;   // an OnFileDateCheck handler answers instead of the comparison
        bool allow;           // its answer
        bool copied;
        TDateTime newFileDate;
    };
    const TCase cases[] = {
        {"equal date", sourceDate, false, true, false, sourceDate},
        {"later source", earlier, false, true, true, sourceDate},
        {"older source", later, false, true, false, sourceDate},
        {"handler allows an older source", later, true, true, true, sourceDate},
        {"handler refuses a newer source", earlier, true, false, false, earlier},
    };
    const QString path = source(QStringLiteral("data.bin"));
    const QByteArray data = pattern(1000);
    writeFile(path, data);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 250)), QFileDevice::FileModificationTime));
    }
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(target(QStringLiteral("data.bin")));
        FWebCopy.Items().Clear();
        FLog.Attach();
        TDateTime checkedDate = -1;
        if (c.withDateCheck)
            FWebCopy.OnFileDateCheck = [&](QObject*, int, TDateTime newdate, bool& allow) {
                checkedDate = newdate;
                allow = c.allow;
            };
        else
            FWebCopy.OnFileDateCheck = nullptr;
        TWebCopyItem& item = addCopy(path);
        item.CopyNewerOnly = true;
        item.FileDate = c.fileDate;

        FWebCopy.Execute();

        EXPECT_EQ(item.Success(), c.copied);
        EXPECT_EQ(contents(target(QStringLiteral("data.bin"))), c.copied ? data : QByteArray("<unreadable>"));
        EXPECT_DOUBLE_EQ(item.NewFileDate, c.newFileDate);
        const bool skippedAsNotNewer = !c.withDateCheck && !c.copied;
        EXPECT_EQ(item.NoNewVersion(), skippedAsNotNewer);
        EXPECT_EQ(FLog.Events.contains(QStringLiteral("no new file ") + path), skippedAsNotNewer);
        if (skippedAsNotNewer) {
            EXPECT_DOUBLE_EQ(FLog.Dates.first, sourceDate);
            EXPECT_DOUBLE_EQ(FLog.Dates.second, sourceDate);
        }
        if (c.withDateCheck) {
            EXPECT_DOUBLE_EQ(checkedDate, sourceDate);
        }
    }
}

TEST_F(TFileCopyTest, AnExistingTargetGetsAUniqueNameButTheOpenButtonShowsTheFirstPath)
{
    testsupport::TBrowserRecorder opened;
    const QByteArray data = pattern(5000);
    writeFile(source(QStringLiteral("setup.bin")), data);
    writeFile(target(QStringLiteral("setup.bin")), FOld);
    FWebCopy.CreateUniqueFilenames = true;
    FWebCopy.ShowOpenFile = true;
    TWebCopyItem& item = addCopy(source(QStringLiteral("setup.bin")));

    FWebCopy.Execute();

    EXPECT_TRUE(item.Success());
    EXPECT_EQ(contents(target(QStringLiteral("setup.bin"))), FOld);
    EXPECT_EQ(contents(target(QStringLiteral("setup(1).bin"))), data);
    EXPECT_EQ(snapshot(targetDir()).size(), 2);
    auto* form = qobject_cast<TWcProgressForm*>(FWebCopy.ProgressForm());
    ASSERT_NE(form, nullptr);
    form->OpenFileButton()->click();
    ASSERT_TRUE(opened.waitForCount(1));
    EXPECT_EQ(opened.addresses(), QStringList {target(QStringLiteral("setup.bin"))});
}

TEST_F(TFileCopyTest, AFileThatTakesTheNameDuringTheCopyIsNeverReplacedUnasked)
{
    const QByteArray data = pattern(8 * Block);
    writeFile(source(QStringLiteral("setup.bin")), data);
    const QByteArray intruder("appeared meanwhile");
    const struct {
        const char* name;
        bool unique;
        bool allow;
        const char* dataAt;  // where the copy ends up; null: nowhere
    } cases[] = {
        {"unique names move on to the next free name", true, true, "setup(1).bin"},
        {"a refused overwrite keeps the newcomer", false, false, nullptr},
        {"an allowed overwrite replaces it", false, true, "setup.bin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(targetDir()).removeRecursively();
        FWebCopy.Items().Clear();
        FWebCopy.CreateUniqueFilenames = c.unique;
        TWebCopyItem& item = addCopy(source(QStringLiteral("setup.bin")));
        QStringList asked;
        FWebCopy.OnCopyOverWrite = [&](QObject*, const QString& path, bool& allow) {
            asked << path;
            allow = c.allow;
        };
        bool written = false;
        FWebCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) {
            if (!std::exchange(written, true))
                writeFile(target(QStringLiteral("setup.bin")), intruder);
        };

        FWebCopy.Execute();

        EXPECT_EQ(asked, QStringList{target(QStringLiteral("setup.bin"))});
        EXPECT_EQ(item.Success(), c.dataAt != nullptr);
        const QByteArray expectedAtName = c.dataAt && QByteArray(c.dataAt) == "setup.bin" ? data : intruder;
        EXPECT_EQ(contents(target(QStringLiteral("setup.bin"))), expectedAtName);
        if (c.dataAt && QByteArray(c.dataAt) != "setup.bin") {
            EXPECT_EQ(contents(target(QString::fromLatin1(c.dataAt))), data);
        }
        EXPECT_EQ(snapshot(targetDir()).size(), c.unique ? 2 : 1);
    }
}

TEST_F(TFileCopyTest, AnEmptySourceGivesAnEmptyTargetAndAFullBar)
{
    writeFile(source(QStringLiteral("empty.bin")), {});
    writeFile(target(QStringLiteral("empty.bin")), FOld);
    FWebCopy.ShowCompletion = true;
    TWebCopyItem& item = addCopy(source(QStringLiteral("empty.bin")));
    int bar = -1;
    QString sizeLine;
    QString caption;
    FWebCopy.OnFileDone = [&](QObject*, int) {
        bar = FWebCopy.ProgressBar()->value();
        sizeLine = FWebCopy.ProgressSizeLabel()->text();
        caption = FWebCopy.ProgressForm()->windowTitle();
    };

    FWebCopy.Execute();

    EXPECT_TRUE(item.Success());
    EXPECT_TRUE(QFile::exists(target(QStringLiteral("empty.bin"))));
    EXPECT_EQ(contents(target(QStringLiteral("empty.bin"))), QByteArray());
    EXPECT_EQ(FLog.Progress, (std::vector<TProgress> {{1, 0, 0}}));
    EXPECT_EQ(bar, 100);
    EXPECT_EQ(sizeLine, QStringLiteral("Progress : 0 bytes of 0 bytes"));
    EXPECT_EQ(caption, QStringLiteral("Copying : 100% completed"));
}

TEST_F(TFileCopyTest, ACancelledCopyKeepsTheOldTargetAndLeavesNoPartialFile)
{
    const QString path = source(QStringLiteral("big.bin"));
    writeFile(path, pattern(32 * Block));
    writeFile(target(QStringLiteral("big.bin")), FOld);
    TWebCopyItem& item = addCopy(path);
    int progressSteps = 0;
    FWebCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) {
        ++progressSteps;
        FWebCopy.CancelCopy();
    };

    FWebCopy.Execute();

    EXPECT_EQ(progressSteps, 1) << "the copy stops after the block in hand";
    EXPECT_TRUE(item.Cancelled());
    EXPECT_FALSE(item.Success());
    EXPECT_FALSE(FLog.Events.contains(QStringLiteral("done 0")));
    EXPECT_EQ(snapshot(targetDir()), (QMap<QString, QByteArray> {{QStringLiteral("big.bin"), FOld}}));
}

TEST_F(TFileCopyTest, ACancelRequestedBeforeTheCopyStartsIsHonoured)
{
    const QByteArray data = pattern(3 * Block);
    writeFile(source(QStringLiteral("a.bin")), data);
    TWebCopyItem& item = addCopy(source(QStringLiteral("a.bin")));
    FWebCopy.OnFileStart = [&](QObject*, int) { FWebCopy.CancelCopy(); };

    FWebCopy.Execute();

    EXPECT_FALSE(item.Success());
    EXPECT_TRUE(item.Cancelled());
    EXPECT_EQ(item.ErrorCause(), TTransferCause::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(target(QStringLiteral("a.bin"))));
}

TEST_F(TFileCopyTest, AFailedWriteKeepsTheOldTargetAndLeavesNoPartialFile)
{
    const QString path = source(QStringLiteral("big.bin"));
    writeFile(path, pattern(64 * Block));
    writeFile(target(QStringLiteral("big.bin")), FOld);
    TWebCopyItem& item = addCopy(path);
    {
        TFileSizeLimit limit(256 * 1024);
        FWebCopy.Execute();
    }
    EXPECT_TRUE(FLog.Events.contains(QStringLiteral("error 5")));
    EXPECT_TRUE(FLog.Events.contains(QStringLiteral("info 5 Error writing to destination file ") + target(QStringLiteral("big.bin"))))
        << FLog.Events.join(u'\n').toStdString();
    EXPECT_FALSE(item.Success());
    EXPECT_EQ(snapshot(targetDir()), (QMap<QString, QByteArray> {{QStringLiteral("big.bin"), FOld}}));
}

TEST_F(TFileCopyTest, AFullDiskIsAWriteFailureWithTheSystemsReasonAndLeavesNoPartialFile)
{
    // Source and target on one small disk: the kernel copies between them itself.
    TSmallFileSystem disk(256 * 1024);
    if (!disk.Error().isEmpty())
        GTEST_SKIP() << disk.Error().toStdString();
    const QString path = QDir(disk.Path()).filePath(QStringLiteral("big.bin"));
    writeFile(path, pattern(5 * Block));
    QDir(disk.Path()).mkdir(QStringLiteral("dst"));
    TWebCopyItem& item = addCopy(path);
    item.TargetDir = QDir(disk.Path()).filePath(QStringLiteral("dst"));
    FWebCopy.Execute();
    EXPECT_TRUE(FLog.Events.contains(QStringLiteral("error 5"))) << FLog.Events.join(u'\n').toStdString();
    EXPECT_EQ(item.ErrorReason(), QStringLiteral("No space left on device"));
    EXPECT_TRUE(QDir(item.TargetDir).isEmpty()) << "no partial file is left";
}

TEST_F(TFileCopyTest, AFileThatReportsNoSizeIsCopiedWhole)
{
    // The kernel's own files say they are empty and still have data to read.
    const QString path = QStringLiteral("/proc/self/mountinfo");
    TWebCopyItem& item = addCopy(path, QStringLiteral("mountinfo"));
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_TRUE(item.Success());
    const QByteArray copied = contents(target(QStringLiteral("mountinfo")));
    EXPECT_GT(copied.size(), 0);
    EXPECT_TRUE(copied.endsWith('\n'));
    EXPECT_EQ(copied.count('\n'), contents(path).count('\n'));
}

TEST_F(TFileCopyTest, TheFileLineNamesTheSourceDirectoryAndAFileUrlIsCopiedFromItsPath)
{
    const QByteArray data = pattern(100);
    writeFile(source(QStringLiteral("a.bin")), data);
    writeFile(source(QStringLiteral("b.bin")), data);
    addCopy(QStringLiteral("FiLe://") + source(QStringLiteral("a.bin")));
    addCopy(source(QStringLiteral("b.bin")));
    FWebCopy.ShowServer = false; // the copy names its source all the same
    QStringList lines;
    FWebCopy.OnFileDone = [&](QObject*, int) { lines << FWebCopy.ProgressFileLabel()->text(); };

    FWebCopy.Execute();

    const QString sourceDir = FRoot.filePath(QStringLiteral("src"));
    EXPECT_EQ(lines, (QStringList {QStringLiteral("File : 1 of 2 : a.bin from FiLe://") + sourceDir,
                                   QStringLiteral("File : 2 of 2 : b.bin from ") + sourceDir}));
    EXPECT_EQ(contents(target(QStringLiteral("a.bin"))), data);
    EXPECT_EQ(contents(target(QStringLiteral("b.bin"))), data);
}

// Copies from a real smbd on 127.0.0.1.
class TSmbFileCopyTest : public TFileCopyTest {
protected:
    void SetUp() override
    {
        switch (FServer.Start(FPassword)) {
        case TSmbServerFixture::TStart::Running:
            break;
        case TSmbServerFixture::TStart::Skipped:
            GTEST_SKIP() << FServer.Message().toStdString();
        case TSmbServerFixture::TStart::Failed:
            FAIL() << FServer.Message().toStdString();
        }
        QDir(FServer.ShareDirectory()).mkpath(QStringLiteral("docs"));
    }

    QString shared(const QString& relative) const { return FServer.ShareDirectory() + QLatin1Char('/') + relative; }

    TWebCopyItem& addShareCopy(const QString& share, const QString& relative, const QString& password)
    {
        TWebCopyItem& item = addCopy(relative);
        item.FTPHost = share;
        item.FTPUserID = FServer.UserName();
        item.FTPPassword = password;
        return item;
    }

    const QString FPassword = QStringLiteral("s3cret pass");
    TSmbServerFixture FServer;
};

TEST_F(TSmbFileCopyTest, CopiesAFileByteForByteInEveryWayOfNamingTheShare)
{
    const QByteArray data = pattern(7 * Block + 123);
    writeFile(shared(QStringLiteral("docs/report.bin")), data);
    const QString host = QStringLiteral("127.0.0.1:%1").arg(FServer.Port());
    struct TCase {
        QString share;
        QString relative;
        QString fileLine;
    };
    const TCase cases[] = {
        {QStringLiteral("smb://") + host + QStringLiteral("/files"), QStringLiteral("docs\\report.bin"),
         QStringLiteral("File : report.bin from smb://") + host + QStringLiteral("/files")},
        {QStringLiteral("\\\\") + host + QStringLiteral("\\files"), QStringLiteral("docs\\report.bin"),
         QStringLiteral("File : report.bin from \\\\") + host + QStringLiteral("\\files")},
        {QStringLiteral("//") + host + QStringLiteral("/files/docs"), QStringLiteral("report.bin"),
         QStringLiteral("File : report.bin from //") + host + QStringLiteral("/files/docs")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.share.toStdString());
        QFile::remove(target(QStringLiteral("report.bin")));
        FWebCopy.Items().Clear();
        FLog.Attach();
        QString fileLine;
        FWebCopy.OnFileDone = [&](QObject*, int) { fileLine = FWebCopy.ProgressFileLabel()->text(); };
        TWebCopyItem& item = addShareCopy(c.share, c.relative, FPassword);

        FWebCopy.Execute();

        EXPECT_TRUE(item.Success()) << FLog.Events.join(u'\n').toStdString();
        EXPECT_FALSE(FLog.Events.contains(QStringLiteral("connect error")));
        EXPECT_EQ(contents(target(QStringLiteral("report.bin"))), data);
        EXPECT_EQ(fileLine, c.fileLine);
        ASSERT_FALSE(FLog.Progress.empty());
        EXPECT_EQ(FLog.Progress.back(), (TProgress {1, quint32(data.size()), quint32(data.size())}));
    }
}

TEST_F(TSmbFileCopyTest, AWrongPasswordIsAConnectErrorAndWritesNothing)
{
    writeFile(shared(QStringLiteral("report.bin")), pattern(100));
    TWebCopyItem& item = addShareCopy(FServer.ShareName(), QStringLiteral("report.bin"), QStringLiteral("wrong"));

    FWebCopy.Execute();

    EXPECT_EQ(FLog.Events, (QStringList {QStringLiteral("start 0"), QStringLiteral("connect error"), QStringLiteral("done 0"),
                                         QStringLiteral("copy done")}));
    EXPECT_FALSE(item.Success());
    EXPECT_TRUE(snapshot(targetDir()).isEmpty());
}

TEST_F(TSmbFileCopyTest, AMissingFileOnTheShareCannotBeOpened)
{
    addShareCopy(FServer.ShareName(), QStringLiteral("docs\\none.bin"), FPassword);
    FWebCopy.Execute();
    EXPECT_TRUE(FLog.Events.contains(QStringLiteral("info 1 Cannot open source file ") + FServer.ShareName()
                                     + QStringLiteral("/docs\\none.bin")))
        << FLog.Events.join(u'\n').toStdString();
    EXPECT_TRUE(snapshot(targetDir()).isEmpty());
}

TEST_F(TSmbFileCopyTest, AServerThatVanishesMidCopyIsAReadErrorAndTheOldTargetStays)
{
    writeFile(shared(QStringLiteral("big.bin")), pattern(64 * Block));
    writeFile(target(QStringLiteral("big.bin")), FOld);
    TWebCopyItem& item = addShareCopy(FServer.ShareName(), QStringLiteral("big.bin"), FPassword);
    bool crashed = false;
    FWebCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) {
        if (!crashed)
            crashed = FServer.Crash();
    };

    FWebCopy.Execute();

    ASSERT_TRUE(crashed);
    EXPECT_TRUE(FLog.Events.contains(QStringLiteral("info 4 Error reading source file ") + FServer.ShareName()
                                     + QStringLiteral("/big.bin")))
        << FLog.Events.join(u'\n').toStdString();
    EXPECT_FALSE(item.Success());
    EXPECT_EQ(snapshot(targetDir()), (QMap<QString, QByteArray> {{QStringLiteral("big.bin"), FOld}}));
}

} // namespace

TEST_F(TSmbFileCopyTest, AShareAsTargetIsWrittenOnTheShareAndReplacesTheFileOnlyWhenComplete)
{
    const QByteArray data = pattern(5 * Block + 17);
    writeFile(source(QStringLiteral("setup.bin")), data);
    QDir(FServer.ShareDirectory()).mkpath(QStringLiteral("out"));
    writeFile(shared(QStringLiteral("out/setup.bin")), "the earlier copy");
    const QString host = QStringLiteral("127.0.0.1:%1").arg(FServer.Port());
    for (const QString& targetDir : {QStringLiteral("smb://") + host + QStringLiteral("/files/out"),
                                     QStringLiteral("\\\\") + host + QStringLiteral("\\files\\out\\new")}) {
        SCOPED_TRACE(targetDir.toStdString());
        FWebCopy.Items().Clear();
        FLog.Attach();
        TWebCopyItem& item = addCopy(source(QStringLiteral("setup.bin")));
        item.TargetDir = targetDir;
        item.FTPUserID = FServer.UserName();
        item.FTPPassword = FPassword;
        FWebCopy.Execute();
        EXPECT_TRUE(item.Success()) << item.ErrorReason().toStdString();
        EXPECT_FALSE(FLog.Events.contains(QStringLiteral("connect error")));
    }
    EXPECT_EQ(contents(shared(QStringLiteral("out/setup.bin"))), data);
    EXPECT_EQ(contents(shared(QStringLiteral("out/new/setup.bin"))), data);
    EXPECT_TRUE(snapshot(targetDir()).isEmpty()) << "nothing is written to a local folder named like the share";
    EXPECT_EQ(QDir(shared(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden),
              QStringList {QStringLiteral("setup.bin")})
        << "no temporary file is left on the share";

    // A share that refuses the account is a connect error with a reason, and writes nothing.
    FWebCopy.Items().Clear();
    FLog.Attach();
    TWebCopyItem& refused = addCopy(source(QStringLiteral("setup.bin")));
    refused.TargetDir = FServer.ShareName() + QStringLiteral("/refused");
    refused.FTPUserID = FServer.UserName();
    refused.FTPPassword = QStringLiteral("wrong");
    FWebCopy.Execute();
    EXPECT_FALSE(refused.Success());
    EXPECT_EQ(FLog.Events.filter(QStringLiteral("connect error")).size(), 1);
    EXPECT_FALSE(refused.ErrorReason().isEmpty());
    EXPECT_FALSE(QDir(shared(QStringLiteral("refused"))).exists());
}

TEST_F(TSmbFileCopyTest, ADownloadIntoAShareLandsOnTheShare)
{
    THttpServerFixture web;
    ASSERT_TRUE(web.Start()) << web.Message().toStdString();
    const QByteArray data = pattern(3 * Block);
    writeFile(web.DocRoot() + QStringLiteral("/setup.exe"), data);
    TWebCopyItem* item = FWebCopy.Items().Add();
    item->URL = web.BaseUrl() + QStringLiteral("/setup.exe");
    item->TargetDir = FServer.ShareName() + QStringLiteral("/downloads");
    item->FTPUserID = FServer.UserName();
    item->FTPPassword = FPassword;
    FWebCopy.Execute();
    EXPECT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_EQ(contents(shared(QStringLiteral("downloads/setup.exe"))), data);
}

TEST_F(TFileCopyTest, OnlyARegularFileIsCopied)
{
    // A pipe nobody writes to would block the open for good; a directory or a device is no file.
    ASSERT_EQ(::mkfifo(QFile::encodeName(source(QStringLiteral("pipe"))).constData(), 0600), 0);
    QDir(FRoot.path()).mkpath(QStringLiteral("src/folder"));
    for (const QString& path : {source(QStringLiteral("pipe")), source(QStringLiteral("folder")), QStringLiteral("/dev/zero")}) {
        SCOPED_TRACE(path.toStdString());
        FWebCopy.Items().Clear();
        FLog.Attach();
        TWebCopyItem& item = addCopy(path, QStringLiteral("copy.bin"));
        FWebCopy.Execute();
        EXPECT_FALSE(item.Success());
        EXPECT_EQ(FLog.Events.filter(QStringLiteral("error")), QStringList {QStringLiteral("error 1")});
        EXPECT_EQ(item.ErrorReason(), QStringLiteral("Not a regular file"));
        EXPECT_TRUE(snapshot(targetDir()).isEmpty());
    }
}

TEST_F(TFileCopyTest, ASourceThatShrinksDuringTheCopyFailsAndKeepsTheOldTarget)
{
    const QString path = source(QStringLiteral("big.bin"));
    writeFile(path, pattern(8 * Block));
    writeFile(target(QStringLiteral("big.bin")), FOld);
    TWebCopyItem& item = addCopy(path);
    FWebCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) {
        if (QFileInfo(path).size() > Block / 2)
            QFile::resize(path, Block / 2);
    };

    FWebCopy.Execute();

    EXPECT_FALSE(item.Success());
    EXPECT_EQ(item.ErrorCause(), TTransferCause::SourceChanged);
    EXPECT_TRUE(item.ErrorReason().contains(QStringLiteral("changed"))) << item.ErrorReason().toStdString();
    EXPECT_EQ(snapshot(targetDir()), (QMap<QString, QByteArray> {{QStringLiteral("big.bin"), FOld}}));
}

// The target name is the caller's, but it still names a file in the target directory: the file
// copy and the FTP download refuse a name that climbs out or is a path of its own alike.
TEST_F(TFileCopyTest, ATargetNameThatLeavesTheTargetDirectoryIsRefused)
{
    TFtpServerFixture server;
    ASSERT_TRUE(server.Start()) << server.Message().toStdString();
    FWebCopy.FTPPassive = true;
    const QByteArray data = pattern(1000);
    writeFile(source(QStringLiteral("a.bin")), data);
    testsupport::WriteFile(server.Root() + QStringLiteral("/a.bin"), data);
    THttpServerFixture http;
    ASSERT_TRUE(http.Start()) << http.Message().toStdString();
    testsupport::WriteFile(http.DocRoot() + QStringLiteral("/a.bin"), data);
    const QString outside = FRoot.filePath(QStringLiteral("x/abs.bin"));
    const struct {
        const char* kind;
        TWebCopyProtocol protocol;
        QString url;
    } kinds[] = {
        {"file copy", wpFile, source(QStringLiteral("a.bin"))},
        {"ftp download", wpFtp, QStringLiteral("a.bin")},
        {"http download", wpHttp, http.BaseUrl() + QStringLiteral("/a.bin")},
    };
    for (const auto& k : kinds) {
        for (const QString& name : {QStringLiteral("../up.bin"), outside, QStringLiteral("sub/ok.bin")}) {
            SCOPED_TRACE(std::string(k.kind) + " to " + name.toStdString());
            FWebCopy.Items().Clear();
            TWebCopyItem& item = addCopy(k.url, name);
            item.Protocol = k.protocol;
            if (k.protocol == wpFtp) {
                item.FTPHost = QStringLiteral("127.0.0.1");
                item.FTPPort = server.Port();
                item.FTPUserID = QStringLiteral("reader");
                item.FTPPassword = QStringLiteral("secret");
            }
            FWebCopy.Execute();
            const bool inside = name == QStringLiteral("sub/ok.bin");
            EXPECT_EQ(item.Success(), inside) << item.ErrorReason().toStdString();
            if (!inside) {
                EXPECT_EQ(item.ErrorCause(), TTransferCause::InvalidUrl);
                EXPECT_EQ(item.ErrorCode(), 3) << "refused as a target that cannot be made";
            }
            EXPECT_EQ(snapshot(FRoot.path()).keys(), (QStringList {QStringLiteral("dst"), QStringLiteral("src")}));
            EXPECT_EQ(snapshot(targetDir()).keys(), inside ? QStringList {QStringLiteral("sub")} : QStringList());
            EXPECT_EQ(contents(target(QStringLiteral("sub/ok.bin"))), inside ? data : QByteArray("<unreadable>"));
            QDir(targetDir()).removeRecursively();
            QDir(FRoot.path()).mkpath(QStringLiteral("dst"));
            QFile::remove(FRoot.filePath(QStringLiteral("up.bin")));
            QDir(FRoot.filePath(QStringLiteral("x"))).removeRecursively();
        }
    }
}
