// The SVG writer of the stand-in's pictures, and the twins of an overlay.
// (tests/e2e/test_svg_pictures.sh renders real pictures and reads their
// pixels.)
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "picture/svg_picture.hpp"
#include "picture/twin_index.hpp"

namespace {

using standin::Object;
using standin::picture::Emphasis;
using standin::picture::TwinIndex;

constexpr std::array<double, 2> kOffset{0.05, 0.025};

Object line(double x1, double y1, double x2, double y2) {
    Object o;
    o.type = RQ_line_type;
    o.line = std::make_unique<standin::Line>();
    o.line->start = {x1, y1, 0};
    o.line->end = {x2, y2, 0};
    return o;
}

Object arc(double x, double y, double radius) {
    Object o;
    o.type = RQ_circle_type;
    o.arc = std::make_unique<standin::Arc>();
    o.arc->centre = {x, y, 0};
    o.arc->radius = radius;
    o.arc->end_angle = 3.0;
    return o;
}

Object note(double x, double y, const std::string& text) {
    Object o;
    o.type = RQ_drafting_entity_type;
    o.drafting = std::make_unique<standin::Drafting>();
    o.drafting->origin = {x, y, 0};
    o.drafting->text = {text};
    return o;
}

TEST(TwinIndexTest, FindsTheSameGeometryAtTheOffset) {
    TwinIndex twins(kOffset);
    // 0.0625 mm is 62.5 thousandths: a value on the edge of two cells.
    for (const Object& o :
         {line(0, 0, 10, 5), line(0.0625, 1.0625, 7, 7), arc(5, 5, 2), note(3, 3, "BOSS 40")})
        twins.add(o);
    const double dx = kOffset[0], dy = kOffset[1];
    struct Case {
        const char* what;
        Object second;
        bool twin;
    };
    const Case cases[] = {
        {"line at the offset", line(dx, dy, 10 + dx, 5 + dy), true},
        {"line reversed", line(10 + dx, 5 + dy, dx, dy), true},
        {"line on a cell's edge", line(0.0625 + dx, 1.0625 + dy, 7 + dx, 7 + dy), true},
        {"line not moved", line(0, 0, 10, 5), false},
        {"line moved further", line(dx + 0.01, dy, 10 + dx + 0.01, 5 + dy), false},
        {"arc at the offset", arc(5 + dx, 5 + dy, 2), true},
        {"arc of another radius", arc(5 + dx, 5 + dy, 2.5), false},
        {"note at the offset", note(3 + dx, 3 + dy, "BOSS 40"), true},
        {"note of another text", note(3 + dx, 3 + dy, "BOSS 55"), false},
        {"line where a note was", line(3 + dx, 3 + dy, 3 + dx, 3 + dy), false},
    };
    for (const Case& c : cases) EXPECT_EQ(twins.has_twin(c.second), c.twin) << c.what;
}

TEST(SvgPictureTest, WritesSheetMillimetresUpwardWithALegend) {
    using namespace standin;
    picture::Picture p;
    p.title = "a & \xE9";  // session texts are ISO-8859-1
    p.box = {0, 0, 200, 100};
    cgm::SceneGroup scene;
    scene.clip = {0, 0, 100, 100};
    scene.strokes.push_back({{{10, 10}, {150, 10}}, 4, 2, 1});  // cut at the clip box
    scene.labels.push_back({{20, 30}, "<up>", 5, 90, 2});
    scene.labels.push_back({{120, 30}, "outside", 5, 0, 2});
    p.groups.push_back({scene, Emphasis::faint, "layer2 twin"});
    p.legend.push_back({5, Emphasis::strong, "layer 2"});
    EXPECT_EQ(picture::svg_text(p),
              R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="200mm" height="105.4mm" viewBox="0 -5.4 200 105.4">
<title>a &amp; )svg"
              "\xC3\xA9"
              R"svg(</title>
<rect x="0" y="-5.4" width="200" height="105.4" fill="#ffffff"/>
<g transform="matrix(1 0 0 -1 0 94.6)" fill="none" stroke-linecap="round" stroke-linejoin="round" font-family="sans-serif">
<g class="layer2 twin" opacity="0.3">
<polyline points="10,10 100,10" stroke="#d20000" stroke-width="0.35" stroke-dasharray="3 1.5"/>
<text transform="matrix(0 1 1 0 20 30)" font-size="5" fill="#009600">&lt;up&gt;</text>
</g>
<g class="legend">
<polyline points="2,-2.9 8,-2.9" stroke="#be00be" stroke-width="0.875"/>
<text transform="matrix(1 0 0 -1 10 -3.6)" font-size="2" fill="#000000">layer 2</text>
</g>
</g>
</svg>
)svg");
}

}  // namespace
