// The listing window: an open flag and the texts written to it. The window's
// text goes to standard output, or to the file named by KAVOHOST_LISTING.
#include <standin/testing.hpp>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "session/faults.hpp"
#include "session/session_internal.hpp"

namespace standin {
namespace {

std::vector<std::string>& entries() {
    static std::vector<std::string> list;
    return list;
}

bool window_open = false;
int opens = 0;
std::FILE* listing_file = nullptr;
bool listing_file_failed = false;

void write_all(int fd, const char* text, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, text, length);
        if (n <= 0) return;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
}

void show(const char* text) {
    const char* target = std::getenv("KAVOHOST_LISTING");
    if (target == nullptr || *target == '\0') {
        write_all(1, text, std::strlen(text));
        return;
    }
    if (listing_file == nullptr && !listing_file_failed) {
        listing_file = std::fopen(target, "w");
        listing_file_failed = listing_file == nullptr;
    }
    if (listing_file == nullptr) return;
    std::fputs(text, listing_file);
    std::fflush(listing_file);
}

}  // namespace

const std::vector<std::string>& listing_entries() {
    return entries();
}
bool listing_window_open() {
    return window_open;
}
void close_listing_window() {
    window_open = false;
}
int listing_window_opens() {
    return opens;
}
void clear_listing_entries() {
    entries().clear();
}

void reset_listing() {
    entries().clear();
    window_open = false;
    opens = 0;
    if (listing_file != nullptr) std::fclose(listing_file);
    listing_file = nullptr;
    listing_file_failed = false;
}

}  // namespace standin

using namespace standin;

extern "C" {

int RQ_UI_is_listing_window_open(logical* is_open) {
    if (int code = fault_code("RQ_UI_is_listing_window_open")) return code;
    if (is_open == nullptr) return RQ_err_bad_argument;
    *is_open = window_open ? 1 : 0;
    return 0;
}

int RQ_UI_open_listing_window(void) {
    if (int code = fault_code("RQ_UI_open_listing_window")) return code;
    if (!window_open) {
        window_open = true;
        ++opens;
    }
    return 0;
}

// A closed window shows nothing: what is written to it then is lost.
int RQ_UI_write_listing_window(const char* text) {
    if (int code = fault_code("RQ_UI_write_listing_window")) return code;
    if (text == nullptr) return RQ_err_bad_argument;
    if (!window_open) return 0;
    entries().emplace_back(text);
    show(text);
    return 0;
}

}  // extern "C"
