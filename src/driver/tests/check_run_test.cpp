// The per-part check run on a part opened in the stand-in host.
#include "driver/check_run.hpp"

#include <standin/testing.hpp>

#include <filesystem>
#include <string>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "support/test_support.hpp"
#include "utils/run_log.hpp"

namespace {

class CheckRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kvtx_test::reset_global_state();
        folder_ = kvtx_test::fresh_folder("check_run");
        standin::PartBuilder part("CR1");
        part.write(folder_ + "/cr1.prt");
        tag_t tag = NULL_TAG;
        ASSERT_EQ(RQ_PART_open((folder_ + "/cr1.prt").c_str(), &tag, nullptr), 0);
    }
    void TearDown() override { kvtx_test::reset_global_state(); }
    std::string folder_;
};

TEST_F(CheckRunTest, ReportLandsInTheOutputFolderAndThePartIsOk) {
    copy_text(global_outdir, (folder_ + "/").c_str());
    EXPECT_EQ(check_one_part("cr1.prt"), 0);
    EXPECT_EQ(std::string(glob_xml_file), folder_ + "/cr1.xml");
    EXPECT_TRUE(kvtx_test::file_exists(glob_xml_file));
    EXPECT_STREQ(first_error_message, "OK");
}

// An output folder so long that no report name fits: no report is written,
// and the part's result must say so instead of "OK".
TEST_F(CheckRunTest, ReportNameThatDoesNotFitGivesAFaultNotOk) {
    copy_text(global_outdir, (folder_ + "/" + std::string(600, 'd') + "/").c_str());
    EXPECT_EQ(check_one_part("cr1.prt"), -1);
    EXPECT_STREQ(glob_xml_file, "");
    EXPECT_STREQ(first_error_message, "Programm fault [2858]");
}

// A part whose name the host does not give, or cannot split, has no report
// name either: the same fault, and no ".xml" report in the output folder
// that every such part would overwrite.
TEST_F(CheckRunTest, EmptyPartNameGivesTheSameFault) {
    copy_text(global_outdir, (folder_ + "/").c_str());
    for (const char* call : {"uc4574", "RQ_PART_ask_part_name"}) {
        standin::clear_records();
        standin::set_fault(call, 77);
        testing::internal::CaptureStdout();
        EXPECT_EQ(check_one_part("cr1.prt"), -1) << call;
        testing::internal::GetCapturedStdout();
        standin::clear_faults();
        EXPECT_STREQ(glob_xml_file, "");
        EXPECT_STREQ(first_error_message, "Programm fault [2858]");
        EXPECT_NE(kvtx_test::logged_text().find("Error: no report written: the part has no name"),
                  std::string::npos)
            << call;
        EXPECT_FALSE(kvtx_test::file_exists(folder_ + "/.xml")) << call;
    }
}

// A report that cannot be named costs the part none of its CGM files; a part
// without a name writes none, since "_<sheet>.cgm" would be overwritten by
// the next such part.
TEST_F(CheckRunTest, CgmFilesKeepThePartPrefixWhenTheReportHasNoName) {
    const std::string cgm_folder = folder_ + "/cgm";
    std::filesystem::create_directories(cgm_folder);
    copy_text(cgm_extract_dir, cgm_folder.c_str());
    copy_text(sheet_list, "_All_,_with_view_");
    copy_text(cgm_def_color_option, "-1");
    kvtx_test::open_sample_part("drafting.prt");
    testing::internal::CaptureStdout();

    copy_text(global_outdir, (folder_ + "/" + std::string(600, 'd') + "/").c_str());
    EXPECT_EQ(check_one_part("drafting.prt"), -1);
    EXPECT_STREQ(first_error_message, "Programm fault [2858]");
    EXPECT_TRUE(kvtx_test::file_exists(cgm_folder + "/drafting_SHT1.cgm"));

    copy_text(global_outdir, (folder_ + "/").c_str());
    standin::set_fault("RQ_PART_ask_part_name", 77);
    EXPECT_EQ(check_one_part("drafting.prt"), -1);
    standin::clear_faults();
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(kvtx_test::file_exists(cgm_folder + "/_SHT1.cgm"));
    EXPECT_NE(kvtx_test::logged_text().find("Error: no CGM files written: the part has no name"),
              std::string::npos);
}

}  // namespace
