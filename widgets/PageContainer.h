#pragma once

#include <QList>
#include <QWidget>

class QTabBar;

// Shows exactly one of its pages at a time. Pages are addressed by object, never by index.
// The tab strip shows only while some page's tab is visible; with all tabs hidden and both
// frames off the active page fills the whole container and nothing else is drawn.
class TPageContainer : public QWidget {
    Q_OBJECT

public:
    explicit TPageContainer(QWidget* parent = nullptr);
    ~TPageContainer() override;

    // Takes ownership of the page. The first page added becomes the active one.
    void addPage(QWidget* page, const QString& caption);
    QList<QWidget*> pages() const { return FPages; }

    QWidget* activePage() const { return FActivePage; }
    // Shows the page and hides the one shown before; the active page again changes nothing.
    void setActivePage(QWidget* page);

    bool isTabVisible(QWidget* page) const;
    void setTabVisible(QWidget* page, bool visible);

    bool showCardFrame() const { return FShowCardFrame; }
    void setShowCardFrame(bool show);
    bool showFullFrame() const { return FShowFullFrame; }
    void setShowFullFrame(bool show);

signals:
    void activePageChanged(QWidget* page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool anyTabVisible() const;
    QRect insideFullFrame() const;
    QRect cardFrameRect() const;
    QRect pageRect() const;
    void layoutChildren();
    void removePage(QObject* page);

    QList<QWidget*> FPages;
    QWidget* FActivePage = nullptr;
    QTabBar* FTabBar = nullptr;
    bool FShowCardFrame = true;
    bool FShowFullFrame = false;
};
