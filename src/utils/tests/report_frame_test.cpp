// Report header and closing section, the memory figures, and the golden-file
// test of a report frame, a run log and a result file for a sample part.
#include "utils/report_frame.hpp"

#include "utils/memory_status.hpp"
#include "utils/xml_writer.hpp"

#include "support/golden_support.hpp"
#include "support/test_support.hpp"

#include "common/text_buffer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

namespace {

class ReportFrameTest : public kvtx_test::GlobalStateTest {
  protected:
    void TearDown() override {
        ::unsetenv("KAVOHOST_SYSLOG");
        GlobalStateTest::TearDown();
    }

    std::string use_report_in(const std::string& folder, const std::string& base) {
        const std::string report = folder + "/" + base;
        copy_text(glob_xml_file, report.c_str());
        return report;
    }
};

TEST_F(ReportFrameTest, HeaderValuesAreWrittenUnescaped) {
    const std::string folder = kvtx_test::fresh_folder("frame_unescaped");
    const std::string report = use_report_in(folder, "r.xml");
    copy_text(action_list, "-Action=ModelGetData&<x>");
    copy_text(detail_option, "25,26&63");
    init_xml_file();
    write_xml_header();
    const std::string text = kvtx_test::read_file(report);
    EXPECT_NE(text.find("  <Action>-Action=ModelGetData&<x></Action>\n"), std::string::npos);
    EXPECT_NE(text.find("  <DetailOption>25,26&63</DetailOption>\n"), std::string::npos);
    EXPECT_NE(text.find("  <StartLoadPartMemoryAllocation></StartLoadPartMemoryAllocation>\n"),
              std::string::npos);
    EXPECT_EQ(text.rfind(" <TalvexData>\n"), text.size() - 14);
}

TEST_F(ReportFrameTest, MissingReleaseTextLeavesOutOnlyThatLine) {
    const std::string folder = kvtx_test::fresh_folder("frame_norelease");
    const std::string report = use_report_in(folder, "r.xml");
    standin::set_release_text(std::nullopt);
    write_xml_header();
    const std::string text = kvtx_test::read_file(report);
    EXPECT_EQ(text.find("<KavoRelease>"), std::string::npos);
#ifdef KAVOTALVEX_PLUGIN
    EXPECT_NE(text.find("   <KavoVersion>-1.0</KavoVersion>\n"), std::string::npos);
#else
    EXPECT_NE(text.find("   <KavoVersion>-1.-1</KavoVersion>\n"), std::string::npos);
#endif
}

TEST_F(ReportFrameTest, FailedLoadOptionsQueryShowsUnknownValues) {
    const std::string folder = kvtx_test::fresh_folder("frame_options");
    const std::string report = use_report_in(folder, "r.xml");
    standin::set_fault("RQ_ASSEM_ask_assem_options", RQ_err_not_initialized);
    write_assembly_load_options(glob_xml_file);
    const std::string text = kvtx_test::read_file(report);
    EXPECT_NE(text.find("    <load_options>-1 []</load_options>\n"), std::string::npos);
    EXPECT_NE(text.find("    <parts_list>-1</parts_list>\n"), std::string::npos);
    EXPECT_NE(text.find("    <load_wave_parents>-1 []</load_wave_parents>\n"), std::string::npos);
    // 14 fields and the two tags: the interpart-data field is not written.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 16);
}

TEST_F(ReportFrameTest, ClosingSectionEndsTheRootElement) {
    const std::string folder = kvtx_test::fresh_folder("frame_end");
    const std::string report = use_report_in(folder, "r.xml");
    write_xml_end();
    const std::string masked = kvtx_test::mask_volatile(kvtx_test::read_file(report));
    EXPECT_EQ(masked,
              " </TalvexData>\n <RunDataPerformance>\n  <EndDateTime><TIME-STAMP></EndDateTime>\n"
              " </RunDataPerformance>\n</Dispatra_TalvexData>\n");
}

TEST(MemoryFiguresTest, ComputedFromProcTexts) {
    const char* meminfo =
        "MemTotal:       16000000 kB\nMemFree:         1000000 kB\n"
        "MemAvailable:    4000000 kB\nSwapTotal:       2000000 kB\nSwapFree:        1500000 kB\n";
    const char* status = "Name:\tkavotalvex\nVmPeak:\t  300000 kB\nVmSize:\t  200000 kB\n";

    MemoryFigures unlimited = compute_memory_figures(meminfo, status, kNoAddressSpaceLimit);
    EXPECT_EQ(unlimited.load_percent, 75);
    EXPECT_EQ(unlimited.avail_phys_bytes, 4000000ull * 1024);
    EXPECT_EQ(unlimited.avail_page_file_bytes, 5500000ull * 1024);
    EXPECT_EQ(unlimited.avail_virtual_bytes, 5500000ull * 1024);

    MemoryFigures limited = compute_memory_figures(meminfo, status, 1000000ull * 1024);
    EXPECT_EQ(limited.avail_virtual_bytes, 800000ull * 1024);
    MemoryFigures exhausted = compute_memory_figures(meminfo, status, 100000ull * 1024);
    EXPECT_EQ(exhausted.avail_virtual_bytes, 0u);

    MemoryFigures empty = compute_memory_figures("", "", kNoAddressSpaceLimit);
    EXPECT_EQ(empty.load_percent, 0);
    EXPECT_EQ(empty.avail_virtual_bytes, 0u);
}

TEST_F(ReportFrameTest, MemoryStatusLogsFourFiguresAndGivesVirtualKb) {
    char text[STAMP_BUFSIZE] = "";
    testing::internal::CaptureStdout();
    const int length = ask_memory_status(text, sizeof text);
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(length, static_cast<int>(std::strlen(text)));
    EXPECT_TRUE(std::regex_match(std::string(text), std::regex("[0-9]+"))) << text;
    const std::regex kLines(
        "Info: Memory Load    = [0-9]+\nInfo: dwAvailPhys = [0-9]+\n"
        "Info: dwAvailPageFile = [0-9]+\nInfo: dwAvailVirtual = ([0-9]+)\n");
    std::string syslog;
    for (const std::string& entry : standin::syslog_entries()) syslog += entry;
    EXPECT_EQ(standin::syslog_entries().size(), 4u);
#ifndef KAVOTALVEX_PLUGIN
    std::smatch match;
    ASSERT_TRUE(std::regex_match(console, match, kLines)) << console;
    EXPECT_EQ(match[1].str(), std::string(text));
#endif
}

// A sample part through the stand-in host; the report frame, the run log and
// the result file are compared whole with golden files.
TEST_F(ReportFrameTest, GoldenReportFrameRunLogAndResultFile) {
    const std::string folder = kvtx_test::fresh_folder("golden_frame");
    ::setenv("KAVOHOST_SYSLOG", (folder + "/kavo_syslog.txt").c_str(), 1);
    kvtx_test::reset_global_state();
    RQ_initialize();
    standin::set_release_text(std::string("KAVOHOST stand-in V12.0.2.9"));

    standin::PartBuilder builder("golden_part");
    builder.add(RQ_solid_type, RQ_solid_body_subtype, {{"name", "BLOCK"}});
    const std::string part_file = folder + "/golden_part.prt";
    builder.write(part_file);
    get_current_time(start_load_part_date_time);
    tag_t part = NULL_TAG;
    RQ_PART_load_status_t status{};
    ASSERT_EQ(RQ_PART_open(part_file.c_str(), &part, &status), 0);
    ASSERT_NE(part, NULL_TAG);
    get_current_time(end_load_part_date_time);
    copy_text(build_date_time, __DATE__ "  " __TIME__);
    copy_text(action_list, "-Action=ModelGetData&<x>");
    copy_text(detail_option, "25,26");

    const std::string log = folder + "/run.log";
    const std::string result = folder + "/result.csv";
    copy_text(program_log_file, log.c_str());
    copy_text(program_result_file, result.c_str());
    testing::internal::CaptureStdout();
    ASSERT_EQ(init_program_log_file(log.c_str()), 0);
    ASSERT_EQ(init_program_result_file(), 0);
    reset_result_status();
    write_log(program_log_file, "Info: Start Checking part %s", part_file.c_str());
    ask_memory_status(end_load_part_memory, sizeof end_load_part_memory);

    const std::string report = use_report_in(folder, "golden_part.xml");
    init_xml_file();
    write_xml_header();
    check_rq_result(0, 2001, kUtilsUnit);
    check_rq_result(RQ_err_mass_props, 2046, kUtilsUnit);
    check_rq_result(RQ_err_mass_props, 2050, kUtilsUnit);
    check_rq_result(-1, 3300, kDriverUnit);
    write_xml_end();

    int code = 0;
    char message[1024];
    ask_result_status(&code, message, sizeof message);
    write_result_line(program_result_file, "%s;%d;%s;%s", "golden_part%1", code, message,
                      glob_xml_file);
    write_result_line(program_result_file, "%s;-1001;error loading part;N.N", "missing;part");
    testing::internal::GetCapturedStdout();

    const std::vector<std::pair<std::string, std::string>> folders = {{folder, "<TMP>"}};
    const std::string form = kvtx_test::kFormName;
    kvtx_test::expect_matches_golden(
        kvtx_test::mask_volatile(kvtx_test::read_file(report), folders),
        "report_frame." + form + ".xml");
    kvtx_test::expect_matches_golden(kvtx_test::mask_volatile(kvtx_test::read_file(log), folders),
                                     "run_log." + form + ".log");
    kvtx_test::expect_matches_golden(
        kvtx_test::mask_volatile(kvtx_test::read_file(result), folders),
        "result_file." + form + ".csv");
}

// Each release's header against the newest one's: the program's name and
// label, the minor release and the MaxAssemblyLevel line.
TEST_F(ReportFrameTest, HeaderOfEachReleaseLine) {
    const std::string folder = kvtx_test::fresh_folder("frame_releases");
    const std::string report = use_report_in(folder, "r.xml");
    standin::set_release_text(std::string("KAVOHOST stand-in V12.3.2.9"));
    auto header_of = [&](HostRelease release) {
        select_host_release(release);
        pelk_reset_state_for_tests();
        init_xml_file();
        write_xml_header();
        return kvtx_test::mask_volatile(kvtx_test::read_file(report), {{folder, "<TMP>"}});
    };
    const std::string newest = header_of(HostRelease::CR2212);
#ifdef KAVOTALVEX_PLUGIN
    const std::string intern = " (intern)";
    const std::string version = "12.0";
#else
    const std::string intern;
    const std::string version = "12.3";
#endif
    auto edited = [&](std::vector<std::pair<std::string, std::string>> edits) {
        std::string text = newest;
        for (const auto& [from, to] : edits) {
            const auto at = text.find(from);
            EXPECT_NE(at, std::string::npos) << from;
            if (at != std::string::npos) text.replace(at, from.size(), to);
        }
        return text;
    };
    const std::string level_line = "  <MaxAssemblyLevel>-1</MaxAssemblyLevel>\n";
    const std::string version_line = "<KavoVersion>" + version + "</KavoVersion>";
    EXPECT_NE(newest.find(version_line), std::string::npos);
    EXPECT_EQ(header_of(HostRelease::CR2007), edited({{"(Kavo CR2212)", "(Kavo CR2007)"}}));
    EXPECT_EQ(header_of(HostRelease::CR2306),
              edited({{"(Kavo CR2212)", "(Kavo CR2306)"},
                      {version_line, "<KavoVersion>12.0</KavoVersion>"}}));
    EXPECT_EQ(header_of(HostRelease::R10),
              edited({{"TalvexForKavo", "KavoTalvex"},
                      {"V3-001 (Kavo CR2212)", "V2.0.2.41 (Kavo 10)"},
                      {version_line, "<KavoVersion>12.0</KavoVersion>"}}));
    EXPECT_EQ(header_of(HostRelease::R7_5),
              edited({{"TalvexForKavo", "KavoTalvex"},
                      {"V3-001 (Kavo CR2212)" + intern, "V2.0.1.27 (Kavo 7.5)" + intern},
                      {level_line, ""},
                      {version_line, "<KavoVersion>12.0</KavoVersion>"}}));
}

}  // namespace
