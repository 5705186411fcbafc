#include "widgets/PageContainer.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

struct TPageContainerFixture : ::testing::Test {
    TPageContainerFixture()
    {
        container.resize(850, 456);
        for (const char* caption : {"Welcome", "Selection", "Server"}) {
            auto* page = new QWidget;
            container.addPage(page, QString::fromLatin1(caption));
            pages.append(page);
        }
        container.show();
    }

    TPageContainer container;
    QList<QWidget*> pages;
};

} // namespace

TEST_F(TPageContainerFixture, ShowsOnlyTheActivePage)
{
    EXPECT_EQ(container.pages(), pages);
    EXPECT_EQ(container.activePage(), pages[0]);
    QSignalSpy changed(&container, &TPageContainer::activePageChanged);

    container.setActivePage(pages[2]);
    EXPECT_EQ(container.activePage(), pages[2]);
    EXPECT_TRUE(pages[2]->isVisible());
    EXPECT_FALSE(pages[0]->isVisible());
    EXPECT_FALSE(pages[1]->isVisible());
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].value<QWidget*>(), pages[2]);

    // The active page again, or a page that is not ours: nothing changes.
    QWidget stranger;
    container.setActivePage(pages[2]);
    container.setActivePage(&stranger);
    container.setActivePage(nullptr);
    EXPECT_EQ(container.activePage(), pages[2]);
    EXPECT_TRUE(pages[2]->isVisible());
    EXPECT_EQ(changed.size(), 1);
}

TEST_F(TPageContainerFixture, HiddenTabsAndFramesLeaveThePageFillingTheContainer)
{
    EXPECT_LT(pages[0]->height(), container.height()) << "tabs and card frame take room while shown";
    for (QWidget* page : pages)
        container.setTabVisible(page, false);
    container.setShowCardFrame(false);
    container.setShowFullFrame(false);
    EXPECT_FALSE(container.isTabVisible(pages[0]));
    EXPECT_EQ(pages[0]->geometry(), container.rect());
    container.setActivePage(pages[1]);
    EXPECT_EQ(pages[1]->geometry(), container.rect());
    EXPECT_EQ(container.activePage(), pages[1]) << "hiding tabs must not switch pages";

    // One visible tab brings the strip back and the page moves below it.
    container.setTabVisible(pages[2], true);
    EXPECT_GT(pages[1]->y(), 0);
    EXPECT_EQ(container.activePage(), pages[1]);
}

TEST_F(TPageContainerFixture, ForgetsADeletedPage)
{
    container.setActivePage(pages[1]);
    delete pages[1];
    EXPECT_EQ(container.pages(), (QList<QWidget*>{pages[0], pages[2]}));
    EXPECT_EQ(container.activePage(), pages[0]);
    EXPECT_TRUE(pages[0]->isVisible());
    container.setActivePage(pages[2]);
    EXPECT_EQ(container.activePage(), pages[2]);
}
