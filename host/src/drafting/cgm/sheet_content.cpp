// Part-file codec of a sheet's 2D content.
#include "drafting/cgm/sheet_content.hpp"

#include <cmath>
#include <string_view>

#include "session/text_encoding.hpp"

namespace standin {
namespace {

bool read_point(const ordered_json& value, std::array<double, 2>& point) {
    if (!value.is_array() || value.size() != 2) return false;
    return number_from_json(value[0], point[0]) && number_from_json(value[1], point[1]) &&
           std::isfinite(point[0]) && std::isfinite(point[1]);
}

ordered_json point_json(const std::array<double, 2>& point) {
    return ordered_json::array({number_to_json(point[0]), number_to_json(point[1])});
}

// The keys of a "drawing" item of each kind; any other is refused.
constexpr std::string_view polyline_keys[] = {"polyline", "color"};
constexpr std::string_view text_keys[] = {"text", "at", "height", "color"};

// Reads one "drawing" item; on a mismatch false with the refusal, its place
// relative to the item.
bool read_graphic(const ordered_json& item, SheetGraphic& graphic, Refusal& error) {
    const auto refuse = [&error](std::string place, std::string reason) {
        error = {std::move(place), std::move(reason)};
        return false;
    };
    if (!item.is_object()) return refuse("", "expected an object");
    const bool is_polyline = item.contains("polyline");
    if (!is_polyline && !item.contains("text")) return refuse("", "neither a polyline nor a text");
    if (const std::string* key =
            first_unknown_key(item, is_polyline ? KnownKeys(polyline_keys) : KnownKeys(text_keys)))
        return refuse(key_place("", *key), "unknown key");
    if (auto color = item.find("color"); color != item.end()) {
        if (!color->is_number_integer() || color->get<long long>() < 0 ||
            color->get<long long>() > 255) {
            return refuse("color", "expected a colour number from 0 to 255");
        }
        graphic.color = color->get<int>();
    }
    if (is_polyline) {
        const ordered_json& line = item["polyline"];
        graphic.kind = SheetGraphic::Kind::polyline;
        if (!line.is_array() || line.size() < 2)
            return refuse("polyline", "expected a list of two or more points");
        for (std::size_t i = 0; i < line.size(); ++i) {
            std::array<double, 2> point{};
            if (!read_point(line[i], point))
                return refuse(index_place("polyline", i), "expected two finite numbers");
            graphic.points.push_back(point);
        }
        return true;
    }
    graphic.kind = SheetGraphic::Kind::text;
    std::string reason;
    if (!session_text(item["text"], graphic.text, reason)) return refuse("text", reason);
    std::array<double, 2> at{0, 0};
    if (auto pos = item.find("at"); pos != item.end() && !read_point(*pos, at))
        return refuse("at", "expected two finite numbers");
    graphic.points.push_back(at);
    if (auto height = item.find("height"); height != item.end()) {
        if (!number_from_json(*height, graphic.height) || !std::isfinite(graphic.height) ||
            graphic.height < 0) {
            return refuse("height", "expected a number of 0 or more");
        }
    }
    return true;
}

}  // namespace

bool load_sheet_content(const ordered_json& value, Sheet& sheet, Refusal& error) {
    if (!value.is_object()) return true;
    if (auto size = value.find("size"); size != value.end() && !size->is_null()) {
        std::array<double, 2> wh{};
        if (!read_point(*size, wh) || wh[0] <= 0 || wh[1] <= 0) {
            error = {"size", "expected two positive numbers"};
            return false;
        }
        sheet.size = wh;
    }
    auto drawing = value.find("drawing");
    if (drawing == value.end() || drawing->is_null()) return true;
    if (!drawing->is_array()) {
        error = {"drawing", "expected a list"};
        return false;
    }
    sheet.drawing.reserve(drawing->size());
    for (std::size_t i = 0; i < drawing->size(); ++i) {
        SheetGraphic graphic;
        Refusal item;
        if (!read_graphic((*drawing)[i], graphic, item)) {
            error = {join_place(index_place("drawing", i), item.place), item.reason};
            return false;
        }
        sheet.drawing.push_back(std::move(graphic));
    }
    return true;
}

void save_sheet_content(const Sheet& sheet, ordered_json& entry) {
    if (sheet.size) entry["size"] = point_json(*sheet.size);
    if (sheet.drawing.empty()) return;
    ordered_json list = ordered_json::array();
    for (const SheetGraphic& g : sheet.drawing) {
        ordered_json item;
        if (g.kind == SheetGraphic::Kind::polyline) {
            ordered_json points = ordered_json::array();
            for (const auto& p : g.points) points.push_back(point_json(p));
            item["polyline"] = std::move(points);
        } else {
            item["text"] = file_text(g.text);
            item["at"] = point_json(g.points.empty() ? std::array<double, 2>{0, 0} : g.points[0]);
            if (g.height > 0) item["height"] = number_to_json(g.height);
        }
        if (g.color != 0) item["color"] = g.color;
        list.push_back(std::move(item));
    }
    entry["drawing"] = std::move(list);
}

}  // namespace standin
