// Product-data-management part names: the fields of a database part name
// with any delimiter, short and overlong inputs, and the opening of a part.
#include "utils/pdm_names.hpp"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.hpp"

namespace {

class PdmNamesTest : public kvtx_test::GlobalStateTest {
  protected:
    std::string build(const std::string& name) {
        char out[516] = "unchanged";
        testing::internal::CaptureStdout();
        EXPECT_EQ(build_vrelmgr_part_name(name.c_str(), out, sizeof out), 0);
        printed_ = testing::internal::GetCapturedStdout();
        return out;
    }
    std::string printed_;
};

TEST_F(PdmNamesTest, DatabaseSpecificationFieldsWithAnyDelimiterAndCase) {
    EXPECT_EQ(build("@DB/4711/A/master/part_a"), "@DB/4711/A/master/part_a");
    EXPECT_EQ(
        printed_,
        "\n part_number=#4711#\n rev_id=#A#\n part_file_type=#master#\n part_file_name=#part_a#");
    EXPECT_EQ(build("@db/4711/A/master/part_a"), "@DB/4711/A/master/part_a");
    EXPECT_EQ(build("@Db@4711@A@master@part_a"), "@DB/4711/A/master/part_a");
    EXPECT_EQ(build("@dB;4711;A;master;part_a"), "@DB/4711/A/master/part_a");
}

TEST_F(PdmNamesTest, MissingFieldsAreEmptyAndTheFileNameKeepsLaterDelimiters) {
    EXPECT_EQ(build("@DB/4711/A"), "@DB/4711/A//");
    EXPECT_EQ(build("@DB/4711/A/drawing/x/y"), "@DB/4711/A/drawing/x%2Fy");
    EXPECT_NE(printed_.find("part_file_name=#x/y#"), std::string::npos);
}

TEST_F(PdmNamesTest, ShortInputLeavesTheOutputAndOverlongNamesGiveNoName) {
    EXPECT_EQ(build("@DB"), "unchanged");
    EXPECT_EQ(printed_, "");
    EXPECT_EQ(build("@DB/" + std::string(600, '7')), "");

    // An encoded name that does not fit the caller's buffer is refused, not cut.
    char small[16] = "unchanged";
    testing::internal::CaptureStdout();
    build_vrelmgr_part_name("@DB/4711/A/master/part_a", small, sizeof small);
    testing::internal::GetCapturedStdout();
    EXPECT_STREQ(small, "");
}

TEST_F(PdmNamesTest, FailedEncodingIsCheckedAndGivesItsOutput) {
    // A revision longer than the host takes: the encoding is refused.
    EXPECT_EQ(build("@DB/4711/" + std::string(120, 'R') + "/master/x"), "");
    EXPECT_NE(std::string(first_error_message).find("[544]"), std::string::npos);
}

TEST_F(PdmNamesTest, OpeningAMissingPartReturnsTheHostsCodeAtItsCheckPoint) {
    testing::internal::CaptureStdout();
    EXPECT_NE(open_part("/no/such/part.prt"), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string(first_error_message).find("[608]"), std::string::npos);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), NULL_TAG);
}

}  // namespace
