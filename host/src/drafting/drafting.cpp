// Drafting-object and dimension calls: origin, associativity, text blocks,
// sketch-dimension status and view dependency.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"

using namespace standin;

namespace {

constexpr std::size_t kExpressionTextSize = 10000;
constexpr std::size_t kViewNameSize = 256;

bool is_drafting_type(int type) {
    return type == RQ_drafting_entity_type || type == RQ_dimension_type;
}

// A live drafting object or dimension, or null.
const Object* drafting_object(tag_t tag) {
    const Object* o = find_object(tag);
    if (o == nullptr || o->erased || !is_drafting_type(o->type)) return nullptr;
    return o;
}

// A drafting object without a "drafting" entry has no data of its own.
const Drafting& drafting_of(const Object& o) {
    static const Drafting none;
    return o.drafting ? *o.drafting : none;
}

// ---- view dependency ----------------------------------------------------------
// Object -> the sheet view whose object list holds it, per part. Built on
// first use and rebuilt when the part's number of views or sheets changes,
// or when a remembered position no longer holds the object (a view list
// changed, a view was deleted); a look-up costs O(1).
struct ViewPlace {
    tag_t view = NULL_TAG;
    std::size_t position = 0;
};

// The places are held by tag from the lowest listed tag on: a part's objects
// mostly have neighbouring tags, so the index is about as long as the part.
struct ViewIndex {
    std::pair<std::size_t, std::size_t> signature{static_cast<std::size_t>(-1), 0};
    tag_t first = NULL_TAG;
    std::vector<ViewPlace> where;  // tag - first -> place; view 0: none

    const ViewPlace* find(tag_t tag) const {
        if (tag < first || tag - first >= where.size()) return nullptr;
        const ViewPlace& place = where[tag - first];
        return place.view != NULL_TAG ? &place : nullptr;
    }
};

std::unordered_map<tag_t, ViewIndex>& view_indexes() {
    static auto* indexes = new std::unordered_map<tag_t, ViewIndex>();
    return *indexes;
}

void clear_view_indexes() {
    view_indexes().clear();
}

struct Installer {
    Installer() {
        add_fail_message(RQ_err_not_drafting, "The object is no drafting object or dimension");
        add_fail_message(RQ_err_not_sketch_dimension, "The object is no sketch dimension");
        add_reset_hook(clear_view_indexes);
    }
};
const Installer installer;

std::size_t count_of_type(const Part& part, int type) {
    auto it = part.by_type.find(type);
    return it == part.by_type.end() ? 0 : it->second.size();
}

std::pair<std::size_t, std::size_t> views_signature(const Part& part) {
    return {count_of_type(part, RQ_view_type), count_of_type(part, RQ_drawing_type)};
}

// The sheets' own views of the part, live.
std::vector<const Object*> sheet_views(const Part& part) {
    std::vector<const Object*> views;
    auto it = part.by_type.find(RQ_drawing_type);
    if (it == part.by_type.end()) return views;
    for (tag_t t : it->second) {
        const Object* s = find_object(t);
        if (s == nullptr || s->erased || !s->sheet) continue;
        const Object* v = find_object(s->sheet->sheet_view);
        if (v != nullptr && !v->erased && v->view) views.push_back(v);
    }
    return views;
}

// The sheets' own views hold the view-dependent objects; an object in two of
// them counts for the first.
void rebuild(ViewIndex& index, const Part& part) {
    index.where.clear();
    index.signature = views_signature(part);
    const std::vector<const Object*> views = sheet_views(part);
    tag_t lowest = static_cast<tag_t>(-1), highest = 0;
    for (const Object* v : views) {
        for (tag_t object : v->view->objects) {
            lowest = std::min(lowest, object);
            highest = std::max(highest, object);
        }
    }
    if (highest < lowest) return;
    index.first = lowest;
    index.where.resize(static_cast<std::size_t>(highest - lowest) + 1);
    for (const Object* v : views) {
        const auto& objects = v->view->objects;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            ViewPlace& place = index.where[objects[i] - lowest];
            if (place.view == NULL_TAG) place = {v->tag, i};
        }
    }
}

// The sheet view that holds the object as view dependent, or 0.
tag_t dependent_view(const Object& o) {
    const Part* part = find_part(o.part);
    if (part == nullptr) return NULL_TAG;
    ViewIndex& index = view_indexes()[part->tag];
    if (index.signature != views_signature(*part)) rebuild(index, *part);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const ViewPlace* place = index.find(o.tag);
        if (place == nullptr) return NULL_TAG;
        const Object* v = find_object(place->view);
        if (v != nullptr && !v->erased && v->view && place->position < v->view->objects.size() &&
            v->view->objects[place->position] == o.tag)
            return v->tag;
        rebuild(index, *part);
    }
    return NULL_TAG;
}

// Lays the blocks, their line records and the texts out in one block.
RQ_DRF_text_block_t* copy_blocks(const std::vector<TextBlock>& blocks) {
    std::size_t line_count = 0;
    std::size_t text_bytes = 0;
    for (const TextBlock& b : blocks) {
        line_count += b.lines.size();
        for (const std::string& line : b.lines) text_bytes += line.size() + 1;
    }
    const std::size_t blocks_bytes = blocks.size() * sizeof(RQ_DRF_text_block_t);
    const std::size_t lines_bytes = line_count * sizeof(RQ_DRF_text_line_t);
    char* memory = static_cast<char*>(host_alloc(blocks_bytes + lines_bytes + text_bytes));
    auto* out = reinterpret_cast<RQ_DRF_text_block_t*>(memory);
    auto* line_out = reinterpret_cast<RQ_DRF_text_line_t*>(memory + blocks_bytes);
    char* text_out = memory + blocks_bytes + lines_bytes;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const TextBlock& b = blocks[i];
        out[i].text_type = b.text_type;
        out[i].text_font = b.font;
        out[i].text_size = b.size;
        out[i].text_angle = b.angle;
        out[i].char_space_factor = 1.0;
        out[i].aspect_ratio = 1.0;
        out[i].num_lines = static_cast<int>(b.lines.size());
        out[i].lines = b.lines.empty() ? nullptr : line_out;
        for (const std::string& line : b.lines) {
            std::memcpy(text_out, line.c_str(), line.size() + 1);
            (line_out++)->text = text_out;
            text_out += line.size() + 1;
        }
    }
    return out;
}

}  // namespace

RQ_API int RQ_DRF_ask_origin(tag_t tag, double origin[3]) {
    if (origin == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_DRF_ask_origin", tag)) return code;
    const Object* o = drafting_object(tag);
    if (o == nullptr) return RQ_err_not_drafting;
    for (int i = 0; i < 3; ++i) origin[i] = drafting_of(*o).origin[i];
    return 0;
}

RQ_API int RQ_DRF_ask_associativity_data(tag_t tag, int* count, RQ_DRF_assoc_data_t** records) {
    if (count == nullptr || records == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_DRF_ask_associativity_data", tag)) return code;
    const Object* o = drafting_object(tag);
    if (o == nullptr) return RQ_err_not_drafting;
    const auto& assoc = drafting_of(*o).associativity;
    *count = static_cast<int>(assoc.size());
    *records = nullptr;
    if (assoc.empty()) return 0;
    *records = host_array<RQ_DRF_assoc_data_t>(assoc.size());
    for (std::size_t i = 0; i < assoc.size(); ++i) {
        (*records)[i].first_object = assoc[i].first;
        (*records)[i].second_object = assoc[i].second;
    }
    return 0;
}

RQ_API int RQ_DRF_ask_draft_aid_text_info(tag_t tag, int* count, RQ_DRF_text_block_t** blocks) {
    if (count == nullptr || blocks == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_DRF_ask_draft_aid_text_info", tag)) return code;
    const Object* o = drafting_object(tag);
    if (o == nullptr) return RQ_err_not_drafting;
    const auto& source = drafting_of(*o).text_blocks;
    *count = static_cast<int>(source.size());
    *blocks = source.empty() ? nullptr : copy_blocks(source);
    return 0;
}

RQ_API int RQ_SKET_ask_dim_status(tag_t tag, tag_t* expression, char expression_text[10000],
                                  double* value, int* status) {
    if (expression == nullptr || expression_text == nullptr || value == nullptr ||
        status == nullptr)
        return RQ_err_bad_argument;
    if (int code = fault_code("RQ_SKET_ask_dim_status", tag)) return code;
    const Object* o = drafting_object(tag);
    if (o == nullptr || !o->drafting || !o->drafting->sketch) return RQ_err_not_sketch_dimension;
    const SketchDimensionStatus& s = *o->drafting->sketch;
    *expression = s.expression;
    copy_out(expression_text, kExpressionTextSize, s.expression_text);
    *value = s.value;
    *status = s.status;
    return 0;
}

RQ_API int uc6409(tag_t tag, int* dependent, char view_name[256]) {
    if (dependent == nullptr || view_name == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("uc6409", tag)) return code;
    const Object* o = find_object(tag);
    if (o == nullptr || o->erased) return RQ_err_bad_tag;
    const tag_t view = dependent_view(*o);
    const Object* v = view == NULL_TAG ? nullptr : find_object(view);
    *dependent = v != nullptr ? 1 : 0;
    copy_out(view_name, kViewNameSize, v != nullptr && v->name ? *v->name : std::string());
    return 0;
}
