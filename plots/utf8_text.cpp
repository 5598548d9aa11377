// UTF-8 checked sequence by sequence, as RFC 3629 defines it.
#include "plots/utf8_text.h"

namespace {

constexpr const char *kReplacement = "\xEF\xBF\xBD";

// The length of the valid sequence at text[i], or 0.
size_t SequenceLength(std::string_view text, size_t i) {
    const auto Byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = Byte(i);
    size_t iLength = 0;
    unsigned char cSecondLow = 0x80, cSecondHigh = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        iLength = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        iLength = 3;
        cSecondLow = c == 0xE0 ? 0xA0 : 0x80;  // no overlong form
        cSecondHigh = c == 0xED ? 0x9F : 0xBF; // no surrogate
    } else if (c >= 0xF0 && c <= 0xF4) {
        iLength = 4;
        cSecondLow = c == 0xF0 ? 0x90 : 0x80;  // no overlong form
        cSecondHigh = c == 0xF4 ? 0x8F : 0xBF; // nothing beyond U+10FFFF
    }
    if (iLength == 0 || i + iLength > text.size() || Byte(i + 1) < cSecondLow ||
        Byte(i + 1) > cSecondHigh) {
        return 0;
    }
    for (size_t k = 2; k < iLength; k++) {
        if ((Byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return iLength;
}

} // namespace

std::string Utf8Repaired(std::string_view text) {
    std::string repaired;
    repaired.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            repaired += (c < 0x20 && c != '\t') || c == 0x7F ? ' ' : static_cast<char>(c);
            i++;
        } else if (const size_t iLength = SequenceLength(text, i); iLength > 0) {
            repaired.append(text.substr(i, iLength));
            i += iLength;
        } else {
            repaired += kReplacement;
            i++;
        }
    }
    return repaired;
}
