// Part preferences through the object interface: the legacy line-width map.
// The wrappers belong to the host and keep one address per part tag for the
// life of the process; they look the part up on every call.
//
// A fault set for "PartObject::SetLegacyLineWidthMap" (for the part) makes
// the call throw KavoException with the code in the message.
#include <kavoopen/kavoopen.hpp>
#include <standin/testing.hpp>

#include "parts/store.hpp"
#include "session/faults.hpp"

#include <array>
#include <memory>
#include <string>
#include <unordered_map>

namespace KavoOpen {
namespace {

constexpr const char* kSourceFile = "kavoopen_preferences.cpp";
constexpr int kFirstLegacyWidth = Preferences::PartObject::WidthType1;
constexpr int kLastLegacyWidth = Preferences::PartObject::WidthType9;

template <typename T>
T* wrapper_for(std::unordered_map<tag_t, std::unique_ptr<T>>& wrappers, tag_t tag) {
    auto& slot = wrappers[tag];
    if (!slot) slot = std::make_unique<T>(tag);
    return slot.get();
}

struct PreferenceWrappers {
    std::unordered_map<tag_t, std::unique_ptr<Preferences::PartPreferences>> parts;
    std::unordered_map<tag_t, std::unique_ptr<Preferences::PartObject>> objects;
};

PreferenceWrappers& wrappers() {
    static auto* w = new PreferenceWrappers();
    return *w;
}

}  // namespace

Preferences::PartPreferences* BasePart::Preferences() {
    standin::throw_on_fault("BasePart::Preferences", Tag(), __LINE__, kSourceFile);
    return wrapper_for(wrappers().parts, Tag());
}

namespace Preferences {

PartObject* PartPreferences::ObjectPreferences() {
    standin::throw_on_fault("PartPreferences::ObjectPreferences", part_, __LINE__, kSourceFile);
    return wrapper_for(wrappers().objects, part_);
}

void PartObject::SetLegacyLineWidthMap(const std::vector<WidthType>& map) {
    standin::Part* part = standin::find_part(part_);
    if (part == nullptr) throw KavoException("The part is not loaded", __LINE__, kSourceFile);
    standin::throw_on_fault("PartObject::SetLegacyLineWidthMap", part_, __LINE__, kSourceFile);
    if (map.size() != 3)
        throw KavoException("The legacy line-width map takes three widths", __LINE__, kSourceFile);
    std::array<int, 3> widths{};
    for (std::size_t i = 0; i < 3; ++i) {
        const int width = static_cast<int>(map[i]);
        if (width < kFirstLegacyWidth || width > kLastLegacyWidth)
            throw KavoException("Invalid legacy line width " + std::to_string(width), __LINE__,
                                kSourceFile);
        widths[i] = width;
    }
    if (part->line_width_map == widths) return;
    part->line_width_map = widths;
    standin::mark_modified(*part);
}

}  // namespace Preferences
}  // namespace KavoOpen

namespace standin {

std::optional<std::array<int, 3>> legacy_line_width_map(tag_t part) {
    const Part* p = find_part(part);
    if (p == nullptr) return std::nullopt;
    return p->line_width_map;
}

}  // namespace standin
