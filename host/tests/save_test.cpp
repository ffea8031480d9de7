// Saving the work part: versions, history entries, read-only parts, save-as
// and the point that makes a part modified.
#include <rq/rq.h>

#include <string>

#include "host_fixture.hpp"
#include "parts/store.hpp"

namespace {

class SaveTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ::setenv("KAVOHOST_FIXED_TIME", "1700000000", 1);
        ::setenv("KAVOHOST_USER", "tester", 1);
        ::setenv("KAVOHOST_MACHINE", "bench01", 1);
        ASSERT_EQ(RQ_initialize(), 0);
    }
    void TearDown() override {
        ::unsetenv("KAVOHOST_FIXED_TIME");
        ::unsetenv("KAVOHOST_USER");
        ::unsetenv("KAVOHOST_MACHINE");
        HostTest::TearDown();
    }

    tag_t open_part(bool read_only = false) {
        standin::PartBuilder b("saved");
        b.doc()["version"] = 4;
        if (read_only) b.doc()["read_only"] = true;
        return b.open(path("saved.json"));
    }

    static tag_t make_point() {
        const double origin[3] = {0, 0, 0};
        tag_t point = NULL_TAG;
        EXPECT_EQ(RQ_CURVE_create_point(origin, &point), 0);
        return point;
    }

    static std::size_t history_size(tag_t part) { return standin::find_part(part)->history.size(); }
};

TEST_F(SaveTest, UnmodifiedPartIsSavedWithoutHistoryEntry) {
    const tag_t part = open_part();
    ASSERT_EQ(RQ_PART_save_work_only(), 0);
    EXPECT_EQ(standin::find_part(part)->version, 4);
    EXPECT_EQ(history_size(part), 0u);
}

TEST_F(SaveTest, ModifiedPartGetsVersionAndHistoryAndIsWritten) {
    const tag_t part = open_part();
    const tag_t point = make_point();
    ASSERT_NE(point, NULL_TAG);
    EXPECT_TRUE(standin::find_part(part)->modified);
    int type = 0, subtype = 0;
    ASSERT_EQ(RQ_OBJ_ask_type_and_subtype(point, &type, &subtype), 0);
    EXPECT_EQ(type, RQ_point_type);
    EXPECT_EQ(RQ_OBJ_delete_object(point), 0);  // as force_part_modification does

    ASSERT_EQ(RQ_PART_save_work_only(), 0);
    const standin::Part& p = *standin::find_part(part);
    EXPECT_FALSE(p.modified);
    EXPECT_EQ(p.version, 5);
    ASSERT_EQ(p.history.size(), 1u);
    EXPECT_EQ(p.history[0].version, 5);
    EXPECT_EQ(p.history[0].time, 1700000000);
    EXPECT_EQ(p.history[0].program, "kavohost");
    EXPECT_EQ(p.history[0].user, "tester");
    EXPECT_EQ(p.history[0].machine, "bench01");

    // A second save of the now unmodified part adds nothing.
    ASSERT_EQ(RQ_PART_save_work_only(), 0);
    EXPECT_EQ(history_size(part), 1u);

    // The file holds the new version and its history.
    standin::reset_session();
    ASSERT_EQ(RQ_initialize(), 0);
    tag_t again = NULL_TAG;
    ASSERT_EQ(standin::load_part_file(path("saved.json"), &again), 0);
    EXPECT_EQ(standin::find_part(again)->version, 5);
    RQ_PART_history_list_t list = nullptr;
    ASSERT_EQ(RQ_PART_create_history_list(&list), 0);
    ASSERT_EQ(RQ_PART_ask_part_history(again, list), 0);
    int count = 0;
    ASSERT_EQ(RQ_PART_ask_num_histories(list, &count), 0);
    EXPECT_EQ(count, 1);
}

TEST_F(SaveTest, ReadOnlyFaultAndMissingWorkPart) {
    EXPECT_EQ(RQ_PART_save_work_only(), RQ_err_no_work_part);
    const double xyz[3] = {1, 2, 3};
    tag_t point = 99;
    EXPECT_EQ(RQ_CURVE_create_point(xyz, &point), RQ_err_no_work_part);
    EXPECT_EQ(point, NULL_TAG);

    const tag_t part = open_part(true);
    const std::string before = read_file(path("saved.json"));
    make_point();
    EXPECT_EQ(RQ_PART_save_work_only(), RQ_err_part_read_only);
    EXPECT_EQ(history_size(part), 0u);
    EXPECT_EQ(read_file(path("saved.json")), before);

    standin::find_part(part)->read_only = false;
    standin::set_fault("RQ_PART_save_work_only", 646, {}, 1);
    EXPECT_EQ(RQ_PART_save_work_only(), 646);
    EXPECT_EQ(RQ_PART_save_work_only(), 0);
    EXPECT_EQ(history_size(part), 1u);
}

TEST_F(SaveTest, FailedWriteLeavesThePartAsItWas) {
    const tag_t part = open_part();
    make_point();
    write_file(path("blocker"), "a file, not a folder");
    standin::find_part(part)->path = path("blocker") + "/saved.json";
    EXPECT_NE(RQ_PART_save_work_only(), 0);
    const standin::Part& p = *standin::find_part(part);
    EXPECT_TRUE(p.modified);
    EXPECT_EQ(p.version, 4);
    EXPECT_TRUE(p.history.empty());
}

TEST_F(SaveTest, SaveAsWritesANewFileAndRenamesThePart) {
    const tag_t part = open_part();
    write_file(path("taken.json"), "{}");
    EXPECT_EQ(RQ_PART_save_as(path("taken.json").c_str()), RQ_err_file_exists);
    EXPECT_EQ(read_file(path("taken.json")), "{}");
    EXPECT_EQ(RQ_PART_save_as(""), RQ_err_bad_argument);

    const std::string target = path("copy.json");
    ASSERT_EQ(RQ_PART_save_as(target.c_str()), 0);
    EXPECT_TRUE(std::filesystem::exists(target));
    char name[256] = "";
    ASSERT_EQ(RQ_PART_ask_part_name(part, name), 0);
    EXPECT_EQ(std::string(name), target);
    EXPECT_EQ(RQ_PART_save_as(target.c_str()), RQ_err_file_exists);

    tag_t copy = NULL_TAG;
    standin::reset_session();
    ASSERT_EQ(RQ_initialize(), 0);
    EXPECT_EQ(standin::load_part_file(target, &copy), 0);
}

}  // namespace
