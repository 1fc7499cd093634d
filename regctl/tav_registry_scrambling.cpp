// The keyed, reversible, length-preserving scrambling of string values.
#include <array>
#include <vector>

#include "platform/codepage.h"
#include "regctl/runtime_error.h"
#include "regctl/tav_registry.h"

namespace regctl {
namespace {

struct Multipliers {
    std::int32_t m1, m2, m3, m4;
};

// C++'s % truncates toward zero, which is the remainder the passes are defined with.
Multipliers MultipliersOf(std::int32_t key) {
    return {key % 233 + 11, key % 239 + 7, key % 241 + 5, key % 251 + 3};
}

std::vector<std::int32_t> CodesOf(const std::u16string& text) {
    const std::string bytes = platform::codepage::Encode(text);
    std::vector<std::int32_t> codes(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) codes[i] = static_cast<unsigned char>(bytes[i]);
    return codes;
}

// A negative multiplier can drive a code below 0, which names no character.
std::u16string TextOf(const std::vector<std::int32_t>& codes) {
    std::string bytes(codes.size(), '\0');
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] < 0 || codes[i] > 255) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
        bytes[i] = static_cast<char>(codes[i]);
    }
    return platform::codepage::Decode(bytes);
}

// c[i] ^= c[from] ^ ((c[by] * m) rem 256), the one mixing step all passes are made of.
void Mix(std::vector<std::int32_t>& c, std::size_t i, std::size_t from, std::size_t by,
         std::int32_t m) {
    c[i] = c[i] ^ c[from] ^ ((c[by] * m) % 256);
}

}  // namespace

std::u16string TavRegistry::EnDeCrypt(std::u16string sText) const {
    const std::int32_t key = EncryptionKey_;
    if (Encryption_ == 0) return sText;
    std::u16string text = std::move(sText);
    for (int pass = 0; pass < 3; ++pass) {
        text = Encryption_ == 2 ? UnscramblePass(text, key) : ScramblePass(text, key);
    }
    return text;
}

// Indices below are zero-based; each step chains along the text from the side it starts.
std::u16string TavRegistry::ScramblePass(const std::u16string& text, std::int32_t key) const {
    std::vector<std::int32_t> c = CodesOf(text);
    const Multipliers m = MultipliersOf(key);
    const std::size_t n = c.size();
    if (n < 2) return TextOf(c);
    for (std::size_t i = 1; i < n; ++i) Mix(c, i, i - 1, i - 1, m.m1);
    for (std::size_t i = n - 1; i-- > 0;) Mix(c, i, i + 1, i + 1, m.m2);
    for (std::size_t i = 2; i < n; ++i) Mix(c, i, i - 2, i - 1, m.m3);
    for (std::size_t i = n - 2; i-- > 0;) Mix(c, i, i + 2, i + 1, m.m4);
    return TextOf(c);
}

std::u16string TavRegistry::UnscramblePass(const std::u16string& text, std::int32_t key) const {
    std::vector<std::int32_t> c = CodesOf(text);
    const Multipliers m = MultipliersOf(key);
    const std::size_t n = c.size();
    for (std::size_t i = 0; i + 2 < n; ++i) Mix(c, i, i + 2, i + 1, m.m4);
    for (std::size_t i = n; i-- > 2;) Mix(c, i, i - 2, i - 1, m.m3);
    for (std::size_t i = 0; i + 1 < n; ++i) Mix(c, i, i + 1, i + 1, m.m2);
    for (std::size_t i = n; i-- > 1;) Mix(c, i, i - 1, i - 1, m.m1);
    return TextOf(c);
}

}  // namespace regctl
