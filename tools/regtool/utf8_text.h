// UTF-8 text, as editors on Linux save files, read strictly on every platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace regtool {

// The text of UTF-8 bytes; nullopt when they are not UTF-8 (a stray byte, an overlong or
// cut sequence, a surrogate), with the offset of the first bad byte in `badAt`.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes, std::size_t* badAt = nullptr);

}  // namespace regtool
