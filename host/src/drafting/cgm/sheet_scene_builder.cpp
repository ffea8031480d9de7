// What a drawing sheet shows, gathered from its views and objects.
#include "drafting/cgm/sheet_scene_builder.hpp"

#include <algorithm>
#include <unordered_set>

#include "drafting/cgm/annotation_drawing.hpp"
#include "drafting/cgm/view_projection.hpp"

namespace standin::cgm {
namespace {

constexpr double kNameInset = 1.0;  // view names sit this far inside the border

// A live object that is shown (not blanked).
const Object* shown(tag_t tag) {
    const Object* o = find_object(tag);
    return o != nullptr && !o->erased && o->blank_status == 0 ? o : nullptr;
}

Pen pen_of(const Object& o) {
    return Pen{o.color, o.font, o.line_width};
}

ClipBox intersection(const ClipBox& a, const ClipBox& b) {
    return {std::max(a.x_min, b.x_min), std::max(a.y_min, b.y_min), std::min(a.x_max, b.x_max),
            std::min(a.y_max, b.y_max)};
}

void add_rectangle(double x0, double y0, double x1, double y1, const Pen& pen, SceneGroup& out) {
    out.strokes.push_back(Stroke{
        {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}, pen.colour, pen.font, pen.width});
}

class SceneBuilder {
  public:
    SceneBuilder(const Object& sheet_object, const Sheet& sheet)
        : sheet_object_(sheet_object), sheet_(sheet) {
        const auto size = sheet_size(sheet_object);
        sheet_group_.clip = {0, 0, size[0], size[1]};
    }

    std::vector<SceneGroup> build() {
        for (tag_t t : sheet_.views) add_member_view(t);
        add_sheet_view_objects();
        for (tag_t t : sheet_.views) add_view_annotations(t);
        add_own_items();
        add_rectangle(0, 0, sheet_group_.clip.x_max, sheet_group_.clip.y_max, pen_of(sheet_object_),
                      sheet_group_);
        groups_.push_back(std::move(sheet_group_));
        return std::move(groups_);
    }

  private:
    static const View* member_view(tag_t tag, const Object** object) {
        const Object* o = find_object(tag);
        if (o == nullptr || o->erased || !o->view) return nullptr;
        *object = o;
        return o->view.get();
    }

    // The view's model objects clipped at its borders; its border and name
    // go with the sheet's group.
    void add_member_view(tag_t tag) {
        const Object* view_object = nullptr;
        const View* view = member_view(tag, &view_object);
        if (view == nullptr) return;
        const auto& b = view->borders;
        SceneGroup content;
        content.clip = intersection({b[0], b[1], b[2], b[3]}, sheet_group_.clip);
        const ViewProjection projection(*view);
        for (tag_t t : view->objects) {
            const Object* o = shown(t);
            if (o != nullptr && !is_annotation(*o))
                add_model_strokes(*o, projection, pen_of(*o), content.strokes);
        }
        groups_.push_back(std::move(content));
        const Pen pen = pen_of(*view_object);
        if (b[2] > b[0] && b[3] > b[1]) add_rectangle(b[0], b[1], b[2], b[3], pen, sheet_group_);
        if (view_object->name && !view_object->name->empty())
            sheet_group_.labels.push_back(Label{{b[0] + kNameInset, b[1] + kNameInset},
                                                *view_object->name,
                                                kDefaultTextHeight,
                                                0.0,
                                                pen.colour});
    }

    void add_sheet_object(tag_t tag) {
        const Object* o = shown(tag);
        if (o == nullptr || !drawn_.insert(tag).second) return;
        if (is_annotation(*o)) {
            add_annotation(*o, pen_of(*o), sheet_group_);
        } else {
            add_model_strokes(*o, ViewProjection(), pen_of(*o), sheet_group_.strokes);
        }
    }

    // The sheet view's objects lie in sheet coordinates.
    void add_sheet_view_objects() {
        const Object* sheet_view = find_object(sheet_.sheet_view);
        if (sheet_view == nullptr || sheet_view->erased || !sheet_view->view) return;
        for (tag_t t : sheet_view->view->objects) add_sheet_object(t);
    }

    // Notes and annotations a member view lists that the sheet view does not.
    void add_view_annotations(tag_t tag) {
        const Object* view_object = nullptr;
        const View* view = member_view(tag, &view_object);
        if (view == nullptr) return;
        for (tag_t t : view->notes) add_sheet_object(t);
        for (tag_t t : view->objects) {
            const Object* o = shown(t);
            if (o != nullptr && is_annotation(*o)) add_sheet_object(t);
        }
    }

    void add_own_items() {
        for (const SheetGraphic& g : sheet_.drawing) {
            const int colour = g.color != 0 ? g.color : sheet_object_.color;
            if (g.kind == SheetGraphic::Kind::polyline) {
                sheet_group_.strokes.push_back(Stroke{g.points, colour, 1, 0});
            } else if (!g.points.empty()) {
                sheet_group_.labels.push_back(Label{g.points[0], g.text,
                                                    g.height > 0 ? g.height : kDefaultTextHeight,
                                                    0.0, colour});
            }
        }
    }

    const Object& sheet_object_;
    const Sheet& sheet_;
    SceneGroup sheet_group_;
    std::vector<SceneGroup> groups_;
    std::unordered_set<tag_t> drawn_;
};

}  // namespace

std::array<double, 2> sheet_size(const Object& sheet_object) {
    if (sheet_object.sheet && sheet_object.sheet->size) return *sheet_object.sheet->size;
    return {kDefaultSheetWidth, kDefaultSheetHeight};
}

std::vector<SceneGroup> sheet_scene(const Object& sheet_object) {
    static const Sheet no_content;
    const Sheet& sheet = sheet_object.sheet ? *sheet_object.sheet : no_content;
    return SceneBuilder(sheet_object, sheet).build();
}

}  // namespace standin::cgm
