// Features: name, type, display name, browseable and suppression queries.
#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"

#include <optional>
#include <string>

using namespace standin;

namespace {

const Object* feature_object(tag_t tag) {
    const Object* object = find_object(tag);
    return object != nullptr && object->feature ? object : nullptr;
}

// Hands out a text the caller releases with RQ_free; none: no text, non-zero.
int give_text(const std::optional<std::string>& text, char** out) {
    if (!text) return RQ_err_no_name;
    *out = host_strdup(*text);
    return 0;
}

// Common head of the text queries: argument, fault and feature checks.
int text_query(const char* call, tag_t feature, char** out, const Object** object) {
    if (out == nullptr) return RQ_err_bad_argument;
    *out = nullptr;
    if (int code = fault_code(call, feature)) return code;
    *object = feature_object(feature);
    return *object == nullptr ? RQ_err_bad_tag : 0;
}

// A yes/no query about a feature: argument, fault and feature checks, then
// 1 or 0 from the feature's data.
template <typename Flag, typename Read>
int flag_query(const char* call, tag_t feature, Flag* out, Read read) {
    if (out == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code(call, feature)) return code;
    const Object* object = feature_object(feature);
    if (object == nullptr) return RQ_err_bad_tag;
    *out = read(*object->feature) ? 1 : 0;
    return 0;
}

}  // namespace

extern "C" {

// The feature's name is its object name.
RQ_API int RQ_MODL_ask_feat_name(tag_t feature, char** name) {
    const Object* object = nullptr;
    if (int code = text_query("RQ_MODL_ask_feat_name", feature, name, &object)) return code;
    return give_text(object->name, name);
}

RQ_API int RQ_MODL_ask_feat_type(tag_t feature, char** type) {
    const Object* object = nullptr;
    if (int code = text_query("RQ_MODL_ask_feat_type", feature, type, &object)) return code;
    const std::string& text = object->feature->feature_type;
    return give_text(text.empty() ? std::nullopt : std::optional<std::string>(text), type);
}

RQ_API int RQ_MODL_ask_feat_display_name(tag_t feature, char** name) {
    const Object* object = nullptr;
    if (int code = text_query("RQ_MODL_ask_feat_display_name", feature, name, &object)) {
        return code;
    }
    return give_text(object->feature->display_name, name);
}

// The two options select nothing in this host; the flag is the feature's own.
RQ_API int RQ_MODL_is_browseable_feature(tag_t feature, int option1, int option2, logical* flag) {
    return flag_query("RQ_MODL_is_browseable_feature", feature, flag,
                      [](const Feature& f) { return f.browseable; });
}

RQ_API int RQ_MODL_ask_suppress_feature(tag_t feature, int* suppressed) {
    return flag_query("RQ_MODL_ask_suppress_feature", feature, suppressed,
                      [](const Feature& f) { return f.suppressed; });
}

}  // extern "C"
