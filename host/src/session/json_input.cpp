// Reading the stand-in's JSON files safely: regular files only, nesting bounded.
#include "session/json_input.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace standin {

bool nests_too_deep(const std::string& bytes) {
    std::size_t depth = 0;
    bool in_text = false;
    bool escaped = false;
    for (char c : bytes) {
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
            if (++depth > kMaxJsonNesting) return true;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

JsonFileProblem read_json_file(const std::string& path, std::string& bytes, JsonFileKinds kinds) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return JsonFileProblem::missing;
    if (S_ISDIR(info.st_mode) || ::access(path.c_str(), R_OK) != 0) {
        return JsonFileProblem::unreadable;
    }
    const bool pipe_allowed = kinds == JsonFileKinds::regular_or_pipe && S_ISFIFO(info.st_mode);
    if (!S_ISREG(info.st_mode) && !pipe_allowed) return JsonFileProblem::not_regular;
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    if (!in && !in.eof()) return JsonFileProblem::unreadable;
    bytes = buffer.str();
    return nests_too_deep(bytes) ? JsonFileProblem::too_deep : JsonFileProblem::none;
}

}  // namespace standin
