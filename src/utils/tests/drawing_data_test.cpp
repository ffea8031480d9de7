// The drawing data section: the whole section of the drafting sample against
// its golden file, a part without sheets, and sheets whose data the host
// cannot give.
#include "utils/drawing_data.hpp"

#include <rq/rq.h>
#include <standin/testing.hpp>

#include "common/text_buffer.hpp"
#include "support/golden_support.hpp"
#include "support/test_support.hpp"

#include <string>

namespace {

using nlohmann::json;
using standin::PartBuilder;

class DrawingDataTest : public kvtx_test::ReportTest {
  protected:
    DrawingDataTest() : ReportTest("drawing_data") {}
};

TEST_F(DrawingDataTest, DraftingSampleGivesTheGoldenSection) {
    kvtx_test::open_sample_part("drafting.prt");
    EXPECT_EQ(write_drawing_data(), 0);
    kvtx_test::expect_matches_golden(report(), "drawing_data_drafting.xml");
    EXPECT_EQ(first_error_code, 0);  // this section checks no call
}

// A view walk that fails after its first object: the counts are short, so the
// failure is the part's first error; a walk that fails at once is an empty view.
TEST_F(DrawingDataTest, ViewWalkCutAfterItsFirstObjectIsOnRecord) {
    kvtx_test::open_sample_part("drafting.prt");
    standin::load_faults(
        json::array({{{"call", "RQ_VIEW_cycle_objects"}, {"code", 3}, {"skip", 1}, {"times", 1}}}));
    write_drawing_data();
    EXPECT_EQ(first_error_code, 3);
    EXPECT_NE(std::string(first_error_message).find("[3020]"), std::string::npos);
}

TEST_F(DrawingDataTest, PartWithoutSheetsGivesAnEmptyFrame) {
    PartBuilder b("no_sheets");
    b.add(RQ_view_type, 0, {{"name", "LOOSE"}, {"view", json::object()}});
    ASSERT_NE(b.open(folder_ + "/no_sheets.prt"), NULL_TAG);
    EXPECT_EQ(write_drawing_data(), 0);
    EXPECT_EQ(report(), "      <Drawings>\n      </Drawings>\n");
}

TEST_F(DrawingDataTest, ReportThatCannotBeWrittenGivesTheFrameResults) {
    PartBuilder b("none");
    ASSERT_NE(b.open(folder_ + "/none.prt"), NULL_TAG);
    copy_text(glob_xml_file, (folder_ + "/missing/report.xml").c_str());
    EXPECT_EQ(write_drawing_data(), -2);
}

// A sheet without drawing data, a sheet view the host fails to cycle, and a
// view whose calls fail: counts of 0, the values as the calls left them.
TEST_F(DrawingDataTest, SheetsWhoseDataTheHostCannotGive) {
    PartBuilder b("odd");
    auto dim = b.add(RQ_dimension_type, 0, {{"dimension", {{"retained", true}}}});
    auto sheet_view = b.add(RQ_view_type, 0, {{"view", {{"objects", {dim}}}}});
    auto view = b.add(RQ_view_type, 0, {{"name", "V&1"}, {"view", {{"anchor", dim}}}});
    b.add(RQ_drawing_type, 0, {{"name", "BARE"}});
    b.add(RQ_drawing_type, 0,
          {{"name", "S<2>"}, {"sheet", {{"sheet_view", sheet_view}, {"views", {view}}}}});
    ASSERT_NE(b.open(folder_ + "/odd.prt"), NULL_TAG);
    standin::set_fault("RQ_VIEW_cycle_objects", 5, b.handle(sheet_view));
    standin::set_fault("RQ_DRAW_ask_view_borders", 5);

    write_drawing_data();
    const std::string text = report();
    EXPECT_NE(text.find("          <Name>BARE</Name>\n          <Patterns>\n          </Patterns>\n"
                        "          <ViewDependentObjects_n>0</ViewDependentObjects_n>\n"
                        "          <RetainedObjects_n>0</RetainedObjects_n>\n"
                        "          <Drawing_Views_n>0</Drawing_Views_n>\n        </Drawing>\n"),
              std::string::npos);
    EXPECT_NE(text.find("          <Name>S<2></Name>\n"), std::string::npos);  // not escaped
    EXPECT_NE(text.find("<RetainedObjects_n>0</RetainedObjects_n>\n"
                        "          <Drawing_Views_n>1</Drawing_Views_n>\n"),
              std::string::npos);
    EXPECT_NE(text.find("            <Name>V&1</Name>\n"), std::string::npos);
    // The anchor is no point: its coordinates stay 0.
    EXPECT_NE(text.find("<ViewAnchorX>0.000000</ViewAnchorX>"), std::string::npos);
    EXPECT_NE(text.find("<ViewBorderXmax>0.000000</ViewBorderXmax>"), std::string::npos);
    EXPECT_EQ(first_error_code, 0);
}

}  // namespace
