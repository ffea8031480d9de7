// Bounded copying and formatting into fixed-size text buffers.
#include "common/text_buffer.hpp"

#include "common/quick_format.hpp"

#include <cstdio>
#include <cstring>

void copy_text(char* dst, std::size_t size, const char* src) {
    if (dst == nullptr || size == 0) return;
    if (src == nullptr) {
        dst[0] = '\0';
        return;
    }
    std::size_t length = std::strlen(src);
    if (length >= size) length = size - 1;
    // memmove: callers may copy a text onto a part of itself.
    std::memmove(dst, src, length);
    dst[length] = '\0';
}

std::size_t format_text_v(char* dst, std::size_t size, const char* format, std::va_list args) {
    if (dst == nullptr || size == 0) return 0;
    if (format == nullptr) {
        dst[0] = '\0';
        return 0;
    }
    std::size_t length = 0;
    if (quick_format(dst, size, format, args, &length)) return length;
    int written = std::vsnprintf(dst, size, format, args);
    if (written < 0) {
        dst[0] = '\0';
        return 0;
    }
    if (static_cast<std::size_t>(written) >= size) return size - 1;
    return static_cast<std::size_t>(written);
}

std::size_t format_text(char* dst, std::size_t size, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::size_t length = format_text_v(dst, size, format, args);
    va_end(args);
    return length;
}
