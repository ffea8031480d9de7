// Mass properties of the stand-in against closed-form values, and the body,
// density, material, feature and reference-set calls around them.
#include <gtest/gtest.h>
#include <rq/rq.h>
#include <standin/model_testing.hpp>
#include <standin/testing.hpp>

#include <cmath>
#include <numbers>
#include <vector>

#include "model/model.hpp"
#include "parts/store.hpp"
#include "session/memory.hpp"

namespace {

using namespace standin;

constexpr double kTol = 1e-9;  // relative to values of order 1..100
constexpr double kPi = std::numbers::pi;

struct Mass {
    int code = -1;
    double accuracy[11]{};
    double r[47]{};
    double stats[13]{};
    double volume() const { return r[1]; }
    double mass() const { return r[2]; }
};

class MassPropsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_session();
        RQ_initialize();
        part_ = &add_part("model.prt", "/nonexistent/model.prt", "model");
        session().work_part = part_->tag;
    }
    void TearDown() override { reset_session(); }

    Object& body(Shape shape, std::array<double, 3> size, std::array<double, 3> origin = {0, 0, 0},
                 double density = 1.0, Part* part = nullptr) {
        Object& o = add_object(part ? *part : *part_, RQ_solid_type, RQ_solid_body_subtype);
        o.body = std::make_unique<Body>();
        o.body->shape = shape;
        o.body->size = size;
        o.body->origin = origin;
        o.body->density = density;
        return o;
    }

    Mass props(const std::vector<tag_t>& bodies, double accuracy = 0.99) {
        Mass m;
        m.accuracy[0] = accuracy;
        m.code = RQ_MODL_ask_mass_props_3d(bodies.data(), static_cast<int>(bodies.size()), 1, 3,
                                           0.0, 1, m.accuracy, m.r, m.stats);
        return m;
    }

    void expect_vec(const Mass& m, int first, double x, double y, double z) {
        EXPECT_NEAR(m.r[first], x, kTol);
        EXPECT_NEAR(m.r[first + 1], y, kTol);
        EXPECT_NEAR(m.r[first + 2], z, kTol);
    }

    Part* part_ = nullptr;
};

TEST_F(MassPropsTest, BlockCylinderAndSphereMatchClosedForms) {
    // Block 2 x 3 x 4 with its corner at (1, 1, 1), density 2: mass 48.
    Object& block = body(Shape::block, {2, 3, 4}, {1, 1, 1}, 2.0);
    Mass m = props({block.tag});
    ASSERT_EQ(m.code, 0);
    EXPECT_NEAR(m.volume(), 24.0, kTol);
    EXPECT_NEAR(m.mass(), 48.0, kTol);
    expect_vec(m, 3, 2.0, 2.5, 3.0);
    expect_vec(m, 9, 48.0 * (9 + 16) / 12, 48.0 * (4 + 16) / 12, 48.0 * (4 + 9) / 12);
    EXPECT_EQ(m.accuracy[0], 0.99);  // left as passed

    // Cylinder r 1, h 2 on the origin along Z: volume 2 pi.
    Object& cylinder = body(Shape::cylinder, {1, 2, 0});
    m = props({cylinder.tag});
    ASSERT_EQ(m.code, 0);
    EXPECT_NEAR(m.volume(), 2 * kPi, kTol);
    expect_vec(m, 3, 0, 0, 1);
    expect_vec(m, 9, 2 * kPi * 7 / 12, 2 * kPi * 7 / 12, kPi);

    // Sphere r 2 at (5, -1, 3), density 3: mass 32 pi, I = 2/5 m r^2.
    Object& sphere = body(Shape::sphere, {2, 0, 0}, {5, -1, 3}, 3.0);
    m = props({sphere.tag});
    ASSERT_EQ(m.code, 0);
    EXPECT_NEAR(m.volume(), 32 * kPi / 3, kTol);
    expect_vec(m, 3, 5, -1, 3);
    expect_vec(m, 9, 51.2 * kPi, 51.2 * kPi, 51.2 * kPi);
}

TEST_F(MassPropsTest, AxesTurnTheBody) {
    // Axis rows: local x -> Y, local y -> Z, local z -> X. The cylinder lies along X.
    Object& cylinder = body(Shape::cylinder, {1, 2, 0});
    cylinder.body->axes = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    Mass m = props({cylinder.tag});
    ASSERT_EQ(m.code, 0);
    expect_vec(m, 3, 1, 0, 0);
    expect_vec(m, 9, kPi, 2 * kPi * 7 / 12, 2 * kPi * 7 / 12);

    // A block turned 45 degrees about Z: the square section keeps its moments.
    Object& block = body(Shape::block, {2, 2, 6});
    const double c = std::sqrt(0.5);
    block.body->axes = {c, c, 0, -c, c, 0, 0, 0, 1};
    m = props({block.tag});
    ASSERT_EQ(m.code, 0);
    expect_vec(m, 3, 0, 2 * c, 3);
    expect_vec(m, 9, 24.0 * 40 / 12, 24.0 * 40 / 12, 24.0 * 8 / 12);
}

TEST_F(MassPropsTest, DensitiesWeightCentreAndMomentsAndChangeThem) {
    Object& light = body(Shape::block, {1, 1, 1}, {0, 0, 0}, 1.0);
    Object& heavy = body(Shape::block, {1, 1, 1}, {2, 0, 0}, 3.0);
    Mass m = props({light.tag, heavy.tag});
    ASSERT_EQ(m.code, 0);
    EXPECT_NEAR(m.volume(), 2.0, kTol);
    EXPECT_NEAR(m.mass(), 4.0, kTol);
    // Centres 0.5 and 2.5 weighted 1 : 3.
    expect_vec(m, 3, 2.0, 0.5, 0.5);
    // Own moments 1/6 each per unit mass; offsets -1.5 and 0.5 along X.
    expect_vec(m, 9, 4.0 / 6, 4.0 / 6 + 2.25 + 0.75, 4.0 / 6 + 2.25 + 0.75);

    ASSERT_EQ(RQ_MODL_set_body_density(heavy.tag, 3, 1.0), 0);
    m = props({light.tag, heavy.tag});
    ASSERT_EQ(m.code, 0);
    EXPECT_NEAR(m.volume(), 2.0, kTol);
    expect_vec(m, 3, 1.5, 0.5, 0.5);
    expect_vec(m, 9, 2.0 / 6, 2.0 / 6 + 2.0, 2.0 / 6 + 2.0);

    // A uniform density passed to the call overrides the bodies' own.
    ASSERT_EQ(RQ_MODL_set_body_density(heavy.tag, 3, 7.0), 0);
    tag_t both[2] = {light.tag, heavy.tag};
    Mass u;
    u.code = RQ_MODL_ask_mass_props_3d(both, 2, 1, 3, 2.0, 1, u.accuracy, u.r, u.stats);
    ASSERT_EQ(u.code, 0);
    EXPECT_NEAR(u.mass(), 4.0, kTol);
    expect_vec(u, 3, 1.5, 0.5, 0.5);
}

TEST_F(MassPropsTest, OccurrencesArePlacedByTheirComponentTransform) {
    Part& child = add_part("child.prt", "/nonexistent/child.prt", "child");
    Object& proto = body(Shape::block, {2, 1, 1}, {0, 0, 0}, 1.0, &child);
    Object& component = add_object(*part_, RQ_component_type, 0);
    component.component = std::make_unique<Component>();
    component.component->prototype = child.tag;
    // Turned 90 degrees about Z, moved by (10, 0, 0).
    component.component->transform = {{{0, -1, 0, 10}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    tag_t occurrence = make_occurrence_body(part_->tag, component.tag, proto.tag);
    ASSERT_NE(occurrence, NULL_TAG);
    EXPECT_EQ(RQ_ASSEM_is_occurrence(occurrence), 1);
    EXPECT_EQ(RQ_ASSEM_is_occurrence(proto.tag), 0);

    Mass m = props({occurrence});
    ASSERT_EQ(m.code, 0);
    EXPECT_NEAR(m.volume(), 2.0, kTol);
    expect_vec(m, 3, 9.5, 1.0, 0.5);
    expect_vec(m, 9, 2.0 * 5 / 12, 2.0 * 2 / 12, 2.0 * 5 / 12);

    // The occurrence reads and changes its prototype's density.
    ASSERT_EQ(RQ_MODL_set_body_density(occurrence, 3, 2.5), 0);
    EXPECT_EQ(proto.body->density, 2.5);
    EXPECT_TRUE(child.modified);
    EXPECT_FALSE(part_->modified);
    int body_type = 0;
    ASSERT_EQ(RQ_MODL_ask_body_type(occurrence, &body_type), 0);
    EXPECT_EQ(body_type, RQ_MODL_SOLID_BODY);

    // The occurrence and its prototype together: two blocks, one moved.
    m = props({occurrence, proto.tag});
    ASSERT_EQ(m.code, 0);
    EXPECT_NEAR(m.mass(), 10.0, kTol);
    expect_vec(m, 3, (9.5 + 1.0) / 2, 0.75, 0.5);

    // An occurrence carries no features of its own.
    RQ_MODL_feature_list_t list = nullptr;
    ASSERT_EQ(RQ_MODL_ask_body_feats(occurrence, &list), 0);
    int count = -1;
    RQ_MODL_ask_list_count(list, &count);
    EXPECT_EQ(count, 0);
    RQ_MODL_delete_list(&list);
}

TEST_F(MassPropsTest, SheetBodiesAndBodiesWithoutShapeAddNothing) {
    Object& block = body(Shape::block, {1, 2, 3});
    Object& sheet = body(Shape::block, {5, 5, 5});
    sheet.body->body_type = RQ_MODL_SHEET_BODY;
    Object& empty = body(Shape::none, {0, 0, 0});
    Mass m = props({block.tag, sheet.tag, empty.tag});
    ASSERT_EQ(m.code, 0);
    EXPECT_NEAR(m.volume(), 6.0, kTol);
    expect_vec(m, 3, 0.5, 1.0, 1.5);

    m = props({sheet.tag});
    ASSERT_EQ(m.code, 0);
    for (double v : m.r) EXPECT_EQ(v, 0.0);
}

TEST_F(MassPropsTest, FailuresLeaveTheResultsAlone) {
    Object& good = body(Shape::block, {1, 1, 1});
    Object& bad = body(Shape::sphere, {1, 0, 0});
    bad.body->mass_props_fault = RQ_err_mass_props;
    Mass m = props({good.tag, bad.tag});
    EXPECT_EQ(m.code, 900);
    for (double v : m.r) EXPECT_EQ(v, 0.0);

    bad.body->mass_props_fault = 0;
    set_fault("RQ_MODL_ask_mass_props_3d", 900, bad.handle, 1);
    EXPECT_EQ(props({good.tag}).code, 0);  // the fault names the other body
    EXPECT_EQ(props({good.tag, bad.tag}).code, 900);
    EXPECT_EQ(props({good.tag, bad.tag}).code, 0);  // used up

    set_fault("RQ_MODL_ask_mass_props_3d", 901);
    EXPECT_EQ(props({good.tag}).code, 901);
    clear_faults();

    // Geometry that is no rigid placement cannot be computed.
    bad.body->axes = {1, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(props({bad.tag}).code, 900);
    bad.body->axes = {1, 0, 0, 0, 1, 0, 0, 0, -1};  // mirrored
    EXPECT_EQ(props({bad.tag}).code, 900);
    bad.body->axes = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    bad.body->size = {-1, 0, 0};
    EXPECT_EQ(props({bad.tag}).code, 900);
    bad.body->size = {NAN, 0, 0};
    EXPECT_EQ(props({bad.tag}).code, 900);

    // Tags that are no bodies, and empty tables.
    Object& feature = add_object(*part_, RQ_feature_type, 0);
    EXPECT_EQ(props({feature.tag}).code, RQ_err_bad_tag);
    EXPECT_EQ(props({9999}).code, RQ_err_bad_tag);
    EXPECT_EQ(props({}).code, RQ_err_bad_argument);
}

TEST_F(MassPropsTest, ManyBodiesSumUp) {
    std::vector<tag_t> tags;
    for (int i = 0; i < 1000; ++i) {
        tags.push_back(body(Shape::block, {1, 1, 1}, {static_cast<double>(i), 0, 0}).tag);
    }
    Mass m = props(tags);
    ASSERT_EQ(m.code, 0);
    EXPECT_NEAR(m.volume(), 1000.0, 1e-9);
    EXPECT_NEAR(m.r[3], 500.0, 1e-9);
    // A 1000 x 1 x 1 bar: Iyy = m (a^2 + c^2) / 12.
    EXPECT_NEAR(m.r[10], 1000.0 * (1e6 + 1) / 12, 1e-2);
    EXPECT_EQ(m.stats[0], 1000.0);
}

TEST_F(MassPropsTest, DensityAndMaterialCalls) {
    Object& b = body(Shape::block, {1, 1, 1}, {0, 0, 0}, 7.85);
    double density = 0;
    ASSERT_EQ(RQ_MODL_ask_body_density(b.tag, 3, &density), 0);
    EXPECT_EQ(density, 7.85);
    EXPECT_EQ(RQ_MODL_ask_body_density(b.tag, 1, &density), RQ_err_bad_argument);

    // Setting the density it has is no change; another value marks the part.
    EXPECT_EQ(RQ_MODL_set_body_density(b.tag, 3, 7.85), 0);
    EXPECT_FALSE(part_->modified);
    EXPECT_EQ(RQ_MODL_set_body_density(b.tag, 3, -1.0), RQ_err_bad_argument);
    EXPECT_EQ(RQ_MODL_set_body_density(b.tag, 3, NAN), RQ_err_bad_argument);
    EXPECT_FALSE(part_->modified);
    EXPECT_EQ(RQ_MODL_set_body_density(b.tag, 3, 1.0), 0);
    EXPECT_TRUE(part_->modified);
    EXPECT_EQ(b.body->density, 1.0);

    tag_t material = 77;
    ASSERT_EQ(RQ_SF_locate_material(b.tag, &material), 0);
    EXPECT_EQ(material, NULL_TAG);
    Object& steel = add_object(*part_, RQ_material_type, 0);
    steel.name = "Steel";
    b.body->material = steel.tag;
    ASSERT_EQ(RQ_SF_locate_material(b.tag, &material), 0);
    EXPECT_EQ(material, steel.tag);

    int body_type = 0;
    EXPECT_EQ(RQ_MODL_ask_body_type(steel.tag, &body_type), RQ_err_bad_tag);
    set_fault("RQ_MODL_ask_body_density", 42, b.handle);
    EXPECT_EQ(RQ_MODL_ask_body_density(b.tag, 3, &density), 42);
}

TEST_F(MassPropsTest, FeatureListsAndFeatureTexts) {
    Object& b = body(Shape::block, {1, 1, 1});
    Object& f1 = add_object(*part_, RQ_feature_type, 0);
    f1.feature = std::make_unique<Feature>();
    f1.feature->feature_type = "BLOCK";
    f1.name = "Block(1)";
    f1.feature->display_name = "Block (1)";
    Object& f2 = add_object(*part_, RQ_feature_type, 0);
    f2.feature = std::make_unique<Feature>();
    f2.feature->feature_type = "EDGE_BLEND";
    f2.feature->browseable = false;
    f2.feature->suppressed = true;
    b.body->features = {f1.tag, f2.tag};

    const std::size_t blocks = host_blocks_in_use();
    RQ_MODL_feature_list_t list = nullptr;
    ASSERT_EQ(RQ_MODL_ask_body_feats(b.tag, &list), 0);
    int count = 0;
    ASSERT_EQ(RQ_MODL_ask_list_count(list, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(open_feature_lists(), 1);
    ASSERT_EQ(RQ_MODL_delete_list(&list), 0);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(open_feature_lists(), 0);
    EXPECT_EQ(RQ_MODL_delete_list(&list), RQ_err_bad_argument);

    // A deleted feature leaves the list.
    RQ_OBJ_delete_object(f2.tag);
    ASSERT_EQ(RQ_MODL_ask_body_feats(b.tag, &list), 0);
    RQ_MODL_ask_list_count(list, &count);
    EXPECT_EQ(count, 1);
    RQ_MODL_delete_list(&list);

    char* text = nullptr;
    ASSERT_EQ(RQ_MODL_ask_feat_name(f1.tag, &text), 0);
    EXPECT_STREQ(text, "Block(1)");
    RQ_free(text);
    ASSERT_EQ(RQ_MODL_ask_feat_type(f1.tag, &text), 0);
    EXPECT_STREQ(text, "BLOCK");
    RQ_free(text);
    ASSERT_EQ(RQ_MODL_ask_feat_display_name(f1.tag, &text), 0);
    EXPECT_STREQ(text, "Block (1)");
    RQ_free(text);
    EXPECT_NE(RQ_MODL_ask_feat_display_name(f2.tag, &text), 0);
    EXPECT_EQ(text, nullptr);
    EXPECT_NE(RQ_MODL_ask_feat_name(f2.tag, &text), 0);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(RQ_MODL_ask_feat_name(b.tag, &text), RQ_err_bad_tag);
    EXPECT_EQ(host_blocks_in_use(), blocks);

    logical browseable = 7;
    int suppressed = 7;
    ASSERT_EQ(RQ_MODL_is_browseable_feature(f1.tag, 0, 0, &browseable), 0);
    ASSERT_EQ(RQ_MODL_ask_suppress_feature(f1.tag, &suppressed), 0);
    EXPECT_EQ(browseable, 1);
    EXPECT_EQ(suppressed, 0);
    ASSERT_EQ(RQ_MODL_is_browseable_feature(f2.tag, 0, 0, &browseable), 0);
    ASSERT_EQ(RQ_MODL_ask_suppress_feature(f2.tag, &suppressed), 0);
    EXPECT_EQ(browseable, 0);
    EXPECT_EQ(suppressed, 1);
}

TEST_F(MassPropsTest, ReferenceSetMembersAreHostMemory) {
    Object& b = body(Shape::block, {1, 1, 1});
    Object& gone = body(Shape::block, {1, 1, 1});
    Object& set = add_object(*part_, RQ_reference_set_type, 0);
    set.refset = std::make_unique<ReferenceSet>();
    set.refset->members = {b.tag, gone.tag, 12345};
    RQ_OBJ_delete_object(gone.tag);

    const std::size_t blocks = host_blocks_in_use();
    int count = 0;
    tag_t* members = nullptr;
    ASSERT_EQ(RQ_ASSEM_ask_ref_set_members(set.tag, &count, &members), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(members[0], b.tag);
    EXPECT_EQ(host_blocks_in_use(), blocks + 1);
    RQ_free(members);

    Object& empty = add_object(*part_, RQ_reference_set_type, 0);
    empty.refset = std::make_unique<ReferenceSet>();
    ASSERT_EQ(RQ_ASSEM_ask_ref_set_members(empty.tag, &count, &members), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(members, nullptr);
    EXPECT_EQ(RQ_ASSEM_ask_ref_set_members(b.tag, &count, &members), RQ_err_bad_tag);
    EXPECT_EQ(host_blocks_in_use(), blocks);
}

}  // namespace
