// Writing a picture as SVG. Sheet coordinates run y upward; one group with
// the matrix (1 0 0 -1 0 y0+y1) turns them into SVG's downward y, so the
// viewBox holds the same numbers as the picture's box. Texts turn back
// upright by a matrix of their own.
#include "picture/svg_picture.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string_view>

#include "drafting/cgm/host_colours.hpp"
#include "session/text_encoding.hpp"

namespace standin::picture {
namespace {

constexpr double kFaintOpacity = 0.3;
constexpr double kStrongWidthFactor = 2.5;
// Legend texts grow with the picture: one hundredth of its width, within
// these bounds (millimetres).
constexpr double kLegendHeightShare = 0.01;
constexpr double kLegendMinHeight = 1.0;
constexpr double kLegendMaxHeight = 20.0;
constexpr double kLegendSpacing = 1.8;  // line pitch in text heights

std::string number(double value) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.3f", std::isfinite(value) ? value : 0.0);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string colour_text(int colour) {
    const cgm::Rgb rgb = cgm::host_colour_rgb(colour);
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    return buffer;
}

// A session text as XML character data or attribute value; control
// characters, which XML 1.0 does not allow, become blanks.
std::string escaped(std::string_view latin1) {
    std::string out;
    for (char c : latin1_to_utf8(latin1)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

// Host line fonts as dash patterns in millimetres, as the CGM line types
// draw them (dashed, phantom, centre line, dotted).
const char* dash_array(int font) {
    switch (font) {
        case 2:
        case 6:
            return "3 1.5";
        case 3:
            return "6 1.5 1 1.5 1 1.5";
        case 4:
        case 7:
            return "6 1.5 1 1.5";
        case 5:
            return "0.3 1";
        default:
            return nullptr;
    }
}

class SvgWriter {
  public:
    explicit SvgWriter(const Picture& picture) : picture_(picture), box_(picture.box) {
        const double width = box_.x_max - box_.x_min;
        legend_height_ = std::clamp(width * kLegendHeightShare, kLegendMinHeight, kLegendMaxHeight);
        if (!picture.legend.empty())
            box_.y_min -= (static_cast<double>(picture.legend.size()) + 0.5) * pitch();
    }

    std::string text() {
        const double width = box_.x_max - box_.x_min;
        const double height = box_.y_max - box_.y_min;
        out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width) +
                "mm\" height=\"" + number(height) + "mm\" viewBox=\"" + number(box_.x_min) + " " +
                number(box_.y_min) + " " + number(width) + " " + number(height) + "\">\n";
        out_ += "<title>" + escaped(picture_.title) + "</title>\n";
        out_ += "<rect x=\"" + number(box_.x_min) + "\" y=\"" + number(box_.y_min) + "\" width=\"" +
                number(width) + "\" height=\"" + number(height) + "\" fill=\"#ffffff\"/>\n";
        out_ += "<g transform=\"matrix(1 0 0 -1 0 " + number(box_.y_min + box_.y_max) +
                ")\" fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
                "font-family=\"sans-serif\">\n";
        for (const PictureGroup& group : picture_.groups) write_group(group);
        write_legend();
        out_ += "</g>\n</svg>\n";
        return std::move(out_);
    }

  private:
    double pitch() const { return legend_height_ * kLegendSpacing; }

    void write_group(const PictureGroup& group) {
        out_ += "<g";
        if (!group.name.empty()) out_ += " class=\"" + escaped(group.name) + "\"";
        if (group.emphasis == Emphasis::faint) out_ += " opacity=\"" + number(kFaintOpacity) + "\"";
        out_ += ">\n";
        const double factor = group.emphasis == Emphasis::strong ? kStrongWidthFactor : 1.0;
        for (const cgm::Stroke& s : group.scene.strokes) {
            for (const cgm::SheetPath& piece : cgm::clip_path(s.points, group.scene.clip))
                polyline(piece, s.colour, s.font, line_width_mm(s.width) * factor);
        }
        for (const cgm::Label& l : group.scene.labels) {
            if (!l.text.empty() && group.scene.clip.contains(l.at)) label(l);
        }
        out_ += "</g>\n";
    }

    void polyline(const cgm::SheetPath& points, int colour, int font, double width) {
        if (points.size() < 2) return;
        out_ += "<polyline points=\"";
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i > 0) out_ += ' ';
            out_ += number(points[i][0]) + "," + number(points[i][1]);
        }
        out_ += "\" stroke=\"" + colour_text(colour) + "\" stroke-width=\"" + number(width) + "\"";
        if (const char* dashes = dash_array(font))
            out_ += std::string(" stroke-dasharray=\"") + dashes + "\"";
        out_ += "/>\n";
    }

    // Text lies along its angle from its point, upright to the sheet's y.
    void label(const cgm::Label& l) {
        const double a = l.angle * std::numbers::pi / 180.0;
        const std::string c = number(std::cos(a));
        const std::string s = number(std::sin(a));
        out_ += "<text transform=\"matrix(" + c + " " + s + " " + s + " " + number(-std::cos(a)) +
                " " + number(l.at[0]) + " " + number(l.at[1]) + ")\" font-size=\"" +
                number(l.height) + "\" fill=\"" + colour_text(l.colour) + "\">" + escaped(l.text) +
                "</text>\n";
    }

    // One line per entry below the picture: a stroke in the entry's colour
    // and emphasis, then its text.
    void write_legend() {
        if (picture_.legend.empty()) return;
        out_ += "<g class=\"legend\">\n";
        const double h = legend_height_;
        double y = picture_.box.y_min;
        for (const LegendEntry& entry : picture_.legend) {
            y -= pitch();
            const double x = picture_.box.x_min + h;
            const double mid = y + 0.35 * h;
            const bool strong = entry.emphasis == Emphasis::strong;
            if (entry.emphasis == Emphasis::faint)
                out_ += "<g opacity=\"" + number(kFaintOpacity) + "\">\n";
            polyline({{x, mid}, {x + 3 * h, mid}}, entry.colour, 1,
                     line_width_mm(1) * (strong ? kStrongWidthFactor : 1.0));
            if (entry.emphasis == Emphasis::faint) out_ += "</g>\n";
            label(cgm::Label{{x + 4 * h, y}, entry.text, h, 0.0, 1});
        }
        out_ += "</g>\n";
    }

    const Picture& picture_;
    cgm::ClipBox box_;
    double legend_height_ = kLegendMinHeight;
    std::string out_;
};

}  // namespace

double line_width_mm(int width) {
    switch (width) {
        case 1:
            return 0.35;
        case 2:
            return 0.5;
        default:
            return 0.25;
    }
}

std::string svg_text(const Picture& picture) {
    return SvgWriter(picture).text();
}

}  // namespace standin::picture
