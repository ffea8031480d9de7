// Timers: 16-bit handles, processor and elapsed real seconds. A fixed clock
// (set_fixed_clock or KAVOHOST_CLOCK) makes every interval the same length.
#include <standin/testing.hpp>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <vector>

#include "session/faults.hpp"
#include "session/session_internal.hpp"

namespace standin {
namespace {

struct Timer {
    bool running = false;
    double cpu_start = 0.0;
    std::chrono::steady_clock::time_point real_start{};
    // Links of the list the handle is on: the running timers in start order,
    // or the free handles in the order they were ended. 0 ends a list.
    unsigned short prev = 0;
    unsigned short next = 0;
};

constexpr std::size_t slot_count = 65536;  // handle 0 is never given

std::vector<Timer>& timers() {
    static std::vector<Timer> slots(slot_count);
    return slots;
}

// A list of handles threaded through the slots; every step is O(1).
struct HandleList {
    unsigned short first = 0;
    unsigned short last = 0;

    void push_back(unsigned short handle) {
        auto& slots = timers();
        slots[handle].prev = last;
        slots[handle].next = 0;
        if (last != 0) {
            slots[last].next = handle;
        } else {
            first = handle;
        }
        last = handle;
    }

    void remove(unsigned short handle) {
        auto& slots = timers();
        Timer& t = slots[handle];
        if (t.prev != 0) {
            slots[t.prev].next = t.next;
        } else {
            first = t.next;
        }
        if (t.next != 0) {
            slots[t.next].prev = t.prev;
        } else {
            last = t.prev;
        }
        t.prev = t.next = 0;
    }
};

HandleList running_list;  // oldest first
HandleList free_list;     // handles ended, the last ended at the end: given first
// Handles never given since the last reset: next_fresh and above, given in
// ascending order once free_list is empty. A reset clears only the slots
// below it, so a session's reset costs what its timers used.
std::size_t next_fresh = 1;
int running_count = 0;
std::optional<double> clock_override;

// The processor clock is a system call, so it is read at most once a
// millisecond of real time: processor seconds have a resolution of about a
// millisecond (a host's processor clock is coarser still).
double cpu_seconds(std::chrono::steady_clock::time_point now) {
    static double sampled_seconds = 0.0;
    static std::chrono::steady_clock::time_point sampled_at{};
    if (now - sampled_at >= std::chrono::milliseconds(1) || now < sampled_at) {
        sampled_seconds = static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
        sampled_at = now;
    }
    return sampled_seconds;
}

std::optional<double> clock_of_environment() {
    const char* env = std::getenv("KAVOHOST_CLOCK");
    if (env == nullptr || *env == '\0') return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(env, &end);
    if (end == env || value < 0) return std::nullopt;
    return value;
}

// KAVOHOST_CLOCK as the session's first timer end read it.
std::optional<std::optional<double>> environment_clock;

// The fixed interval length, when the clock is fixed.
std::optional<double> fixed_interval() {
    if (clock_override) {
        if (*clock_override < 0) return std::nullopt;
        return clock_override;
    }
    if (!environment_clock) environment_clock = clock_of_environment();
    return *environment_clock;
}

// Never-ended timers are tolerated; when every handle is taken the oldest
// running timer gives its handle up. The handle ended last is given first,
// so a few handles serve a program that ends its timers; 1 is given first.
unsigned short take_handle() {
    unsigned short handle = free_list.last;
    if (handle != 0) {
        free_list.remove(handle);
    } else if (next_fresh < slot_count) {
        handle = static_cast<unsigned short>(next_fresh++);
    } else {
        handle = running_list.first;
        running_list.remove(handle);
        timers()[handle].running = false;
        --running_count;
    }
    return handle;
}

}  // namespace

void set_fixed_clock(double seconds_per_interval) {
    clock_override = seconds_per_interval;
}

int running_timers() {
    return running_count;
}

void reset_timers() {
    auto& slots = timers();
    for (std::size_t handle = 1; handle < next_fresh; ++handle) slots[handle] = Timer{};
    next_fresh = 1;
    running_list = HandleList{};
    free_list = HandleList{};
    running_count = 0;
    clock_override.reset();
    environment_clock.reset();
}

}  // namespace standin

using namespace standin;

extern "C" {

int RQ_begin_timer(unsigned short* timer) {
    if (int code = fault_code("RQ_begin_timer")) return code;
    if (timer == nullptr) return RQ_err_bad_argument;
    unsigned short handle = take_handle();
    running_list.push_back(handle);
    ++running_count;
    Timer& t = timers()[handle];
    t.running = true;
    t.real_start = std::chrono::steady_clock::now();
    t.cpu_start = cpu_seconds(t.real_start);
    *timer = handle;
    return 0;
}

int RQ_end_timer(unsigned short timer, double values[2]) {
    if (int code = fault_code("RQ_end_timer")) return code;
    if (values == nullptr) return RQ_err_bad_argument;
    Timer& t = timers()[timer];
    if (timer == 0 || !t.running) {
        values[0] = values[1] = 0.0;
        return RQ_err_bad_argument;
    }
    if (auto fixed = fixed_interval()) {
        values[0] = values[1] = *fixed;
    } else {
        const auto now = std::chrono::steady_clock::now();
        values[0] = cpu_seconds(now) - t.cpu_start;
        values[1] = std::chrono::duration<double>(now - t.real_start).count();
    }
    t.running = false;
    running_list.remove(timer);
    free_list.push_back(timer);
    --running_count;
    return 0;
}

}  // extern "C"
