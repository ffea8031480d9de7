// The model data section of the report: reference sets with their mass
// properties, the features with their states, the bodies, the object count of
// each layer and the prototype mass analysis.
#include "utils/model_data.hpp"

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "utils/mass_props.hpp"
#include "utils/run_log.hpp"
#include "utils/work_part_objects.hpp"
#include "utils/xml_writer.hpp"

namespace {

constexpr int kFirstLayer = 0;
constexpr int kLastLayer = 257;
constexpr int kRefsetNameSize = 133;
constexpr int kFeatureTextSize = 1024;

// Check points of the walks: a step that fails cuts the list short.
constexpr int kLineRefsetCycle = 2860;
constexpr int kLineFeatureCycle = 2870;
constexpr int kLineLayerCycle = 2880;

struct FeatureTotals {
    int features = 0;
    int alive = 0;
    int suppressed = 0;
    int condemned = 0;
    int deleted = 0;
    int temporary = 0;
};

void write_plain(const char* line) {
    append_line_to_file(glob_xml_file, line);
}

void write_refsets() {
    write_plain("      <Refsets>");
    write_xml_line(glob_xml_file, "        <Refset>");
    write_xml_line(glob_xml_file, "         <Name>%s</Name>", "Entire Part");
    write_entire_part_mass_props();
    write_xml_line(glob_xml_file, "        </Refset>");

    const int code = for_each_in_work_part(RQ_reference_set_type, [](tag_t reference_set) {
        char name[kRefsetNameSize] = "";  // a set without a name is written with an empty one
        RQ_OBJ_ask_name(reference_set, name);
        write_xml_line(glob_xml_file, "        <Refset>");
        write_xml_line(glob_xml_file, "         <Name>%s</Name>", name);
        write_refset_mass_props(reference_set);
        write_xml_line(glob_xml_file, "        </Refset>");
    });
    check_rq_result(code, kLineRefsetCycle, kUtilsUnit);
    write_plain("      </Refsets>");
}

// Takes a host text into the feature buffer, escaped, and releases it.
void take_feature_text(char* host_text, char (&buffer)[kFeatureTextSize]) {
    if (host_text != nullptr) {
        copy_text(buffer, host_text);
        RQ_free(host_text);
    }
    xml_escape(buffer, sizeof buffer);
}

void write_feature(tag_t feature, int n, FeatureTotals& totals) {
    char text[kFeatureTextSize];

    char* host_text = nullptr;
    text[0] = '\0';
    RQ_MODL_ask_feat_name(feature, &host_text);
    take_feature_text(host_text, text);
    write_xml_line(glob_xml_file, "        <Feature_%d_Name>%s</Feature_%d_Name>", n, text, n);

    host_text = nullptr;
    text[0] = '\0';
    RQ_MODL_ask_feat_type(feature, &host_text);
    take_feature_text(host_text, text);
    write_xml_line(glob_xml_file, "        <Feature_%d_Type>%s</Feature_%d_Type>", n, text, n);

    // Releases without display names and browse flags write "N/A" and 0.
    const bool asks_display_data = host_release().feature_display_names;
    host_text = nullptr;
    copy_text(text, "N/A");
    if (asks_display_data) RQ_MODL_ask_feat_display_name(feature, &host_text);
    take_feature_text(host_text, text);
    write_xml_line(glob_xml_file, "        <Feature_%d_DisplayName>%s</Feature_%d_DisplayName>", n,
                   text, n);

    logical browseable = 0;
    if (asks_display_data) RQ_MODL_is_browseable_feature(feature, 0, 0, &browseable);
    write_xml_line(glob_xml_file, "        <Feature_%d_IsBrowseable>%d</Feature_%d_IsBrowseable>",
                   n, browseable, n);

    int suppressed = 0;
    RQ_MODL_ask_suppress_feature(feature, &suppressed);
    if (suppressed != 0) ++totals.suppressed;
    write_xml_line(glob_xml_file, "        <Feature_%d_IsSuppressed>%d</Feature_%d_IsSuppressed>",
                   n, suppressed, n);

    const int status = RQ_OBJ_ask_status(feature);
    switch (status) {
        case RQ_OBJ_ALIVE:
            ++totals.alive;
            break;
        case RQ_OBJ_CONDEMNED:
            ++totals.condemned;
            break;
        case RQ_OBJ_DELETED:
            ++totals.deleted;
            break;
        case RQ_OBJ_TEMPORARY:
            ++totals.temporary;
            break;
        default:
            break;
    }
    write_xml_line(glob_xml_file, "        <Feature_%d_Status>%d</Feature_%d_Status>", n, status,
                   n);
}

void write_features() {
    write_plain("       <Features>");
    FeatureTotals totals;
    const int code = for_each_in_work_part(RQ_feature_type, [&totals](tag_t feature) {
        ++totals.features;
        write_feature(feature, totals.features, totals);
    });
    check_rq_result(code, kLineFeatureCycle, kUtilsUnit);
    write_xml_line(glob_xml_file, "        <TotalFeatures_n>%d</TotalFeatures_n>", totals.features);
    write_xml_line(glob_xml_file, "        <AliveFeatures_n>%d</AliveFeatures_n>", totals.alive);
    write_xml_line(glob_xml_file, "        <SuppressedFeatures_n>%d</SuppressedFeatures_n>",
                   totals.suppressed);
    write_xml_line(glob_xml_file, "        <CondemnedFeatures_n>%d</CondemnedFeatures_n>",
                   totals.condemned);
    write_xml_line(glob_xml_file, "        <DeletedFeatures_n>%d</DeletedFeatures_n>",
                   totals.deleted);
    write_xml_line(glob_xml_file, "        <TemporaryFeatures_n>%d</TemporaryFeatures_n>",
                   totals.temporary);
    write_plain("       </Features>");
}

int count_objects_on_layer(int layer) {
    int count = 0;
    tag_t object = NULL_TAG;
    int code = 0;
    while ((code = RQ_LAYER_cycle_by_layer(layer, &object)) == 0 && object != NULL_TAG) ++count;
    // A layer whose first step fails gives nothing and is skipped; a step
    // that fails after the first object cuts the count short.
    if (count != 0) check_rq_result(code, kLineLayerCycle, kUtilsUnit);
    return count;
}

void write_layers() {
    write_plain("      <Layers>");
    for (int layer = kFirstLayer; layer <= kLastLayer; ++layer) {
        const int count = count_objects_on_layer(layer);
        if (count == 0) continue;
        write_xml_line(glob_xml_file, "        <Layer>");
        write_xml_line(glob_xml_file, "          <Name>%d</Name>", layer);
        write_xml_line(glob_xml_file, "          <Objects_n>%d</Objects_n>", count);
        write_xml_line(glob_xml_file, "        </Layer>");
    }
    write_plain("      </Layers>");
}

}  // namespace

int write_model_data() {
    write_plain("    <ModelData>");
    write_refsets();
    write_plain("      <ModelDataBase>");
    write_features();
    write_plain("       <Bodies>");
    write_body_list();
    write_plain("       </Bodies>");
    write_plain("      </ModelDataBase>");
    write_layers();
    write_plain("      <PrototypeAnalysis>");
    write_prototype_analysis();
    write_plain("      </PrototypeAnalysis>");
    write_plain("    </ModelData>");
    return 0;
}
