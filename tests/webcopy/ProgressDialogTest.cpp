// The progress dialog's layout for each combination of switches, and its text routines.
#include "webcopy/ProgressForm.h"
#include "webcopy/ProgressFormat.h"
#include "webcopy/ProgressLine.h"
#include "platform/TickCount.h"
#include "webcopy/WebCopy.h"

#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <gtest/gtest.h>

namespace {

struct LayoutCase {
    const char* name;
    bool showFileName, showTime, showElapsedTime, showCancel, showOpenFile, showOpenFolder;
    int heightBeyondCaption; // outer height minus the caption height
    int sizeTop, rateTop, buttonTop;
    int openFileLeft, openFolderLeft; // -1: no such button
};

// What a user sees of a run's dialog: built by a real run and inspected as it is shown.
struct DialogView {
    QSize clientSize;
    bool stayOnTop = false, closeBox = false;
    QString caption;
    QRect file, bar, size, rate, time, elapsed, cancel, openFile, openFolder;
    bool cancelVisible = false, timeVisible = false, elapsedVisible = false;
    bool openFileEnabled = false, openFolderEnabled = false;
};

DialogView ViewOfARun(const LayoutCase& c)
{
    TWebCopy webCopy;
    webCopy.ShowFileName = c.showFileName;
    webCopy.ShowTime = c.showTime;
    webCopy.ShowElapsedTime = c.showElapsedTime;
    webCopy.DlgShowCancel = c.showCancel;
    webCopy.ShowOpenFile = c.showOpenFile;
    webCopy.ShowOpenFolder = c.showOpenFolder;
    DialogView view;
    webCopy.OnBeforeDialogShow = [&](QObject*, QDialog* dialog) {
        auto* form = static_cast<TWcProgressForm*>(dialog);
        view.clientSize = form->size();
        view.stayOnTop = form->windowFlags() & Qt::WindowStaysOnTopHint;
        view.closeBox = form->windowFlags() & Qt::WindowCloseButtonHint;
        view.caption = form->windowTitle();
        view.file = form->FileLine()->geometry();
        view.bar = form->ProgressBar()->geometry();
        view.size = form->SizeLine()->geometry();
        view.rate = form->RateLine()->geometry();
        view.time = form->TimeLine()->geometry();
        view.elapsed = form->ElapsedTimeLine()->geometry();
        view.cancel = form->CancelButton()->geometry();
        view.cancelVisible = !form->CancelButton()->isHidden();
        view.timeVisible = !form->TimeLine()->isHidden();
        view.elapsedVisible = !form->ElapsedTimeLine()->isHidden();
        if (form->OpenFileButton()) {
            view.openFile = form->OpenFileButton()->geometry();
            view.openFileEnabled = form->OpenFileButton()->isEnabled();
        }
        if (form->OpenFolderButton()) {
            view.openFolder = form->OpenFolderButton()->geometry();
            view.openFolderEnabled = form->OpenFolderButton()->isEnabled();
        }
    };
    webCopy.Execute();
    return view;
}

} // namespace

TEST(ProgressDialog, LayoutFollowsTheSwitches)
{
    const LayoutCase cases[] = {
        {"defaults", true, false, false, true, false, false, 145, 40, 60, 100, -1, -1},
        {"both time lines", true, true, true, true, false, false, 185, 40, 60, 140, -1, -1},
        {"one time line", true, true, false, true, false, false, 165, 40, 60, 120, -1, -1},
        {"no file line", false, false, false, true, false, false, 145, 60, 80, 80, -1, -1},
        {"no cancel button", true, false, false, false, false, false, 125, 40, 60, 100, -1, -1},
        {"both open buttons", true, false, false, true, true, true, 145, 40, 60, 100, 45, 130},
        {"open file only", true, false, false, true, true, false, 145, 40, 60, 100, 130, -1},
    };
    const int border = TWcProgressForm::BorderWidth;
    // The table's tops, all lower by the room left above the file line.
    const int top = TWcProgressForm::TopMargin;
    for (LayoutCase c : cases) {
        SCOPED_TRACE(c.name);
        c.heightBeyondCaption += top;
        c.sizeTop += top;
        c.rateTop += top;
        c.buttonTop += top;
        const DialogView view = ViewOfARun(c);
        EXPECT_EQ(view.clientSize, QSize(300 - 2 * border, c.heightBeyondCaption - 2 * border));
        EXPECT_EQ(view.caption, QStringLiteral("Downloading ..."));
        EXPECT_TRUE(view.stayOnTop);
        EXPECT_FALSE(view.closeBox);
        EXPECT_EQ(view.file.topLeft(), QPoint(10, top));
        EXPECT_EQ(view.file.width(), 280);
        EXPECT_EQ(view.bar, QRect(10, top + 20, 270, 12));
        EXPECT_EQ(view.size.topLeft(), QPoint(10, c.sizeTop));
        EXPECT_EQ(view.rate.topLeft(), QPoint(10, c.rateTop));
        // The time lines keep their places whether the other one shows or not.
        EXPECT_EQ(view.time.top(), c.sizeTop + 40);
        EXPECT_EQ(view.elapsed.top(), c.sizeTop + 60);
        EXPECT_EQ(view.timeVisible, c.showTime);
        EXPECT_EQ(view.elapsedVisible, c.showElapsedTime);
        EXPECT_EQ(view.cancelVisible, c.showCancel);
        EXPECT_EQ(view.cancel, QRect(205, c.buttonTop, 75, 25));
        if (c.openFileLeft >= 0) {
            EXPECT_EQ(view.openFile, QRect(c.openFileLeft, c.buttonTop, 75, 25));
        }
        if (c.openFolderLeft >= 0) {
            EXPECT_EQ(view.openFolder, QRect(c.openFolderLeft, c.buttonTop, 75, 25));
        }
        EXPECT_FALSE(view.openFileEnabled || view.openFolderEnabled) << "Open buttons wait for the end of the run";
    }
}

TEST(ProgressDialog, CloseBoxOnlyWhenAskedFor)
{
    TWebCopy webCopy;
    webCopy.DlgShowCloseBtn = true;
    webCopy.ShowDialogOnTop = false;
    bool closeBox = false, onTop = true;
    webCopy.OnBeforeDialogShow = [&](QObject*, QDialog* dialog) {
        closeBox = dialog->windowFlags() & Qt::WindowCloseButtonHint;
        onTop = dialog->windowFlags() & Qt::WindowStaysOnTopHint;
    };
    webCopy.Execute();
    EXPECT_TRUE(closeBox);
    EXPECT_FALSE(onTop);
}

TEST(ProgressFormat, SizeAndRateTexts)
{
    const QString point = QLocale().decimalPoint();
    const struct {
        qint64 n;
        const char* size;
        const char* rate;
    } cases[] = {
        {0, "0 bytes", "0 bytes/sec"},
        {-5, "-5 bytes", "-5 bytes/sec"},
        {1, "1 byte", "1 byte/sec"},
        {999, "999 bytes", "999 bytes/sec"},
        {1000, "1.00 KB", "1.00 KB/sec"},
        {1005, "1.00 KB", "1.00 KB/sec"},  // a half goes to the even neighbour
        {1015, "1.02 KB", "1.02 KB/sec"},
        {1536, "1.54 KB", "1.54 KB/sec"},
        {999999, "1000.00 KB", "1000.00 KB/sec"},
        {1000000, "1.00 MB", "1.00 MB/sec"},
        {1536000, "1.54 MB", "1.54 MB/sec"},
        {1073741824, "1073.74 MB", "1073.74 MB/sec"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSizeText(c.n), QString::fromLatin1(c.size).replace(QLatin1Char('.'), point)) << c.n;
        EXPECT_EQ(FormatRateText(c.n), QString::fromLatin1(c.rate).replace(QLatin1Char('.'), point)) << c.n;
    }
}

TEST(ProgressFormat, TimeTexts)
{
    const QString sec = QStringLiteral("sec"), min = QStringLiteral("minutes");
    const struct {
        quint32 elapsed;
        qint64 done, total;
        const char* text;
    } cases[] = {
        {12400, 0, 0, "12 sec."},
        {30000, 0, 0, "30 sec."},
        {31000, 0, 0, "1 minutes."},
        {90000, 0, 0, "2 minutes."},
        {30 * 60000, 0, 0, "30 minutes."},
        {31 * 60000, 0, 0, "0h 31"},
        {61 * 60000, 0, 0, "1h 1"},
        {5000, 0, 100, "5 sec."},
        {5000, 50, 100, "5 sec."},
        {5000, 25, 100, "15 sec."},
        {5000, 100, 100, "5 sec."},   // finished: the elapsed time
        {5000, 150, 100, "5 sec."},   // more than announced: the elapsed time
        {2500, 0, 0, "2 sec."},       // 2.5 s rounds to the even neighbour
        {3500, 0, 0, "4 sec."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatTimeText(c.elapsed, sec, min, c.done, c.total), QString::fromLatin1(c.text))
            << c.elapsed << " " << c.done << "/" << c.total;
}

TEST(ProgressFormat, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(DivRoundHalfEven(5, 10), 0);
    EXPECT_EQ(DivRoundHalfEven(15, 10), 2);
    EXPECT_EQ(DivRoundHalfEven(25, 10), 2);
    EXPECT_EQ(DivRoundHalfEven(26, 10), 3);
    EXPECT_EQ(DivRoundHalfEven(-15, 10), -2);
}

TEST(ProgressStep, TextsFollowTheLatestBlock)
{
    TWebCopy webCopy;
    webCopy.ShowCompletion = true;
    webCopy.DlgCompleted = QStringLiteral("completed");
    QString sizeLine, caption;
    int position = -1;
    std::vector<std::tuple<int, quint32, quint32>> progress;
    webCopy.OnCopyProgress = [&](QObject*, int fileidx, quint32 size, quint32 total) {
        progress.emplace_back(fileidx, size, total);
    };
    webCopy.OnBeforeDialogShow = [&](QObject*, QDialog*) {
        webCopy.ShowProgress(450, 1000, 0, QStringLiteral("Downloading"));
        webCopy.ShowProgress(5000000000LL, 0, 0, QStringLiteral("Downloading"));
        sizeLine = webCopy.ProgressSizeLabel()->text();
        caption = webCopy.ProgressForm()->windowTitle();
        position = webCopy.ProgressBar()->value();
    };
    webCopy.Execute();
    // An unknown total leaves the bar where it was and shows only the count.
    EXPECT_EQ(position, 45);
    EXPECT_EQ(caption, QStringLiteral("Downloading : 45% completed"));
    EXPECT_EQ(sizeLine, QStringLiteral("Progress : ") + FormatSizeText(5000000000LL));
    ASSERT_EQ(progress.size(), 2u);
    // The event's 32-bit amounts stop at their largest value instead of wrapping round.
    EXPECT_EQ(progress[1], std::make_tuple(0, 0xFFFFFFFFu, 0u));
    EXPECT_FALSE(webCopy.RateStr().isEmpty());
}

TEST(ProgressStep, NothingIsLeftOnceEverythingIsDone)
{
    TWebCopy webCopy;
    webCopy.ShowTime = true;
    QString timeLeft, timeLine, elapsed;
    webCopy.OnBeforeDialogShow = [&](QObject*, QDialog*) {
        // Started 3 s ago: the formula alone would say 3 sec. are left at 100 %.
        const quint32 start = TickCount() - 3000;
        webCopy.ShowProgress(500, 1000, start, QStringLiteral("Downloading"));
        webCopy.ShowProgress(1000, 1000, start, QStringLiteral("Downloading"));
        timeLeft = webCopy.TimeLeftStr();
        elapsed = webCopy.ElapsedTimeStr();
        timeLine = qobject_cast<TWcProgressForm*>(webCopy.ProgressForm())->TimeLine()->text();
    };
    webCopy.Execute();
    EXPECT_EQ(timeLeft, QStringLiteral("0 sec."));
    EXPECT_EQ(timeLine, QStringLiteral("Estimated time left : 0 sec."));
    EXPECT_EQ(elapsed, QStringLiteral("3 sec.")) << "the elapsed time is unchanged";
}

TEST(ProgressDialog, AlwaysOnTopKeepsTheDialogOnTopForTheWholeRun)
{
    for (const bool alwaysOnTop : {false, true}) {
        TWebCopy webCopy;
        webCopy.ShowDialogOnTop = false;
        webCopy.AlwaysOnTop = alwaysOnTop;
        bool onTop = !alwaysOnTop;
        webCopy.OnBeforeDialogShow = [&](QObject*, QDialog* dialog) {
            onTop = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        };
        webCopy.Execute();
        EXPECT_EQ(onTop, alwaysOnTop);
    }
}
