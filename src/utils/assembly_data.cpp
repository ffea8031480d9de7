// The assembly data section of the report: the arrangements of the work part
// and one block per component object with its data, attributes, level,
// member count, arrangement in use, placement check and transform.
#include "utils/assembly_data.hpp"

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "utils/part_header.hpp"
#include "utils/run_log.hpp"
#include "utils/xml_writer.hpp"

#include <cmath>

namespace {

// Check points of the host calls of this section.
constexpr int kLineActiveArrangementName = 2498;
constexpr int kLineArrangementsInPart = 2506;
constexpr int kLineExistingArrangementName = 2514;
constexpr int kLineComponentCycle = 2600;
constexpr int kLineComponentData = 2605;
constexpr int kLineMemberCount = 2682;
constexpr int kLineUsedArrangementName = 2698;
constexpr int kLineMatingData = 2712;
constexpr int kLineMatingStructure = 2716;

constexpr int kPartNameSize = 3469;
constexpr int kRefsetNameSize = 385;
constexpr int kInstanceNameSize = 3445;
constexpr int kAttributeSize = 256;
// A chain of parents longer than this can only be a circle in the host's data.
constexpr int kMaxComponentLevel = 100000;

constexpr double kOrientationTolerance = 0.000001;
constexpr double kOriginTolerance = 0.00001;

constexpr char kIndent10[] = "          ";
constexpr char kIndent12[] = "            ";
constexpr char kIndent16[] = "                ";

struct ComponentData {
    char part_name[kPartNameSize] = "";
    char refset_name[kRefsetNameSize] = "";
    char instance_name[kInstanceNameSize] = "";
    double origin[3] = {0, 0, 0};
    double orientation[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    double transform[4][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
};

// True when the first step of a cycle over the part's components finds one.
bool holds_a_component(tag_t part) {
    tag_t component = NULL_TAG;
    RQ_OBJ_cycle_objs_in_part(part, RQ_component_type, &component);
    return component != NULL_TAG;
}

const char* handle_of(tag_t object) {
    const char* handle = RQ_TAG_ask_handle_of_tag(object);
    return handle != nullptr ? handle : "";
}

// Asks the arrangement's name (checked at `source_line`), writes it as the
// element and releases it.
void write_arrangement_name(tag_t arrangement, int source_line, const char* indent,
                            const char* element) {
    char* name = nullptr;
    check_rq_result(RQ_ASSEM_ask_name_of_arrangement(arrangement, &name), source_line, kUtilsUnit);
    write_xml_element(glob_xml_file, indent, element, "%s", name != nullptr ? name : "");
    RQ_free(name);
}

void write_part_arrangements(tag_t work_part) {
    tag_t active = NULL_TAG;
    if (part_has_components(work_part) != 0) RQ_ASSEM_ask_active_arrangement(work_part, &active);
    if (active != NULL_TAG) {
        write_arrangement_name(active, kLineActiveArrangementName, kIndent10, "ActiveArrangement");
    }

    int count = 0;
    tag_t* arrangements = nullptr;
    check_rq_result(RQ_ASSEM_ask_arrangements_in_part(work_part, &count, &arrangements),
                    kLineArrangementsInPart, kUtilsUnit);
    for (int i = 0; i < count && arrangements != nullptr; ++i) {
        if (arrangements[i] == active) continue;
        write_arrangement_name(arrangements[i], kLineExistingArrangementName, kIndent10,
                               "ExistingArrangement");
    }
    if (count != 0) RQ_free(arrangements);
}

// Lines 4 and 5: the instance and the parent's instance; a parent without an
// instance gives no parent line at all.
void write_instance_handles(tag_t component, tag_t instance) {
    if (instance == NULL_TAG) {
        write_xml_line(glob_xml_file, "          <InstanceHandle>%s</InstanceHandle>", "0");
        write_xml_line(glob_xml_file, "          <ParentInstanceHandle>%s</ParentInstanceHandle>",
                       "0");
        return;
    }
    write_xml_line(glob_xml_file, "          <InstanceHandle>%s</InstanceHandle>",
                   handle_of(instance));
    tag_t parent = NULL_TAG;
    RQ_ASSEM_ask_parent_component(component, &parent);
    if (parent == NULL_TAG) {
        write_xml_line(glob_xml_file, "          <ParentInstanceHandle>%s</ParentInstanceHandle>",
                       "0");
        return;
    }
    const tag_t parent_instance = RQ_ASSEM_ask_inst_of_part_occ(parent);
    if (parent_instance != NULL_TAG) {
        write_xml_line(glob_xml_file, "          <ParentInstanceHandle>%s</ParentInstanceHandle>",
                       handle_of(parent_instance));
    }
}

void write_suppression(tag_t instance) {
    int state = 0;
    RQ_ASSEM_ask_suppress_state(instance, &state);
    write_xml_line(glob_xml_file, "          <SuppressState>%d</SuppressState>", state);

    tag_t expression = NULL_TAG;
    RQ_ASSEM_ask_suppression_exp(instance, &expression);
    if (expression == NULL_TAG) {
        append_line_to_file(glob_xml_file,
                            "          <SuppressByExpression></SuppressByExpression>");
        return;
    }
    char* text = nullptr;
    RQ_MODL_ask_exp_tag_string(expression, &text);
    write_xml_element(glob_xml_file, kIndent10, "SuppressByExpression", "%s",
                      text != nullptr ? text : "");
    RQ_free(text);
}

// A string attribute "REFERENCE_COMPONENT" marks a reference component; its
// empty value stands for "1". Any other type, or none, gives an empty text.
void write_reference_component(tag_t component) {
    char reference[kAttributeSize] = "";
    int type_found = 0;
    RQ_ATTR_find_attribute(component, RQ_ATTR_any, "REFERENCE_COMPONENT", &type_found);
    if (type_found == RQ_ATTR_string) {
        read_string_attribute(component, "REFERENCE_COMPONENT", reference, sizeof reference);
        if (reference[0] == '\0') copy_text(reference, "1");
    }
    write_xml_line(glob_xml_file, "          <ReferenceComponent>%s</ReferenceComponent>",
                   reference);
}

void write_used_arrangement(tag_t component) {
    if (prototype_has_components(component) != 1) return;
    tag_t arrangement = NULL_TAG;
    RQ_ASSEM_ask_active_arrangement(RQ_ASSEM_ask_prototype_of_occ(component), &arrangement);
    if (arrangement == NULL_TAG) return;
    write_arrangement_name(arrangement, kLineUsedArrangementName, kIndent12, "UsedArrangement");
}

// Rows of the orientation must be the columns of the transform's rotation and
// the origin its fourth column; a value that is not a number never agrees.
bool placement_is_consistent(const ComponentData& data) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const double difference = data.orientation[3 * i + j] - data.transform[j][i];
            if (!(std::fabs(difference) < kOrientationTolerance)) return false;
        }
        if (!(std::fabs(data.origin[i] - data.transform[i][3]) < kOriginTolerance)) return false;
    }
    return true;
}

// The twelve matrix values: X1 Y1 Z1 X2 Y2 Z2 X3 Y3 Z3, then the origin.
using MatrixValues = double[12];

// The first three columns of the transform, column by column, and its fourth.
void matrix_from_transform(const double (&t)[4][4], MatrixValues& values) {
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 3; ++row) values[3 * column + row] = t[row][column];
    }
}

// The orientation in stored order and the origin of the component data.
void matrix_from_orientation(const ComponentData& data, MatrixValues& values) {
    for (int i = 0; i < 9; ++i) values[i] = data.orientation[i];
    for (int i = 0; i < 3; ++i) values[9 + i] = data.origin[i];
}

void write_matrix(const MatrixValues& values) {
    static constexpr const char* kLines[12] = {
        "            <X1>%lf</X1>",           "            <Y1>%lf</Y1>",
        "            <Z1>%lf</Z1>",           "            <X2>%lf</X2>",
        "            <Y2>%lf</Y2>",           "            <Z2>%lf</Z2>",
        "            <X3>%lf</X3>",           "            <Y3>%lf</Y3>",
        "            <Z3>%lf</Z3>",           "            <originX>%lf</originX>",
        "            <originY>%lf</originY>", "            <originZ>%lf</originZ>",
    };
    append_line_to_file(glob_xml_file, "          <Matrix>");
    for (int i = 0; i < 12; ++i) write_xml_line(glob_xml_file, kLines[i], values[i]);
    append_line_to_file(glob_xml_file, "          </Matrix>");
}

// The mating conditions of a level-1 component; deeper components get an
// empty block.
void write_mating(tag_t component, int level) {
    append_line_to_file(glob_xml_file, "          <Mating>");
    if (level == 1) {
        RQ_ASSEM_mc_record_t record{};
        RQ_ASSEM_init_mc(&record);
        logical mated = 0;
        check_rq_result(RQ_ASSEM_ask_mc_data_of_compnt(component, &mated, &record), kLineMatingData,
                        kUtilsUnit);
        write_xml_line(glob_xml_file, "           <IsMated>%d</IsMated>", mated);
        if (mated) {
            int status = 0;
            int other = 0;
            check_rq_result(RQ_ASSEM_check_mc_structure(&record, &status, &other),
                            kLineMatingStructure, kUtilsUnit);
            record.name[sizeof record.name - 1] = '\0';
            write_xml_line(glob_xml_file, "           <MatingName>%s</MatingName>", record.name);
            write_xml_line(glob_xml_file, "           <MatingStatus>%d</MatingStatus>", status);
        }
    }
    append_line_to_file(glob_xml_file, "          </Mating>");
}

void write_component(tag_t component) {
    ComponentData data;
    check_rq_result(
        RQ_ASSEM_ask_component_data(component, data.part_name, data.refset_name, data.instance_name,
                                    data.origin, data.orientation, data.transform),
        kLineComponentData, kUtilsUnit);

    append_line_to_file(glob_xml_file, "        <Component>");
    write_xml_line(glob_xml_file, "          <File>%s</File>", data.part_name);
    write_xml_line(glob_xml_file, "          <Handle>%s</Handle>", handle_of(component));
    const tag_t instance = RQ_ASSEM_ask_inst_of_part_occ(component);
    write_instance_handles(component, instance);
    write_suppression(instance);
    write_reference_component(component);

    logical drafting = 0;
    RQ_DRAW_is_drafting_component(component, &drafting);
    write_xml_line(glob_xml_file, "          <IsDraftingComponent>%d</IsDraftingComponent>",
                   drafting);

    char attribute[kAttributeSize] = "";
    read_string_attribute(component, "VREL GEOMETRY", attribute, sizeof attribute);
    write_xml_line(glob_xml_file, "          <Vrel_Geometry>%s</Vrel_Geometry>", attribute);
    write_xml_element(glob_xml_file, kIndent10, "RefsetCurr", "%s", data.refset_name);
    write_xml_element(glob_xml_file, kIndent10, "InstanceName", "%s", data.instance_name);
    const int level = ask_component_level(component);
    write_xml_line(glob_xml_file, "          <ComponentLevel>%d</ComponentLevel>", level);
    // The releases with mating conditions indent a few lines differently.
    const bool mating = host_release().mating_conditions;
    read_string_attribute(component, "CALLOUT", attribute, sizeof attribute);
    write_xml_element(glob_xml_file, mating ? kIndent16 : kIndent10, "Callout", "%s", attribute);

    int members = 0;
    check_rq_result(RQ_ASSEM_count_objs_in_comp(component, &members), kLineMemberCount, kUtilsUnit);
    write_xml_line(glob_xml_file, "          <MemberCount>%d</MemberCount>", members);

    append_line_to_file(glob_xml_file, mating ? "           <ComponentArrangement>"
                                              : "          <ComponentArrangement>");
    write_used_arrangement(component);
    append_line_to_file(glob_xml_file, "           </ComponentArrangement>");

    MatrixValues matrix;
    if (mating) {
        write_mating(component, level);
        matrix_from_orientation(data, matrix);
    } else {
        append_line_to_file(glob_xml_file, placement_is_consistent(data)
                                               ? "          <Inf></Inf>"
                                               : "          <Inf>WRN</Inf>");
        matrix_from_transform(data.transform, matrix);
    }
    write_matrix(matrix);
    append_line_to_file(glob_xml_file, "        </Component>");
}

}  // namespace

int ask_component_level(tag_t component) {
    if (RQ_ASSEM_ask_work_part() == NULL_TAG || component == NULL_TAG) return 0;
    int level = 0;
    tag_t parent = NULL_TAG;
    RQ_ASSEM_ask_parent_component(component, &parent);
    while (parent != NULL_TAG && level < kMaxComponentLevel) {
        ++level;
        const tag_t child = parent;
        parent = NULL_TAG;
        RQ_ASSEM_ask_parent_component(child, &parent);
    }
    return level;
}

int part_has_components(tag_t part) {
    if (part == NULL_TAG) return 0;
    return holds_a_component(part) ? 1 : 0;
}

int prototype_has_components(tag_t occurrence) {
    if (occurrence == NULL_TAG) return 0;
    const tag_t prototype = RQ_ASSEM_ask_prototype_of_occ(occurrence);
    if (prototype == NULL_TAG) return 0;
    return holds_a_component(prototype) ? 1 : 0;
}

int write_assembly_data() {
    // Releases without the level filter write every component.
    const int max_level = host_release().assembly_level_filter ? global_max_assembly_level : 0;
    const tag_t work_part = RQ_ASSEM_ask_work_part();

    int result = append_line_to_file(glob_xml_file, "    <AssemblyData>");
    append_line_to_file(glob_xml_file, "     <PartArrangements>");
    write_part_arrangements(work_part);
    append_line_to_file(glob_xml_file, "     </PartArrangements>");
    result += append_line_to_file(glob_xml_file, "      <Components>");

    // A cycle that fails ends the list; the failure is recorded, so that a
    // list cut short is not reported as complete.
    tag_t component = NULL_TAG;
    int code = 0;
    while ((code = RQ_OBJ_cycle_objs_in_part(work_part, RQ_component_type, &component)) == 0 &&
           component != NULL_TAG) {
        if (max_level > 0 && ask_component_level(component) > max_level) continue;
        write_component(component);
    }
    check_rq_result(code, kLineComponentCycle, kUtilsUnit);

    result += append_line_to_file(glob_xml_file, "      </Components>");
    result += append_line_to_file(glob_xml_file, "    </AssemblyData>");
    return result;
}
