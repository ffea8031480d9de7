// Object store and object calls: cycling order, erased objects, layer and
// type changes, handles, names, flags.
#include <rq/rq.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "host_fixture.hpp"
#include "parts/store.hpp"

namespace {

using nlohmann::json;
using standin::PartBuilder;

class StoreTest : public HostTest {
  protected:
    // Bodies 1..3 on layers 1, 2, 1; feature 4; body 5 on layer 257; point 6 on layer 0.
    tag_t open_sample() {
        PartBuilder b("cyc");
        b.add(RQ_solid_type, 0, {{"name", "B1"}});
        b.add(RQ_solid_type, 0, {{"layer", 2}});
        b.add(RQ_solid_type, 0, {{"name", "B3"}, {"color", 5}, {"font", 2}, {"line_width", 3}});
        b.add(RQ_feature_type, 0,
              {{"displayable", false}, {"feature", {{"feature_type", "BLOCK"}}}});
        b.add(RQ_solid_type, 0, {{"layer", 257}});
        b.add(RQ_point_type, 0, {{"layer", 0}, {"transferable", false}});
        tag_t part = b.open(path("cyc.prt"));
        EXPECT_NE(part, NULL_TAG) << standin::last_load_error();
        return part;
    }
    static tag_t tag_of(const char* handle) { return RQ_TAG_ask_tag_of_handle(handle); }
    static std::vector<tag_t> cycle_type(tag_t part, int type) {
        std::vector<tag_t> out;
        tag_t t = NULL_TAG;
        while (RQ_OBJ_cycle_objs_in_part(part, type, &t) == 0 && t != NULL_TAG) out.push_back(t);
        return out;
    }
    static std::vector<tag_t> cycle_layer(int layer) {
        std::vector<tag_t> out;
        tag_t t = NULL_TAG;
        while (RQ_LAYER_cycle_by_layer(layer, &t) == 0 && t != NULL_TAG) out.push_back(t);
        return out;
    }
};

TEST_F(StoreTest, CyclesFollowHostOrderByTypeAllAndLayer) {
    tag_t part = open_sample();
    tag_t b1 = tag_of("cyc:1"), b2 = tag_of("cyc:2"), b3 = tag_of("cyc:3"), f4 = tag_of("cyc:4"),
          b5 = tag_of("cyc:5"), p6 = tag_of("cyc:6");
    EXPECT_EQ(cycle_type(part, RQ_solid_type), (std::vector<tag_t>{b1, b2, b3, b5}));
    EXPECT_EQ(cycle_type(part, RQ_feature_type), (std::vector<tag_t>{f4}));
    EXPECT_TRUE(cycle_type(part, RQ_drawing_type).empty());

    std::vector<tag_t> all;
    for (tag_t t = RQ_OBJ_cycle_all(part, NULL_TAG); t != NULL_TAG; t = RQ_OBJ_cycle_all(part, t)) {
        all.push_back(t);
    }
    EXPECT_EQ(all, (std::vector<tag_t>{b1, b2, b3, f4, b5, p6}));

    EXPECT_EQ(cycle_layer(1), (std::vector<tag_t>{b1, b3}));  // the feature sits on no layer
    EXPECT_EQ(cycle_layer(257), (std::vector<tag_t>{b5}));
    EXPECT_EQ(cycle_layer(0), (std::vector<tag_t>{p6}));
    EXPECT_TRUE(cycle_layer(100).empty());
    EXPECT_TRUE(cycle_layer(-3).empty());
}

TEST_F(StoreTest, ErasedObjectsAreSkippedEvenWhenCycledFrom) {
    tag_t part = open_sample();
    tag_t b1 = tag_of("cyc:1"), b2 = tag_of("cyc:2"), b3 = tag_of("cyc:3"), b5 = tag_of("cyc:5");
    // Deleting the current object in the middle of a cycle goes on after it.
    tag_t t = NULL_TAG;
    ASSERT_EQ(RQ_OBJ_cycle_objs_in_part(part, RQ_solid_type, &t), 0);
    ASSERT_EQ(t, b1);
    ASSERT_EQ(RQ_OBJ_delete_object(b1), 0);
    ASSERT_EQ(RQ_OBJ_delete_object(b3), 0);
    ASSERT_EQ(RQ_OBJ_cycle_objs_in_part(part, RQ_solid_type, &t), 0);
    EXPECT_EQ(t, b2);
    ASSERT_EQ(RQ_OBJ_cycle_objs_in_part(part, RQ_solid_type, &t), 0);
    EXPECT_EQ(t, b5);
    EXPECT_EQ(cycle_type(part, RQ_solid_type), (std::vector<tag_t>{b2, b5}));
    EXPECT_TRUE(cycle_layer(1).empty());
    EXPECT_EQ(RQ_OBJ_cycle_all(part, NULL_TAG), b2);
    // Tombstones keep their tag: status 0, handle and type still answer.
    EXPECT_EQ(RQ_OBJ_ask_status(b1), RQ_OBJ_DELETED);
    int type = 0, subtype = -1;
    EXPECT_EQ(RQ_OBJ_ask_type_and_subtype(b1, &type, &subtype), 0);
    EXPECT_EQ(type, RQ_solid_type);
    EXPECT_NE(RQ_OBJ_delete_object(b1), 0);
    EXPECT_TRUE(standin::find_part(part)->modified);
}

TEST_F(StoreTest, LayerAndTypeChangesReindexWithoutDuplicates) {
    tag_t part = open_sample();
    tag_t b1 = tag_of("cyc:1"), b2 = tag_of("cyc:2"), b3 = tag_of("cyc:3");
    standin::Part& p = *standin::find_part(part);
    standin::Object& o1 = *standin::find_object(b1);
    o1.layer = 2;
    standin::index_object(p, o1);
    EXPECT_EQ(cycle_layer(1), (std::vector<tag_t>{b3}));
    EXPECT_EQ(cycle_layer(2), (std::vector<tag_t>{b2, b1}));
    o1.layer = 1;  // back again: appended, the old entry stays stale
    standin::index_object(p, o1);
    EXPECT_EQ(cycle_layer(1), (std::vector<tag_t>{b3, b1}));
    EXPECT_EQ(cycle_layer(2), (std::vector<tag_t>{b2}));
    // Moving the current object while cycling its old layer still ends the walk.
    tag_t t = NULL_TAG;
    ASSERT_EQ(RQ_LAYER_cycle_by_layer(1, &t), 0);
    ASSERT_EQ(t, b3);
    standin::Object& o3 = *standin::find_object(b3);
    o3.layer = 7;
    standin::index_object(p, o3);
    ASSERT_EQ(RQ_LAYER_cycle_by_layer(1, &t), 0);
    EXPECT_EQ(t, b1);

    o1.type = RQ_point_type;
    standin::index_object(p, o1);
    EXPECT_EQ(cycle_type(part, RQ_solid_type).size(), 3u);
    EXPECT_EQ(cycle_type(part, RQ_point_type).size(), 2u);
}

TEST_F(StoreTest, CycleStepsStayConstantOverManyErasedObjects) {
    standin::Part& p = standin::add_part("big", "", "big");
    std::vector<tag_t> tags;
    for (int i = 0; i < 20000; ++i) tags.push_back(standin::add_object(p, RQ_solid_type, 0).tag);
    for (std::size_t i = 0; i + 1 < tags.size(); ++i) {
        if (i % 2 == 0) standin::find_object(tags[i])->erased = true;
    }
    // Every step continues from the object's stored position: a whole cycle
    // visits each list entry about once.
    std::size_t count = 0;
    tag_t t = NULL_TAG;
    while (RQ_OBJ_cycle_objs_in_part(p.tag, RQ_solid_type, &t) == 0 && t != NULL_TAG) ++count;
    EXPECT_EQ(count, 10000u);
    EXPECT_EQ(standin::find_object(tags[1])->pos_type, 1u);
}

TEST_F(StoreTest, NamesHandlesVersionsAndFlags) {
    tag_t part = open_sample();
    tag_t b1 = tag_of("cyc:1"), b2 = tag_of("cyc:2"), p6 = tag_of("cyc:6");
    EXPECT_STREQ(RQ_TAG_ask_handle_of_tag(b1), "cyc:1");
    EXPECT_EQ(RQ_TAG_ask_handle_of_tag(NULL_TAG), nullptr);
    EXPECT_EQ(RQ_TAG_ask_tag_of_handle("cyc:99"), NULL_TAG);
    EXPECT_EQ(RQ_TAG_ask_tag_of_handle("%s%n\xff"), NULL_TAG);
    EXPECT_EQ(RQ_TAG_ask_tag_of_handle(""), NULL_TAG);

    char name[31];
    std::strcpy(name, "keep");
    EXPECT_EQ(RQ_OBJ_ask_name(b2, name), RQ_err_no_name);
    EXPECT_STREQ(name, "keep");
    ASSERT_EQ(RQ_OBJ_ask_name(b1, name), 0);
    EXPECT_STREQ(name, "B1");

    int created = 0, modified = 0;
    ASSERT_EQ(RQ_OBJ_ask_cre_mod_versions(b2, &created, &modified), 0);
    EXPECT_EQ(modified, 1);
    EXPECT_FALSE(standin::find_part(part)->modified);
    ASSERT_EQ(RQ_OBJ_set_name(b2, "123456789012345678901234567890"), 0);  // 30: fits
    ASSERT_EQ(RQ_OBJ_ask_name(b2, name), 0);
    EXPECT_EQ(std::strlen(name), 30u);
    EXPECT_NE(RQ_OBJ_set_name(b2, "1234567890123456789012345678901"), 0);  // 31: refused
    ASSERT_EQ(RQ_OBJ_ask_cre_mod_versions(b2, &created, &modified), 0);
    EXPECT_EQ(modified, 1);  // version 0 part: the next save is version 1
    EXPECT_TRUE(standin::find_part(part)->modified);

    standin::find_object(b1)->refuse_rename = true;
    EXPECT_NE(RQ_OBJ_set_name(b1, "other"), 0);
    ASSERT_EQ(RQ_OBJ_ask_name(b1, name), 0);
    EXPECT_STREQ(name, "B1");

    logical flag = 9;
    ASSERT_EQ(RQ_OBJ_is_transferable(p6, &flag), 0);
    EXPECT_EQ(flag, 0);
    ASSERT_EQ(RQ_OBJ_is_displayable(p6, &flag), 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(RQ_ASSEM_is_occurrence(b1), 0);
    tag_t owner = NULL_TAG;
    ASSERT_EQ(RQ_OBJ_ask_owning_part(p6, &owner), 0);
    EXPECT_EQ(owner, part);

    RQ_OBJ_disp_props_t props{};
    ASSERT_EQ(RQ_OBJ_ask_display_properties(tag_of("cyc:3"), &props), 0);
    EXPECT_EQ(props.layer, 1);
    EXPECT_EQ(props.color, 5);
    EXPECT_EQ(props.font, 2);
    EXPECT_EQ(props.line_width, 3);
    ASSERT_EQ(RQ_OBJ_set_color(b1, 7), 0);
    EXPECT_NE(RQ_OBJ_set_color(b1, 0), 0);
    ASSERT_EQ(RQ_DISP_set_highlight(b1, 1), 0);
    EXPECT_TRUE(standin::find_object(b1)->highlighted);
    ASSERT_EQ(RQ_LAYER_set_status(12, 1), 0);
    EXPECT_EQ(standin::session().work_layer, 12);

    EXPECT_EQ(RQ_OBJ_ask_status(NULL_TAG), 0);
    EXPECT_EQ(RQ_OBJ_ask_status(999999), 0);
    EXPECT_EQ(RQ_OBJ_ask_status(b1), RQ_OBJ_ALIVE);
}

TEST_F(StoreTest, WorkPartDisplayPartAndCloseAll) {
    PartBuilder a("pa");
    a.doc()["description"] = "first";
    PartBuilder b("pb");
    tag_t pa = a.open(path("pa.prt"));
    tag_t pb = b.open(path("pb.prt"));
    ASSERT_NE(pa, NULL_TAG);
    ASSERT_NE(pb, NULL_TAG);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), pb);
    EXPECT_EQ(RQ_PART_ask_display_part(), pb);
    tag_t again = NULL_TAG;
    RQ_PART_load_status_t status{};
    ASSERT_EQ(RQ_PART_open(path("pa.prt").c_str(), &again, &status), 0);
    EXPECT_EQ(again, pa);  // loaded once, work part again
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), pa);
    EXPECT_EQ(status.failed, 0);
    ASSERT_EQ(RQ_ASSEM_set_work_part(pb), 0);
    EXPECT_EQ(RQ_PART_ask_display_part(), pa);  // display part stays
    EXPECT_NE(RQ_ASSEM_set_work_part(12345), 0);

    char name[256];
    ASSERT_EQ(RQ_PART_ask_part_name(pa, name), 0);
    EXPECT_EQ(std::string(name), path("pa.prt"));
    char* description = nullptr;
    ASSERT_EQ(RQ_PART_ask_description(pa, &description), 0);
    EXPECT_STREQ(description, "first");
    RQ_free(description);
    ASSERT_EQ(RQ_PART_ask_description(pb, &description), 0);
    EXPECT_EQ(description, nullptr);

    ASSERT_EQ(RQ_PART_close_all(), 0);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), NULL_TAG);
    EXPECT_EQ(RQ_PART_ask_display_part(), NULL_TAG);
    EXPECT_NE(RQ_PART_ask_part_name(pa, name), 0);
}

}  // namespace

namespace {

// A record above the pool's largest size: the plain heap serves it.
struct LargeRecord {
    STANDIN_POOLED_RECORD
    char bytes[4096];
};

// Records of every size come out whole, apart and aligned, keep what is
// written into them, and a released one serves the next of its size.
TEST(RecordPoolTest, RecordsAreApartAlignedAndReused) {
    std::vector<std::unique_ptr<standin::Body>> bodies;
    std::vector<std::unique_ptr<standin::Object>> objects;
    for (int i = 0; i < 20000; ++i) {  // more than one chunk
        bodies.push_back(std::make_unique<standin::Body>());
        bodies.back()->density = i;
        objects.push_back(std::make_unique<standin::Object>());
        objects.back()->tag = static_cast<tag_t>(i);
    }
    std::vector<std::pair<std::uintptr_t, std::size_t>> spans;
    for (const auto& b : bodies)
        spans.emplace_back(reinterpret_cast<std::uintptr_t>(b.get()), sizeof(standin::Body));
    for (const auto& o : objects)
        spans.emplace_back(reinterpret_cast<std::uintptr_t>(o.get()), sizeof(standin::Object));
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_EQ(spans[i].first % 16, 0u);
        if (i > 0) {
            ASSERT_GE(spans[i].first, spans[i - 1].first + spans[i - 1].second);
        }
    }
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(bodies[i]->density, i);
        ASSERT_EQ(objects[i]->tag, static_cast<tag_t>(i));
    }

    auto large = std::make_unique<LargeRecord>();
    std::memset(large->bytes, 1, sizeof large->bytes);
    large.reset();

#if !defined(__SANITIZE_ADDRESS__)
    const standin::Body* released = bodies[7].get();
    bodies[7].reset();
    EXPECT_EQ(std::make_unique<standin::Body>().get(), released);
#endif
}

}  // namespace
