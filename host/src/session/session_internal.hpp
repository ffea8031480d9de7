// Reset entry points of the host's own files, called by reset_session.
#pragma once

namespace standin {

void run_reset_hooks();
void reset_records();  // syslog.cpp, listing.cpp
void reset_listing();
void clear_listing_entries();
void reset_timers();    // timers.cpp
void reset_settings();  // settings.cpp
void reset_parts();     // parts.cpp

}  // namespace standin
