// Files the stand-in refuses (part files, the LORN database, fault tables)
// are reported in one syslog line each, naming the file, the place in it and
// the reason (docs/part-format.md, "Refusals"):
//
//   kavohost: refused part file "/w/a.prt" at objects[3].body.shpae: unknown key
//
// The host program also prints the line on standard error.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace standin {

// Where a file goes wrong and why. The place is a JSON path
// ("objects[3].body.shape", indexes from 0), a byte of the file
// ("byte 14 (line 2, column 3)", each counted from 1), or empty for the file
// as a whole.
struct Refusal {
    std::string place;
    std::string reason;
};

// The keys a sub-object may hold; every other key is refused as unknown.
// Each reader keeps the list of its sub-object beside the code that reads it.
using KnownKeys = std::span<const std::string_view>;

// The first key of a JSON object that is not among the known ones; nullptr
// when there is none.
template <class Json>
const std::string* first_unknown_key(const Json& object, KnownKeys keys) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::find(keys.begin(), keys.end(), it.key()) == keys.end()) return &it.key();
    }
    return nullptr;
}

// Places: `outer` followed by the key or index. A key that is no plain name
// is written as ["..."] in JSON, non-ASCII escaped and cut after 80 bytes.
std::string key_place(const std::string& outer, std::string_view key);
std::string index_place(const std::string& outer, std::size_t index);
// `inner` is a place relative to `outer`.
std::string join_place(const std::string& outer, const std::string& inner);
// The place of the byte at `offset` (from 0) of the file's bytes.
std::string byte_place(const std::string& bytes, std::size_t offset);

// "refused <what> \"<file>\"[ at <place>]: <reason>", one line: control
// characters are escaped.
std::string refusal_text(std::string_view what, const std::string& file, const Refusal& refusal);

// Where the line goes besides the syslog.
enum class RefusalEcho {
    host_program,  // standard error when the host program asked for it
    always,        // standard error in every program
};
// True in the host program, which prints every refusal line on standard error.
bool refusals_echoed();
// Writes "kavohost: <refusal_text>" as one syslog line; returns the text.
std::string report_refusal(std::string_view what, const std::string& file, const Refusal& refusal,
                           RefusalEcho echo = RefusalEcho::host_program);

}  // namespace standin
