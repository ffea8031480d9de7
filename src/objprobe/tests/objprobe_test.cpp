// objprobe loaded as the host loads it (dlopen of the built library) and run
// against the stand-in host with scripted dialog answers.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <rq/rq.h>
#include <rq/rq_entry.h>
#include <standin/testing.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
const std::string separator(48, '=');

class ObjprobeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        library_ = dlopen(OBJPROBE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << dlerror();
        usr_ = reinterpret_cast<rq_usr_entry_t>(dlsym(library_, "rqusr"));
        ask_unload_ = reinterpret_cast<rq_ask_unload_entry_t>(dlsym(library_, "rqusr_ask_unload"));
        cleanup_ = reinterpret_cast<rq_cleanup_entry_t>(dlsym(library_, "rqusr_cleanup"));
        start_ = reinterpret_cast<rq_start_of_program_t>(dlsym(library_, "StartOfProgram"));
    }
    static void TearDownTestSuite() {
        if (library_ != nullptr) dlclose(library_);
    }

    void SetUp() override {
        ASSERT_TRUE(usr_ && ask_unload_ && cleanup_ && start_);
        folder_ = std::filesystem::temp_directory_path() /
                  ("objprobe_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        ::setenv("KAVOHOST_SYSLOG", (folder_ / "syslog.txt").c_str(), 1);
        ::setenv("KAVOHOST_LISTING", (folder_ / "listing.txt").c_str(), 1);
        ::unsetenv("KAVOHOST_DIALOG");
        standin::reset_session();

        standin::PartBuilder part("probe");
        body_ = part.add(70, 0,
                         {{"name", "BRACKET_BODY"},
                          {"layer", 5},
                          {"color", 3},
                          {"font", 2},
                          {"line_width", 1},
                          {"blank_status", 0},
                          {"created_version", 1},
                          {"modified_version", 2}});
        operation_ = part.add(115, 0, {{"displayable", false}, {"transferable", false}});
        deleted_ = part.add(3, 0, {{"status", 0}, {"name", "GONE"}});
        feature_ = part.add(205, 3, {{"name", "BLOCK(1)"}, {"status", 2}});
        part_file_ = (folder_ / "probe.prt").string();
        part_tag_ = part.open(part_file_);
        ASSERT_NE(part_tag_, NULL_TAG);
        ASSERT_EQ(part.handle(body_), handle_(body_));
    }
    void TearDown() override {
        standin::reset_session();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    static void answer(int response, std::string text) {
        standin::queue_dialog_answer(response, std::move(text));
    }
    void run_usr() {
        int retcode = 0;
        char param[1] = {'\0'};
        usr_(param, &retcode, 0);
    }
    static Lines listing() {
        Lines lines;
        for (const auto& entry : standin::listing_entries()) {
            EXPECT_FALSE(entry.empty());
            EXPECT_EQ(entry.back(), '\n') << entry;
            lines.push_back(entry.substr(0, entry.size() - 1));
        }
        return lines;
    }
    static std::string name_of(tag_t object) {
        char name[31] = {};
        if (RQ_OBJ_ask_name(object, name) != 0) return "<none>";
        return name;
    }
    static std::string handle_(std::int64_t id) { return "probe:" + std::to_string(id); }
    tag_t tag_of(std::int64_t id) const { return RQ_TAG_ask_tag_of_handle(handle_(id).c_str()); }

    Lines head(const std::string& handle, tag_t tag, const std::string& status) const {
        return {separator, "Object Handle = " + handle, "Object ID     = " + std::to_string(tag),
                separator, status};
    }

    static inline void* library_ = nullptr;
    static inline rq_usr_entry_t usr_ = nullptr;
    static inline rq_ask_unload_entry_t ask_unload_ = nullptr;
    static inline rq_cleanup_entry_t cleanup_ = nullptr;
    static inline rq_start_of_program_t start_ = nullptr;

    std::filesystem::path folder_;
    std::string part_file_;
    tag_t part_tag_ = NULL_TAG;
    std::int64_t body_ = 0, operation_ = 0, deleted_ = 0, feature_ = 0;
};

TEST_F(ObjprobeTest, LeavingAtOnceOrEnteringNothingPrintsNothing) {
    answer(3, "");
    answer(1, "ignored");
    run_usr();
    EXPECT_TRUE(standin::listing_entries().empty());
    const auto& dialogs = standin::dialog_entries();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].cue, "EIngabe OBJ ID");
    EXPECT_EQ(dialogs[0].text_in, "EIngabe OBJ-ID");
    EXPECT_EQ(dialogs[1].text_in, "");
    EXPECT_EQ(standin::open_depth(), 0);  // the bracket is closed again

    // No answer left: the host cancels the dialog and the loop ends.
    standin::reset_session();
    EXPECT_EQ(start_(), 0);
    EXPECT_EQ(standin::dialog_entries().size(), 1u);
}

TEST_F(ObjprobeTest, AliveObjectIsReportedAndHighlightedDuringThePause) {
    const std::string handle = handle_(body_);
    const tag_t tag = tag_of(body_);
    answer(3, handle);
    answer(3, "");  // the pause: its answer is ignored
    answer(2, "");
    run_usr();

    Lines expected = head(handle, tag, "Status       3 (RQ_OBJ_ALIVE)");
    Lines rest = {"Type         70 (RQ_solid_type)",
                  "Subtype      0",
                  "Name         (BRACKET_BODY)",
                  "owning part  (" + part_file_ + ")",
                  "Created      1",
                  "Modified     2",
                  "Displayable  1",
                  " Layer        5",
                  " Blank        0",
                  " Color        3",
                  " Font         2",
                  " Line Width   1",
                  "Transferable 1",
                  separator};
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(listing(), expected);

    const auto& dialogs = standin::dialog_entries();
    ASSERT_EQ(dialogs.size(), 3u);
    EXPECT_EQ(dialogs[1].cue, "Pause");
    EXPECT_EQ(dialogs[1].text_in, "Weiter");
    EXPECT_EQ(dialogs[2].text_in, handle);  // the next dialog starts with the last input

    const auto& highlights = standin::highlight_entries();
    ASSERT_EQ(highlights.size(), 2u);
    EXPECT_EQ(highlights[0].object, tag);
    EXPECT_EQ(highlights[0].on, 1);
    EXPECT_EQ(highlights[1].on, 0);
}

TEST_F(ObjprobeTest, DeletedOrUnknownObjectsGiveOnlyTheHead) {
    answer(3, handle_(deleted_));
    answer(3, "no such handle");
    answer(2, "");
    run_usr();
    Lines expected = head(handle_(deleted_), tag_of(deleted_), "Status       0 (RQ_OBJ_DELETED)");
    Lines unknown = head("no such handle", 0, "Status       0 (RQ_OBJ_DELETED)");
    expected.insert(expected.end(), unknown.begin(), unknown.end());
    EXPECT_EQ(listing(), expected);
    EXPECT_EQ(standin::dialog_entries().size(), 3u);  // no pause
    EXPECT_TRUE(standin::highlight_entries().empty());
}

TEST_F(ObjprobeTest, TypeNamesFlagsAndObjectsWithoutAName) {
    answer(3, handle_(feature_));
    answer(3, "");
    answer(3, handle_(operation_));
    answer(3, "");
    answer(2, "");
    run_usr();
    const Lines lines = listing();
    ASSERT_EQ(lines.size(), 19u + 14u);
    EXPECT_EQ(lines[4], "Status       2 (RQ_OBJ_CONDEMNED)");
    EXPECT_EQ(lines[5], "Type         205 (unknown type)");
    EXPECT_EQ(lines[6], "Subtype      3");
    EXPECT_EQ(lines[7], "Name         (BLOCK(1))");
    // The machining operation: padded table row, no name (not the feature's),
    // not displayable, so no display lines.
    const Lines second(lines.begin() + 19, lines.end());
    EXPECT_EQ(second[5], "Type         115 (RQ_machining_master_operation_type      115)");
    EXPECT_EQ(second[7], "Name         ()");
    EXPECT_EQ(second[11], "Displayable  0");
    EXPECT_EQ(second[12], "Transferable 0");
    EXPECT_EQ(second[13], separator);
}

TEST_F(ObjprobeTest, RenameGivesTheLastObjectTheTextAfterTheFirstEqualsSign) {
    const tag_t tag = tag_of(body_);
    answer(3, handle_(body_));
    answer(3, "");
    answer(3, "x=y name=NEW_NAME");
    answer(3, "never asked");
    run_usr();
    EXPECT_EQ(name_of(tag), "y name=NEW_NAME");
    EXPECT_EQ(standin::queued_dialog_answers(), 1);  // the loop ended with the rename
    const auto& highlights = standin::highlight_entries();
    ASSERT_EQ(highlights.size(), 3u);
    EXPECT_EQ(highlights.back().object, tag);
    EXPECT_EQ(highlights.back().on, 0);

    standin::reset_session();
    tag_t reopened = NULL_TAG;
    ASSERT_EQ(RQ_PART_open(part_file_.c_str(), &reopened, nullptr), 0);
    answer(3, handle_(body_));
    answer(3, "");
    answer(3, "name=" + std::string(40, 'N'));  // the host refuses it; the loop ends anyway
    EXPECT_EQ(start_(), 0);
    EXPECT_EQ(name_of(tag_of(body_)), "BRACKET_BODY");
}

TEST_F(ObjprobeTest, NameInputBeforeAnyObjectIsLookedUpAsAHandle) {
    answer(3, "name=first");
    answer(2, "");
    run_usr();
    EXPECT_EQ(listing(), head("name=first", 0, "Status       0 (RQ_OBJ_DELETED)"));
}

TEST_F(ObjprobeTest, InputIsPrintedAsTextAndTheClosedWindowIsReopened) {
    const std::string odd = "%s%n%d " + std::string(140, 'h');  // cut to 132 by the dialog
    answer(3, odd);
    answer(2, "");
    RQ_UI_open_listing_window();
    standin::close_listing_window();
    const int opens = standin::listing_window_opens();
    run_usr();
    const Lines lines = listing();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "Object Handle = " + odd.substr(0, 132));
    EXPECT_EQ(standin::listing_window_opens(), opens + 1);
}

TEST_F(ObjprobeTest, UnloadEntriesWriteTheirSyslogLines) {
    EXPECT_EQ(ask_unload_(), 1);
    cleanup_();
    EXPECT_EQ(standin::syslog_entries(),
              (Lines{"rqusr_ask_unload for objprobe\n", "\n Cleanup for objprobe\n"}));
}

TEST(ObjprobeLibrary, ExportsOnlyItsEntries) {
    void* library = dlopen(OBJPROBE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* entry : {"rqusr", "rqusr_ask_unload", "rqusr_cleanup", "StartOfProgram"})
        EXPECT_NE(dlsym(library, entry), nullptr) << entry;
    for (const char* internal :
         {"_ZN8objprobe17probe_list_printfEPKcz", "_ZN8objprobe17object_type_namesE", "rqsta"})
        EXPECT_EQ(dlsym(library, internal), nullptr) << internal;
    dlclose(library);
}

}  // namespace
