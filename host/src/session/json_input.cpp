// Reading the stand-in's JSON files safely: regular files only, nesting bounded.
#include "session/json_input.hpp"

#include "session/refusals.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace standin {

std::size_t nesting_overflow(const std::string& bytes) {
    std::size_t depth = 0;
    bool in_text = false;
    bool escaped = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (in_text) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                in_text = false;
        } else if (c == '"') {
            in_text = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonNesting) return i;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::string::npos;
}

JsonFileProblem read_json_file(const std::string& path, std::string& bytes, JsonFileKinds kinds,
                               std::size_t* too_deep_at) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return JsonFileProblem::missing;
    if (S_ISDIR(info.st_mode)) return JsonFileProblem::folder;
    if (::access(path.c_str(), R_OK) != 0) return JsonFileProblem::unreadable;
    const bool pipe_allowed = kinds == JsonFileKinds::regular_or_pipe && S_ISFIFO(info.st_mode);
    if (!S_ISREG(info.st_mode) && !pipe_allowed) return JsonFileProblem::not_regular;
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    if (!in && !in.eof()) return JsonFileProblem::unreadable;
    bytes = buffer.str();
    const std::size_t overflow = nesting_overflow(bytes);
    if (too_deep_at != nullptr) *too_deep_at = overflow;
    return overflow == std::string::npos ? JsonFileProblem::none : JsonFileProblem::too_deep;
}

Refusal json_file_refusal(JsonFileProblem problem, const std::string& bytes,
                          std::size_t too_deep_at) {
    switch (problem) {
        case JsonFileProblem::missing:
            return {"", "no such file"};
        case JsonFileProblem::folder:
            return {"", "a folder, not a file"};
        case JsonFileProblem::unreadable:
            return {"", "cannot be read"};
        case JsonFileProblem::not_regular:
            return {"", "not a regular file"};
        case JsonFileProblem::too_deep:
            return {byte_place(bytes, too_deep_at),
                    "nesting deeper than " + std::to_string(kMaxJsonNesting) + " levels"};
        case JsonFileProblem::none:
            break;
    }
    return {};
}

}  // namespace standin

namespace standin {
namespace {

constexpr std::size_t kMaxParseReason = 200;

// nlohmann's message without its "[json.exception...] parse error at line
// L, column C: " head (the place says where).
std::string parse_reason(const char* what) {
    std::string text = what;
    if (auto head = text.find("] "); head != std::string::npos) text.erase(0, head + 2);
    if (text.rfind("parse error", 0) == 0) {
        if (auto colon = text.find(": "); colon != std::string::npos) text.erase(0, colon + 2);
    }
    if (text.size() > kMaxParseReason) text = text.substr(0, kMaxParseReason) + "...";
    return "JSON parse error: " + text;
}

}  // namespace

template <class Json>
bool parse_json_text(const std::string& bytes, Json& doc, Refusal& refusal) {
    try {
        doc = Json::parse(bytes);
        return true;
    } catch (const nlohmann::json::parse_error& e) {
        refusal = {byte_place(bytes, e.byte > 0 ? e.byte - 1 : 0), parse_reason(e.what())};
    } catch (const nlohmann::json::exception& e) {
        refusal = {"", parse_reason(e.what())};
    }
    return false;
}

template bool parse_json_text(const std::string&, nlohmann::json&, Refusal&);
template bool parse_json_text(const std::string&, nlohmann::ordered_json&, Refusal&);

}  // namespace standin
