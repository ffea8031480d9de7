// One syslog line for each file the stand-in refuses (refusals.hpp).
#include "session/refusals.hpp"

#include <standin/testing.hpp>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

#include "session/session_internal.hpp"

namespace standin {
namespace {

constexpr std::size_t kMaxKeyText = 80;

bool echo_to_stderr = false;

bool is_plain_name(std::string_view key) {
    if (key.empty()) return false;
    return std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

// Control characters would break the line: they are written as \xNN.
std::string one_line(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string key_place(const std::string& outer, std::string_view key) {
    if (is_plain_name(key))
        return outer.empty() ? std::string(key) : outer + "." + std::string(key);
    std::string quoted = nlohmann::json(std::string(key))
                             .dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
    if (quoted.size() > kMaxKeyText) quoted = quoted.substr(0, kMaxKeyText) + "...\"";
    return outer + "[" + quoted + "]";
}

std::string index_place(const std::string& outer, std::size_t index) {
    return outer + "[" + std::to_string(index) + "]";
}

std::string join_place(const std::string& outer, const std::string& inner) {
    if (inner.empty()) return outer;
    if (outer.empty() || inner.front() == '[') return outer + inner;
    return outer + "." + inner;
}

std::string byte_place(const std::string& bytes, std::size_t offset) {
    offset = std::min(offset, bytes.size());
    const std::size_t line =
        1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
    const std::size_t line_start =
        offset == 0 ? 0 : bytes.rfind('\n', offset - 1) + 1;  // npos + 1 == 0
    return "byte " + std::to_string(offset + 1) + " (line " + std::to_string(line) + ", column " +
           std::to_string(offset - line_start + 1) + ")";
}

std::string refusal_text(std::string_view what, const std::string& file, const Refusal& refusal) {
    std::string text = "refused " + std::string(what) + " \"" + file + "\"";
    if (!refusal.place.empty()) text += " at " + refusal.place;
    text += ": " + refusal.reason;
    return one_line(text);
}

std::string report_refusal(std::string_view what, const std::string& file, const Refusal& refusal,
                           RefusalEcho echo) {
    const std::string text = refusal_text(what, file, refusal);
    const std::string line = "kavohost: " + text + "\n";
    write_host_syslog_line(line);
    if (echo == RefusalEcho::always || echo_to_stderr) {
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }
    return text;
}

// ---- host program -------------------------------------------------------------
void echo_refusals(bool on) {
    echo_to_stderr = on;
}

bool refusals_echoed() {
    return echo_to_stderr;
}

}  // namespace standin
