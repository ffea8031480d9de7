// Saving the work part, saving it under a new name, and the point that
// makes a part count as modified.
#include "parts/part_file.hpp"
#include "parts/store.hpp"
#include "pdm/pdm.hpp"
#include "session/faults.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

namespace standin {
namespace {

enum { event_save = 2, event_save_as = 3, event_post_save_as = 8 };

constexpr const char* kSavingProgram = "kavohost";

std::string env_text(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Save time: KAVOHOST_FIXED_TIME (seconds since the epoch) when set, so that
// tests see fixed history entries; else the clock.
std::int64_t save_time() {
    const std::string fixed = env_text("KAVOHOST_FIXED_TIME");
    if (!fixed.empty()) {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(fixed.c_str(), &end, 10);
        if (errno == 0 && end != fixed.c_str() && *end == '\0') return seconds;
    }
    return static_cast<std::int64_t>(std::time(nullptr));
}

// The LORN user when logged in, else KAVOHOST_USER, $USER, "kavo".
std::string save_user() {
    if (std::string user = pdm_user(); !user.empty()) return user;
    if (std::string user = env_text("KAVOHOST_USER"); !user.empty()) return user;
    if (std::string user = env_text("USER"); !user.empty()) return user;
    return "kavo";
}

// KAVOHOST_MACHINE, else the host name.
std::string save_machine() {
    if (std::string machine = env_text("KAVOHOST_MACHINE"); !machine.empty()) return machine;
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) == 0 && name[0] != '\0') return name;
    return "localhost";
}

bool path_exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// Writes the part to `path`. A modified part gets the next version and a
// history entry; an unmodified one is written as it is. On a failed write the
// part stays as it was.
int write_part(Part& part, const std::string& path) {
    const bool was_modified = part.modified;
    const int old_version = part.version;
    if (was_modified) {
        ++part.version;
        part.history.push_back(
            {part.version, save_time(), kSavingProgram, save_user(), save_machine()});
    }
    std::string error;
    if (int code = write_part_file(part, path, error)) {
        if (was_modified) {
            part.history.pop_back();
            part.version = old_version;
        }
        return code;
    }
    part.modified = false;
    return 0;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

RQ_API int RQ_PART_save_work_only(void) {
    Part* part = work_part();
    if (int code = fault_code("RQ_PART_save_work_only", part ? part->tag : NULL_TAG)) return code;
    if (part == nullptr) return RQ_err_no_work_part;
    if (part->read_only) return RQ_err_part_read_only;
    if (int code = write_part(*part, part->path)) return code;
    fire_part_event(event_save, part->tag);
    return 0;
}

// The part becomes the new file: its name and path change, a LORN part
// becomes a native one, and it is no longer read-only.
RQ_API int RQ_PART_save_as(const char* new_file_spec) {
    Part* part = work_part();
    if (int code = fault_code("RQ_PART_save_as", part ? part->tag : NULL_TAG)) return code;
    if (part == nullptr) return RQ_err_no_work_part;
    if (new_file_spec == nullptr || *new_file_spec == '\0') return RQ_err_bad_argument;
    const std::string target = new_file_spec;
    if (path_exists(target)) return RQ_err_file_exists;
    const tag_t tag = part->tag;
    fire_part_event(event_save_as, tag);
    part = find_part(tag);  // a callback may have closed it
    if (part == nullptr) return RQ_err_bad_tag;
    if (int code = write_part(*part, target)) return code;
    part->path = target;
    part->name = target;
    part->pdm.reset();
    part->read_only = false;
    fire_part_event(event_post_save_as, tag);
    return 0;
}

// A point in the work part, on the work layer; the part counts as modified.
RQ_API int RQ_CURVE_create_point(const double xyz[3], tag_t* point) {
    if (point == nullptr) return RQ_err_bad_argument;
    *point = NULL_TAG;
    if (xyz == nullptr) return RQ_err_bad_argument;
    Part* part = work_part();
    if (int code = fault_code("RQ_CURVE_create_point", part ? part->tag : NULL_TAG)) return code;
    if (part == nullptr) return RQ_err_no_work_part;
    Object& made = add_object(*part, RQ_point_type, 0);
    made.point = std::make_unique<Point>();
    made.point->xyz = {xyz[0], xyz[1], xyz[2]};
    const int layer = session().work_layer;
    if (made.layer != layer) {
        // add_object filed it on the default layer as the last entry; refile it.
        auto& old_list = part->by_layer[made.layer];
        if (!old_list.empty() && old_list.back() == made.tag) old_list.pop_back();
        made.layer = layer;
        made.pos_layer = static_cast<std::size_t>(-1);
        index_object(*part, made);
    }
    mark_modified(*part);
    *point = made.tag;
    return 0;
}

}  // extern "C"
