// Named timer slots: every slot that carries a name is started and stopped by
// that name; the statistic lists the accumulated real time of each named slot.
#include "utils/named_timers.hpp"

#include "utils/run_log.hpp"

#include "common/text_buffer.hpp"
#include "pelk/pelk_general_util.hpp"

#include <rq/rq.h>

#include <cstring>

namespace {

constexpr std::size_t kTimerNameSize = 132;  // 131 characters

char timer_names[TIMER_SLOTS][kTimerNameSize] = {};
std::size_t timer_name_lengths[TIMER_SLOTS] = {};
unsigned short timer_ids[TIMER_SLOTS] = {};
double timer_values[TIMER_SLOTS][2] = {};
double timer_seconds[TIMER_SLOTS] = {};
int timer_counts[TIMER_SLOTS] = {};
bool timer_running[TIMER_SLOTS] = {};  // the slot's host timer is still running

bool valid_slot(int slot) {
    return slot >= 0 && slot < TIMER_SLOTS;
}

// The length and the first byte sort out most slots before the whole name
// is compared.
bool slot_carries(int slot, const char* name, std::size_t length) {
    return timer_name_lengths[slot] == length && timer_names[slot][0] == name[0] &&
           std::memcmp(timer_names[slot], name, length) == 0;
}

// A slot started again before its stop ends its host timer unrecorded, so
// no host timer is left running (the host has a limited number of them).
void start_slot(int slot) {
    if (timer_running[slot]) {
        double discarded[2] = {0.0, 0.0};
        RQ_end_timer(timer_ids[slot], discarded);
    }
    timer_running[slot] = RQ_begin_timer(&timer_ids[slot]) == 0;
}

constexpr const char kStatisticLine[] = "\n%d.) %s   %lf sec  [%d]";

}  // namespace

// A slot number outside the table is ignored.
void set_timer_name(const char* name, int slot) {
    if (!valid_slot(slot)) return;
    copy_text(timer_names[slot], name != nullptr ? name : "");
    timer_name_lengths[slot] = std::strlen(timer_names[slot]);
    timer_seconds[slot] = 0.0;
    timer_counts[slot] = 0;
}

int start_named_timer(const char* name) {
    if (name == nullptr || name[0] == '\0') return -1;
    const std::size_t length = std::strlen(name);
    for (int slot = 0; slot < TIMER_SLOTS; ++slot) {
        if (slot_carries(slot, name, length)) start_slot(slot);
    }
    return 0;
}

// A stop the host cannot measure adds nothing to the seconds.
int stop_named_timer(const char* name) {
    if (name == nullptr || name[0] == '\0') return -1;
    const std::size_t length = std::strlen(name);
    for (int slot = 0; slot < TIMER_SLOTS; ++slot) {
        if (!slot_carries(slot, name, length)) continue;
        double values[2] = {0.0, 0.0};
        RQ_end_timer(timer_ids[slot], values);
        timer_running[slot] = false;
        timer_values[slot][0] = values[0];
        timer_values[slot][1] = values[1];
        timer_seconds[slot] += values[1];
        ++timer_counts[slot];
    }
    return 0;
}

int log_timer_statistic() {
    write_log(log_file_in_use, "\nStatistic:");
    for (int slot = 0; slot < TIMER_SLOTS; ++slot) {
        if (timer_names[slot][0] == '\0') continue;
        write_log(log_file_in_use, kStatisticLine, slot, timer_names[slot], timer_seconds[slot],
                  timer_counts[slot]);
    }
    return 0;
}

int print_timer_statistic() {
    pelk_printf_nl("Statistic:");
    for (int slot = 0; slot < TIMER_SLOTS; ++slot) {
        if (timer_names[slot][0] == '\0') continue;
        pelk_printf_nl(kStatisticLine, slot, timer_names[slot], timer_seconds[slot],
                       timer_counts[slot]);
    }
    return 0;
}

double ask_timer_seconds(int slot) {
    return valid_slot(slot) ? timer_seconds[slot] : 0.0;
}

int ask_timer_count(int slot) {
    return valid_slot(slot) ? timer_counts[slot] : 0;
}

void reset_named_timers() {
    for (int slot = 0; slot < TIMER_SLOTS; ++slot) {
        timer_names[slot][0] = '\0';
        timer_name_lengths[slot] = 0;
        timer_ids[slot] = 0;
        timer_values[slot][0] = timer_values[slot][1] = 0.0;
        timer_seconds[slot] = 0.0;
        timer_counts[slot] = 0;
        timer_running[slot] = false;
    }
}
