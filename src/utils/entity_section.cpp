// The entity section: every object of the work part whose type the detail
// option selects, with its identity and, for drafting objects and
// dimensions, placement, associativity, text blocks and displayed texts.
#include "utils/entity_section.hpp"

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/displayed_texts.hpp"
#include "utils/named_timers.hpp"
#include "utils/run_log.hpp"
#include "utils/text_fields.hpp"
#include "utils/xml_writer.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kTypeTableSize = 1000;
constexpr int kFieldSize = 256;
constexpr int kNameSize = 256;
constexpr int kExpressionTextSize = 10000;
constexpr std::size_t kLongestTextLine = 511;
constexpr int kLineJumpOver = 3124;
constexpr int kLineAssociativity = 3134;
constexpr int kSpecialDraftingSubtype = 37;
constexpr int kFirstUnassociatedSubtype = 4;

int selected_types[kTypeTableSize];

const char* text_or_null(const char* text) {
    return text != nullptr ? text : "(null)";
}

// A field selects the type it reads as in the manner of "%d", when that
// lies in 1 to 999.
void select_type_of_field(const char* field) {
    if (field[0] == '\0') return;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(field, &end, 10);
    if (end == field || errno == ERANGE) return;
    if (value >= 1 && value < kTypeTableSize) selected_types[value] = 1;
}

void select_types_of_detail_option() {
    std::memset(selected_types, 0, sizeof selected_types);
    const int fields = count_detail_options();
    char field[kFieldSize];
    for (int i = 0; i < fields; ++i) {
        get_nth_field(detail_option, i, ',', field);
        select_type_of_field(field);
    }
}

bool is_selected(int type) {
    return type >= 1 && type < kTypeTableSize && selected_types[type] != 0;
}

void write_origin(const double origin[3]) {
    write_xml_line(glob_xml_file, "            <X>%lf</X>", origin[0]);
    write_xml_line(glob_xml_file, "            <Y>%lf</Y>", origin[1]);
    write_xml_line(glob_xml_file, "            <Z>%lf</Z>", origin[2]);
}

void write_placement(tag_t object) {
    double origin[3] = {0.0, 0.0, 0.0};
    RQ_DRF_ask_origin(object, origin);
    write_xml_line(glob_xml_file, "            <Origin>");
    write_origin(origin);
    write_xml_line(glob_xml_file, "            </Origin>");
    write_xml_line(glob_xml_file, "            <TextboxOrigin>");
    write_origin(origin);
    write_xml_line(glob_xml_file, "            </TextboxOrigin>");
    write_xml_line(glob_xml_file, "            <TextboxLength>%lf</TextboxLength>", 0.0);
    write_xml_line(glob_xml_file, "            <TextboxHeight>%lf</TextboxHeight>", 0.0);
}

void write_associated_object(const char* format, tag_t associated) {
    start_named_timer("associativity_data->assoc_object");
    const char* handle = RQ_OBJ_ask_status(associated) > 0
                             ? text_or_null(RQ_TAG_ask_handle_of_tag(associated))
                             : "(null)";
    write_xml_line(glob_xml_file, format, handle);
    stop_named_timer("associativity_data->assoc_object");
}

// Drafting objects of subtype 4 and above are not asked for associativity,
// except by the releases that jump over none.
void write_associativity(int type, int subtype, tag_t object) {
    int count = 0;
    RQ_DRF_assoc_data_t* records = nullptr;
    if (host_release().jump_over_line && type == RQ_drafting_entity_type &&
        subtype >= kFirstUnassociatedSubtype) {
        pelk_syslog_printf("%d %s Jump Over %d/%d\n", kLineJumpOver, kUtilsUnit, type, subtype);
    } else {
        stop_named_timer("Entity_general_info");
        start_named_timer("RQ_DRF_ask_associativity_data");
        check_rq_result(RQ_DRF_ask_associativity_data(object, &count, &records), kLineAssociativity,
                        kUtilsUnit);
        stop_named_timer("RQ_DRF_ask_associativity_data");
    }
    write_xml_line(glob_xml_file, "            <AssociativesNum>%d</AssociativesNum>", count);
    if (count > 0 && records != nullptr) {
        write_associated_object("             <AssocEnt1>%s</AssocEnt1>", records[0].first_object);
        write_associated_object("             <AssocEnt2>%s</AssocEnt2>", records[0].second_object);
    }
    RQ_free(records);
}

// A line's Text element: the sketch dimension's value when the object is
// one, else the line itself.
void write_text_line(tag_t object, const char* line) {
    start_named_timer("RQ_SKET_ask_dim_status");
    tag_t expression = NULL_TAG;
    static char expression_text[kExpressionTextSize];
    expression_text[0] = '\0';
    double value = 0.0;
    int status = -1;
    if (RQ_SKET_ask_dim_status(object, &expression, expression_text, &value, &status) == 0) {
        write_xml_element(glob_xml_file, "                ", "Text", "%lf", value);
    } else {
        write_xml_element(glob_xml_file, "                ", "Text", "%s", line);
    }
    stop_named_timer("RQ_SKET_ask_dim_status");
}

void write_text_block(tag_t object, const RQ_DRF_text_block_t& block) {
    write_xml_line(glob_xml_file, "              <TextInfo>");
    write_xml_line(glob_xml_file, "               <TextType>%d</TextType>", block.text_type);
    write_xml_line(glob_xml_file, "               <TextFont>%d</TextFont>", block.text_font);
    write_xml_line(glob_xml_file, "               <TextSize>%lf</TextSize>", block.text_size);
    write_xml_line(glob_xml_file, "               <TextAngle>%lf</TextAngle>", block.text_angle);
    write_xml_line(glob_xml_file, "               <TextNumLines>%d</TextNumLines>",
                   block.num_lines);
    write_xml_line(glob_xml_file, "               <Texts>");
    for (int i = 0; block.lines != nullptr && i < block.num_lines; ++i) {
        const char* line = block.lines[i].text;
        if (line == nullptr || std::strlen(line) > kLongestTextLine) continue;
        write_text_line(object, line);
    }
    write_xml_line(glob_xml_file, "               </Texts>");
    write_xml_line(glob_xml_file, "              </TextInfo>");
}

void write_text_blocks(tag_t object) {
    int count = 0;
    RQ_DRF_text_block_t* blocks = nullptr;
    start_named_timer("RQ_DRF_ask_draft_aid_text_info");
    RQ_DRF_ask_draft_aid_text_info(object, &count, &blocks);
    stop_named_timer("RQ_DRF_ask_draft_aid_text_info");
    write_xml_line(glob_xml_file, "             <TextBlocksN>%d</TextBlocksN>", count);
    if (count != 0) {
        for (int i = 0; blocks != nullptr && i < count; ++i) write_text_block(object, blocks[i]);
        // Releases without displayed texts write the element empty.
        write_xml_line(glob_xml_file, "             <DisplayedTexts>");
        if (host_release().displayed_texts) write_displayed_texts(object);
        write_xml_line(glob_xml_file, "             </DisplayedTexts>");
    }
    RQ_free(blocks);
}

// Type, handle, the new name, type, subtype and status of one listed object,
// then its specifics.
void write_entity(tag_t object, int type, int subtype, char (&name)[kNameSize]) {
    write_xml_line(glob_xml_file, "         <Entity xsi:type=\"Entity_Type%d_SubType%d\">", type,
                   subtype);
    write_xml_line(glob_xml_file, "          <Handle>%s</Handle>",
                   text_or_null(RQ_TAG_ask_handle_of_tag(object)));

    char tag_name[kNameSize];
    format_text(tag_name, sizeof tag_name, "%u", static_cast<unsigned>(object));
    RQ_OBJ_set_name(object, tag_name);
    RQ_OBJ_ask_name(object, name);
    write_xml_line(glob_xml_file, "          <Name>%s</Name>", name);

    write_xml_line(glob_xml_file, "          <Type>%d</Type>", type);
    write_xml_line(glob_xml_file, "          <Subtype>%d</Subtype>", subtype);
    write_xml_line(glob_xml_file, "          <Status>%d</Status>", RQ_OBJ_ask_status(object));

    if (RQ_OBJ_ask_status(object) >= 0) {
        stop_named_timer("CYCLE_ALL");
        start_named_timer("CHECK_ENTITY_SPECIFICA");
        write_entity_specifics(glob_xml_file, type, subtype, object);
        stop_named_timer("CHECK_ENTITY_SPECIFICA");
        start_named_timer("CYCLE_ALL");
    }
    write_xml_line(glob_xml_file, "         </Entity>");
}

}  // namespace

int write_entity_specifics(const char* report_file, int type, int subtype, tag_t object) {
    (void)report_file;  // always glob_xml_file
    start_named_timer("Entity_general_info");

    logical displayable = 0;
    RQ_OBJ_is_displayable(object, &displayable);
    write_xml_line(glob_xml_file, "            <Displayable>%d</Displayable>", displayable ? 1 : 0);
    logical transferable = 0;
    RQ_OBJ_is_transferable(object, &transferable);
    write_xml_line(glob_xml_file, "            <Tansferable>%d</Tansferable>",
                   transferable ? 1 : 0);
    int view_dependent = 0;
    char view_name[kNameSize] = "";
    uc6409(object, &view_dependent, view_name);
    write_xml_line(glob_xml_file, "            <ViewDependent>%s</ViewDependent>", view_name);

    const bool has_texts =
        (type == RQ_drafting_entity_type && subtype != kSpecialDraftingSubtype) ||
        type == RQ_dimension_type;
    if (!has_texts) return 0;

    write_placement(object);
    write_associativity(type, subtype, object);
    write_text_blocks(object);
    return 0;
}

int write_entities() {
    select_types_of_detail_option();
    write_xml_line(glob_xml_file, "        <Entities>");
    start_named_timer("CYCLE_ALL");

    char name[kNameSize] = "";  // emptied once: an object without a name shows the last one
    tag_t work_part = RQ_ASSEM_ask_work_part();
    for (tag_t object = RQ_OBJ_cycle_all(work_part, NULL_TAG); object != NULL_TAG;
         object = RQ_OBJ_cycle_all(work_part, object)) {
        if (RQ_ASSEM_is_occurrence(object)) continue;
        int type = 0;
        int subtype = 0;
        RQ_OBJ_ask_type_and_subtype(object, &type, &subtype);
        if (!is_selected(type)) continue;
        write_entity(object, type, subtype, name);
    }

    stop_named_timer("CYCLE_ALL");
    write_xml_line(glob_xml_file, "       </Entities>");
    return 0;
}
