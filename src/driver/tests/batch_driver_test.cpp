// The batch driver's edges: what ends a run before any part is checked.
#include "driver/batch_driver.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "support/test_support.hpp"
#include "utils/run_log.hpp"

namespace {

class BatchDriverTest : public kvtx_test::GlobalStateTest {
  protected:
    void SetUp() override {
        GlobalStateTest::SetUp();
        folder_ = kvtx_test::fresh_folder("batch_driver");
        copy_text(global_outdir, (folder_ + "/").c_str());
    }
    std::string folder_;
};

// A result file that cannot be created would lose every result line: the run
// ends with its own code before the first part, whether single or listed.
TEST_F(BatchDriverTest, ResultFileThatCannotBeCreatedEndsTheRunBeforeAnyPart) {
    const std::string part = std::string(KVTX_SOURCE_DIR) + "/samples/parts/cover.prt";
    const std::string list = folder_ + "/list.txt";
    std::ofstream(list) << part << "\n";
    const std::string result = folder_ + "/missing/result.csv";
    for (bool single : {true, false}) {
        SCOPED_TRACE(single ? "single part" : "part list");
        kvtx_test::reset_global_state();
        RQ_initialize();
        copy_text(global_outdir, (folder_ + "/").c_str());
        copy_text(program_result_file, result.c_str());
        copy_text(single ? single_part : part_list_file, (single ? part : list).c_str());
        testing::internal::CaptureStdout();
        EXPECT_EQ(run_start_of_program(), -1020);
        const std::string console = testing::internal::GetCapturedStdout();
        const std::string error = "Error: Could not create result file " + result + "\n";
        const std::string logged = kvtx_test::logged_text();
        EXPECT_NE(logged.find(error), std::string::npos) << logged;
        EXPECT_EQ(logged.find("Start loading part"), std::string::npos) << logged;
#ifndef KAVOTALVEX_PLUGIN
        EXPECT_NE(console.find(error), std::string::npos) << console;
#endif
        EXPECT_FALSE(kvtx_test::file_exists(folder_ + "/cover.xml"));
    }
}

}  // namespace
