// Test support shared by the check tool's unit tests: one call that puts the
// host session and every process global back to its start state, a fixture
// that uses it, and small file and syslog helpers.
#pragma once

#include <rq/rq.h>
#include <standin/testing.hpp>

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/process_state.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/named_timers.hpp"
#include "utils/run_log.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kvtx_test {

// The host session and every process global of the check tool back to their
// start state. The tests are written for the newest release's behaviour
// whatever release the build is for; a test selects another row itself.
inline void reset_global_state() {
    standin::reset_session();
    reset_process_state();
    select_host_release(HostRelease::CR2212);
}

inline std::string read_file(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline bool file_exists(const std::string& name) {
    return std::filesystem::exists(name);
}

// The host's fail message for a code.
inline std::string host_fail_message(int code) {
    char message[133] = "";
    RQ_get_fail_message(code, message);
    return message;
}

// The messages of write_log's syslog lines so far, in order.
inline std::vector<std::string> logged_messages() {
    static const std::regex kLine(R"(\n\+\+\+KavoTalvex \[[0-9 :.-]{19}\]: ([\s\S]*)\n)");
    std::vector<std::string> messages;
    for (const std::string& entry : standin::syslog_entries()) {
        std::smatch match;
        if (std::regex_match(entry, match, kLine)) messages.push_back(match[1]);
    }
    return messages;
}

// Every syslog entry so far, joined as written.
inline std::string syslog_text() {
    std::string text;
    for (const std::string& entry : standin::syslog_entries()) text += entry;
    return text;
}

// Those messages as one text, a line each.
inline std::string logged_text() {
    std::string text;
    for (const std::string& message : logged_messages()) text += message + "\n";
    return text;
}

// Opens samples/parts/<leaf> of the source tree with all its children;
// `part` (if given) gets its tag.
inline void open_sample_part(const std::string& leaf, tag_t* part = nullptr) {
    const std::string sample = std::string(KVTX_SOURCE_DIR) + "/samples/parts/" + leaf;
    RQ_PART_load_status_t status{};
    tag_t opened = NULL_TAG;
    ASSERT_EQ(RQ_PART_open(sample.c_str(), &opened, &status), 0);
    EXPECT_EQ(status.failed, 0) << leaf;
    if (part) *part = opened;
}

#ifdef KAVOTALVEX_PLUGIN
inline constexpr const char kFormName[] = "plugin";
#else
inline constexpr const char kFormName[] = "console";
#endif

// Removes the test folders of the process after the run when every test
// passed; a failed run keeps them to be looked at.
class TestFolderCleanup : public ::testing::Environment {
  public:
    static void remember(const std::filesystem::path& folder) { folders().push_back(folder); }
    void TearDown() override {
        if (!::testing::UnitTest::GetInstance()->Passed()) return;
        std::error_code ec;
        for (const auto& folder : folders()) std::filesystem::remove_all(folder, ec);
        folders().clear();
    }

  private:
    static std::vector<std::filesystem::path>& folders() {
        static std::vector<std::filesystem::path> list;
        return list;
    }
};

inline ::testing::Environment* const test_folder_cleanup =
    ::testing::AddGlobalTestEnvironment(new TestFolderCleanup);

// A fresh, empty folder for one test; the name carries the form and the
// process id, since ctest runs the tests of both forms side by side.
inline std::string fresh_folder(const std::string& name) {
    std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) /
                                   (name + "_" + kFormName + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    TestFolderCleanup::remember(folder);
    return folder.string();
}

// The CGM import mode's settings: the template, the new part, the two files
// on their layers in colours 1 and 5, and the second file's offset.
struct ImportSettings {
    std::string part_template, new_part, first_file, second_file;
    int first_layer = 1, second_layer = 2;
    double x_offset = 0.05, y_offset = 0.025;
};

inline void apply_import_settings(const ImportSettings& settings) {
    copy_text(cgm_part_template, settings.part_template.c_str());
    copy_text(cgm_topartfile, settings.new_part.c_str());
    copy_text(cgm1_file, settings.first_file.c_str());
    copy_text(cgm2_file, settings.second_file.c_str());
    cgm1_layer_number = settings.first_layer;
    cgm2_layer_number = settings.second_layer;
    cgm1_color_number = 1;
    cgm2_color_number = 5;
    cgm2_xoffset = settings.x_offset;
    cgm2_yoffset = settings.y_offset;
}

// Resets the global state around each test and keeps a host session open.
class GlobalStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_global_state();
        RQ_initialize();
    }
    void TearDown() override { reset_global_state(); }
};

// A fresh folder of the test's own and an empty report in it, the report file
// that the report sections write to.
class ReportTest : public GlobalStateTest {
  protected:
    explicit ReportTest(std::string folder_name) : folder_name_(std::move(folder_name)) {}
    void SetUp() override {
        GlobalStateTest::SetUp();
        folder_ = fresh_folder(folder_name_);
        report_ = folder_ + "/report.xml";
        copy_text(glob_xml_file, report_.c_str());
    }
    std::string report() const { return read_file(report_); }

    std::string folder_, report_;

  private:
    std::string folder_name_;
};

// The same with a run log in the folder; write_log's copies of the messages
// on stdout are captured, so that the test output stays readable.
class LoggedReportTest : public ReportTest {
  protected:
    using ReportTest::ReportTest;
    void SetUp() override {
        ReportTest::SetUp();
        log_ = folder_ + "/run.log";
        testing::internal::CaptureStdout();
        init_program_log_file(log_.c_str());
    }
    void TearDown() override {
        testing::internal::GetCapturedStdout();
        ReportTest::TearDown();
    }

    std::string log_;
};

}  // namespace kvtx_test
