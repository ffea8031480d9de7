// What the CGM exports draw, read back with a decoder of the tests' own and
// compared with the sample drawing's geometry element by element: the views'
// model objects, borders and names, notes, dimensions, the pattern, the
// sheet's frame, the colours and the units; clipping at view borders.
#include <rq/rq.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "cgm_picture_decoder.hpp"
#include "drafting/cgm/clipping.hpp"
#include "host_fixture.hpp"
#include "support/cgm_structure.hpp"

namespace {

using cgm_picture::Picture;
using cgm_picture::Point;
using cgm_picture::Primitive;
using Kind = cgm_picture::Primitive::Kind;

constexpr double kTolerance = 1.0 / 64;  // one VDC unit in sheet millimetres

bool near(Point a, Point b) {
    return std::fabs(a[0] - b[0]) <= kTolerance && std::fabs(a[1] - b[1]) <= kTolerance;
}

class SheetPictureTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(RQ_initialize(), 0);
    }

    // The legacy export (table 1 to 15) or the plot export in black on white
    // of a sheet of a sample part, decoded.
    Picture export_sheet(const std::string& sample, const char* sheet,
                         bool black_on_white = false) {
        tag_t part = NULL_TAG;
        EXPECT_EQ(RQ_PART_open((std::string(KAVOHOST_SAMPLES) + "/parts/" + sample).c_str(), &part,
                               nullptr),
                  0);
        const std::string file = path(std::string(sheet) + ".cgm");
        if (black_on_white) {
            RQ_PLOT_job_options_t options{RQ_PLOT_BLACK_ON_WHITE, 0, 0};
            const std::string handle =
                std::string("pump_base:") + (sheet == std::string("SHT1") ? "10" : "30");
            EXPECT_EQ(RQ_PLOT_save_cgm(RQ_TAG_ask_tag_of_handle(handle.c_str()), &options, "Refile",
                                       nullptr, file.c_str()),
                      0);
        } else {
            const int table[15] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
            EXPECT_EQ(uc6410(sheet, file.c_str(), 2, 2, table), 0);
        }
        bytes = read_file(file);
        EXPECT_EQ(cgm_structure::check(bytes), "");
        Picture picture = cgm_picture::decode(bytes);
        EXPECT_EQ(picture.error, "");
        return picture;
    }

    static const Primitive* polyline(const Picture& p, const std::vector<Point>& points,
                                     int colour) {
        for (const Primitive& q : p.primitives) {
            if (q.kind != Kind::polyline || q.colour != colour || q.points.size() != points.size())
                continue;
            if (std::equal(points.begin(), points.end(), q.points.begin(), near)) return &q;
        }
        return nullptr;
    }
    static const Primitive* text(const Picture& p, const std::string& characters, Point at,
                                 int colour) {
        for (const Primitive& q : p.primitives) {
            if (q.kind == Kind::text && q.text == characters && q.colour == colour &&
                near(q.points[0], at))
                return &q;
        }
        return nullptr;
    }
    // Polylines of the colour whose every point lies on the circle.
    static int circles(const Picture& p, Point centre, double radius, int colour) {
        int n = 0;
        for (const Primitive& q : p.primitives) {
            if (q.kind != Kind::polyline || q.colour != colour || q.points.size() < 60) continue;
            n += std::all_of(q.points.begin(), q.points.end(), [&](Point x) {
                return std::fabs(std::hypot(x[0] - centre[0], x[1] - centre[1]) - radius) <=
                       2 * kTolerance;
            });
        }
        return n;
    }

    std::string bytes;
};

TEST_F(SheetPictureTest, LegacyExportDrawsTheViewsModelGeometryInTheObjectsColours) {
    const Picture p = export_sheet("pump_base_a.prt", "SHT1");
    // Sheet millimetres: 64 VDC units each, stated as a metric factor.
    EXPECT_EQ(p.millimetres_per_vdc, 1.0 / 64);
    EXPECT_EQ(p.extent, (Point{420, 297}));
    EXPECT_EQ(p.background, (cgm_picture::Rgb{255, 255, 255}));
    EXPECT_EQ(p.rgb(0), (cgm_picture::Rgb{255, 255, 255}));
    EXPECT_EQ(p.rgb(1), (cgm_picture::Rgb{0, 0, 0}));
    EXPECT_EQ(p.rgb(4), (cgm_picture::Rgb{210, 0, 0}));
    EXPECT_EQ(p.rgb(7), (cgm_picture::Rgb{128, 128, 128}));

    // TOP@1 (reference point (50, 170), scale 1, model x and y): the plate's
    // edges in colour 1, the boss's two end circles (one over the other) in
    // 4, the knob's outline in 2.
    EXPECT_NE(polyline(p, {{50, 170}, {210, 170}, {210, 250}, {50, 250}, {50, 170}}, 1), nullptr);
    EXPECT_EQ(circles(p, {90, 210}, 20, 4), 2);
    EXPECT_EQ(circles(p, {180, 210}, 10, 2), 1);
    // FRONT@2 (model x right, z up, at (50, 60)): a vertical plate edge, the
    // boss's sides, the knob's outline.
    EXPECT_NE(polyline(p, {{50, 60}, {50, 72}}, 1), nullptr);
    EXPECT_NE(polyline(p, {{70, 72}, {70, 112}}, 4), nullptr);
    EXPECT_NE(polyline(p, {{110, 72}, {110, 112}}, 4), nullptr);
    EXPECT_EQ(circles(p, {180, 82}, 10, 2), 1);
    // RIGHT@3 (model y right, z up, at (290, 60)).
    EXPECT_NE(polyline(p, {{310, 72}, {310, 112}}, 4), nullptr);
    EXPECT_NE(polyline(p, {{350, 72}, {350, 112}}, 4), nullptr);
    EXPECT_EQ(circles(p, {330, 82}, 10, 2), 1);

    // Borders and names of the views in their colour.
    EXPECT_NE(polyline(p, {{30, 150}, {250, 150}, {250, 270}, {30, 270}, {30, 150}}, 7), nullptr);
    EXPECT_NE(text(p, "TOP@1", {31, 151}, 7), nullptr);
    EXPECT_NE(text(p, "RIGHT@3", {271, 41}, 7), nullptr);
    // A view-dependent centre line in its font (4: dash-dot).
    const Primitive* centre_line = polyline(p, {{90, 55}, {90, 117}}, 7);
    ASSERT_NE(centre_line, nullptr);
    EXPECT_EQ(centre_line->line_type, 4);

    // The note's displayed texts, evaluated, line under line at its height.
    const Primitive* title = text(p, "PUMP BASE PB-200", {280, 270}, 1);
    ASSERT_NE(title, nullptr);
    EXPECT_NEAR(title->height, 5, kTolerance);
    EXPECT_NE(text(p, "REVISION A", {280, 262.5}, 1), nullptr);
    EXPECT_NE(text(p, "BOSS AT X 40", {280, 255}, 1), nullptr);
    EXPECT_NE(text(p, "BOSS", {112, 232}, 4), nullptr);  // the label

    // The horizontal dimension of 160: extension lines up to its line at
    // the text's height, the line, an arrow head at each end, its text.
    EXPECT_NE(polyline(p, {{50, 250}, {50, 260}}, 6), nullptr);
    EXPECT_NE(polyline(p, {{210, 250}, {210, 260}}, 6), nullptr);
    EXPECT_NE(polyline(p, {{50, 260}, {210, 260}}, 6), nullptr);
    int arrow_tips = 0;
    for (const Primitive& q : p.primitives) {
        if (q.kind == Kind::polyline && q.points.size() == 3 && q.colour == 6)
            arrow_tips += near(q.points[1], {50, 260}) || near(q.points[1], {210, 260});
    }
    EXPECT_EQ(arrow_tips, 2);
    EXPECT_NE(text(p, "160", {120, 261}, 6), nullptr);
    EXPECT_NE(text(p, "BOSS 40", {55, 126}, 6), nullptr);  // appended text before the value
    // The title-block pattern: frame and name.
    EXPECT_NE(polyline(p, {{370, 5}, {410, 5}, {410, 25}, {370, 25}, {370, 5}}, 1), nullptr);
    EXPECT_NE(text(p, "TITLE_A3", {371, 6}, 1), nullptr);
    // The sheet's frame.
    EXPECT_NE(polyline(p, {{0, 0}, {420, 0}, {420, 297}, {0, 297}, {0, 0}}, 1), nullptr);

    // Everything lies on the sheet, and the same sheet gives the same bytes.
    for (const Primitive& q : p.primitives) {
        for (const Point& x : q.points) {
            EXPECT_TRUE(x[0] >= 0 && x[0] <= 420 && x[1] >= 0 && x[1] <= 297) << q.text;
        }
    }
    const std::string first = bytes;
    standin::reset_session();
    ASSERT_EQ(RQ_initialize(), 0);
    export_sheet("pump_base_a.prt", "SHT1");
    EXPECT_EQ(bytes, first);
}

TEST_F(SheetPictureTest, ViewOrientationsAndMeasuredPointsSurviveASave) {
    export_sheet("pump_base_a.prt", "SHT1");
    const std::string before = bytes;
    ASSERT_EQ(standin::save_part_file(RQ_ASSEM_ask_work_part(), path("saved.prt")), 0);
    const std::string saved = read_file(path("saved.prt"));
    EXPECT_NE(saved.find(R"("orientation":[1.0,0.0,0.0,0.0,0.0,1.0,0.0,-1.0,0.0])"),
              std::string::npos);
    EXPECT_NE(saved.find(R"("measured":[50.0,250.0,210.0,250.0])"), std::string::npos);
    EXPECT_EQ(saved.find(R"("orientation":[1.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,1.0])"),
              std::string::npos);  // the default
    standin::reset_session();
    ASSERT_EQ(RQ_initialize(), 0);
    tag_t part = NULL_TAG;
    ASSERT_EQ(RQ_PART_open(path("saved.prt").c_str(), &part, nullptr), 0);
    ASSERT_EQ(uc6410("SHT1", path("again.cgm").c_str(), 2, 2, nullptr), 0);
    EXPECT_EQ(read_file(path("again.cgm")), before);
}

TEST_F(SheetPictureTest, BlackOnWhiteDrawsEveryObjectBlackOnWhite) {
    const Picture legacy = export_sheet("pump_base_a.prt", "SHT1");
    standin::reset_session();
    ASSERT_EQ(RQ_initialize(), 0);
    const Picture p = export_sheet("pump_base_a.prt", "SHT1", true);
    EXPECT_EQ(p.primitives.size(), legacy.primitives.size());
    for (const Primitive& q : p.primitives) EXPECT_EQ(q.colour, 1) << q.text;
    EXPECT_EQ(p.colour_table.size(), 2u);
    EXPECT_EQ(p.rgb(0), (cgm_picture::Rgb{255, 255, 255}));
    EXPECT_EQ(p.rgb(1), (cgm_picture::Rgb{0, 0, 0}));
    EXPECT_EQ(p.background, (cgm_picture::Rgb{255, 255, 255}));
}

TEST_F(SheetPictureTest, ViewBordersCutTheGeometryThatLeavesThem) {
    // DETAIL@5 of SHT2 shows the boss at scale 3 from (85, 40) inside the
    // borders (200, 40)-(290, 150): its right side (265, 76)-(265, 196) is
    // cut at the top border, its left side at x 145 lies outside.
    const Picture p = export_sheet("pump_base_a.prt", "SHT2");
    EXPECT_NE(polyline(p, {{265, 76}, {265, 150}}, 4), nullptr);
    // The base circle, seen edge-on, runs from the left border to x 265.
    bool base_cut = false;
    for (const Primitive& q : p.primitives) {
        if (q.colour != 4 || q.points.size() < 3) continue;
        double lo = 1e9, hi = -1e9;
        bool flat = true;
        for (const Point& x : q.points) {
            lo = std::min(lo, x[0]);
            hi = std::max(hi, x[0]);
            flat = flat && std::fabs(x[1] - 76) <= kTolerance;
        }
        base_cut = base_cut ||
                   (flat && std::fabs(lo - 200) <= kTolerance && std::fabs(hi - 265) <= kTolerance);
    }
    EXPECT_TRUE(base_cut);
    for (const Primitive& q : p.primitives) {
        if (q.colour != 4 || q.points.front()[0] < 195) continue;  // the boss in the ISO view
        for (const Point& x : q.points)
            EXPECT_TRUE(x[0] >= 200 && x[0] <= 290 && x[1] >= 40 && x[1] <= 150);
    }
    EXPECT_NE(text(p, "DETAIL SCALE 3:1", {200, 160}, 1), nullptr);
}

TEST_F(SheetPictureTest, SheetObjectsAreCutAtTheSheetsEdgesAndLongTextsSplit) {
    // A 200 x 100 sheet whose own view holds a line that leaves it, a circle,
    // a point and a note of 300 characters; a blanked line shows nothing.
    standin::PartBuilder b("edges");
    using nlohmann::json;
    const auto line =
        b.add(RQ_line_type, 0,
              {{"color", 8}, {"line", {{"start", {100, 50, 0}}, {"end", {300, 150, 0}}}}});
    const auto circle = b.add(
        RQ_circle_type, 0,
        {{"color", 3},
         {"arc", {{"centre", {40, 40, 0}}, {"radius", 10}, {"start_angle", 0}, {"end_angle", 7}}}});
    const auto point = b.add(RQ_point_type, 0, {{"color", 5}, {"point", {{"xyz", {20, 80, 0}}}}});
    const auto note =
        b.add(RQ_drafting_entity_type, 1,
              {{"drafting", {{"origin", {5, 30, 0}}, {"text", {std::string(300, 'x')}}}}});
    const auto blanked =
        b.add(RQ_line_type, 0,
              {{"blank_status", 1}, {"line", {{"start", {0, 0, 0}}, {"end", {9, 9, 0}}}}});
    const auto own =
        b.add(RQ_view_type, 0, {{"view", {{"objects", {line, circle, point, note, blanked}}}}});
    b.add(RQ_drawing_type, 0,
          {{"name", "E"}, {"sheet", {{"sheet_view", own}, {"size", {200, 100}}}}});
    ASSERT_NE(b.open(path("edges.prt")), NULL_TAG);
    ASSERT_EQ(uc6410("E", path("e.cgm").c_str(), 2, 2, nullptr), 0);
    const Picture p = cgm_picture::decode(read_file(path("e.cgm")));
    EXPECT_EQ(p.millimetres_per_vdc, 1.0 / 128);

    // The line keeps its slope up to the top edge: (100, 50)-(200, 100).
    EXPECT_NE(polyline(p, {{100, 50}, {200, 100}}, 8), nullptr);
    EXPECT_EQ(circles(p, {40, 40}, 10, 3), 1);
    EXPECT_NE(polyline(p, {{18.5, 80}, {21.5, 80}}, 5), nullptr);
    EXPECT_NE(polyline(p, {{20, 78.5}, {20, 81.5}}, 5), nullptr);
    // 300 characters: TEXT elements of 120, 120 and 60, one under the other.
    EXPECT_NE(text(p, std::string(120, 'x'), {5, 30}, 1), nullptr);
    EXPECT_NE(text(p, std::string(120, 'x'), {5, 24.75}, 1), nullptr);
    EXPECT_NE(text(p, std::string(60, 'x'), {5, 19.5}, 1), nullptr);
    int lines = 0;
    for (const Primitive& q : p.primitives) lines += q.kind == Kind::polyline;
    EXPECT_EQ(lines, 5);  // line, circle, the point's cross, the frame
}

TEST(SheetClipping, LinesAreCutAtTheBoxNotBent) {
    using standin::cgm::clip_path;
    const standin::cgm::ClipBox box{0, 0, 20, 10};
    // A diagonal that leaves on both sides keeps its slope.
    auto pieces = clip_path({{-10, -5}, {30, 15}}, box);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0], (standin::cgm::SheetPath{{0, 0}, {20, 10}}));
    // A polyline that leaves and comes back gives two pieces; one that stays
    // inside stays whole; one wholly outside gives none.
    pieces = clip_path({{5, 5}, {5, 20}, {15, 20}, {15, 5}, {18, 5}}, box);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0], (standin::cgm::SheetPath{{5, 5}, {5, 10}}));
    EXPECT_EQ(pieces[1], (standin::cgm::SheetPath{{15, 10}, {15, 5}, {18, 5}}));
    EXPECT_EQ(clip_path({{1, 1}, {2, 2}, {3, 1}}, box).size(), 1u);
    EXPECT_TRUE(clip_path({{30, 30}, {40, 40}}, box).empty());
    EXPECT_TRUE(clip_path({{1, 1}, {NAN, 2}}, box).empty());
}

}  // namespace
