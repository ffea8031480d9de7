// The object interface's objects by tag and its annotations: notes, labels
// and dimensions with their texts, appended texts and evaluated texts.
// Wrappers belong to the host and stay at one address per tag while the
// object keeps its class; they read the store on every call.
#include <kavoopen/kavoopen.hpp>

#include "kavoopen/kavoopen_annotations.hpp"
#include "parts/store.hpp"
#include "session/faults.hpp"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace KavoOpen {
namespace {

constexpr const char* kSourceFile = "kavoopen_annotations.cpp";

using namespace Annotations;

// The class an object is handed out as.
enum class Kind {
    object,
    annotation,
    drafting_aid,
    dimension,
    horizontal,
    vertical,
    parallel,
    cylindrical,
    perpendicular,
    angular,
    arc_length,
    radius,
    diameter,
    hole,
    ordinate,
    folded_radius
};

Kind dimension_kind(int subtype) {
    switch (subtype) {
        case 1:
            return Kind::horizontal;
        case 2:
            return Kind::vertical;
        case 3:
            return Kind::parallel;
        case 4:
            return Kind::cylindrical;
        case 5:
            return Kind::perpendicular;
        case 6:
        case 7:
            return Kind::angular;
        case 8:
            return Kind::arc_length;
        case 9:
            return Kind::radius;
        case 10:
            return Kind::diameter;
        case 11:
            return Kind::hole;
        case 13:
        case 14:
            return Kind::ordinate;
        case 16:
            return Kind::folded_radius;
        default:
            return Kind::dimension;
    }
}

Kind kind_of(const standin::Object& o) {
    const bool cast_fails = o.drafting && o.drafting->cast_fails;
    if (o.type == RQ_drafting_entity_type) {
        if (cast_fails) return Kind::object;
        return o.subtype == 1 || o.subtype == 2 ? Kind::drafting_aid : Kind::annotation;
    }
    if (o.type == RQ_dimension_type)
        return cast_fails ? Kind::annotation : dimension_kind(o.subtype);
    return Kind::object;
}

std::unique_ptr<TaggedObject> make_wrapper(Kind kind, tag_t tag) {
    switch (kind) {
        case Kind::object:
            return std::make_unique<KavoObject>(tag);
        case Kind::annotation:
            return std::make_unique<Annotation>(tag);
        case Kind::drafting_aid:
            return std::make_unique<SimpleDraftingAid>(tag);
        case Kind::dimension:
            return std::make_unique<Dimension>(tag);
        case Kind::horizontal:
            return std::make_unique<HorizontalDimension>(tag);
        case Kind::vertical:
            return std::make_unique<VerticalDimension>(tag);
        case Kind::parallel:
            return std::make_unique<ParallelDimension>(tag);
        case Kind::cylindrical:
            return std::make_unique<CylindricalDimension>(tag);
        case Kind::perpendicular:
            return std::make_unique<PerpendicularDimension>(tag);
        case Kind::angular:
            return std::make_unique<AngularDimension>(tag);
        case Kind::arc_length:
            return std::make_unique<ArcLengthDimension>(tag);
        case Kind::radius:
            return std::make_unique<RadiusDimension>(tag);
        case Kind::diameter:
            return std::make_unique<DiameterDimension>(tag);
        case Kind::hole:
            return std::make_unique<HoleDimension>(tag);
        case Kind::ordinate:
            return std::make_unique<OrdinateDimension>(tag);
        case Kind::folded_radius:
            return std::make_unique<FoldedRadiusDimension>(tag);
    }
    return std::make_unique<KavoObject>(tag);
}

struct ObjectWrapper {
    Kind kind = Kind::object;
    std::unique_ptr<TaggedObject> object;
};

// Never destroyed, so pointers handed out stay valid; a wrapper whose tag
// now names an object of another class is kept aside, not freed.
struct Wrappers {
    std::vector<ObjectWrapper> objects;  // by tag
    std::vector<std::unique_ptr<TaggedObject>> retired;
    std::unordered_map<tag_t, std::unique_ptr<AnnotationManager>> managers;
    std::vector<std::unique_ptr<AppendedText>> appended;  // by dimension tag
    AssociativeText associative_text;
};

Wrappers& wrappers() {
    static auto* w = new Wrappers();
    return *w;
}

// The entry of a tag in a table held by tag, which grows to take it.
template <typename T>
T& slot_of(std::vector<T>& by_tag, tag_t tag) {
    if (by_tag.size() <= tag) by_tag.resize(static_cast<std::size_t>(tag) + 1);
    return by_tag[tag];
}

const standin::Object& live_object(tag_t tag, int line) {
    const standin::Object* o = standin::find_object(tag);
    if (o == nullptr || o->erased || o->status == RQ_OBJ_DELETED)
        throw KavoException("No object with tag " + std::to_string(tag), line, kSourceFile);
    return *o;
}

std::vector<KavoString> to_kavo_strings(const std::vector<std::string>& texts) {
    std::vector<KavoString> out;
    out.reserve(texts.size());
    for (const std::string& t : texts) out.emplace_back(t);
    return out;
}

const standin::Dimension& dimension_data(tag_t tag, int line) {
    static const standin::Dimension none;
    const standin::Object& o = live_object(tag, line);
    return o.dimension ? *o.dimension : none;
}

// The appended texts of a dimension, or KavoException when that getter is
// set to fail.
std::vector<KavoString> appended(tag_t tag, const char* which, const char* call,
                                 std::vector<std::string> standin::Dimension::*texts, int line) {
    const standin::Dimension& d = dimension_data(tag, line);
    standin::throw_on_fault(call, tag, line, kSourceFile);
    if (d.throwing_getter == which)
        throw KavoException(std::string("Cannot read the ") + which + " text of the dimension",
                            line, kSourceFile);
    return to_kavo_strings(d.*texts);
}

// Expression names of a part, rebuilt when the part's expression list
// changes size or a remembered expression no longer carries its name, so a
// token costs O(1) rather than a walk over the expressions.
struct ExpressionNames {
    std::size_t count = static_cast<std::size_t>(-1);
    std::unordered_map<std::string, tag_t> tags;
};

const standin::Expression* live_expression(tag_t tag) {
    const standin::Object* e = standin::find_object(tag);
    return e != nullptr && !e->erased ? e->expression.get() : nullptr;
}

void rebuild_names(ExpressionNames& names, const standin::Part& part) {
    names.tags.clear();
    names.count = part.expressions.size();
    for (tag_t t : part.expressions)
        if (const standin::Expression* e = live_expression(t)) names.tags.emplace(e->exp_name, t);
}

std::unordered_map<tag_t, ExpressionNames>& names_by_part() {
    static auto* by_part = new std::unordered_map<tag_t, ExpressionNames>();
    return *by_part;
}

// Part tags are reused by the next session.
struct Installer {
    Installer() {
        standin::add_reset_hook([] { names_by_part().clear(); });
    }
};
const Installer installer;

const standin::Expression* find_expression(const standin::Part& part, const std::string& name) {
    ExpressionNames& names = names_by_part()[part.tag];
    if (names.count != part.expressions.size()) rebuild_names(names, part);
    auto it = names.tags.find(name);
    const standin::Expression* e = it == names.tags.end() ? nullptr : live_expression(it->second);
    if (it != names.tags.end() && (e == nullptr || e->exp_name != name)) {
        rebuild_names(names, part);
        it = names.tags.find(name);
        e = it == names.tags.end() ? nullptr : live_expression(it->second);
    }
    return e;
}

// The value "<X@name>" stands for in the part, if any.
bool token_value(const standin::Part& part, const std::string& name, std::string& value) {
    if (const standin::Expression* e = find_expression(part, name)) {
        char number[64];
        std::snprintf(number, sizeof number, "%g", e->value);
        value = number;
        return true;
    }
    for (const standin::Attribute& a : part.attributes) {
        if (a.title != name) continue;
        char number[64];
        switch (a.kind) {
            case standin::AttrKind::string:
                value = a.text;
                return true;
            case standin::AttrKind::integer:
                std::snprintf(number, sizeof number, "%d", a.integer);
                value = number;
                return true;
            case standin::AttrKind::real:
                std::snprintf(number, sizeof number, "%g", a.real);
                value = number;
                return true;
            default:
                return false;
        }
    }
    return false;
}

std::string evaluate(const standin::Part* part, const std::string& text) {
    static const std::string kOpen = "<X@";
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find(kOpen, pos);
        const std::size_t end = start == std::string::npos ? start : text.find('>', start);
        if (end == std::string::npos) break;
        const std::string name = text.substr(start + kOpen.size(), end - start - kOpen.size());
        std::string value;
        out.append(text, pos, start - pos);
        if (part != nullptr && token_value(*part, name, value)) {
            out += value;
        } else {
            out.append(text, start, end + 1 - start);
        }
        pos = end + 1;
    }
    out.append(text, pos, std::string::npos);
    return out;
}

}  // namespace

TaggedObject* KavoObjectManager::Get(tag_t tag) {
    const standin::Object& o = live_object(tag, __LINE__);
    standin::throw_on_fault("KavoObjectManager::Get", tag, __LINE__, kSourceFile);
    const Kind kind = kind_of(o);
    ObjectWrapper& slot = slot_of(wrappers().objects, tag);
    if (slot.object && slot.kind != kind) wrappers().retired.push_back(std::move(slot.object));
    if (!slot.object) {
        slot.kind = kind;
        slot.object = make_wrapper(kind, tag);
    }
    return slot.object.get();
}

namespace {

// One manager per part, whichever class asks for it.
Annotations::AnnotationManager* manager_of(tag_t part) {
    auto& slot = wrappers().managers[part];
    if (!slot) slot = std::make_unique<Annotations::AnnotationManager>(part);
    return slot.get();
}

}  // namespace

Annotations::AnnotationManager* BasePart::Annotations() {
    standin::throw_on_fault("BasePart::Annotations", Tag(), __LINE__, kSourceFile);
    return manager_of(Tag());
}

Annotations::AnnotationManager* Part::Annotations() {
    standin::throw_on_fault("Part::Annotations", Tag(), __LINE__, kSourceFile);
    return manager_of(Tag());
}

namespace Annotations {

AssociativeText* AnnotationManager::CreateAssociativeText() {
    if (standin::find_part(part_) == nullptr)
        throw KavoException("The part is not loaded", __LINE__, kSourceFile);
    standin::throw_on_fault("AnnotationManager::CreateAssociativeText", part_, __LINE__,
                            kSourceFile);
    return &wrappers().associative_text;  // stateless: one serves every caller
}

KavoString AssociativeText::GetEvaluatedText(Annotation* annotation, const KavoString& text) {
    if (annotation == nullptr) throw KavoException("No annotation given", __LINE__, kSourceFile);
    const standin::Object& o = live_object(annotation->Tag(), __LINE__);
    standin::throw_on_fault("AssociativeText::GetEvaluatedText", o.tag, __LINE__, kSourceFile);
    return KavoString(evaluate(standin::find_part(o.part), text.GetLocaleText()));
}

// A note or label set to fail throws an exception that is no KavoException.
std::vector<KavoString> SimpleDraftingAid::GetText() {
    const standin::Object& o = live_object(Tag(), __LINE__);
    standin::throw_on_fault("SimpleDraftingAid::GetText", o.tag, __LINE__, kSourceFile);
    if (!o.drafting) return {};
    if (o.drafting->text_throws) throw std::runtime_error("drafting aid text is not readable");
    return to_kavo_strings(o.drafting->text);
}

AppendedText* Dimension::GetAppendedText() {
    live_object(Tag(), __LINE__);
    standin::throw_on_fault("Dimension::GetAppendedText", Tag(), __LINE__, kSourceFile);
    auto& slot = slot_of(wrappers().appended, Tag());
    if (!slot) slot = std::make_unique<AppendedText>(Tag());
    return slot.get();
}

std::vector<KavoString> AppendedText::GetBeforeText() {
    return appended(dimension_, "before", "AppendedText::GetBeforeText",
                    &standin::Dimension::before_text, __LINE__);
}
std::vector<KavoString> AppendedText::GetAfterText() {
    return appended(dimension_, "after", "AppendedText::GetAfterText",
                    &standin::Dimension::after_text, __LINE__);
}
std::vector<KavoString> AppendedText::GetAboveText() {
    return appended(dimension_, "above", "AppendedText::GetAboveText",
                    &standin::Dimension::above_text, __LINE__);
}
std::vector<KavoString> AppendedText::GetBelowText() {
    return appended(dimension_, "below", "AppendedText::GetBelowText",
                    &standin::Dimension::below_text, __LINE__);
}

}  // namespace Annotations
}  // namespace KavoOpen

std::string standin::evaluated_text(const Part* part, const std::string& text) {
    return KavoOpen::evaluate(part, text);
}
