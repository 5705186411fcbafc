#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Reads typed values off the front of a fuzzer's input; past its end every value is 0 and
// every text empty, so that any input is a valid case.
class TFuzzInput {
public:
    TFuzzInput(const uint8_t* data, size_t size) : FData(data), FSize(size) {}

    template <typename T>
    T Take()
    {
        T value{};
        auto* bytes = reinterpret_cast<uint8_t*>(&value);
        for (size_t i = 0; i < sizeof(T) && FAt < FSize; ++i)
            bytes[i] = FData[FAt++];
        return value;
    }

    // The rest as UTF-16 code units, unpaired surrogates included.
    QString RestAsUtf16();
    // The rest read as UTF-8 (invalid bytes become U+FFFD): text without unpaired surrogates.
    QString RestAsUtf8();
    // The rest as it is.
    QByteArray RestAsBytes();

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FAt = 0;
};

// True when a surrogate stands without its partner: the text is no valid UTF-16.
bool HasUnpairedSurrogate(const QString& text);

// Ends the run with a message when an invariant does not hold; libFuzzer saves the input.
void Require(bool condition, const char* invariant);
