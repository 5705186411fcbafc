#include "widgets/HtmlLabel.h"

#include "widgets/AccessibleWidgets.h"
#include "widgets/FocusMark.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <utility>

namespace {

// Room below the text of a label whose height follows its text.
constexpr int AutoHeightMargin = 6;

} // namespace

THtmlLabel::THtmlLabel(QWidget* parent)
    : QWidget(parent)
{
    InstallAccessibleWidgets();
    setMouseTracking(true);
}

QString THtmlLabel::plainText() const
{
    return textLayout().plainText();
}

void THtmlLabel::setHtml(const QString& html)
{
    if (html == FHtml)
        return;
    FHtml = html;
    textChanged();
}

void THtmlLabel::setAutoHeight(bool on)
{
    FAutoHeight = on;
    fitHeight();
}

void THtmlLabel::setVerticalCentering(bool on)
{
    FVerticalCentering = on;
    update();
}

const THtmlLayout& THtmlLabel::textLayout() const
{
    if (FLayoutWidth != width()) {
        FLayout = THtmlLayout(FHtml, font(), width());
        FLayoutWidth = width();
    }
    return FLayout;
}

QString THtmlLabel::anchorAt(QPoint point) const
{
    return textLayout().anchorAt(QPointF(point - textOrigin()));
}

QList<QRect> THtmlLabel::anchorRects(const QString& href) const
{
    QList<QRect> rects = textLayout().anchorRects(href);
    for (QRect& rect : rects)
        rect.translate(textOrigin());
    return rects;
}

QStringList THtmlLabel::anchors() const
{
    QStringList hrefs;
    if (!FLinksActive)
        return hrefs;
    for (const THtmlLayout::TRun& run : textLayout().runs()) {
        if (!run.Href.isEmpty() && !hrefs.contains(run.Href))
            hrefs << run.Href;
    }
    return hrefs;
}

QString THtmlLabel::anchorText(const QString& href) const
{
    QString text;
    for (const THtmlLayout::TRun& run : textLayout().runs()) {
        if (run.Href == href)
            text += run.Text;
    }
    return text.simplified();
}

QString THtmlLabel::focusedAnchor() const
{
    const QStringList hrefs = anchors();
    return hrefs.value(FFocusedAnchor);
}

void THtmlLabel::activateAnchor(const QString& href)
{
    if (anchors().contains(href))
        emit anchorClicked(href);
}

void THtmlLabel::setLinksActive(bool active)
{
    FLinksActive = active;
    updateFocusPolicy();
}

void THtmlLabel::updateFocusPolicy()
{
    FFocusedAnchor = 0;
    setFocusPolicy(anchors().isEmpty() ? Qt::NoFocus : Qt::TabFocus);
}

void THtmlLabel::textChanged()
{
    FLayoutWidth = -1;
    FPressedHref.clear();
    setHoveredLink({});
    fitHeight();
    updateFocusPolicy();
    update();
}

void THtmlLabel::fitHeight()
{
    if (!FAutoHeight)
        return;
    const int wanted = textLayout().height() + AutoHeightMargin;
    if (height() != wanted)
        resize(width(), wanted);
}

QPoint THtmlLabel::textOrigin() const
{
    if (!FVerticalCentering)
        return {};
    return {0, (height() - textLayout().height()) / 2};
}

void THtmlLabel::setHoveredLink(const QString& href)
{
    if (href == FHoveredHref)
        return;
    FHoveredHref = href;
    if (href.isEmpty())
        unsetCursor();
    else
        setCursor(Qt::PointingHandCursor);
}

void THtmlLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        textChanged();
    QWidget::changeEvent(event);
}

void THtmlLabel::focusInEvent(QFocusEvent* event)
{
    // Coming backwards, the last link is the next one in reading order.
    FFocusedAnchor = event->reason() == Qt::BacktabFocusReason ? int(anchors().size()) - 1 : 0;
    QWidget::focusInEvent(event);
}

bool THtmlLabel::focusNextPrevChild(bool next)
{
    const int target = FFocusedAnchor + (next ? 1 : -1);
    if (hasFocus() && target >= 0 && target < anchors().size()) {
        FFocusedAnchor = target;
        update();
        // The focus stays on the label but moves to another of its links: a screen reader
        // follows it to that link.
        QAccessibleEvent moved(this, QAccessible::Focus);
        moved.setChild(target);
        QAccessible::updateAccessibility(&moved);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void THtmlLabel::keyPressEvent(QKeyEvent* event)
{
    const QString href = focusedAnchor();
    if (IsActivationKey(event->key()) && !href.isEmpty()) {
        emit anchorClicked(href);
        return;
    }
    QWidget::keyPressEvent(event);
}

void THtmlLabel::leaveEvent(QEvent* event)
{
    setHoveredLink({});
    QWidget::leaveEvent(event);
}

void THtmlLabel::mouseMoveEvent(QMouseEvent* event)
{
    setHoveredLink(anchorAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void THtmlLabel::mousePressEvent(QMouseEvent* event)
{
    FPressedHref.clear();
    if (event->button() == Qt::LeftButton && FLinksActive)
        FPressedHref = anchorAt(event->position().toPoint());
    if (FPressedHref.isEmpty())
        event->ignore(); // not on a link: the click belongs to whatever is behind the text
}

void THtmlLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QString pressed = std::exchange(FPressedHref, QString());
    if (!pressed.isEmpty() && anchorAt(event->position().toPoint()) == pressed)
        emit anchorClicked(pressed);
}

void THtmlLabel::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QPoint origin = textOrigin();
    const QFont baseFont = font();
    const QColor textColor = palette().color(foregroundRole());
    const QColor linkColor = palette().color(QPalette::Link);
    for (const THtmlLayout::TRun& run : textLayout().runs()) {
        if (!event->rect().intersects(run.Rect.translated(origin).toAlignedRect()))
            continue;
        QColor color = textColor;
        if (!run.Href.isEmpty())
            color = linkColor;
        else if (run.Color.isValid() && isEnabled())
            color = run.Color;
        painter.setPen(color);
        painter.setFont(THtmlLayout::runFont(baseFont, run));
        painter.drawText(QPointF(run.Rect.left(), run.Baseline) + origin, run.Text);
    }
    if (hasFocus()) {
        for (const QRect& rect : anchorRects(focusedAnchor()))
            DrawFocusMark(painter, *this, rect.adjusted(-3, -2, 3, 3), textColor);
    }
}

void THtmlLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitHeight();
}
