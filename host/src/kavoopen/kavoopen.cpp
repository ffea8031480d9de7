// The object interface: session, parts, expressions and drawing snapshots.
// Wrapper objects belong to the host and stay at one address per tag for
// the life of the process; they look their data up in the store on every
// call, so a wrapper of an unloaded part fails cleanly.
#include <kavoopen/kavoopen.hpp>

#include "parts/store.hpp"
#include "session/faults.hpp"

#include <memory>
#include <string>
#include <unordered_map>

namespace KavoOpen {
namespace {

constexpr const char* kSourceFile = "kavoopen.cpp";

template <typename T>
T* wrapper_for(std::unordered_map<tag_t, std::unique_ptr<T>>& wrappers, tag_t tag) {
    auto& slot = wrappers[tag];
    if (!slot) slot = std::make_unique<T>(tag);
    return slot.get();
}

// Wrappers by tag; never destroyed, so pointers handed out stay valid.
struct Wrappers {
    std::unordered_map<tag_t, std::unique_ptr<Part>> parts;
    std::unordered_map<tag_t, std::unique_ptr<ExpressionCollection>> expression_collections;
    std::unordered_map<tag_t, std::unique_ptr<Expression>> expressions;
    std::unordered_map<tag_t, std::unique_ptr<DrawingCompareManager>> drawing_compare;
    // Name -> expression tag per part, checked against the store on use.
    std::unordered_map<tag_t, std::unordered_map<std::string, tag_t>> expression_names;
};

Wrappers& wrappers() {
    static auto* w = new Wrappers();
    return *w;
}

standin::Part& loaded_part(tag_t tag, int line) {
    standin::Part* part = standin::find_part(tag);
    if (part == nullptr) throw KavoException("The part is not loaded", line, kSourceFile);
    return *part;
}

const standin::Expression* expression_data(tag_t tag, tag_t part) {
    const standin::Object* o = standin::find_object(tag);
    if (o == nullptr || o->status == RQ_OBJ_DELETED || o->part != part) return nullptr;
    return o->expression.get();
}

void rebuild_names(std::unordered_map<std::string, tag_t>& names, const standin::Part& part) {
    names.clear();
    for (tag_t exp : part.expressions)
        if (const standin::Expression* e = expression_data(exp, part.tag))
            names.emplace(e->exp_name, exp);  // the first of a name wins
}

}  // namespace

Session* Session::GetSession() {
    static Session the_session;
    return &the_session;
}

PartCollection* Session::Parts() {
    static PartCollection parts;
    return &parts;
}

BasePart* PartCollection::Work() {
    const tag_t tag = standin::session().work_part;
    standin::throw_on_fault("PartCollection::Work", tag, __LINE__, kSourceFile);
    if (standin::find_part(tag) == nullptr) return nullptr;
    return wrapper_for(wrappers().parts, tag);
}

BasePart* PartCollection::Display() {
    const tag_t tag = standin::session().display_part;
    if (standin::find_part(tag) == nullptr) return nullptr;
    return wrapper_for(wrappers().parts, tag);
}

ExpressionCollection* BasePart::Expressions() {
    standin::throw_on_fault("BasePart::Expressions", Tag(), __LINE__, kSourceFile);
    return wrapper_for(wrappers().expression_collections, Tag());
}

// A name the part does not hold throws KavoException.
Expression* ExpressionCollection::FindObject(const char* name) {
    if (name == nullptr) throw KavoException("No expression name given", __LINE__, kSourceFile);
    const standin::Part& part = loaded_part(part_, __LINE__);
    standin::throw_on_fault("ExpressionCollection::FindObject", part_, __LINE__, kSourceFile);
    auto& names = wrappers().expression_names[part_];
    auto lookup = [&]() -> tag_t {
        auto it = names.find(name);
        if (it == names.end()) return NULL_TAG;
        const standin::Expression* e = expression_data(it->second, part_);
        return e != nullptr && e->exp_name == name ? it->second : NULL_TAG;
    };
    tag_t found = lookup();
    if (found == NULL_TAG) {
        rebuild_names(names, part);
        found = lookup();
    }
    if (found == NULL_TAG)
        throw KavoException(std::string("No expression named ") + name, __LINE__, kSourceFile);
    return wrapper_for(wrappers().expressions, found);
}

bool Expression::IsNoEdit() const {
    standin::throw_on_fault("Expression::IsNoEdit", Tag(), __LINE__, kSourceFile);
    const standin::Object* o = standin::find_object(Tag());
    if (o == nullptr || o->status == RQ_OBJ_DELETED || !o->expression)
        throw KavoException("The expression no longer exists", __LINE__, kSourceFile);
    return o->expression->no_edit;
}

DrawingCompareManager* Part::DrawingCompare() {
    return wrapper_for(wrappers().drawing_compare, Tag());
}

// Records a snapshot on the part. A fault set for the call name
// "DrawingCompareManager::CreateSnapshot" throws with the fault's code in
// the message.
void DrawingCompareManager::CreateSnapshot() {
    standin::Part& part = loaded_part(part_, __LINE__);
    if (int code = standin::fault_code("DrawingCompareManager::CreateSnapshot", part_))
        throw KavoException("Drawing snapshot failed (error " + std::to_string(code) + ")",
                            __LINE__, kSourceFile);
    ++part.snapshots;
    standin::mark_modified(part);
}

}  // namespace KavoOpen
