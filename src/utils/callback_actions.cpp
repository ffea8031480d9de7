// Callback actions on the work part through the object interface: deleting a
// user attribute and setting the legacy line-width map. Every trace goes to
// the host syslog, led by its check point and the release label.
#include "utils/callback_actions.hpp"

#include <kavoopen/kavoopen.hpp>

#include <array>
#include <cstddef>
#include <vector>

#include "common/host_release.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/run_log.hpp"

namespace {

// Check points of the traces.
enum : int {
    kLineStartDelete = 1252,
    kLineWorkPart = 1256,
    kLineAttInfo = 1262,
    kLineStringInfo = 1268,
    kLineDeleteString = 1269,
    kLineDeleteReal = 1275,
    kLineDeleteInteger = 1281,
    kLineDeleteBoolean = 1287,
    kLineDeleteTime = 1293,
    kLineDeleteNull = 1299,
    kLineUnknownType = 1305,
    kLineLocked = 1311,
    kLineNotSet = 1317,
    kLineThinWidth = 1378,
    kLineNormalWidth = 1381,
    kLineThickWidth = 1384,
    kLineMapPassed = 1443,
    kLineMapError = 1448,
};

constexpr int kDeleted = 0;
constexpr int kNotSet = 100;
constexpr int kLocked = -2;
constexpr int kUnknownType = -1;

using KavoOpen::KavoObject;

KavoOpen::BasePart* work_part() {
    return KavoOpen::Session::GetSession()->Parts()->Work();
}

// Traces the attribute by its type and deletes it; -1 for a type it does not know.
int delete_by_type(KavoObject& part, const KavoObject::AttributeInformation& info,
                   const KavoOpen::KavoString& title) {
    const char* label = trace_release_label;
    const char* info_title = info.Title.GetLocaleText();
    switch (static_cast<int>(info.Type)) {
        case KavoObject::AttributeTypeString:
            pelk_syslog_printf("\n[%d] %s AttInfo %s %d %s", kLineStringInfo, label, info_title,
                               static_cast<int>(info.Type), info.StringValue.GetLocaleText());
            pelk_syslog_printf("\n[%d] %s Delete %s", kLineDeleteString, label, info_title);
            break;
        case KavoObject::AttributeTypeReal:
            pelk_syslog_printf("\n[%d] %s Delete AttributeTypeReal %s %lf", kLineDeleteReal, label,
                               info_title, info.RealValue);
            break;
        case KavoObject::AttributeTypeInteger:
            pelk_syslog_printf("\n[%d] %s Delete AttributeTypeInteger %s %d", kLineDeleteInteger,
                               label, info_title, info.IntegerValue);
            break;
        case KavoObject::AttributeTypeBoolean:
            pelk_syslog_printf("\n[%d] %s Delete AttributeTypeBoolean %s %d", kLineDeleteBoolean,
                               label, info_title, info.BooleanValue ? 1 : 0);
            break;
        case KavoObject::AttributeTypeTime:
            pelk_syslog_printf("\n[%d] %s Delete AttributeTypeTime %s=#%s#", kLineDeleteTime, label,
                               info_title, info.TimeValue.GetLocaleText());
            break;
        case KavoObject::AttributeTypeNull:
            pelk_syslog_printf("\n[%d] %s Delete AttributeTypeTime %s=#NULL#", kLineDeleteNull,
                               label, info_title);
            break;
        default:
            pelk_syslog_printf("\n[%d] %s Unknown Type???", kLineUnknownType, label);
            return kUnknownType;
    }
    part.DeleteAttributeByTypeAndTitle(info.Type, title);
    return kDeleted;
}

void trace_delete_result(const char* title, int code) {
    if (code == kDeleted) {
        pelk_syslog_printf("\n##%s:Delete", title);
    } else if (code == kNotSet) {
        pelk_syslog_printf("\n##%s:Notexist", title);
    } else {
        pelk_syslog_printf("\n##%s:Error %d", title, code);
    }
}

// The legacy width of a variable's value: one digit 1 to 9 and nothing else
// gives the digit + 4; anything else 0 (not valid).
int legacy_width_of(const char* value) {
    if (value[0] < '1' || value[0] > '9' || value[1] != '\0') return 0;
    return value[0] - '0' + 4;
}

struct WidthVariable {
    const char* name;
    int check_point;
};

constexpr std::array<WidthVariable, 3> kWidthVariables{{
    {"VRELII_CONVERT_LEGACY_THIN_LINEWIDTH_TO_NEW_LINEWIDTH", kLineThinWidth},
    {"VRELII_CONVERT_LEGACY_NORMAL_LINEWIDTH_TO_NEW_LINEWIDTH", kLineNormalWidth},
    {"VRELII_CONVERT_LEGACY_THICK_LINEWIDTH_TO_NEW_LINEWIDTH", kLineThickWidth},
}};

constexpr std::size_t kVariableValueSize = 256;

}  // namespace

int Delete_Part_Attribute(const char* title) {
    const char* label = trace_release_label;
    KavoOpen::BasePart* part = work_part();
    pelk_syslog_printf("\n[%d] %s Start of Delete_Part_Attribute  title = %s", kLineStartDelete,
                       label, title);
    pelk_syslog_printf("\n[%d] %s theWorkPart=%d", kLineWorkPart, label,
                       part != nullptr ? static_cast<int>(part->Tag()) : 0);

    const KavoOpen::KavoString attribute_title(title);
    if (part == nullptr ||
        !part->HasUserAttribute(attribute_title, KavoObject::AttributeTypeAny, -1)) {
        pelk_syslog_printf("\n[%d] %s Attribute is not set", kLineNotSet, label);
        return kNotSet;
    }

    // The record's KavoString members go with it when it leaves scope.
    const KavoObject::AttributeInformation info =
        part->GetUserAttribute(attribute_title, KavoObject::AttributeTypeAny, -1);
    pelk_syslog_printf("\n[%d] %s AttInfo %s type=%d  PDM=%d locked=%d  overwrite=%d", kLineAttInfo,
                       label, info.Title.GetLocaleText(), static_cast<int>(info.Type),
                       info.PdmBased ? 1 : 0, info.Locked ? 1 : 0, info.Overwrite ? 1 : 0);
    if (info.Locked) {
        pelk_syslog_printf("\n[%d] %s is locked", kLineLocked, label);
        return kLocked;
    }
    return delete_by_type(*part, info, attribute_title);
}

int delete_attributes() {
    if (!host_release().delete_attributes_action) return 0;
    for (const char* title : {"VRELII_JT_DETAILS", "CHECKED_OUT_BY"})
        trace_delete_result(title, Delete_Part_Attribute(title));
    return 0;
}

// Some releases only check the variables and never set the map; the oldest
// have no such action.
int set_line_width_preferences() {
    const LineWidthAction action = host_release().line_width_action;
    if (action == LineWidthAction::none) return 0;
    const char* label = trace_release_label;
    KavoOpen::BasePart* part = work_part();

    char values[3][kVariableValueSize] = {};
    for (std::size_t i = 0; i < kWidthVariables.size(); ++i) {
        pelk_translate_variable(kWidthVariables[i].name, values[i], kVariableValueSize);
        pelk_syslog_printf("\n[%d] %s %s=%s", kWidthVariables[i].check_point, label,
                           kWidthVariables[i].name, values[i]);
    }

    using WidthType = KavoOpen::Preferences::PartObject::WidthType;
    std::vector<WidthType> map(3, static_cast<WidthType>(0));
    int errors = 0;
    for (std::size_t i = 0; i < map.size(); ++i) {
        const int width = legacy_width_of(values[i]);
        if (width == 0) {
            ++errors;
        } else {
            map[i] = static_cast<WidthType>(width);
        }
    }
    if (part == nullptr) ++errors;  // nowhere to set it

    if (errors == 0) {
        if (action == LineWidthAction::check_only) return 0;
        part->Preferences()->ObjectPreferences()->SetLegacyLineWidthMap(map);
        pelk_syslog_printf("\n[%d] %s Info: SetLegacyLineWidthMap --> passed", kLineMapPassed,
                           label);
    } else {
        pelk_syslog_printf("\n[%d] %s Error: SetLegacyLineWidthMap. Mapping envs not correct",
                           kLineMapError, label);
    }
    return 0;
}
