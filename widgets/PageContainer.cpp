#include "widgets/PageContainer.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QTabBar>

#include <algorithm>

TPageContainer::TPageContainer(QWidget* parent)
    : QWidget(parent)
    , FTabBar(new QTabBar(this))
{
    FTabBar->setDrawBase(false);
    FTabBar->setExpanding(false);
    FTabBar->setFocusPolicy(Qt::NoFocus);
    FTabBar->hide();
    connect(FTabBar, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && index < FPages.size())
            setActivePage(FPages[index]);
    });
}

TPageContainer::~TPageContainer()
{
    // The pages die with the container's QWidget part, after this object's members are gone.
    for (QWidget* page : std::as_const(FPages))
        disconnect(page, nullptr, this, nullptr);
}

void TPageContainer::addPage(QWidget* page, const QString& caption)
{
    if (!page || FPages.contains(page))
        return;
    page->setParent(this);
    FPages.append(page);
    {
        const QSignalBlocker blocker(FTabBar);
        FTabBar->addTab(caption);
    }
    connect(page, &QObject::destroyed, this, &TPageContainer::removePage);
    page->setGeometry(pageRect());
    if (FActivePage) {
        page->hide();
    } else {
        FActivePage = page;
        page->show();
    }
    layoutChildren();
}

void TPageContainer::setActivePage(QWidget* page)
{
    if (page == FActivePage || !FPages.contains(page))
        return;
    QWidget* previous = FActivePage;
    FActivePage = page;
    page->setGeometry(pageRect());
    page->show();
    if (previous)
        previous->hide();
    {
        const QSignalBlocker blocker(FTabBar);
        FTabBar->setCurrentIndex(int(FPages.indexOf(page)));
    }
    emit activePageChanged(page);
}

bool TPageContainer::isTabVisible(QWidget* page) const
{
    const qsizetype index = FPages.indexOf(page);
    return index >= 0 && FTabBar->isTabVisible(int(index));
}

void TPageContainer::setTabVisible(QWidget* page, bool visible)
{
    const qsizetype index = FPages.indexOf(page);
    if (index < 0)
        return;
    {
        // Hiding the current tab makes the tab bar pick another one; the active page stays.
        const QSignalBlocker blocker(FTabBar);
        FTabBar->setTabVisible(int(index), visible);
        FTabBar->setCurrentIndex(int(FPages.indexOf(FActivePage)));
    }
    layoutChildren();
}

void TPageContainer::setShowCardFrame(bool show)
{
    if (FShowCardFrame == show)
        return;
    FShowCardFrame = show;
    layoutChildren();
}

void TPageContainer::setShowFullFrame(bool show)
{
    if (FShowFullFrame == show)
        return;
    FShowFullFrame = show;
    layoutChildren();
}

bool TPageContainer::anyTabVisible() const
{
    for (int index = 0; index < FTabBar->count(); ++index) {
        if (FTabBar->isTabVisible(index))
            return true;
    }
    return false;
}

QRect TPageContainer::insideFullFrame() const
{
    return FShowFullFrame ? rect().adjusted(1, 1, -1, -1) : rect();
}

QRect TPageContainer::cardFrameRect() const
{
    QRect card = insideFullFrame();
    if (anyTabVisible())
        card.setTop(card.top() + FTabBar->sizeHint().height() - 1); // the pane's top edge runs under the tabs
    return card;
}

QRect TPageContainer::pageRect() const
{
    return FShowCardFrame ? cardFrameRect().adjusted(1, 1, -1, -1) : cardFrameRect();
}

void TPageContainer::layoutChildren()
{
    if (anyTabVisible()) {
        const QRect inner = insideFullFrame();
        FTabBar->setGeometry(inner.left() + 2, inner.top(), inner.width() - 4, FTabBar->sizeHint().height());
        FTabBar->show();
        FTabBar->raise();
    } else {
        FTabBar->hide();
    }
    // Every page takes the area at once, so a page is laid out before it is first shown.
    for (QWidget* page : std::as_const(FPages))
        page->setGeometry(pageRect());
    update();
}

void TPageContainer::removePage(QObject* page)
{
    // Only the QObject part of the page is left at this point: compare addresses, touch nothing.
    const auto found = std::find_if(FPages.cbegin(), FPages.cend(), [page](QObject* item) { return item == page; });
    if (found == FPages.cend())
        return;
    const qsizetype index = found - FPages.cbegin();
    FPages.removeAt(index);
    {
        const QSignalBlocker blocker(FTabBar);
        FTabBar->removeTab(int(index));
    }
    if (static_cast<QObject*>(FActivePage) == page) {
        FActivePage = nullptr;
        if (!FPages.isEmpty())
            setActivePage(FPages.first());
    }
    layoutChildren();
}

void TPageContainer::paintEvent(QPaintEvent*)
{
    if (!FShowFullFrame && !FShowCardFrame)
        return;
    QPainter painter(this);
    if (FShowFullFrame) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (FShowCardFrame) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(cardFrameRect().adjusted(0, 0, -1, -1));
    }
}

void TPageContainer::resizeEvent(QResizeEvent*)
{
    layoutChildren();
}
