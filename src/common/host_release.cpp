// The behaviour table of the host releases.
#include "common/host_release.hpp"

#include "common/run_settings.hpp"

#include <iterator>
#include <string_view>

#ifndef KVTX_HOST_RELEASE_NAME
#define KVTX_HOST_RELEASE_NAME "CR2212"
#endif

namespace {

constexpr int kPartNameSize = 3469;
constexpr int kShortPartNameSize = 257;

// Release line V2.0.1.27: in-host plug-in only, without callbacks.
constexpr HostReleaseTraits legacy_plugin(HostRelease release, const char* name,
                                          const char* console_label, const char* plugin_label,
                                          bool snapshot) {
    return {release,
            name,
            "KavoTalvex",
            console_label,
            plugin_label,
            /*console_program*/ false,
            /*run_log*/ false,
            /*echo_result_line*/ true,
            /*max_assembly_level_line*/ false,
            /*console_minor_release*/ false,
            /*part_family_lines*/ false,
            /*lock_queries*/ false,
            /*feature_display_names*/ false,
            /*assembly_level_filter*/ false,
            /*mating_conditions*/ true,
            /*jump_over_line*/ false,
            /*displayed_texts*/ false,
            /*annotations_from_part*/ false,
            LineWidthAction::none,
            /*delete_attributes_action*/ false,
            snapshot,
            /*callback_modes*/ false,
            /*post_save_as_event*/ false,
            kPartNameSize};
}

// Release lines V2.0.2.41 and V3-001: console program and plug-in.
constexpr HostReleaseTraits current(HostRelease release, const char* name, const char* program_name,
                                    const char* console_label, const char* plugin_label) {
    return {release,
            name,
            program_name,
            console_label,
            plugin_label,
            /*console_program*/ true,
            /*run_log*/ true,
            /*echo_result_line*/ false,
            /*max_assembly_level_line*/ true,
            /*console_minor_release*/ false,
            /*part_family_lines*/ true,
            /*lock_queries*/ true,
            /*feature_display_names*/ true,
            /*assembly_level_filter*/ true,
            /*mating_conditions*/ false,
            /*jump_over_line*/ true,
            /*displayed_texts*/ true,
            /*annotations_from_part*/ false,
            LineWidthAction::set_map,
            /*delete_attributes_action*/ true,
            /*drawing_snapshot*/ true,
            /*callback_modes*/ true,
            /*post_save_as_event*/ true,
            kPartNameSize};
}

constexpr HostReleaseTraits v2(HostRelease release, const char* name, const char* console_label,
                               const char* plugin_label) {
    return current(release, name, "KavoTalvex", console_label, plugin_label);
}

constexpr HostReleaseTraits v3(HostRelease release, const char* name, const char* console_label,
                               const char* plugin_label) {
    return current(release, name, "TalvexForKavo", console_label, plugin_label);
}

// Hosts 9 and 8.5: no post-save-as event, short part names in the callbacks,
// the line-width action only checks, no "Jump Over" line.
constexpr HostReleaseTraits v2_early(HostReleaseTraits row) {
    row.post_save_as_event = false;
    row.callback_part_name_size = kShortPartNameSize;
    row.line_width_action = LineWidthAction::check_only;
    row.jump_over_line = false;
    return row;
}

constexpr HostReleaseTraits without_displayed_texts(HostReleaseTraits row) {
    row.displayed_texts = false;
    return row;
}

constexpr HostReleaseTraits annotations_from_part(HostReleaseTraits row) {
    row.annotations_from_part = true;
    return row;
}

constexpr HostReleaseTraits console_minor_release(HostReleaseTraits row) {
    row.console_minor_release = true;
    return row;
}

// clang-format off
constexpr HostReleaseTraits kTable[] = {
    legacy_plugin(HostRelease::R4, "4", "V2.0.1.27 (Kavo 4)", "V2.0.1.27 (Kavo 4) (intern)", false),
    legacy_plugin(HostRelease::R5, "5", "V2.0.1.27 (Kavo 5)", "V2.0.1.27 (Kavo 5) (intern)", false),
    legacy_plugin(HostRelease::R6, "6", "V2.0.1.27 (Kavo 6)", "V2.0.1.27 (Kavo 6) (intern)", false),
    legacy_plugin(HostRelease::R7, "7", "V2.0.1.27 (Kavo 7)", "V2.0.1.27 (Kavo 7) (intern)", false),
    legacy_plugin(HostRelease::R7_5, "7.5", "V2.0.1.27 (Kavo 7.5)", "V2.0.1.27 (Kavo 7.5) (intern)", true),
    without_displayed_texts(v2_early(
        v2(HostRelease::R8_5, "8.5", "V2.0.2.41 (Kavo 8.5)", "V2.0.2.41 (Kavo 8.5) (intern)"))),
    annotations_from_part(v2_early(
        v2(HostRelease::R9, "9", "V2.0.2.41 (Kavo 9)", "V2.0.2.41 (Kavo 9) (intern)"))),
    annotations_from_part(v2(HostRelease::R10, "10", "V2.0.2.41 (Kavo 10)", "V2.0.2.41 (Kavo 10) (intern)")),
    annotations_from_part(v2(HostRelease::R11, "11", "V2.0.2.41 (Kavo 11)", "V2.0.2.41 (Kavo 11) (intern)")),
    v2(HostRelease::R12, "12", "V2.0.2.41 (Kavo 12)", "V2.0.2.41 (Kavo 12) (intern)"),
    v2(HostRelease::CR1880, "CR1880", "V2.0.2.41 (Kavo CR1880)", "V2.0.2.41 (Kavo CR1880) (intern)"),
    v2(HostRelease::CR1926, "CR1926", "V2.0.2.41 (Kavo CR1926)", "V2.0.2.41 (Kavo CR1926) (intern)"),
    v2(HostRelease::CR1980, "CR1980", "V2.0.2.41 (Kavo CR1980)", "V2.0.2.41 (Kavo CR1980) (intern)"),
    console_minor_release(
        v3(HostRelease::CR2007, "CR2007", "V3-001 (Kavo CR2007)", "V3-001 (Kavo CR2007) (intern)")),
    console_minor_release(
        v3(HostRelease::CR2212, "CR2212", "V3-001 (Kavo CR2212)", "V3-001 (Kavo CR2212) (intern)")),
    v3(HostRelease::CR2306, "CR2306", "V3-001 (Kavo CR2306)", "V3-001 (Kavo CR2306) (intern)"),
    v3(HostRelease::CR2312, "CR2312", "V3-001 (Kavo CR2312)", "V3-001 (Kavo CR2312) (intern)"),
};
// clang-format on

static_assert(std::size(kTable) == static_cast<std::size_t>(HostRelease::CR2312) + 1);

constexpr const HostReleaseTraits* row_named(const char* name) {
    for (const auto& row : kTable)
        if (std::string_view(row.name) == name) return &row;
    return nullptr;
}

constexpr const HostReleaseTraits* kBuildRow = row_named(KVTX_HOST_RELEASE_NAME);
static_assert(kBuildRow != nullptr, "KVTX_HOST_RELEASE names no known host release");

const HostReleaseTraits* selected_row = kBuildRow;

constexpr const char* release_label(const HostReleaseTraits& row) {
#ifdef KAVOTALVEX_PLUGIN
    return row.plugin_label;
#else
    return row.console_label;
#endif
}

}  // namespace

constinit const char* program_name = kBuildRow->program_name;
constinit const char* program_release = release_label(*kBuildRow);

const HostReleaseTraits& host_release() {
    return *selected_row;
}

std::span<const HostReleaseTraits> host_release_table() {
    return kTable;
}

const HostReleaseTraits* find_host_release(const char* name) {
    return name != nullptr ? row_named(name) : nullptr;
}

void select_host_release(HostRelease release) {
    selected_row = &kTable[static_cast<std::size_t>(release)];
    program_name = selected_row->program_name;
    program_release = release_label(*selected_row);
}

void reset_host_release() {
    select_host_release(kBuildRow->release);
}
