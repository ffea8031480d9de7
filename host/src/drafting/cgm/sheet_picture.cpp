// Drawing a sheet into a CGM picture. Sheet coordinates map onto integer VDC
// by one scale that fits the sheet into 0..32767 on both axes.
#include "drafting/cgm/sheet_picture.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "drafting/cgm/cgm_writer.hpp"

namespace standin::cgm {
namespace {

constexpr double kVdcRange = 32767.0;
constexpr double kNameInset = 1.0;  // view names sit this far inside the border

const Object* live(tag_t tag) {
    const Object* o = find_object(tag);
    return o != nullptr && !o->erased ? o : nullptr;
}

// Writes attributes only when they change.
class PictureBody {
  public:
    PictureBody(Bytes& out, double scale) : out_(out), scale_(scale) {}

    VdcPoint vdc(double x, double y) const { return {coordinate(x), coordinate(y)}; }
    int length(double value) const { return std::max(1, coordinate(value)); }

    void set_line_colour(int index) {
        if (line_colour_ == index) return;
        line_colour_ = index;
        line_colour(out_, index);
    }
    void set_text_colour(int index) {
        if (text_colour_ == index) return;
        text_colour_ = index;
        text_colour(out_, index);
    }
    void set_height(int height) {
        if (height_ == height) return;
        height_ = height;
        character_height(out_, height);
    }
    void rectangle(double x0, double y0, double x1, double y1) {
        polyline(out_, {vdc(x0, y0), vdc(x1, y0), vdc(x1, y1), vdc(x0, y1), vdc(x0, y0)});
    }
    void line(const std::vector<std::array<double, 2>>& points) {
        std::vector<VdcPoint> vdc_points;
        vdc_points.reserve(points.size());
        for (const auto& p : points) vdc_points.push_back(vdc(p[0], p[1]));
        polyline(out_, vdc_points);
    }
    void label(double x, double y, std::string_view characters) {
        text(out_, vdc(x, y), characters);
    }

  private:
    int coordinate(double value) const {
        double v = std::round(value * scale_);
        return static_cast<int>(std::clamp(v, -32768.0, 32767.0));
    }

    Bytes& out_;
    double scale_;
    std::optional<int> line_colour_;
    std::optional<int> text_colour_;
    std::optional<int> height_;
};

// VDC units per sheet unit: a whole number where the sheet allows one.
double scale_for(double width, double height) {
    double fit = kVdcRange / std::max(width, height);
    return fit >= 1.0 ? std::floor(fit) : fit;
}

void draw_views(PictureBody& body, const Sheet& sheet, const ColourRule& colour, int text_height) {
    for (tag_t t : sheet.views) {
        const Object* view_object = live(t);
        if (view_object == nullptr || !view_object->view) continue;
        const auto& b = view_object->view->borders;
        int index = colour(view_object->color);
        body.set_line_colour(index);
        if (b[2] > b[0] && b[3] > b[1]) body.rectangle(b[0], b[1], b[2], b[3]);
        if (view_object->name && !view_object->name->empty()) {
            body.set_text_colour(index);
            body.set_height(text_height);
            body.label(b[0] + kNameInset, b[1] + kNameInset, *view_object->name);
        }
    }
}

void draw_content(PictureBody& body, const Sheet& sheet, const ColourRule& colour, int sheet_colour,
                  int text_height) {
    for (const SheetGraphic& g : sheet.drawing) {
        int index = colour(g.color != 0 ? g.color : sheet_colour);
        if (g.kind == SheetGraphic::Kind::polyline) {
            if (g.points.size() < 2) continue;
            body.set_line_colour(index);
            body.line(g.points);
        } else {
            if (g.points.empty()) continue;
            body.set_text_colour(index);
            body.set_height(g.height > 0 ? body.length(g.height) : text_height);
            body.label(g.points[0][0], g.points[0][1], g.text);
        }
    }
}

}  // namespace

Bytes sheet_metafile(const Object& sheet_object, std::string_view metafile_name,
                     const ColourRule& colour) {
    static const Sheet no_content;
    const Sheet& sheet = sheet_object.sheet ? *sheet_object.sheet : no_content;
    const std::string sheet_name = sheet_object.name.value_or("");
    const double width = sheet.size ? (*sheet.size)[0] : kDefaultSheetWidth;
    const double height = sheet.size ? (*sheet.size)[1] : kDefaultSheetHeight;
    const double scale = scale_for(width, height);

    Bytes out;
    begin_metafile(out, metafile_name);
    metafile_version(out, 1);
    metafile_element_list_drawing_set(out);
    begin_picture(out, sheet_name);
    PictureBody body(out, scale);
    vdc_extent(out, {0, 0}, body.vdc(width, height));
    background_colour(out, 255, 255, 255);
    begin_picture_body(out);

    const int sheet_colour = sheet_object.color;
    const int text_height = body.length(kDefaultTextHeight);
    body.set_height(text_height);
    body.set_line_colour(colour(sheet_colour));
    body.rectangle(0, 0, width, height);
    draw_views(body, sheet, colour, text_height);
    draw_content(body, sheet, colour, sheet_colour, text_height);

    end_picture(out);
    end_metafile(out);
    return out;
}

}  // namespace standin::cgm
