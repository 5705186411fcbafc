// The labels' mini-HTML: any markup lays out without crashing, and every character of the
// text between known tags ends up in a run.
#include "fuzz/FuzzInput.h"
#include "widgets/HtmlLayout.h"

#include <QGuiApplication>

#include <cmath>
#include <cstdlib>

namespace {

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

QString WithoutBlanks(const QString& text)
{
    QString rest;
    for (const QChar c : text) {
        if (!IsBlank(c))
            rest += c;
    }
    return rest;
}

// Control characters of the input that stand for tags; the others are text.
QString TagFor(QChar c)
{
    switch (c.unicode()) {
    case 1: return QStringLiteral("<b>");
    case 2: return QStringLiteral("</b>");
    case 3: return QStringLiteral("<br>");
    case 4: return QStringLiteral("<p align=\"center\">");
    case 5: return QStringLiteral("</p>");
    case 6: return QStringLiteral("<ind x=\"40\">");
    case 7: return QStringLiteral("<a href=\"x\">");
    case 8: return QStringLiteral("</a>");
    case 11: return QStringLiteral("<u>");
    case 14: return QStringLiteral("<font color=\"#ff0000\">");
    case 15: return QStringLiteral("</font>");
    case 16: return QStringLiteral("<p align=right>");
    case 17: return QStringLiteral("<unknown attr='&amp;'>");
    default: return {};
    }
}

void CheckRuns(const THtmlLayout& layout)
{
    Require(layout.lineHeight() > 0 || layout.lineCount() == 0, "lines have a height");
    for (const THtmlLayout::TRun& run : layout.runs()) {
        Require(!run.Text.isEmpty(), "no empty run");
        Require(std::isfinite(run.Rect.left()) && std::isfinite(run.Rect.width()) && run.Rect.width() >= 0,
                "a run has a finite place");
        Require(run.Rect.top() >= 0 && run.Rect.top() < layout.height(), "a run lies on one of the lines");
    }
}

const QFont& LabelFont()
{
    static const QFont font(QStringLiteral("DejaVu Sans"), 9);
    return font;
}

} // namespace

// Fontconfig keeps what it read for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    // The font caches fill once, not during the first input (which would look like a leak).
    const THtmlLayout warmUp(QStringLiteral("<b>warm</b> up"), LabelFont(), 100);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const int width = input.Take<uint8_t>() % 200 * 2; // 0: no wrapping
    const bool markup = input.Take<uint8_t>() & 1;
    const QString text = input.RestAsUtf8();
    const QFont& font = LabelFont();

    if (markup) {
        CheckRuns(THtmlLayout(text, font, width));
        return 0;
    }
    // Plain text with entities for the markup characters, and known tags in between.
    QString html;
    QString shown;
    for (const QChar c : text) {
        const QString tag = TagFor(c);
        if (!tag.isEmpty())
            html += tag;
        else if (c == u'&')
            html += QStringLiteral("&amp;");
        else if (c == u'<')
            html += QStringLiteral("&lt;");
        else
            html += c;
        if (tag.isEmpty())
            shown += c;
    }
    const THtmlLayout layout(html, font, width);
    CheckRuns(layout);
    QString laidOut;
    for (const THtmlLayout::TRun& run : layout.runs())
        laidOut += run.Text;
    Require(WithoutBlanks(laidOut) == WithoutBlanks(shown), "every character is laid out, in order");
    return 0;
}
