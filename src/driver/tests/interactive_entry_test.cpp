// The interactive entry: settings from host variables, the syslog lines, the
// post command (with the report name quoted as one shell word) and the
// unload entries.
#include "driver/interactive_entry.hpp"

#include <rq/rq.h>
#include <standin/testing.hpp>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "support/test_support.hpp"

namespace {

std::vector<std::string> commands_run;

int record_command(const char* command_line) {
    commands_run.emplace_back(command_line);
    return 0;
}

const std::string kRule(95, '=');

class InteractiveEntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kvtx_test::reset_global_state();
        commands_run.clear();
        set_post_command_runner(record_command);
        folder_ = kvtx_test::fresh_folder("interactive_entry");
        testing::internal::CaptureStdout();
    }
    void TearDown() override {
        testing::internal::GetCapturedStdout();
        kvtx_test::reset_global_state();
    }
    tag_t open_part(const std::string& leaf) {
        return standin::PartBuilder("IE").open(folder_ + "/" + leaf);
    }
    std::string folder_;
};

TEST(PostCommandLine, ReportNameIsOneQuotedWord) {
    char line[1024];
    ASSERT_TRUE(
        build_post_command_line("viewer -r", "out dir/a;rm -rf x $(id).xml", line, sizeof line));
    EXPECT_STREQ(line, "viewer -r 'out dir/a;rm -rf x $(id).xml' ");
    ASSERT_TRUE(build_post_command_line("notepad", "it's.xml", line, sizeof line));
    EXPECT_STREQ(line, "notepad 'it'\\''s.xml' ");
}

TEST(PostCommandLine, LineThatDoesNotFitIsRefused) {
    char line[16];
    EXPECT_TRUE(build_post_command_line("cat", "r.xml", line, sizeof line));
    EXPECT_FALSE(build_post_command_line("cat", "report-name.xml", line, sizeof line));
    EXPECT_STREQ(line, "");
}

// The quoted name reaches a real shell as one argument and runs nothing else.
TEST(PostCommandLine, ShellSeesOneArgument) {
    const std::string folder = kvtx_test::fresh_folder("post_command_shell");
    const std::string report = folder + "/a b;touch " + folder + "/injected;'$(touch x)'.xml";
    const std::string command = "printf '%s\\n' >" + folder + "/args.txt";
    char line[1024];
    ASSERT_TRUE(build_post_command_line(command.c_str(), report.c_str(), line, sizeof line));
    ASSERT_EQ(std::system(line), 0);
    EXPECT_EQ(kvtx_test::read_file(folder + "/args.txt"), report + "\n");
    EXPECT_FALSE(kvtx_test::file_exists(folder + "/injected"));
}

TEST_F(InteractiveEntryTest, WithoutWorkPartOnlyTheStartLineIsWritten) {
    rqusr(nullptr, nullptr, 0);
    EXPECT_EQ(standin::syslog_entries(),
              std::vector<std::string>{"######## Start of: TalvexForKavo " +
                                       std::string(program_release) +
                                       " <Build: " + build_date_time + ">\n"});
    EXPECT_TRUE(commands_run.empty());
    EXPECT_EQ(standin::open_depth(), 0);
}

TEST_F(InteractiveEntryTest, UnsetPostCommandDefaultsToTheDesktopOpener) {
    open_part("plain part.prt");
    standin::set_variable("KVTX_outdir", folder_ + "/");
    standin::set_variable("KVTX_detail_option", "");
    GLOBAL_CALLBACK_MODUS = 2;
    rqusr(nullptr, nullptr, 0);
    EXPECT_EQ(GLOBAL_CALLBACK_MODUS, 0);
    const std::string report = folder_ + "/plain_part.xml";
    EXPECT_TRUE(kvtx_test::file_exists(report));
    EXPECT_EQ(commands_run, std::vector<std::string>{"xdg-open '" + report + "' "});

    const std::vector<std::string>& log = standin::syslog_entries();
    const std::vector<std::string> opening(log.begin() + 1, log.begin() + 9);
    const std::vector<std::string> expected = {"KVTX_POSTCOMMAND = ##\n",
                                               "KVTX_POSTCOMMAND = set to #xdg-open#\n",
                                               "\nTalvexForKavo",
                                               "\n" + kRule + "\n",
                                               "KVTX_outdir          = #" + folder_ + "/#\n",
                                               "KVTX_detail_option   = ##\n",
                                               "KVTX_journal         = ##\n",
                                               "KVTX_POSTCOMMAND     = #xdg-open#\n"};
    EXPECT_EQ(opening, expected);
    EXPECT_EQ(log.back().substr(0, 96), "\n" + kRule);
    EXPECT_EQ(standin::open_depth(), 0);
#ifdef KAVOTALVEX_PLUGIN
    bool statistic = false;
    for (const std::string& entry : standin::listing_entries())
        statistic = statistic || entry == "Statistic:\n";
    EXPECT_TRUE(statistic);
#endif
}

TEST_F(InteractiveEntryTest, SetPostCommandRunsWithoutDefaultLines) {
    open_part("p.prt");
    standin::set_variable("KVTX_outdir", folder_ + "/");
    standin::set_variable("KVTX_POSTCOMMAND", "viewer --new");
    standin::set_variable("KVTX_journal", "/no/such/journal");
    rqusr(nullptr, nullptr, 0);
    EXPECT_EQ(commands_run, std::vector<std::string>{"viewer --new '" + folder_ + "/p.xml' "});
    EXPECT_EQ(standin::syslog_entries()[1], "\nTalvexForKavo");
    EXPECT_STREQ(journal_file, "/no/such/journal");
}

// The check reads the work part; the name handed to it is the display part's.
TEST_F(InteractiveEntryTest, ReportIsOfTheWorkPartUnderTheDisplayPartsName) {
    const tag_t work = open_part("work.prt");
    open_part("shown.prt");  // work and display part
    ASSERT_EQ(RQ_ASSEM_set_work_part(work), 0);
    standin::set_variable("KVTX_outdir", folder_ + "/");
    standin::set_variable("KVTX_POSTCOMMAND", "true");
    RQ_initialize();
    Talvex_Interactive_Entry();
    RQ_terminate();
    EXPECT_STREQ(glob_xml_file, (folder_ + "/work.xml").c_str());
    std::string console = testing::internal::GetCapturedStdout();
    for (const std::string& entry : standin::listing_entries()) console += entry;
    testing::internal::CaptureStdout();
    EXPECT_NE(console.find("   " + folder_ + "/shown.prt;0;OK;" + folder_ + "/work.xml"),
              std::string::npos);
}

// A post command longer than its 515 characters is refused whole, never cut
// and run; one of 515 runs.
TEST_F(InteractiveEntryTest, OverlongPostCommandRunsNothing) {
    open_part("p.prt");
    standin::set_variable("KVTX_outdir", folder_ + "/");
    const std::string longest = "true" + std::string(511, ' ');
    standin::set_variable("KVTX_POSTCOMMAND", longest + "x");
    rqusr(nullptr, nullptr, 0);
    EXPECT_TRUE(commands_run.empty());
    const std::vector<std::string>& log = standin::syslog_entries();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "KVTX_POSTCOMMAND not run: the command is longer than 515\n"),
              log.end());

    standin::set_variable("KVTX_POSTCOMMAND", longest);
    rqusr(nullptr, nullptr, 0);
    EXPECT_EQ(commands_run, std::vector<std::string>{longest + " '" + folder_ + "/p.xml' "});
}

// A report that cannot be named (an output folder too long for the host's
// join, a failing join, a part without a name) is no report: the syslog says
// why, and nothing is opened.
TEST_F(InteractiveEntryTest, ReportThatCannotBeNamedOpensNothing) {
    open_part("p.prt");
    const struct {
        std::string outdir;
        const char* fault;
        std::string reason;
    } cases[] = {
        {folder_ + "/" + std::string(600, 'd') + "/", nullptr,
         "the host cannot join the output folder and the report name (error " +
             std::to_string(RQ_err_bad_argument) + ")"},
        {folder_ + "/", "uc4575",
         "the host cannot join the output folder and the report name (error 77)"},
        {folder_ + "/", "uc4574", "the part has no name"},
    };
    for (const auto& c : cases) {
        standin::clear_records();
        commands_run.clear();
        standin::set_variable("KVTX_outdir", c.outdir);
        if (c.fault != nullptr) standin::set_fault(c.fault, 77);
        rqusr(nullptr, nullptr, 0);
        standin::clear_faults();
        EXPECT_TRUE(commands_run.empty()) << c.reason;
        EXPECT_STREQ(glob_xml_file, "");
        EXPECT_EQ(first_error_message, std::string("Programm fault [2858]"));
        const std::string log = kvtx_test::logged_text();
        EXPECT_NE(log.find("Error: no report written: " + c.reason + "\n"), std::string::npos)
            << log;
        EXPECT_NE(
            kvtx_test::syslog_text().find("KVTX_POSTCOMMAND not run: no report was written\n"),
            std::string::npos);
    }
    EXPECT_FALSE(kvtx_test::file_exists(".xml"));
    EXPECT_FALSE(kvtx_test::file_exists(folder_ + "/.xml"));
}

TEST_F(InteractiveEntryTest, UnloadEntries) {
    EXPECT_EQ(rqusr_ask_unload(), 1);
    rqusr_cleanup();
#ifdef KAVOTALVEX_PLUGIN
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
#else
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // output switch still off
    testing::internal::CaptureStdout();
    pelk_set_output_on();
    EXPECT_EQ(rqusr_ask_unload(), 1);
    rqusr_cleanup();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "rqusr_ask_unload for TalvexForKavo\n\n Cleanup for TalvexForKavo\n");
#endif
    testing::internal::CaptureStdout();
}

}  // namespace
