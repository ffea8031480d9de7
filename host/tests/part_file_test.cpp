// Part files: loading, validation, saving, handle persistence, faults and
// the builder.
#include <rq/rq.h>

#include <sys/stat.h>

#include <cmath>

#include "host_fixture.hpp"
#include "parts/part_file.hpp"
#include "parts/store.hpp"
#include "session/faults.hpp"

namespace {

using nlohmann::json;
using standin::PartBuilder;

class PartFileTest : public HostTest {
  protected:
    // A part using every field the store holds.
    PartBuilder full_part() {
        PartBuilder b("p4711");
        json& d = b.doc();
        d["units"] = 2;
        d["description"] = "Block with % and \"quotes\"";
        d["family_template"] = true;
        d["version"] = 3;
        d["snapshots"] = 1;
        d["line_width_map"] = {5, 7, 9};
        d["history"] = {{{"version", 1},
                         {"time", 1700000000},
                         {"program", "KAVO"},
                         {"user", "kim"},
                         {"machine", "ws1"}}};
        d["attributes"] = {
            {{"title", "CHECKED_OUT_BY"}, {"kind", "string"}, {"value", "kim"}, {"locked", true}},
            {{"title", "COUNT"}, {"kind", "integer"}, {"value", 4}, {"pdm", true}},
            {{"title", "WEIGHT"}, {"kind", "real"}, {"value", 2.5}, {"overwrite", true}},
            {{"title", "STAMP"}, {"kind", "time"}, {"value", {1, 2}}, {"time_text", "01-Jan"}},
            {{"title", "FLAG"}, {"kind", "boolean"}, {"value", true}},
            {{"title", "EMPTY"}, {"kind", "null"}}};
        d["pdm"] = {
            {"number", "4711"}, {"revision", "A"}, {"file_type", "master"}, {"file_name", "p4711"}};
        auto mat = b.add(RQ_material_type, 0, {{"name", "STEEL"}, {"displayable", false}});
        auto feat = b.add(
            RQ_feature_type, 0,
            {{"displayable", false},
             {"feature",
              {{"feature_type", "BLOCK"}, {"display_name", "Block(1)"}, {"update_code", 5001}}}});
        auto body = b.add(RQ_solid_type, 0,
                          {{"name", "BODY"},
                           {"color", 3},
                           {"created_version", 2},
                           {"modified_version", 3},
                           {"attributes", {{{"title", "CALLOUT"}, {"value", "A1"}}}},
                           {"body",
                            {{"density", 7.85},
                             {"material", mat},
                             {"shape", "block"},
                             {"size", {10, 20, 30}},
                             {"origin", {1, 2, 3}},
                             {"features", {feat}},
                             {"mass_props_fault", 900}}}});
        b.add(
            RQ_reference_set_type, 0,
            {{"name", "MODEL"}, {"displayable", false}, {"reference_set", {{"members", {body}}}}});
        auto exp =
            b.add(RQ_expression_type, 0,
                  {{"displayable", false},
                   {"expression",
                    {{"name", "p1"}, {"value_text", "10"}, {"value", 10}, {"no_edit", true}}}});
        b.add(RQ_family_type, 0,
              {{"displayable", false},
               {"family", {{"name", "FAM"}, {"member_count", 2}, {"attribute_count", 3}}}});
        auto inst = b.add(RQ_instance_type, 0,
                          {{"displayable", false},
                           {"instance", {{"suppress_state", 1}, {"suppression_expression", exp}}}});
        b.add(RQ_component_type, 0,
              {{"component",
                {{"child_file", "child.prt"},
                 {"refset_name", "MODEL"},
                 {"instance_name", "C1"},
                 {"origin", {1, 0, 0}},
                 {"transform", {{1, 0, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, "nan"}}},
                 {"instance", inst}}}});
        b.add(RQ_arrangement_type, 0, {{"name", "ARR"}, {"displayable", false}});
        b.add(RQ_point_type, 0, {{"point", {{"xyz", {1.5, -2, "inf"}}}}, {"status", 0}});
        b.add(RQ_drawing_type, 0, {{"name", "SHT1"}, {"view", {{"scale", 2}}}, {"later_key", 1}});
        d["current_feature"] = feat;
        d["faults"] = {{{"call", "RQ_OBJ_ask_name"}, {"code", 9}, {"object", body}}};
        d["future_section"] = {{"kept", true}};
        return b;
    }

    int open(const std::string& file, tag_t* part) {
        RQ_PART_load_status_t status{};
        return RQ_PART_open(file.c_str(), part, &status);
    }
};

TEST_F(PartFileTest, FullPartLoadsEveryField) {
    tag_t part = full_part().open(path("p4711.prt"));
    ASSERT_NE(part, NULL_TAG) << standin::last_load_error();
    const standin::Part& p = *standin::find_part(part);
    EXPECT_EQ(p.units, 2);
    EXPECT_EQ(p.description.value_or(""), "Block with % and \"quotes\"");
    EXPECT_TRUE(p.family_template);
    EXPECT_EQ(p.version, 3);
    ASSERT_TRUE(p.line_width_map.has_value());
    EXPECT_EQ((*p.line_width_map)[2], 9);
    ASSERT_EQ(p.history.size(), 1u);
    EXPECT_EQ(p.history[0].machine, "ws1");
    ASSERT_EQ(p.attributes.size(), 6u);
    EXPECT_TRUE(p.attributes[0].locked);
    EXPECT_EQ(p.attributes[3].time[1], 2);
    EXPECT_EQ(p.attributes[4].boolean, 1);
    EXPECT_EQ(p.expressions.size(), 1u);
    EXPECT_EQ(p.families.size(), 1u);
    EXPECT_EQ(p.arrangements.size(), 1u);
    ASSERT_TRUE(p.pdm.has_value());
    EXPECT_EQ(p.pdm->file_type, "master");

    const standin::Object& body = *standin::find_object(RQ_TAG_ask_tag_of_handle("p4711:3"));
    ASSERT_TRUE(body.body);
    EXPECT_DOUBLE_EQ(body.body->density, 7.85);
    EXPECT_EQ(body.body->material, RQ_TAG_ask_tag_of_handle("p4711:1"));
    EXPECT_EQ(body.body->features, std::vector<tag_t>{RQ_TAG_ask_tag_of_handle("p4711:2")});
    EXPECT_EQ(body.body->shape, standin::Shape::block);
    EXPECT_EQ(body.modified_version, 3);
    EXPECT_EQ(p.current_feature, RQ_TAG_ask_tag_of_handle("p4711:2"));
    const standin::Object& comp = *standin::find_object(RQ_TAG_ask_tag_of_handle("p4711:8"));
    EXPECT_TRUE(std::isnan(comp.component->transform[3][3]));
    const standin::Object& point = *standin::find_object(RQ_TAG_ask_tag_of_handle("p4711:10"));
    EXPECT_TRUE(std::isinf(point.point->xyz[2]));
    EXPECT_TRUE(point.erased);  // status 0 in the file
    EXPECT_NE(point.extra.size() +
                  standin::find_object(RQ_TAG_ask_tag_of_handle("p4711:11"))->extra.size(),
              0u);

    // The file's fault applies to its body only.
    char name[31] = "";
    EXPECT_EQ(RQ_OBJ_ask_name(body.tag, name), 9);
    EXPECT_EQ(RQ_OBJ_ask_name(RQ_TAG_ask_tag_of_handle("p4711:4"), name), 0);
    EXPECT_STREQ(name, "MODEL");
}

TEST_F(PartFileTest, SaveIsDeterministicAndKeepsUnknownKeys) {
    ASSERT_NE(full_part().open(path("p4711.prt")), NULL_TAG) << standin::last_load_error();
    tag_t part = RQ_ASSEM_ask_work_part();
    ASSERT_EQ(standin::save_part_file(part, path("s1.prt")), 0);
    ASSERT_EQ(standin::save_part_file(part, path("s2.prt")), 0);
    const std::string first = read_file(path("s1.prt"));
    EXPECT_EQ(first, read_file(path("s2.prt")));
    EXPECT_NE(first.find("\"future_section\""), std::string::npos);
    EXPECT_NE(first.find("\"later_key\""), std::string::npos);
    EXPECT_NE(first.find("\"view\""), std::string::npos);

    // Load the saved file in a fresh session and save again: the same bytes.
    standin::reset_session();
    tag_t again = NULL_TAG;
    ASSERT_EQ(open(path("s1.prt"), &again), 0) << standin::last_load_error();
    ASSERT_EQ(standin::save_part_file(again, path("s3.prt")), 0);
    EXPECT_EQ(first, read_file(path("s3.prt")));
}

TEST_F(PartFileTest, HandlesPersistAcrossSaveAndLoad) {
    PartBuilder b("hp");
    for (int i = 0; i < 5; ++i) b.add(RQ_solid_type);
    tag_t part = b.open(path("hp.prt"));
    ASSERT_NE(part, NULL_TAG);
    tag_t third = RQ_TAG_ask_tag_of_handle("hp:3");
    ASSERT_EQ(RQ_OBJ_set_name(third, "THIRD"), 0);
    ASSERT_EQ(RQ_OBJ_delete_object(RQ_TAG_ask_tag_of_handle("hp:1")), 0);
    standin::Object& added = standin::add_object(*standin::find_part(part), RQ_point_type, 0);
    EXPECT_EQ(added.handle, "hp:6");
    ASSERT_EQ(standin::save_part_file(part, path("hp2.prt")), 0);

    standin::reset_session();
    standin::Object& pad = standin::add_object(standin::add_part("x", "", "x"), 2, 0);
    (void)pad;  // other tags first: tags differ between sessions, handles do not
    tag_t reopened = NULL_TAG;
    ASSERT_EQ(open(path("hp2.prt"), &reopened), 0) << standin::last_load_error();
    tag_t t = RQ_TAG_ask_tag_of_handle("hp:3");
    ASSERT_NE(t, NULL_TAG);
    EXPECT_NE(t, third);
    char name[31] = "";
    ASSERT_EQ(RQ_OBJ_ask_name(t, name), 0);
    EXPECT_STREQ(name, "THIRD");
    EXPECT_EQ(RQ_OBJ_ask_status(RQ_TAG_ask_tag_of_handle("hp:1")), RQ_OBJ_DELETED);
    EXPECT_NE(RQ_TAG_ask_tag_of_handle("hp:6"), NULL_TAG);
    // New objects continue after the highest id ever given.
    EXPECT_EQ(standin::add_object(*standin::find_part(reopened), 2, 0).handle, "hp:7");
}

TEST_F(PartFileTest, OpenErrorsLoadNothing) {
    struct Case {
        const char* leaf;
        const char* text;
        int code;
    };
    const Case cases[] = {
        {"bad_json.prt", "{\"objects\": [", RQ_err_file_corrupt},
        {"not_object.prt", "[1, 2]", RQ_err_file_corrupt},
        {"wrong_format.prt", "{\"format\": \"other\"}", RQ_err_file_corrupt},
        {"dup.prt", R"({"objects": [{"id": 1, "type": 70}, {"id": 1, "type": 2}]})",
         RQ_err_file_corrupt},
        {"dangling.prt", R"({"objects": [{"id": 1, "type": 70, "body": {"features": [7]}}]})",
         RQ_err_file_corrupt},
        {"no_type.prt", R"({"objects": [{"id": 1}]})", RQ_err_file_corrupt},
        {"bad_id.prt", R"({"objects": [{"id": "1", "type": 70}]})", RQ_err_file_corrupt},
        {"long_name.prt",
         R"({"objects": [{"id": 1, "type": 70, "name": "1234567890123456789012345678901"}]})",
         RQ_err_file_corrupt},
        {"bad_kind.prt", R"({"attributes": [{"title": "A", "kind": "colour"}]})",
         RQ_err_file_corrupt},
        {"bad_number.prt", R"({"objects": [{"id": 1, "type": 2, "point": {"xyz": [1, "x", 3]}}]})",
         RQ_err_file_corrupt},
        {"bad_fault.prt", R"({"faults": [{"call": "RQ_x"}]})", RQ_err_file_corrupt},
        {"fault_ref.prt", R"({"faults": [{"call": "RQ_x", "code": 1, "object": 3}]})",
         RQ_err_file_corrupt},
        {"empty.prt", "", RQ_err_file_corrupt},
        {"id_beyond.prt", R"({"objects": [{"id": 9007199254740992, "type": 2}]})",
         RQ_err_file_corrupt},
        {"next_id_beyond.prt", R"({"next_object_id": 9223372036854775807})", RQ_err_file_corrupt},
        {"next_id_zero.prt", R"({"next_object_id": 0})", RQ_err_file_corrupt},
    };
    for (const Case& c : cases) {
        write_file(path(c.leaf), c.text);
        tag_t part = 77;
        EXPECT_EQ(open(path(c.leaf), &part), c.code) << c.leaf;
        EXPECT_EQ(part, 77u) << c.leaf;
        EXPECT_FALSE(standin::last_load_error().empty()) << c.leaf;
        EXPECT_TRUE(standin::session().parts.empty()) << c.leaf;
        EXPECT_EQ(standin::session().next_tag, 1u) << c.leaf;  // no tag used up
    }

    tag_t part = NULL_TAG;
    RQ_PART_load_status_t status{};
    EXPECT_EQ(RQ_PART_open(path("missing.prt").c_str(), &part, &status), RQ_err_file_not_found);
    ASSERT_EQ(status.failed, 1);
    ASSERT_EQ(status.n_parts, 1);
    EXPECT_EQ(std::string(status.file_names[0]), path("missing.prt"));
    EXPECT_EQ(status.statuses[0], RQ_err_file_not_found);
    EXPECT_EQ(RQ_PART_open("", &part, &status), RQ_err_file_not_found);
    EXPECT_EQ(RQ_PART_open(folder_.string().c_str(), &part, &status), RQ_err_file_unreadable);
    EXPECT_EQ(RQ_PART_open(std::string(300, 'a').c_str(), &part, &status), RQ_err_bad_argument);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), NULL_TAG);

    // Nesting beyond 100 levels is refused before the JSON reader walks into
    // it; brackets inside texts do not count.
    for (std::size_t depth : {101, 5000, 100000}) {
        write_file(path("deep.prt"),
                   "{\"x\": " + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}");
        EXPECT_EQ(open(path("deep.prt"), &part), RQ_err_file_corrupt) << depth;
        EXPECT_NE(standin::last_load_error().find("nesting deeper than 100 levels"),
                  std::string::npos);
    }
    write_file(path("deep_ok.prt"), "{\"x\": \"[[[[\\\"[[\", \"y\": " + std::string(99, '[') +
                                        std::string(99, ']') + "}");
    EXPECT_EQ(open(path("deep_ok.prt"), &part), 0);
    const std::int64_t largest_id = (std::int64_t{1} << 53) - 1;
    write_file(
        path("largest_id.prt"),
        R"({"next_object_id": 9007199254740991, "objects": [{"id": 9007199254740991, "type": 2}]})");
    ASSERT_EQ(open(path("largest_id.prt"), &part), 0);
    EXPECT_EQ(standin::find_part(part)->next_object_id, largest_id + 1);
    RQ_PART_close_all();

    // Devices and pipes are no part files: they could give bytes for ever, or none.
    const std::string pipe = path("pipe.prt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& name : {std::string("/dev/zero"), pipe}) {
        EXPECT_EQ(open(name, &part), RQ_err_file_unreadable) << name;
        EXPECT_NE(standin::last_load_error().find("not a regular file"), std::string::npos);
    }

    if (::geteuid() != 0) {  // root reads anything
        write_file(path("locked.prt"), "{}");
        std::filesystem::permissions(path("locked.prt"), std::filesystem::perms::none);
        EXPECT_EQ(open(path("locked.prt"), &part), RQ_err_file_unreadable);
    }
}

TEST_F(PartFileTest, FaultsByCallHandleCountAndEnvironmentFile) {
    PartBuilder b("fx");
    auto one = b.add(RQ_solid_type, 0, {{"name", "ONE"}});
    auto two = b.add(RQ_solid_type, 0, {{"name", "TWO"}});
    ASSERT_NE(b.open(path("fx.prt")), NULL_TAG);
    tag_t t1 = RQ_TAG_ask_tag_of_handle(b.handle(one).c_str());
    tag_t t2 = RQ_TAG_ask_tag_of_handle(b.handle(two).c_str());
    char name[31];

    standin::set_fault("RQ_OBJ_ask_name", 42, b.handle(two), 2);
    EXPECT_EQ(RQ_OBJ_ask_name(t1, name), 0);
    EXPECT_EQ(RQ_OBJ_ask_name(t2, name), 42);
    EXPECT_EQ(RQ_OBJ_ask_name(t2, name), 42);
    EXPECT_EQ(RQ_OBJ_ask_name(t2, name), 0);  // used up

    standin::set_fault("RQ_OBJ_set_color", 5);
    EXPECT_EQ(RQ_OBJ_set_color(t1, 3), 5);
    EXPECT_EQ(RQ_OBJ_set_color(t2, 3), 5);
    standin::clear_faults();
    EXPECT_EQ(RQ_OBJ_set_color(t1, 3), 0);

    standin::set_fault("RQ_PART_open", RQ_err_file_unreadable, path("fx.prt"));
    tag_t part = NULL_TAG;
    EXPECT_EQ(open(path("fx.prt"), &part), RQ_err_file_unreadable);
    EXPECT_EQ(open(path("other.prt"), &part), RQ_err_file_not_found);
    standin::clear_faults();

    standin::load_faults(json::array(
        {{{"call", "RQ_PART_ask_part_name"}, {"code", 11}, {"handle", path("fx.prt")}}}));
    EXPECT_EQ(RQ_PART_ask_part_name(RQ_ASSEM_ask_work_part(), name), 11);
    EXPECT_THROW(standin::load_faults(json::array({{{"code", 1}}})), std::invalid_argument);

    standin::reset_session();
    write_file(path("faults.json"),
               R"([{"call": "RQ_initialize", "code": 3001, "times": 1},
                   {"call": "RQ_get_release", "code": 8}])");
    ::setenv("KAVOHOST_FAULTS", path("faults.json").c_str(), 1);
    EXPECT_EQ(RQ_initialize(), 3001);
    EXPECT_EQ(RQ_initialize(), 0);
    char* text = nullptr;
    EXPECT_EQ(RQ_get_release(&text), 8);
    EXPECT_EQ(RQ_terminate(), 0);
    EXPECT_EQ(RQ_initialize(), 0);  // the file is read once per session start
    EXPECT_EQ(RQ_terminate(), 0);
    ::unsetenv("KAVOHOST_FAULTS");
    standin::reset_session();
    EXPECT_EQ(RQ_get_release(&text), 0);
    RQ_free(text);

    // A fault file nested too deep, or a device, is ignored like a missing one.
    write_file(path("deep_faults.json"), R"([{"call": "RQ_get_release", "code": 8, "x": )" +
                                             std::string(5000, '[') + std::string(5000, ']') +
                                             "}]");
    for (const char* file : {"deep_faults.json", "/dev/zero"}) {
        standin::reset_session();
        ::setenv("KAVOHOST_FAULTS", file[0] == '/' ? file : path(file).c_str(), 1);
        EXPECT_EQ(RQ_get_release(&text), 0) << file;
        RQ_free(text);
        ::unsetenv("KAVOHOST_FAULTS");
    }
    standin::reset_session();
}

TEST_F(PartFileTest, BuilderRoundTripAndLoadWithoutWorkPart) {
    PartBuilder b("rt");
    auto body = b.add(RQ_solid_type, 0, {{"body", {{"shape", "sphere"}, {"size", {2, 0, 0}}}}});
    auto given = b.add(RQ_point_type, 0, {{"id", 40}});
    auto after = b.add(RQ_point_type);
    EXPECT_EQ(body, 1);
    EXPECT_EQ(given, 40);
    EXPECT_EQ(after, 41);
    b.object(after)["name"] = "LAST";
    EXPECT_EQ(b.handle(given), "rt:40");
    EXPECT_THROW(b.object(99), std::out_of_range);
    b.write(path("sub/rt.prt"));

    tag_t part = NULL_TAG;
    ASSERT_EQ(standin::load_part_file(path("sub/rt.prt"), &part), 0);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), NULL_TAG);
    tag_t last = RQ_TAG_ask_tag_of_handle("rt:41");
    char name[31];
    ASSERT_EQ(RQ_OBJ_ask_name(last, name), 0);
    EXPECT_STREQ(name, "LAST");
    EXPECT_EQ(standin::find_object(RQ_TAG_ask_tag_of_handle("rt:1"))->body->shape,
              standin::Shape::sphere);
}

TEST_F(PartFileTest, SamplePartsLoadAndRoundTrip) {
    for (const char* leaf : {"p4711_block.prt", "p0815_bare.prt"}) {
        standin::reset_session();
        std::string file = std::string(KAVOHOST_SAMPLES) + "/parts/" + leaf;
        tag_t part = NULL_TAG;
        ASSERT_EQ(open(file, &part), 0) << leaf << ": " << standin::last_load_error();
        ASSERT_EQ(standin::save_part_file(part, path("a.prt")), 0);
        standin::reset_session();
        ASSERT_EQ(open(path("a.prt"), &part), 0) << standin::last_load_error();
        ASSERT_EQ(standin::save_part_file(part, path("b.prt")), 0);
        EXPECT_EQ(read_file(path("a.prt")), read_file(path("b.prt"))) << leaf;
    }
}

TEST_F(PartFileTest, ClashingPartIdsGetDistinctHandles) {
    PartBuilder a("same");
    a.add(RQ_solid_type);
    a.write(path("one.prt"));
    a.write(path("two.prt"));
    tag_t first = NULL_TAG, second = NULL_TAG;
    ASSERT_EQ(standin::load_part_file(path("one.prt"), &first), 0);
    ASSERT_EQ(standin::load_part_file(path("two.prt"), &second), 0);
    EXPECT_NE(first, second);
    tag_t t1 = RQ_TAG_ask_tag_of_handle("same:1");
    tag_t t2 = RQ_TAG_ask_tag_of_handle("same~2:1");
    EXPECT_NE(t1, NULL_TAG);
    EXPECT_NE(t2, NULL_TAG);
    EXPECT_NE(t1, t2);
}

}  // namespace
