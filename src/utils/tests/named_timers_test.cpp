// Named timer slots and their statistic, measured with the host's fixed clock.
#include "utils/named_timers.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class NamedTimersTest : public kvtx_test::GlobalStateTest {
  protected:
    void SetUp() override {
        GlobalStateTest::SetUp();
        standin::set_fixed_clock(0.25);
    }
};

using kvtx_test::logged_messages;

TEST_F(NamedTimersTest, EmptyNameIsRefusedAndTouchesNoSlot) {
    set_timer_name("A", 0);
    EXPECT_EQ(start_named_timer(""), -1);
    EXPECT_EQ(stop_named_timer(""), -1);
    EXPECT_EQ(start_named_timer(nullptr), -1);
    for (int slot = 0; slot < TIMER_SLOTS; ++slot) EXPECT_EQ(ask_timer_count(slot), 0);
}

TEST_F(NamedTimersTest, UnknownNameChangesNothing) {
    set_timer_name("A", 0);
    EXPECT_EQ(start_named_timer("associativity_data->assoc_object"), 0);
    EXPECT_EQ(stop_named_timer("associativity_data->assoc_object"), 0);
    EXPECT_EQ(ask_timer_count(0), 0);
    // Only the whole name: neither a part of it nor a longer name.
    set_timer_name("CYCLE_ALL", 1);
    for (const char* other : {"CYCLE_AL", "CYCLE_ALLX", "C", "cycle_all"}) {
        start_named_timer(other);
        stop_named_timer(other);
    }
    EXPECT_EQ(ask_timer_count(1), 0);
    // A name longer than a slot holds is kept cut; only the cut name is that slot's.
    const std::string long_name(200, 'n');
    set_timer_name(long_name.c_str(), 2);
    start_named_timer(long_name.c_str());
    stop_named_timer(long_name.c_str());
    EXPECT_EQ(ask_timer_count(2), 0);
    start_named_timer(long_name.substr(0, 131).c_str());
    stop_named_timer(long_name.substr(0, 131).c_str());
    EXPECT_EQ(ask_timer_count(2), 1);
}

TEST_F(NamedTimersTest, SlotsWithTheSameNameRunTogether) {
    set_timer_name("RQ_DRF_ask_draft_aid_text_info", 16);
    set_timer_name("RQ_DRF_ask_associativity_data", 17);
    set_timer_name("RQ_DRF_ask_draft_aid_text_info", 18);
    for (int round = 0; round < 3; ++round) {
        start_named_timer("RQ_DRF_ask_draft_aid_text_info");
        stop_named_timer("RQ_DRF_ask_draft_aid_text_info");
    }
    EXPECT_EQ(ask_timer_count(16), 3);
    EXPECT_EQ(ask_timer_count(18), 3);
    EXPECT_DOUBLE_EQ(ask_timer_seconds(16), 0.75);
    EXPECT_DOUBLE_EQ(ask_timer_seconds(18), 0.75);
    EXPECT_EQ(ask_timer_count(17), 0);
}

TEST_F(NamedTimersTest, RenamingClearsTotals) {
    set_timer_name("CHECK_MODEL_SECTION", 0);
    start_named_timer("CHECK_MODEL_SECTION");
    stop_named_timer("CHECK_MODEL_SECTION");
    set_timer_name("CHECK_MODEL_SECTION", 0);
    EXPECT_EQ(ask_timer_count(0), 0);
    EXPECT_DOUBLE_EQ(ask_timer_seconds(0), 0.0);
    set_timer_name("ignored", 20);
    set_timer_name("ignored", -1);
}

TEST_F(NamedTimersTest, StopWithoutStartAddsNoTime) {
    set_timer_name("X", 3);
    stop_named_timer("X");
    EXPECT_DOUBLE_EQ(ask_timer_seconds(3), 0.0);
    EXPECT_EQ(ask_timer_count(3), 1);
}

// A slot started again before its stop ends the earlier host timer without
// counting it: the stop counts the interval since the last start, and no
// host timer is left running.
TEST_F(NamedTimersTest, RestartEndsTheRunningHostTimerUncounted) {
    set_timer_name("Entity_general_info", 15);
    const int before = standin::running_timers();
    for (int i = 0; i < 3; ++i) start_named_timer("Entity_general_info");
    EXPECT_EQ(standin::running_timers(), before + 1);
    stop_named_timer("Entity_general_info");
    EXPECT_EQ(standin::running_timers(), before);
    EXPECT_EQ(ask_timer_count(15), 1);
    EXPECT_DOUBLE_EQ(ask_timer_seconds(15), 0.25);

    start_named_timer("Entity_general_info");  // left running across a renaming
    set_timer_name("Entity_general_info", 15);
    start_named_timer("Entity_general_info");
    EXPECT_EQ(standin::running_timers(), before + 1);
    stop_named_timer("Entity_general_info");
    EXPECT_EQ(ask_timer_count(15), 1);
    EXPECT_EQ(standin::running_timers(), before);
}

TEST_F(NamedTimersTest, StatisticListsNamedSlotsWithZeroBasedNumbers) {
    set_timer_name("CHECK_MODEL_SECTION", 0);
    set_timer_name("CYCLE_ALL", 10);
    start_named_timer("CHECK_MODEL_SECTION");
    stop_named_timer("CHECK_MODEL_SECTION");
    start_named_timer("CHECK_MODEL_SECTION");
    stop_named_timer("CHECK_MODEL_SECTION");

    testing::internal::CaptureStdout();
    log_timer_statistic();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(
        logged_messages(),
        (std::vector<std::string>{"\nStatistic:", "\n0.) CHECK_MODEL_SECTION   0.500000 sec  [2]",
                                  "\n10.) CYCLE_ALL   0.000000 sec  [0]"}));

    testing::internal::CaptureStdout();
    print_timer_statistic();
    const std::string printed = testing::internal::GetCapturedStdout();
    const std::string expected =
        "Statistic:\n\n0.) CHECK_MODEL_SECTION   0.500000 sec  [2]\n\n10.) CYCLE_ALL   0.000000 "
        "sec  [0]\n";
#ifdef KAVOTALVEX_PLUGIN
    std::string listed;
    for (const std::string& entry : standin::listing_entries()) listed += entry;
    EXPECT_EQ(listed, expected);
#else
    EXPECT_EQ(printed, expected);
#endif
}

TEST_F(NamedTimersTest, StatisticWithoutNamedSlotIsHeadLineOnly) {
    testing::internal::CaptureStdout();
    log_timer_statistic();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(logged_messages(), std::vector<std::string>{"\nStatistic:"});
}

}  // namespace
