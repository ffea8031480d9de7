// Faults on demand: every RQ_ call asks here first and, when a fault is set
// for it, returns the fault's code instead of doing its work.
#pragma once

#include <rq/rq.h>

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

#include "session/refusals.hpp"

namespace standin {

struct FaultEntry {
    std::string call;  // RQ_ function name
    int code = 0;
    std::string handle;    // empty: any object; else an object handle, a part file name or part id
    int times = -1;        // < 0: every call; else used up after that many calls
    int skip = 0;          // matching calls that pass before the fault first fires
    bool foreign = false;  // object interface: throw an exception that is no KavoException
};

// True while the table holds an entry, and before the file named by
// KAVOHOST_FAULTS has been read, so that it is in force from a process's
// first call on.
extern bool faults_set;

int lookup_fault(const char* call, tag_t object);
int lookup_fault_by_name(const char* call, std::string_view name);

// The code to fail `call` with (about `object`, when the call concerns one),
// or 0. Costs one flag test while no fault is set.
inline int fault_code(const char* call, tag_t object = NULL_TAG) {
    return faults_set ? lookup_fault(call, object) : 0;
}
// The same for calls that name a part rather than pass a tag (RQ_PART_open).
inline int fault_code_for_name(const char* call, std::string_view name) {
    return faults_set ? lookup_fault_by_name(call, name) : 0;
}

// The object interface's faults: a set fault for `call` (e.g.
// "KavoObjectManager::Get") makes the member throw KavoException with the
// code in its message, or std::runtime_error for an entry marked foreign.
void throw_on_fault(const char* call, tag_t object, int line, const char* source_file);

void add_fault(FaultEntry entry);
// Where the texts of a fault entry come from: a file (UTF-8, converted to
// session texts) or a table built in memory by a test (session texts already).
enum class FaultTexts { utf8, session };
// The keys of an entry of every fault table; a part file's entries may also
// name their `object` or `part` (part_file.cpp).
inline constexpr std::string_view fault_keys[] = {"call",  "code", "handle",
                                                  "times", "skip", "exception"};
// Reads one entry of the fault-table syntax; false when malformed, with the
// refusal (its place relative to the entry). Keys outside `keys` are refused.
bool parse_fault(const nlohmann::json& item, FaultEntry& entry, Refusal& refusal, FaultTexts texts,
                 KnownKeys keys = fault_keys);
// Reads the file named by KAVOHOST_FAULTS once per process (again after a reset).
void load_env_faults();
void reset_faults();

// Fail-message texts of codes other host files introduce.
void add_fail_message(int code, std::string text);

}  // namespace standin
