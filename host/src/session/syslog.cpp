// The host system log: every RQ_print_syslog call, and every line the host
// writes itself (refusals.hpp), is kept as one entry and appended to the
// syslog file.
#include <standin/testing.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "session/faults.hpp"
#include "session/memory.hpp"
#include "session/session_internal.hpp"

namespace standin {
namespace {

std::vector<std::string>& entries() {
    static std::vector<std::string> list;
    return list;
}

std::string& file_name() {
    static std::string name;
    return name;
}

std::FILE* file = nullptr;
bool file_failed = false;
bool at_line_start = true;  // the last text written to the file ended its line

const std::string& current_file_name() {
    std::string& name = file_name();
    if (name.empty()) {
        const char* env = std::getenv("KAVOHOST_SYSLOG");
        if (env != nullptr && *env != '\0') {
            name = env;
        } else {
            std::error_code ec;
            auto folder = std::filesystem::temp_directory_path(ec);
            name = ((ec ? std::filesystem::path("/tmp") : folder) / "kavo_syslog.txt").string();
        }
    }
    return name;
}

// The file is started afresh by the first write of a process (or after a
// reset) and appended to after that. It is line-buffered: what ends a line
// is in the file at once; an entry without a line end (a prefix) goes out
// with the next one, in one write.
void write_to_file(const char* text) {
    if (file == nullptr && !file_failed) {
        file = std::fopen(current_file_name().c_str(), "w");
        file_failed = file == nullptr;
        if (file != nullptr) std::setvbuf(file, nullptr, _IOLBF, BUFSIZ);
    }
    if (file == nullptr) return;
    std::fputs(text, file);
    if (*text != '\0') at_line_start = text[std::strlen(text) - 1] == '\n';
}

}  // namespace

void write_host_syslog_line(const std::string& line) {
    entries().push_back(line);
    if (!at_line_start) write_to_file("\n");
    write_to_file(line.c_str());
}

void flush_syslog() {
    if (file != nullptr) std::fflush(file);
}

const std::vector<std::string>& syslog_entries() {
    return entries();
}

std::string syslog_file_name() {
    return current_file_name();
}

void clear_records() {
    entries().clear();
    clear_listing_entries();
}

void reset_records() {
    entries().clear();
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    file_failed = false;
    at_line_start = true;
    file_name().clear();
    reset_listing();
}

}  // namespace standin

using namespace standin;

extern "C" {

// Works with or without an open session.
int RQ_print_syslog(const char* text, int flag) {
    if (int code = fault_code("RQ_print_syslog")) return code;
    if (text == nullptr) return RQ_err_bad_argument;
    entries().emplace_back(text);
    write_to_file(text);
    return 0;
}

int RQ_ask_syslog_filename(char** name) {
    if (int code = fault_code("RQ_ask_syslog_filename")) return code;
    if (name == nullptr) return RQ_err_bad_argument;
    flush_syslog();
    *name = host_strdup(current_file_name());
    return 0;
}

}  // extern "C"
