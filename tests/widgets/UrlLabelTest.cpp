#include "widgets/ColorValue.h"
#include "widgets/UrlLabel.h"

#include "tests/support/TestEnvironment.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QColor Purple = ColorFromValue(0x800080);

bool Contains(const QImage& image, QColor color)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).rgb() == color.rgb())
                return true;
        }
    }
    return false;
}

TUrlLabel* NewLabel(QWidget* window, const QString& url, int y)
{
    auto* label = new TUrlLabel(window);
    label->setText(QStringLiteral("www.orvanta.test"));
    label->setUrl(url);
    label->move(10, y);
    label->adjustSize();
    return label;
}

} // namespace

TEST(UrlLabel, ClickOpensTheUrlThroughTheShellAndTurnsPurple)
{
    const testsupport::TBrowserRecorder browser;
    QWidget window;
    window.resize(300, 100);
    const QString url = QStringLiteral("https://www.orvanta.test/contact?a=1&b=2");
    TUrlLabel* label = NewLabel(&window, url, 10);
    window.show();
    EXPECT_TRUE(label->font().underline());
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(Contains(label->grab().toImage(), label->palette().color(QPalette::Highlight)));
    EXPECT_FALSE(Contains(label->grab().toImage(), Purple));

    QSignalSpy opened(label, &TUrlLabel::opened);
    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0][0].toBool());
    ASSERT_TRUE(browser.waitForCount(1));
    EXPECT_EQ(browser.addresses(), QStringList{url});
    EXPECT_TRUE(label->isVisited());
    EXPECT_TRUE(Contains(label->grab().toImage(), Purple));

    // A new label, as in a new About box, starts unvisited.
    TUrlLabel* second = NewLabel(&window, url, 50);
    second->show();
    EXPECT_FALSE(second->isVisited());
    EXPECT_FALSE(Contains(second->grab().toImage(), Purple));
}

TEST(UrlLabel, StaysUnvisitedWhenTheShellRefuses)
{
    QWidget window;
    window.resize(300, 100);
    TUrlLabel* label = NewLabel(&window, QStringLiteral("/nonexistent/orvanta/brochure.pdf"), 10);
    window.show();
    QSignalSpy opened(label, &TUrlLabel::opened);
    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_FALSE(opened[0][0].toBool());
    EXPECT_FALSE(label->isVisited());
    EXPECT_FALSE(Contains(label->grab().toImage(), Purple));
}
