#include "widgets/HtmlLayout.h"
#include "widgets/PreferredFont.h"

#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

#include <vector>

namespace {

QFont TextFont()
{
    return PreferredFont(QStringLiteral("Segoe UI"), 15);
}

// One run as "[b u #rrggbb >href]text", with only the marks that apply.
QString Describe(const THtmlLayout::TRun& run)
{
    QStringList marks;
    if (run.Bold)
        marks << QStringLiteral("b");
    if (run.Underline)
        marks << QStringLiteral("u");
    if (run.Color.isValid())
        marks << run.Color.name();
    if (!run.Href.isEmpty())
        marks << QStringLiteral(">") + run.Href;
    return (marks.isEmpty() ? QString() : QStringLiteral("[") + marks.join(u' ') + QStringLiteral("]")) + run.Text;
}

QStringList DescribeRuns(const QString& html)
{
    QStringList runs;
    const THtmlLayout layout(html, TextFont(), 0);
    for (const THtmlLayout::TRun& run : layout.runs())
        runs << Describe(run);
    return runs;
}

// The words of a text as the reader sees them, without tags.
QStringList Words(QString text)
{
    text.replace(QStringLiteral("<BR>"), QStringLiteral(" "));
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

const QString Welcome = QStringLiteral(
    "Thank you for downloading Orvanta 5 to try.<BR><BR>All features are enabled during the "
    "<B>60 day trial period</B>, and we provide you with <B>full support</B> while you are trying "
    "Orvanta.<BR><BR>Now let's get your trial started.  Please click the <B>Start</B> button.");

} // namespace

TEST(HtmlLayout, ParsesStyleRuns)
{
    const struct {
        const char* html;
        std::vector<const char*> runs;
    } cases[] = {
        {"plain text", {"plain text"}},
        {"a <B>bold</B> c", {"a ", "[b]bold", " c"}},
        {"<b>lower</B> <u>case</U>", {"[b]lower", " ", "[u]case"}},
        {"<B>a<B>b</B>c</B>d", {"[b]abc", "d"}},
        {"<FONT color=\"#8000FF\">Admin</FONT> x", {"[#8000ff]Admin", " x"}},
        {"<FONT color=\"#ff0000\">r<FONT color='#00ff00'>g</FONT>r</FONT>n",
         {"[#ff0000]r", "[#00ff00]g", "[#ff0000]r", "n"}},
        {"<FONT color=\"nonsense\">kept</FONT>", {"kept"}},
        {"by <A href=\"website\">Orvanta Software</A>.", {"by ", "[>website]Orvanta Software", "."}},
        {"<a HREF=\"a?x=1&amp;y=2\">q</a>", {"[>a?x=1&y=2]q"}},
        {"Password:   <FONT color=\"#8000FF\"> pelmo</FONT>", {"Password:   ", "[#8000ff] pelmo"}},
        {"two.  Blanks", {"two.  Blanks"}},
        {"a<SPAN class=\"x\">b</SPAN><I>c</I><IMG src=x>", {"abc"}},
        {"a<!-- <B>not bold</B> -->b", {"ab"}},
        {"&lt;B&gt; &amp; &quot;q&quot; &#65;&#x42;", {"<B> & \"q\" AB"}},
        {"1 < 2 &unknown; & 3", {"1 < 2 &unknown; & 3"}},
        {"a&nbsp;b", {"a\u00a0b"}},
        {"unclosed <B", {"unclosed <B"}},
    };
    for (const auto& test : cases) {
        QStringList expected;
        for (const char* run : test.runs)
            expected << QString::fromUtf8(run);
        EXPECT_EQ(DescribeRuns(QString::fromUtf8(test.html)).join(u'|').toStdString(), expected.join(u'|').toStdString())
            << test.html;
    }
}

TEST(HtmlLayout, IndentsAndEmptyLines)
{
    const THtmlLayout layout(QStringLiteral("Login:<BR><BR><IND x=\"30\">Username:   Admin<BR><BR>"
                                            "<IND x=\"30\">Password:   pelmo"),
                             TextFont(), 590);
    const QList<THtmlLayout::TRun>& runs = layout.runs();
    ASSERT_EQ(runs.size(), 3);
    const int line = layout.lineHeight();
    EXPECT_EQ(runs[0].Rect.left(), 0);
    EXPECT_EQ(runs[0].Rect.top(), 0);
    // Each <BR><BR> leaves one empty line between two lines of text.
    EXPECT_EQ(runs[1].Text, QStringLiteral("Username:   Admin"));
    EXPECT_EQ(runs[1].Rect.left(), 30);
    EXPECT_EQ(runs[1].Rect.top(), 2 * line);
    EXPECT_EQ(runs[2].Rect.left(), 30);
    EXPECT_EQ(runs[2].Rect.top(), 4 * line);
    EXPECT_EQ(layout.lineCount(), 5);
    EXPECT_EQ(layout.height(), 5 * line);
}

TEST(HtmlLayout, WrappedIndentedLineKeepsItsIndent)
{
    const THtmlLayout layout(QStringLiteral("<IND x=\"30\">one two three four five six seven eight<BR>back"),
                             TextFont(), 150);
    ASSERT_GT(layout.lineCount(), 2);
    for (const THtmlLayout::TRun& run : layout.runs()) {
        if (run.Text == QStringLiteral("back"))
            EXPECT_EQ(run.Rect.left(), 0);
        else
            EXPECT_EQ(run.Rect.left(), 30) << run.Text.toStdString();
    }
}

TEST(HtmlLayout, CountsLinesLikeABrowser)
{
    const struct {
        const char* html;
        int lines;
    } cases[] = {
        {"", 0}, {"a", 1}, {"a<BR>", 1}, {"a<BR><BR>", 2}, {"<BR>a", 2}, {"a<BR><BR><BR>b", 4},
        {"<P>a</P><P>b</P>", 2}, {"a<P align=\"center\">b</P>c", 3},
    };
    for (const auto& test : cases) {
        const THtmlLayout layout(QString::fromUtf8(test.html), TextFont(), 400);
        EXPECT_EQ(layout.lineCount(), test.lines) << test.html;
    }
}

TEST(HtmlLayout, WrapsWithinTheWidthWithoutLosingWords)
{
    const QString longWord = QStringLiteral("Supercalifragilisticexpialidocious");
    const QString html = Welcome + QStringLiteral("<BR>") + longWord;
    for (const int width : {60, 120, 300, 646}) {
        const THtmlLayout layout(html, TextFont(), width);
        QStringList lines;
        qreal lineTop = -1;
        for (const THtmlLayout::TRun& run : layout.runs()) {
            EXPECT_LE(run.Rect.right(), width + 0.01) << width << " " << run.Text.toStdString();
            EXPECT_GE(run.Rect.left(), 0);
            if (run.Rect.top() != lineTop)
                lines.append(QString());
            lineTop = run.Rect.top();
            lines.last() += run.Text;
        }
        // No blank at either end of a line, and every character still there, in order: a word
        // too wide for a line is split over lines, not dropped or clipped.
        for (const QString& line : std::as_const(lines))
            EXPECT_EQ(line, line.trimmed()) << width;
        EXPECT_EQ(Words(lines.join(QString())).join(QString()).toStdString(), Words(html).join(QString()).toStdString())
            << width;
        if (width >= 300) { // wide enough for every word: lines break between words only
            EXPECT_EQ(Words(lines.join(u' ')).join(u'|').toStdString(), Words(html).join(u'|').toStdString()) << width;
        }
    }
}

TEST(HtmlLayout, AlignsParagraphs)
{
    const int width = 400;
    const auto onlyRun = [&](const char* html) {
        const THtmlLayout layout(QString::fromUtf8(html), TextFont(), width);
        EXPECT_EQ(layout.runs().size(), 1);
        return layout.runs().value(0).Rect;
    };
    const QRectF left = onlyRun("<P align=\"left\">Copyright</P>");
    const QRectF centred = onlyRun("<P align=\"center\">Copyright</P>");
    const QRectF right = onlyRun("<P ALIGN=RIGHT>Copyright</P>");
    EXPECT_EQ(left.left(), 0);
    EXPECT_NEAR(centred.center().x(), width / 2.0, 0.5);
    EXPECT_NEAR(right.right(), width, 0.01);
}

TEST(HtmlLayout, FindsLinksByPoint)
{
    const THtmlLayout layout(QStringLiteral("Go to <A href=\"one\">the first</A> or <A href=\"two\">second</A>."),
                             TextFont(), 0);
    const QList<QRect> first = layout.anchorRects(QStringLiteral("one"));
    const QList<QRect> second = layout.anchorRects(QStringLiteral("two"));
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(second.size(), 1);
    EXPECT_EQ(layout.anchorAt(first[0].center()), QStringLiteral("one"));
    EXPECT_EQ(layout.anchorAt(second[0].center()), QStringLiteral("two"));
    EXPECT_EQ(layout.anchorAt(QPointF(1, first[0].center().y())), QString());
    EXPECT_EQ(layout.anchorAt(QPointF(first[0].center().x(), layout.height() + 5)), QString());
    EXPECT_TRUE(layout.anchorRects(QStringLiteral("three")).isEmpty());
}
