// Assemblies read from part files: child parts loaded with their components,
// occurrence bodies with persistent handles and placed mass properties, and
// the load status for children that are missing or contain themselves.
#include <gtest/gtest.h>
#include <rq/rq.h>
#include <standin/testing.hpp>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "host_fixture.hpp"
#include "parts/store.hpp"

namespace {

using nlohmann::json;
using standin::PartBuilder;

json component(const std::string& child_file, json transform = nullptr) {
    json c = {{"child_file", child_file}};
    if (!transform.is_null()) c["transform"] = std::move(transform);
    return {{"displayable", false}, {"component", c}};
}

// A part "plate" holding one cube of that edge, corner at the origin.
void write_plate(const std::string& file, double edge) {
    PartBuilder plate("plate");
    plate.add(RQ_solid_type, 0, {{"body", {{"shape", "block"}, {"size", {edge, edge, edge}}}}});
    plate.write(file);
}

json shifted(double x, double y, double z) {
    return {{1, 0, 0, x}, {0, 1, 0, y}, {0, 0, 1, z}, {0, 0, 0, 1}};
}

class AssemblyLoadTest : public HostTest {
  protected:
    struct Opened {
        int code = -1;
        tag_t part = NULL_TAG;
        RQ_PART_load_status_t status{};
    };
    Opened open(const std::string& file) {
        Opened o;
        o.code = RQ_PART_open(file.c_str(), &o.part, &o.status);
        return o;
    }
    static std::vector<tag_t> bodies_of(tag_t part) {
        std::vector<tag_t> tags;
        tag_t t = NULL_TAG;
        while (RQ_OBJ_cycle_objs_in_part(part, RQ_solid_type, &t) == 0 && t != NULL_TAG)
            tags.push_back(t);
        return tags;
    }
    static std::vector<double> mass_props(const std::vector<tag_t>& bodies) {
        double accuracy[11]{0.99};
        std::vector<double> r(47, 0.0);
        double statistics[13]{};
        EXPECT_EQ(RQ_MODL_ask_mass_props_3d(bodies.data(), static_cast<int>(bodies.size()), 1, 3,
                                            0.0, 1, accuracy, r.data(), statistics),
                  0);
        return r;
    }
    static std::string handle(tag_t tag) {
        const char* text = RQ_TAG_ask_handle_of_tag(tag);
        return text != nullptr ? text : "";
    }
};

// The sample: two placed instances of one cover, its child read once.
TEST_F(AssemblyLoadTest, SampleAssemblyPlacesTheCoverTwice) {
    const std::string sample = std::string(KAVOHOST_SAMPLES) + "/parts/cover_stack.prt";
    Opened o = open(sample);
    ASSERT_EQ(o.code, 0);
    EXPECT_EQ(o.status.failed, 0);
    EXPECT_EQ(o.status.n_parts, 0);
    EXPECT_EQ(standin::session().parts.size(), 2u);

    const std::vector<tag_t> occurrences = bodies_of(o.part);
    ASSERT_EQ(occurrences.size(), 2u);
    EXPECT_EQ(handle(occurrences[0]), "cover_stack:1/cover:2");
    EXPECT_EQ(handle(occurrences[1]), "cover_stack:2/cover:2");
    for (tag_t occurrence : occurrences) {
        EXPECT_EQ(RQ_ASSEM_is_occurrence(occurrence), 1);
        EXPECT_EQ(RQ_TAG_ask_tag_of_handle(handle(occurrence).c_str()), occurrence);
    }
    const standin::Object* upper = standin::find_object(RQ_TAG_ask_tag_of_handle("cover_stack:2"));
    ASSERT_NE(upper, nullptr);
    const standin::Part* cover = standin::find_part(upper->component->prototype);
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->part_id, "cover");
    EXPECT_EQ(standin::find_object(occurrences[0])->occurrence_component,
              RQ_TAG_ask_tag_of_handle("cover_stack:1"));

    // Two 60 x 60 x 2 plates, the upper one turned and raised by 10.
    std::vector<double> upper_only = mass_props({occurrences[1]});
    EXPECT_NEAR(upper_only[3], 30.0, 1e-9);
    EXPECT_NEAR(upper_only[4], 30.0, 1e-9);
    EXPECT_NEAR(upper_only[5], 11.0, 1e-9);
    std::vector<double> both = mass_props(occurrences);
    EXPECT_NEAR(both[1], 14400.0, 1e-9);
    EXPECT_NEAR(both[5], 6.0, 1e-9);
    EXPECT_NEAR(both[9], 2 * (7200.0 * 3604 / 12 + 7200.0 * 25), 1e-6);
    EXPECT_NEAR(both[11], 2 * 7200.0 * 7200 / 12, 1e-6);
}

// Occurrences are made again at each load and take no object ids: saving
// the assembly twice over a reload gives the same bytes.
TEST_F(AssemblyLoadTest, SavingAnAssemblyLeavesItsOccurrencesOut) {
    write_plate(path("plate.prt"), 1);
    PartBuilder assembly("asm");
    assembly.add(RQ_component_type, 0, component("plate.prt", shifted(5, 0, 0)));
    assembly.write(path("asm.prt"));

    Opened first = open(path("asm.prt"));
    ASSERT_EQ(first.code, 0);
    ASSERT_EQ(bodies_of(first.part).size(), 1u);
    ASSERT_EQ(standin::save_part_file(first.part, path("saved1.prt")), 0);
    ASSERT_EQ(RQ_PART_close_all(), 0);
    Opened again = open(path("saved1.prt"));
    ASSERT_EQ(again.code, 0);
    EXPECT_EQ(handle(bodies_of(again.part).at(0)), "asm:1/plate:1");
    ASSERT_EQ(standin::save_part_file(again.part, path("saved2.prt")), 0);
    const std::string saved = read_file(path("saved1.prt"));
    EXPECT_EQ(saved, read_file(path("saved2.prt")));
    EXPECT_EQ(saved.find("\"type\": 70"), std::string::npos);
    EXPECT_NE(saved.find("\"next_object_id\": 2"), std::string::npos);
}

// A missing child and a component that holds the assembly itself are
// reported; the open succeeds with what could be placed.
TEST_F(AssemblyLoadTest, MissingAndCyclicChildrenAreReported) {
    write_plate(path("plate.prt"), 1);
    PartBuilder assembly("loop");
    auto missing = assembly.add(RQ_component_type, 0, component("gone.prt"));
    assembly.add(RQ_component_type, 0, component("loop.prt"));
    assembly.add(RQ_component_type, 0, component("plate.prt"));
    assembly.add(RQ_component_type, 0, component("/dev/zero"));  // would give bytes for ever
    assembly.write(path("loop.prt"));

    Opened o = open(path("loop.prt"));
    ASSERT_EQ(o.code, 0);
    EXPECT_EQ(o.status.failed, 1);
    ASSERT_EQ(o.status.n_parts, 3);
    EXPECT_EQ(std::string(o.status.file_names[0]), path("gone.prt"));
    EXPECT_EQ(o.status.statuses[0], RQ_err_file_not_found);
    EXPECT_EQ(std::string(o.status.file_names[1]), path("loop.prt"));
    EXPECT_EQ(o.status.statuses[1], RQ_err_file_corrupt);
    EXPECT_EQ(std::string(o.status.file_names[2]), "/dev/zero");
    EXPECT_EQ(o.status.statuses[2], RQ_err_file_unreadable);
    EXPECT_EQ(bodies_of(o.part).size(), 1u);  // the plate only
    const standin::Object* gone =
        standin::find_object(RQ_TAG_ask_tag_of_handle(assembly.handle(missing).c_str()));
    EXPECT_EQ(gone->component->prototype, NULL_TAG);
}

// A sub-assembly's occurrences are bodies of it too: the top assembly places
// them again, composing both transforms; the two assemblies refer to each
// other, which stops at the first repetition.
TEST_F(AssemblyLoadTest, NestedAssembliesComposeTheirPlacements) {
    write_plate(path("parts/plate.prt"), 2);
    PartBuilder sub("sub");
    sub.add(RQ_component_type, 0, component("plate.prt", shifted(10, 0, 0)));
    sub.add(RQ_component_type, 0, component("../top.prt"));
    sub.write(path("parts/sub.prt"));
    PartBuilder top("top");
    top.add(
        RQ_component_type, 0,
        component("parts/sub.prt", {{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 100}, {0, 0, 0, 1}}));
    top.write(path("top.prt"));

    Opened o = open(path("top.prt"));
    ASSERT_EQ(o.code, 0);
    ASSERT_EQ(o.status.n_parts, 1);
    EXPECT_EQ(std::string(o.status.file_names[0]), path("top.prt"));
    const std::vector<tag_t> bodies = bodies_of(o.part);
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(handle(bodies[0]), "top:1/sub:1/plate:1");
    // The plate's centre (1, 1, 1) moves to (11, 1, 1) in the sub-assembly,
    // then turns a quarter about Z and rises by 100.
    std::vector<double> r = mass_props(bodies);
    EXPECT_NEAR(r[3], -1.0, 1e-9);
    EXPECT_NEAR(r[4], 11.0, 1e-9);
    EXPECT_NEAR(r[5], 101.0, 1e-9);
}

}  // namespace

namespace {

class StructureRefreshTest : public AssemblyLoadTest {
  protected:
    // An assembly placing one plate of edge 10 once.
    Opened open_plate_assembly() {
        write_plate(path("plate.prt"), 10);
        PartBuilder assembly("asm");
        assembly.add(RQ_component_type, 0, component("plate.prt"));
        assembly.write(path("asm.prt"));
        return open(path("asm.prt"));
    }
};

// A child changed on disk since loading: the refresh reads it again, adds its
// new body as an occurrence and keeps the handles of those that were there.
TEST_F(StructureRefreshTest, ReadsChangedChildren) {
    const Opened opened = open_plate_assembly();
    ASSERT_EQ(opened.code, 0);
    const std::vector<tag_t> before = bodies_of(opened.part);
    ASSERT_EQ(before.size(), 1u);
    const std::string first_handle = RQ_TAG_ask_handle_of_tag(before[0]);

    PartBuilder plate("plate");
    plate.add(RQ_solid_type, 0, {{"body", {{"shape", "block"}, {"size", {10, 10, 10}}}}});
    plate.add(RQ_solid_type, 0, {{"body", {{"shape", "sphere"}, {"size", {2, 0, 0}}}}});
    plate.write(path("plate.prt"));
    ASSERT_EQ(RQ_FLTR_update_structure(opened.part), 0);
    const std::vector<tag_t> after = bodies_of(opened.part);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(RQ_TAG_ask_handle_of_tag(after[0]), first_handle);
    EXPECT_EQ(RQ_TAG_ask_tag_of_handle(first_handle.c_str()), after[0]);
    EXPECT_EQ(RQ_OBJ_ask_status(before[0]), RQ_OBJ_DELETED);

    // A child that can no longer be read leaves its component empty.
    std::filesystem::remove(path("plate.prt"));
    EXPECT_EQ(RQ_FLTR_update_structure(opened.part), RQ_err_file_not_found);
    EXPECT_TRUE(bodies_of(opened.part).empty());
}

// A child with unsaved changes is not read again: the changes stay.
TEST_F(StructureRefreshTest, KeepsModifiedChildren) {
    const Opened opened = open_plate_assembly();
    ASSERT_EQ(opened.code, 0);
    const tag_t child = standin::loaded_part(path("plate.prt"));
    ASSERT_NE(child, NULL_TAG);
    tag_t body = NULL_TAG;
    ASSERT_EQ(RQ_OBJ_cycle_objs_in_part(child, RQ_solid_type, &body), 0);
    ASSERT_EQ(RQ_OBJ_set_name(body, "RENAMED"), 0);
    write_plate(path("plate.prt"), 20);
    ASSERT_EQ(RQ_FLTR_update_structure(opened.part), 0);
    EXPECT_EQ(standin::loaded_part(path("plate.prt")), child);
    char name[31] = "";
    ASSERT_EQ(RQ_OBJ_ask_name(body, name), 0);
    EXPECT_STREQ(name, "RENAMED");
    EXPECT_EQ(bodies_of(opened.part).size(), 1u);
}

// Every refresh retires the occurrences and places new ones: the retired ones
// leave the assembly's lists, so cycles give each live object once and the
// lists stay as long as they were, however often the structure is refreshed.
TEST_F(StructureRefreshTest, RetiredOccurrencesLeaveTheLists) {
    write_plate(path("plate.prt"), 10);
    PartBuilder sub("sub");
    sub.add(RQ_component_type, 0, component("plate.prt"));
    sub.write(path("sub.prt"));
    PartBuilder assembly("asm");
    assembly.add(RQ_component_type, 0, component("sub.prt"));
    assembly.add(RQ_solid_type, 0, {{"body", {{"shape", "sphere"}, {"size", {1, 0, 0}}}}});
    assembly.add(RQ_component_type, 0, component("plate.prt"));
    assembly.write(path("asm.prt"));
    const Opened opened = open(path("asm.prt"));
    ASSERT_EQ(opened.code, 0);
    const standin::Part* part = standin::find_part(opened.part);
    ASSERT_NE(part, nullptr);
    auto list_lengths = [part] {
        std::map<std::string, std::size_t> lengths{{"objects", part->objects.size()}};
        for (const auto& [type, list] : part->by_type)
            lengths["type " + std::to_string(type)] = list.size();
        for (const auto& [layer, list] : part->by_layer)
            lengths["layer " + std::to_string(layer)] = list.size();
        return lengths;
    };
    auto all_objects = [&] {
        std::vector<tag_t> tags;
        for (tag_t t = RQ_OBJ_cycle_all(opened.part, NULL_TAG); t != NULL_TAG;
             t = RQ_OBJ_cycle_all(opened.part, t))
            tags.push_back(t);
        return tags;
    };
    auto on_layer_one = [] {
        std::vector<tag_t> tags;
        tag_t t = NULL_TAG;
        while (RQ_LAYER_cycle_by_layer(1, &t) == 0 && t != NULL_TAG) tags.push_back(t);
        return tags;
    };
    const auto lengths = list_lengths();
    const std::size_t object_count = all_objects().size();
    const std::size_t layer_count = on_layer_one().size();
    // The own body, one occurrence of the plate's body under each component.
    ASSERT_EQ(bodies_of(opened.part).size(), 3u);

    for (int refresh = 1; refresh <= 3; ++refresh) {
        SCOPED_TRACE("refresh " + std::to_string(refresh));
        const tag_t retired = bodies_of(opened.part)[1];
        ASSERT_EQ(RQ_FLTR_update_structure(opened.part), 0);
        // A cycle cannot go on from an occurrence the refresh retired: it
        // fails rather than end as if the list were whole.
        tag_t from_retired = retired;
        EXPECT_EQ(RQ_OBJ_cycle_objs_in_part(opened.part, RQ_solid_type, &from_retired),
                  RQ_err_bad_tag);
        EXPECT_EQ(from_retired, NULL_TAG);
        from_retired = retired;
        EXPECT_EQ(RQ_LAYER_cycle_by_layer(1, &from_retired), RQ_err_bad_tag);
        EXPECT_EQ(list_lengths(), lengths);
        for (const std::vector<tag_t>& cycled :
             {all_objects(), on_layer_one(), bodies_of(opened.part)}) {
            EXPECT_EQ(std::set<tag_t>(cycled.begin(), cycled.end()).size(), cycled.size());
            for (tag_t t : cycled) EXPECT_EQ(RQ_OBJ_ask_status(t), RQ_OBJ_ALIVE);
        }
        EXPECT_EQ(all_objects().size(), object_count);
        EXPECT_EQ(on_layer_one().size(), layer_count);
        const std::vector<tag_t> bodies = bodies_of(opened.part);
        ASSERT_EQ(bodies.size(), 3u);
        EXPECT_EQ(handle(bodies[1]), "asm:1/sub:1/plate:1");
        // Each listed object knows its place again: a cycle goes on from it.
        tag_t next = bodies[1];
        ASSERT_EQ(RQ_OBJ_cycle_objs_in_part(opened.part, RQ_solid_type, &next), 0);
        EXPECT_EQ(next, bodies[2]);
    }
}

}  // namespace
