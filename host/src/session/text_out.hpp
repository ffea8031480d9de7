// Writing host texts into caller buffers of a fixed size.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace standin {

// Length of the longest prefix of `text` that fits `max_chars` bytes. Host
// texts are ISO-8859-1, one byte a character, so any byte is a place to cut.
inline std::size_t fitting_length(std::string_view text, std::size_t max_chars) {
    return text.size() <= max_chars ? text.size() : max_chars;
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
