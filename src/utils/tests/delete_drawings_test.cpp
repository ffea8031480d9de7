// Deleting every drawing sheet of the work part: the numbered lines, the
// count of failures and what is left in the part.
#include <rq/rq.h>
#include <standin/testing.hpp>

#include "support/test_support.hpp"
#include "utils/part_operations.hpp"

#include <string>

namespace {

using standin::PartBuilder;

class DeleteDrawingsTest : public kvtx_test::GlobalStateTest {
  protected:
    void SetUp() override {
        GlobalStateTest::SetUp();
        folder_ = kvtx_test::fresh_folder("delete_drawings");
        testing::internal::CaptureStdout();
    }
    void TearDown() override {
        testing::internal::GetCapturedStdout();
        GlobalStateTest::TearDown();
        std::filesystem::remove_all(folder_);
    }
    static void open_sample() { kvtx_test::open_sample_part("drafting.prt"); }
    static std::string log() { return kvtx_test::logged_text(); }
    static int sheets_left() {
        int n = 0;
        tag_t t = NULL_TAG;
        while (RQ_OBJ_cycle_objs_in_part(RQ_ASSEM_ask_work_part(), RQ_drawing_type, &t) == 0 &&
               t != NULL_TAG) {
            ++n;
        }
        return n;
    }
    static tag_t sample_tag(int id) {
        return RQ_TAG_ask_tag_of_handle(("drafting:" + std::to_string(id)).c_str());
    }

    std::string folder_;
};

TEST_F(DeleteDrawingsTest, DeletesEverySheetInCycleOrder) {
    open_sample();
    EXPECT_EQ(delete_all_drawings(), 0);
    EXPECT_EQ(log(),
              "Info: 1.) Deleting SHT1\n"
              "Info: 1.) Deleting SHT1 --> passed\n"
              "Info: 2.) Deleting SHT2 & <A>\n"
              "Info: 2.) Deleting SHT2 & <A> --> passed\n"
              "Info: 3.) Deleting EMPTY\n"
              "Info: 3.) Deleting EMPTY --> passed\n"
              "\n\n");
    EXPECT_EQ(sheets_left(), 0);
    EXPECT_EQ(RQ_OBJ_ask_status(sample_tag(8)), RQ_OBJ_DELETED);  // a member view of SHT1
    EXPECT_EQ(first_error_code, 0);
}

TEST_F(DeleteDrawingsTest, AFailingSheetIsCountedAndTheOthersAreDeleted) {
    open_sample();
    standin::set_fault("RQ_DRAW_delete_drawing", RQ_err_drawing_delete, "drafting:15");
    EXPECT_EQ(delete_all_drawings(), 1);
    const std::string text = log();
    EXPECT_NE(text.find("Info: 2.) Deleting SHT2 & <A>\n"), std::string::npos);
    EXPECT_NE(text.find("Error:   Deleting SHT2 & <A>\n"), std::string::npos);
    EXPECT_EQ(text.find("Deleting SHT2 & <A> --> passed"), std::string::npos);
    EXPECT_NE(text.find("Info: 3.) Deleting EMPTY --> passed\n"), std::string::npos);
    EXPECT_EQ(sheets_left(), 1);
    EXPECT_EQ(first_error_code, RQ_err_drawing_delete);
    EXPECT_NE(std::string(first_error_message).find("[3653]"), std::string::npos);
}

TEST_F(DeleteDrawingsTest, ACutSheetCycleCountsAsAFailure) {
    open_sample();
    standin::load_faults(nlohmann::json::array({{{"call", "RQ_OBJ_cycle_objs_in_part"},
                                                 {"code", 3},
                                                 {"handle", "drafting"},
                                                 {"skip", 1},
                                                 {"times", 1}}}));
    EXPECT_EQ(delete_all_drawings(), 1);  // only SHT1 was found, and deleted
    EXPECT_EQ(sheets_left(), 2);
    EXPECT_NE(std::string(first_error_message).find("[3650]"), std::string::npos);
}

TEST_F(DeleteDrawingsTest, NoSheetsLogsOnlyTheLineBreak) {
    ASSERT_NE(PartBuilder("none").open(folder_ + "/none.prt"), NULL_TAG);
    EXPECT_EQ(delete_all_drawings(), 0);
    EXPECT_EQ(log(), "\n\n");
}

TEST_F(DeleteDrawingsTest, MoreSheetsThanTheOldTableHeld) {
    PartBuilder b("many");
    for (int i = 0; i < 1005; ++i) {
        b.add(RQ_drawing_type, 0, {{"name", "S" + std::to_string(i)}});
    }
    ASSERT_NE(b.open(folder_ + "/many.prt"), NULL_TAG);
    EXPECT_EQ(delete_all_drawings(), 0);
    EXPECT_EQ(sheets_left(), 0);
    EXPECT_NE(log().find("Info: 1005.) Deleting S1004 --> passed\n"), std::string::npos);
}

}  // namespace
