// Mass properties of the work part's bodies and the body list of the model
// data section: the entire part, one reference set, the prototype analysis
// with real and normalised densities, and the part's own bodies.
#include "utils/mass_props.hpp"

#include "common/run_settings.hpp"
#include "utils/run_log.hpp"
#include "utils/xml_writer.hpp"

#include <cstring>

namespace {

// Check points of the host calls of this file.
constexpr int kLineBodyCycle = 1940;
constexpr int kLineEntireBodyFeatures = 1958;
constexpr int kLineEntireMassProps = 1987;
constexpr int kLinePrototypeMassProps = 2091;
constexpr int kLinePrototypeNormalised = 2120;
constexpr int kLineRefsetBodyFeatures = 2247;
constexpr int kLineRefsetMassProps = 2277;

constexpr int kEntirePartLimit = 200000;
constexpr int kBodyTableLimit = 50000;
constexpr double kRefsetAccuracy = 0.1;
constexpr double kNormalisedDensity = 1.0;
constexpr int kDensityUnits = 3;
constexpr int kResultsSize = 47;
constexpr int kAccuracySize = 11;
constexpr int kStatisticsSize = 13;

// Body tables, one per operation, sized by their limits once for the process.
tag_t entire_part_bodies[kEntirePartLimit];
tag_t prototype_bodies[kBodyTableLimit];
double prototype_densities[kBodyTableLimit];
bool prototype_density_saved[kBodyTableLimit];
tag_t refset_bodies[kBodyTableLimit];

struct MassResults {
    double accuracy[kAccuracySize];
    double values[kResultsSize];
    double statistics[kStatisticsSize];
    int code = 0;
};

// The shared step: results to 0.0, one host call, its code checked.
void compute_mass_props(const tag_t* bodies, int count, double accuracy, int source_line,
                        MassResults& out) {
    std::memset(out.accuracy, 0, sizeof out.accuracy);
    std::memset(out.values, 0, sizeof out.values);
    std::memset(out.statistics, 0, sizeof out.statistics);
    out.accuracy[0] = accuracy;
    out.code = RQ_MODL_ask_mass_props_3d(bodies, count, 1, 3, 0.0, 1, out.accuracy, out.values,
                                         out.statistics);
    check_rq_result(out.code, source_line, kUtilsUnit);
}

// Same as compute_mass_props, reusing the accuracy values of an earlier call.
void recompute_mass_props(const tag_t* bodies, int count, int source_line, MassResults& out) {
    std::memset(out.values, 0, sizeof out.values);
    out.code = RQ_MODL_ask_mass_props_3d(bodies, count, 1, 3, 0.0, 1, out.accuracy, out.values,
                                         out.statistics);
    check_rq_result(out.code, source_line, kUtilsUnit);
}

bool is_solid_body_object(tag_t object) {
    int type = 0;
    int subtype = 0;
    RQ_OBJ_ask_type_and_subtype(object, &type, &subtype);
    return type == RQ_solid_type && subtype == RQ_solid_body_subtype;
}

int body_type_of(tag_t body) {
    int body_type = 0;
    RQ_MODL_ask_body_type(body, &body_type);
    return body_type;
}

// Number of features of a body that is no occurrence; the list is released.
int count_body_features(tag_t body, int source_line) {
    RQ_MODL_feature_list_t features = nullptr;
    check_rq_result(RQ_MODL_ask_body_feats(body, &features), source_line, kUtilsUnit);
    int count = 0;
    if (features == nullptr) return 0;
    RQ_MODL_ask_list_count(features, &count);
    // The list goes back to the host whatever it holds, so no list is leaked.
    RQ_MODL_delete_list(&features);
    return count;
}

// Walks the work part's objects of type 70, calling visit(tag) for each until
// it returns false. A cycle step that fails is recorded: the bodies after it
// are missing from the figures.
template <typename Visit>
void for_each_body_object(Visit visit) {
    const tag_t part = RQ_ASSEM_ask_work_part();
    tag_t object = NULL_TAG;
    int code = 0;
    while ((code = RQ_OBJ_cycle_objs_in_part(part, RQ_solid_type, &object)) == 0 &&
           object != NULL_TAG) {
        if (!visit(object)) return;
    }
    check_rq_result(code, kLineBodyCycle, kUtilsUnit);
}

// Volume, body and feature counts, centre of gravity and moments of inertia,
// indented by 10 and 12 blanks (entire part and reference sets).
void write_mass_lines(const MassResults& mass, int bodies, int features) {
    const double* r = mass.values;
    write_xml_line(glob_xml_file, "          <Volume>%lf</Volume>", r[1]);
    write_xml_line(glob_xml_file, "          <VolumeBodies_n>%d</VolumeBodies_n>", bodies);
    write_xml_line(glob_xml_file, "          <Feature3D_n>%d</Feature3D_n>", features);
    write_xml_line(glob_xml_file, "          <CentreOfGravity>");
    write_xml_line(glob_xml_file, "            <X>%lf</X>", r[3]);
    write_xml_line(glob_xml_file, "            <Y>%lf</Y>", r[4]);
    write_xml_line(glob_xml_file, "            <Z>%lf</Z>", r[5]);
    write_xml_line(glob_xml_file, "          </CentreOfGravity>");
    write_xml_line(glob_xml_file, "          <MomentOfInertia>");
    write_xml_line(glob_xml_file, "            <X>%lf</X>", r[9]);
    write_xml_line(glob_xml_file, "            <Y>%lf</Y>", r[10]);
    write_xml_line(glob_xml_file, "            <Z>%lf</Z>", r[11]);
    write_xml_line(glob_xml_file, "          </MomentOfInertia>");
}

// X, Y, Z of results[first..first+2] between an opening and a closing line,
// in the prototype analysis' indents (9 and 10 blanks).
void write_prototype_vector(const char* open, const double* values, const char* close) {
    write_xml_line(glob_xml_file, "%s", open);
    write_xml_line(glob_xml_file, "          <X>%lf</X>", values[0]);
    write_xml_line(glob_xml_file, "          <Y>%lf</Y>", values[1]);
    write_xml_line(glob_xml_file, "          <Z>%lf</Z>", values[2]);
    write_xml_line(glob_xml_file, "%s", close);
}

// Every density back as it was, in table order.
void restore_densities(int count) {
    for (int i = 0; i < count; ++i) {
        if (prototype_density_saved[i]) {
            RQ_MODL_set_body_density(prototype_bodies[i], kDensityUnits, prototype_densities[i]);
        }
    }
}

}  // namespace

int write_entire_part_mass_props() {
    int solid = 0;
    int sheet = 0;
    int unknown = 0;
    int features = 0;
    bool over_limit = false;
    for_each_body_object([&](tag_t object) {
        if (!is_solid_body_object(object)) return true;
        switch (body_type_of(object)) {
            case RQ_MODL_SOLID_BODY:
                if (solid == kEntirePartLimit) {
                    over_limit = true;
                    break;
                }
                entire_part_bodies[solid++] = object;
                if (!RQ_ASSEM_is_occurrence(object)) {
                    features += count_body_features(object, kLineEntireBodyFeatures);
                }
                break;
            case RQ_MODL_SHEET_BODY:
                ++sheet;
                break;
            default:
                ++unknown;
                break;
        }
        return true;
    });
    if (over_limit) {
        write_log(log_file_in_use,
                  "Info: more than %d solid bodies ==> mass properties of the first %d only",
                  kEntirePartLimit, kEntirePartLimit);
    }

    if (solid > 0) {
        static MassResults mass;
        compute_mass_props(entire_part_bodies, solid, mass_props_accuracy, kLineEntireMassProps,
                           mass);
        write_xml_line(glob_xml_file,
                       "          <BodyCalculationAccuracy>%lf</BodyCalculationAccuracy>",
                       mass.accuracy[0]);
        write_mass_lines(mass, solid, features);
    }
    if (sheet != 0)
        write_xml_line(glob_xml_file, "          <SheetBodies_n>%d</SheetBodies_n>", sheet);
    if (unknown != 0) {
        write_xml_line(glob_xml_file, "          <UnknownBodies_n>%d</UnknownBodies_n>", unknown);
    }
    return 0;
}

int write_refset_mass_props(tag_t reference_set) {
    int member_count = 0;
    tag_t* members = nullptr;
    RQ_ASSEM_ask_ref_set_members(reference_set, &member_count, &members);
    if (members == nullptr) return 0;

    int bodies = 0;
    int features = 0;
    int components = 0;
    int others = 0;
    for (int i = 0; i < member_count && bodies < kBodyTableLimit; ++i) {
        int type = 0;
        int subtype = 0;
        RQ_OBJ_ask_type_and_subtype(members[i], &type, &subtype);
        if (type == RQ_solid_type) {
            if (subtype != RQ_solid_body_subtype) continue;
            refset_bodies[bodies++] = members[i];
            if (!RQ_ASSEM_is_occurrence(members[i])) {
                features += count_body_features(members[i], kLineRefsetBodyFeatures);
            }
        } else if (type == RQ_component_type) {
            ++components;
        } else {
            ++others;
        }
    }
    RQ_free(members);

    if (bodies > 0) {
        static MassResults mass;
        compute_mass_props(refset_bodies, bodies, kRefsetAccuracy, kLineRefsetMassProps, mass);
        write_mass_lines(mass, bodies, features);
    }
    write_xml_line(glob_xml_file, "          <ObjectsComps_n>%d</ObjectsComps_n>", components);
    write_xml_line(glob_xml_file, "          <ObjectsWire_n>%d</ObjectsWire_n>", others);
    return 0;
}

int write_prototype_analysis() {
    int bodies = 0;
    for_each_body_object([&](tag_t object) {
        if (is_solid_body_object(object) && body_type_of(object) == RQ_MODL_SOLID_BODY &&
            !RQ_ASSEM_is_occurrence(object)) {
            prototype_bodies[bodies++] = object;
        }
        return bodies < kBodyTableLimit;
    });
    if (bodies == 0) return 0;

    static MassResults mass;
    compute_mass_props(prototype_bodies, bodies, mass_props_accuracy, kLinePrototypeMassProps,
                       mass);
    const double* r = mass.values;
    write_xml_line(glob_xml_file, "       <BodyCalculationAccuracy>%lf</BodyCalculationAccuracy>",
                   mass.accuracy[0]);
    write_xml_line(glob_xml_file, "       <Volume>%lf</Volume>", r[1]);
    write_xml_line(glob_xml_file, "         <VolumeBodies_n>%d</VolumeBodies_n>", bodies);
    write_prototype_vector("         <CentreOfGravity>", &r[3], "         </CentreOfGravity>");
    write_prototype_vector("         <MomentOfInertia>", &r[9], "         </MomentOfInertia>");

    if (save_work_part_mode) {
        write_log(log_file_in_use,
                  "Info: SaveWorkPart Modus is on ==> no normalized prototype analysis");
        return 0;
    }

    // Normalise: only a density that could be read is changed (and restored).
    for (int i = 0; i < bodies; ++i) {
        double density = 0.0;
        prototype_density_saved[i] =
            RQ_MODL_ask_body_density(prototype_bodies[i], kDensityUnits, &density) == 0;
        prototype_densities[i] = density;
        if (prototype_density_saved[i]) {
            RQ_MODL_set_body_density(prototype_bodies[i], kDensityUnits, kNormalisedDensity);
        }
    }
    recompute_mass_props(prototype_bodies, bodies, kLinePrototypeNormalised, mass);
    write_prototype_vector("         <CentreOfGravityN1>", &r[3], "         </CentreOfGravityN1>");
    write_prototype_vector("         <MomentOfInertiaN1>", &r[9], "         </MomentOfInertiaN1>");
    restore_densities(bodies);
    return 0;
}

int write_body_list() {
    for_each_body_object([](tag_t object) {
        int type = 0;
        int subtype = 0;
        RQ_OBJ_ask_type_and_subtype(object, &type, &subtype);
        if (subtype != RQ_solid_body_subtype || RQ_ASSEM_is_occurrence(object)) return true;

        const char* handle = RQ_TAG_ask_handle_of_tag(object);
        double density = 0.0;
        RQ_MODL_ask_body_density(object, kDensityUnits, &density);
        tag_t material = NULL_TAG;
        RQ_SF_locate_material(object, &material);
        RQ_OBJ_disp_props_t display{};
        RQ_OBJ_ask_display_properties(object, &display);

        write_xml_line(glob_xml_file, "         <Body>");
        write_xml_line(glob_xml_file, "         <Handle>%s</Handle>", handle ? handle : "");
        write_xml_line(glob_xml_file, "          <Density>%lf</Density>", density);
        if (material != NULL_TAG) {
            char material_name[133] = "";
            RQ_OBJ_ask_name(material, material_name);
            write_xml_line(glob_xml_file, "          <Material>%s</Material>", material_name);
        } else {
            write_xml_line(glob_xml_file, "          <Material></Material>");
        }
        write_xml_line(glob_xml_file, "          <Color>%d</Color>", display.color);
        write_xml_line(glob_xml_file, "          <Font>%d</Font>", display.font);
        write_xml_line(glob_xml_file, "         </Body>");
        return true;
    });
    return 0;
}
