// Part header section of the report: the name under which the part is loaded,
// its save history, units, family status, description, the session's pattern
// settings, its attributes and expressions.
#include "utils/part_header.hpp"

#include <rq/rq.h>

#include <kavoopen/kavoopen.hpp>

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/part_history.hpp"
#include "utils/run_log.hpp"
#include "utils/text_fields.hpp"
#include "utils/xml_writer.hpp"

namespace {

constexpr int kLineCreateHistory = 1836;
constexpr int kLineClearHistory = 1837;
constexpr int kLineAskHistory = 1838;
constexpr int kLineCountHistory = 1839;
constexpr int kLineReadAttribute = 1480;

constexpr int kAnyAttributeType = 6;
constexpr int kNotReadForWantOfObject = 4711;

constexpr char kElementIndent[] = "          ";  // 10 blanks
constexpr char kHistoryIndent[] = "      ";      // 6 blanks

const char* text_or_empty(const char* text) {
    return text != nullptr ? text : "";
}

void write_attribute_value(const RQ_ATTR_value_t& value) {
    const char* file = glob_xml_file;
    switch (value.type) {
        case RQ_ATTR_integer:
            write_xml_element(file, kElementIndent, "Value", "%d", value.value.integer);
            break;
        case RQ_ATTR_real:
            write_xml_element(file, kElementIndent, "Value", "%lf", value.value.real);
            break;
        case RQ_ATTR_time:
            write_xml_element(file, kElementIndent, "Value", "%d %d", value.value.time[0],
                              value.value.time[1]);
            break;
        case RQ_ATTR_null:
            write_xml_element(file, kElementIndent, "Value", "%s", "Null_Attribute");
            break;
        case RQ_ATTR_string:
            write_xml_element(file, kElementIndent, "Value", "%s",
                              text_or_empty(value.value.string));
            break;
        case RQ_ATTR_boolean:
            write_xml_element(file, kElementIndent, "Value", "%d", value.value.byte);
            break;
        default:
            write_xml_element(file, kElementIndent, "Value", "%s", "Unknown_Attribute");
            break;
    }
}

void write_one_attribute(const char* title, const RQ_ATTR_value_t& value) {
    const char* file = glob_xml_file;
    write_xml_line(file, "        <Attribute>");
    write_xml_element(file, kElementIndent, "Titel", "%s", title);
    write_attribute_value(value);
    write_xml_element(file, kElementIndent, "Type", "%d", value.type);

    // Releases without lock queries report every attribute unlocked.
    logical locked = 0;
    if (host_release().lock_queries) {
        tag_t part_attribute = NULL_TAG;
        RQ_ATTR_ask_part_attribute(&part_attribute);
        RQ_ATTR_ask_locked(part_attribute, title, &locked);
    }
    write_xml_element(file, kElementIndent, "LockStatus", "%d", locked);
    write_xml_line(file, "        </Attribute>");
}

void write_one_expression(tag_t expression) {
    const char* file = glob_xml_file;
    char* text = nullptr;
    RQ_MODL_ask_exp_tag_string(expression, &text);

    static char name[XML_BUFSIZE];
    static char value[XML_BUFSIZE];
    get_nth_field(text_or_empty(text), 0, '=', name);
    get_nth_field(text_or_empty(text), 1, '=', value);

    write_xml_line(file, "        <Expression>");
    write_xml_line(file, "          <Name>%s</Name>", name);
    write_xml_element(file, kElementIndent, "Value", "%s", value);
    RQ_free(text);

    double real_value = 0.0;
    RQ_MODL_ask_exp_tag_value(expression, &real_value);
    write_xml_line(file, "          <RealValue>%lf</RealValue>", real_value);
    write_xml_line(file, "          <OverwriteLock>%d</OverwriteLock>",
                   ask_expression_no_edit(name));
    write_xml_line(file, "        </Expression>");
}

}  // namespace

int write_cli_name() {
    char part_name[256] = "";
    RQ_PART_ask_part_name(RQ_ASSEM_ask_work_part(), part_name);

    char cli_name[516];
    if (PELK_Is_VrelManager_Active()) {
        char part_number[256] = "";
        char rev_id[256] = "";
        char file_type[256] = "";
        char file_name[256] = "";
        RQ_VRELMGR_decode_part_filename(part_name, part_number, rev_id, file_type, file_name);
        format_text(cli_name, sizeof cli_name, "@DB/%s/%s/%s/%s", part_number, rev_id, file_type,
                    file_name);
    } else {
        copy_text(cli_name, part_name);
    }
    return write_xml_line(glob_xml_file, "      <CliName>[%s]</CliName>", cli_name);
}

int write_part_history() {
    const std::vector<PartHistoryEntry> entries = read_part_history(
        {kLineCreateHistory, kLineClearHistory, kLineAskHistory, kLineCountHistory});
    write_xml_line(glob_xml_file, "      <PartHistoryNum>%d</PartHistoryNum>",
                   static_cast<int>(entries.size()));
    int number = 0;
    for (const PartHistoryEntry& entry : entries) {
        char element[256];
        format_text(element, sizeof element, "PartHistory_%d", ++number);
        // The host's three texts in reverse order: machine, user, program.
        write_xml_element(glob_xml_file, kHistoryIndent, element, "%d %s %s %s %s", entry.version,
                          entry.date.c_str(), entry.machine.c_str(), entry.user.c_str(),
                          entry.program.c_str());
    }
    return 0;
}

int write_part_units() {
    int units = 0;
    RQ_PART_ask_units(RQ_ASSEM_ask_work_part(), &units);
    if (units == RQ_PART_METRIC)
        return write_xml_line(glob_xml_file, "      <Units>%s</Units>", "METRIC");
    if (units == RQ_PART_ENGLISH) {
        return write_xml_line(glob_xml_file, "      <Units>%s</Units>", "ENGLISH");
    }
    return write_xml_line(glob_xml_file, "      <Units>%d</Units>", units);
}

int write_part_family() {
    const char* file = glob_xml_file;
    logical is_template = 0;
    logical is_instance = 0;
    RQ_PART_is_family_template(RQ_ASSEM_ask_work_part(), &is_template);
    RQ_PART_is_family_instance(RQ_ASSEM_ask_work_part(), &is_instance);
    if (is_template != 1) {
        return write_xml_line(file, "      <PartFamilyStatus>%s</PartFamilyStatus>",
                              is_instance == 1 ? "PFC" : "");
    }

    write_xml_line(file, "      <PartFamilyStatus>%s</PartFamilyStatus>", "PFT");
    int count = 0;
    tag_t* families = nullptr;
    RQ_PART_ask_families(RQ_ASSEM_ask_work_part(), &count, &families);
    write_xml_line(file, "      <PartFamilyCount>%d</PartFamilyCount>", count);
    for (int index = 0; families != nullptr && index < count; ++index) {
        RQ_FAM_data_t data{};
        RQ_FAM_ask_family_data(families[index], &data);
        write_xml_line(file, "      <PartFamilyName>%s</PartFamilyName>", text_or_empty(data.name));
        write_xml_line(file, "      <PartFamilyMemberCount>%d</PartFamilyMemberCount>",
                       data.member_count);
        write_xml_line(file, "      <PartFamilyAttributeCount>%d</PartFamilyAttributeCount>",
                       data.attribute_count);
        RQ_FAM_free_family_data(&data);
    }
    RQ_free(families);
    return 0;
}

int write_part_description() {
    char* description = nullptr;
    RQ_PART_ask_description(RQ_ASSEM_ask_work_part(), &description);
    const bool missing = description == nullptr || description[0] == '\0';
    const int result = write_xml_line(glob_xml_file, "      <PartDescription>%s</PartDescription>",
                                      missing ? "No_description" : description);
    RQ_free(description);
    return result;
}

int write_pattern_flags() {
    logical archiving = 0;
    logical shading = 0;
    RQ_PATT_is_archiving_on(&archiving);
    RQ_PATT_is_shading_on(&shading);
    write_xml_line(glob_xml_file, archiving != 0
                                      ? "      <PatternArchiving>ON</PatternArchiving>"
                                      : "      <PatternArchiving>OFF</PatternArchiving>");
    return write_xml_line(glob_xml_file, shading != 0
                                             ? "      <PatternShading>ON</PatternShading>"
                                             : "      <PatternShading>OFF</PatternShading>");
}

int write_part_attributes() {
    append_line_to_file(glob_xml_file, "      <Attributes>");
    const tag_t work_part = RQ_ASSEM_ask_work_part();
    int count = 0;
    RQ_ATTR_count_attributes(work_part, kAnyAttributeType, &count);
    if (work_part != NULL_TAG && count != 0) {
        int index = 0;
        while (true) {
            char title[256] = "";
            RQ_ATTR_value_t value{};
            // A failing step would hand back the same index for ever: stop there.
            if (RQ_ATTR_cycle(work_part, &index, kAnyAttributeType, title, &value) != 0) break;
            if (index == 0) break;
            write_one_attribute(title, value);
        }
    }
    return append_line_to_file(glob_xml_file, "      </Attributes>");
}

int write_part_expressions() {
    append_line_to_file(glob_xml_file, "      <Expressions>");
    int count = 0;
    tag_t* expressions = nullptr;
    RQ_MODL_ask_exps_of_part(RQ_ASSEM_ask_work_part(), &count, &expressions);
    for (int index = 0; expressions != nullptr && index < count; ++index) {
        write_one_expression(expressions[index]);
    }
    RQ_free(expressions);
    return append_line_to_file(glob_xml_file, "      </Expressions>");
}

int ask_expression_no_edit(const char* expression_name) {
    if (expression_name == nullptr) return 0;
    try {
        KavoOpen::Session* session = KavoOpen::Session::GetSession();
        KavoOpen::BasePart* work_part = session != nullptr ? session->Parts()->Work() : nullptr;
        if (work_part == nullptr) return 0;
        if (!host_release().lock_queries) {
            // Looked up, never asked: these releases report no expression locked.
            work_part->Expressions()->FindObject(KavoOpen::KavoString(expression_name));
            return 0;
        }
        KavoOpen::Expression* expression = work_part->Expressions()->FindObject(expression_name);
        return expression != nullptr && expression->IsNoEdit() ? 1 : 0;
    } catch (const KavoOpen::KavoException&) {
        // No expression of that name (its text did not name it plainly): not locked.
        return 0;
    }
}

int read_string_attribute(tag_t object, const char* title, char* out, std::size_t out_size) {
    if (out != nullptr && out_size > 0) out[0] = '\0';
    if (object == NULL_TAG || title == nullptr || RQ_OBJ_ask_status(object) != RQ_OBJ_ALIVE) {
        return kNotReadForWantOfObject;
    }
    // The host writes up to 255 characters into the text it is given.
    char text[256] = "";
    RQ_ATTR_value_t value{};
    value.type = RQ_ATTR_string;
    value.value.string = text;
    const int code = check_rq_result(RQ_ATTR_read_value(object, title, RQ_ATTR_string, &value),
                                     kLineReadAttribute, kUtilsUnit);
    if (out != nullptr && out_size > 0) copy_text(out, out_size, text);
    return code;
}

int write_part_header() {
    append_line_to_file(glob_xml_file, "    <PartHeader>");
    write_cli_name();
    write_part_history();
    write_part_units();
    if (host_release().part_family_lines) write_part_family();
    write_part_description();
    write_pattern_flags();
    write_part_attributes();
    write_part_expressions();
    return append_line_to_file(glob_xml_file, "    </PartHeader>");
}
