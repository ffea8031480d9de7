// Host helper calls: variables, the standard failure report, release parsing,
// the readable-file test and the product-data-management session test.
#include "pelk/pelk_general_util.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include <fstream>
#include <string>
#include <vector>

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

class PelkHostCallsTest : public kvtx_test::GlobalStateTest {};

using kvtx_test::host_fail_message;

std::string standard_report(const std::string& call, int line, const std::string& message) {
    return "** Function " + call + " failed in pelk_general_util Line " + std::to_string(line) +
           "\n ==> " + message + " \n";
}

TEST_F(PelkHostCallsTest, TranslateVariableGivesValueOrEmptyText) {
    standin::set_variable("KVTX_outdir", std::string("/out/%d"));
    standin::set_variable("KVTX_journal", std::string(""));
    standin::set_variable("KVTX_detail_option", std::nullopt);
    char out[16] = "stale";
    pelk_translate_variable("KVTX_outdir", out);
    EXPECT_STREQ(out, "/out/%d");
    pelk_translate_variable("KVTX_journal", out);
    EXPECT_STREQ(out, "");
    std::strcpy(out, "stale");
    pelk_translate_variable("KVTX_detail_option", out);
    EXPECT_STREQ(out, "");

    standin::set_variable("KVTX_outdir", std::string(100, 'v'));
    pelk_translate_variable("KVTX_outdir", out);
    EXPECT_EQ(std::string(out), std::string(15, 'v'));
}

TEST_F(PelkHostCallsTest, FailedTypeQueryWritesStandardReportToConsoleAndSyslog) {
    standin::set_fault("RQ_OBJ_ask_type_and_subtype", RQ_err_bad_tag);
    pelk_syslog_prefix_on();
    int type = 99, subtype = 99;
    CaptureStdout();
    EXPECT_EQ(pelk_ask_type_and_subtype(42, &type, &subtype), RQ_err_bad_tag);
    const std::string console = GetCapturedStdout();
    const std::string report =
        standard_report("<< RQ_OBJ_ask_type_and_subtype(elt_id, type, subtype) >>", 551,
                        host_fail_message(RQ_err_bad_tag));
    EXPECT_EQ(console, report);
    EXPECT_EQ(standin::syslog_entries(), (std::vector<std::string>{"+++KavoTalvex: ", report}));
    EXPECT_EQ(type, 0);
    EXPECT_EQ(subtype, 0);
    EXPECT_EQ(pelk_ask_last_error(), RQ_err_bad_tag);
    EXPECT_EQ(std::string(pelk_ask_fail_message()), host_fail_message(RQ_err_bad_tag));
}

TEST_F(PelkHostCallsTest, TypeQueryOfLiveObject) {
    standin::PartBuilder builder("p1");
    std::int64_t id = builder.add(RQ_solid_type, RQ_solid_body_subtype);
    const std::string folder = kvtx_test::fresh_folder("pelk_type");
    builder.open(folder + "/p1.prt");
    tag_t body = RQ_TAG_ask_tag_of_handle(builder.handle(id).c_str());
    ASSERT_NE(body, NULL_TAG);
    int type = -1, subtype = -1;
    EXPECT_EQ(pelk_ask_type_and_subtype(body, &type, &subtype), 0);
    EXPECT_EQ(type, RQ_solid_type);
    EXPECT_EQ(subtype, RQ_solid_body_subtype);
    EXPECT_EQ(pelk_ask_last_error(), 0);
    EXPECT_TRUE(standin::syslog_entries().empty());
}

struct ReleaseCase {
    const char* text;
    int major;
    int minor;
};

TEST_F(PelkHostCallsTest, ReleaseTextIsParsedBehindTheLastV) {
    const ReleaseCase cases[] = {
        {"Kavo V12.0.2", 12, 0},
        {"V8.5", 108, 5},
        {"NX V10.1 build V11.3", 11, 3},
        {"V0.7", 0, 7},
        {"V2306.4000", 2306, 4000},
        {"V9.x", 109, -1},
        {"Kavo 12.0", -1, -1},
        {"V12", -1, -1},
        {"Vx.5", -1, -1},
    };
    for (const ReleaseCase& c : cases) {
        pelk_reset_state_for_tests();
        standin::set_release_text(std::string(c.text));
        int minor = -77;
        EXPECT_EQ(pelk_ask_release(&minor), c.major) << c.text;
        EXPECT_EQ(minor, c.minor) << c.text;
    }
}

TEST_F(PelkHostCallsTest, ReleaseIsCachedOnceReadAndAskedAgainOtherwise) {
    standin::set_release_text(std::nullopt);
    EXPECT_EQ(pelk_ask_release(nullptr), -1);
    standin::set_release_text(std::string("no version"));
    EXPECT_EQ(pelk_ask_release(nullptr), -1);
    standin::set_release_text(std::string("V8.5"));
    EXPECT_EQ(pelk_ask_release(nullptr), 108);
    standin::set_release_text(std::string("V12.0.2"));  // not asked any more
    int minor = 0;
    EXPECT_EQ(pelk_ask_release(&minor), 108);
    EXPECT_EQ(minor, 5);
}

#ifndef KAVOTALVEX_PLUGIN
TEST_F(PelkHostCallsTest, FindFileAcceptsOnlyReadableNamesThatFit) {
    const std::string folder = kvtx_test::fresh_folder("pelk_find");
    const std::string readable = folder + "/list.txt";
    std::ofstream(readable) << "p1\n";
    char found[1024] = "stale";
    EXPECT_EQ(pelk_find_file(readable.c_str(), found), 1);
    EXPECT_EQ(std::string(found), readable);

    EXPECT_EQ(pelk_find_file((folder + "/missing.txt").c_str(), found), 0);
    EXPECT_STREQ(found, "");
    EXPECT_EQ(pelk_find_file("", found), 0);

    char small[8] = "stale";
    EXPECT_EQ(pelk_find_file(readable.c_str(), small), 0);
    EXPECT_STREQ(small, "");

    if (::geteuid() != 0) {  // root reads every file
        const std::string locked = folder + "/locked.txt";
        std::ofstream(locked) << "x";
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(pelk_find_file(locked.c_str(), found), 0);
        EXPECT_STREQ(found, "");
    }
}
#endif

TEST_F(PelkHostCallsTest, VrelManagerTestReportsHostFlag) {
    EXPECT_EQ(PELK_Is_VrelManager_Active(), 0);
    standin::set_pdm_active(1);
    EXPECT_EQ(PELK_Is_VrelManager_Active(), 1);
    EXPECT_TRUE(standin::syslog_entries().empty());
}

TEST_F(PelkHostCallsTest, FailedVrelManagerTestReportsAndStillAnswers) {
    standin::set_fault("RQ_is_vrelmanager_active", RQ_err_not_initialized);
    CaptureStdout();
    const int active = PELK_Is_VrelManager_Active();
    const std::string console = GetCapturedStdout();
    EXPECT_EQ(active, 0);
    const std::string report = standard_report("<< RQ_is_vrelmanager_active(&is_active) >>", 1147,
                                               host_fail_message(RQ_err_not_initialized));
    EXPECT_EQ(console, report);
    EXPECT_EQ(standin::syslog_entries(), std::vector<std::string>{report});
    EXPECT_EQ(pelk_ask_last_error(), RQ_err_not_initialized);
}

}  // namespace
