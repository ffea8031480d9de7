// The start-up entry and the part-event callbacks: registration, the
// callback course with and without a work part, the actions chosen by reason
// code, and the save and change-of-work-part checks.
#include "driver/part_callbacks.hpp"

#include <rq/rq.h>
#include <kavoopen/kavoopen.hpp>
#include <standin/testing.hpp>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "support/test_support.hpp"

namespace {

using nlohmann::json;

const std::string kRelease = program_release;

const char* const kActionVariables[] = {
    "TALVEX_CALLBACK_DeleteAttributes", "TALVEX_CALLBACK_SetLineWidthPreferences",
    "TALVEX_CALLBACK_Structure_sync", "TALVEX_SAVE_CALLBACK_ACTION",
    "TALVEX_CHANGE_WORKPART_ACTION"};

class PartCallbacksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kvtx_test::reset_global_state();
        for (const char* name : kActionVariables) unsetenv(name);
        folder_ = kvtx_test::fresh_folder("part_callbacks");
        testing::internal::CaptureStdout();
    }
    void TearDown() override {
        testing::internal::GetCapturedStdout();
        for (const char* name : kActionVariables) unsetenv(name);
        kvtx_test::reset_global_state();
    }
    // Opens a part holding both attributes the delete action removes.
    tag_t open_part(const std::string& leaf = "cb.prt") {
        standin::PartBuilder part("CB");
        part.doc()["attributes"] = json::array({{{"title", "VRELII_JT_DETAILS"}, {"value", "j"}},
                                                {{"title", "CHECKED_OUT_BY"}, {"value", "b"}}});
        return part.open(folder_ + "/" + leaf);
    }
    bool has_attribute(tag_t part, const char* title) {
        int type = 0;
        RQ_ATTR_find_attribute(part, RQ_ATTR_any, title, &type);
        return type != 0;
    }
    std::string action(int line, const std::string& text) {
        return "\n[" + std::to_string(line) + "] " + kRelease + " Info: " + text;
    }
    bool logged(const std::string& entry) {
        for (const std::string& e : standin::syslog_entries())
            if (e == entry) return true;
        return false;
    }

    std::string folder_;
};

TEST_F(PartCallbacksTest, RqstaRegistersNineCallbacksAndTracesEach) {
    rqsta(nullptr, nullptr, 0);
    EXPECT_EQ(standin::registered_callbacks(-1), 9);
    EXPECT_EQ(standin::open_depth(), 0);
    const std::vector<std::string> expected = {
        "######## Start of: TalvexForKavo " + kRelease + " <Build: " + build_date_time +
            "> [CALLBACK Mode]\n",
        "\n+++TalvexForKavo: ==========================",
        "\n+++TalvexForKavo: REGISTERING Talvex CALLBACKS",
        "\n+++TalvexForKavo: RQ_create_part_reason       error = 0",
        "\n+++TalvexForKavo: RQ_open_part_reason         error = 0",
        "\n+++TalvexForKavo: RQ_save_part_reason         error = 0",
        "\n+++TalvexForKavo: RQ_save_as_part_reason      error = 0",
        "\n+++TalvexForKavo: RQ_close_part_reason        error = 0",
        "\n+++TalvexForKavo: RQ_modified_part_reason     error = 0",
        "\n+++TalvexForKavo: RQ_rename_part_reason       error = 0",
        "\n+++TalvexForKavo: RQ_change_work_part_reason  error = 0",
        "\n+++TalvexForKavo: RQ_post_save_as_part_reason error = 0",
        "\n+++TalvexForKavo: ==========================\n"};
    EXPECT_EQ(standin::syslog_entries(), expected);
    for (int i = 1; i < kPartEventCount; ++i)
        EXPECT_EQ(callback_registration_ids[i], callback_registration_ids[i - 1] + 1);
}

TEST_F(PartCallbacksTest, CallbackWithoutWorkPartWritesItsSkipLineOnly) {
    setenv("TALVEX_CALLBACK_DeleteAttributes", "CREAP", 1);
    const tag_t part = NULL_TAG;
    EXPECT_EQ(my_create_callback(RQ_create_part_reason, &part, nullptr), 0);
    const std::vector<std::string> expected = {
        "\n+++TalvexForKavo:[CALLBACK]---------------------------------------------------",
        "\n+++TalvexForKavo: my_create_callback ",
        "\n+++TalvexForKavo: my_create_callback skipped (no work part)\n"};
    EXPECT_EQ(standin::syslog_entries(), expected);
#ifdef KAVOTALVEX_PLUGIN
    EXPECT_EQ(standin::listing_entries(),
              std::vector<std::string>{"\n+++TalvexForKavo: CB_create_callback\n"});
#endif
}

TEST_F(PartCallbacksTest, FailedInitializeEndsTheCallbackWithItsCode) {
    open_part();
    standin::clear_records();
    standin::set_fault("RQ_initialize", 77);
    const tag_t part = RQ_ASSEM_ask_work_part();
    EXPECT_EQ(my_modify_callback(RQ_modified_part_reason, &part, nullptr), 77);
    EXPECT_EQ(my_cwp_callback(RQ_change_work_part_reason, &part, nullptr), 77);
    EXPECT_EQ(my_save_callback(RQ_save_part_reason, &part, nullptr), 77);
    EXPECT_TRUE(standin::syslog_entries().empty());
}

TEST_F(PartCallbacksTest, ActionsRunForReasonCodesInTheValueOnly) {
    const tag_t part = open_part();
    setenv("TALVEX_CALLBACK_DeleteAttributes", "SAVEP,CHWOP", 1);
    setenv("TALVEX_CALLBACK_SetLineWidthPreferences", "", 1);        // never matches
    setenv("TALVEX_CALLBACK_Structure_sync", "xxOPENPyy savep", 1);  // inside a word

    RQ_initialize();
    standin::clear_records();
    run_callback_actions("CREAP");
    EXPECT_TRUE(logged(action(3374, "TALVEX_CALLBACK_DeleteAttributes --> skipped\n")));
    EXPECT_TRUE(has_attribute(part, "CHECKED_OUT_BY"));

    run_callback_actions("SAVEP");
    EXPECT_TRUE(logged(action(3368, "TALVEX_CALLBACK_DeleteAttributes\n")));
    EXPECT_TRUE(logged(action(3369, "REASON: SAVEP\n")));
    EXPECT_TRUE(logged(action(3371, "TALVEX_CALLBACK_DeleteAttributes --> passed\n")));
    EXPECT_TRUE(logged(action(3384, "TALVEX_CALLBACK_SetLineWidthPreferences --> skipped\n")));
    EXPECT_TRUE(logged(action(3400, "TALVEX_CALLBACK_Structure_sync --> skipped\n")));
    EXPECT_FALSE(has_attribute(part, "VRELII_JT_DETAILS"));
    EXPECT_FALSE(has_attribute(part, "CHECKED_OUT_BY"));

    standin::clear_records();
    run_callback_actions("OPENP");
    const std::vector<std::string> sync_lines(standin::syslog_entries().end() - 6,
                                              standin::syslog_entries().end());
    const std::vector<std::string> expected = {
        action(3388, "TALVEX_CALLBACK_Structure_sync"),
        action(3389, "REASON: OPENP\n"),
        action(3391, "Current WorkPart: " + folder_ + "/cb.prt\n"),
        action(3393, "Before Structure_sync NumberOfComponents: 0\n"),
        action(3395, "TALVEX_CALLBACK_Structure_sync --> passed\n"),
        action(3397, "After Structure_sync NumberOfComponents: 0\n")};
    EXPECT_EQ(sync_lines, expected);
    RQ_terminate();
}

TEST_F(PartCallbacksTest, ActionsWithoutWorkPartAreSkipped) {
    setenv("TALVEX_CALLBACK_DeleteAttributes", "SAVEP", 1);
    EXPECT_EQ(run_callback_actions("SAVEP"), 0);
    EXPECT_EQ(
        standin::syslog_entries(),
        std::vector<std::string>{action(3361, "TALVEX_CALLBACKs --> skipped (no work part)\n")});
}

TEST_F(PartCallbacksTest, AssemblyLevelIsTheLeadingNumberOrMinusOne) {
    EXPECT_EQ(parse_assembly_level("2"), 2);
    EXPECT_EQ(parse_assembly_level(" 7 levels"), 7);
    EXPECT_EQ(parse_assembly_level("-3"), -3);
    EXPECT_EQ(parse_assembly_level("levels"), -1);
    EXPECT_EQ(parse_assembly_level(""), -1);
    EXPECT_EQ(parse_assembly_level("99999999999"), -1);
}

TEST_F(PartCallbacksTest, SaveCheckWritesThePostReportAndKeepsTheLevel) {
    open_part();
    setenv("TALVEX_SAVE_CALLBACK_ACTION", "", 1);  // present counts
    standin::set_variable("KVTX_outdir", folder_ + "/");
    standin::set_variable("KVTX_MAXASSEMBLYLEVEL", "2");
    const tag_t part = RQ_ASSEM_ask_work_part();
    EXPECT_EQ(my_save_callback(RQ_save_part_reason, &part, nullptr), 0);
    EXPECT_EQ(GLOBAL_CALLBACK_MODUS, 2);
    EXPECT_EQ(global_max_assembly_level, 2);
    EXPECT_STREQ(single_part, (folder_ + "/cb.prt").c_str());
    EXPECT_TRUE(kvtx_test::file_exists(folder_ + "/cb_CB2-Post.xml"));
    EXPECT_TRUE(kvtx_test::file_exists(folder_ + "/cb_CB2-Post.xml.log"));
    EXPECT_EQ(standin::open_depth(), 0);

    standin::set_variable("KVTX_MAXASSEMBLYLEVEL", std::nullopt);  // unset keeps the level
    my_save_callback(RQ_save_part_reason, &part, nullptr);
    EXPECT_EQ(global_max_assembly_level, 2);
    standin::set_variable("KVTX_MAXASSEMBLYLEVEL", "all");
    my_save_callback(RQ_save_part_reason, &part, nullptr);
    EXPECT_EQ(global_max_assembly_level, -1);
}

TEST_F(PartCallbacksTest, ChangeOfWorkPartChecksTheNewWorkPartInModeOne) {
    open_part("first.prt");
    const tag_t second = open_part("second.prt");
    setenv("TALVEX_CHANGE_WORKPART_ACTION", "1", 1);
    standin::set_variable("KVTX_outdir", folder_ + "/");
    standin::clear_records();
    EXPECT_EQ(my_cwp_callback(RQ_change_work_part_reason, &second, nullptr), 0);
    EXPECT_EQ(GLOBAL_CALLBACK_MODUS, 1);
    EXPECT_TRUE(kvtx_test::file_exists(folder_ + "/second_CB1-Pre.xml"));
    EXPECT_FALSE(kvtx_test::file_exists(folder_ + "/first_CB1-Pre.xml"));
    EXPECT_TRUE(logged("\n+++TalvexForKavo: my_cwp_callback part_name=" + folder_ + "/second.prt"));
    EXPECT_TRUE(
        logged("\n+++TalvexForKavo: my_cwp_callback work_part_name = " + folder_ + "/second.prt"));
}

// An object-interface exception thrown by an action stays in the plug-in: the
// syslog tells it with its source line and file, the action is not traced as
// passed, the next action and the save check still run, and the bracket is
// closed.
TEST_F(PartCallbacksTest, ThrowingActionIsLoggedAndTheSaveCheckStillRuns) {
    const tag_t part = open_part();
    setenv("TALVEX_CALLBACK_SetLineWidthPreferences", "SAVEP", 1);
    setenv("TALVEX_CALLBACK_Structure_sync", "SAVEP", 1);
    setenv("TALVEX_SAVE_CALLBACK_ACTION", "1", 1);
    standin::set_variable("KVTX_outdir", folder_ + "/");
    for (const char* width : {"THIN", "NORMAL", "THICK"})
        standin::set_variable(
            std::string("VRELII_CONVERT_LEGACY_") + width + "_LINEWIDTH_TO_NEW_LINEWIDTH", "5");
    standin::set_fault("PartObject::SetLegacyLineWidthMap", 4711);
    standin::clear_records();
    EXPECT_EQ(my_save_callback(RQ_save_part_reason, &part, nullptr), 0);
    EXPECT_EQ(standin::open_depth(), 0);

    const std::string log = kvtx_test::syslog_text();
    const std::string thrown =
        "\n+++TalvexForKavo: TALVEX_CALLBACK_SetLineWidthPreferences: exception: "
        "PartObject::SetLegacyLineWidthMap failed (error 4711) (line ";
    EXPECT_NE(log.find(thrown), std::string::npos) << log;
    EXPECT_NE(log.find(" of kavoopen_preferences.cpp)\n"), std::string::npos);
    EXPECT_FALSE(logged(action(3381, "TALVEX_CALLBACK_SetLineWidthPreferences --> passed\n")));
    EXPECT_TRUE(logged(action(3395, "TALVEX_CALLBACK_Structure_sync --> passed\n")));
    EXPECT_TRUE(kvtx_test::file_exists(folder_ + "/cb_CB2-Post.xml"));
}

// A callback check whose report cannot be named starts no run log (it would
// be ".log" in the working folder), and the syslog says why.
TEST_F(PartCallbacksTest, CallbackCheckWithoutReportNameStartsNoRunLog) {
    const tag_t part = open_part();
    setenv("TALVEX_SAVE_CALLBACK_ACTION", "1", 1);
    standin::set_variable("KVTX_outdir", folder_ + "/" + std::string(600, 'd') + "/");
    EXPECT_EQ(my_save_callback(RQ_save_part_reason, &part, nullptr), 0);
    EXPECT_STREQ(glob_xml_file, "");
    EXPECT_STREQ(program_log_file, "");
    EXPECT_FALSE(kvtx_test::file_exists(".log"));
    EXPECT_FALSE(kvtx_test::file_exists(folder_ + "/cb_CB2-Post.xml.log"));
    EXPECT_EQ(first_error_message, std::string("Programm fault [2858]"));
    EXPECT_NE(kvtx_test::logged_text().find(
                  "Error: no report written: the host cannot join the output folder and the "
                  "report name"),
              std::string::npos);
}

}  // namespace
