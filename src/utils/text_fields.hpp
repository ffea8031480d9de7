// In-place and copying operations that take texts apart. Every output goes
// into a caller's buffer of out_size bytes and is cut to fit.
#pragma once

#include <cstddef>

int copy_from_position(const char* text, char* out, std::size_t out_size, int position);
int count_detail_options();
int get_nth_field(const char* text, int index, char delimiter, char* out, std::size_t out_size);
int remove_blanks(char* text);
int get_text_after_nth_delimiter(const char* text, int n, char delimiter, char* out,
                                 std::size_t out_size);
// Cuts text at the first occurrence of pattern; out = before + replacement + after.
int replace_first(char* text, const char* pattern, const char* replacement, char* out,
                  std::size_t out_size);

template <std::size_t N>
int copy_from_position(const char* text, char (&out)[N], int position) {
    return copy_from_position(text, out, N, position);
}
template <std::size_t N>
int get_nth_field(const char* text, int index, char delimiter, char (&out)[N]) {
    return get_nth_field(text, index, delimiter, out, N);
}
template <std::size_t N>
int get_text_after_nth_delimiter(const char* text, int n, char delimiter, char (&out)[N]) {
    return get_text_after_nth_delimiter(text, n, delimiter, out, N);
}
