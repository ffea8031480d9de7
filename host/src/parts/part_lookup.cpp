// Finding a loaded part by name, for the host program and tests.
#include <standin/testing.hpp>

#include <filesystem>

#include "parts/parts.hpp"

namespace standin {

void clear_work_part() {
    session().work_part = NULL_TAG;
}

tag_t loaded_part(const std::string& name) {
    if (name.empty()) return NULL_TAG;
    if (const Part* part = find_loaded_part(name)) return part->tag;
    std::error_code ec;
    const auto wanted = std::filesystem::weakly_canonical(name, ec);
    if (ec) return NULL_TAG;
    for (const auto& part : session().parts) {
        std::error_code part_ec;
        if (std::filesystem::weakly_canonical(part->path, part_ec) == wanted && !part_ec)
            return part->tag;
    }
    return NULL_TAG;
}

}  // namespace standin
