// The copy run: order of events, session, cancel, the two ends of a run, threads.
#include "platform/InternetSession.h"
#include "tests/support/WaitFor.h"
#include "webcopy/WebCopy.h"
#include "webcopy/WebCopyIoError.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Records the run's events as short texts, progress collapsed to one entry per file number.
class TEventLog {
public:
    explicit TEventLog(TWebCopy& webCopy)
    {
        webCopy.OnBeforeDialogShow = [this](QObject*, QDialog*) { Events << QStringLiteral("dialog"); };
        webCopy.OnFileStart = [this](QObject*, int idx) { Events << QStringLiteral("start %1").arg(idx); };
        webCopy.OnFileDone = [this](QObject*, int idx) { Events << QStringLiteral("done %1").arg(idx); };
        webCopy.OnCopyDone = [this](QObject*) { Events << QStringLiteral("copy done"); };
        webCopy.OnCopyCancel = [this](QObject*) { Events << QStringLiteral("cancel"); };
        webCopy.OnError = [this](QObject*, int code) { Events << QStringLiteral("error %1").arg(code); };
        webCopy.OnErrorInfo = [this](QObject*, int, const QString& info) { Events << QStringLiteral("info ") + info; };
        webCopy.OnCopyProgress = [this](QObject*, int fileidx, quint32, quint32) {
            const QString entry = QStringLiteral("progress %1").arg(fileidx);
            if (Events.isEmpty() || Events.last() != entry)
                Events << entry;
        };
    }
    QStringList Events;
};

class CopyRun : public ::testing::Test {
protected:
    // A wpFile item copying a new source file of `size` bytes into the target directory.
    TWebCopyItem* AddCopy(TWebCopy& webCopy, const QString& name, int size = 1000)
    {
        QFile source(FSource.filePath(name));
        EXPECT_TRUE(source.open(QIODevice::WriteOnly));
        source.write(QByteArray(size, 'x'));
        TWebCopyItem* item = webCopy.Items().Add();
        item->Protocol = wpFile;
        item->URL = source.fileName();
        item->TargetDir = FTarget.path();
        return item;
    }

    QTemporaryDir FSource;
    QTemporaryDir FTarget;
};

} // namespace

TEST_F(CopyRun, WithoutActiveItemsBuildsTheDialogAndEnds)
{
    for (bool withInactiveItem : {false, true}) {
        TWebCopy webCopy;
        TEventLog log(webCopy);
        if (withInactiveItem)
            webCopy.Items().Add()->Active = false;
        EXPECT_TRUE(webCopy.Execute());
        EXPECT_EQ(log.Events, (QStringList {QStringLiteral("dialog"), QStringLiteral("copy done")}));
        EXPECT_EQ(webCopy.ProgressForm(), nullptr);
        EXPECT_FALSE(webCopy.Running());
    }
}

TEST_F(CopyRun, ActiveItemsRunInOrderWithRunningFileNumbers)
{
    TWebCopy webCopy;
    webCopy.ShowDialog = false;
    TEventLog log(webCopy);
    AddCopy(webCopy, QStringLiteral("a.bin"));
    AddCopy(webCopy, QStringLiteral("b.bin"))->Active = false;
    AddCopy(webCopy, QStringLiteral("c.bin"));
    bool sessionOpened = false;
    webCopy.OnFileStart = [&, inner = webCopy.OnFileStart](QObject* sender, int idx) {
        sessionOpened |= webCopy.Session() != nullptr;
        inner(sender, idx);
    };

    webCopy.Execute();

    EXPECT_EQ(log.Events, (QStringList {QStringLiteral("start 0"), QStringLiteral("progress 1"), QStringLiteral("done 0"),
                                        QStringLiteral("start 2"), QStringLiteral("progress 2"), QStringLiteral("done 2"),
                                        QStringLiteral("copy done")}));
    EXPECT_FALSE(sessionOpened) << "a run of file copies needs no Internet session";
    EXPECT_EQ(webCopy.Items().SuccessCount(), 2);
    EXPECT_FALSE(webCopy.Items()[1]->Success());
}

TEST_F(CopyRun, NetworkItemsShareOneSessionWithTheTimeouts)
{
    for (int timeout : {30, 0, -5}) {
        TWebCopy webCopy;
        webCopy.ShowDialog = false;
        webCopy.Timeout = timeout;
        webCopy.Agent = QStringLiteral("Agent/1");
        webCopy.Items().Add()->Protocol = wpFtpTest;
        const TInternetSession* seen = nullptr;
        int connectMs = -1, sendMs = -1, receiveMs = -1;
        webCopy.OnFileStart = [&](QObject*, int) {
            seen = webCopy.Session();
            ASSERT_NE(seen, nullptr);
            EXPECT_EQ(seen->Agent(), QStringLiteral("Agent/1"));
            connectMs = seen->ConnectTimeoutMs();
            sendMs = seen->SendTimeoutMs();
            receiveMs = seen->ReceiveTimeoutMs();
        };
        webCopy.Execute();
        const int expected = timeout > 0 ? timeout * 1000 : 0;
        EXPECT_EQ(connectMs, expected);
        EXPECT_EQ(sendMs, expected);
        EXPECT_EQ(receiveMs, expected);
        EXPECT_EQ(webCopy.Session(), nullptr) << "the session ends with the run";
    }
}

TEST_F(CopyRun, AnFtpItemWithoutAServerFailsThroughTheErrorEvents)
{
    TWebCopy webCopy;
    webCopy.ShowDialog = false;
    TEventLog log(webCopy);
    webCopy.Items().Add()->Protocol = wpFtpDelete;
    webCopy.Execute();
    ASSERT_GE(log.Events.size(), 3);
    EXPECT_EQ(log.Events[1], QStringLiteral("error 6"));
    EXPECT_TRUE(log.Events[2].contains(QStringLiteral("Cannot connect to FTP server")));
    EXPECT_FALSE(webCopy.Items()[0]->Success());
}

TEST_F(CopyRun, CancelDuringTheFirstOfThreeItems)
{
    TWebCopy webCopy;
    for (const char* name : {"1.bin", "2.bin", "3.bin"})
        AddCopy(webCopy, QString::fromLatin1(name), 300000);
    webCopy.Execute();
    ASSERT_EQ(webCopy.Items().SuccessCount(), 3);

    TEventLog log(webCopy);
    bool clicked = false;
    auto recordProgress = webCopy.OnCopyProgress;
    webCopy.OnCopyProgress = [&](QObject* sender, int fileidx, quint32 size, quint32 total) {
        recordProgress(sender, fileidx, size, total);
        if (!clicked) {
            clicked = true;
            auto* cancel = webCopy.ProgressForm()->findChild<QPushButton*>(QStringLiteral("CancelBtn"));
            QTest::mouseClick(cancel, Qt::LeftButton);
            // The dialog refuses to close while the run still writes into it.
            EXPECT_NE(webCopy.ProgressForm(), nullptr);
        }
    };
    webCopy.Execute();

    EXPECT_EQ(log.Events, (QStringList {QStringLiteral("dialog"), QStringLiteral("start 0"), QStringLiteral("progress 1"),
                                        QStringLiteral("cancel"), QStringLiteral("copy done")}));
    EXPECT_TRUE(webCopy.Items()[0]->Cancelled());
    EXPECT_FALSE(webCopy.Items()[0]->Success());
    for (int i : {1, 2}) {
        EXPECT_FALSE(webCopy.Items()[i]->Success()) << "a run starts every item afresh";
        EXPECT_EQ(webCopy.Items()[i]->ErrorCause(), TTransferCause::NotRun);
    }
    EXPECT_EQ(webCopy.ProgressForm(), nullptr);
}

TEST_F(CopyRun, WithOpenButtonsACancelledRunLeavesAClosableDialog)
{
    TWebCopy webCopy;
    webCopy.ShowOpenFolder = true;
    AddCopy(webCopy, QStringLiteral("big.bin"), 300000);
    QString captionAtCopyDone;
    webCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) { webCopy.CancelCopy(); };
    webCopy.OnCopyDone = [&](QObject*) {
        captionAtCopyDone = webCopy.ProgressForm()->findChild<QPushButton*>(QStringLiteral("CancelBtn"))->text();
    };

    webCopy.Execute();

    EXPECT_EQ(captionAtCopyDone, QStringLiteral("Close")) << "OnCopyDone comes once the run has ended";
    QDialog* dialog = webCopy.ProgressForm();
    ASSERT_NE(dialog, nullptr);
    auto* close = dialog->findChild<QPushButton*>(QStringLiteral("CancelBtn"));
    auto* openFolder = dialog->findChild<QPushButton*>(QStringLiteral("BtnShowFolder"));
    ASSERT_NE(openFolder, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    EXPECT_FALSE(openFolder->isEnabled());

    int cancelEvents = 0;
    webCopy.OnCopyCancel = [&](QObject*) { ++cancelEvents; };
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_EQ(cancelEvents, 1);
    EXPECT_TRUE(testsupport::waitFor([&] { return webCopy.ProgressForm() == nullptr; }));
}

TEST_F(CopyRun, ThreadExecuteReturnsAtOnceAndRefusesASecondStart)
{
    TWebCopy webCopy;
    TEventLog log(webCopy);
    AddCopy(webCopy, QStringLiteral("a.bin"));
    bool secondStartRefused = false;
    webCopy.OnFileStart = [&, inner = webCopy.OnFileStart](QObject* sender, int idx) {
        secondStartRefused = !webCopy.ThreadExecute() && !webCopy.Execute();
        inner(sender, idx);
    };

    ASSERT_TRUE(webCopy.ThreadExecute());
    EXPECT_TRUE(log.Events.isEmpty()) << "the run starts only when the event loop runs again";
    EXPECT_FALSE(webCopy.ThreadExecute());

    ASSERT_TRUE(testsupport::waitFor([&] { return log.Events.contains(QStringLiteral("copy done")); }));
    EXPECT_TRUE(secondStartRefused);
    EXPECT_EQ(log.Events.count(QStringLiteral("start 0")), 1);
    EXPECT_TRUE(webCopy.Items()[0]->Success());

    // ThreadExecAndWait returns once the helper thread has ended.
    log.Events.clear();
    EXPECT_TRUE(webCopy.ThreadExecAndWait());
    EXPECT_EQ(log.Events.last(), QStringLiteral("copy done"));
}

TEST_F(CopyRun, AnInputOutputErrorEndsTheRunAndIsReportedNotSwallowed)
{
    const QString info = QStringLiteral("Error writing to destination file /target/x");
    const auto failingCopy = [&](TWebCopy& webCopy) {
        AddCopy(webCopy, QStringLiteral("a.bin"));
        webCopy.OnFileStart = [&](QObject*, int) { throw TWebCopyIoError(5, info); };
    };

    // Under Execute the error reaches the caller; the run has released its dialog.
    {
        TWebCopy webCopy;
        failingCopy(webCopy);
        bool copyDone = false;
        webCopy.OnCopyDone = [&](QObject*) { copyDone = true; };
        EXPECT_THROW(webCopy.Execute(), TWebCopyIoError);
        EXPECT_FALSE(copyDone);
        EXPECT_EQ(webCopy.ProgressForm(), nullptr);
        EXPECT_FALSE(webCopy.Running());
    }
    // Under ThreadExecAndWait it is reported through OnError and OnErrorInfo, and is not a normal end.
    {
        TWebCopy webCopy;
        failingCopy(webCopy);
        TEventLog log(webCopy);
        webCopy.OnFileStart = [&](QObject*, int) { throw TWebCopyIoError(5, info); };
        EXPECT_TRUE(webCopy.ThreadExecAndWait());
        EXPECT_EQ(log.Events, (QStringList {QStringLiteral("dialog"), QStringLiteral("error 5"), QStringLiteral("info ") + info}));
        EXPECT_EQ(webCopy.ProgressForm(), nullptr);
        EXPECT_FALSE(webCopy.Running());
    }
}

TEST_F(CopyRun, ADialogClosedDuringTheRunHidesUntilTheRunEnds)
{
    TWebCopy webCopy;
    webCopy.DlgShowCloseBtn = true;
    AddCopy(webCopy, QStringLiteral("big.bin"), 300000);
    bool closed = false;
    bool hiddenButAlive = false;
    webCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) {
        if (closed)
            return;
        closed = true;
        webCopy.ProgressForm()->close();
        // Later blocks still write into it, so it is only out of sight.
        hiddenButAlive = webCopy.ProgressForm() && webCopy.ProgressForm()->isHidden();
    };
    webCopy.Execute();
    EXPECT_TRUE(hiddenButAlive);
    EXPECT_TRUE(webCopy.Items()[0]->Success()) << "closing the dialog is not a cancel";
    EXPECT_EQ(webCopy.ProgressForm(), nullptr);
}

TEST_F(CopyRun, TheListKeepsItsOrderDuringARunAndTheRunStaysWhole)
{
    // Handlers that try to clear, delete or insert items while the run works through them:
    // refused, so the run neither touches freed items nor skips or repeats one.
    const struct {
        const char* name;
        std::function<bool(TWebCopyItems&)> change;
    } cases[] = {
        {"clear", [](TWebCopyItems& items) { return items.Clear(); }},
        {"delete", [](TWebCopyItems& items) { return items.Delete(0); }},
        {"insert", [](TWebCopyItems& items) { return items.Insert(0) != nullptr; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TWebCopy webCopy;
        TEventLog log(webCopy);
        AddCopy(webCopy, QStringLiteral("a.bin"));
        AddCopy(webCopy, QStringLiteral("b.bin"));
        QList<bool> accepted;
        webCopy.OnFileStart = [&](QObject*, int idx) {
            log.Events << QStringLiteral("start %1").arg(idx);
            accepted << c.change(webCopy.Items());
        };
        webCopy.Execute();
        EXPECT_EQ(accepted, (QList<bool> {false, false}));
        ASSERT_EQ(webCopy.Items().Count(), 2);
        EXPECT_TRUE(webCopy.Items()[0]->Success());
        EXPECT_TRUE(webCopy.Items()[1]->Success());
        EXPECT_TRUE(log.Events.contains(QStringLiteral("done 1")));
        // Unlocked again once the run has ended.
        EXPECT_TRUE(c.change(webCopy.Items()));
    }
}

TEST_F(CopyRun, AnItemAddedDuringARunWaitsForTheNextRun)
{
    TWebCopy webCopy;
    AddCopy(webCopy, QStringLiteral("a.bin"));
    int starts = 0;
    webCopy.OnFileStart = [&](QObject*, int) {
        ++starts;
        if (webCopy.Items().Count() == 1)
            AddCopy(webCopy, QStringLiteral("late.bin"));
    };
    webCopy.Execute();
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(webCopy.Items().Count(), 2);
    EXPECT_FALSE(QFile::exists(FTarget.filePath(QStringLiteral("late.bin"))));
}

namespace {

// A second observer beside the dialog, as a terminal progress line would be.
class TObserverLog : public TWcProgressObserver {
public:
    void CaptionChanged(const QString& caption) override { Events << QStringLiteral("caption ") + caption; }
    void FileLineChanged(const QString& text) override { Events << QStringLiteral("file ") + text; }
    void MarqueeChanged(bool marquee) override { Events << QStringLiteral("marquee %1").arg(marquee); }
    void StatusChanged(const QString& status) override { Events << QStringLiteral("status ") + status; }
    void ProgressChanged(const TProgressKeys& keys, unsigned changes) override
    {
        if (changes & TProgressKeys::PositionChanged)
            Positions << keys.Position;
    }
    void RunEnded(bool cancelled) override { Events << QStringLiteral("end %1").arg(cancelled); }
    QStringList Events;
    QList<int> Positions;
};

} // namespace

TEST_F(CopyRun, ASecondObserverSeesTheRunWithoutADialog)
{
    TWebCopy webCopy;
    webCopy.ShowDialog = false;
    TObserverLog observer;
    webCopy.ProgressObserver = &observer;
    AddCopy(webCopy, QStringLiteral("a.bin"), 100000);
    webCopy.Execute();
    ASSERT_GE(observer.Events.size(), 4);
    EXPECT_EQ(observer.Events.first(), QStringLiteral("caption Downloading ..."));
    EXPECT_EQ(observer.Events[1], QStringLiteral("caption Copying ..."));
    EXPECT_TRUE(observer.Events[2].startsWith(QStringLiteral("file File : a.bin from ")));
    EXPECT_EQ(observer.Events.last(), QStringLiteral("end 0"));
    ASSERT_FALSE(observer.Positions.isEmpty());
    EXPECT_EQ(observer.Positions.last(), 100);
    EXPECT_TRUE(std::is_sorted(observer.Positions.begin(), observer.Positions.end()));
}

TEST_F(CopyRun, AComponentDeletedLaterFromItsOwnHandlerOutlivesTheRun)
{
    for (const bool threaded : {false, true}) {
        SCOPED_TRACE(threaded ? "ThreadExecute" : "Execute");
        auto* webCopy = new TWebCopy;
        const QPointer<TWebCopy> alive(webCopy);
        AddCopy(*webCopy, QStringLiteral("a.bin"));
        AddCopy(*webCopy, QStringLiteral("b.bin"));
        // Outside the component: what the handlers see must survive it.
        QStringList events;
        webCopy->OnFileDone = [&events, webCopy](QObject*, int idx) {
            events << QStringLiteral("done %1").arg(idx);
            if (idx == 0)
                webCopy->deleteLater();
        };
        webCopy->OnCopyDone = [&events](QObject*) { events << QStringLiteral("copy done"); };
        // A handler that asks the user runs an event loop of its own (a modal dialog), where a
        // deferred delete is otherwise carried out at once.
        webCopy->OnFileStart = [](QObject*, int idx) {
            if (idx == 1) {
                QEventLoop modal;
                QTimer::singleShot(0, &modal, &QEventLoop::quit);
                modal.exec();
            }
        };
        if (threaded) {
            ASSERT_TRUE(webCopy->ThreadExecute());
        } else {
            ASSERT_TRUE(webCopy->Execute());
        }
        EXPECT_TRUE(testsupport::waitFor([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return alive.isNull();
        }));
        EXPECT_EQ(events, (QStringList {QStringLiteral("done 0"), QStringLiteral("done 1"), QStringLiteral("copy done")}));
        EXPECT_TRUE(QFile::exists(FTarget.filePath(QStringLiteral("b.bin"))));
        QFile::remove(FTarget.filePath(QStringLiteral("a.bin")));
        QFile::remove(FTarget.filePath(QStringLiteral("b.bin")));
    }
}

TEST_F(CopyRun, AnyExceptionFromAHandlerOfAThreadedRunIsReported)
{
    TWebCopy webCopy;
    AddCopy(webCopy, QStringLiteral("a.bin"));
    TEventLog log(webCopy);
    webCopy.OnFileStart = [](QObject*, int) { throw std::runtime_error("the handler broke down"); };
    ASSERT_TRUE(webCopy.ThreadExecute());
    ASSERT_TRUE(testsupport::waitFor([&] { return !webCopy.Running(); }));
    const QStringList infos = log.Events.filter(QStringLiteral("info "));
    ASSERT_EQ(infos.size(), 1) << log.Events.join(u'|').toStdString();
    EXPECT_TRUE(infos[0].contains(QStringLiteral("the handler broke down"))) << infos[0].toStdString();
    EXPECT_FALSE(log.Events.contains(QStringLiteral("copy done")));
}
