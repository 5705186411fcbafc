#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>

// Parses the labels' mini-HTML and lays it out for one font and one width.
//
// Tags (case-insensitive): <B>, <U>, <BR>, <IND x="n">, <FONT color="#RRGGBB">, <P align="...">
// and <A href="...">; any other tag is dropped, never shown as text. Entities &amp; &lt; &gt;
// &quot; &apos; &nbsp; and numeric ones are decoded. Blanks are kept as typed, except where a
// line wraps. Lines wrap at blanks; a word wider than a whole line is broken between characters.
//
// No widget and no painting here: the result is a list of positioned runs that the label paints
// and that tests can inspect.
class THtmlLayout {
public:
    // Text of one style on one line.
    struct TRun {
        QString Text;
        QRectF Rect; // left edge, line top, advance width, line height
        qreal Baseline = 0;
        bool Bold = false;
        bool Underline = false;
        QColor Color; // invalid: the label's own text colour
        QString Href; // not empty: the run is part of a link
    };

    THtmlLayout() = default;
    // A width of 0 or less means no wrapping.
    THtmlLayout(const QString& html, const QFont& font, int width);

    const QList<TRun>& runs() const { return FRuns; }
    // The runs' texts in reading order, a line break between lines.
    QString plainText() const;
    int lineHeight() const { return FLineHeight; }
    int lineCount() const { return FLineCount; }
    // Height of the laid-out text: the number of lines times the line height.
    int height() const { return FLineCount * FLineHeight; }

    // The href of the link at the point, or an empty text.
    QString anchorAt(QPointF point) const;
    QList<QRect> anchorRects(const QString& href) const;

    // The font a run is drawn in: the label's font, made bold or underlined as the run says.
    static QFont runFont(const QFont& base, const TRun& run);

private:
    QList<TRun> FRuns;
    int FLineHeight = 0;
    int FLineCount = 0;
};
