// Gathering the work view's objects by layer and emphasis.
#include "picture/work_view_picture.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <unordered_set>
#include <utility>

#include "drafting/cgm/annotation_drawing.hpp"
#include "drafting/cgm/view_projection.hpp"
#include "picture/twin_index.hpp"

namespace standin::picture {
namespace {

constexpr double kMarginShare = 0.03;  // of the drawing's larger side
constexpr double kMinMargin = 1.0;
constexpr double kGlyphWidth = 0.6;  // a character's advance, in text heights
constexpr double kEmptySide = 100.0;

const char* const kColourNames[] = {"white",  "black", "green", "cyan",   "red",    "magenta",
                                    "yellow", "grey",  "blue",  "orange", "purple", "brown",
                                    "olive",  "teal",  "pink",  "navy"};

std::string colour_name(int colour) {
    if (colour >= 0 && colour < static_cast<int>(std::size(kColourNames)))
        return std::string(kColourNames[colour]) + " (" + std::to_string(colour) + ")";
    return "colour " + std::to_string(colour);
}

std::string short_number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

// What drawings hold belongs to their sheets, not to the work view: the
// objects of a sheet's own view (in sheet coordinates) and the notes and
// annotations that member views list. The model objects member views show
// stay.
std::unordered_set<tag_t> drawing_objects(const Part& part) {
    std::unordered_set<tag_t> owned;
    auto each_of_type = [&part](int type, auto visit) {
        const auto list = part.by_type.find(type);
        if (list == part.by_type.end()) return;
        for (tag_t t : list->second) {
            const Object* o = find_object(t);
            if (o != nullptr && o->type == type) visit(*o);
        }
    };
    std::unordered_set<tag_t> sheet_views;
    each_of_type(RQ_drawing_type, [&](const Object& sheet) {
        if (sheet.sheet) sheet_views.insert(sheet.sheet->sheet_view);
    });
    each_of_type(RQ_view_type, [&](const Object& view) {
        if (!view.view) return;
        const bool sheet_view = sheet_views.contains(view.tag);
        for (tag_t t : view.view->objects) {
            const Object* o = find_object(t);
            if (o != nullptr && (sheet_view || cgm::is_annotation(*o))) owned.insert(t);
        }
        owned.insert(view.view->notes.begin(), view.view->notes.end());
    });
    return owned;
}

struct LayerGroup {
    PictureGroup group;
    int colour = 1;  // of its first object
    std::size_t objects = 0;
};

class WorkViewBuilder {
  public:
    WorkViewBuilder(const Part& part, const PictureOptions& options)
        : part_(part), options_(options), twins_(options.offset) {}

    Picture build() {
        const std::unordered_set<tag_t> owned = drawing_objects(part_);
        std::vector<const Object*> shown;
        for (tag_t t : part_.objects) {
            const Object* o = find_object(t);
            if (o == nullptr || o->erased || !o->displayable || o->blank_status != 0 ||
                owned.contains(t))
                continue;
            // Twins count on the first layer even when it is not drawn.
            if (options_.overlay && o->layer == options_.overlay_layers[0]) twins_.add(*o);
            if (wanted_layer(o->layer)) shown.push_back(o);
        }
        for (const Object* o : shown) add(*o);

        Picture picture;
        picture.box = bounding_box();
        for (auto& [key, layer] : groups_) {
            if (layer.objects == 0) continue;  // only objects that draw nothing
            layer.group.scene.clip = picture.box;
            picture.legend.push_back(legend_entry(key.first, key.second, layer));
            picture.groups.push_back(std::move(layer.group));
        }
        return picture;
    }

  private:
    bool wanted_layer(int layer) const {
        return options_.layers.empty() || std::find(options_.layers.begin(), options_.layers.end(),
                                                    layer) != options_.layers.end();
    }

    Emphasis emphasis_of(const Object& o) const {
        if (!options_.overlay || o.layer != options_.overlay_layers[1] ||
            options_.overlay_layers[0] == options_.overlay_layers[1])
            return Emphasis::normal;
        return twins_.has_twin(o) ? Emphasis::faint : Emphasis::strong;
    }

    void add(const Object& o) {
        const Emphasis emphasis = emphasis_of(o);
        LayerGroup& layer = groups_[{o.layer, emphasis}];
        cgm::SceneGroup& scene = layer.group.scene;
        const std::size_t before = scene.strokes.size() + scene.labels.size();
        const cgm::Pen pen{o.color, o.font, o.line_width};
        if (cgm::is_annotation(o)) {
            cgm::add_annotation(o, pen, scene);
        } else {
            cgm::add_model_strokes(o, cgm::ViewProjection(), pen, scene.strokes);
        }
        if (scene.strokes.size() + scene.labels.size() == before) return;
        if (layer.objects++ == 0) {
            layer.colour = o.color;
            layer.group.emphasis = emphasis;
            layer.group.name = "layer" + std::to_string(o.layer) + name_suffix(emphasis);
        }
    }

    static std::string name_suffix(Emphasis emphasis) {
        switch (emphasis) {
            case Emphasis::faint:
                return " twin";
            case Emphasis::strong:
                return " changed";
            default:
                return "";
        }
    }

    LegendEntry legend_entry(int layer_number, Emphasis emphasis, const LayerGroup& layer) const {
        std::string text =
            "layer " + std::to_string(layer_number) + ", " + colour_name(layer.colour);
        if (const auto held = options_.legend.find(layer_number); held != options_.legend.end())
            text += ": " + held->second;
        text +=
            ", " + std::to_string(layer.objects) + (layer.objects == 1 ? " object" : " objects");
        if (emphasis == Emphasis::faint) {
            text += " with a twin on layer " + std::to_string(options_.overlay_layers[0]) +
                    " moved by (" + short_number(options_.offset[0]) + ", " +
                    short_number(options_.offset[1]) + "): faint";
        } else if (emphasis == Emphasis::strong) {
            text += " without a twin on layer " + std::to_string(options_.overlay_layers[0]) +
                    ", what changed: strong";
        }
        return LegendEntry{layer.colour, emphasis, text};
    }

    // Everything drawn, texts by an estimate of their extent, plus a margin.
    cgm::ClipBox bounding_box() const {
        double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
        auto take = [&](cgm::SheetPoint p) {
            if (!std::isfinite(p[0]) || !std::isfinite(p[1])) return;
            x0 = std::min(x0, p[0]);
            y0 = std::min(y0, p[1]);
            x1 = std::max(x1, p[0]);
            y1 = std::max(y1, p[1]);
        };
        for (const auto& [key, layer] : groups_) {
            for (const cgm::Stroke& s : layer.group.scene.strokes)
                for (const cgm::SheetPoint& p : s.points) take(p);
            for (const cgm::Label& l : layer.group.scene.labels) {
                const double a = l.angle * std::numbers::pi / 180.0;
                const double run = kGlyphWidth * l.height * static_cast<double>(l.text.size());
                take(l.at);
                take({l.at[0] + run * std::cos(a), l.at[1] + run * std::sin(a)});
                take({l.at[0] - l.height * std::sin(a), l.at[1] + l.height * std::cos(a)});
            }
        }
        if (!(x1 >= x0 && y1 >= y0)) return {0, 0, kEmptySide, kEmptySide};
        const double margin = std::max(kMinMargin, kMarginShare * std::max(x1 - x0, y1 - y0));
        return {x0 - margin, y0 - margin, x1 + margin, y1 + margin};
    }

    const Part& part_;
    const PictureOptions& options_;
    TwinIndex twins_;
    std::map<std::pair<int, Emphasis>, LayerGroup> groups_;
};

}  // namespace

Picture work_view_picture(const Part& part, const PictureOptions& options) {
    return WorkViewBuilder(part, options).build();
}

}  // namespace standin::picture
