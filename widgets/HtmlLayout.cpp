#include "widgets/HtmlLayout.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>

#include <limits>
#include <optional>

namespace {

struct TStyle {
    bool Bold = false;
    bool Underline = false;
    QColor Color;
    QString Href;

    bool operator==(const TStyle&) const = default;
};

enum class TTokenKind { Word, Blank, Break, Indent, ParagraphStart, ParagraphEnd };

// Text tokens never mix blanks and other characters; a word made of several styles is several
// Word tokens in a row, and lines break only at Blank tokens.
struct TToken {
    TTokenKind Kind;
    QString Text;
    TStyle Style;
    int Indent = 0;
    Qt::Alignment Align = Qt::AlignLeft;
};

struct TTag {
    QString Name; // lower case
    bool Closing = false;
    QHash<QString, QString> Attributes; // names in lower case
    qsizetype End = 0; // index just past the '>'
};

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool IsNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':';
}

// Decodes the entity at html[start] == '&'; nothing when it is not one we know.
std::optional<std::pair<QString, qsizetype>> ReadEntity(const QString& html, qsizetype start)
{
    const qsizetype end = html.indexOf(u';', start + 1);
    if (end < 0 || end - start > 10)
        return std::nullopt;
    const QString name = html.mid(start + 1, end - start - 1);
    const qsizetype length = end - start + 1;
    static const QHash<QString, QString> named = {
        {QStringLiteral("amp"), QStringLiteral("&")},     {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},      {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},    {QStringLiteral("nbsp"), QString(QChar(0x00a0))},
        {QStringLiteral("copy"), QString(QChar(0x00a9))},
    };
    if (const auto found = named.constFind(name.toLower()); found != named.constEnd())
        return std::pair(found.value(), length);
    if (name.startsWith(u'#')) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
        const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
        const char32_t character = char32_t(code);
        if (ok && code > 0 && code <= 0x10ffff && QChar::isPrint(character))
            return std::pair(QString::fromUcs4(&character, 1), length);
    }
    return std::nullopt;
}

QString DecodeEntities(const QString& text)
{
    QString decoded;
    for (qsizetype i = 0; i < text.size();) {
        const auto entity = text[i] == u'&' ? ReadEntity(text, i) : std::nullopt;
        decoded += entity ? entity->first : QString(text[i]);
        i += entity ? entity->second : 1;
    }
    return decoded;
}

// Reads the tag that starts at html[start] == '<'. A '<' that does not start a well-formed tag
// (no letter after it, no closing '>') is plain text, so "a < b" shows as typed.
std::optional<TTag> ReadTag(const QString& html, qsizetype start)
{
    const qsizetype length = html.size();
    qsizetype i = start + 1;
    TTag tag;
    if (i < length && html[i] == u'!') {
        // Comments and declarations: skipped whole.
        const bool comment = html.mid(i, 3) == QStringLiteral("!--");
        const qsizetype end = comment ? html.indexOf(QStringLiteral("-->"), i + 3) : html.indexOf(u'>', i);
        if (end < 0)
            return std::nullopt;
        tag.End = end + (comment ? 3 : 1);
        return tag;
    }
    if (i < length && html[i] == u'/') {
        tag.Closing = true;
        ++i;
    }
    if (i >= length || !html[i].isLetter())
        return std::nullopt;
    const qsizetype nameStart = i;
    while (i < length && IsNameChar(html[i]))
        ++i;
    tag.Name = html.mid(nameStart, i - nameStart).toLower();

    while (i < length) {
        while (i < length && (IsBlank(html[i]) || html[i] == u'/'))
            ++i;
        if (i >= length)
            break;
        if (html[i] == u'>') {
            tag.End = i + 1;
            return tag;
        }
        const qsizetype attributeStart = i;
        while (i < length && !IsBlank(html[i]) && html[i] != u'=' && html[i] != u'>' && html[i] != u'/')
            ++i;
        const QString name = html.mid(attributeStart, i - attributeStart).toLower();
        if (name.isEmpty()) {
            ++i; // a stray '=': step over it
            continue;
        }
        while (i < length && IsBlank(html[i]))
            ++i;
        QString value;
        if (i < length && html[i] == u'=') {
            ++i;
            while (i < length && IsBlank(html[i]))
                ++i;
            if (i < length && (html[i] == u'"' || html[i] == u'\'')) {
                const QChar quote = html[i];
                const qsizetype close = html.indexOf(quote, i + 1);
                if (close < 0)
                    return std::nullopt;
                value = html.mid(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < length && !IsBlank(html[i]) && html[i] != u'>')
                    ++i;
                value = html.mid(valueStart, i - valueStart);
            }
        }
        tag.Attributes.insert(name, DecodeEntities(value));
    }
    return std::nullopt;
}

Qt::Alignment AlignmentFrom(const QString& value)
{
    const QString align = value.trimmed().toLower();
    if (align == QStringLiteral("center") || align == QStringLiteral("centre"))
        return Qt::AlignHCenter;
    if (align == QStringLiteral("right"))
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

QList<TToken> Tokenize(const QString& html)
{
    QList<TToken> tokens;
    TStyle style;
    int boldDepth = 0;
    int underlineDepth = 0;
    QList<QColor> outerColors;
    QString word;
    QString blanks;

    const auto flush = [&] {
        if (!word.isEmpty())
            tokens.append({TTokenKind::Word, word, style});
        if (!blanks.isEmpty())
            tokens.append({TTokenKind::Blank, blanks, style});
        word.clear();
        blanks.clear();
    };
    const auto addText = [&](const QString& text) {
        for (const QChar c : text) {
            if (IsBlank(c)) {
                if (!word.isEmpty())
                    flush();
                blanks += u' ';
            } else {
                if (!blanks.isEmpty())
                    flush();
                word += c;
            }
        }
    };

    for (qsizetype i = 0; i < html.size();) {
        const QChar c = html[i];
        if (c == u'<') {
            const std::optional<TTag> tag = ReadTag(html, i);
            if (!tag) {
                addText(QStringLiteral("<"));
                ++i;
                continue;
            }
            i = tag->End;
            flush();
            const QString& name = tag->Name;
            if (name == QStringLiteral("b")) {
                boldDepth = tag->Closing ? std::max(0, boldDepth - 1) : boldDepth + 1;
                style.Bold = boldDepth > 0;
            } else if (name == QStringLiteral("u")) {
                underlineDepth = tag->Closing ? std::max(0, underlineDepth - 1) : underlineDepth + 1;
                style.Underline = underlineDepth > 0;
            } else if (name == QStringLiteral("br")) {
                tokens.append({TTokenKind::Break, {}, style});
            } else if (name == QStringLiteral("ind") && !tag->Closing) {
                TToken indent{TTokenKind::Indent, {}, style};
                indent.Indent = std::max(0, tag->Attributes.value(QStringLiteral("x")).trimmed().toInt());
                tokens.append(indent);
            } else if (name == QStringLiteral("font")) {
                if (tag->Closing) {
                    if (!outerColors.isEmpty())
                        style.Color = outerColors.takeLast();
                } else {
                    outerColors.append(style.Color);
                    const QColor color(tag->Attributes.value(QStringLiteral("color")).trimmed());
                    if (color.isValid())
                        style.Color = color;
                }
            } else if (name == QStringLiteral("p")) {
                TToken paragraph{tag->Closing ? TTokenKind::ParagraphEnd : TTokenKind::ParagraphStart, {}, style};
                paragraph.Align = AlignmentFrom(tag->Attributes.value(QStringLiteral("align")));
                tokens.append(paragraph);
            } else if (name == QStringLiteral("a")) {
                style.Href = tag->Closing ? QString() : tag->Attributes.value(QStringLiteral("href"));
            }
        } else if (c == u'&') {
            if (const auto entity = ReadEntity(html, i)) {
                addText(entity->first);
                i += entity->second;
            } else {
                addText(QStringLiteral("&"));
                ++i;
            }
        } else {
            addText(QString(c));
            ++i;
        }
    }
    flush();
    return tokens;
}

struct TPiece {
    QString Text;
    TStyle Style;
    qreal Width = 0;
};

// Fills lines with pieces, wraps, aligns, and turns every finished line into runs.
class TLineBreaker {
public:
    TLineBreaker(const QFont& font, int width)
        : FRegular(font)
        , FBold(Bolded(font))
        , FLimit(width > 0 ? qreal(width) : std::numeric_limits<qreal>::max())
    {
        const QFontMetrics regular(font);
        const QFontMetrics bold(Bolded(font));
        LineHeight = std::max(regular.lineSpacing(), bold.lineSpacing());
        FAscent = std::max(regular.ascent(), bold.ascent());
    }

    void addWord(QList<TPiece> pieces)
    {
        const qreal wordWidth = sumWidth(pieces);
        // Blanks stay only with a word on the same line; at a wrap they vanish.
        if (FX + sumWidth(FPendingBlanks) + wordWidth <= FLimit) {
            for (const TPiece& blank : std::as_const(FPendingBlanks))
                place(blank);
        } else if (FHasWords) {
            finishLine(true);
        }
        FPendingBlanks.clear();
        for (TPiece& piece : pieces)
            placeBreakingIfNeeded(piece);
    }

    void addBlank(const TPiece& blank)
    {
        if (!FHasWords && FWrapped)
            return;
        FPendingBlanks.append(blank);
    }

    void lineBreak() { finishLine(false); }

    void indent(int x)
    {
        FPendingBlanks.clear();
        FIndent = qreal(x);
        FX = std::max(FX, FIndent);
    }

    void startParagraph(Qt::Alignment align)
    {
        if (FHasWords)
            finishLine(false);
        FPendingBlanks.clear();
        FAlign = align;
    }

    void endParagraph()
    {
        if (FHasWords)
            finishLine(false);
        FPendingBlanks.clear();
        FAlign = Qt::AlignLeft;
    }

    void finish()
    {
        if (FHasWords)
            finishLine(false);
    }

    qreal measure(const QString& text, const TStyle& style) const
    {
        return (style.Bold ? FBold : FRegular).horizontalAdvance(text);
    }

    QList<THtmlLayout::TRun> Runs;
    int LineHeight = 0;
    int LineCount = 0;

private:
    static QFont Bolded(QFont font)
    {
        font.setBold(true);
        return font;
    }

    static qreal sumWidth(const QList<TPiece>& pieces)
    {
        qreal width = 0;
        for (const TPiece& piece : pieces)
            width += piece.Width;
        return width;
    }

    void place(const TPiece& piece)
    {
        FLine.append({piece, FX});
        FX += piece.Width;
    }

    // Part of a word: placed whole when it fits; a word too wide for a line of its own is
    // broken between characters, at least one per line so that the layout always ends.
    void placeBreakingIfNeeded(TPiece piece)
    {
        while (FX + piece.Width > FLimit) {
            qsizetype fit = 0;
            for (qsizetype next = 1; next <= piece.Text.size(); ++next) {
                if (next < piece.Text.size() && piece.Text[next].isLowSurrogate())
                    continue;
                if (FX + measure(piece.Text.left(next), piece.Style) > FLimit)
                    break;
                fit = next;
            }
            if (fit == 0 && !FHasWords)
                fit = piece.Text[0].isHighSurrogate() && piece.Text.size() > 1 ? 2 : 1;
            if (fit == piece.Text.size())
                break;
            if (fit > 0) {
                const QString head = piece.Text.left(fit);
                place({head, piece.Style, measure(head, piece.Style)});
                FHasWords = true;
                piece.Text.remove(0, fit);
                piece.Width = measure(piece.Text, piece.Style);
            }
            finishLine(true);
        }
        place(piece);
        FHasWords = true;
    }

    void finishLine(bool wrapped)
    {
        qreal right = 0;
        for (const TPlaced& placed : std::as_const(FLine))
            right = std::max(right, placed.X + placed.Piece.Width);
        qreal shift = 0;
        if (FLimit < std::numeric_limits<qreal>::max()) {
            if (FAlign & Qt::AlignHCenter)
                shift = std::max<qreal>(0, (FLimit - right) / 2);
            else if (FAlign & Qt::AlignRight)
                shift = std::max<qreal>(0, FLimit - right);
        }
        const qreal top = qreal(LineCount * LineHeight);
        for (const TPlaced& placed : std::as_const(FLine)) {
            const TStyle& style = placed.Piece.Style;
            const qreal left = placed.X + shift;
            if (!Runs.isEmpty() && FRunsOfLine > 0) {
                THtmlLayout::TRun& last = Runs.last();
                if (SameStyle(last, style) && qAbs(last.Rect.right() - left) < 0.01) {
                    last.Text += placed.Piece.Text;
                    last.Rect.setWidth(last.Rect.width() + placed.Piece.Width);
                    continue;
                }
            }
            Runs.append({placed.Piece.Text, QRectF(left, top, placed.Piece.Width, LineHeight), top + FAscent,
                         style.Bold, style.Underline, style.Color, style.Href});
            ++FRunsOfLine;
        }
        ++LineCount;
        FLine.clear();
        FRunsOfLine = 0;
        FPendingBlanks.clear();
        FHasWords = false;
        FWrapped = wrapped;
        if (!wrapped)
            FIndent = 0;
        FX = FIndent;
    }

    static bool SameStyle(const THtmlLayout::TRun& run, const TStyle& style)
    {
        return run.Bold == style.Bold && run.Underline == style.Underline && run.Color == style.Color
            && run.Href == style.Href;
    }

    struct TPlaced {
        TPiece Piece;
        qreal X = 0;
    };

    QFontMetricsF FRegular;
    QFontMetricsF FBold;
    qreal FLimit;
    int FAscent = 0;
    QList<TPlaced> FLine;
    int FRunsOfLine = 0;
    QList<TPiece> FPendingBlanks;
    qreal FX = 0;
    qreal FIndent = 0; // where a wrapped line of an indented line starts
    bool FHasWords = false;
    bool FWrapped = false;
    Qt::Alignment FAlign = Qt::AlignLeft;
};

} // namespace

THtmlLayout::THtmlLayout(const QString& html, const QFont& font, int width)
{
    TLineBreaker breaker(font, width);
    const QList<TToken> tokens = Tokenize(html);
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const TToken& token = tokens[i];
        switch (token.Kind) {
        case TTokenKind::Word: {
            QList<TPiece> pieces;
            for (; i < tokens.size() && tokens[i].Kind == TTokenKind::Word; ++i)
                pieces.append({tokens[i].Text, tokens[i].Style, breaker.measure(tokens[i].Text, tokens[i].Style)});
            --i;
            breaker.addWord(pieces);
            break;
        }
        case TTokenKind::Blank:
            breaker.addBlank({token.Text, token.Style, breaker.measure(token.Text, token.Style)});
            break;
        case TTokenKind::Break:
            breaker.lineBreak();
            break;
        case TTokenKind::Indent:
            breaker.indent(token.Indent);
            break;
        case TTokenKind::ParagraphStart:
            breaker.startParagraph(token.Align);
            break;
        case TTokenKind::ParagraphEnd:
            breaker.endParagraph();
            break;
        }
    }
    breaker.finish();
    FRuns = breaker.Runs;
    FLineHeight = breaker.LineHeight;
    FLineCount = breaker.LineCount;
}

QString THtmlLayout::anchorAt(QPointF point) const
{
    for (const TRun& run : FRuns) {
        if (!run.Href.isEmpty() && run.Rect.contains(point))
            return run.Href;
    }
    return {};
}

QList<QRect> THtmlLayout::anchorRects(const QString& href) const
{
    QList<QRect> rects;
    if (href.isEmpty())
        return rects;
    for (const TRun& run : FRuns) {
        if (run.Href == href)
            rects.append(run.Rect.toAlignedRect());
    }
    return rects;
}

QFont THtmlLayout::runFont(const QFont& base, const TRun& run)
{
    QFont font = base;
    if (run.Bold)
        font.setBold(true);
    if (run.Underline || !run.Href.isEmpty())
        font.setUnderline(true);
    return font;
}

QString THtmlLayout::plainText() const
{
    QString text;
    qreal lineTop = FRuns.isEmpty() ? 0 : FRuns.first().Rect.top();
    for (const TRun& run : FRuns) {
        if (run.Rect.top() != lineTop) {
            text += QLatin1Char('\n');
            lineTop = run.Rect.top();
        }
        text += run.Text;
    }
    return text;
}
