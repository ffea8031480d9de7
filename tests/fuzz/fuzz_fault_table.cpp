// The fault-table reader (the file named by KAVOHOST_FAULTS): an entry the
// entry reader accepts is in force, one it refuses is ignored, and a file that
// is no JSON array sets nothing. The table in force must fire as its entries
// say: the first entry of a call not skipping fires, and is used up after
// its number of calls.
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "session/faults.hpp"
#include "session/json_input.hpp"
#include "session/refusals.hpp"

namespace {

// The entries the file puts in force, read independently of the loader.
std::vector<standin::FaultEntry> expected_entries(const std::string& bytes) {
    std::vector<standin::FaultEntry> entries;
    if (standin::nesting_overflow(bytes) != std::string::npos) return entries;
    const nlohmann::json doc = nlohmann::json::parse(bytes, nullptr, false);
    if (doc.is_discarded() || !doc.is_array()) return entries;
    for (const auto& item : doc) {
        standin::FaultEntry entry;
        standin::Refusal refusal;
        if (standin::parse_fault(item, entry, refusal, standin::FaultTexts::utf8)) {
            FUZZ_CHECK(!entry.call.empty(), "an entry without a call was accepted");
            if (entry.times != 0) entries.push_back(entry);
        } else {
            FUZZ_CHECK(!refusal.reason.empty(), "an entry was refused without a reason");
        }
    }
    return entries;
}

// A call by name that concerns no object: the entries for the call without a
// handle take part, in table order.
int model_lookup(std::vector<standin::FaultEntry>& entries, const std::string& call) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        standin::FaultEntry& entry = entries[i];
        if (entry.call != call || !entry.handle.empty()) continue;
        if (entry.skip > 0) {
            --entry.skip;
            continue;
        }
        const int code = entry.code;
        if (entry.times > 0 && --entry.times == 0) {
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
            --i;
        }
        if (code != 0) return code;
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("KAVOHOST_FAULTS", kvtx_fuzz::temp_path("faults.json").c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    kvtx_fuzz::write_file(kvtx_fuzz::temp_path("faults.json"), bytes);
    kvtx_fuzz::reset_state();  // the file is read again at the next call
    std::vector<standin::FaultEntry> model = expected_entries(bytes);
    std::vector<std::string> calls;
    for (const auto& entry : model)
        if (calls.size() < 8 && std::find(calls.begin(), calls.end(), entry.call) == calls.end())
            calls.push_back(entry.call);
    calls.push_back("RQ_no_such_call");
    for (int round = 0; round < 3; ++round) {
        for (const std::string& call : calls) {
            const int expected = model_lookup(model, call);
            const int got = standin::fault_code_for_name(call.c_str(), "");
            FUZZ_CHECK(got == expected, "call %s round %d: fault %d, table says %d", call.c_str(),
                       round, got, expected);
        }
    }
    kvtx_fuzz::reset_state();
    return 0;
}
