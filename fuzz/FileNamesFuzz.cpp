// File names from the other side: whatever comes in, what goes out is one safe name
// component that fits its byte budget.
#include "fuzz/FuzzInput.h"
#include "webcopy/ContentDisposition.h"
#include "webcopy/PathHelpers.h"

namespace {

bool IsForbidden(char16_t c)
{
    return c == u'/' || c == u'\\' || c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069);
}

void CheckNeutralised(const QString& name, int maxBytes)
{
    const QString safe = NeutraliseFileName(name, maxBytes);
    if (safe.isEmpty())
        return; // refused
    Require(safe != QStringLiteral(".") && safe != QStringLiteral(".."), "never . or ..");
    for (const QChar c : safe)
        Require(!IsForbidden(c.unicode()), "no separator, control or direction character");
    Require(!HasUnpairedSurrogate(safe), "no unpaired surrogate");
    Require(safe.toUtf8().size() <= maxBytes, "fits the byte budget");
    Require(safe.size() <= name.size(), "never longer than the name");
    Require(NeutraliseFileName(safe, maxBytes) == safe, "a neutralised name stays as it is");
}

void CheckFitted(const QString& name, int maxBytes)
{
    const QString fitted = FitFileName(name, maxBytes);
    if (name.toUtf8().size() <= maxBytes && !HasUnpairedSurrogate(name)) {
        Require(fitted == name, "a name that fits is kept");
        return;
    }
    Require(fitted.toUtf8().size() <= maxBytes, "fits the byte budget");
    Require(HasUnpairedSurrogate(name) || !HasUnpairedSurrogate(fitted), "never cuts inside a surrogate pair");
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    const bool keptExtension = !extension.isEmpty() && fitted.endsWith(extension)
        && name.startsWith(fitted.left(fitted.size() - extension.size()));
    Require(name.startsWith(fitted) || keptExtension, "a prefix of the name, or of its stem with the extension");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    // Budgets around the usual 255 bytes and tiny ones, where the corner cases are.
    const int maxBytes = input.Take<uint8_t>() % 64 + (input.Take<uint8_t>() & 1 ? 200 : 0);
    const QString name = input.RestAsUtf16();
    CheckNeutralised(name, maxBytes);
    CheckNeutralised(name, DefaultFileNameMaxBytes);
    CheckFitted(name, maxBytes);
    // The same bytes as a Content-Disposition header: what it suggests is one component.
    const QString suggested = ContentDispositionFileName(name.toUtf8());
    Require(!suggested.contains(QLatin1Char('/')) && !suggested.contains(QLatin1Char('\\')), "one component");
    return 0;
}
