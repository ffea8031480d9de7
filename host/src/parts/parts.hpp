// Opening and loading parts; hooks for the files that extend part loading.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "parts/store.hpp"

namespace standin {

// ---- HOOK: names that are not native file paths -------------------------------
// The PDM part names go through this resolver before a part is opened: it
// returns 0 and fills `path` (and the PDM key) when it takes the name, -1 when
// the name is not of its kind (the name is then a native path), or a positive
// code to refuse the open.
using PartNameResolver = int (*)(const std::string& name, std::string& path,
                                 std::optional<PdmKey>& pdm);
void set_part_name_resolver(PartNameResolver resolver);

// ---- HOOK: after a part file was read -----------------------------------------
// Runs once for every part newly read into the session (by RQ_PART_open and by
// load_part), e.g. to load the child parts of its components and make their
// occurrences. Child parts that fail go into the report.
struct LoadReport {
    std::vector<std::pair<std::string, int>> failures;  // file name, code
};
using PartLoadedHook = void (*)(Part& part, LoadReport& report);
void set_part_loaded_hook(PartLoadedHook hook);

// The loaded part of that opening name or file, or null.
Part* find_loaded_part(const std::string& name);

// Loads a part (a native path or a name the resolver takes) unless it is
// loaded already; does not change the work part. Returns 0 or the open's code.
int load_part(const std::string& name, Part** part, LoadReport* report = nullptr);

// Makes a loaded part the work part (raising the change event when it changes).
void make_work_part(Part& part);

}  // namespace standin
