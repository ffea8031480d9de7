// Report header (program, run and host data) and closing section of the XML
// report. Values here are written as the settings and the host give them,
// unescaped.
#include "utils/report_frame.hpp"

#include "utils/run_log.hpp"
#include "utils/xml_writer.hpp"

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "pelk/pelk_general_util.hpp"

#include <rq/rq.h>

namespace {

constexpr const char kXmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
constexpr const char kRootOpening[] =
    "<Dispatra_TalvexData xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">";

// One header line: a fixed text, or a format with one text or one number;
// a line with a switch is written only by the releases that have it.
struct HeaderLine {
    const char* format;
    const char* text = nullptr;
    const int* number = nullptr;
    bool HostReleaseTraits::*only_when = nullptr;
};

// The program's name and label are the release's; they are read when written.
const HeaderLine kRunLines[] = {
    {"  <BuildDate>%s</BuildDate>", build_date_time},
    {"  <CustomLicense>%s</CustomLicense>", "unknown"},
    {" </ProgramData>"},
    {" <RunData>"},
    {"  <StartLoadPartDateTime>%s</StartLoadPartDateTime>", start_load_part_date_time},
    {"  <EndLoadPartDateTime>%s</EndLoadPartDateTime>", end_load_part_date_time},
    {"  <StartLoadPartMemoryAllocation>%s</StartLoadPartMemoryAllocation>", start_load_part_memory},
    {"  <EndLoadPartMemoryAllocation>%s</EndLoadPartMemoryAllocation>", end_load_part_memory},
    {"  <Action>%s</Action>", action_list},
    {"  <DetailOption>%s</DetailOption>", detail_option},
    {"  <MaxAssemblyLevel>%d</MaxAssemblyLevel>", nullptr, &global_max_assembly_level,
     &HostReleaseTraits::max_assembly_level_line},
    {"  <StartUpdateDateTime>%s</StartUpdateDateTime>", start_update_date_time},
    {"  <UpdateAllFeaturesReturnValue>%d</UpdateAllFeaturesReturnValue>", nullptr,
     &update_all_features_result},
    {"  <UpdateAllFeaturesViaReplayReturnValue>%d</UpdateAllFeaturesViaReplayReturnValue>", nullptr,
     &feature_replay_result},
    {"  <StructureSyncReturnValue>%d</StructureSyncReturnValue>", nullptr, &structure_sync_result},
    {"  <UpdateAllViewsReturnValue>%d</UpdateAllViewsReturnValue>", nullptr,
     &update_all_views_result},
    {"  <EndUpdateDateTime>%s</EndUpdateDateTime>", end_update_date_time},
};

void write_header_line(const HeaderLine& line) {
    if (line.only_when != nullptr && !(host_release().*line.only_when)) return;
    if (line.number != nullptr) {
        write_xml_line(glob_xml_file, line.format, *line.number);
    } else if (line.text != nullptr) {
        write_xml_line(glob_xml_file, line.format, line.text);
    } else {
        append_line_to_file(glob_xml_file, line.format);
    }
}

// Assembly load options: one line per field; most fields show the name of the
// host constant for their value in square brackets.
constexpr int kLabelRows = 5;
using LabelRow = const char* const[kLabelRows];

struct LoadOptionLine {
    const char* format;
    int RQ_ASSEM_options_t::*field;
    const char* const* labels;  // kLabelRows entries, or nullptr for a plain value
};

LabelRow kLoadOptionsLabels = {"RQ_ASSEM_load_from_directory", "RQ_ASSEM_load_from_search_dirs",
                               "RQ_ASSEM_load_as_saved", "", ""};
LabelRow kUpdateLabels = {"RQ_ASSEM_no_update_report", "RQ_ASSEM_update_report", "", "", ""};
LabelRow kEmphasizeLabels = {"RQ_ASSEM_do_not_emphasize_wp", "RQ_ASSEM_emphasize_wp", "", "", ""};
LabelRow kFailureActionLabels = {"RQ_ASSEM_do_abort_on_failure", "RQ_ASSEM_dont_abort_on_failure",
                                 "", "", ""};
LabelRow kMaintainWorkPartLabels = {"RQ_ASSEM_dont_maintain_work_part",
                                    "RQ_ASSEM_do_maintain_work_part", "", "", ""};
LabelRow kLoadLatestLabels = {"RQ_ASSEM_load_exact_version", "RQ_ASSEM_load_latest_version", "", "",
                              ""};
LabelRow kLoadComponentsLabels = {"RQ_ASSEM_dont_load_components", "RQ_ASSEM_do_load_components",
                                  "RQ_ASSEM_use_last_component_set", "RQ_ASSEM_use_last_filter",
                                  "RQ_ASSEM_specify_filter"};
LabelRow kLoadFullyLabels = {"RQ_ASSEM_load_components_partially", "RQ_ASSEM_load_components_fully",
                             "", "", ""};
LabelRow kLoadSubstitutionLabels = {"RQ_ASSEM_dont_allow_substitution",
                                    "RQ_ASSEM_do_allow_substitution", "", "", ""};
LabelRow kApplyToAllLevelsLabels = {"RQ_ASSEM_dont_apply_to_all_levels",
                                    "RQ_ASSEM_do_apply_to_all_levels", "", "", ""};
LabelRow kLoadWaveDataLabels = {"RQ_ASSEM_default_load_behaviour", "RQ_ASSEM_load_wave_data", "",
                                "", ""};
LabelRow kLoadWaveParentsLabels = {"RQ_ASSEM_none", "RQ_ASSEM_immediate", "RQ_ASSEM_all", "", ""};

// The interpart-data field is not written (the legacy record has none).
const LoadOptionLine kLoadOptionLines[] = {
    {"    <load_options>%d [%s]</load_options>", &RQ_ASSEM_options_t::load_options,
     kLoadOptionsLabels},
    {"    <parts_list>%d</parts_list>", &RQ_ASSEM_options_t::parts_list, nullptr},
    {"    <update>%d [%s]</update>", &RQ_ASSEM_options_t::update, kUpdateLabels},
    {"    <emphasize>%d [%s]</emphasize>", &RQ_ASSEM_options_t::emphasize, kEmphasizeLabels},
    {"    <emphasize_color>%d</emphasize_color>", &RQ_ASSEM_options_t::emphasize_color, nullptr},
    {"    <failure_action>%d [%s]</failure_action>", &RQ_ASSEM_options_t::failure_action,
     kFailureActionLabels},
    {"    <maintain_work_part>%d [%s]</maintain_work_part>",
     &RQ_ASSEM_options_t::maintain_work_part, kMaintainWorkPartLabels},
    {"    <load_latest>%d [%s]</load_latest>", &RQ_ASSEM_options_t::load_latest, kLoadLatestLabels},
    {"    <load_components>%d [%s]</load_components>", &RQ_ASSEM_options_t::load_components,
     kLoadComponentsLabels},
    {"    <load_fully>%d [%s]</load_fully>", &RQ_ASSEM_options_t::load_fully, kLoadFullyLabels},
    {"    <load_substitution>%d [%s]</load_substitution>", &RQ_ASSEM_options_t::load_substitution,
     kLoadSubstitutionLabels},
    {"    <apply_to_all_levels>%d [%s]</apply_to_all_levels>",
     &RQ_ASSEM_options_t::apply_to_all_levels, kApplyToAllLevelsLabels},
    {"    <load_wave_data>%d [%s]</load_wave_data>", &RQ_ASSEM_options_t::load_wave_data,
     kLoadWaveDataLabels},
    {"    <load_wave_parents>%d [%s]</load_wave_parents>", &RQ_ASSEM_options_t::load_wave_parents,
     kLoadWaveParentsLabels},
};

// Values without a row (below 0, above 4) get an empty label, as the empty rows do.
const char* label_for(const char* const* labels, int value) {
    if (value < 0 || value >= kLabelRows) return "";
    return labels[value];
}

// A record the host did not fill shows -1 with empty labels in every field.
RQ_ASSEM_options_t unknown_load_options() {
    RQ_ASSEM_options_t options;
    for (const LoadOptionLine& line : kLoadOptionLines) options.*line.field = -1;
#ifndef KAVOHOST_LEGACY_RECORDS
    options.load_interpart_data = -1;
#endif
    return options;
}

void write_kavo_release(const char* file_name) {
    char* release_text = nullptr;
    RQ_get_release(&release_text);
    if (release_text == nullptr) return;
    write_xml_line(file_name, "   <KavoRelease>%s</KavoRelease>", release_text);
    RQ_free(release_text);
}

// Only the console builds of some releases report the minor release; every
// other build, the plug-in always, writes 0 as the minor.
bool reports_minor_release() {
#ifdef KAVOTALVEX_PLUGIN
    return false;
#else
    return host_release().console_minor_release;
#endif
}

void write_kavo_version(const char* file_name) {
    int minor = 0;
    int major = 0;
    if (reports_minor_release()) {
        minor = -1;
        major = pelk_ask_release(&minor);
    } else {
        major = pelk_ask_release(nullptr);
    }
    write_xml_line(file_name, "   <KavoVersion>%d.%d</KavoVersion>", major, minor);
}

void write_syslog_file_name(const char* file_name) {
    char* syslog_name = nullptr;
    RQ_ask_syslog_filename(&syslog_name);
    write_xml_line(file_name, "   <KavoSyslogfilename>%s</KavoSyslogfilename>",
                   syslog_name != nullptr ? syslog_name : "");
    if (syslog_name != nullptr) RQ_free(syslog_name);
}

}  // namespace

int write_xml_header() {
    append_line_to_file(glob_xml_file, kXmlDeclaration);
    append_line_to_file(glob_xml_file, kRootOpening);
    append_line_to_file(glob_xml_file, " <ProgramData>");
    write_xml_line(glob_xml_file, "  <ProgramName>%s</ProgramName>", program_name);
    write_xml_line(glob_xml_file, "  <ProgramRelease>%s</ProgramRelease>", program_release);
    for (const HeaderLine& line : kRunLines) write_header_line(line);
    char now[STAMP_BUFSIZE];
    get_current_time(now);
    write_xml_line(glob_xml_file, "  <StartDateTime>%s</StartDateTime>", now);
    append_line_to_file(glob_xml_file, " </RunData>");

    append_line_to_file(glob_xml_file, " <KavoData>");
    write_kavo_release(glob_xml_file);
    write_kavo_version(glob_xml_file);
    write_syslog_file_name(glob_xml_file);
    write_assembly_load_options(glob_xml_file);
    append_line_to_file(glob_xml_file, " </KavoData>");
    append_line_to_file(glob_xml_file, " <TalvexData>");
    return 0;
}

int write_assembly_load_options(const char* file_name) {
    RQ_ASSEM_options_t options = unknown_load_options();
    RQ_ASSEM_ask_assem_options(&options);
    append_line_to_file(file_name, "   <AssemblyLoadOptions>");
    for (const LoadOptionLine& line : kLoadOptionLines) {
        const int value = options.*line.field;
        if (line.labels != nullptr) {
            write_xml_line(file_name, line.format, value, label_for(line.labels, value));
        } else {
            write_xml_line(file_name, line.format, value);
        }
    }
    append_line_to_file(file_name, "   </AssemblyLoadOptions>");
    return 0;
}

int write_xml_end() {
    append_line_to_file(glob_xml_file, " </TalvexData>");
    append_line_to_file(glob_xml_file, " <RunDataPerformance>");
    char now[STAMP_BUFSIZE];
    get_current_time(now);
    write_xml_line(glob_xml_file, "  <EndDateTime>%s</EndDateTime>", now);
    append_line_to_file(glob_xml_file, " </RunDataPerformance>");
    append_line_to_file(glob_xml_file, "</Dispatra_TalvexData>");
    return 0;
}
