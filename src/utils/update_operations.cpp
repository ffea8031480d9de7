// Update operations: all features, the feature replay through the current
// feature, the assembly structure refresh and the drawing-view update of the
// sheets that the sheet list selects. Each logs its progress and returns its
// result code.
#include "utils/update_operations.hpp"

#include <cstring>

#include "common/run_settings.hpp"
#include "utils/run_log.hpp"
#include "utils/work_part_objects.hpp"

namespace {

// Check points of the host calls.
enum : int {
    kLineSetUpdateFailOption = 3389,
    kLineUpdateAllFeatures = 3390,
    kLineMakeFirstCurrent = 3436,
    kLineMakeFormerCurrent = 3438,
    kLineComponentCycle = 3460,
    kLineUpdateStructure = 3466,
    kLineSheetCycle = 3510,
    kLineUpdateOneView = 3520,
    kLineSheetOutOfDate = 3534,
};

constexpr int kUpdateFailOption = 5;
constexpr int kSheetOutOfDate = 200;  // the tool's own code
constexpr int kNameSize = 385;
constexpr const char kAllSheets[] = "_All_";

// A feature's name and type, as the host gives them (empty when it gives none).
struct FeatureTexts {
    char* name = nullptr;
    char* type = nullptr;

    explicit FeatureTexts(tag_t feature) {
        RQ_MODL_ask_feat_name(feature, &name);
        RQ_MODL_ask_feat_type(feature, &type);
    }
    ~FeatureTexts() {
        RQ_free(name);
        RQ_free(type);
    }
    FeatureTexts(const FeatureTexts&) = delete;
    FeatureTexts& operator=(const FeatureTexts&) = delete;

    const char* name_text() const { return name != nullptr ? name : ""; }
    const char* type_text() const { return type != nullptr ? type : ""; }
};

// "_All_" anywhere in the list selects every sheet; otherwise the list must
// be the sheet's name exactly. An empty list selects none.
bool sheet_selected(const char* sheet_name) {
    if (std::strstr(sheet_list, kAllSheets) != nullptr) return true;
    return sheet_list[0] != '\0' && std::strcmp(sheet_list, sheet_name) == 0;
}

// Updates the member views of one sheet; returns the last update's code, or
// `code` when the sheet has no views.
int update_views_of_sheet(tag_t sheet, const char* sheet_name, int code) {
    int count = 0;
    tag_t* views = nullptr;
    RQ_DRAW_ask_views(sheet, &count, &views);
    for (int i = 0; i < count; ++i) {
        char view_name[kNameSize] = "";
        RQ_OBJ_ask_name(views[i], view_name);
        write_log(log_file_in_use, "     Update: %d.) %s (%s)", i + 1, view_name, sheet_name);
        code = check_rq_result(RQ_DRAW_update_one_view(sheet, views[i]), kLineUpdateOneView,
                               kUtilsUnit);
        if (code == 0) {
            write_log(log_file_in_use, "     Update: %d.) %s (%s) -> passed", i + 1, view_name,
                      sheet_name);
        }
    }
    if (count != 0) RQ_free(views);
    return code;
}

}  // namespace

int run_update_all_features() {
    check_rq_result(RQ_MODL_set_update_fail_option(kUpdateFailOption), kLineSetUpdateFailOption,
                    kUtilsUnit);
    return check_rq_result(RQ_MODL_update_all_features(), kLineUpdateAllFeatures, kUtilsUnit);
}

int ask_first_feature(tag_t* feature) {
    *feature = NULL_TAG;
    RQ_OBJ_cycle_objs_in_part(RQ_ASSEM_ask_work_part(), RQ_feature_type, feature);
    return 0;
}

int run_feature_replay() {
    write_log(log_file_in_use, "   Update: Feature Via Feature Replay");
    tag_t current = NULL_TAG;
    RQ_MODL_ask_current_feature(RQ_ASSEM_ask_work_part(), &current);
    if (current == NULL_TAG) {
        write_log(log_file_in_use, "   Update: No Current Feature found");
        return 0;
    }
    {
        FeatureTexts texts(current);
        write_log(log_file_in_use, "   Update: Current Feature = [%s / %s]", texts.name_text(),
                  texts.type_text());
    }

    tag_t first = NULL_TAG;
    ask_first_feature(&first);
    if (first == NULL_TAG) return 0;
    {
        FeatureTexts texts(first);
        write_log(log_file_in_use, "   Update: First Feature [%s / %s]     ==> to last feature",
                  texts.name_text(), texts.type_text());
    }

    check_rq_result(RQ_MODL_set_current_feature(first), kLineMakeFirstCurrent, kUtilsUnit);
    return check_rq_result(RQ_MODL_set_current_feature(current), kLineMakeFormerCurrent,
                           kUtilsUnit);
}

int run_structure_sync() {
    const tag_t part = RQ_ASSEM_ask_work_part();
    if (part == NULL_TAG) return 0;
    return check_rq_result(RQ_FLTR_update_structure(part), kLineUpdateStructure, kUtilsUnit);
}

int count_components() {
    if (RQ_ASSEM_ask_work_part() == NULL_TAG) return 0;
    int count = 0;
    const int code = for_each_in_work_part(RQ_component_type, [&count](tag_t) { ++count; });
    check_rq_result(code, kLineComponentCycle, kUtilsUnit);
    return count;
}

int run_update_all_views() {
    write_log(log_file_in_use, "   Update: Sheet %s", sheet_list);
    return update_sheet_views();
}

int update_sheet_views() {
    int code = 0;
    const int cycle_code = for_each_in_work_part(RQ_drawing_type, [&code](tag_t sheet) {
        char sheet_name[kNameSize] = "";
        RQ_OBJ_ask_name(sheet, sheet_name);
        write_log(log_file_in_use, "   Update: Sheet %s", sheet_name);
        if (!sheet_selected(sheet_name)) {
            write_log(log_file_in_use, "   Update: Sheet %s -> not processed", sheet_name);
            return;
        }
        code = update_views_of_sheet(sheet, sheet_name, code);
        logical out_of_date = 0;
        RQ_DRAW_is_object_out_of_date(sheet, &out_of_date);
        if (out_of_date) {
            write_log(log_file_in_use, "Error: %s out of date", sheet_name);
            code = kSheetOutOfDate;
            check_rq_result(kSheetOutOfDate, kLineSheetOutOfDate, kUtilsUnit);
        }
        write_log(log_file_in_use, "   Update: Sheet %s -> passed", sheet_name);
    });
    // Sheets after a failed cycle step stay out of date: that is the result.
    if (cycle_code != 0) code = check_rq_result(cycle_code, kLineSheetCycle, kUtilsUnit);
    return code;
}
