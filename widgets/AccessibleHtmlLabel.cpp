#include "widgets/AccessibleHtmlLabel.h"

#include "widgets/AccessibleAnchor.h"
#include "widgets/HtmlLabel.h"

TAccessibleHtmlLabel::TAccessibleHtmlLabel(THtmlLabel* label)
    : TAccessibleText(label, QAccessible::StaticText, [label] { return label->plainText(); })
{
}

TAccessibleHtmlLabel::~TAccessibleHtmlLabel()
{
    dropAnchors();
}

THtmlLabel* TAccessibleHtmlLabel::label() const
{
    return static_cast<THtmlLabel*>(widget());
}

void TAccessibleHtmlLabel::dropAnchors() const
{
    for (QAccessible::Id id : std::as_const(FAnchorIds))
        QAccessible::deleteAccessibleInterface(id);
    FAnchorIds.clear();
    FHrefs.clear();
}

void TAccessibleHtmlLabel::syncAnchors() const
{
    const QStringList hrefs = label() ? label()->anchors() : QStringList();
    if (hrefs == FHrefs && FAnchorIds.size() == hrefs.size())
        return;
    dropAnchors();
    for (const QString& href : hrefs)
        FAnchorIds << QAccessible::registerAccessibleInterface(new TAccessibleAnchor(label(), href));
    FHrefs = hrefs;
}

int TAccessibleHtmlLabel::childCount() const
{
    syncAnchors();
    return int(FAnchorIds.size());
}

QAccessibleInterface* TAccessibleHtmlLabel::child(int index) const
{
    syncAnchors();
    if (index < 0 || index >= FAnchorIds.size())
        return nullptr;
    return QAccessible::accessibleInterface(FAnchorIds[index]);
}

int TAccessibleHtmlLabel::indexOfChild(const QAccessibleInterface* child) const
{
    syncAnchors();
    for (int i = 0; i < FAnchorIds.size(); ++i) {
        if (QAccessible::accessibleInterface(FAnchorIds[i]) == child)
            return i;
    }
    return -1;
}

QAccessibleInterface* TAccessibleHtmlLabel::childAt(int x, int y) const
{
    const int count = childCount();
    for (int i = 0; i < count; ++i) {
        QAccessibleInterface* anchor = child(i);
        if (anchor && anchor->rect().contains(x, y))
            return anchor;
    }
    return nullptr;
}

QAccessibleInterface* TAccessibleHtmlLabel::focusChild() const
{
    if (!label() || !label()->hasFocus())
        return nullptr;
    syncAnchors();
    return child(int(FHrefs.indexOf(label()->focusedAnchor())));
}
