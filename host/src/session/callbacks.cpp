// Part-event callbacks: the registry of RQ_add_callback_function and the
// dispatcher that the host's own operations (open, close, save, modify,
// change of work part) and the host program raise events through.
#include <dlfcn.h>

#include <kavoopen/kavoopen.hpp>
#include <standin/testing.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>

#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/session_internal.hpp"

namespace standin {
namespace {

constexpr int first_reason = RQ_create_part_reason;
constexpr int last_reason = RQ_post_save_as_part_reason;

struct Registration {
    int reason = 0;
    RQ_callback_fn_t fn = nullptr;
    void* user_data = nullptr;
    RQ_registration_id_t id = 0;
};

struct Registry {
    std::vector<Registration> entries;
    RQ_registration_id_t next_id = 1;
    std::vector<CallbackCall> calls;
    std::vector<std::pair<int, tag_t>> events;
    int depth = 0;
};

Registry& registry() {
    static auto* the_registry = new Registry();  // valid during static destruction
    return *the_registry;
}

bool still_registered(RQ_registration_id_t id) {
    const auto& entries = registry().entries;
    return std::any_of(entries.begin(), entries.end(),
                       [id](const Registration& r) { return r.id == id; });
}

void report_escaped(const CallbackCall& call) {
    std::fprintf(stderr, "kavohost: part-event callback %u (reason %d) threw: %s\n", call.id,
                 call.reason, call.exception.c_str());
}

// Calls one callback; an exception must not reach the host's caller, so it is
// caught here and recorded.
CallbackCall call_one(const Registration& entry, tag_t part) {
    CallbackCall call;
    call.reason = entry.reason;
    call.part = part;
    call.id = entry.id;
    call.depth = registry().depth;
    const tag_t part_tag = part;  // application_data points to it
    try {
        call.result = entry.fn(entry.reason, &part_tag, entry.user_data);
    } catch (const KavoOpen::KavoException& e) {
        call.threw = true;
        call.exception = std::string(e.Message()) + " (line " + std::to_string(e.SourceLine()) +
                         " of " + e.SourceFile() + ")";
    } catch (const std::exception& e) {
        call.threw = true;
        call.exception = e.what();
    } catch (...) {
        call.threw = true;
        call.exception = "unknown exception";
    }
    if (call.threw) report_escaped(call);
    return call;
}

// Re-entrant: a callback may raise further events (open a part, modify it);
// the registrations are taken as they stand when the event is raised, and
// one removed meanwhile is skipped.
void dispatch(int reason, tag_t part) {
    Registry& r = registry();
    r.events.emplace_back(reason, part);
    std::vector<Registration> due;
    for (const auto& entry : r.entries) {
        if (entry.reason == reason) due.push_back(entry);
    }
    ++r.depth;
    for (const auto& entry : due) {
        if (!still_registered(entry.id)) continue;
        CallbackCall call = call_one(entry, part);
        registry().calls.push_back(std::move(call));
    }
    --r.depth;
}

void reset_registry() {
    Registry& r = registry();
    r.entries.clear();
    r.next_id = 1;
    r.calls.clear();
    r.events.clear();
    r.depth = 0;
}

struct Installer {
    Installer() {
        set_part_event_hook(dispatch);
        add_reset_hook(reset_registry);
    }
} installer;

}  // namespace

const std::vector<CallbackCall>& callback_calls() {
    return registry().calls;
}

void clear_callback_calls() {
    registry().calls.clear();
    registry().events.clear();
}

const std::vector<std::pair<int, tag_t>>& raised_events() {
    return registry().events;
}

int registered_callbacks(int reason) {
    const auto& entries = registry().entries;
    if (reason < 0) return static_cast<int>(entries.size());
    return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                          [reason](const auto& e) { return e.reason == reason; }));
}

void raise_part_event(int reason, tag_t part) {
    if (reason < first_reason || reason > last_reason) return;
    dispatch(reason, part);
}

int remove_callbacks_of_object(const void* address) {
    Dl_info object{};
    if (address == nullptr || dladdr(address, &object) == 0) return 0;
    auto& entries = registry().entries;
    const auto before = entries.size();
    std::erase_if(entries, [&](const Registration& entry) {
        Dl_info info{};
        return dladdr(reinterpret_cast<const void*>(entry.fn), &info) != 0 &&
               info.dli_fbase == object.dli_fbase;
    });
    return static_cast<int>(before - entries.size());
}

}  // namespace standin

using namespace standin;

extern "C" {

int RQ_add_callback_function(int reason, RQ_callback_fn_t fn, void* user_data,
                             RQ_registration_id_t* id) {
    if (int code = fault_code("RQ_add_callback_function")) return code;
    if (reason < first_reason || reason > last_reason || fn == nullptr) return RQ_err_bad_argument;
    // A host before 10 knows no post-save-as event: the reason is none of its own.
    if (reason == RQ_post_save_as_part_reason && !has_post_save_as_event())
        return RQ_err_bad_argument;
    Registry& r = registry();
    Registration entry{reason, fn, user_data, r.next_id++};
    r.entries.push_back(entry);
    if (id != nullptr) *id = entry.id;
    return 0;
}

}  // extern "C"
