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
    unsigned long long started = 0;  // start order, to retire the oldest
};

constexpr std::size_t slot_count = 65536;  // handle 0 is never given

std::vector<Timer>& timers() {
    static std::vector<Timer> slots(slot_count);
    return slots;
}

unsigned short next_handle = 1;
std::size_t running_count = 0;
unsigned long long start_counter = 0;
std::optional<double> clock_override;

double cpu_seconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// The fixed interval length, when the clock is fixed.
std::optional<double> fixed_interval() {
    if (clock_override) {
        if (*clock_override < 0) return std::nullopt;
        return clock_override;
    }
    const char* env = std::getenv("KAVOHOST_CLOCK");
    if (env == nullptr || *env == '\0') return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(env, &end);
    if (end == env || value < 0) return std::nullopt;
    return value;
}

// Never-ended timers are tolerated; when every handle is taken the oldest
// running timer gives its handle up.
unsigned short free_handle() {
    auto& slots = timers();
    if (running_count + 1 >= slot_count) {
        std::size_t oldest = 0;
        for (std::size_t i = 1; i < slot_count; ++i) {
            if (slots[i].running && (oldest == 0 || slots[i].started < slots[oldest].started)) {
                oldest = i;
            }
        }
        slots[oldest].running = false;
        --running_count;
        return static_cast<unsigned short>(oldest);
    }
    while (next_handle == 0 || slots[next_handle].running) ++next_handle;
    return next_handle++;
}

}  // namespace

void set_fixed_clock(double seconds_per_interval) {
    clock_override = seconds_per_interval;
}

void reset_timers() {
    for (auto& t : timers()) t = Timer{};
    next_handle = 1;
    running_count = 0;
    start_counter = 0;
    clock_override.reset();
}

}  // namespace standin

using namespace standin;

extern "C" {

int RQ_begin_timer(unsigned short* timer) {
    if (int code = fault_code("RQ_begin_timer")) return code;
    if (timer == nullptr) return RQ_err_bad_argument;
    unsigned short handle = free_handle();
    Timer& t = timers()[handle];
    t.running = true;
    t.cpu_start = cpu_seconds();
    t.real_start = std::chrono::steady_clock::now();
    t.started = ++start_counter;
    ++running_count;
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
        values[0] = cpu_seconds() - t.cpu_start;
        values[1] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t.real_start).count();
    }
    t.running = false;
    --running_count;
    return 0;
}

}  // extern "C"
