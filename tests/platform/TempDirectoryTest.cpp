#include "platform/TempDirectory.h"
#include "tests/platform/EnvironmentOverride.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr QFile::Permissions OwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions GroupAndOther = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                             | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

class TTempDirectoryTest : public ::testing::Test {
protected:
    // The private directory inside a fresh base, as TMPDIR names it.
    QString userTempDirectoryIn(const QString& base)
    {
        FEnvironment.set("TMPDIR", QFile::encodeName(base));
        return UserTempDirectory();
    }

    // The name the private directory has inside any base.
    QString leafName()
    {
        QTemporaryDir probe;
        const QString path = userTempDirectoryIn(probe.path());
        return QFileInfo(path.chopped(1)).fileName();
    }

    QTemporaryDir FBase; // made before TMPDIR is changed
    TEnvironmentOverride FEnvironment;
};

TEST_F(TTempDirectoryTest, MakesAPrivateDirectoryOfOursInsideTheBase)
{
    const QString path = userTempDirectoryIn(FBase.path());
    ASSERT_TRUE(path.endsWith(QLatin1Char('/'))) << path.toStdString();
    EXPECT_TRUE(path.startsWith(FBase.path() + QStringLiteral("/orvanta-"))) << path.toStdString();
    const QFileInfo info(path.chopped(1));
    EXPECT_TRUE(info.isDir());
    EXPECT_FALSE(info.isSymLink());
    EXPECT_EQ(info.ownerId(), QFileInfo(FBase.path()).ownerId());
    EXPECT_EQ(info.permissions() & (OwnerOnly | GroupAndOther), OwnerOnly);
    EXPECT_EQ(UserTempDirectory(), path);
}

TEST_F(TTempDirectoryTest, BaseIsAnAbsoluteTmpdirOrElseTmp)
{
    const QString leaf = leafName();
    const QString inBase = FBase.path() + QLatin1Char('/') + leaf + QLatin1Char('/');
    const struct {
        QString Tmpdir;
        QString Expected;
    } cases[] = {
        {FBase.path(), inBase},
        {FBase.path() + QStringLiteral("//"), inBase},
        {QStringLiteral("relative/dir"), QStringLiteral("/tmp/") + leaf + QLatin1Char('/')},
        {QString(), QStringLiteral("/tmp/") + leaf + QLatin1Char('/')},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.Tmpdir.toStdString());
        EXPECT_EQ(userTempDirectoryIn(testCase.Tmpdir), testCase.Expected);
    }
}

TEST_F(TTempDirectoryTest, NarrowsTheModeOfOurOwnDirectory)
{
    const QString path = userTempDirectoryIn(FBase.path());
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(QFile::setPermissions(path, OwnerOnly | GroupAndOther));
    EXPECT_EQ(UserTempDirectory(), path);
    EXPECT_EQ(QFileInfo(path).permissions() & (OwnerOnly | GroupAndOther), OwnerOnly);
}

TEST_F(TTempDirectoryTest, RefusesALinkOrAFileInItsPlace)
{
    const QString leaf = leafName();
    const QString victim = FBase.filePath(QStringLiteral("victim"));
    ASSERT_TRUE(QDir().mkpath(victim));
    const QFile::Permissions victimPermissions = QFileInfo(victim).permissions();
    const struct {
        const char* Name;
        bool (*Plant)(const QString& target, const QString& path);
    } cases[] = {
        {"link to a directory", [](const QString& target, const QString& path) { return QFile::link(target, path); }},
        {"regular file", [](const QString&, const QString& path) {
             QFile file(path);
             return file.open(QIODevice::WriteOnly);
         }},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        QTemporaryDir base(FBase.filePath(QStringLiteral("base-XXXXXX")));
        const QString planted = base.filePath(leaf);
        ASSERT_TRUE(testCase.Plant(victim, planted));
        EXPECT_EQ(userTempDirectoryIn(base.path()), QString());
        EXPECT_EQ(QFileInfo(victim).permissions(), victimPermissions);
        EXPECT_TRUE(QFileInfo(planted).isSymLink() || QFileInfo(planted).isFile());
    }
}

TEST_F(TTempDirectoryTest, RefusesADirectoryOfAnotherUser)
{
    if (QFileInfo(FBase.path()).ownerId() != 0)
        GTEST_SKIP() << "only root can give a directory to another user";
    const QString planted = FBase.filePath(leafName());
    ASSERT_TRUE(QDir().mkdir(planted));
    ASSERT_EQ(QProcess::execute(QStringLiteral("chown"), {QStringLiteral("65534"), planted}), 0);
    const QFile::Permissions permissions = QFileInfo(planted).permissions();
    EXPECT_EQ(userTempDirectoryIn(FBase.path()), QString());
    EXPECT_EQ(QFileInfo(planted).permissions(), permissions);
}

} // namespace
