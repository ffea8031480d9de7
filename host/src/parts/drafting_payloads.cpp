// Part-file codec of the "drafting" entry of a drafting object or dimension:
// origin, associativity, text blocks, sketch-dimension status and the lines
// of a note or label (docs/part-format.md).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "parts/part_file.hpp"
#include "parts/payload_reader.hpp"
#include "parts/store.hpp"
#include "session/text_encoding.hpp"

namespace standin {
namespace {

// The keys of a "drafting" entry and of its lists and objects; any other is
// refused.
constexpr std::string_view drafting_keys[] = {"origin", "associativity", "text_blocks", "sketch",
                                              "text",   "cast_fails",    "text_throws"};
constexpr std::string_view associativity_keys[] = {"first", "second"};
constexpr std::string_view text_block_keys[] = {"type", "font", "size", "angle", "lines"};
constexpr std::string_view sketch_keys[] = {"expression", "expression_text", "value", "status"};

bool load_drafting(const ordered_json& value, Object& object, const LoadContext& context,
                   Refusal& error) {
    PayloadReader r(value, context, error, drafting_keys);
    auto d = std::make_unique<Drafting>();
    d->origin = r.numbers<3>("origin", d->origin);
    d->associativity = r.list<AssociativityRecord>(
        "associativity", associativity_keys, [](PayloadReader& item, AssociativityRecord& record) {
            record.first = item.ref("first");
            record.second = item.ref("second");
        });
    d->text_blocks = r.list<TextBlock>("text_blocks", text_block_keys,
                                       [](PayloadReader& item, TextBlock& block) {
                                           block.text_type = item.integer("type", block.text_type);
                                           block.font = item.integer("font", block.font);
                                           block.size = item.number("size", block.size);
                                           block.angle = item.number("angle", block.angle);
                                           block.lines = item.texts("lines");
                                       });
    d->text = r.texts("text");
    d->cast_fails = r.boolean("cast_fails", false);
    d->text_throws = r.boolean("text_throws", false);
    SketchDimensionStatus sketch;
    if (r.object("sketch", sketch_keys, [&sketch](PayloadReader& item) {
            sketch.expression = item.ref("expression");
            sketch.expression_text = item.text("expression_text", sketch.expression_text);
            sketch.value = item.number("value", sketch.value);
            sketch.status = item.integer("status", sketch.status);
        }))
        d->sketch = std::move(sketch);
    if (!r.ok()) return false;
    object.drafting = std::move(d);
    return true;
}

void save_drafting(const Object& object, ordered_json& entry, const SaveContext& context) {
    if (!object.drafting) return;
    const Drafting& d = *object.drafting;
    ordered_json j;
    j["origin"] = ordered_json::array();
    for (double v : d.origin) j["origin"].push_back(number_to_json(v));
    if (!d.associativity.empty()) {
        ordered_json list = ordered_json::array();
        for (const AssociativityRecord& r : d.associativity) {
            ordered_json item = ordered_json::object();
            put_ref(item, "first", r.first, context);
            put_ref(item, "second", r.second, context);
            list.push_back(std::move(item));
        }
        j["associativity"] = std::move(list);
    }
    if (!d.text_blocks.empty()) {
        ordered_json list = ordered_json::array();
        for (const TextBlock& b : d.text_blocks) {
            list.push_back({{"type", b.text_type},
                            {"font", b.font},
                            {"size", number_to_json(b.size)},
                            {"angle", number_to_json(b.angle)},
                            {"lines", texts_json(b.lines)}});
        }
        j["text_blocks"] = std::move(list);
    }
    if (d.sketch) {
        ordered_json s = ordered_json::object();
        put_ref(s, "expression", d.sketch->expression, context);
        s["expression_text"] = file_text(d.sketch->expression_text);
        s["value"] = number_to_json(d.sketch->value);
        s["status"] = d.sketch->status;
        j["sketch"] = std::move(s);
    }
    if (!d.text.empty()) j["text"] = texts_json(d.text);
    if (d.cast_fails) j["cast_fails"] = true;
    if (d.text_throws) j["text_throws"] = true;
    entry["drafting"] = std::move(j);
}

struct Registration {
    Registration() { register_payload("drafting", load_drafting, save_drafting); }
};
const Registration registration;

}  // namespace
}  // namespace standin
