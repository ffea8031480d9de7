// The fault table: entries set by tests, read from part files and from the
// file named by KAVOHOST_FAULTS.
#include "session/faults.hpp"

#include <kavoopen/kavoopen.hpp>
#include <standin/testing.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "parts/store.hpp"
#include "session/json_input.hpp"
#include "session/text_encoding.hpp"

namespace standin {

bool faults_set = true;  // until the KAVOHOST_FAULTS file has been read

namespace {

std::vector<FaultEntry>& table() {
    static std::vector<FaultEntry> entries;
    return entries;
}

bool env_faults_loaded = false;
bool foreign_fault_fired = false;  // the entry that fired last asks for a foreign exception

bool matches_tag(const std::string& handle, tag_t object) {
    if (handle.empty()) return true;
    if (const Object* o = find_object(object)) return o->handle == handle;
    if (const Part* p = find_part(object)) {
        return p->name == handle || p->path == handle || p->part_id == handle;
    }
    return false;
}

// Takes the entry's code and uses one of its calls up; a call it still
// skips passes (0).
int fire(std::size_t index) {
    auto& entries = table();
    if (entries[index].skip > 0) {
        --entries[index].skip;
        return 0;
    }
    int code = entries[index].code;
    foreign_fault_fired = entries[index].foreign;
    if (entries[index].times > 0 && --entries[index].times == 0) {
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index));
        faults_set = !entries.empty();
    }
    return code;
}

// The first entry for the call that matches and is not skipping fires. An
// entry of code 0 used up on the way is erased, and the next one takes its place.
template <typename Matches>
int lookup(const char* call, Matches matches) {
    if (!env_faults_loaded) load_env_faults();
    auto& entries = table();
    for (std::size_t i = 0; i < entries.size();) {
        if (entries[i].call != call || !matches(entries[i].handle)) {
            ++i;
            continue;
        }
        const std::size_t before = entries.size();
        if (int code = fire(i)) return code;
        if (entries.size() == before) ++i;
    }
    faults_set = !entries.empty();
    return 0;
}

}  // namespace

int lookup_fault(const char* call, tag_t object) {
    return lookup(call,
                  [object](const std::string& handle) { return matches_tag(handle, object); });
}

int lookup_fault_by_name(const char* call, std::string_view name) {
    return lookup(call,
                  [name](const std::string& handle) { return handle.empty() || handle == name; });
}

void throw_on_fault(const char* call, tag_t object, int line, const char* source_file) {
    const int code = fault_code(call, object);
    if (code == 0) return;
    const std::string message = std::string(call) + " failed (error " + std::to_string(code) + ")";
    if (foreign_fault_fired) {
        foreign_fault_fired = false;
        throw std::runtime_error(message);
    }
    throw KavoOpen::KavoException(message, line, source_file);
}

void add_fault(FaultEntry entry) {
    if (entry.times == 0) return;
    table().push_back(std::move(entry));
    faults_set = true;
}

namespace {

// A text of a fault entry as the session holds it.
bool fault_text(const nlohmann::json& value, FaultTexts texts, std::string& out,
                std::string& error) {
    if (texts == FaultTexts::utf8) return session_text(value, out, error);
    if (!value.is_string()) {
        error = "is not a text";
        return false;
    }
    out = value.get<std::string>();
    return true;
}

}  // namespace

bool parse_fault(const nlohmann::json& item, FaultEntry& entry, std::string& error,
                 FaultTexts texts) {
    if (!item.is_object()) {
        error = "a fault entry is not an object";
        return false;
    }
    auto call = item.find("call");
    auto code = item.find("code");
    std::string call_name;
    std::string reason;
    if (call == item.end() || !call->is_string() || call->get<std::string>().empty()) {
        error = "a fault entry has no call name";
        return false;
    }
    if (!fault_text(*call, texts, call_name, reason)) {
        error = "fault call name " + reason;
        return false;
    }
    if (code == item.end() || !code->is_number_integer()) {
        error = "fault for " + call_name + " has no integer code";
        return false;
    }
    entry = FaultEntry{};
    entry.call = std::move(call_name);
    entry.code = code->get<int>();
    if (auto h = item.find("handle"); h != item.end()) {
        if (!fault_text(*h, texts, entry.handle, reason)) {
            error = "fault handle " + reason;
            return false;
        }
    }
    if (auto t = item.find("times"); t != item.end()) {
        if (!t->is_number_integer()) {
            error = "fault times is not an integer";
            return false;
        }
        entry.times = t->get<int>();
    }
    if (auto k = item.find("skip"); k != item.end()) {
        if (!k->is_number_integer() || k->get<int>() < 0) {
            error = "fault skip is not a count";
            return false;
        }
        entry.skip = k->get<int>();
    }
    if (auto x = item.find("exception"); x != item.end()) {
        if (!x->is_string() || (*x != "kavo" && *x != "other")) {
            error = "fault exception is neither \"kavo\" nor \"other\"";
            return false;
        }
        entry.foreign = *x == "other";
    }
    return true;
}

void load_env_faults() {
    if (env_faults_loaded) return;
    env_faults_loaded = true;
    const char* file = std::getenv("KAVOHOST_FAULTS");
    if (file == nullptr || *file == '\0') return;
    std::string bytes;
    switch (read_json_file(file, bytes)) {
        case JsonFileProblem::none:
            break;
        case JsonFileProblem::too_deep:
            std::fprintf(stderr, "kavohost: fault file %s nests deeper than %zu levels; ignored\n",
                         file, kMaxJsonNesting);
            return;
        case JsonFileProblem::missing:
            std::fprintf(stderr, "kavohost: fault file %s is missing; ignored\n", file);
            return;
        default:
            std::fprintf(stderr, "kavohost: fault file %s cannot be read; ignored\n", file);
            return;
    }
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(bytes);  // refuses texts that are not valid UTF-8
    } catch (const nlohmann::json::exception& e) {
        std::fprintf(stderr, "kavohost: fault file %s is not valid JSON (%s); ignored\n", file,
                     e.what());
        return;
    }
    if (!doc.is_array()) {
        std::fprintf(stderr, "kavohost: fault file %s is not a JSON array; ignored\n", file);
        return;
    }
    for (const auto& item : doc) {
        FaultEntry entry;
        std::string error;
        if (parse_fault(item, entry, error, FaultTexts::utf8)) {
            add_fault(std::move(entry));
        } else {
            std::fprintf(stderr, "kavohost: fault file %s: %s; entry ignored\n", file,
                         error.c_str());
        }
    }
}

void reset_faults() {
    table().clear();
    env_faults_loaded = false;
    faults_set = true;  // the file is read again at the next call
}

// ---- test interface ---------------------------------------------------------
void set_fault(const std::string& call, int code, const std::string& handle, int times) {
    add_fault(FaultEntry{call, code, handle, times});
}

void clear_faults() {
    table().clear();
    env_faults_loaded = true;
    faults_set = false;
}

void load_faults(const nlohmann::json& fault_table) {
    if (!fault_table.is_array()) throw std::invalid_argument("fault table is not a JSON array");
    std::vector<FaultEntry> parsed;
    for (const auto& item : fault_table) {
        FaultEntry entry;
        std::string error;
        if (!parse_fault(item, entry, error, FaultTexts::session))
            throw std::invalid_argument(error);
        parsed.push_back(std::move(entry));
    }
    for (auto& entry : parsed) add_fault(std::move(entry));
}

}  // namespace standin
