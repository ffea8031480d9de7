// Printers of the host utility layer: channels per program form, the output
// switch, the syslog prefix, '%' safety and the cut at the buffer size.
#include "pelk/pelk_general_util.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

class PelkOutputTest : public kvtx_test::GlobalStateTest {};

const std::vector<std::string>& syslog() {
    return standin::syslog_entries();
}
const std::vector<std::string>& listing() {
    return standin::listing_entries();
}

// pelk_printf_nl with an empty format.
void print_empty_trace_line() {
    const char* empty = "";
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-zero-length"
#pragma GCC diagnostic ignored "-Wformat-security"
    pelk_printf_nl(empty);
#pragma GCC diagnostic pop
}

TEST_F(PelkOutputTest, PrintfWritesArgumentPercentSignsUnchanged) {
    CaptureStdout();
    pelk_printf("part %s;%d", "a%sb%n%%", 7);
    EXPECT_EQ(GetCapturedStdout(), "part a%sb%n%%;7");
}

TEST_F(PelkOutputTest, SwitchablePrintersAreSilentWhileOutputIsOff) {
    EXPECT_EQ(pelk_output_is_on(), 0);
    CaptureStdout();
    pelk_printf_if_on("if_on");
    pelk_list_printf("list");
    pelk_syslog_printf_if_on("syslog");
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_TRUE(listing().empty());
    EXPECT_TRUE(syslog().empty());
}

#ifndef KAVOTALVEX_PLUGIN
TEST_F(PelkOutputTest, ConsoleSwitchablePrintersWriteOnceOutputIsOn) {
    pelk_set_output_on();
    EXPECT_EQ(pelk_output_is_on(), 1);
    CaptureStdout();
    pelk_printf_if_on("if_on %s", "100%");
    pelk_syslog_printf_if_on("syslog %d", 5);
    EXPECT_EQ(GetCapturedStdout(), "if_on 100%");
    CaptureStdout();  // the stand-in echoes the listing window here
    pelk_list_printf("\nEnd of: %s Real Time = %lf\n", "x%d", 1.5);
    GetCapturedStdout();
    ASSERT_EQ(syslog(), std::vector<std::string>{"syslog 5"});
    ASSERT_EQ(listing(), std::vector<std::string>{"\nEnd of: x%d Real Time = 1.500000\n\n"});
}

TEST_F(PelkOutputTest, ConsoleTracePrinterWritesLineToStdout) {
    CaptureStdout();
    pelk_printf_nl("[%d] single_part = #%s#", 12, "p%s");
    print_empty_trace_line();
    EXPECT_EQ(GetCapturedStdout(), "[12] single_part = #p%s#\n\n");
    EXPECT_TRUE(listing().empty());
}
#else
TEST_F(PelkOutputTest, PluginTracePrinterOpensListingWindowOnce) {
    ASSERT_FALSE(standin::listing_window_open());
    pelk_printf_nl("[%d] single_part = #%s#", 12, "p%s");
    pelk_printf_nl("second");
    EXPECT_EQ(standin::listing_window_opens(), 1);
    standin::close_listing_window();
    print_empty_trace_line();
    EXPECT_EQ(standin::listing_window_opens(), 2);
    EXPECT_EQ(listing(),
              (std::vector<std::string>{"[12] single_part = #p%s#\n", "second\n", "\n"}));
}
#endif

TEST_F(PelkOutputTest, SyslogPrefixMakesTwoWritesPerLine) {
    pelk_syslog_printf("plain %s", "%d");
    pelk_syslog_prefix_on();
    EXPECT_EQ(pelk_syslog_prefix_is_active(), 1);
    pelk_syslog_printf("with %s", "prefix");
    pelk_syslog_prefix_off();
    EXPECT_EQ(pelk_syslog_prefix_is_active(), 0);
    pelk_syslog_printf("after");
    EXPECT_EQ(syslog(),
              (std::vector<std::string>{"plain %d", "+++KavoTalvex: ", "with prefix", "after"}));
}

TEST_F(PelkOutputTest, OverlongTextIsCutAndKeepsItsNewline) {
    const std::string long_text(5000, 'x');
    pelk_syslog_printf("%s", long_text.c_str());
    ASSERT_EQ(syslog().size(), 1u);
    EXPECT_EQ(syslog()[0], std::string(2047, 'x'));

    CaptureStdout();
    pelk_printf_nl("%s", long_text.c_str());
    const std::string printed = GetCapturedStdout();
#ifdef KAVOTALVEX_PLUGIN
    ASSERT_EQ(listing().size(), 1u);
    EXPECT_EQ(listing()[0], std::string(2046, 'x') + "\n");
#else
    EXPECT_EQ(printed, std::string(2046, 'x') + "\n");
#endif
}

}  // namespace
