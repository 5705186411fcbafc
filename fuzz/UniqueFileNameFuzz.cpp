// Unique names: whatever the name and however many numbered names are taken, the one chosen is
// free, stays in its directory and fits the byte budget, cut between whole characters.
#include "fuzz/FuzzInput.h"
#include "webcopy/PathHelpers.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const int maxBytes = 8 + input.Take<uint16_t>() % 300;
    const int taken = input.Take<uint8_t>() % 16;
    QString name = input.RestAsUtf8();
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString dir = QStringLiteral("/d/");
    QSet<QString> existing{dir + name};
    const auto exists = [&](const QString& path) { return existing.contains(path); };
    for (int i = 0; i <= taken; ++i) {
        const QString unique = MakeUniqueFileName(dir + name, exists, maxBytes);
        Require(!existing.contains(unique), "the name chosen is free");
        Require(unique.startsWith(dir) && !unique.mid(dir.size()).contains(QLatin1Char('/')),
                "the name stays in its directory");
        // maxBytes >= 8 leaves room for any number up to "(17)".
        Require(unique.mid(dir.size()).toUtf8().size() <= maxBytes, "the name fits the byte budget");
        Require(!HasUnpairedSurrogate(unique), "never cut inside a character");
        Require(unique.contains(QStringLiteral("(%1)").arg(i + 1)), "the number is in the name");
        existing.insert(unique);
    }
    return 0;
}
