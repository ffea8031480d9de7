// Part-file codec of the "drafting" entry of a drafting object or dimension:
// origin, associativity, text blocks, sketch-dimension status and the lines
// of a note or label (docs/part-format.md).
#include <memory>
#include <string>
#include <vector>

#include "parts/part_file.hpp"
#include "parts/store.hpp"
#include "session/text_encoding.hpp"

namespace standin {
namespace {

// Reading helpers: each returns false and names the problem in `error`.
bool read_int(const ordered_json& j, const char* key, int& out, std::string& error) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return true;
    if (!it->is_number_integer()) {
        error = std::string("\"") + key + "\" is not an integer";
        return false;
    }
    out = it->get<int>();
    return true;
}

bool read_number(const ordered_json& j, const char* key, double& out, std::string& error) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return true;
    if (!number_from_json(*it, out)) {
        error = std::string("\"") + key + "\" is not a number";
        return false;
    }
    return true;
}

bool read_bool(const ordered_json& j, const char* key, bool& out, std::string& error) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return true;
    if (!it->is_boolean()) {
        error = std::string("\"") + key + "\" is not true or false";
        return false;
    }
    out = it->get<bool>();
    return true;
}

bool read_text(const ordered_json& j, const char* key, std::string& out, std::string& error) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return true;
    std::string reason;
    if (!session_text(*it, out, reason)) {
        error = std::string("\"") + key + "\" " + reason;
        return false;
    }
    return true;
}

bool read_texts(const ordered_json& j, const char* key, std::vector<std::string>& out,
                std::string& error) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return true;
    if (!it->is_array()) {
        error = std::string("\"") + key + "\" is not a list of texts";
        return false;
    }
    for (const auto& item : *it) {
        std::string text, reason;
        if (!session_text(item, text, reason)) {
            error = std::string("\"") + key + "\" " + reason;
            return false;
        }
        out.push_back(std::move(text));
    }
    return true;
}

bool read_ref(const ordered_json& j, const char* key, tag_t& out, const LoadContext& context,
              std::string& error) {
    auto it = j.find(key);
    if (it == j.end()) return true;
    std::string reason;
    if (!context.resolve(*it, out, reason)) {
        error = std::string("\"") + key + "\" " + reason;
        return false;
    }
    return true;
}

// A list of objects under `key`, each read by `read_one`.
template <typename T, typename ReadOne>
bool read_list(const ordered_json& j, const char* key, std::vector<T>& out, std::string& error,
               ReadOne read_one) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return true;
    if (!it->is_array()) {
        error = std::string("\"") + key + "\" is not a list";
        return false;
    }
    for (const auto& item : *it) {
        if (!item.is_object()) {
            error = std::string("\"") + key + "\" holds an entry that is not an object";
            return false;
        }
        T value;
        if (!read_one(item, value, error)) return false;
        out.push_back(std::move(value));
    }
    return true;
}

bool read_origin(const ordered_json& j, std::array<double, 3>& origin, std::string& error) {
    auto it = j.find("origin");
    if (it == j.end() || it->is_null()) return true;
    bool ok = it->is_array() && it->size() == 3;
    for (std::size_t i = 0; ok && i < 3; ++i) ok = number_from_json((*it)[i], origin[i]);
    if (!ok) error = "\"origin\" is not a list of 3 numbers";
    return ok;
}

bool load_drafting(const ordered_json& value, Object& object, const LoadContext& context,
                   std::string& error) {
    if (!value.is_object()) {
        error = "is not an object";
        return false;
    }
    auto d = std::make_unique<Drafting>();
    bool ok = read_origin(value, d->origin, error) &&
              read_list(value, "associativity", d->associativity, error,
                        [&](const ordered_json& item, AssociativityRecord& r, std::string& e) {
                            return read_ref(item, "first", r.first, context, e) &&
                                   read_ref(item, "second", r.second, context, e);
                        }) &&
              read_list(value, "text_blocks", d->text_blocks, error,
                        [](const ordered_json& item, TextBlock& b, std::string& e) {
                            return read_int(item, "type", b.text_type, e) &&
                                   read_int(item, "font", b.font, e) &&
                                   read_number(item, "size", b.size, e) &&
                                   read_number(item, "angle", b.angle, e) &&
                                   read_texts(item, "lines", b.lines, e);
                        }) &&
              read_texts(value, "text", d->text, error) &&
              read_bool(value, "cast_fails", d->cast_fails, error) &&
              read_bool(value, "text_throws", d->text_throws, error);
    if (ok) {
        if (auto it = value.find("sketch"); it != value.end() && !it->is_null()) {
            SketchDimensionStatus s;
            ok = it->is_object() && read_ref(*it, "expression", s.expression, context, error) &&
                 read_text(*it, "expression_text", s.expression_text, error) &&
                 read_number(*it, "value", s.value, error) &&
                 read_int(*it, "status", s.status, error);
            if (!it->is_object()) error = "\"sketch\" is not an object";
            if (ok) d->sketch = std::move(s);
        }
    }
    if (!ok) return false;
    object.drafting = std::move(d);
    return true;
}

ordered_json texts_json(const std::vector<std::string>& texts) {
    ordered_json j = ordered_json::array();
    for (const std::string& t : texts) j.push_back(file_text(t));
    return j;
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
