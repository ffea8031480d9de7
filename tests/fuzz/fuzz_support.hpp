// Support shared by the fuzz targets: what must hold is checked with
// FUZZ_CHECK (a failure is reported where the sanitizers report and ends the
// run, so libFuzzer keeps the input), process globals are reset between
// inputs, and files go to a temporary folder of the process, removed at exit.
#pragma once

#include <sanitizer/common_interface_defs.h>
#include <standin/testing.hpp>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/process_state.hpp"

namespace kvtx_fuzz {

[[noreturn]] inline void fail(const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

[[noreturn]] inline void fail(const char* file, int line, const char* format, ...) {
    char message[2048];
    const int head =
        std::snprintf(message, sizeof message, "FUZZ CHECK FAILED at %s:%d: ", file, line);
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(message + head, sizeof message - static_cast<std::size_t>(head), format, args);
    va_end(args);
    // Where the sanitizers report: libFuzzer may have closed stderr (-close_fd_mask).
    __sanitizer_report_error_summary(message);
    std::abort();
}

#define FUZZ_CHECK(condition, ...)                                            \
    do {                                                                      \
        if (!(condition)) ::kvtx_fuzz::fail(__FILE__, __LINE__, __VA_ARGS__); \
    } while (false)

// The process's own temporary folder, made at first use and removed at exit
// (kept on the heap, so that it outlives the static objects at exit).
inline const std::string& temp_dir() {
    static const std::string* const folder = [] {
        const char* base = std::getenv("TMPDIR");
        auto* pattern = new std::string(
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kvtx_fuzz_XXXXXX");
        if (mkdtemp(pattern->data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(temp_dir(), ec);
        });
        return pattern;
    }();
    return *folder;
}

inline std::string temp_path(const std::string& leaf) {
    return temp_dir() + "/" + leaf;
}

inline void write_file(const std::string& path, const void* data, std::size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(file.good(), "cannot write %s", path.c_str());
}

inline void write_file(const std::string& path, const std::string& text) {
    write_file(path, text.data(), text.size());
}

inline std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The host session and every process global of the check tool back to their
// start state.
inline void reset_state() {
    // The host's syslog and listing window go to the process's own folder.
    static const bool isolated = [] {
        setenv("KAVOHOST_SYSLOG", temp_path("syslog.txt").c_str(), 1);
        setenv("KAVOHOST_LISTING", temp_path("listing.txt").c_str(), 1);
        return true;
    }();
    (void)isolated;
    standin::reset_session();
    reset_process_state();
}

}  // namespace kvtx_fuzz
