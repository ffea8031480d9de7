// Small operations that take 8-bit, zero-terminated texts apart. Outputs go
// into the caller's buffer and are cut to fit it.
#include "utils/text_fields.hpp"

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"

#include <cstring>

namespace {

// Appends one character to out while there is room; out stays ended.
struct BoundedOut {
    char* text;
    std::size_t size;
    std::size_t length = 0;

    BoundedOut(char* out, std::size_t out_size) : text(out), size(out_size) {
        if (size > 0) text[0] = '\0';
    }
    void append(char c) {
        if (length + 1 >= size) return;
        text[length++] = c;
        text[length] = '\0';
    }
    void append(const char* s, std::size_t n) {
        if (size == 0) return;
        std::size_t room = size - 1 - length;
        if (n > room) n = room;
        std::memcpy(text + length, s, n);
        length += n;
        text[length] = '\0';
    }
};

}  // namespace

int copy_from_position(const char* text, char* out, std::size_t out_size, int position) {
    std::size_t length = std::strlen(text);
    if (position < 0) position = 0;
    if (static_cast<std::size_t>(position) >= length) {
        copy_text(out, out_size, "");
        return 0;
    }
    copy_text(out, out_size, text + position);
    return 0;
}

int count_detail_options() {
    int count = 1;
    for (const char* c = detail_option; *c != '\0'; ++c) {
        if (*c == ',') ++count;
    }
    return count;
}

int get_nth_field(const char* text, int index, char delimiter, char* out, std::size_t out_size) {
    BoundedOut field(out, out_size);
    int delimiters_seen = 0;
    bool copying = index == 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c != delimiter) {
            if (copying) field.append(*c);
            continue;
        }
        if (copying) break;
        if (++delimiters_seen == index) copying = true;
    }
    return static_cast<int>(field.length);
}

int remove_blanks(char* text) {
    char* to = text;
    for (const char* from = text; *from != '\0'; ++from) {
        if (*from != ' ') *to++ = *from;
    }
    *to = '\0';
    return static_cast<int>(to - text);
}

int get_text_after_nth_delimiter(const char* text, int n, char delimiter, char* out,
                                 std::size_t out_size) {
    BoundedOut rest(out, out_size);
    if (n < 1) return 0;
    int delimiters_seen = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == delimiter && ++delimiters_seen == n) {
            rest.append(c + 1, std::strlen(c + 1));
            break;
        }
    }
    return static_cast<int>(rest.length);
}

// An empty pattern counts as not occurring, so no caller can loop on it.
int replace_first(char* text, const char* pattern, const char* replacement, char* out,
                  std::size_t out_size) {
    if (pattern[0] == '\0') return -1;
    char* match = std::strstr(text, pattern);
    if (match == nullptr) return -1;
    BoundedOut result(out, out_size);
    result.append(text, static_cast<std::size_t>(match - text));
    result.append(replacement, std::strlen(replacement));
    const char* after = match + std::strlen(pattern);
    result.append(after, std::strlen(after));
    *match = '\0';
    return 0;
}
