// The update operations: what each path logs (compared whole with golden
// files), the codes they return, the first error they record and what they
// change in the part.
#include "utils/update_operations.hpp"

#include <rq/rq.h>
#include <standin/testing.hpp>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "support/golden_support.hpp"
#include "support/test_support.hpp"

#include <string>

namespace {

using nlohmann::json;
using standin::PartBuilder;

class UpdateOperationsTest : public kvtx_test::GlobalStateTest {
  protected:
    void SetUp() override {
        GlobalStateTest::SetUp();
        folder_ = kvtx_test::fresh_folder("update_operations");
        copy_text(sheet_list, "_All_,_with_view_");
        testing::internal::CaptureStdout();  // write_log copies every message there
    }
    void TearDown() override {
        testing::internal::GetCapturedStdout();
        GlobalStateTest::TearDown();
    }
    void open_sample() { kvtx_test::open_sample_part("drafting.prt", &part_); }
    void open(const PartBuilder& b) {
        part_ = b.open(folder_ + "/part.prt");
        ASSERT_NE(part_, NULL_TAG);
    }
    static tag_t tag_of(const PartBuilder& b, std::int64_t id) {
        return RQ_TAG_ask_tag_of_handle(b.handle(id).c_str());
    }
    static tag_t sample_tag(int id) {
        return RQ_TAG_ask_tag_of_handle(("drafting:" + std::to_string(id)).c_str());
    }
    tag_t current_feature() const {
        tag_t feature = NULL_TAG;
        RQ_MODL_ask_current_feature(part_, &feature);
        return feature;
    }
    static std::string log() {
        std::string text;
        for (const std::string& message : kvtx_test::logged_messages()) text += message + "\n";
        return text;
    }
    static void expect_log(const std::string& golden) {
        kvtx_test::expect_matches_golden(log(), golden);
    }

    // Three features; the part's current feature is the last one.
    static PartBuilder three_features(json replay_of_third = 0) {
        PartBuilder b("features");
        b.add(RQ_feature_type, 0, {{"name", "F1"}, {"feature", {{"feature_type", "BLOCK"}}}});
        b.add(RQ_feature_type, 0, {{"name", "F2"}, {"feature", {{"feature_type", "HOLE"}}}});
        b.add(RQ_feature_type, 0,
              {{"name", "F3"},
               {"feature", {{"feature_type", "BLEND"}, {"replay_code", replay_of_third}}}});
        b.doc()["current_feature"] = 3;
        return b;
    }

    // Sheets that update cleanly, and one that stays out of date.
    static PartBuilder sheets(bool staying_sheet_first) {
        PartBuilder b("sheets");
        auto stuck_view = b.add(RQ_view_type, 0, {{"name", "A@1"}, {"view", json::object()}});
        auto clean_view =
            b.add(RQ_view_type, 0, {{"name", "B@1"}, {"view", {{"out_of_date", true}}}});
        json stuck = {
            {"name", "STUCK"},
            {"sheet",
             {{"views", {stuck_view}}, {"out_of_date", true}, {"stays_out_of_date", true}}}};
        json clean = {{"name", "CLEAN"},
                      {"sheet", {{"views", {clean_view}}, {"out_of_date", true}}}};
        b.add(RQ_drawing_type, 0, staying_sheet_first ? stuck : clean);
        b.add(RQ_drawing_type, 0, staying_sheet_first ? clean : stuck);
        b.add(RQ_drawing_type, 0, {{"name", "NOVIEWS"}, {"sheet", {{"out_of_date", true}}}});
        return b;
    }

    std::string folder_;
    tag_t part_ = NULL_TAG;
};

TEST_F(UpdateOperationsTest, FeatureUpdateFailureIsLoggedAndCondemnsTheFeature) {
    open_sample();
    EXPECT_EQ(run_update_all_features(), RQ_err_feature_update);
    expect_log("update_all_features_failure.log");
    EXPECT_EQ(first_error_code, RQ_err_feature_update);
    EXPECT_STREQ(first_error_message, "Feature update failed [3390]");
    EXPECT_EQ(RQ_OBJ_ask_status(sample_tag(2)), RQ_OBJ_CONDEMNED);  // fail option 5
    EXPECT_EQ(RQ_OBJ_ask_status(sample_tag(1)), RQ_OBJ_ALIVE);
}

TEST_F(UpdateOperationsTest, FeatureUpdateWithoutFailureAndFailingOption) {
    open(three_features());
    EXPECT_EQ(run_update_all_features(), 0);
    EXPECT_EQ(log(), "");
    standin::set_fault("RQ_MODL_set_update_fail_option", 7);
    EXPECT_EQ(run_update_all_features(), 0);  // the option's failure is only logged
    EXPECT_EQ(first_error_code, 7);
    EXPECT_NE(log().find("       -> in line 3389 ("), std::string::npos);
}

TEST_F(UpdateOperationsTest, ReplayWithoutCurrentFeatureChangesNothing) {
    PartBuilder b = three_features();
    b.doc().erase("current_feature");
    open(b);
    EXPECT_EQ(run_feature_replay(), 0);
    expect_log("feature_replay_no_current.log");
    EXPECT_EQ(current_feature(), NULL_TAG);
}

TEST_F(UpdateOperationsTest, ReplayRollsBackToTheFirstFeatureAndForwardAgain) {
    PartBuilder b = three_features();
    open(b);
    EXPECT_EQ(run_feature_replay(), 0);
    expect_log("feature_replay_passed.log");
    EXPECT_EQ(current_feature(), tag_of(b, 3));
    EXPECT_EQ(first_error_code, 0);
}

TEST_F(UpdateOperationsTest, ReplayFromTheFirstFeatureWhenItIsCurrent) {
    PartBuilder b = three_features();
    b.doc()["current_feature"] = 1;
    open(b);
    standin::set_fault("RQ_MODL_set_current_feature", 31, b.handle(1), 1);
    EXPECT_EQ(run_feature_replay(), 0);  // both calls run; only the last one counts
    EXPECT_EQ(first_error_code, 31);
    EXPECT_STREQ(first_error_message, (kvtx_test::host_fail_message(31) + " [3436]").c_str());
    EXPECT_EQ(current_feature(), tag_of(b, 1));
}

TEST_F(UpdateOperationsTest, ReplayFailureIsTheResult) {
    open_sample();
    EXPECT_EQ(run_feature_replay(), RQ_err_replay);
    expect_log("feature_replay_failure.log");
    EXPECT_STREQ(first_error_message, "Feature replay failed [3438]");
    EXPECT_EQ(current_feature(), sample_tag(2));  // the replay stopped before BLEND(3)
}

TEST_F(UpdateOperationsTest, StructureRefreshGivesTheScriptedCode) {
    open_sample();
    EXPECT_EQ(run_structure_sync(), RQ_err_structure);
    expect_log("structure_sync_failure.log");
    EXPECT_EQ(count_components(), 0);

    kvtx_test::reset_global_state();
    RQ_initialize();
    EXPECT_EQ(run_structure_sync(), 0);  // no work part: no call
    EXPECT_EQ(count_components(), 0);
    EXPECT_EQ(log(), "");

    PartBuilder b("assembly");
    b.add(RQ_component_type, 0, {{"component", {{"instance_name", "A"}}}});
    b.add(RQ_component_type, 0, {{"component", {{"instance_name", "B"}}}});
    open(b);
    EXPECT_EQ(run_structure_sync(), 0);
    EXPECT_EQ(count_components(), 2);
}

TEST_F(UpdateOperationsTest, ViewUpdateOfTheSampleEndsWithTheStayingSheet) {
    open_sample();
    EXPECT_EQ(run_update_all_views(), RQ_err_out_of_date);
    expect_log("update_all_views_sample.log");
    EXPECT_EQ(first_error_code, RQ_err_view_update);  // the failing view came first
    logical flag = 1;
    RQ_DRAW_is_object_out_of_date(sample_tag(6), &flag);
    EXPECT_EQ(flag, 0);  // SHT1: all its views are up to date now
}

TEST_F(UpdateOperationsTest, SheetStillOutOfDateIsThePartsFirstError) {
    open(sheets(false));
    EXPECT_EQ(run_update_all_views(), RQ_err_out_of_date);
    expect_log("update_all_views_stuck_last.log");
    EXPECT_EQ(first_error_code, RQ_err_out_of_date);
    EXPECT_STREQ(first_error_message,
                 (kvtx_test::host_fail_message(RQ_err_out_of_date) + " [3534]").c_str());
}

TEST_F(UpdateOperationsTest, LaterCleanSheetSetsTheCodeBackToZero) {
    PartBuilder b = sheets(true);
    b.object(5)["sheet"]["out_of_date"] = false;  // NOVIEWS
    open(b);
    EXPECT_EQ(update_sheet_views(), 0);
    EXPECT_EQ(first_error_code, RQ_err_out_of_date);
}

TEST_F(UpdateOperationsTest, ACutSheetCycleIsTheResult) {
    open(sheets(false));
    standin::load_faults(nlohmann::json::array(
        {{{"call", "RQ_OBJ_cycle_objs_in_part"}, {"code", 3}, {"skip", 0}, {"times", 1}}}));
    EXPECT_EQ(update_sheet_views(), 3);
    EXPECT_NE(std::string(first_error_message).find("[3510]"), std::string::npos);
    standin::load_faults(nlohmann::json::array(
        {{{"call", "RQ_OBJ_cycle_objs_in_part"}, {"code", 3}, {"skip", 0}, {"times", 1}}}));
    reset_result_status();
    EXPECT_EQ(count_components(), 0);
    EXPECT_NE(std::string(first_error_message).find("[3460]"), std::string::npos);
}

TEST_F(UpdateOperationsTest, SheetListSelectsByExactName) {
    open(sheets(false));
    copy_text(sheet_list, "CLEAN");
    EXPECT_EQ(run_update_all_views(), 0);
    expect_log("update_all_views_one_sheet.log");

    for (const char* list : {"clean", " CLEAN", "CLEAN,STUCK", ""}) {
        standin::clear_records();
        copy_text(sheet_list, list);
        EXPECT_EQ(update_sheet_views(), 0) << list;
        const std::string text = log();
        EXPECT_EQ(text,
                  "   Update: Sheet CLEAN\n   Update: Sheet CLEAN -> not processed\n"
                  "   Update: Sheet STUCK\n   Update: Sheet STUCK -> not processed\n"
                  "   Update: Sheet NOVIEWS\n   Update: Sheet NOVIEWS -> not processed\n")
            << list;
    }
    EXPECT_EQ(first_error_code, 0);
}

}  // namespace
