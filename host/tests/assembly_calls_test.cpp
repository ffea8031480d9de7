// The component and arrangement calls: component data with composed
// placements, parents and the root component, instances and suppression,
// member counts, arrangements, and components of every level in the cycle.
#include <gtest/gtest.h>
#include <rq/rq.h>
#include <standin/testing.hpp>

#include <cmath>
#include <string>
#include <vector>

#include "host_fixture.hpp"
#include "parts/store.hpp"
#include "session/memory.hpp"

namespace {

using nlohmann::json;
using standin::PartBuilder;

json shifted(double x, double y, double z) {
    return {{1, 0, 0, x}, {0, 1, 0, y}, {0, 0, 1, z}, {0, 0, 0, 1}};
}

json component(const std::string& child_file, json extra = json::object()) {
    json data = {{"child_file", child_file}};
    data.update(extra);
    return {{"displayable", false}, {"component", data}};
}

class AssemblyCallsTest : public HostTest {
  protected:
    // plate.prt: one block; sub.prt: two plates (the second shifted by 10 in
    // x, with an instance); top.prt: the sub-assembly raised by 100 and a
    // plate, with instances.
    void write_tree() {
        PartBuilder plate("plate");
        plate.add(RQ_solid_type, 0, {{"body", {{"shape", "block"}, {"size", {1, 1, 1}}}}});
        plate.write(path("plate.prt"));

        PartBuilder sub("sub");
        sub_instance_ = sub.add(RQ_instance_type, 0, {{"instance", {{"suppress_state", 1}}}});
        sub.add(RQ_component_type, 0, component("plate.prt", {{"instance_name", "LEFT"}}));
        sub.add(RQ_component_type, 0,
                component("plate.prt", {{"instance_name", "RIGHT"},
                                        {"origin", {10, 0, 0}},
                                        {"transform", shifted(10, 0, 0)},
                                        {"instance", sub_instance_}}));
        sub.write(path("sub.prt"));

        PartBuilder top("top");
        const auto exp = top.add(7, 0, {{"expression", {{"name", "on"}, {"value_text", "1"}}}});
        const auto inst =
            top.add(RQ_instance_type, 0,
                    {{"instance", {{"suppress_state", 2}, {"suppression_expression", exp}}}});
        top.add(RQ_component_type, 0,
                component("sub.prt", {{"instance_name", "SUB"},
                                      {"refset_name", "MODEL"},
                                      {"origin", {0, 0, 100}},
                                      {"transform", shifted(0, 0, 100)},
                                      {"instance", inst},
                                      {"drafting_component", true},
                                      {"member_count", 5}}));
        top.add(RQ_component_type, 0, component("plate.prt", {{"instance_name", "LOOSE"}}));
        top.write(path("top.prt"));
    }
    tag_t open(const std::string& leaf) {
        tag_t part = NULL_TAG;
        RQ_PART_load_status_t status{};
        EXPECT_EQ(RQ_PART_open(path(leaf).c_str(), &part, &status), 0);
        EXPECT_EQ(status.failed, 0);
        return part;
    }
    static tag_t tag(const std::string& handle) { return RQ_TAG_ask_tag_of_handle(handle.c_str()); }
    static tag_t tag_of_body() { return tag("plate:1"); }
    static std::string handle(tag_t object) {
        const char* text = RQ_TAG_ask_handle_of_tag(object);
        return text != nullptr ? text : "";
    }
    static std::vector<std::string> components_of(tag_t part) {
        std::vector<std::string> handles;
        tag_t t = NULL_TAG;
        while (RQ_OBJ_cycle_objs_in_part(part, RQ_component_type, &t) == 0 && t != NULL_TAG)
            handles.push_back(handle(t));
        return handles;
    }
    static tag_t parent_of(tag_t component) {
        tag_t parent = 12345;
        EXPECT_EQ(RQ_ASSEM_ask_parent_component(component, &parent), 0);
        return parent;
    }
    static int level_of(tag_t component) {
        int level = 0;
        for (tag_t p = parent_of(component); p != NULL_TAG && level < 100; p = parent_of(p))
            ++level;
        return level;
    }

    std::int64_t sub_instance_ = 0;
};

TEST_F(AssemblyCallsTest, ComponentsOfEveryLevelCycleInTheTopPart) {
    write_tree();
    const tag_t top = open("top.prt");
    EXPECT_EQ(components_of(top),
              (std::vector<std::string>{"top:3", "top:4", "top:3/sub:2", "top:3/sub:3"}));
    EXPECT_EQ(components_of(RQ_ASSEM_ask_prototype_of_occ(tag("top:3"))),
              (std::vector<std::string>{"sub:2", "sub:3"}));
    for (const char* h : {"top:3/sub:2", "top:3/sub:3"})
        EXPECT_EQ(RQ_ASSEM_is_occurrence(tag(h)), 1);

    // Occurrences are not saved and take no ids.
    ASSERT_EQ(standin::save_part_file(top, path("saved.prt")), 0);
    const std::string saved = read_file(path("saved.prt"));
    EXPECT_EQ(saved.find("top:3/"), std::string::npos);
    EXPECT_NE(saved.find("\"next_object_id\": 5"), std::string::npos);
    EXPECT_EQ(saved.find("root"), std::string::npos);

    // The handles find the same components in the next session.
    standin::reset_session();
    RQ_initialize();
    open("top.prt");
    EXPECT_NE(tag("top:3/sub:3"), NULL_TAG);
    EXPECT_EQ(components_of(RQ_ASSEM_ask_work_part()).size(), 4u);
}

TEST_F(AssemblyCallsTest, ParentsEndAtTheRootComponent) {
    write_tree();
    open("top.prt");
    const tag_t first = tag("top:3");
    const tag_t root = parent_of(first);
    ASSERT_NE(root, NULL_TAG);
    EXPECT_EQ(handle(root), "top:root");
    EXPECT_EQ(parent_of(root), NULL_TAG);
    EXPECT_EQ(RQ_ASSEM_ask_inst_of_part_occ(root), NULL_TAG);
    EXPECT_EQ(parent_of(tag("top:4")), root);
    EXPECT_EQ(parent_of(tag("top:3/sub:3")), first);
    EXPECT_EQ(level_of(first), 1);
    EXPECT_EQ(level_of(tag("top:3/sub:2")), 2);
    // In the sub-assembly itself its components are first-level.
    EXPECT_EQ(handle(parent_of(tag("sub:3"))), "sub:root");

    tag_t parent = 7;
    EXPECT_EQ(RQ_ASSEM_ask_parent_component(tag_of_body(), &parent), RQ_err_bad_tag);
    EXPECT_EQ(parent, NULL_TAG);
    EXPECT_EQ(RQ_ASSEM_ask_parent_component(first, nullptr), RQ_err_bad_argument);
}

// Parent links stored in the file are followed; links that run in a circle
// are cut, so every chain ends.
TEST_F(AssemblyCallsTest, StoredParentsAreFollowedAndCirclesCut) {
    PartBuilder flat("flat");
    const auto a = flat.add(RQ_component_type, 0, component(""));
    const auto b = flat.add(RQ_component_type, 0, component("", {{"parent", a}}));
    const auto c = flat.add(RQ_component_type, 0, component(""));
    const auto d = flat.add(RQ_component_type, 0, component("", {{"parent", c}}));
    flat.object(c)["component"]["parent"] = d;
    flat.write(path("flat.prt"));
    open("flat.prt");
    EXPECT_EQ(parent_of(tag("flat:2")), tag("flat:1"));
    EXPECT_EQ(level_of(tag("flat:2")), 2);
    // The circle c -> d -> c is cut where it closes: d becomes first-level.
    EXPECT_EQ(level_of(tag("flat:4")), 1);
    EXPECT_EQ(level_of(tag("flat:3")), 2);
    EXPECT_EQ(level_of(tag(flat.handle(b))), 2);
}

TEST_F(AssemblyCallsTest, ComponentDataComposesPlacementsOverLevels) {
    write_tree();
    open("top.prt");
    char part_name[3469], refset[385], instance[3445];
    double origin[3], orientation[9], transform[4][4];
    ASSERT_EQ(RQ_ASSEM_ask_component_data(tag("top:3"), part_name, refset, instance, origin,
                                          orientation, transform),
              0);
    EXPECT_EQ(std::string(part_name), path("sub.prt"));
    EXPECT_EQ(std::string(refset), "MODEL");
    EXPECT_EQ(std::string(instance), "SUB");

    ASSERT_EQ(RQ_ASSEM_ask_component_data(tag("top:3/sub:3"), part_name, refset, instance, origin,
                                          orientation, transform),
              0);
    EXPECT_EQ(std::string(part_name), path("plate.prt"));
    EXPECT_EQ(std::string(instance), "RIGHT");
    EXPECT_EQ(transform[0][3], 10.0);
    EXPECT_EQ(transform[2][3], 100.0);
    EXPECT_EQ(origin[0], 10.0);
    EXPECT_EQ(origin[2], 100.0);
    EXPECT_EQ(orientation[0], 1.0);
    EXPECT_EQ(orientation[4], 1.0);

    EXPECT_EQ(RQ_ASSEM_ask_component_data(tag_of_body(), part_name, refset, instance, origin,
                                          orientation, transform),
              RQ_err_bad_tag);
    standin::set_fault("RQ_ASSEM_ask_component_data", 77, "top:3");
    EXPECT_EQ(RQ_ASSEM_ask_component_data(tag("top:3"), part_name, refset, instance, origin,
                                          orientation, transform),
              77);
}

// A turned parent turns its children, and the composed orientation stays
// the transpose of the composed rotation.
TEST_F(AssemblyCallsTest, TurnedParentsKeepOrientationAndTransformInStep) {
    write_tree();
    PartBuilder top("turned");
    top.add(RQ_component_type, 0,
            component("sub.prt",
                      {{"origin", {5, 0, 0}},
                       {"orientation", {0, 1, 0, -1, 0, 0, 0, 0, 1}},
                       {"transform", {{0, -1, 0, 5}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}}));
    top.write(path("turned.prt"));
    open("turned.prt");
    char name[3469], refset[385], instance[3445];
    double o[3], m[9], t[4][4];
    ASSERT_EQ(RQ_ASSEM_ask_component_data(tag("turned:1/sub:3"), name, refset, instance, o, m, t),
              0);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(m[3 * i + j], t[j][i], 1e-12);
        EXPECT_NEAR(o[i], t[i][3], 1e-12);
    }
    EXPECT_NEAR(t[0][3], 5.0, 1e-12);
    EXPECT_NEAR(t[1][3], 10.0, 1e-12);
}

TEST_F(AssemblyCallsTest, InstancesSuppressionAndMembers) {
    write_tree();
    open("top.prt");
    const tag_t sub_component = tag("top:3");
    const tag_t instance = RQ_ASSEM_ask_inst_of_part_occ(sub_component);
    EXPECT_EQ(handle(instance), "top:2");
    int state = -1;
    EXPECT_EQ(RQ_ASSEM_ask_suppress_state(instance, &state), 0);
    EXPECT_EQ(state, 2);
    tag_t exp = NULL_TAG;
    EXPECT_EQ(RQ_ASSEM_ask_suppression_exp(instance, &exp), 0);
    EXPECT_EQ(handle(exp), "top:1");
    EXPECT_EQ(RQ_OBJ_delete_object(exp), 0);
    EXPECT_EQ(RQ_ASSEM_ask_suppression_exp(instance, &exp), 0);
    EXPECT_EQ(exp, NULL_TAG);

    // The 0 tag is a component without an instance.
    EXPECT_EQ(RQ_ASSEM_ask_inst_of_part_occ(tag("top:4")), NULL_TAG);
    state = -1;
    EXPECT_EQ(RQ_ASSEM_ask_suppress_state(NULL_TAG, &state), 0);
    EXPECT_EQ(state, 0);
    exp = 9;
    EXPECT_EQ(RQ_ASSEM_ask_suppression_exp(NULL_TAG, &exp), 0);
    EXPECT_EQ(exp, NULL_TAG);
    EXPECT_EQ(RQ_ASSEM_ask_suppress_state(sub_component, &state), RQ_err_bad_tag);

    // An occurrence shares the instance of the component it stands for.
    const tag_t right = tag("top:3/sub:3");
    EXPECT_EQ(handle(RQ_ASSEM_ask_inst_of_part_occ(right)), "sub:1");
    EXPECT_EQ(RQ_ASSEM_ask_suppress_state(RQ_ASSEM_ask_inst_of_part_occ(right), &state), 0);
    EXPECT_EQ(state, 1);

    // Members: the stored count plus 2 bodies and 2 components placed.
    int count = -1;
    EXPECT_EQ(RQ_ASSEM_count_objs_in_comp(sub_component, &count), 0);
    EXPECT_EQ(count, 9);
    EXPECT_EQ(RQ_ASSEM_count_objs_in_comp(right, &count), 0);
    EXPECT_EQ(count, 1);
    standin::set_fault("RQ_ASSEM_count_objs_in_comp", 55);
    EXPECT_EQ(RQ_ASSEM_count_objs_in_comp(right, &count), 55);
    EXPECT_EQ(count, 0);

    logical flag = 0;
    EXPECT_EQ(RQ_DRAW_is_drafting_component(sub_component, &flag), 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(RQ_DRAW_is_drafting_component(right, &flag), 0);
    EXPECT_EQ(flag, 0);

    // The prototype of a component is its child part, of a body its body.
    const tag_t sub = RQ_ASSEM_ask_prototype_of_occ(sub_component);
    EXPECT_EQ(standin::find_part(sub)->part_id, "sub");
    EXPECT_EQ(standin::find_part(RQ_ASSEM_ask_prototype_of_occ(right))->part_id, "plate");
    EXPECT_EQ(handle(RQ_ASSEM_ask_prototype_of_occ(tag("top:3/sub:3/plate:1"))), "sub:3/plate:1");
    EXPECT_EQ(RQ_ASSEM_ask_prototype_of_occ(tag("plate:1")), NULL_TAG);
}

TEST_F(AssemblyCallsTest, ArrangementsInHostOrderWithTheActiveOne) {
    PartBuilder part("arr");
    const auto first =
        part.add(RQ_arrangement_type, 0, {{"name", "FIRST"}, {"displayable", false}});
    const auto active =
        part.add(RQ_arrangement_type, 0, {{"name", "A & <B>"}, {"displayable", false}});
    part.add(RQ_arrangement_type, 0, {{"displayable", false}});
    part.doc()["active_arrangement"] = active;
    part.write(path("arr.prt"));
    const tag_t p = open("arr.prt");

    tag_t arrangement = NULL_TAG;
    EXPECT_EQ(RQ_ASSEM_ask_active_arrangement(p, &arrangement), 0);
    EXPECT_EQ(handle(arrangement), "arr:2");
    const std::size_t blocks = standin::host_blocks_in_use();
    int count = 0;
    tag_t* list = nullptr;
    ASSERT_EQ(RQ_ASSEM_ask_arrangements_in_part(p, &count, &list), 0);
    ASSERT_EQ(count, 3);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char* name = nullptr;
        EXPECT_EQ(RQ_ASSEM_ask_name_of_arrangement(list[i], &name), 0);
        names.emplace_back(name);
        RQ_free(name);
    }
    RQ_free(list);
    EXPECT_EQ(names, (std::vector<std::string>{"FIRST", "A & <B>", ""}));
    EXPECT_EQ(standin::host_blocks_in_use(), blocks);

    // A deleted arrangement is neither listed nor active.
    ASSERT_EQ(RQ_OBJ_delete_object(tag(part.handle(active))), 0);
    EXPECT_EQ(RQ_ASSEM_ask_active_arrangement(p, &arrangement), 0);
    EXPECT_EQ(arrangement, NULL_TAG);
    ASSERT_EQ(RQ_ASSEM_ask_arrangements_in_part(p, &count, &list), 0);
    EXPECT_EQ(count, 2);
    RQ_free(list);
    char* name = reinterpret_cast<char*>(1);
    EXPECT_EQ(RQ_ASSEM_ask_name_of_arrangement(tag(part.handle(first)) + 1000, &name),
              RQ_err_bad_tag);
    EXPECT_EQ(name, nullptr);

    // A part without arrangements gives no array.
    PartBuilder bare("bare");
    bare.write(path("bare.prt"));
    const tag_t b = open("bare.prt");
    list = reinterpret_cast<tag_t*>(1);
    ASSERT_EQ(RQ_ASSEM_ask_arrangements_in_part(b, &count, &list), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(list, nullptr);
    standin::set_fault("RQ_ASSEM_ask_arrangements_in_part", 31, "bare");
    EXPECT_EQ(RQ_ASSEM_ask_arrangements_in_part(b, &count, &list), 31);
}

}  // namespace
