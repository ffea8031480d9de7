// Expressions of a part through the procedural interface.
#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"

#include <vector>

namespace standin {
namespace {

const Expression* expression_of(tag_t tag) {
    const Object* object = find_object(tag);
    return object != nullptr && object->status != RQ_OBJ_DELETED ? object->expression.get()
                                                                 : nullptr;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

// The array is host memory, given also for no expressions, so that RQ_free
// always has a block to release.
RQ_API int RQ_MODL_ask_exps_of_part(tag_t part, int* count, tag_t** expressions) {
    if (count == nullptr || expressions == nullptr) return RQ_err_bad_argument;
    *count = 0;
    *expressions = nullptr;
    if (int code = fault_code("RQ_MODL_ask_exps_of_part", part)) return code;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    std::vector<tag_t> alive;
    alive.reserve(p->expressions.size());
    for (tag_t exp : p->expressions)
        if (expression_of(exp) != nullptr) alive.push_back(exp);
    *expressions = host_array<tag_t>(alive.size());
    for (std::size_t i = 0; i < alive.size(); ++i) (*expressions)[i] = alive[i];
    *count = static_cast<int>(alive.size());
    return 0;
}

// "name=value" without blanks around the equals sign; host memory (RQ_free).
RQ_API int RQ_MODL_ask_exp_tag_string(tag_t expression, char** text) {
    if (text == nullptr) return RQ_err_bad_argument;
    *text = nullptr;
    if (int code = fault_code("RQ_MODL_ask_exp_tag_string", expression)) return code;
    const Expression* e = expression_of(expression);
    if (e == nullptr) return RQ_err_bad_tag;
    *text = host_strdup(e->exp_name + "=" + e->value_text);
    return 0;
}

RQ_API int RQ_MODL_ask_exp_tag_value(tag_t expression, double* value) {
    if (value == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_MODL_ask_exp_tag_value", expression)) return code;
    const Expression* e = expression_of(expression);
    if (e == nullptr) return RQ_err_bad_tag;
    *value = e->value;
    return 0;
}

}  // extern "C"
