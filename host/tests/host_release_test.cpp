// The stand-in as each host release: release texts, the post-save-as event,
// the load-options record, mating conditions and Part::Annotations.
#include <gtest/gtest.h>
#include <rq/rq.h>
#include <kavoopen/kavoopen.hpp>
#include <standin/testing.hpp>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.hpp"

namespace {

using nlohmann::json;
using standin::PartBuilder;

class HostReleaseTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(RQ_initialize(), 0);
    }
    void TearDown() override {
        ::unsetenv("KAVOHOST_ASSEM_OPTIONS");
        HostTest::TearDown();
    }
    static tag_t tag(const char* handle) { return RQ_TAG_ask_tag_of_handle(handle); }
    static tag_t open_sample(const char* leaf) {
        tag_t part = NULL_TAG;
        RQ_PART_load_status_t status{};
        const std::string file = std::string(KAVOHOST_SAMPLES) + "/parts/" + leaf;
        EXPECT_EQ(RQ_PART_open(file.c_str(), &part, &status), 0) << standin::last_load_error();
        return part;
    }
};

// Each release's text gives its major and minor number after the last 'V'.
TEST_F(HostReleaseTest, ReleaseTextsNameEachRelease) {
    struct Case {
        const char* release;
        int major, minor;
    };
    const Case cases[] = {{"4", 4, 0},       {"7", 7, 0},       {"7.5", 7, 5},    {"8.5", 8, 5},
                          {"9", 9, 0},       {"11", 11, 0},     {"12", 12, 0},    {"CR1880", 12, 0},
                          {"CR2007", 12, 0}, {"CR2212", 12, 0}, {"CR2312", 12, 0}};
    for (const Case& c : cases) {
        const char* text = standin::default_release_text(c.release);
        ASSERT_NE(text, nullptr) << c.release;
        const std::string t = text;
        int major = -1, minor = -1;
        ASSERT_EQ(std::sscanf(t.c_str() + t.rfind('V') + 1, "%d.%d", &major, &minor), 2) << t;
        EXPECT_EQ(major, c.major) << t;
        EXPECT_EQ(minor, c.minor) << t;
    }
    EXPECT_STREQ(standin::default_release_text("CR2212"), "Kavo Stand-in Host V12.0.2.9");
    EXPECT_EQ(standin::default_release_text("13"), nullptr);
}

// Hosts before 10 (9 and 8.5 among them) have no post-save-as event to
// register; the other reasons register on every host.
TEST_F(HostReleaseTest, PostSaveAsEventFollowsTheRelease) {
    struct Case {
        std::optional<std::string> release;
        int code;
    };
    const Case cases[] = {{"Kavo Stand-in Host V9.0.0.9", RQ_err_bad_argument},
                          {"Kavo Stand-in Host V8.5.0.9", RQ_err_bad_argument},
                          {"Kavo Stand-in Host V7.5.0.9", RQ_err_bad_argument},
                          {"Kavo Stand-in Host V10.0.0.9", 0},
                          {"Kavo Stand-in Host V12.0.2.9 (CR2306)", 0},
                          {"no release number", 0},
                          {std::nullopt, 0}};
    auto callback = [](int, const void*, void*) { return 0; };
    for (const Case& c : cases) {
        standin::set_release_text(c.release);
        RQ_registration_id_t id = 0;
        EXPECT_EQ(RQ_add_callback_function(RQ_post_save_as_part_reason, callback, nullptr, &id),
                  c.code)
            << c.release.value_or("(none)");
        EXPECT_EQ(RQ_add_callback_function(RQ_save_as_part_reason, callback, nullptr, &id), 0);
    }
    EXPECT_EQ(standin::registered_callbacks(RQ_post_save_as_part_reason), 4);
}

// The environment sets the record's fields in their order: 15 of them, or 14
// on the hosts 4 to 7.5, whose record has no field between load fully and
// load substitution.
TEST_F(HostReleaseTest, LoadOptionsFollowTheRecordLayout) {
#ifdef KAVOHOST_LEGACY_RECORDS
    static_assert(sizeof(RQ_ASSEM_options_t) == 14 * sizeof(int));
    const char* all = "1,2,3,4,5,6,7,8,9,10,11,12,13,14";
    const char* too_many = "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15";
#else
    static_assert(sizeof(RQ_ASSEM_options_t) == 15 * sizeof(int));
    const char* all = "1,2,3,4,5,6,7,8,9,10,0,11,12,13,14";
    const char* too_many = "1,2,3,4,5,6,7,8,9,10,0,11,12,13,14,15";
#endif
    RQ_ASSEM_options_t options{};
    ::setenv("KAVOHOST_ASSEM_OPTIONS", all, 1);
    ASSERT_EQ(RQ_ASSEM_ask_assem_options(&options), 0);
    const std::vector<int> read = {
        options.load_options,       options.parts_list,        options.update,
        options.emphasize,          options.emphasize_color,   options.failure_action,
        options.maintain_work_part, options.load_latest,       options.load_components,
        options.load_fully,         options.load_substitution, options.apply_to_all_levels,
        options.load_wave_data,     options.load_wave_parents};
    EXPECT_EQ(read, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));

    ::setenv("KAVOHOST_ASSEM_OPTIONS", too_many, 1);
    ASSERT_EQ(RQ_ASSEM_ask_assem_options(&options), 0);
    EXPECT_EQ(options.load_substitution, 0);  // the session's, all ignored
    EXPECT_EQ(options.emphasize_color, 186);
}

// The sample assembly: BASE mated and solved, LID mated and not solved,
// LOOSE and the sub-assembly STACK unmated; components below the first
// level are never mated.
TEST_F(HostReleaseTest, MatingConditionsComeFromThePartFile) {
    open_sample("mated_stack.prt");
    struct Case {
        const char* handle;
        logical mated;
        const char* name;
        int constraints, solved, status, other;
    };
    const Case cases[] = {
        {"mated_stack:1", 1, "BASE_FIX", 3, 1, RQ_ASSEM_mc_structure_ok, 0},
        {"mated_stack:2", 1, "LID_ALIGN", 2, 0, RQ_ASSEM_mc_not_solved, 2},
        {"mated_stack:3", 0, "", 0, 0, 0, 0},
        {"mated_stack:4", 0, "", 0, 0, 0, 0},
        {"mated_stack:4/cover_stack:1", 0, "", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const tag_t component = tag(c.handle);
        ASSERT_NE(component, NULL_TAG) << c.handle;
        RQ_ASSEM_mc_record_t record;
        std::memset(&record, 0x55, sizeof record);
        ASSERT_EQ(RQ_ASSEM_init_mc(&record), 0);
        EXPECT_EQ(record.component, NULL_TAG);
        logical mated = 9;
        ASSERT_EQ(RQ_ASSEM_ask_mc_data_of_compnt(component, &mated, &record), 0) << c.handle;
        EXPECT_EQ(mated, c.mated) << c.handle;
        EXPECT_STREQ(record.name, c.name) << c.handle;
        EXPECT_EQ(record.constraint_count, c.constraints) << c.handle;
        EXPECT_EQ(record.solved, c.solved) << c.handle;
        int status = -1, other = -1;
        const int code = RQ_ASSEM_check_mc_structure(&record, &status, &other);
        EXPECT_EQ(code, c.mated ? 0 : RQ_err_bad_argument) << c.handle;
        EXPECT_EQ(status, c.status) << c.handle;
        EXPECT_EQ(other, c.other) << c.handle;
    }
    RQ_ASSEM_mc_record_t record{};
    logical mated = 0;
    EXPECT_EQ(RQ_ASSEM_ask_mc_data_of_compnt(NULL_TAG, &mated, &record), RQ_err_bad_tag);
    EXPECT_EQ(RQ_ASSEM_ask_mc_data_of_compnt(tag("mated_stack:5"), &mated, &record),
              RQ_err_bad_tag);  // an instance, no component
    EXPECT_EQ(RQ_ASSEM_ask_mc_data_of_compnt(tag("mated_stack:1"), nullptr, &record),
              RQ_err_bad_argument);
}

// Each of the three calls fails by name, for one component or for all.
TEST_F(HostReleaseTest, MatingCallsFailOnDemand) {
    open_sample("mated_stack.prt");
    standin::load_faults(json::parse(R"([
        {"call": "RQ_ASSEM_init_mc", "code": 1, "times": 1},
        {"call": "RQ_ASSEM_ask_mc_data_of_compnt", "code": 11, "handle": "mated_stack:2"},
        {"call": "RQ_ASSEM_check_mc_structure", "code": 5101, "handle": "mated_stack:1"}])"));
    RQ_ASSEM_mc_record_t record{};
    EXPECT_EQ(RQ_ASSEM_init_mc(&record), 1);
    EXPECT_EQ(RQ_ASSEM_init_mc(&record), 0);
    logical mated = 1;
    EXPECT_EQ(RQ_ASSEM_ask_mc_data_of_compnt(tag("mated_stack:2"), &mated, &record), 11);
    EXPECT_EQ(mated, 0);
    ASSERT_EQ(RQ_ASSEM_ask_mc_data_of_compnt(tag("mated_stack:1"), &mated, &record), 0);
    int status = -1, other = -1;
    EXPECT_EQ(RQ_ASSEM_check_mc_structure(&record, &status, &other), 5101);
    EXPECT_EQ(status, 0);
}

// Mating data is read and saved with the component; a set below the first
// level or a malformed one is refused with the file.
TEST_F(HostReleaseTest, MatingDataInThePartFile) {
    PartBuilder b("mates");
    const auto first = b.add(
        RQ_component_type, 0,
        {{"component", {{"mating", {{"name", "FIX\xB0"}, {"constraints", 0}, {"status", 7}}}}}});
    b.add(RQ_component_type, 0, {{"component", {{"parent", first}}}});
    ASSERT_NE(b.open(path("mates.prt")), NULL_TAG) << standin::last_load_error();
    RQ_ASSEM_mc_record_t record{};
    logical mated = 0;
    ASSERT_EQ(RQ_ASSEM_ask_mc_data_of_compnt(tag("mates:1"), &mated, &record), 0);
    EXPECT_STREQ(record.name, "FIX\xB0");
    int status = -1, other = -1;
    ASSERT_EQ(RQ_ASSEM_check_mc_structure(&record, &status, &other), 0);
    EXPECT_EQ(status, 7);  // scripted
    ASSERT_EQ(standin::save_part_file(RQ_ASSEM_ask_work_part(), path("saved.prt")), 0);
    const json saved = json::parse(read_file(path("saved.prt")));
    EXPECT_EQ(saved["objects"][0]["component"]["mating"],
              json::parse(R"({"name": "FIX°", "constraints": 0, "solved": true, "status": 7})"));

    struct Case {
        json component;
        const char* reason;
    };
    const Case cases[] = {
        {{{"parent", 1}, {"mating", {{"name", "DEEP"}}}}, "below the first level"},
        {{{"mating", {{"constraints", 1}}}}, "mating.name: missing"},
        {{{"mating", {{"name", std::string(133, 'M')}}}}, "longer than 132"},
        {{{"mating", {{"name", "N"}, {"constraints", -1}}}}, "mating.constraints: is negative"},
        {{{"mating", {{"name", "N"}, {"solved", "yes"}}}}, "mating.solved: expected true or false"},
        {{{"mating", "FIX"}}, "mating"},
    };
    for (const Case& c : cases) {
        PartBuilder bad("bad");
        bad.add(RQ_component_type);
        bad.add(RQ_component_type, 0, {{"component", c.component}});
        bad.write(path("bad.prt"));
        tag_t part = NULL_TAG;
        EXPECT_EQ(standin::load_part_file(path("bad.prt"), &part), RQ_err_file_corrupt)
            << c.component;
        EXPECT_NE(standin::last_load_error().find(c.reason), std::string::npos)
            << standin::last_load_error();
    }
}

// Part::Annotations hands out the manager BasePart::Annotations gives, and
// fails on demand under its own name.
TEST_F(HostReleaseTest, PartAnnotationsIsThePartsManager) {
    PartBuilder("notes").open(path("notes.prt"));
    KavoOpen::BasePart* work = KavoOpen::Session::GetSession()->Parts()->Work();
    auto* part = dynamic_cast<KavoOpen::Part*>(work);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->Annotations(), work->Annotations());
    standin::load_faults(json::parse(
        R"([{"call": "Part::Annotations", "code": 8, "handle": "notes", "times": 1}])"));
    try {
        part->Annotations();
        ADD_FAILURE() << "Part::Annotations did not throw";
    } catch (const KavoOpen::KavoException& e) {
        EXPECT_STREQ(e.Message(), "Part::Annotations failed (error 8)");
    }
    EXPECT_NO_THROW(work->Annotations());
    EXPECT_EQ(part->Annotations(), work->Annotations());
}

}  // namespace
