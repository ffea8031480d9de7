// Reset entry points of the host's own files, called by reset_session.
#pragma once

#include <rq/rq.h>

namespace standin {

void run_reset_hooks();
void reset_records();  // syslog.cpp, listing.cpp
// Puts what the syslog holds back into its file: at the end of a session and
// for whoever asks for the file name (to read it).
void flush_syslog();
void reset_listing();
void clear_listing_entries();
void reset_timers();    // timers.cpp
void reset_settings();  // settings.cpp
void reset_parts();     // parts.cpp

// Session settings a host takes from its environment (settings.cpp): the
// assembly load options over `options` (KAVOHOST_ASSEM_OPTIONS) and a pattern
// flag over `flag` (KAVOHOST_PATTERN_ARCHIVING, KAVOHOST_PATTERN_SHADING).
void apply_env_assem_options(RQ_ASSEM_options_t& options);
void apply_env_flag(const char* variable, logical& flag);

// The host release the build acts as, spelt as the build switch spells it
// ("CR2212", "7.5"; build_release.cpp).
const char* build_release();
// Whether the host the session acts as (its release text) has the
// post-save-as event: hosts before 10 have none (settings.cpp).
bool has_post_save_as_event();

}  // namespace standin
