// From a Download click to the installed page, against a local download server; the setup
// program is the test child, which records that it ran.
#include "launcher/RzLauncher.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/support/WaitFor.h"
#include "webcopy/WebCopy.h"
#include "widgets/PageContainer.h"
#include "wizard/FrmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString ServerSetup = QStringLiteral("orvanta5serversetup.exe");

// Answers every message box with OK and keeps what it said.
class TMessageBoxAnswers {
public:
    TMessageBoxAnswers()
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Texts << box->text();
                Icons << box->icon();
                box->accept();
            }
        });
        FTimer.start();
    }
    QStringList Texts;
    QList<QMessageBox::Icon> Icons;

private:
    QTimer FTimer;
};

class DownloadRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FServer.Start()) << FServer.Message().toStdString();
        FOldTmpDir = qgetenv("TMPDIR");
        qputenv("TMPDIR", FTemp.path().toLocal8Bit());
        qputenv("ORVANTA_CHILD_MARK", FMark.toLocal8Bit());
        FWindow = std::make_unique<TfrmMain>(FServer.BaseUrl() + QLatin1Char('/'));
        FWindow->show();
    }
    void TearDown() override
    {
        FWindow.reset();
        qputenv("TMPDIR", FOldTmpDir);
        qunsetenv("ORVANTA_CHILD_MARK");
        qunsetenv("ORVANTA_CHILD_SLEEP_MS");
    }

    void ServeSetupProgram() { ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANTA_TEST_CHILD), FServer.DocRoot() + QLatin1Char('/') + ServerSetup)); }
    QWidget* Page(const char* name) const { return FWindow->findChild<QWidget*>(QString::fromLatin1(name)); }
    void GoTo(const char* page) { FWindow->Pages()->setActivePage(Page(page)); }
    void Click(const char* name)
    {
        auto* widget = FWindow->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
    bool Idle() const { return !FWindow->Downloader()->Running() && !FWindow->Launcher()->Running(); }
    // The files the temporary directory holds, wherever the wizard's private folder is.
    QStringList DownloadedFiles() const
    {
        QStringList files;
        for (const QFileInfo& dir : QDir(FTemp.path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QFileInfo& file : QDir(dir.filePath()).entryInfoList(QDir::Files | QDir::Hidden))
                files << file.fileName();
        return files;
    }

    THttpServerFixture FServer;
    QTemporaryDir FTemp;
    QTemporaryDir FMarks;
    const QString FMark = FMarks.filePath(QStringLiteral("ran.json"));
    QByteArray FOldTmpDir;
    std::unique_ptr<TfrmMain> FWindow;
};

} // namespace

TEST_F(DownloadRoad, DownloadRunsTheSetupProgramAndShowsTheInstalledPage)
{
    ServeSetupProgram();
    GoTo("tabInstallServer");
    QString caption;
    FWindow->Downloader()->OnBeforeDialogShow = [&](QObject*, QDialog* dialog) { caption = dialog->windowTitle(); };

    Click("btnDownloadServer");

    ASSERT_TRUE(testsupport::waitFor([&] { return FWindow->Pages()->activePage() == Page("tabServerInstalled"); }, 20000));
    EXPECT_EQ(caption, QStringLiteral("Download Orvanta 5 Server..... ..."));
    EXPECT_TRUE(QFile::exists(FMark)) << "the setup program ran";
    EXPECT_EQ(DownloadedFiles(), QStringList {ServerSetup});
    const QJsonObject request = FServer.Requests().last();
    EXPECT_EQ(request.value(QStringLiteral("path")).toString(), QLatin1Char('/') + ServerSetup);
    EXPECT_EQ(request.value(QStringLiteral("headers")).toObject().value(QStringLiteral("user-agent")).toString(),
              QStringLiteral("WebCopy"));
}

TEST_F(DownloadRoad, LeavingForTheWorkstationPageWhileItRunsEndsOnWorkstationInstalled)
{
    ServeSetupProgram();
    qputenv("ORVANTA_CHILD_SLEEP_MS", "400");
    GoTo("tabInstallServer");
    // While the setup program runs the wizard stays usable: Back, then Install Workstation.
    QTimer navigate;
    navigate.setInterval(5);
    QObject::connect(&navigate, &QTimer::timeout, [&] {
        if (!FWindow->Launcher()->Running())
            return;
        navigate.stop();
        Click("btnServerBack");
        Click("btnInstallWorkstation");
    });
    navigate.start();

    Click("btnDownloadServer");

    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && FWindow->Pages()->activePage() == Page("tabWorkstationInstalled"); }, 20000));
    EXPECT_TRUE(QFile::exists(FMark));
}

TEST_F(DownloadRoad, CancelTellsTheUserEndsTheWizardAndLeavesNothing)
{
    ServeSetupProgram();
    GoTo("tabInstallServer");
    TMessageBoxAnswers answers;
    FWindow->Downloader()->OnCopyProgress = [&](QObject*, int, quint32, quint32) {
        auto* cancel = FWindow->Downloader()->ProgressForm()->findChild<QPushButton*>(QStringLiteral("CancelBtn"));
        if (cancel && cancel->isEnabled() && answers.Texts.isEmpty())
            cancel->click();
    };

    Click("btnDownloadServer");

    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && !answers.Texts.isEmpty(); }, 20000));
    EXPECT_EQ(answers.Texts, QStringList {QStringLiteral("Download of setup program cancelled.")});
    EXPECT_EQ(answers.Icons, QList<QMessageBox::Icon> {QMessageBox::Information});
    EXPECT_FALSE(FWindow->isVisible()) << "the main window closed, which ends the application";
    EXPECT_FALSE(QFile::exists(FMark)) << "no setup program ran";
    EXPECT_TRUE(DownloadedFiles().isEmpty());
}

TEST_F(DownloadRoad, AFailedDownloadIsShownRunsNothingAndCanBeTriedAgain)
{
    GoTo("tabInstallServer");
    TMessageBoxAnswers answers;

    Click("btnDownloadServer");
    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && !answers.Texts.isEmpty(); }, 20000));
    ASSERT_EQ(answers.Texts.size(), 1);
    EXPECT_TRUE(answers.Texts[0].contains(QStringLiteral("404")));
    EXPECT_EQ(answers.Icons, QList<QMessageBox::Icon> {QMessageBox::Critical});
    EXPECT_FALSE(QFile::exists(FMark));
    EXPECT_EQ(FWindow->Pages()->activePage(), Page("tabInstallServer"));

    ServeSetupProgram();
    Click("btnDownloadServer");
    ASSERT_TRUE(testsupport::waitFor([&] { return FWindow->Pages()->activePage() == Page("tabServerInstalled"); }, 20000));
    EXPECT_TRUE(QFile::exists(FMark));
    EXPECT_EQ(answers.Texts.size(), 1);
}

TEST_F(DownloadRoad, AnUnreachableServerShowsTheConnectMessage)
{
    FWindow = std::make_unique<TfrmMain>(QStringLiteral("http://127.0.0.1:1/"));
    FWindow->show();
    GoTo("tabInstallWorkstation");
    TMessageBoxAnswers answers;
    Click("btnDownloadWorkstation");
    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && !answers.Texts.isEmpty(); }, 20000));
    EXPECT_EQ(answers.Texts, QStringList {QStringLiteral(
                                 "Unable to connect to web server!  Please make sure you are connected to the Internet "
                                 "before trying again.")});
    EXPECT_FALSE(QFile::exists(FMark));
}
