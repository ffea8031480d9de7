// Writing host texts into caller buffers of a fixed size.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace standin {

// Length of the longest prefix of `text` that fits `max_chars` bytes without
// splitting a UTF-8 sequence.
inline std::size_t fitting_length(std::string_view text, std::size_t max_chars) {
    if (text.size() <= max_chars) return text.size();
    std::size_t n = max_chars;
    // Step back over continuation bytes (10xxxxxx) to the start of the cut sequence.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return n;
}

// Writes `text` into `out`, which holds `size` bytes, cut to fit and always
// ended. Returns false when the text had to be cut.
inline bool write_text(char* out, std::size_t size, std::string_view text) {
    if (out == nullptr || size == 0) return false;
    const std::size_t n = fitting_length(text, size - 1);
    text.copy(out, n);
    out[n] = '\0';
    return n == text.size();
}

}  // namespace standin
