// Reading the stand-in's JSON files (parts, fault tables, the LORN database)
// safely: only regular files, and nesting bounded before the JSON reader
// walks into it.
#pragma once

#include <cstddef>
#include <string>

namespace standin {

// How deep brackets and braces may nest in a file the stand-in reads.
inline constexpr std::size_t kMaxJsonNesting = 100;

// The offset of the first bracket or brace (outside of texts) that nests
// deeper than the limit; std::string::npos when there is none.
std::size_t nesting_overflow(const std::string& bytes);

// Why a file could not be taken as JSON text.
enum class JsonFileProblem { none, missing, folder, unreadable, not_regular, too_deep };

// What a file may be besides a regular file.
enum class JsonFileKinds { regular, regular_or_pipe };

// Reads the whole file into bytes when it is a readable regular file (a device
// could give bytes without end; a pipe, only where its writer is trusted, none
// for ever) whose nesting stays within the limit. A file that nests too deep
// leaves its bytes, for the place of the overflow (`too_deep_at`).
JsonFileProblem read_json_file(const std::string& path, std::string& bytes,
                               JsonFileKinds kinds = JsonFileKinds::regular,
                               std::size_t* too_deep_at = nullptr);

// What a refusal says of a file problem other than none: the place (the
// overflowing byte of a file nested too deep) and the reason.
struct Refusal;
Refusal json_file_refusal(JsonFileProblem problem, const std::string& bytes,
                          std::size_t too_deep_at);

// Parses the bytes (nlohmann::json or ordered_json); false with the refusal
// ("JSON parse error: ..." at the byte where the reader stopped) when they
// are no JSON text, or not UTF-8.
template <class Json>
bool parse_json_text(const std::string& bytes, Json& doc, Refusal& refusal);

}  // namespace standin
