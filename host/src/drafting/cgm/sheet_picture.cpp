// Writing a sheet's scene as a CGM picture. Sheet millimetres map onto
// integer VDC by one power-of-two scale that fits the sheet into 0..32767,
// so that the metric scaling factor (millimetres per VDC unit) is exact.
#include "drafting/cgm/sheet_picture.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "drafting/cgm/cgm_writer.hpp"
#include "drafting/cgm/host_colours.hpp"
#include "drafting/cgm/sheet_scene_builder.hpp"

namespace standin::cgm {
namespace {

constexpr double kVdcRange = 32767.0;
// The longest text one TEXT element holds: some readers refuse 128 and more.
constexpr std::size_t kMaxTextPiece = 120;
constexpr double kPieceSpacing =
    1.5;  // further pieces of a long text go below, this many heights apart
constexpr int kOrientationUnit = 1000;

// Host line fonts as CGM line types (1 solid, 2 dash, 3 dot, 4 dash-dot,
// 5 dash-dot-dot).
int line_type_of(int font) {
    switch (font) {
        case 2:
        case 6:
            return 2;  // dashed, long dashed
        case 3:
            return 5;  // phantom
        case 4:
        case 7:
            return 4;  // centre line, dotted-dashed
        case 5:
            return 3;  // dotted
        default:
            return 1;
    }
}

// Host line widths (0 thin, 1 normal, 2 thick) as scale factors.
double line_width_of(int width) {
    switch (width) {
        case 1:
            return 2.0;
        case 2:
            return 3.0;
        default:
            return 1.0;
    }
}

// VDC units per sheet millimetre: a power of two.
double scale_for(double width, double height) {
    const double fit = kVdcRange / std::max(width, height);
    return std::exp2(std::floor(std::log2(fit)));
}

// Writes attributes only when they change.
class PictureBody {
  public:
    PictureBody(Bytes& out, double scale) : out_(out), scale_(scale) {}

    VdcPoint vdc(SheetPoint p) const { return {coordinate(p[0]), coordinate(p[1])}; }
    int length(double value) const { return std::max(1, coordinate(value)); }

    void stroke(const Stroke& s, int colour_index, const ClipBox& clip) {
        for (const SheetPath& piece : clip_path(s.points, clip)) {
            std::vector<VdcPoint> points;
            points.reserve(piece.size());
            for (const SheetPoint& p : piece) {
                const VdcPoint v = vdc(p);
                if (points.empty() || points.back().x != v.x || points.back().y != v.y)
                    points.push_back(v);
            }
            if (points.size() < 2) continue;
            set(line_colour_, colour_index, [&] { line_colour(out_, colour_index); });
            set(line_type_, line_type_of(s.font), [&] { line_type(out_, line_type_of(s.font)); });
            const double width = line_width_of(s.width);
            if (line_width_ != width) {
                line_width_ = width;
                line_width(out_, width);
            }
            polyline(out_, points);
        }
    }

    void label(const Label& l, int colour_index, const ClipBox& clip) {
        if (l.text.empty() || !clip.contains(l.at)) return;
        const int height = length(l.height);
        set(text_colour_, colour_index, [&] { text_colour(out_, colour_index); });
        set(height_, height, [&] { character_height(out_, height); });
        const double a = l.angle * std::numbers::pi / 180.0;
        const int c = static_cast<int>(std::lround(std::cos(a) * kOrientationUnit));
        const int s = static_cast<int>(std::lround(std::sin(a) * kOrientationUnit));
        set(orientation_, c * 4096 + s, [&] { character_orientation(out_, {-s, c}, {c, s}); });
        for (std::size_t start = 0, i = 0; start < l.text.size(); start += kMaxTextPiece, ++i) {
            const double drop = static_cast<double>(i) * l.height * kPieceSpacing;
            const SheetPoint at{l.at[0] + drop * std::sin(a), l.at[1] - drop * std::cos(a)};
            if (!clip.contains(at)) break;
            text(out_, vdc(at), std::string_view(l.text).substr(start, kMaxTextPiece));
        }
    }

    // Every picture states its character height before its primitives.
    void default_height() {
        const int height = length(kDefaultTextHeight);
        set(height_, height, [&] { character_height(out_, height); });
    }

  private:
    template <typename Write>
    static void set(int& current, int value, Write write) {
        if (current == value) return;
        current = value;
        write();
    }

    int coordinate(double value) const {
        const double v = std::round(value * scale_);
        return static_cast<int>(std::isfinite(v) ? std::clamp(v, -32768.0, 32767.0) : 0.0);
    }

    Bytes& out_;
    double scale_;
    // The attributes in force; -1: none written yet. Line type, width and
    // orientation start at the defaults of CGM.
    int line_colour_ = -1;
    int line_type_ = 1;
    double line_width_ = 1.0;
    int text_colour_ = -1;
    int height_ = -1;
    int orientation_ = kOrientationUnit * 4096;
};

int highest_index(const std::vector<SceneGroup>& scene, const ColourRule& colour) {
    int highest = 1;
    for (const SceneGroup& g : scene) {
        for (const Stroke& s : g.strokes)
            highest = std::max(highest, std::clamp(colour(s.colour), 0, kMaxHostColour));
        for (const Label& l : g.labels)
            highest = std::max(highest, std::clamp(colour(l.colour), 0, kMaxHostColour));
    }
    return highest;
}

std::vector<Rgb> palette(int highest) {
    std::vector<Rgb> colours;
    for (int i = 0; i <= highest; ++i) colours.push_back(host_colour_rgb(i));
    return colours;
}

}  // namespace

Bytes sheet_metafile(const Object& sheet_object, std::string_view metafile_name,
                     const ColourRule& colour) {
    const std::string sheet_name = sheet_object.name.value_or("");
    const auto [width, height] = sheet_size(sheet_object);
    const double scale = scale_for(width, height);
    const std::vector<SceneGroup> scene = sheet_scene(sheet_object);
    const int highest = highest_index(scene, colour);

    Bytes out;
    begin_metafile(out, metafile_name);
    metafile_version(out, 1);
    metafile_element_list_drawing_set(out);
    maximum_colour_index(out, highest);
    begin_picture(out, sheet_name);
    PictureBody body(out, scale);
    scaling_mode_metric(out, 1.0 / scale);
    vdc_extent(out, {0, 0}, body.vdc({width, height}));
    background_colour(out, 255, 255, 255);
    begin_picture_body(out);
    colour_table(out, 0, palette(highest));
    body.default_height();

    for (const SceneGroup& group : scene) {
        for (const Stroke& s : group.strokes) body.stroke(s, colour(s.colour), group.clip);
        for (const Label& l : group.labels) body.label(l, colour(l.colour), group.clip);
    }

    end_picture(out);
    end_metafile(out);
    return out;
}

}  // namespace standin::cgm
