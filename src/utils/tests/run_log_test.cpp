// Run log, result file, time stamps, write_log's channels and the first-error
// record of check_rq_result.
#include "utils/run_log.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include "common/text_buffer.hpp"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

using kvtx_test::host_fail_message;
using kvtx_test::logged_messages;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

// A run log just created in a fresh folder, with its two opening lines.
struct CreatedRunLog {
    std::string name;
    std::string opening;
};

class RunLogTest : public kvtx_test::GlobalStateTest {
  protected:
    static CreatedRunLog create_run_log(const std::string& folder_name) {
        CreatedRunLog log{kvtx_test::fresh_folder(folder_name) + "/run.log", ""};
        EXPECT_EQ(init_program_log_file(log.name.c_str()), 0);
        log.opening = kvtx_test::read_file(log.name);
        return log;
    }
};

const std::regex kStamp(R"([0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}\.[0-9]{2})");

TEST_F(RunLogTest, TimeStampHasFixedWidthFields) {
    char stamp[STAMP_BUFSIZE];
    get_current_time(stamp);
    EXPECT_TRUE(std::regex_match(std::string(stamp), kStamp)) << stamp;
    char small[8];
    get_current_time(small);
    EXPECT_EQ(std::strlen(small), 7u);
}

TEST_F(RunLogTest, InitLogFileWritesTwoOpeningLines) {
    const std::string folder = kvtx_test::fresh_folder("runlog_init");
    const std::string name = folder + "/run.log";
    std::ofstream(name) << "old content\n";
    ASSERT_EQ(init_program_log_file(name.c_str()), 0);
    EXPECT_EQ(std::string(log_file_in_use), name);
    const std::string text = kvtx_test::read_file(name);
    const std::regex kOpening(
        R"(Init Logfile at [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9:]{8} [0-9]{4}\n\n)"
        R"(KavoTalvex Release: TalvexForKavo V3-001 \(Kavo CR2212\)( \(intern\))?  \n)");
    EXPECT_TRUE(std::regex_match(text, kOpening)) << text;
}

TEST_F(RunLogTest, FailedLogCreationLeavesNoLogInUse) {
    copy_text(log_file_in_use, "previous.log");
    EXPECT_EQ(init_program_log_file("/nonexistent-folder/run.log"), -1);
    EXPECT_STREQ(log_file_in_use, "");
    const std::string too_long(2000, 'a');
    EXPECT_EQ(init_program_log_file(too_long.c_str()), -1);
    EXPECT_STREQ(log_file_in_use, "");
}

TEST_F(RunLogTest, WriteLogReachesItsChannelsUnchanged) {
    const CreatedRunLog log = create_run_log("runlog_write");
    CaptureStdout();
    write_log(log_file_in_use, "Info: part %s 100%%\n", "p%d;x");
    const std::string console = GetCapturedStdout();
    EXPECT_EQ(logged_messages(), std::vector<std::string>{"Info: part p%d;x 100%\n"});
#ifdef KAVOTALVEX_PLUGIN
    EXPECT_EQ(console, "");
    EXPECT_EQ(kvtx_test::read_file(log.name), log.opening);
#else
    EXPECT_EQ(console, "Info: part p%d;x 100%\n");
    EXPECT_EQ(kvtx_test::read_file(log.name), log.opening + "Info: part p%d;x 100%\n\n");
#endif
}

TEST_F(RunLogTest, WriteLogWithoutFileStillWritesConsoleAndSyslog) {
    pelk_syslog_prefix_on();
    CaptureStdout();
    write_log("", "message %d", 1);
    const std::string console = GetCapturedStdout();
#ifdef KAVOTALVEX_PLUGIN
    EXPECT_EQ(console, "");
#else
    EXPECT_EQ(console, "message 1");
#endif
    ASSERT_EQ(standin::syslog_entries().size(), 2u);
    EXPECT_EQ(standin::syslog_entries()[0], "+++KavoTalvex: ");
    EXPECT_EQ(logged_messages(), std::vector<std::string>{"message 1"});
}

TEST_F(RunLogTest, OverlongMessageIsCutAt1023Characters) {
    const std::string long_text(3000, 'm');
    write_log("", "%s", long_text.c_str());
    EXPECT_EQ(logged_messages(), std::vector<std::string>{std::string(1023, 'm')});
    // A cut message keeps the line end that its format closes with.
    standin::clear_records();
    write_log("", "[%d] name: %s\n", 2541, long_text.c_str());
    const std::vector<std::string> cut = logged_messages();
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].size(), 1023u);
    EXPECT_EQ(cut[0].back(), '\n');
}

// The longest fields of a result line (name and first-error text of 1023
// characters, report name of 515) still give the whole line with its code.
TEST_F(RunLogTest, ResultLineHoldsTheLongestFields) {
    const std::string file = kvtx_test::fresh_folder("runlog_result_line") + "/result.txt";
    const std::string name(1023, 'n');
    const std::string message(1023, 'e');
    const std::string report(515, 'r');
    write_result_line(file.c_str(), "%s;%d;%s;%s", name.c_str(), -2147483647 - 1, message.c_str(),
                      report.c_str());
    EXPECT_EQ(kvtx_test::read_file(file), name + ";-2147483648;" + message + ";" + report + "\n");
}

TEST_F(RunLogTest, CheckRqResultKeepsFirstErrorAndFlagsRepeatedMassProperty) {
    EXPECT_EQ(check_rq_result(0, 10, "kavotalvex_utils"), 0);
    EXPECT_TRUE(standin::syslog_entries().empty());

    EXPECT_EQ(check_rq_result(900, 2046, "kavotalvex_utils"), 900);
    const std::string message = host_fail_message(900);
    EXPECT_EQ(first_error_code, 900);
    EXPECT_EQ(std::string(first_error_message), message + " [2046]");
    EXPECT_EQ(logged_messages(),
              (std::vector<std::string>{"Error: 900 in Program: kavotalvex_utils",
                                        "       -> in line 2046 (" + message + ")", "*---*"}));

    standin::clear_records();
    EXPECT_EQ(check_rq_result(900, 2050, "kavotalvex_utils"), 900);
    EXPECT_EQ(logged_messages(),
              (std::vector<std::string>{"Error: 900 in Program: kavotalvex_utils",
                                        "       -> in line 2050 (" + message + ")",
                                        "Error in MassProperty", "*---*"}));
    EXPECT_EQ(std::string(first_error_message), message + " [2046]");

    standin::clear_records();
    check_rq_result(200, 2060, "kavotalvex_utils");  // later codes other than 900: no extra line
    EXPECT_EQ(logged_messages().size(), 3u);
    EXPECT_EQ(first_error_code, 900);
}

TEST_F(RunLogTest, NegativeCodeIsAProgramFault) {
    EXPECT_EQ(check_rq_result(-3, 777, "KavoTalvex"), -3);
    EXPECT_EQ(logged_messages(),
              (std::vector<std::string>{"Error: -3 in Program: KavoTalvex",
                                        "       -> in line 777 (BS-Programm fault)", "*---*"}));
    EXPECT_EQ(first_error_code, -3);
    EXPECT_STREQ(first_error_message, "Programm fault [777]");
    check_rq_result(-5, 778, "KavoTalvex");
    EXPECT_STREQ(first_error_message, "Programm fault [777]");
}

TEST_F(RunLogTest, ResultStatusIsOkAfterReset) {
    check_rq_result(7, 1, "f");
    int code = 0;
    char message[1024];
    ask_result_status(&code, message, sizeof message);
    EXPECT_EQ(code, 7);
    EXPECT_NE(std::string(message), "OK");
    reset_result_status();
    ask_result_status(&code, message, sizeof message);
    EXPECT_EQ(code, 0);
    EXPECT_STREQ(message, "OK");
}

TEST_F(RunLogTest, CheckRqResultLogsToTheLogInUse) {
    const CreatedRunLog log = create_run_log("runlog_check");
    CaptureStdout();
    check_rq_result(-1, 5, "KavoTalvex");
    GetCapturedStdout();
#ifdef KAVOTALVEX_PLUGIN
    EXPECT_EQ(kvtx_test::read_file(log.name), log.opening);
#else
    EXPECT_EQ(kvtx_test::read_file(log.name),
              log.opening +
                  "Error: -1 in Program: KavoTalvex\n       -> in line 5 (BS-Programm fault)\n"
                  "*---*\n");
#endif
}

TEST_F(RunLogTest, ResultFileHeaderAndLines) {
    EXPECT_EQ(init_program_result_file(), 0);  // no name: nothing created
    EXPECT_EQ(write_result_line(program_result_file, "%s;%d", "x", 1), 0);

    const std::string folder = kvtx_test::fresh_folder("runlog_result");
    const std::string name = folder + "/result.csv";
    copy_text(program_result_file, name.c_str());
    std::ofstream(name) << "old\n";
    ASSERT_EQ(init_program_result_file(), 0);
    write_result_line(program_result_file, "%s;%d;%s;%s", "p%s;1", 0, "OK", "/r/p.xml");
    EXPECT_EQ(kvtx_test::read_file(name),
              "ObjectCLI;ResultCode;ResultMsg;xml_filename\np%s;1;0;OK;/r/p.xml\n");

    copy_text(program_result_file, "/nonexistent-folder/result.csv");
    EXPECT_EQ(init_program_result_file(), -1);
    EXPECT_EQ(write_result_line(program_result_file, "x"), 0);  // dropped
}

// Each line is appended whole with its newline, also one longer than the
// writer's line buffer, and a file that cannot be opened takes nothing.
TEST_F(RunLogTest, AppendedLinesKeepTheirOrderAndLength) {
    const std::string name = kvtx_test::fresh_folder("runlog_append") + "/lines.txt";
    const std::string long_line(25000, 'x');
    EXPECT_EQ(append_line_to_file(name.c_str(), "first"), 0);
    EXPECT_EQ(append_line_to_file(name.c_str(), long_line.c_str()), 0);
    EXPECT_EQ(append_line_to_file(name.c_str(), nullptr), 0);
    EXPECT_EQ(append_line_to_file(name.c_str(), "last"), 0);
    EXPECT_EQ(kvtx_test::read_file(name), "first\n" + long_line + "\n\nlast\n");
    EXPECT_EQ(append_line_to_file("/nonexistent-folder/lines.txt", "x"), -1);
    EXPECT_EQ(append_line_to_file("", "x"), -1);
}

TEST_F(RunLogTest, TimeStampLineGoesToProgramLog) {
    log_time_stamp("Start Check at ");
    const std::vector<std::string> messages = logged_messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        messages[0], std::regex(R"(\nStart Check at  [A-Z][a-z]{2} [A-Z][a-z]{2} .*[0-9]{4}\n)")))
        << messages[0];
}

// The legacy plug-in builds create no run log: write_log reaches the syslog
// only, and every result line is echoed to standard output as well.
TEST_F(RunLogTest, LegacyBuildsKeepNoRunLogAndEchoResultLines) {
    const std::string folder = kvtx_test::fresh_folder("runlog_legacy");
    const std::string log = folder + "/run.log";
    copy_text(program_result_file, (folder + "/result.csv").c_str());
    struct Case {
        HostRelease release;
        bool run_log;
        const char* echo;
    };
    for (const Case& c :
         {Case{HostRelease::R7_5, false, "\nline;1%s"}, Case{HostRelease::R4, false, "\nline;1%s"},
          Case{HostRelease::R8_5, true, ""}}) {
        select_host_release(c.release);
        std::remove(log.c_str());
        standin::reset_session();
        copy_text(program_log_file, log.c_str());
        CaptureStdout();
        EXPECT_EQ(init_program_log_file(log.c_str()), 0);
        write_log(program_log_file, "Info: %s", "one");
        write_result_line(program_result_file, "%s;%d%s", "line", 1, "%s");
        const std::string console = GetCapturedStdout();
        EXPECT_EQ(kvtx_test::file_exists(log), c.run_log) << c.echo;
        EXPECT_EQ(std::string(log_file_in_use), c.run_log ? log : "");
        EXPECT_EQ(logged_messages(), std::vector<std::string>{"Info: one"});
#ifdef KAVOTALVEX_PLUGIN
        EXPECT_EQ(console, c.echo);
#else
        EXPECT_EQ(console, (c.run_log ? "Info: one" : "") + std::string(c.echo));
#endif
    }
    EXPECT_EQ(kvtx_test::read_file(program_result_file), "line;1%s\nline;1%s\nline;1%s\n");
}

}  // namespace
