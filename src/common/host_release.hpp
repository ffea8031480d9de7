// The host releases this tool is built for, and what each build does
// differently. One row per release; the build's own row is chosen by the
// build switch KVTX_HOST_RELEASE. Everything that differs between the builds
// at run time is read from the row through host_release(); only the host's
// record layouts and the exported entries differ at compile time
// (KAVOHOST_LEGACY_RECORDS, see rq.h).
#pragma once

#include <span>

enum class HostRelease {
    R4,
    R5,
    R6,
    R7,
    R7_5,  // release line V2.0.1.27, plug-in only
    R8_5,
    R9,
    R10,
    R11,
    R12,
    CR1880,
    CR1926,
    CR1980,  // release line V2.0.2.41
    CR2007,
    CR2212,
    CR2306,
    CR2312,  // release line V3-001
};

// What a line-width callback action does with the three legacy variables.
enum class LineWidthAction {
    none,        // no such action
    check_only,  // read, trace and check the variables, never set the map
    set_map,     // read, check and set the line-width map
};

struct HostReleaseTraits {
    HostRelease release;
    const char* name;           // as the build switch spells it: "CR2212", "7.5"
    const char* program_name;   // "TalvexForKavo" or "KavoTalvex"
    const char* console_label;  // release label; the plug-in adds " (intern)"
    const char* plugin_label;
    bool console_program;  // a console program is built for this release

    // Run log and result file
    bool run_log;           // the plug-in creates no run log when false
    bool echo_result_line;  // each result line also goes to standard output as "\n%s"

    // Report header
    bool max_assembly_level_line;
    bool console_minor_release;  // KavoVersion carries the minor release (console only)

    // Part header
    bool part_family_lines;
    bool lock_queries;  // LockStatus and OverwriteLock asked of the host, else 0

    // Model data
    bool feature_display_names;  // else "N/A" and IsBrowseable 0

    // Assembly data
    bool assembly_level_filter;
    bool mating_conditions;  // Mating block, matrix from orientation and origin

    // Entity section and displayed texts
    bool jump_over_line;
    bool displayed_texts;        // else the DisplayedTexts element is written empty
    bool annotations_from_part;  // annotation manager from KavoOpen::Part::Annotations

    // Callback actions
    LineWidthAction line_width_action;
    bool delete_attributes_action;

    // Batch driver, check run, entries
    bool drawing_snapshot;        // else "Snapshot: Drawing snapshot not supported"
    bool callback_modes;          // rqsta, callbacks, callback modes, journal step, traces
    bool post_save_as_event;      // the ninth callback
    int callback_part_name_size;  // bytes of a part name in the callbacks
};

// The row of the release this build is for, unless a test selected another.
const HostReleaseTraits& host_release();
// Every row, in the order of HostRelease.
std::span<const HostReleaseTraits> host_release_table();
// The row of a release spelt as the build switch spells it; nullptr if unknown.
const HostReleaseTraits* find_host_release(const char* name);
// Selects the row host_release() answers (tests; reset_process_state restores the build's).
void select_host_release(HostRelease release);
void reset_host_release();
