// Bounded copying and formatting into fixed-size text buffers.
#pragma once

#include <cstdarg>
#include <cstddef>

// Copies src into dst, cutting it to size - 1 characters; dst is always ended.
void copy_text(char* dst, std::size_t size, const char* src);

template <std::size_t N>
void copy_text(char (&dst)[N], const char* src) {
    copy_text(dst, N, src);
}

// vsnprintf into dst, cut to size - 1 characters; returns the length written.
std::size_t format_text_v(char* dst, std::size_t size, const char* format, std::va_list args);
std::size_t format_text(char* dst, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
