// Part calls: open, close all, work and display part, names, description.
#include "parts/parts.hpp"

#include <standin/testing.hpp>

#include <filesystem>

#include "parts/part_file.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"
#include "session/session_internal.hpp"

namespace standin {
namespace {

constexpr std::size_t max_part_name = 255;

PartNameResolver name_resolver = nullptr;
PartLoadedHook loaded_hook = nullptr;

// The load status handed out by RQ_PART_open stays with the session.
struct LoadStatusStore {
    std::vector<std::string> names;
    std::vector<char*> name_pointers;
    std::vector<int> statuses;
};

LoadStatusStore& load_status_store() {
    static LoadStatusStore store;
    return store;
}

void fill_load_status(RQ_PART_load_status_t* status, const LoadReport& report, int own_code,
                      const std::string& own_name) {
    LoadStatusStore& store = load_status_store();
    store.names.clear();
    store.statuses.clear();
    if (own_code != 0) {
        store.names.push_back(own_name);
        store.statuses.push_back(own_code);
    }
    for (const auto& [name, code] : report.failures) {
        store.names.push_back(name);
        store.statuses.push_back(code);
    }
    store.name_pointers.clear();
    for (auto& name : store.names) store.name_pointers.push_back(name.data());
    if (status == nullptr) return;
    status->failed = store.names.empty() ? 0 : 1;
    status->n_parts = static_cast<int>(store.names.size());
    status->file_names = store.names.empty() ? nullptr : store.name_pointers.data();
    status->statuses = store.names.empty() ? nullptr : store.statuses.data();
}

std::string canonical(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : p.string();
}

// Resolves an opening name to a file: 0, or the refusing code.
int resolve_name(const std::string& name, std::string& path, std::optional<PdmKey>& pdm) {
    if (name_resolver != nullptr) {
        int code = name_resolver(name, path, pdm);
        if (code >= 0) return code;
    }
    path = name;
    pdm.reset();
    return 0;
}

}  // namespace

void set_part_name_resolver(PartNameResolver resolver) {
    name_resolver = resolver;
}
void set_part_loaded_hook(PartLoadedHook hook) {
    loaded_hook = hook;
}

Part* find_loaded_part(const std::string& name) {
    for (auto& p : session().parts) {
        if (p->name == name || p->path == name) return p.get();
    }
    return nullptr;
}

int load_part(const std::string& name, Part** part, LoadReport* report) {
    if (name.empty()) return RQ_err_file_not_found;
    if (name.size() > max_part_name) return RQ_err_bad_argument;
    if (Part* loaded = find_loaded_part(name)) {
        if (part != nullptr) *part = loaded;
        return 0;
    }
    std::string path;
    std::optional<PdmKey> pdm;
    if (int code = resolve_name(name, path, pdm)) return code;
    const std::string wanted = canonical(path);
    for (auto& p : session().parts) {
        if (canonical(p->path) == wanted) {
            if (part != nullptr) *part = p.get();
            return 0;
        }
    }
    Part* read = nullptr;
    std::string error;
    if (int code = read_part_file(path, name, &read, error)) return code;
    if (pdm) read->pdm = pdm;
    LoadReport local;
    if (loaded_hook != nullptr) loaded_hook(*read, report != nullptr ? *report : local);
    if (part != nullptr) *part = read;
    return 0;
}

void make_work_part(Part& part) {
    Session& s = session();
    if (s.work_part == part.tag) return;
    s.work_part = part.tag;
    fire_part_event(part_event_change_work, part.tag);
}

void reset_parts() {
    LoadStatusStore& store = load_status_store();
    store.names.clear();
    store.name_pointers.clear();
    store.statuses.clear();
}

// ---- test interface ---------------------------------------------------------
int load_part_file(const std::string& path, tag_t* part) {
    Part* loaded = nullptr;
    int code = load_part(path, &loaded);
    if (part != nullptr) *part = code == 0 ? loaded->tag : NULL_TAG;
    return code;
}

int save_part_file(tag_t part, const std::string& path) {
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    std::string error;
    return write_part_file(*p, path, error);
}

std::string last_load_error() {
    return last_part_file_error();
}

}  // namespace standin

using namespace standin;

extern "C" {

int RQ_PART_open(const char* part_name, tag_t* part, RQ_PART_load_status_t* status) {
    std::string name = part_name != nullptr ? part_name : "";
    LoadReport report;
    if (int code = fault_code_for_name("RQ_PART_open", name)) {
        fill_load_status(status, report, code, name);
        return code;
    }
    if (part_name == nullptr || part == nullptr) return RQ_err_bad_argument;
    const bool already = find_loaded_part(name) != nullptr;
    Part* opened = nullptr;
    int code = load_part(name, &opened, &report);
    fill_load_status(status, report, code, name);
    if (code != 0) return code;
    if (!already && find_part(opened->tag) != nullptr)
        fire_part_event(part_event_open, opened->tag);
    session().display_part = opened->tag;
    make_work_part(*opened);
    *part = opened->tag;
    return 0;
}

int RQ_PART_close_all(void) {
    if (int code = fault_code("RQ_PART_close_all")) return code;
    std::vector<tag_t> parts;
    for (auto& p : session().parts) parts.push_back(p->tag);
    for (tag_t tag : parts) fire_part_event(part_event_close, tag);
    unload_all_parts();
    return 0;
}

tag_t RQ_ASSEM_ask_work_part(void) {
    if (fault_code("RQ_ASSEM_ask_work_part")) return NULL_TAG;
    return session().work_part;
}

int RQ_ASSEM_set_work_part(tag_t part) {
    if (int code = fault_code("RQ_ASSEM_set_work_part", part)) return code;
    Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    make_work_part(*p);
    return 0;
}

tag_t RQ_PART_ask_display_part(void) {
    if (fault_code("RQ_PART_ask_display_part")) return NULL_TAG;
    return session().display_part;
}

int RQ_PART_ask_part_name(tag_t part, char name[256]) {
    if (int code = fault_code("RQ_PART_ask_part_name", part)) return code;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    if (name == nullptr) return RQ_err_bad_argument;
    copy_out(name, max_part_name + 1, p->name);
    return 0;
}

int RQ_PART_ask_description(tag_t part, char** description) {
    if (int code = fault_code("RQ_PART_ask_description", part)) return code;
    if (description == nullptr) return RQ_err_bad_argument;
    *description = nullptr;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    if (p->description) *description = host_strdup(*p->description);
    return 0;
}

}  // extern "C"
