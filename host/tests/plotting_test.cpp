// Plot and legacy CGM exports of drawing sheets, the session's plot job
// options, the sheet's 2D content in the part file and the sheet deletion.
#include <rq/rq.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cgm_picture_decoder.hpp"
#include "drafting/cgm/cgm_format.hpp"
#include "host_fixture.hpp"
#include "support/cgm_structure.hpp"

namespace {

using nlohmann::json;
using standin::PartBuilder;

class PlottingTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(RQ_initialize(), 0);
    }

    // Sheet "S1" (colour 4, 200 x 100) with views V1 (colour 6) and V2 and
    // two items of its own; sheet "BARE" without any data.
    void open_sample() {
        PartBuilder b("plot");
        sheet_view = b.add(RQ_view_type, 0, {{"view", json::object()}});
        v1 = b.add(RQ_view_type, 0,
                   {{"name", "V1"}, {"color", 6}, {"view", {{"borders", {10, 10, 90, 90}}}}});
        v2 = b.add(RQ_view_type, 0, {{"name", "V2"}, {"view", {{"borders", {110, 10, 190, 90}}}}});
        sheet = b.add(RQ_drawing_type, 0,
                      {{"name", "S1"},
                       {"color", 4},
                       {"sheet",
                        {{"sheet_view", sheet_view},
                         {"views", {v1, v2}},
                         {"size", {200, 100}},
                         {"drawing",
                          {{{"polyline", {{0, 50}, {200, 50}, {100, 0}}}, {"color", 9}},
                           {{"text", "Titel \xC4"}, {"at", {5, 95}}, {"height", 7}}}}}}});
        bare = b.add(RQ_drawing_type, 0, {{"name", "BARE"}});
        builder = b;
        ASSERT_NE(b.open(path("plot.prt")), NULL_TAG);
    }
    tag_t tag_of(std::int64_t id) const {
        return RQ_TAG_ask_tag_of_handle(builder.handle(id).c_str());
    }

    // The colour indices of the LINE COLOUR and TEXT COLOUR elements.
    static std::vector<int> colours(const std::string& file) {
        standin::cgm::Bytes data(file.begin(), file.end());
        std::vector<int> out;
        std::size_t pos = 0;
        std::string error;
        while (pos < data.size()) {
            auto e = standin::cgm::read_element(data, pos, error);
            if (!e) break;
            if (e->code == standin::cgm::kLineColour || e->code == standin::cgm::kTextColour)
                out.push_back(e->params.at(0));
        }
        return out;
    }

    PartBuilder builder{"plot"};
    std::int64_t sheet_view = 0, v1 = 0, v2 = 0, sheet = 0, bare = 0;
};

TEST_F(PlottingTest, PlotExportDrawsTheSheetInItsColourMode) {
    open_sample();
    RQ_PLOT_job_options_t options{};
    ASSERT_EQ(RQ_PLOT_ask_session_job_options(&options), 0);
    EXPECT_EQ(options.colors, RQ_PLOT_COLORS_AS_DISPLAYED);

    ASSERT_EQ(RQ_PLOT_save_cgm(tag_of(sheet), &options, "Job", nullptr, path("c.cgm").c_str()), 0);
    const std::string coloured = read_file(path("c.cgm"));
    cgm_structure::Summary summary;
    ASSERT_EQ(cgm_structure::check(coloured, &summary), "");
    EXPECT_EQ(summary.pictures, 1);
    EXPECT_EQ(summary.texts, (std::vector<std::string>{"V1", "V2", "Titel \xC4"}));
    // Frame, V1, V2, own polyline: 4 polylines.
    EXPECT_EQ(std::count(summary.elements.begin(), summary.elements.end(), std::pair{4, 1}), 4);
    // Lines first (borders, own polyline, frame), then texts (names, own text).
    EXPECT_EQ(colours(coloured), (std::vector<int>{6, 1, 9, 4, 6, 1, 4}));
    // 200 x 100 at 128 VDC units a sheet unit: VDC EXTENT (0,0)-(25600,12800).
    EXPECT_NE(coloured.find(std::string("\x20\xC8\x00\x00\x00\x00\x64\x00\x32\x00", 10)),
              std::string::npos);
    EXPECT_EQ(cgm_picture::decode(coloured).colour_table.size(), 10u);  // up to index 9

    options.colors = RQ_PLOT_BLACK_ON_WHITE;
    ASSERT_EQ(RQ_PLOT_set_session_job_options(&options), 0);
    ASSERT_EQ(RQ_PLOT_save_cgm(tag_of(sheet), nullptr, "Job", nullptr, path("b.cgm").c_str()), 0);
    const std::string black = read_file(path("b.cgm"));
    ASSERT_EQ(cgm_structure::check(black), "");
    EXPECT_EQ(colours(black), (std::vector<int>{1, 1}));
    EXPECT_EQ(cgm_picture::decode(black).colour_table.size(), 2u);  // white and black

    // The options persist for the session, and a new session starts afresh.
    RQ_PLOT_job_options_t again{};
    ASSERT_EQ(RQ_PLOT_ask_session_job_options(&again), 0);
    EXPECT_EQ(again.colors, RQ_PLOT_BLACK_ON_WHITE);
    standin::reset_session();
    ASSERT_EQ(RQ_initialize(), 0);
    ASSERT_EQ(RQ_PLOT_ask_session_job_options(&again), 0);
    EXPECT_EQ(again.colors, RQ_PLOT_COLORS_AS_DISPLAYED);
}

TEST_F(PlottingTest, PlotExportRefusals) {
    open_sample();
    const std::string file = path("x.cgm");
    EXPECT_EQ(RQ_PLOT_save_cgm(tag_of(v1), nullptr, "J", nullptr, file.c_str()), RQ_err_bad_tag);
    EXPECT_EQ(RQ_PLOT_save_cgm(tag_of(sheet), nullptr, "J", nullptr, ""), RQ_err_bad_argument);
    EXPECT_EQ(RQ_PLOT_save_cgm(tag_of(sheet), nullptr, "J", nullptr,
                               path("no/such/folder/x.cgm").c_str()),
              RQ_err_cgm_write);
    standin::set_fault("RQ_PLOT_save_cgm", 7001, builder.handle(sheet), 1);
    EXPECT_EQ(RQ_PLOT_save_cgm(tag_of(sheet), nullptr, "J", nullptr, file.c_str()), 7001);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(RQ_PLOT_save_cgm(tag_of(bare), nullptr, "J", nullptr, file.c_str()), 0);
    EXPECT_EQ(cgm_structure::check(read_file(file)), "");
    EXPECT_EQ(RQ_PLOT_ask_session_job_options(nullptr), RQ_err_bad_argument);
    standin::set_fault("RQ_PLOT_set_session_job_options", 55, {}, 1);
    RQ_PLOT_job_options_t options{RQ_PLOT_BLACK_ON_WHITE, 0, 0};
    EXPECT_EQ(RQ_PLOT_set_session_job_options(&options), 55);
    ASSERT_EQ(RQ_PLOT_ask_session_job_options(&options), 0);
    EXPECT_EQ(options.colors, RQ_PLOT_COLORS_AS_DISPLAYED);  // unchanged
}

TEST_F(PlottingTest, LegacyExportByNameWithColourTable) {
    open_sample();
    int table[15];
    for (int i = 0; i < 15; ++i) table[i] = 15 - i;  // reversed
    ASSERT_EQ(uc6410("S1", path("s1.cgm").c_str(), 2, 2, table), 0);
    const std::string file = read_file(path("s1.cgm"));
    ASSERT_EQ(cgm_structure::check(file), "");
    EXPECT_EQ(colours(file), (std::vector<int>{10, 15, 7, 12, 10, 15, 12}));

    EXPECT_EQ(uc6410("NONE", path("n.cgm").c_str(), 2, 2, table), RQ_err_not_found);
    EXPECT_EQ(uc6410("S1", path("gone/s1.cgm").c_str(), 2, 2, table), RQ_err_cgm_write);
    standin::set_fault("uc6410", 7001, "S1");
    EXPECT_EQ(uc6410("S1", path("f.cgm").c_str(), 2, 2, table), 7001);
    EXPECT_EQ(uc6410("BARE", path("f.cgm").c_str(), 2, 2, table), 0);  // fault names S1 only
}

TEST_F(PlottingTest, SheetContentSurvivesSaveAndBadContentIsRefused) {
    open_sample();
    tag_t part = RQ_ASSEM_ask_work_part();
    ASSERT_EQ(standin::save_part_file(part, path("saved.prt")), 0);
    const json saved = json::parse(read_file(path("saved.prt")));
    bool found = false;
    for (const auto& o : saved["objects"]) {
        if (o.value("name", "") != "S1") continue;
        found = true;
        EXPECT_EQ(o["sheet"]["size"], json({200, 100}));
        EXPECT_EQ(o["sheet"]["drawing"][0]["color"], 9);
        EXPECT_EQ(o["sheet"]["drawing"][1]["text"], "Titel \xC3\x84");
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(saved.dump().find("\"drawing\":[]"), std::string::npos);

    for (const json& bad :
         {json{{"drawing", {{{"polyline", {{0, 0}}}}}}}, json{{"drawing", {{{"circle", 1}}}}},
          json{{"drawing", {{{"text", "t"}, {"at", {0}}}}}}, json{{"size", {0, 10}}},
          json{{"drawing", 3}}}) {
        PartBuilder b("bad");
        b.add(RQ_drawing_type, 0, {{"name", "S"}, {"sheet", bad}});
        b.write(path("bad.prt"));
        tag_t loaded = NULL_TAG;
        EXPECT_NE(standin::load_part_file(path("bad.prt"), &loaded), 0) << bad.dump();
        EXPECT_NE(standin::last_load_error().find("\""), std::string::npos);
    }
}

TEST_F(PlottingTest, DeleteDrawingRemovesSheetAndViews) {
    open_sample();
    tag_t part = RQ_ASSEM_ask_work_part();
    standin::set_fault("RQ_DRAW_delete_drawing", 6002, builder.handle(sheet), 1);
    EXPECT_EQ(RQ_DRAW_delete_drawing(tag_of(sheet)), 6002);
    EXPECT_EQ(RQ_OBJ_ask_status(tag_of(sheet)), RQ_OBJ_ALIVE);

    ASSERT_EQ(RQ_DRAW_delete_drawing(tag_of(sheet)), 0);
    for (std::int64_t id : {sheet, v1, v2, sheet_view}) {
        EXPECT_EQ(RQ_OBJ_ask_status(tag_of(id)), RQ_OBJ_DELETED) << id;
    }
    EXPECT_EQ(RQ_DRAW_delete_drawing(tag_of(sheet)), RQ_err_bad_tag);
    EXPECT_EQ(RQ_DRAW_delete_drawing(tag_of(v1)), RQ_err_bad_tag);
    tag_t t = NULL_TAG;
    ASSERT_EQ(RQ_OBJ_cycle_objs_in_part(part, RQ_drawing_type, &t), 0);
    EXPECT_EQ(t, tag_of(bare));
    char views[400] = "x";
    EXPECT_EQ(uc6499("S1", views), RQ_err_not_found);
    EXPECT_EQ(uc6410("S1", path("s.cgm").c_str(), 2, 2, nullptr), RQ_err_not_found);
    ASSERT_EQ(RQ_DRAW_delete_drawing(tag_of(bare)), 0);  // a sheet without data
}

// The CGM files that the end-to-end test compares octet for octet are of
// our subset; the sheet's view names are in them.
TEST_F(PlottingTest, GoldenFilesOfTheEndToEndTestAreWellFormed) {
    const std::filesystem::path golden =
        std::filesystem::path(KAVOHOST_SAMPLES).parent_path() / "tests/e2e/golden/cgm_export";
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(golden)) {
        if (entry.path().extension() != ".cgm") continue;
        ++files;
        cgm_structure::Summary summary;
        EXPECT_EQ(cgm_structure::check(read_file(entry.path().string()), &summary), "")
            << entry.path();
        EXPECT_EQ(summary.pictures, 1);
        if (entry.path().filename() == "drafting_SHT1.cgm") {
            EXPECT_EQ(summary.texts,
                      (std::vector<std::string>{"FRONT@1", "TOP@2", "TITLE_BLOCK", "FRAME_LINES"}));
        }
    }
    EXPECT_EQ(files, 9);
}

}  // namespace
