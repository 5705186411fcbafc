#pragma once

#include "widgets/HtmlLayout.h"

#include <QWidget>

// A transparent label that renders the mini-HTML of THtmlLayout in its own font, wrapped at its
// width, and reports clicks on links. The text is laid out once per change of text, width or
// font, not per paint.
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

signals:
    // A left click released over the same link that it was pressed on.
    void anchorClicked(const QString& href);

protected:
    void changeEvent(QEvent* event) override;
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

    QString FHtml;
    bool FAutoHeight = false;
    bool FVerticalCentering = false;
    QString FPressedHref;
    QString FHoveredHref;
    mutable THtmlLayout FLayout;
    mutable int FLayoutWidth = -1; // -1: no valid layout
};
