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

// One code per character, its single byte in the code page. A character the page holds
// only in several bytes (in UTF-8 or a double-byte page), or not at all, has none; it is
// scrambled as '?', the code the conversion gives what the page lacks.
std::int32_t CodeOf(char16_t c) {
    const std::u16string character(1, c);
    const std::string bytes = platform::codepage::Encode(character);
    if (bytes.size() != 1 || platform::codepage::Decode(bytes) != character) return '?';
    return static_cast<unsigned char>(bytes[0]);
}

std::vector<std::int32_t> CodesOf(const std::u16string& text) {
    std::vector<std::int32_t> codes(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) codes[i] = CodeOf(text[i]);
    return codes;
}

// A code names a character when it is one of the page on its own. A negative multiplier
// can drive a code below 0; in UTF-8 and the double-byte pages the codes from 128 up
// begin or continue a character of several bytes and name none alone.
std::u16string TextOf(const std::vector<std::int32_t>& codes) {
    std::u16string text(codes.size(), u'\0');
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] < 0 || codes[i] > 255) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
        const std::string byte(1, static_cast<char>(codes[i]));
        const std::u16string character = platform::codepage::Decode(byte);
        if (character.size() != 1 || platform::codepage::Encode(character) != byte) {
            throw RuntimeError(ErrorNumber::InvalidProcedureCall);
        }
        text[i] = character[0];
    }
    return text;
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
