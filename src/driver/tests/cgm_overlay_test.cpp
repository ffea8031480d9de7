// The import mode on two exports of the sample drawing, whose second
// revision moved the boss by 15 along x: the second layer holds the moved
// boss, offset by (0.05, 0.025), as lines that match no line of the first.
#include "driver/cgm_import.hpp"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "support/test_support.hpp"

namespace {

using Segment = std::array<double, 4>;  // x1, y1, x2, y2

constexpr double kXOffset = 0.05;
constexpr double kYOffset = 0.025;
constexpr double kTolerance = 1e-6;

bool same(const Segment& a, const Segment& b) {
    auto eq = [](double u, double v) { return std::fabs(u - v) <= kTolerance; };
    return (eq(a[0], b[0]) && eq(a[1], b[1]) && eq(a[2], b[2]) && eq(a[3], b[3])) ||
           (eq(a[0], b[2]) && eq(a[1], b[3]) && eq(a[2], b[0]) && eq(a[3], b[1]));
}
bool contains(const std::vector<Segment>& lines, const Segment& s) {
    for (const Segment& l : lines) {
        if (same(l, s)) return true;
    }
    return false;
}

class CgmOverlayTest : public kvtx_test::GlobalStateTest {
  protected:
    void SetUp() override {
        GlobalStateTest::SetUp();
        folder_ = kvtx_test::fresh_folder("cgm_overlay");
        export_sheet("pump_base_a.prt", folder_ + "/a.cgm");
        export_sheet("pump_base_b.prt", folder_ + "/b.cgm");
        kvtx_test::apply_import_settings(
            {.part_template = std::string(KVTX_SOURCE_DIR) + "/samples/parts/p0815_bare.prt",
             .new_part = folder_ + "/overlay.prt",
             .first_file = folder_ + "/a.cgm",
             .second_file = folder_ + "/b.cgm",
             .x_offset = kXOffset,
             .y_offset = kYOffset});
    }
    static void export_sheet(const std::string& sample, const std::string& file) {
        kvtx_test::open_sample_part(sample);
        const int table[15] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        ASSERT_EQ(uc6410("SHT1", file.c_str(), 2, 2, table), 0);
        ASSERT_EQ(RQ_PART_close_all(), 0);
    }
    // The lines of one layer of the saved overlay part, less `dx`, `dy`.
    std::vector<Segment> lines_on_layer(int layer, double dx, double dy) const {
        const auto part = nlohmann::json::parse(kvtx_test::read_file(folder_ + "/overlay.prt"));
        std::vector<Segment> out;
        for (const auto& o : part["objects"]) {
            if (!o.contains("line") || o.value("layer", 1) != layer) continue;
            const auto& s = o["line"]["start"];
            const auto& e = o["line"]["end"];
            out.push_back({s[0].get<double>() - dx, s[1].get<double>() - dy,
                           e[0].get<double>() - dx, e[1].get<double>() - dy});
        }
        return out;
    }
    std::string folder_;
};

TEST_F(CgmOverlayTest, SecondLayerHoldsTheMovedBodyThatMatchesNoFirstLayerLine) {
    ASSERT_EQ(cgm_import_to_part_file(), 0);
    const std::vector<Segment> first = lines_on_layer(1, 0, 0);
    const std::vector<Segment> second = lines_on_layer(2, kXOffset, kYOffset);
    ASSERT_FALSE(first.empty());
    ASSERT_EQ(second.size(), first.size());

    // The boss's sides in the front view: x 70 and 110 in revision A, 85
    // and 125 in B; each on its own layer only.
    for (const Segment& moved : {Segment{85, 72, 85, 112}, Segment{125, 72, 125, 112}}) {
        EXPECT_TRUE(contains(second, moved));
        EXPECT_FALSE(contains(first, moved));
    }
    for (const Segment& old : {Segment{70, 72, 70, 112}, Segment{110, 72, 110, 112}}) {
        EXPECT_TRUE(contains(first, old));
        EXPECT_FALSE(contains(second, old));
    }
    // What did not move lies on both: the plate's edge, the right view's
    // boss (it moved along the view's line of sight), the sheet's frame.
    for (const Segment& kept :
         {Segment{50, 60, 50, 72}, Segment{310, 72, 310, 112}, Segment{0, 0, 420, 0}}) {
        EXPECT_TRUE(contains(first, kept));
        EXPECT_TRUE(contains(second, kept));
    }
    // Every second-layer line that matches none of the first belongs to the
    // boss, its dimension or its centre line, all between x 50 and 125 of
    // the top and front views.
    int unmatched = 0;
    for (const Segment& s : second) {
        if (contains(first, s)) continue;
        ++unmatched;
        EXPECT_TRUE(s[0] >= 50 - kTolerance && s[0] <= 125 + kTolerance &&
                    s[2] >= 50 - kTolerance && s[2] <= 125 + kTolerance)
            << s[0] << "," << s[1] << " " << s[2] << "," << s[3];
    }
    EXPECT_GT(unmatched, 100);  // the circles of the top view, in short segments
}

}  // namespace
