// User attributes through the object interface. They live in the same store as
// the procedural attributes; only the type numbers differ (integer 3, real 4,
// time 6, null 1, string 5, boolean 2; 100 selects any type).
//
// Faults on demand (set for the part or object, see faults.hpp):
// "KavoObject::HasUserAttribute", "KavoObject::GetUserAttribute" and
// "KavoObject::DeleteAttributeByTypeAndTitle" throw KavoException with the
// code in the message; "KavoObject::AttributeType" makes GetUserAttribute
// report the fault's code as the attribute's type (a type the caller may not
// know).
#include <kavoopen/kavoopen.hpp>

#include "parts/store.hpp"
#include "session/faults.hpp"

#include <string>
#include <vector>

namespace KavoOpen {
namespace {

constexpr const char* kSourceFile = "kavoopen_attributes.cpp";

KavoObject::AttributeType object_interface_type(standin::AttrKind kind) {
    switch (kind) {
        case standin::AttrKind::null:
            return KavoObject::AttributeTypeNull;
        case standin::AttrKind::boolean:
            return KavoObject::AttributeTypeBoolean;
        case standin::AttrKind::integer:
            return KavoObject::AttributeTypeInteger;
        case standin::AttrKind::real:
            return KavoObject::AttributeTypeReal;
        case standin::AttrKind::string:
            return KavoObject::AttributeTypeString;
        case standin::AttrKind::time:
            return KavoObject::AttributeTypeTime;
    }
    return KavoObject::AttributeTypeInvalid;
}

// The attribute list of a loaded part or a live object; throws otherwise.
std::vector<standin::Attribute>& attributes_of(tag_t tag, int line) {
    if (standin::Part* part = standin::find_part(tag)) return part->attributes;
    standin::Object* object = standin::find_object(tag);
    if (object == nullptr || object->status == RQ_OBJ_DELETED)
        throw KavoException("The object no longer exists", line, kSourceFile);
    return object->attributes;
}

void throw_on_fault(const char* call, tag_t tag, int line) {
    standin::throw_on_fault(call, tag, line, kSourceFile);
}

bool selects(KavoObject::AttributeType type, int index, const standin::Attribute& a) {
    if (index != -1 && index != 0) return false;  // one attribute per title
    return type == KavoObject::AttributeTypeAny || type == object_interface_type(a.kind);
}

std::vector<standin::Attribute>::iterator find_attribute(std::vector<standin::Attribute>& list,
                                                         const KavoString& title,
                                                         KavoObject::AttributeType type,
                                                         int index) {
    const std::string wanted = title.GetLocaleText();
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->title == wanted && selects(type, index, *it)) return it;
    return list.end();
}

void mark_owner_modified(tag_t tag) {
    if (standin::Part* part = standin::find_part(tag)) {
        standin::mark_modified(*part);
    } else if (standin::Object* object = standin::find_object(tag)) {
        standin::touch_object(*object);
    }
}

}  // namespace

bool KavoObject::HasUserAttribute(const KavoString& title, AttributeType type, int index) {
    throw_on_fault("KavoObject::HasUserAttribute", Tag(), __LINE__);
    auto& list = attributes_of(Tag(), __LINE__);
    return find_attribute(list, title, type, index) != list.end();
}

KavoObject::AttributeInformation KavoObject::GetUserAttribute(const KavoString& title,
                                                              AttributeType type, int index) {
    throw_on_fault("KavoObject::GetUserAttribute", Tag(), __LINE__);
    auto& list = attributes_of(Tag(), __LINE__);
    auto it = find_attribute(list, title, type, index);
    if (it == list.end())
        throw KavoException(std::string("No user attribute titled ") + title.GetLocaleText(),
                            __LINE__, kSourceFile);
    const standin::Attribute& a = *it;
    AttributeInformation info;
    info.Type = object_interface_type(a.kind);
    if (int scripted = standin::fault_code("KavoObject::AttributeType", Tag()))
        info.Type = static_cast<AttributeType>(scripted);
    info.Title = KavoString(a.title);
    info.BooleanValue = a.boolean != 0;
    info.IntegerValue = a.integer;
    info.RealValue = a.real;
    info.StringValue = KavoString(a.text);
    info.TimeValue = KavoString(a.time_text);
    info.Locked = a.locked;
    info.PdmBased = a.pdm;
    info.OwnedBySystem = a.pdm;
    info.Overwrite = a.overwrite;
    return info;
}

void KavoObject::DeleteAttributeByTypeAndTitle(AttributeType type, const KavoString& title) {
    throw_on_fault("KavoObject::DeleteAttributeByTypeAndTitle", Tag(), __LINE__);
    auto& list = attributes_of(Tag(), __LINE__);
    auto it = find_attribute(list, title, type, -1);
    if (it == list.end())
        throw KavoException(
            std::string("No user attribute of that type titled ") + title.GetLocaleText(), __LINE__,
            kSourceFile);
    if (it->locked)
        throw KavoException(std::string("The attribute is locked: ") + title.GetLocaleText(),
                            __LINE__, kSourceFile);
    list.erase(it);
    mark_owner_modified(Tag());
}

}  // namespace KavoOpen
