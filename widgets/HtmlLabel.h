#pragma once

#include "widgets/HtmlLayout.h"

#include <QWidget>

// A transparent label that renders the mini-HTML of THtmlLayout in its own font, wrapped at its
// width, and reports clicks on links. The text is laid out once per change of text, width or
// font, not per paint. While its text has links the label is a tab stop: Tab and Shift+Tab go
// from link to link inside it before they leave, Space, Return and Enter follow the focused one,
// and a screen reader finds each link as a child it can activate.
class THtmlLabel : public QWidget {
    Q_OBJECT

public:
    explicit THtmlLabel(QWidget* parent = nullptr);

    QString html() const { return FHtml; }
    // The text without its markup, as a screen reader reads it.
    QString plainText() const;
    void setHtml(const QString& html);

    // On: the label's height follows its text (laid-out height plus 6 pixels). Off: the text
    // fills whatever geometry the label is given.
    bool autoHeight() const { return FAutoHeight; }
    void setAutoHeight(bool on);

    // Centres the text block vertically, as a footer band wants it.
    bool verticalCentering() const { return FVerticalCentering; }
    void setVerticalCentering(bool on);

    // The href of the link under the point (label coordinates), or an empty text.
    QString anchorAt(QPoint point) const;
    QList<QRect> anchorRects(const QString& href) const;

    const THtmlLayout& textLayout() const;

    // The links' hrefs in reading order, each once; none while links are inactive.
    QStringList anchors() const;
    // The words of a link as shown.
    QString anchorText(const QString& href) const;
    // The link that the keyboard follows while the label has the focus.
    QString focusedAnchor() const;
    // Reports the link as clicked, as a click or a key on it would; an unknown href does nothing.
    void activateAnchor(const QString& href);

    // Off: the links are drawn but lead nowhere: no tab stop, no clicks, nothing for a screen
    // reader to press. On by default.
    bool linksActive() const { return FLinksActive; }
    void setLinksActive(bool active);

signals:
    // A left click released over the same link that it was pressed on.
    void anchorClicked(const QString& href);

protected:
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void textChanged();
    void fitHeight();
    QPoint textOrigin() const;
    void setHoveredLink(const QString& href);
    void updateFocusPolicy();

    QString FHtml;
    bool FAutoHeight = false;
    bool FVerticalCentering = false;
    QString FPressedHref;
    QString FHoveredHref;
    bool FLinksActive = true;
    int FFocusedAnchor = 0; // index into anchors()
    mutable THtmlLayout FLayout;
    mutable int FLayoutWidth = -1; // -1: no valid layout
};
