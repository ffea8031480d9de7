// What the driver does differently in the builds for the older host releases:
// the loading traces, the snapshot, the check run without callback modes,
// the interactive entry without a journal, and the callbacks each host has.
#include <rq/rq.h>
#include <standin/testing.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/batch_driver.hpp"
#include "driver/check_run.hpp"
#include "driver/interactive_entry.hpp"
#include "driver/part_callbacks.hpp"
#include "support/test_support.hpp"

namespace {

int run_nothing(const char*) {
    return 0;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class ReleaseDriverTest : public kvtx_test::GlobalStateTest {
  protected:
    void SetUp() override {
        GlobalStateTest::SetUp();
        folder_ = kvtx_test::fresh_folder("release_driver");
        copy_text(global_outdir, (folder_ + "/").c_str());
        set_post_command_runner(run_nothing);
        testing::internal::CaptureStdout();
    }
    void TearDown() override {
        testing::internal::GetCapturedStdout();
        GlobalStateTest::TearDown();
    }
    tag_t open_part(const std::string& path) { return standin::PartBuilder("RD").open(path); }
    // What the trace printer wrote: standard output of the console program,
    // the listing window of the plug-in.
    std::string printed() {
        std::string text = testing::internal::GetCapturedStdout();
        for (const std::string& entry : standin::listing_entries()) text += entry;
        testing::internal::CaptureStdout();
        return text;
    }

    std::string folder_;
};

TEST_F(ReleaseDriverTest, LegacyBatchDriverWritesItsOwnLoadingTraces) {
    select_host_release(HostRelease::R7);
    copy_text(single_part, (folder_ + "/gone.prt").c_str());
    EXPECT_EQ(StartOfProgram(), -1002);
    const std::string name = folder_ + "/gone.prt";
    const std::string log = kvtx_test::logged_text();
    EXPECT_TRUE(contains(log, "[2495] Start loading part " + name + "\n")) << log;
    EXPECT_TRUE(contains(log, "Error: error loading part " + name + "\n")) << log;
    EXPECT_FALSE(contains(log, "###>")) << log;
    EXPECT_TRUE(contains(printed(), "Error: Could not load the part " + name + "\n"));
}

TEST_F(ReleaseDriverTest, SnapshotOnlyFromHost75On) {
    open_part(folder_ + "/snap.prt");
    const struct {
        HostRelease release;
        const char* logged;
    } cases[] = {
        {HostRelease::R4, "Snapshot: Drawing snapshot not supported"},
        {HostRelease::R7, "Snapshot: Drawing snapshot not supported"},
        {HostRelease::R7_5, "Snapshot: Drawing snapshot\nSnapshot: Warning no drawings"},
        {HostRelease::CR2212, "Snapshot: Drawing snapshot\nSnapshot: Warning no drawings"}};
    for (const auto& c : cases) {
        standin::clear_records();
        select_host_release(c.release);
        EXPECT_EQ(create_drawing_snapshot(), 0);
        EXPECT_TRUE(contains(kvtx_test::logged_text(), c.logged)) << c.logged;
    }
}

// Hosts 4 to 7.5 know no callback modes: a mode left set changes neither the
// report name nor the run log, no journal step runs, the trace flag stays
// off, nothing is copied to the trace printer and no trace carries a source
// line.
TEST_F(ReleaseDriverTest, LegacyCheckRunHasNoCallbackModesJournalOrSourceLines) {
    const std::string journal = folder_ + "/journal.txt";
    std::ofstream(journal) << "j";
    const struct {
        HostRelease release;
        const char* report;
        bool callback_modes;
    } cases[] = {{HostRelease::R4, "cr.xml", false},
                 {HostRelease::R7_5, "cr.xml", false},
                 {HostRelease::R8_5, "cr_CB2-Post.xml", true},
                 {HostRelease::CR2312, "cr_CB2-Post.xml", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.report);
        kvtx_test::reset_global_state();
        RQ_initialize();
        select_host_release(c.release);
        setenv("TALVEX_SAVE_CALLBACK_ACTION", "", 1);  // console copies from the first run on
        open_part(folder_ + "/cr.prt");
        copy_text(global_outdir, (folder_ + "/").c_str());
        copy_text(journal_file, journal.c_str());
        GLOBAL_CALLBACK_MODUS = 2;
        printed();
        check_one_part("cr.prt");

        EXPECT_EQ(std::string(glob_xml_file), folder_ + "/" + c.report);
        EXPECT_EQ(kvtx_test::file_exists(folder_ + "/" + c.report + ".log"), c.callback_modes);
        EXPECT_EQ(debug_trace_on, c.callback_modes ? 1 : 0);
        EXPECT_EQ(contains(kvtx_test::syslog_text(), "\nrun a journal"), c.callback_modes);
        EXPECT_EQ(contains(printed(), "NATIVE fname1="), c.callback_modes);
        const std::string log = kvtx_test::logged_text();
        EXPECT_EQ(contains(log, "\n[2911] Info: Check_Model Section\n"), c.callback_modes);
        EXPECT_EQ(contains(log, "\nInfo: Check_Model Section\n"), !c.callback_modes) << log;
        EXPECT_EQ(contains(log, "\n[2850] Info: xml_file = "), c.callback_modes);
        EXPECT_EQ(contains(log, "\n["), c.callback_modes) << log;
        std::filesystem::remove(glob_xml_file);
    }
    unsetenv("TALVEX_SAVE_CALLBACK_ACTION");
}

// Hosts 4 to 7.5: the entry neither reads nor shows KVTX_journal and leaves
// the callback mode alone.
TEST_F(ReleaseDriverTest, LegacyInteractiveEntryReadsNoJournal) {
    open_part(folder_ + "/ie.prt");
    standin::set_variable("KVTX_outdir", folder_ + "/");
    standin::set_variable("KVTX_journal", "journal.txt");
    for (const bool legacy : {true, false}) {
        standin::clear_records();
        select_host_release(legacy ? HostRelease::R7_5 : HostRelease::CR1880);
        journal_file[0] = '\0';
        GLOBAL_CALLBACK_MODUS = 3;
        rqusr(nullptr, nullptr, 0);
        EXPECT_STREQ(journal_file, legacy ? "" : "journal.txt");
        EXPECT_EQ(contains(kvtx_test::syslog_text(), "KVTX_journal "), !legacy);
        EXPECT_EQ(GLOBAL_CALLBACK_MODUS, legacy ? 3 : 0);
    }
}

// The callbacks of each host: none for 4 to 7.5 (which have no start-up
// entry), eight for 9 and 8.5 (no post-save-as event), nine from 10 on.
TEST_F(ReleaseDriverTest, StartUpEntryRegistersTheCallbacksOfTheHost) {
    const struct {
        HostRelease release;
        int callbacks;
    } cases[] = {{HostRelease::R4, 0},     {HostRelease::R7_5, 0},  {HostRelease::R8_5, 8},
                 {HostRelease::R9, 8},     {HostRelease::R10, 9},   {HostRelease::CR1980, 9},
                 {HostRelease::CR2007, 9}, {HostRelease::CR2312, 9}};
    for (const auto& c : cases) {
        kvtx_test::reset_global_state();
        select_host_release(c.release);
        rqsta(nullptr, nullptr, 0);
        SCOPED_TRACE(host_release().name);
        EXPECT_EQ(standin::registered_callbacks(-1), c.callbacks);
        EXPECT_EQ(standin::registered_callbacks(RQ_post_save_as_part_reason), c.callbacks == 9);
        const std::string syslog = kvtx_test::syslog_text();
        EXPECT_EQ(contains(syslog, "RQ_post_save_as_part_reason"), c.callbacks == 9);
        EXPECT_EQ(syslog.empty(), c.callbacks == 0);
    }
}

}  // namespace
