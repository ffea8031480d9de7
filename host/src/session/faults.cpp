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

bool parse_fault(const nlohmann::json& item, FaultEntry& entry, Refusal& refusal, FaultTexts texts,
                 KnownKeys keys) {
    const auto refuse = [&refusal](std::string place, std::string reason) {
        refusal = {std::move(place), std::move(reason)};
        return false;
    };
    if (!item.is_object()) return refuse("", "expected an object");
    if (const std::string* key = first_unknown_key(item, keys))
        return refuse(key_place("", *key), "unknown key");
    auto call = item.find("call");
    auto code = item.find("code");
    std::string call_name;
    std::string reason;
    if (call == item.end() || !call->is_string() || call->get<std::string>().empty())
        return refuse("call", "expected the name of a call");
    if (!fault_text(*call, texts, call_name, reason)) return refuse("call", reason);
    if (code == item.end() || !code->is_number_integer())
        return refuse("code", "expected a whole number");
    entry = FaultEntry{};
    entry.call = std::move(call_name);
    entry.code = code->get<int>();
    if (auto h = item.find("handle"); h != item.end()) {
        if (!fault_text(*h, texts, entry.handle, reason)) return refuse("handle", reason);
    }
    if (auto t = item.find("times"); t != item.end()) {
        if (!t->is_number_integer()) return refuse("times", "expected a whole number");
        entry.times = t->get<int>();
    }
    if (auto k = item.find("skip"); k != item.end()) {
        if (!k->is_number_integer() || k->get<int>() < 0)
            return refuse("skip", "expected a whole number of 0 or more");
        entry.skip = k->get<int>();
    }
    if (auto x = item.find("exception"); x != item.end()) {
        if (!x->is_string() || (*x != "kavo" && *x != "other"))
            return refuse("exception", "expected \"kavo\" or \"other\"");
        entry.foreign = *x == "other";
    }
    return true;
}

// The file named by KAVOHOST_FAULTS: a refused file is ignored whole, a
// refused entry is left out; each gives one line (refusals.hpp), on
// standard error in every program.
void load_env_faults() {
    if (env_faults_loaded) return;
    env_faults_loaded = true;
    const char* file = std::getenv("KAVOHOST_FAULTS");
    if (file == nullptr || *file == '\0') return;
    const auto refuse = [file](const Refusal& refusal) {
        report_refusal("fault table", file, refusal, RefusalEcho::always);
    };
    std::string bytes;
    std::size_t too_deep_at = 0;
    if (auto problem = read_json_file(file, bytes, JsonFileKinds::regular, &too_deep_at);
        problem != JsonFileProblem::none) {
        refuse(json_file_refusal(problem, bytes, too_deep_at));
        return;
    }
    nlohmann::json doc;
    Refusal refusal;
    if (!parse_json_text(bytes, doc, refusal)) {  // refuses texts that are not valid UTF-8
        refuse(refusal);
        return;
    }
    if (!doc.is_array()) {
        refuse({"", "expected a list of fault entries"});
        return;
    }
    for (std::size_t i = 0; i < doc.size(); ++i) {
        FaultEntry entry;
        if (parse_fault(doc[i], entry, refusal, FaultTexts::utf8)) {
            add_fault(std::move(entry));
        } else {
            refuse({join_place(index_place("", i), refusal.place), refusal.reason});
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
    for (std::size_t i = 0; i < fault_table.size(); ++i) {
        FaultEntry entry;
        Refusal refusal;
        if (!parse_fault(fault_table[i], entry, refusal, FaultTexts::session))
            throw std::invalid_argument(join_place(index_place("", i), refusal.place) + ": " +
                                        refusal.reason);
        parsed.push_back(std::move(entry));
    }
    for (auto& entry : parsed) add_fault(std::move(entry));
}

}  // namespace standin
