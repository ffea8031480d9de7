// Named section timers and their statistic.
#pragma once

constexpr int TIMER_SLOTS = 20;

void set_timer_name(const char* name, int slot);
int start_named_timer(const char* name);
int stop_named_timer(const char* name);
int log_timer_statistic();
int print_timer_statistic();

// Accumulated seconds and stop count of a slot (0 for a slot outside the table).
double ask_timer_seconds(int slot);
int ask_timer_count(int slot);
// Empties every slot, as at process start.
void reset_named_timers();
