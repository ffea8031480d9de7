// Session bracket, fail messages, release, host variables, timers, memory,
// syslog and listing window.
#include <rq/rq.h>

#include <cstring>
#include <set>

#include <stdexcept>
#include <vector>

#include "host_fixture.hpp"
#include "parts/store.hpp"
#include "session/memory.hpp"
#include "session/session_internal.hpp"

namespace {

using SessionTest = HostTest;
using nlohmann::json;

TEST_F(SessionTest, NestedBracketClosesOnlyAtDepthZero) {
    EXPECT_EQ(RQ_is_initialized(), 0);
    ASSERT_EQ(RQ_initialize(), 0);
    ASSERT_EQ(RQ_initialize(), 0);  // a callback inside the console bracket
    EXPECT_EQ(standin::open_depth(), 2);
    EXPECT_EQ(RQ_terminate(), 0);
    EXPECT_NE(RQ_is_initialized(), 0);
    EXPECT_EQ(RQ_terminate(), 0);
    EXPECT_EQ(RQ_is_initialized(), 0);
    EXPECT_EQ(RQ_terminate(), RQ_err_not_initialized);  // never below zero
    EXPECT_EQ(standin::open_depth(), 0);
}

TEST_F(SessionTest, ScriptedInitializeFailureLeavesSessionClosed) {
    standin::set_fault("RQ_initialize", 77, {}, 1);
    EXPECT_EQ(RQ_initialize(), 77);
    EXPECT_EQ(RQ_is_initialized(), 0);
    EXPECT_EQ(RQ_initialize(), 0);  // used up
    EXPECT_EQ(RQ_terminate(), 0);
}

TEST_F(SessionTest, SyslogWorksBeforeAndAfterSessionAndKeepsTextsUnchanged) {
    EXPECT_EQ(RQ_print_syslog("before %s %d\n", 0), 0);
    ASSERT_EQ(RQ_initialize(), 0);
    EXPECT_EQ(RQ_print_syslog("+++KavoTalvex: ", 0), 0);
    EXPECT_EQ(RQ_print_syslog("inside", 0), 0);
    ASSERT_EQ(RQ_terminate(), 0);
    EXPECT_EQ(RQ_print_syslog("after", 0), 0);
    const std::vector<std::string> expected = {"before %s %d\n", "+++KavoTalvex: ", "inside",
                                               "after"};
    EXPECT_EQ(standin::syslog_entries(), expected);
    // Line by line: what ends no line yet goes out with the next line end, at
    // the end of the session, or for whoever asks for the file.
    EXPECT_EQ(read_file(path("syslog.txt")), "before %s %d\n+++KavoTalvex: inside");

    char* name = nullptr;
    ASSERT_EQ(RQ_ask_syslog_filename(&name), 0);
    EXPECT_EQ(read_file(path("syslog.txt")), "before %s %d\n+++KavoTalvex: insideafter");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::string(name), path("syslog.txt"));
    EXPECT_EQ(standin::syslog_file_name(), path("syslog.txt"));
    RQ_free(name);
}

TEST_F(SessionTest, ListingWindowShowsOnlyWhatIsWrittenWhileOpen) {
    logical open = 1;
    ASSERT_EQ(RQ_UI_is_listing_window_open(&open), 0);
    EXPECT_EQ(open, 0);
    EXPECT_EQ(RQ_UI_write_listing_window("while closed\n"), 0);
    ASSERT_EQ(RQ_UI_open_listing_window(), 0);
    ASSERT_EQ(RQ_UI_open_listing_window(), 0);  // already open: not counted
    EXPECT_EQ(standin::listing_window_opens(), 1);
    EXPECT_EQ(RQ_UI_write_listing_window("line 1\n"), 0);
    standin::close_listing_window();
    ASSERT_EQ(RQ_UI_is_listing_window_open(&open), 0);
    EXPECT_EQ(open, 0);
    ASSERT_EQ(RQ_UI_open_listing_window(), 0);
    EXPECT_EQ(standin::listing_window_opens(), 2);
    EXPECT_EQ(RQ_UI_write_listing_window("line 2\n"), 0);
    standin::close_listing_window();
    EXPECT_EQ(RQ_UI_write_listing_window("closed again\n"), 0);
    EXPECT_EQ(standin::listing_entries(), (std::vector<std::string>{"line 1\n", "line 2\n"}));
    EXPECT_EQ(read_file(path("listing.txt")), "line 1\nline 2\n");
    standin::clear_records();
    EXPECT_TRUE(standin::listing_entries().empty());
}

TEST_F(SessionTest, FailMessagesCoverEveryCodeAndUnknownOnes) {
    const int codes[] = {RQ_err_not_initialized,   RQ_err_bad_tag,         RQ_err_no_work_part,
                         RQ_err_bad_argument,      RQ_err_no_name,         RQ_err_not_found,
                         RQ_err_file_not_found,    RQ_err_file_unreadable, RQ_err_file_corrupt,
                         RQ_err_file_write,        RQ_err_file_exists,     RQ_err_part_read_only,
                         RQ_err_out_of_date,       RQ_err_mass_props,      RQ_err_login,
                         RQ_err_config_rule,       RQ_err_pdm_unknown,     RQ_err_pdm_encoding,
                         RQ_err_attribute_missing, RQ_err_feature_update,  RQ_err_replay,
                         RQ_err_structure,         RQ_err_view_update,     RQ_err_drawing_delete,
                         RQ_err_cgm_write,         RQ_err_cgm_read};
    std::set<std::string> texts;
    for (int code : codes) {
        char message[133];
        std::memset(message, 'x', sizeof message);
        ASSERT_EQ(RQ_get_fail_message(code, message), 0);
        std::string text(message);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_LE(text.size(), 132u) << code;
        EXPECT_EQ(text.find("Unknown error code"), std::string::npos) << code;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), std::size(codes));  // each code has its own text

    char message[133];
    ASSERT_EQ(RQ_get_fail_message(-4711, message), 0);  // no session needed
    EXPECT_STREQ(message, "Unknown error code -4711");
}

TEST_F(SessionTest, ReleaseTextDefaultConfiguredAndAbsent) {
    char* text = nullptr;
    ASSERT_EQ(RQ_get_release(&text), 0);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, standin::default_release_text(standin::build_release()));
    RQ_free(text);

    standin::set_release_text(std::string("Release V8.5"));
    ASSERT_EQ(RQ_get_release(&text), 0);
    EXPECT_STREQ(text, "Release V8.5");
    RQ_free(text);

    standin::set_release_text(std::nullopt);
    text = reinterpret_cast<char*>(1);
    ASSERT_EQ(RQ_get_release(&text), 0);
    EXPECT_EQ(text, nullptr);

    standin::reset_session();
    ::setenv("KAVOHOST_RELEASE", "", 1);  // set but empty: no release
    ASSERT_EQ(RQ_get_release(&text), 0);
    EXPECT_EQ(text, nullptr);
    ::setenv("KAVOHOST_RELEASE", "X V10.1", 1);
    ASSERT_EQ(RQ_get_release(&text), 0);
    EXPECT_STREQ(text, "X V10.1");
    RQ_free(text);
    ::unsetenv("KAVOHOST_RELEASE");
}

TEST_F(SessionTest, HostVariablesUnsetEmptyAndOverridden) {
    ::unsetenv("KVTX_TEST_UNSET");
    ::setenv("KVTX_TEST_EMPTY", "", 1);
    ::setenv("KVTX_TEST_VALUE", "c:\\out", 1);
    char* value = reinterpret_cast<char*>(1);
    ASSERT_EQ(RQ_translate_variable("KVTX_TEST_UNSET", &value), 0);
    EXPECT_EQ(value, nullptr);
    ASSERT_EQ(RQ_translate_variable("KVTX_TEST_EMPTY", &value), 0);
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "");
    ASSERT_EQ(RQ_translate_variable("KVTX_TEST_VALUE", &value), 0);
    EXPECT_STREQ(value, "c:\\out");
    const char* first = value;

    standin::set_variable("KVTX_TEST_VALUE", std::nullopt);  // hides the environment
    ASSERT_EQ(RQ_translate_variable("KVTX_TEST_VALUE", &value), 0);
    EXPECT_EQ(value, nullptr);
    standin::set_variable("KVTX_TEST_UNSET", std::string("given"));
    ASSERT_EQ(RQ_translate_variable("KVTX_TEST_UNSET", &value), 0);
    EXPECT_STREQ(value, "given");
    EXPECT_STREQ(first, "c:\\out");  // earlier values stay valid
    standin::clear_variables();
    ASSERT_EQ(RQ_translate_variable("KVTX_TEST_VALUE", &value), 0);
    EXPECT_STREQ(value, "c:\\out");
    ::unsetenv("KVTX_TEST_EMPTY");
    ::unsetenv("KVTX_TEST_VALUE");
}

TEST_F(SessionTest, TimersHaveUniqueHandlesAndFixedClock) {
    standin::set_fixed_clock(2.5);
    std::set<unsigned short> handles;
    for (int i = 0; i < 25; ++i) {  // 20 slots plus the run timer, some never ended
        unsigned short handle = 0;
        ASSERT_EQ(RQ_begin_timer(&handle), 0);
        EXPECT_NE(handle, 0);
        EXPECT_TRUE(handles.insert(handle).second);
    }
    double values[2] = {-1, -1};
    ASSERT_EQ(RQ_end_timer(*handles.begin(), values), 0);
    EXPECT_DOUBLE_EQ(values[0], 2.5);
    EXPECT_DOUBLE_EQ(values[1], 2.5);
    EXPECT_NE(RQ_end_timer(*handles.begin(), values), 0);  // ended already

    standin::set_fixed_clock(-1);  // the real clock
    unsigned short handle = 0;
    ASSERT_EQ(RQ_begin_timer(&handle), 0);
    ASSERT_EQ(RQ_end_timer(handle, values), 0);
    EXPECT_GE(values[1], 0.0);
    EXPECT_LT(values[1], 60.0);

    standin::reset_session();  // no timer of the old session runs; handles start at 1
    EXPECT_NE(RQ_end_timer(*handles.rbegin(), values), 0);
    ::setenv("KAVOHOST_CLOCK", "0.125", 1);
    ASSERT_EQ(RQ_begin_timer(&handle), 0);
    EXPECT_EQ(handle, 1);
    ASSERT_EQ(RQ_end_timer(handle, values), 0);
    EXPECT_DOUBLE_EQ(values[1], 0.125);
    ::unsetenv("KAVOHOST_CLOCK");
}

TEST_F(SessionTest, TimerHandlesSurviveExhaustion) {
    standin::set_fixed_clock(1.0);
    unsigned short handle = 0;
    for (int i = 0; i < 70000; ++i) ASSERT_EQ(RQ_begin_timer(&handle), 0);  // never ended
    EXPECT_NE(handle, 0);
    double values[2];
    EXPECT_EQ(RQ_end_timer(handle, values), 0);
}

// With every handle taken, the oldest running timer gives its handle up
// first; a handle that was ended is given again before any is retired.
TEST_F(SessionTest, ExhaustedTimersRetireInStartOrder) {
    standin::set_fixed_clock(1.0);
    std::vector<unsigned short> started;
    unsigned short handle = 0;
    while (RQ_begin_timer(&handle) == 0 && standin::running_timers() < 65535) {
        started.push_back(handle);
    }
    started.push_back(handle);
    ASSERT_EQ(started.size(), 65535u);
    double values[2];
    ASSERT_EQ(RQ_end_timer(started[1000], values), 0);
    EXPECT_EQ(standin::running_timers(), 65534);

    ASSERT_EQ(RQ_begin_timer(&handle), 0);
    EXPECT_EQ(handle, started[1000]);  // the free one
    ASSERT_EQ(RQ_begin_timer(&handle), 0);
    EXPECT_EQ(handle, started[0]);  // the oldest
    ASSERT_EQ(RQ_begin_timer(&handle), 0);
    EXPECT_EQ(handle, started[1]);
    EXPECT_EQ(standin::running_timers(), 65535);
    ASSERT_EQ(RQ_begin_timer(&handle), 0);
    EXPECT_EQ(handle, started[2]);  // started[1000] was started late: not the oldest
}

TEST_F(SessionTest, FreeAcceptsHostMemoryAndNull) {
    std::size_t before = standin::host_blocks_in_use();
    char* text = standin::host_strdup("abc");
    EXPECT_EQ(standin::host_blocks_in_use(), before + 1);
    RQ_free(text);
    RQ_free(nullptr);
    EXPECT_EQ(standin::host_blocks_in_use(), before);
}

TEST_F(SessionTest, FreeAbortsOnDoubleOrForeignFree) {
    char* text = standin::host_strdup("abc");
    RQ_free(text);
    EXPECT_DEATH(RQ_free(text), "not host memory");
    int local = 0;
    EXPECT_DEATH(RQ_free(&local), "not host memory");
}

TEST_F(SessionTest, SessionFlagsAndAssemblyOptions) {
    logical flag = 9;
    ASSERT_EQ(RQ_PATT_is_archiving_on(&flag), 0);
    EXPECT_EQ(flag, 0);
    standin::session().pattern_shading = 1;
    ASSERT_EQ(RQ_PATT_is_shading_on(&flag), 0);
    EXPECT_EQ(flag, 1);
    RQ_ASSEM_options_t options{};
    ASSERT_EQ(RQ_ASSEM_ask_assem_options(&options), 0);
    EXPECT_EQ(options.load_options, standin::session().assem_options.load_options);
    EXPECT_EQ(options.emphasize_color, 186);

    // The environment sets the fields it names, in order, with any value.
    ::setenv("KAVOHOST_ASSEM_OPTIONS", "3, 0 -7", 1);
    ::setenv("KAVOHOST_PATTERN_ARCHIVING", "2", 1);
    ASSERT_EQ(RQ_ASSEM_ask_assem_options(&options), 0);
    EXPECT_EQ(options.load_options, 3);
    EXPECT_EQ(options.update, -7);
    EXPECT_EQ(options.emphasize, 1);  // not given: the session's
    ASSERT_EQ(RQ_PATT_is_archiving_on(&flag), 0);
    EXPECT_EQ(flag, 1);
    // Malformed values (a word, a sixteenth field) change nothing.
    for (const char* bad : {"1,x", "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1"}) {
        ::setenv("KAVOHOST_ASSEM_OPTIONS", bad, 1);
        ASSERT_EQ(RQ_ASSEM_ask_assem_options(&options), 0);
        EXPECT_EQ(options.load_options, 2) << bad;
    }
    ::setenv("KAVOHOST_PATTERN_ARCHIVING", "on", 1);
    ASSERT_EQ(RQ_PATT_is_archiving_on(&flag), 0);
    EXPECT_EQ(flag, 0);
    ::unsetenv("KAVOHOST_ASSEM_OPTIONS");
    ::unsetenv("KAVOHOST_PATTERN_ARCHIVING");
}

// A fault may let calls pass before it fires; calls that give a value as
// their result answer it with "none" (or the code, for a status).
TEST_F(SessionTest, FaultsSkipCallsAndReachValueCalls) {
    standin::load_faults(json::parse(R"([
        {"call": "RQ_PATT_is_shading_on", "code": 9, "skip": 2, "times": 1},
        {"call": "RQ_is_initialized", "code": 5, "times": 1},
        {"call": "RQ_OBJ_ask_status", "code": 2, "times": 1},
        {"call": "RQ_ASSEM_ask_work_part", "code": 5, "times": 1}])"));
    logical flag = 0;
    std::vector<int> codes;
    for (int i = 0; i < 4; ++i) codes.push_back(RQ_PATT_is_shading_on(&flag));
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 9, 0}));
    ASSERT_EQ(RQ_initialize(), 0);
    EXPECT_EQ(RQ_is_initialized(), 0);
    EXPECT_EQ(RQ_is_initialized(), 1);
    standin::PartBuilder b("p");
    const tag_t part = b.open(path("p.prt"));
    EXPECT_EQ(RQ_OBJ_ask_status(part), 2);
    EXPECT_EQ(RQ_OBJ_ask_status(part), RQ_OBJ_ALIVE);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), NULL_TAG);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), part);
    // A used-up entry of code 0 lets the entry behind it fire in the same call.
    standin::load_faults(json::parse(R"([{"call": "RQ_PATT_is_shading_on", "code": 0, "times": 1},
        {"call": "RQ_PATT_is_shading_on", "code": 7, "times": 1}])"));
    EXPECT_EQ(RQ_PATT_is_shading_on(&flag), 7);
    EXPECT_EQ(RQ_PATT_is_shading_on(&flag), 0);
    EXPECT_THROW(standin::load_faults(json::parse(R"([{"call": "x", "code": 1, "skip": -1}])")),
                 std::invalid_argument);
    EXPECT_EQ(RQ_terminate(), 0);
}

// The fault file holds from the first call of a session, before any bracket.
TEST_F(SessionTest, FaultFileHoldsFromTheFirstCall) {
    write_file(path("faults.json"), R"([{"call": "RQ_get_release", "code": 44}])");
    ::setenv("KAVOHOST_FAULTS", path("faults.json").c_str(), 1);
    standin::reset_session();
    char* release = nullptr;
    EXPECT_EQ(RQ_get_release(&release), 44);
    ::unsetenv("KAVOHOST_FAULTS");
}

}  // namespace
