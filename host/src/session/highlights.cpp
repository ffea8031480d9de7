// Every highlight change that reached an object, in call order.
#include "session/highlights.hpp"

#include <standin/testing.hpp>

namespace standin {
namespace {

std::vector<HighlightEntry>& entries() {
    static auto* list = new std::vector<HighlightEntry>();
    return *list;
}

void reset_highlights() {
    entries().clear();
}

struct Installer {
    Installer() { add_reset_hook(reset_highlights); }
} installer;

}  // namespace

void record_highlight(const Object& object, int on) {
    entries().push_back({object.tag, object.handle, on != 0 ? 1 : 0});
}

const std::vector<HighlightEntry>& highlight_entries() {
    return entries();
}

}  // namespace standin
