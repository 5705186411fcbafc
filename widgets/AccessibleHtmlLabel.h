#pragma once

#include "widgets/AccessibleWidgets.h"

class THtmlLabel;

// A mini-HTML label as a screen reader sees it: static text with its plain text, and one link
// child per link it holds (TAccessibleAnchor).
class TAccessibleHtmlLabel : public TAccessibleText {
public:
    explicit TAccessibleHtmlLabel(THtmlLabel* label);
    ~TAccessibleHtmlLabel() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    THtmlLabel* label() const;
    // Makes the children match the label's links: made when first asked for and again when the
    // links change. Qt keeps them under their ids; they go with this interface.
    void syncAnchors() const;
    void dropAnchors() const;

    mutable QStringList FHrefs;
    mutable QList<QAccessible::Id> FAnchorIds;
};
