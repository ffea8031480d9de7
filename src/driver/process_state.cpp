// One reset for every process global of the check tool.
#include "driver/process_state.hpp"

#include <algorithm>
#include <iterator>

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "driver/interactive_entry.hpp"
#include "driver/part_callbacks.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/named_timers.hpp"
#include "utils/run_log.hpp"

void reset_process_state() {
    reset_host_release();
    reset_run_settings();
    reset_run_log_state();
    pelk_reset_state_for_tests();
    reset_named_timers();
    set_post_command_runner(nullptr);
    std::fill(std::begin(callback_registration_ids), std::end(callback_registration_ids),
              RQ_registration_id_t{});
}
