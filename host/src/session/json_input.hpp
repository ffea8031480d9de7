// Reading the stand-in's JSON files (parts, fault tables, the LORN database)
// safely: only regular files, and nesting bounded before the JSON reader
// walks into it.
#pragma once

#include <cstddef>
#include <string>

namespace standin {

// How deep brackets and braces may nest in a file the stand-in reads.
inline constexpr std::size_t kMaxJsonNesting = 100;

// True when brackets and braces outside of texts nest deeper than the limit.
bool nests_too_deep(const std::string& bytes);

// Why a file could not be taken as JSON text.
enum class JsonFileProblem { none, missing, unreadable, not_regular, too_deep };

// What a file may be besides a regular file.
enum class JsonFileKinds { regular, regular_or_pipe };

// Reads the whole file into bytes when it is a readable regular file (a device
// could give bytes without end; a pipe, only where its writer is trusted, none
// for ever) whose nesting stays within the limit.
JsonFileProblem read_json_file(const std::string& path, std::string& bytes,
                               JsonFileKinds kinds = JsonFileKinds::regular);

}  // namespace standin
