// The one reset of the process globals: every setting, the build stamp, the
// run log, the first-error record, the timers and the post-command runner are
// back at their start values, whatever a check run left behind.
#include "driver/process_state.hpp"

#include <rq/rq.h>
#include <standin/testing.hpp>

#include <string>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/check_run.hpp"
#include "support/test_support.hpp"

namespace {

class ProcessStateTest : public kvtx_test::GlobalStateTest {};

TEST_F(ProcessStateTest, ResetUndoesWhatACheckRunLeaves) {
#ifdef KAVOTALVEX_PLUGIN
    const std::string start_sheet_list = "";
#else
    const std::string start_sheet_list = "_All_,_with_view_";
#endif
    const std::string folder = kvtx_test::fresh_folder("process_state");
    standin::PartBuilder("PS").open(folder + "/ps.prt");
    copy_text(global_outdir, (folder + "/").c_str());
    copy_text(sheet_list, "SHT9");
    global_max_assembly_level = 3;
    body_calc_accuracy = 0.5;
    cgm2_xoffset = 9.0;
    testing::internal::CaptureStdout();
    check_one_part("ps.prt");
    testing::internal::GetCapturedStdout();
    check_rq_result(5, 1, "f");
    ASSERT_STRNE(build_date_time, "");
    ASSERT_EQ(debug_trace_on, 1);

    reset_process_state();
    EXPECT_STREQ(build_date_time, "");
    EXPECT_EQ(debug_trace_on, 0);
    EXPECT_STREQ(global_outdir, "");
    EXPECT_STREQ(glob_xml_file, "");
    EXPECT_STREQ(end_load_part_date_time, "");
    EXPECT_EQ(std::string(sheet_list), start_sheet_list);
    EXPECT_EQ(global_max_assembly_level, -1);
    EXPECT_EQ(body_calc_accuracy, 0.99);
    EXPECT_EQ(cgm2_xoffset, 0.05);
    EXPECT_STREQ(cgm2_layer_text, "2");
    EXPECT_EQ(first_error_code, 0);
    EXPECT_STREQ(first_error_message, "OK");
    EXPECT_STREQ(log_file_in_use, "");
    EXPECT_EQ(ask_timer_count(0), 0);
}

}  // namespace
