#include "platform/Shell.h"
#include "tests/platform/ShellFixture.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/WaitFor.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace {

using TShellStartTest = TShellFixture;
using TWaitResult = TProcessHandle::TWaitResult;

TEST_F(TShellStartTest, RefusedStartsGiveTheirErrorValueAndStartNothing)
{
    makeFile(QStringLiteral("plain.txt"), "just text\n");
    makeFile(QStringLiteral("script-without-interpreter"), "#!/nonexistent/interpreter\nexit 0\n", true);
    makeFile(QStringLiteral("not-a-program"), QByteArray("\x01\x02\x03 no known format\n"), true);

    struct TCase {
        const char* Name;
        QString Verb;
        QString File; // inside the work directory; empty: the helper child
        QString Directory;
        quint32 ErrorValue;
    };
    const TCase cases[] = {
        {"missing file", QStringLiteral("Open"), QStringLiteral("missing.exe"), {}, 2},
        {"missing directory in the path", QStringLiteral("Open"), QStringLiteral("no-dir/missing.exe"), {}, 3},
        {"a file used as a directory", QStringLiteral("Open"), QStringLiteral("plain.txt/missing.exe"), {}, 3},
        {"missing start directory", QStringLiteral("Open"), {}, QStringLiteral("no-dir"), 3},
        {"a file as start directory", QStringLiteral("Open"), {}, QStringLiteral("plain.txt"), 3},
        {"unsupported verb", QStringLiteral("print"), {}, {}, 31},
        {"document without a program", QStringLiteral("Open"), QStringLiteral("plain.txt"), {}, 31},
        {"script whose interpreter is missing", QStringLiteral("Open"), QStringLiteral("script-without-interpreter"), {}, 11},
        {"executable of no known format", QStringLiteral("Open"), QStringLiteral("not-a-program"), {}, 11},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        TShellStartRequest request;
        request.Verb = testCase.Verb;
        request.File = testCase.File.isEmpty() ? childProgram() : workPath(testCase.File);
        request.Directory = testCase.Directory.isEmpty() ? QString() : workPath(testCase.Directory);
        const TShellStartResult result = ShellStart(request);
        EXPECT_FALSE(result.Success);
        EXPECT_EQ(result.ErrorValue, testCase.ErrorValue);
        EXPECT_FALSE(result.Process.isValid());
        EXPECT_FALSE(QFileInfo::exists(markPath()));
    }
}

TEST_F(TShellStartTest, ProgramGetsSplitParametersAndStartDirectoryAndIsReapedByTheWait)
{
    const QString startDirectory = workPath(QStringLiteral("start dir"));
    ASSERT_TRUE(QDir().mkpath(startDirectory));
    FEnvironment.set("ORVANTA_CHILD_EXIT_CODE", "7");

    TShellStartRequest request;
    request.File = childProgram();
    request.Parameters = QStringLiteral(R"(--name "two words" 'single "quoted"' back\ slash "")");
    request.Directory = startDirectory;
    TShellStartResult result = ShellStart(request);
    ASSERT_TRUE(result.Success) << result.ErrorValue;
    ASSERT_TRUE(result.Process.isValid());
    const qint64 processId = result.Process.processId();

    ASSERT_EQ(result.Process.waitForExit(10000), TWaitResult::Exited);
    EXPECT_TRUE(result.Process.hasExited());
    EXPECT_EQ(result.Process.exitCode(), 7u);
    EXPECT_EQ(childState(processId), 0);

    const QJsonObject mark = readMark();
    EXPECT_EQ(mark.value(QStringLiteral("pid")).toInteger(), processId);
    EXPECT_EQ(mark.value(QStringLiteral("cwd")).toString(), QFileInfo(startDirectory).canonicalFilePath());
    const QStringList expected{QStringLiteral("--name"), QStringLiteral("two words"),
                               QStringLiteral("single \"quoted\""), QStringLiteral("back slash"), QString()};
    EXPECT_EQ(mark.value(QStringLiteral("arguments")).toVariant().toStringList().mid(1), expected);
}

TEST_F(TShellStartTest, OpenVerbIsCaseInsensitiveAndMayBeEmpty)
{
    for (const QString& verb : {QStringLiteral("open"), QStringLiteral("OPEN"), QString()}) {
        SCOPED_TRACE(verb.toStdString());
        TShellStartRequest request;
        request.Verb = verb;
        request.File = childProgram();
        TShellStartResult result = ShellStart(request);
        ASSERT_TRUE(result.Success) << result.ErrorValue;
        EXPECT_EQ(result.Process.waitForExit(10000), TWaitResult::Exited);
    }
}

TEST_F(TShellStartTest, AddressesGoThroughTheDesktopOpener)
{
    testsupport::TBrowserRecorder recorder;
    const QStringList addresses{QStringLiteral("https://example.invalid/trial?part=server&step=2"),
                                QStringLiteral("mailto:support@example.invalid")};
    for (const QString& address : addresses) {
        TShellStartRequest request;
        request.File = address;
        TShellStartResult result = ShellStart(request);
        ASSERT_TRUE(result.Success) << result.ErrorValue;
        // The handle is the opener's; it ends once the browser has been handed the address.
        EXPECT_EQ(result.Process.waitForExit(10000), TWaitResult::Exited);
        EXPECT_EQ(result.Process.exitCode(), 0u);
    }
    ASSERT_TRUE(recorder.waitForCount(addresses.size()));
    EXPECT_EQ(recorder.addresses(), addresses);
}

TEST_F(TShellStartTest, DocumentOpensOnlyWhenTheDesktopNamesAProgramForItsType)
{
    testsupport::TBrowserRecorder recorder;
    TShellStartRequest request;
    request.File = makeFile(QStringLiteral("notes.txt"), "some notes\n");

    EXPECT_EQ(ShellStart(request).ErrorValue, 31u);

    associateWithRecorder(QStringLiteral("text/plain"));
    TShellStartResult result = ShellStart(request);
    ASSERT_TRUE(result.Success) << result.ErrorValue;
    ASSERT_TRUE(recorder.waitForCount(1, 10000));
    EXPECT_EQ(recorder.addresses(), QStringList{request.File});
}

TEST_F(TShellStartTest, MissingDesktopOpenerMeansNoAssociation)
{
    const QString emptyDirectory = workPath(QStringLiteral("empty-bin"));
    ASSERT_TRUE(QDir().mkpath(emptyDirectory));
    FEnvironment.set("PATH", QFile::encodeName(emptyDirectory));
    TShellStartRequest request;
    request.File = QStringLiteral("https://example.invalid/");
    const TShellStartResult result = ShellStart(request);
    EXPECT_FALSE(result.Success);
    EXPECT_EQ(result.ErrorValue, 31u);
}

TEST_F(TShellStartTest, ShellOpenHandsTheFolderToTheOpener)
{
    testsupport::TBrowserRecorder recorder;
    const QString folder = workPath(QStringLiteral("a folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ShellOpen(folder);
    ASSERT_TRUE(recorder.waitForCount(1, 10000));
    EXPECT_EQ(recorder.addresses(), QStringList{folder});
}

} // namespace
