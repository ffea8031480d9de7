// CGM export of drawing sheets: the run log (compared whole with golden
// files), the files it writes and their structure, the sheet selection, the
// colour options and failing exports.
#include "utils/cgm_export.hpp"

#include <rq/rq.h>
#include <standin/testing.hpp>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "support/cgm_structure.hpp"
#include "support/golden_support.hpp"
#include "support/test_support.hpp"

#include <filesystem>
#include <set>
#include <string>

namespace {

using nlohmann::json;
using standin::PartBuilder;

constexpr char kPrefix[] = "4711_A_prt_drafting";

class CgmExportTest : public kvtx_test::GlobalStateTest {
  protected:
    void SetUp() override {
        GlobalStateTest::SetUp();
        folder_ = kvtx_test::fresh_folder("cgm_export");
        out_ = folder_ + "/cgm";
        std::filesystem::create_directories(out_);
        copy_text(sheet_list, "_All_,_with_view_");
        copy_text(cgm_extract_dir, out_.c_str());
        copy_text(cgm_def_color_option, "-1");
        testing::internal::CaptureStdout();  // write_log copies every message there
    }
    void TearDown() override {
        testing::internal::GetCapturedStdout();
        GlobalStateTest::TearDown();
        std::filesystem::remove_all(folder_);
    }
    static void open_sample() { kvtx_test::open_sample_part("drafting.prt"); }
    void open(const PartBuilder& b, const std::string& leaf = "part.prt") {
        ASSERT_NE(b.open(folder_ + "/" + leaf), NULL_TAG);
    }

    std::string log() const {
        return kvtx_test::mask_volatile(kvtx_test::logged_text(), {{folder_, "<FOLDER>"}});
    }
    // The files of the export folder, each checked for its structure.
    std::set<std::string> written_files() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(out_)) {
            const std::string name = entry.path().filename().string();
            names.insert(name);
            EXPECT_EQ(cgm_structure::check(kvtx_test::read_file(entry.path().string())), "")
                << name;
        }
        return names;
    }

    std::string folder_;
    std::string out_;
};

TEST_F(CgmExportTest, LegacyExportOfSheetsWithViews) {
    open_sample();
    EXPECT_EQ(extract_cgm_files(kPrefix), 0);
    kvtx_test::expect_matches_golden(log(), "cgm_export_legacy_with_view.log");
    // The sheet name goes into the file name as it is; EMPTY has no views.
    EXPECT_EQ(written_files(), (std::set<std::string>{std::string(kPrefix) + "_SHT1.cgm",
                                                      std::string(kPrefix) + "_SHT2 & <A>.cgm"}));
    EXPECT_EQ(first_error_code, 0);
    RQ_PLOT_job_options_t options{};
    RQ_PLOT_ask_session_job_options(&options);
    EXPECT_EQ(options.colors, RQ_PLOT_COLORS_AS_DISPLAYED);  // the legacy export leaves them
}

TEST_F(CgmExportTest, BlackOnWhiteExportOfEverySheet) {
    open_sample();
    copy_text(sheet_list, "_All_");
    copy_text(cgm_def_color_option, "3");
    EXPECT_EQ(extract_cgm_files(kPrefix), 0);
    kvtx_test::expect_matches_golden(log(), "cgm_export_black_on_white.log");
    EXPECT_EQ(written_files().size(), 3u);
    EXPECT_TRUE(kvtx_test::file_exists(out_ + "/" + kPrefix + "_EMPTY.cgm"));
    RQ_PLOT_job_options_t options{};
    RQ_PLOT_ask_session_job_options(&options);
    EXPECT_EQ(options.colors, RQ_PLOT_BLACK_ON_WHITE);  // for the rest of the session
    // Output is deterministic: a second export gives the same octets.
    const std::string first = kvtx_test::read_file(out_ + "/" + kPrefix + "_SHT1.cgm");
    export_sheets_to_cgm(kPrefix, 1);
    EXPECT_EQ(kvtx_test::read_file(out_ + "/" + kPrefix + "_SHT1.cgm"), first);
}

TEST_F(CgmExportTest, OtherColourOptionsWriteNoFile) {
    open_sample();
    for (const char* option : {"", "0", "5"}) {
        copy_text(cgm_def_color_option, option);
        EXPECT_EQ(export_sheets_to_cgm(kPrefix, 1), 0);
    }
    EXPECT_TRUE(written_files().empty());
    const std::string text = log();
    EXPECT_EQ(text.find("old mode"), std::string::npos);
    EXPECT_EQ(text.find("BLACK_ON_WHITE"), std::string::npos);
    // Two sheets with views, three options: six "Output" lines.
    std::size_t outputs = 0;
    for (auto at = text.find("CGM: Output ("); at != std::string::npos;
         at = text.find("CGM: Output (", at + 1)) {
        ++outputs;
    }
    EXPECT_EQ(outputs, 6u);
}

TEST_F(CgmExportTest, FailingExportsAreLoggedAndTheNextSheetFollows) {
    // A sheet name with a slash would put its file outside the export folder
    // and is refused; a scripted failure stops the last sheet.
    PartBuilder b("sheets");
    b.add(RQ_drawing_type, 0, {{"name", "../B"}});
    b.add(RQ_drawing_type, 0, {{"name", "GOOD"}});
    b.add(RQ_drawing_type, 0, {{"name", "SCRIPTED"}});
    open(b);
    copy_text(sheet_list, "_All_");
    standin::set_fault("uc6410", 7001, "SCRIPTED");
    EXPECT_EQ(extract_cgm_files("p"), 0);
    kvtx_test::expect_matches_golden(log(), "cgm_export_failures.log");
    EXPECT_EQ(written_files(), (std::set<std::string>{"p_GOOD.cgm"}));
    EXPECT_FALSE(kvtx_test::file_exists(folder_ + "/B.cgm"));
    // The refused sheet is the part's first error, not the scripted failure.
    EXPECT_EQ(first_error_code, -1);
    EXPECT_STREQ(first_error_message, "Programm fault [3591]");
}

TEST_F(CgmExportTest, PlotExportFailureIsNotReportedButJobOptionFailuresAre) {
    PartBuilder b("sheets");
    b.add(RQ_drawing_type, 0, {{"name", "S"}});
    open(b);
    copy_text(sheet_list, "_All_");
    copy_text(cgm_def_color_option, "3");
    copy_text(cgm_extract_dir, (folder_ + "/missing").c_str());
    EXPECT_EQ(extract_cgm_files("p"), 0);
    EXPECT_EQ(first_error_code, 0);  // the save's own code is never examined
    standin::set_fault("RQ_PLOT_ask_session_job_options", 77, {}, 1);
    EXPECT_EQ(extract_cgm_files("p"), 0);
    EXPECT_EQ(first_error_code, 77);
    EXPECT_NE(log().find("3605"), std::string::npos);
}

TEST_F(CgmExportTest, NoSheetsNoLinesAndOverlongNamesNoFile) {
    open(PartBuilder("none"));
    EXPECT_EQ(extract_cgm_files(kPrefix), 0);
    EXPECT_EQ(log(), "");

    PartBuilder b("long");
    b.add(RQ_drawing_type, 0, {{"name", "SHEET"}});
    open(b, "long.prt");
    copy_text(sheet_list, "_All_");
    const std::string prefix(506, 'p');  // with "_SHEET.cgm": 516 characters, no room
    EXPECT_EQ(extract_cgm_files(prefix.c_str()), 0);
    EXPECT_NE(log().find("Error: CGM file name too long for SHEET"), std::string::npos);
    EXPECT_TRUE(written_files().empty());
    EXPECT_STREQ(first_error_message, "Programm fault [3590]");
    // 515 characters fit the file name, but not the path: the join refuses it.
    const std::string fitting(505, 'p');
    EXPECT_EQ(extract_cgm_files(fitting.c_str()), 0);
    EXPECT_NE(log().find("-> in line 3593"), std::string::npos);
    EXPECT_TRUE(written_files().empty());
}

TEST_F(CgmExportTest, SheetHasViews) {
    open_sample();
    EXPECT_EQ(sheet_has_views("SHT1"), 1);
    EXPECT_EQ(sheet_has_views("EMPTY"), 0);
    EXPECT_EQ(sheet_has_views("NO SUCH SHEET"), 0);
    standin::set_fault("uc6499", 9, "SHT1");
    EXPECT_EQ(sheet_has_views("SHT1"), 0);
}

}  // namespace
