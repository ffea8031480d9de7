// CGM import into the work part (uc6411), the work view and its
// view-dependent objects, and moving objects by a matrix (rq5943, rq5947).
#include <rq/rq.h>

#include <string>
#include <vector>

#include "drafting/cgm/cgm_format.hpp"
#include "host_fixture.hpp"
#include "parts/store.hpp"

namespace {

using standin::cgm::Bytes;

// A polyline of three points (two lines), a circle and a text.
Bytes small_metafile() {
    Bytes out;
    auto ints = [](std::initializer_list<int> values) {
        Bytes b;
        for (int v : values) standin::cgm::put_int16(b, v);
        return b;
    };
    auto str = [](const char* text) {
        Bytes b;
        standin::cgm::put_string(b, text);
        return b;
    };
    standin::cgm::put_element(out, {0, 1}, str("import"));
    standin::cgm::put_element(out, {0, 3}, str("sheet"));
    standin::cgm::put_element(out, {0, 4}, {});
    standin::cgm::put_element(out, {4, 1}, ints({0, 0, 100, 0, 100, 50}));
    standin::cgm::put_element(out, {4, 12}, ints({50, 50, 10}));
    Bytes text = ints({10, 20, 1});
    Bytes word = str("Ma\xDF");  // ISO-8859-1 sharp s
    text.insert(text.end(), word.begin(), word.end());
    standin::cgm::put_element(out, {4, 4}, text);
    standin::cgm::put_element(out, {0, 5}, {});
    standin::cgm::put_element(out, {0, 2}, {});
    return out;
}

class CgmImportTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(RQ_initialize(), 0);
        standin::PartBuilder b("overlay");
        b.add(RQ_point_type, 0, {{"layer", 7}});
        part_ = b.open(path("template.prt"));
        ASSERT_NE(part_, NULL_TAG);
        write_bytes(path("small.cgm"), small_metafile());
    }
    void write_bytes(const std::string& file, const Bytes& data) {
        write_file(file, std::string(data.begin(), data.end()));
    }
    static std::vector<tag_t> on_layer(int layer) {
        std::vector<tag_t> out;
        tag_t t = NULL_TAG;
        while (RQ_LAYER_cycle_by_layer(layer, &t) == 0 && t != NULL_TAG) out.push_back(t);
        return out;
    }
    static const standin::Object& object(tag_t t) { return *standin::find_object(t); }

    tag_t part_ = NULL_TAG;
};

TEST_F(CgmImportTest, ObjectsLandOnTheWorkLayerDependentOnTheWorkView) {
    ASSERT_EQ(RQ_LAYER_set_status(7, 1), 0);
    char message[256] = "x";
    ASSERT_EQ(uc6411(path("small.cgm").c_str(), message), 0);
    EXPECT_STREQ(message, "");
    const std::vector<tag_t> objects = on_layer(7);
    ASSERT_EQ(objects.size(), 5u);  // the template's point, 2 lines, the circle, the note
    tag_t view = NULL_TAG;
    ASSERT_EQ(RQ_VIEW_ask_work_view(&view), 0);
    tag_t again = NULL_TAG;
    ASSERT_EQ(RQ_VIEW_ask_work_view(&again), 0);
    EXPECT_EQ(view, again);
    int type = 0, subtype = 0;
    ASSERT_EQ(RQ_OBJ_ask_type_and_subtype(view, &type, &subtype), 0);
    EXPECT_EQ(type, RQ_view_type);

    EXPECT_EQ(object(objects[1]).type, RQ_line_type);
    EXPECT_EQ(object(objects[1]).line->end, (std::array<double, 3>{100, 0, 0}));
    EXPECT_EQ(object(objects[2]).line->end, (std::array<double, 3>{100, 50, 0}));
    const standin::Object& circle = object(objects[3]);
    EXPECT_EQ(circle.type, RQ_circle_type);
    EXPECT_EQ(circle.arc->radius, 10);
    const standin::Object& note = object(objects[4]);
    EXPECT_EQ(note.type, RQ_drafting_entity_type);
    EXPECT_EQ(note.subtype, 1);
    EXPECT_EQ(note.drafting->text, std::vector<std::string>{"Ma\xDF"});
    EXPECT_EQ(note.drafting->origin, (std::array<double, 3>{10, 20, 0}));
    for (std::size_t i = 1; i < objects.size(); ++i) {
        EXPECT_EQ(object(objects[i]).dependent_view, view);
        EXPECT_EQ(RQ_VIEW_convert_to_model(view, objects[i]), 0);
        EXPECT_EQ(object(objects[i]).dependent_view, NULL_TAG);
    }
    EXPECT_EQ(RQ_VIEW_convert_to_model(view, objects[0]), 0);  // a model object already
    EXPECT_EQ(RQ_VIEW_convert_to_model(objects[0], objects[1]), RQ_err_bad_tag);  // no view
    EXPECT_TRUE(standin::find_part(part_)->modified);
}

TEST_F(CgmImportTest, MissingOrGarbledFileCreatesNothing) {
    char message[256];
    const std::size_t before = standin::find_part(part_)->objects.size();
    EXPECT_EQ(uc6411(path("absent.cgm").c_str(), message), RQ_err_file_not_found);
    EXPECT_STREQ(message, "cannot open the file: No such file or directory");

    Bytes garbled = small_metafile();
    garbled.resize(garbled.size() - 6);  // cut inside the last elements
    write_bytes(path("cut.cgm"), garbled);
    EXPECT_EQ(uc6411(path("cut.cgm").c_str(), message), RQ_err_cgm_read);
    EXPECT_STREQ(message, "file ends inside the parameters of an element (element at octet 42)");
    EXPECT_EQ(uc6411(folder_.c_str(), message), RQ_err_file_unreadable);
    EXPECT_EQ(standin::find_part(part_)->objects.size(), before);
    EXPECT_FALSE(standin::find_part(part_)->modified);

    standin::set_fault("uc6411", 7002);
    EXPECT_EQ(uc6411(path("small.cgm").c_str(), message), 7002);
    EXPECT_STREQ(message, "the import was refused");
}

TEST_F(CgmImportTest, MatrixMovesGeometryAndFaultsFailSingleObjects) {
    ASSERT_EQ(RQ_LAYER_set_status(3, 1), 0);
    char message[256];
    ASSERT_EQ(uc6411(path("small.cgm").c_str(), message), 0);
    const std::vector<tag_t> objects = on_layer(3);
    ASSERT_EQ(objects.size(), 4u);
    const double vector[3] = {0.05, 0.025, 0};
    double matrix[16];
    ASSERT_EQ(rq5943(vector, matrix), 0);
    EXPECT_EQ(matrix[0], 1);
    EXPECT_EQ(matrix[3], 0.05);
    EXPECT_EQ(matrix[7], 0.025);
    EXPECT_EQ(matrix[15], 1);

    standin::set_fault("rq5947", 646, object(objects[2]).handle);
    for (tag_t t : objects) {
        tag_t list[1] = {t}, copies[1] = {99}, trace = 99;
        int status = -1;
        EXPECT_EQ(rq5947(matrix, list, 1, 1, 0, 2, copies, &trace, &status), 0);
        EXPECT_EQ(status, t == objects[2] ? 646 : 0);
        EXPECT_EQ(copies[0], NULL_TAG);
    }
    EXPECT_EQ(object(objects[0]).line->start, (std::array<double, 3>{0.05, 0.025, 0}));
    EXPECT_EQ(object(objects[2]).arc->centre, (std::array<double, 3>{50, 50, 0}));  // failed
    EXPECT_EQ(object(objects[3]).drafting->origin, (std::array<double, 3>{10.05, 20.025, 0}));
}

TEST_F(CgmImportTest, SavedPartKeepsTheImportedGeometry) {
    char message[256];
    ASSERT_EQ(uc6411(path("small.cgm").c_str(), message), 0);
    ASSERT_EQ(RQ_PART_save_as(path("overlay.prt").c_str()), 0);
    ASSERT_EQ(RQ_PART_close_all(), 0);
    tag_t part = NULL_TAG;
    ASSERT_EQ(RQ_PART_open(path("overlay.prt").c_str(), &part, nullptr), 0);
    const std::vector<tag_t> objects = on_layer(1);
    ASSERT_EQ(objects.size(), 4u);
    tag_t view = NULL_TAG;
    ASSERT_EQ(RQ_VIEW_ask_work_view(&view), 0);
    EXPECT_EQ(object(objects[0]).dependent_view, view);  // the saved "TOP" view
    EXPECT_EQ(object(objects[1]).line->end, (std::array<double, 3>{100, 50, 0}));
    EXPECT_EQ(object(objects[2]).arc->end_angle, 2 * 3.14159265358979323846);
    EXPECT_EQ(object(objects[3]).drafting->text, std::vector<std::string>{"Ma\xDF"});
}

// What the host's own export writes, its import reads back.
TEST_F(CgmImportTest, ReadsTheFilesOfTheHostsExport) {
    tag_t part = NULL_TAG;
    ASSERT_EQ(RQ_PART_open(KAVOHOST_SAMPLES "/parts/drafting.prt", &part, nullptr), 0);
    tag_t sheet = NULL_TAG;
    ASSERT_EQ(RQ_OBJ_cycle_objs_in_part(part, RQ_drawing_type, &sheet), 0);
    ASSERT_EQ(RQ_PLOT_save_cgm(sheet, nullptr, "Refile", nullptr, path("sheet.cgm").c_str()), 0);
    ASSERT_EQ(RQ_LAYER_set_status(200, 1), 0);
    char message[256];
    ASSERT_EQ(uc6411(path("sheet.cgm").c_str(), message), 0) << message;
    int lines = 0, notes = 0;
    for (tag_t t : on_layer(200)) {
        lines += object(t).type == RQ_line_type;
        notes += object(t).type == RQ_drafting_entity_type;
    }
    EXPECT_GE(lines, 4);  // at least the sheet's frame
    EXPECT_GE(notes, 1);  // the member views' names
}

}  // namespace
