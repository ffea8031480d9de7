// Session texts are ISO-8859-1, files UTF-8: conversions, part files, the
// LORN database, fault tables and cut host texts.
#include <rq/rq.h>

#include <cstring>
#include <string>

#include "host_fixture.hpp"
#include "parts/part_file.hpp"
#include "parts/store.hpp"
#include "pdm/pdm.hpp"
#include "session/text_encoding.hpp"
#include "session/text_out.hpp"

namespace {

using nlohmann::json;
using standin::PartBuilder;

// Every byte value a C text can hold, 0x01 to 0xFF.
std::string every_byte() {
    std::string text;
    for (int b = 1; b <= 0xFF; ++b) text += static_cast<char>(b);
    return text;
}

std::string to_latin1(const std::string& utf8) {
    std::string error;
    return standin::utf8_to_latin1(utf8, error).value_or("<" + error + ">");
}

std::string conversion_error(const std::string& utf8) {
    std::string error;
    EXPECT_FALSE(standin::utf8_to_latin1(utf8, error).has_value()) << utf8;
    return error;
}

TEST(TextEncoding, ConvertsBothWaysAndRefusesWhatLatin1Lacks) {
    const std::string all = every_byte();
    const std::string utf8 = standin::latin1_to_utf8(all);
    EXPECT_EQ(utf8.size(), 127u + 2u * 128u);
    EXPECT_EQ(standin::latin1_to_utf8("5\xB0"), "5\xC2\xB0");
    EXPECT_EQ(to_latin1(utf8), all);
    EXPECT_TRUE(json::accept(json(utf8).dump()));  // valid UTF-8

    EXPECT_NE(conversion_error("1\xE2\x82\xAC").find("U+20AC"), std::string::npos);  // euro
    EXPECT_NE(conversion_error("\xF0\x9F\x98\x80").find("U+1F600"), std::string::npos);
    for (const char* bad : {"\xB0", "a\xC2", "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xC2x"}) {
        EXPECT_NE(conversion_error(bad).find("not valid UTF-8"), std::string::npos) << bad;
    }

    std::string out = "unchanged";
    std::string error;
    EXPECT_FALSE(standin::session_text(json(5), out, error));
    EXPECT_EQ(error, "expected a text");
    EXPECT_EQ(out, "unchanged");
    ASSERT_TRUE(standin::session_text(json("\xC2\xB0"
                                           "C"),
                                      out, error));
    EXPECT_EQ(out,
              "\xB0"
              "C");
}

TEST(TextEncoding, HostTextsAreCutAtTheByteLimit) {
    char buffer[6];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(standin::write_text(buffer, 5, "abc\xE4\xB0\xFF"));
    EXPECT_STREQ(buffer, "abc\xE4");
    EXPECT_EQ(buffer[5], 'x');  // nothing past the given size
    EXPECT_TRUE(standin::write_text(buffer, 5, "\xB0\xB0\xB0\xB0"));
    EXPECT_STREQ(buffer, "\xB0\xB0\xB0\xB0");
}

class TextEncodingTest : public HostTest {
  protected:
    int open(const std::string& file, tag_t* part) {
        RQ_PART_load_status_t status{};
        return RQ_PART_open(file.c_str(), part, &status);
    }
    // The text of a part file whose texts all hold `c`, a character in UTF-8.
    static std::string part_text(const std::string& c) {
        const json doc = {
            {"format", "kavo-part"},
            {"part_id", "deg" + c},
            {"description", "45" + c + " bend"},
            {"pdm",
             {{"number", "47" + c + "11"},
              {"revision", "A"},
              {"file_type", "master"},
              {"file_name", "x" + c}}},
            {"history",
             {{{"version", 1},
               {"time", 0},
               {"program", "P" + c},
               {"user", "u"},
               {"machine", "m"}}}},
            {"attributes", {{{"title", "ANGLE" + c}, {"value", "90" + c}}}},
            {"objects",
             {{{"id", 1},
               {"type", 70},
               {"name", "BODY" + c},
               {"attributes", {{{"title", "T" + c}, {"kind", "string"}, {"value", "V" + c}}}}},
              {{"id", 2},
               {"type", 213},
               {"expression", {{"name", "a" + c}, {"value_text", "30" + c}, {"value", 30}}}},
              {{"id", 3},
               {"type", 205},
               {"feature", {{"feature_type", "BEND" + c}, {"display_name", "Bend" + c + "(1)"}}}},
              {{"id", 4},
               {"type", 63},
               {"component",
                {{"child_file", "c" + c + ".prt"},
                 {"refset_name", "R" + c},
                 {"instance_name", "I" + c}}}},
              {{"id", 5}, {"type", 211}, {"family", {{"name", "F" + c}}}}}}};
        return doc.dump();  // the characters as they are, not escaped
    }
};

TEST_F(TextEncodingTest, DegreeSignsOfTheFileLoadAsByteB0) {
    write_file(path("deg.prt"), part_text("\xC2\xB0"));
    tag_t part = NULL_TAG;
    ASSERT_EQ(open(path("deg.prt"), &part), 0) << standin::last_load_error();
    const standin::Part& p = *standin::find_part(part);
    EXPECT_EQ(p.part_id, "deg\xB0");
    EXPECT_EQ(p.description.value_or(""), "45\xB0 bend");
    ASSERT_TRUE(p.pdm);
    EXPECT_EQ(p.pdm->number,
              "47\xB0"
              "11");
    EXPECT_EQ(p.pdm->file_name, "x\xB0");
    EXPECT_EQ(p.history.at(0).program, "P\xB0");
    EXPECT_EQ(p.attributes.at(0).title, "ANGLE\xB0");
    EXPECT_EQ(p.attributes.at(0).text, "90\xB0");

    const tag_t body = RQ_TAG_ask_tag_of_handle("deg\xB0:1");
    ASSERT_NE(body, NULL_TAG);
    char name[31] = "";
    ASSERT_EQ(RQ_OBJ_ask_name(body, name), 0);
    EXPECT_STREQ(name, "BODY\xB0");
    const standin::Object& o = *standin::find_object(body);
    EXPECT_EQ(o.attributes.at(0).title, "T\xB0");
    EXPECT_EQ(o.attributes.at(0).text, "V\xB0");
    const auto object = [](const char* handle) -> const standin::Object& {
        return *standin::find_object(RQ_TAG_ask_tag_of_handle(handle));
    };
    EXPECT_EQ(object("deg\xB0:2").expression->exp_name, "a\xB0");
    EXPECT_EQ(object("deg\xB0:2").expression->value_text, "30\xB0");
    EXPECT_EQ(object("deg\xB0:3").feature->feature_type, "BEND\xB0");
    EXPECT_EQ(object("deg\xB0:3").feature->display_name.value_or(""), "Bend\xB0(1)");
    // A child file is a file name: it keeps the bytes the file system knows it by.
    EXPECT_EQ(object("deg\xB0:4").component->child_file, "c\xC2\xB0.prt");
    EXPECT_EQ(object("deg\xB0:4").component->refset_name, "R\xB0");
    EXPECT_EQ(object("deg\xB0:4").component->instance_name, "I\xB0");
    EXPECT_EQ(object("deg\xB0:5").family->family_name, "F\xB0");

    // Saved, the texts are UTF-8 again: the file reads as it was written.
    ASSERT_EQ(standin::save_part_file(part, path("saved.prt")), 0) << standin::last_load_error();
    const std::string saved = read_file(path("saved.prt"));
    EXPECT_NE(saved.find("\"45\xC2\xB0 bend\""), std::string::npos);
    EXPECT_EQ(saved.find("\xEF\xBF\xBD"), std::string::npos);  // no U+FFFD
    const json doc = json::parse(saved);
    EXPECT_EQ(doc["part_id"], "deg\xC2\xB0");
    EXPECT_EQ(doc["objects"][0]["attributes"][0]["value"], "V\xC2\xB0");
    EXPECT_EQ(doc["objects"][2]["feature"]["display_name"], "Bend\xC2\xB0(1)");
}

TEST_F(TextEncodingTest, EveryByteSurvivesSaveAndLoadAndSavingIsDeterministic) {
    const std::string all = every_byte();
    PartBuilder b("bytes");
    const auto id = b.add(RQ_solid_type, 0, {{"name", "PLAIN"}});
    b.add(RQ_expression_type, 0,
          {{"expression", {{"name", "e"}, {"value_text", all}, {"value", 1}}}});
    tag_t part = b.open(path("bytes.prt"));
    ASSERT_NE(part, NULL_TAG) << standin::last_load_error();

    // Texts set in the session: a renamed object, a description, an attribute.
    const tag_t body = RQ_TAG_ask_tag_of_handle(b.handle(id).c_str());
    const std::string renamed = "\xB0\x80\xFF\x01 \xE4\xF6\xFC\xDF%s";
    ASSERT_EQ(RQ_OBJ_set_name(body, renamed.c_str()), 0);
    standin::Part& p = *standin::find_part(part);
    p.description = all;
    standin::Attribute a;
    a.title = all.substr(0x7F);  // 0x80-0xFF
    a.kind = standin::AttrKind::string;
    a.text = all;
    p.attributes.push_back(a);

    ASSERT_EQ(standin::save_part_file(part, path("s1.prt")), 0) << standin::last_load_error();
    const std::string first = read_file(path("s1.prt"));
    std::string error;
    EXPECT_TRUE(standin::utf8_to_latin1(first, error).has_value()) << error;  // valid UTF-8
    EXPECT_TRUE(json::accept(first));

    standin::reset_session();
    tag_t again = NULL_TAG;
    ASSERT_EQ(open(path("s1.prt"), &again), 0) << standin::last_load_error();
    const standin::Part& q = *standin::find_part(again);
    EXPECT_EQ(q.description.value_or(""), all);
    ASSERT_EQ(q.attributes.size(), 1u);
    EXPECT_EQ(q.attributes[0].title, all.substr(0x7F));
    EXPECT_EQ(q.attributes[0].text, all);
    char name[31] = "";
    ASSERT_EQ(RQ_OBJ_ask_name(RQ_TAG_ask_tag_of_handle("bytes:1"), name), 0);
    EXPECT_EQ(std::string(name), renamed);
    EXPECT_EQ(standin::find_object(RQ_TAG_ask_tag_of_handle("bytes:2"))->expression->value_text,
              all);

    ASSERT_EQ(standin::save_part_file(again, path("s2.prt")), 0);
    ASSERT_EQ(standin::save_part_file(again, path("s3.prt")), 0);
    EXPECT_EQ(read_file(path("s2.prt")), first);
    EXPECT_EQ(read_file(path("s3.prt")), first);
}

TEST_F(TextEncodingTest, CharactersBeyondLatin1AreLoadErrorsNamingTheField) {
    struct Case {
        const char* leaf;
        std::string text;
        const char* field;
    };
    const std::string euro = "\xE2\x82\xAC";
    const Case cases[] = {
        {"all.prt", part_text(euro), "part_id"},
        {"name.prt", R"({"objects": [{"id": 1, "type": 70, "name": "A)" + euro + R"("}]})",
         "objects[0].name"},
        {"descr.prt", R"({"description": ")" + euro + R"("})", "at description"},
        {"title.prt", R"({"attributes": [{"title": ")" + euro + R"(", "value": "v"}]})",
         "attributes[0].title"},
        {"value.prt", R"({"attributes": [{"title": "t", "value": ")" + euro + R"("}]})",
         "attributes[0].value"},
        {"expr.prt",
         R"({"objects": [{"id": 4, "type": 7, "expression": {"name": ")" + euro + R"("}}]})",
         "objects[0].expression.name"},
        {"feat.prt",
         R"({"objects": [{"id": 2, "type": 205, "feature": {"display_name": ")" + euro + R"("}}]})",
         "objects[0].feature.display_name"},
        {"fault.prt", R"({"faults": [{"call": "RQ_x", "code": 1, "handle": ")" + euro + R"("}]})",
         "faults[0].handle"},
    };
    for (const Case& c : cases) {
        write_file(path(c.leaf), c.text);
        tag_t part = 77;
        EXPECT_EQ(open(path(c.leaf), &part), RQ_err_file_corrupt) << c.leaf;
        EXPECT_EQ(part, 77u) << c.leaf;
        const std::string error = standin::last_load_error();
        EXPECT_NE(error.find(c.field), std::string::npos) << c.leaf << ": " << error;
        EXPECT_NE(error.find("U+20AC"), std::string::npos) << c.leaf << ": " << error;
        EXPECT_TRUE(standin::session().parts.empty()) << c.leaf;
    }

    // A byte that is no UTF-8 (a bare ISO-8859-1 degree sign) is refused by the reader.
    write_file(path("latin1.prt"), "{\"description\": \"45\xB0\"}");
    tag_t part = NULL_TAG;
    EXPECT_EQ(open(path("latin1.prt"), &part), RQ_err_file_corrupt);
    EXPECT_NE(standin::last_load_error().find("UTF-8"), std::string::npos)
        << standin::last_load_error();
    EXPECT_TRUE(standin::session().parts.empty());
}

TEST_F(TextEncodingTest, BuilderWritesUtf8AndUnknownKeysStayAsTheyWere) {
    PartBuilder b("b\xB0");
    b.doc()["description"] = "90\xB0";
    b.doc()["later\xB0"] = {{"kept", "\xE4"}};  // a key the host does not read
    b.add(RQ_solid_type, 0, {{"name", "N\xB0"}});
    b.write(path("b.prt"));
    const std::string file = read_file(path("b.prt"));
    EXPECT_NE(file.find("\"90\xC2\xB0\""), std::string::npos);
    EXPECT_NE(file.find("\"later\xC2\xB0\""), std::string::npos);
    EXPECT_EQ(file.find("\xB0\""), file.find("\xC2\xB0\"") + 1);  // no bare 0xB0

    // Unknown keys are the file's own JSON: kept as UTF-8, even beyond U+00FF.
    json doc = json::parse(file);
    doc["objects"][0]["future"] = "5\xE2\x82\xAC";
    write_file(path("b.prt"), doc.dump());
    tag_t part = NULL_TAG;
    ASSERT_EQ(open(path("b.prt"), &part), 0) << standin::last_load_error();
    EXPECT_EQ(standin::find_part(part)->description.value_or(""), "90\xB0");
    EXPECT_EQ(standin::find_part(part)->part_id, "b\xB0");
    ASSERT_EQ(standin::save_part_file(part, path("saved.prt")), 0);
    const json saved = json::parse(read_file(path("saved.prt")));
    EXPECT_EQ(saved["later\xC2\xB0"]["kept"], "\xC3\xA4");
    EXPECT_EQ(saved["objects"][0]["future"], "5\xE2\x82\xAC");
    EXPECT_EQ(saved["objects"][0]["name"], "N\xC2\xB0");
}

// A payload codec of the tests: "probe" holds a text of the object's name.
bool probe_raw = false;  // the saver forgets to convert

bool load_probe(const standin::ordered_json& value, standin::Object& object,
                const standin::LoadContext&, standin::Refusal& error) {
    std::string text;
    if (!standin::session_text(value, text, error.reason)) return false;
    object.name = text;
    return true;
}

void save_probe(const standin::Object& object, standin::ordered_json& entry,
                const standin::SaveContext&) {
    if (!object.name || object.name->rfind("probe", 0) != 0) return;
    entry["probe"] = probe_raw ? *object.name : standin::file_text(*object.name);
}

TEST_F(TextEncodingTest, PayloadCodecsConvertAndAMissedConversionFailsTheSave) {
    standin::register_payload("probe", &load_probe, &save_probe);
    write_file(path("probe.prt"),
               R"({"objects": [{"id": 1, "type": 70, "probe": "probe\u00b0"}]})");
    tag_t part = NULL_TAG;
    ASSERT_EQ(open(path("probe.prt"), &part), 0) << standin::last_load_error();
    char name[31] = "";
    ASSERT_EQ(RQ_OBJ_ask_name(RQ_TAG_ask_tag_of_handle("probe:1"), name), 0);
    EXPECT_STREQ(name, "probe\xB0");
    ASSERT_EQ(standin::save_part_file(part, path("good.prt")), 0);
    EXPECT_NE(read_file(path("good.prt")).find("\"probe\":\"probe\xC2\xB0\""), std::string::npos);

    // The raw byte is no UTF-8: the save fails and the file already there stays.
    probe_raw = true;
    EXPECT_EQ(standin::save_part_file(part, path("good.prt")), RQ_err_file_write);
    probe_raw = false;
    EXPECT_NE(standin::last_load_error().find("UTF-8"), std::string::npos)
        << standin::last_load_error();
    EXPECT_NE(read_file(path("good.prt")).find("probe\xC2\xB0"), std::string::npos);

    write_file(path("bad.prt"), R"({"objects": [{"id": 1, "type": 70, "probe": "\u20ac"}]})");
    EXPECT_EQ(open(path("bad.prt"), &part), RQ_err_file_corrupt);
    EXPECT_NE(standin::last_load_error().find("objects[0].probe: holds the character U+20AC"),
              std::string::npos)
        << standin::last_load_error();
    standin::register_payload("probe", nullptr, nullptr);
}

TEST_F(TextEncodingTest, FaultFilesMatchLatin1Handles) {
    // A fault of the part file names its object by the UTF-8 handle.
    write_file(path("f.prt"),
               "{\"part_id\": \"f\xC2\xB0\", \"objects\": [{\"id\": 1, \"type\": 70}],"
               " \"faults\": [{\"call\": \"RQ_OBJ_ask_name\", \"code\": 9,"
               " \"handle\": \"f\xC2\xB0:1\"}]}");
    tag_t part = NULL_TAG;
    ASSERT_EQ(open(path("f.prt"), &part), 0) << standin::last_load_error();
    char name[31];
    EXPECT_EQ(RQ_OBJ_ask_name(RQ_TAG_ask_tag_of_handle("f\xB0:1"), name), 9);

    // The fault table of the environment: texts converted, bad entries left out.
    standin::reset_session();
    write_file(path("faults.json"),
               "[{\"call\": \"RQ_PART_ask_part_name\", \"code\": 11, \"handle\": \"f\xC2\xB0\"},"
               " {\"call\": \"RQ_get_release\", \"code\": 8, \"handle\": \"\xE2\x82\xAC\"}]");
    ::setenv("KAVOHOST_FAULTS", path("faults.json").c_str(), 1);
    EXPECT_EQ(RQ_initialize(), 0);
    ::unsetenv("KAVOHOST_FAULTS");
    ASSERT_EQ(open(path("f.prt"), &part), 0) << standin::last_load_error();
    char part_name[256];
    EXPECT_EQ(RQ_PART_ask_part_name(part, part_name), 11);  // the handle is the part id ...
    char* release = nullptr;
    EXPECT_EQ(RQ_get_release(&release), 0);  // ... and the euro entry was refused
    RQ_free(release);
    EXPECT_EQ(RQ_terminate(), 0);
}

TEST_F(TextEncodingTest, LornTextsAreLatin1AndFilePathsKeepTheirBytes) {
    const std::string folder = path("lorn");
    PartBuilder("p\xB0").write(folder + "/parts/p\xC2\xB0.json");  // a UTF-8 file name
    const auto write_db = [&](const std::string& revision) {
        write_file(folder + "/lorn.json",
                   "{\"users\": [{\"name\": \"k\xC3\xA4ufer\"}],"
                   " \"rules\": [{\"name\": \"Stand \xC2\xB0\", \"policy\": \"latest\"}],"
                   " \"items\": [{\"number\": \"47\xC2\xB0\", \"revisions\": [{\"id\": \"" +
                       revision +
                       "\", \"datasets\": [{\"type\": \"master\","
                       " \"file\": \"parts/p\xC2\xB0.json\"}]}]}]}");
    };
    write_db("A\xC2\xB0");
    ::setenv("KAVOHOST_LORN_DB", folder.c_str(), 1);
    char arg0[] = "kavotalvex";
    char user[] = "-u=k\xE4ufer";
    char* argv[] = {arg0, user, nullptr};
    ASSERT_EQ(RQ_VRELMGR_initialize(2, argv), 0) << standin::pdm_last_error();
    char rule[516];
    ASSERT_EQ(RQ_VRELMGR_ask_config_rule(rule), 0);
    EXPECT_STREQ(rule, "Stand \xB0");
    tag_t item = NULL_TAG, revision = NULL_TAG;
    ASSERT_EQ(RQ_VRELMGR_ask_part_tag("47\xB0", &item), 0);
    ASSERT_EQ(RQ_VRELMGR_ask_configured_rev(item, &revision), 0);
    char rev_id[97];
    ASSERT_EQ(RQ_VRELMGR_ask_part_revision_id(revision, rev_id), 0);
    EXPECT_STREQ(rev_id, "A\xB0");
    const auto resolved = standin::resolve_pdm_name("@DB/47\xB0/A\xB0//");
    ASSERT_TRUE(resolved.has_value());
    EXPECT_EQ(resolved->code, 0);
    EXPECT_EQ(resolved->path, folder + "/parts/p\xC2\xB0.json");
    tag_t part = NULL_TAG;
    RQ_PART_load_status_t status{};
    EXPECT_EQ(RQ_PART_open("@DB/47\xB0/A\xB0//", &part, &status), 0) << standin::last_load_error();

    standin::reset_session();
    write_db("\xE2\x82\xAC");
    int active = 0;
    EXPECT_EQ(RQ_VRELMGR_initialize(2, argv), RQ_err_file_corrupt);
    EXPECT_EQ(RQ_is_vrelmanager_active(&active), 0);
    EXPECT_EQ(active, 0);
    const std::string error = standin::pdm_last_error();
    EXPECT_NE(error.find("revisions[0].id: holds the character U+20AC"), std::string::npos)
        << error;

    standin::reset_session();
    write_file(folder + "/lorn.json", "{\"users\": [{\"name\": \"k\xE4\"}]}");
    EXPECT_EQ(RQ_VRELMGR_initialize(1, argv), RQ_err_file_corrupt);
    EXPECT_NE(standin::pdm_last_error().find("UTF-8"), std::string::npos)
        << standin::pdm_last_error();
    ::unsetenv("KAVOHOST_LORN_DB");
}

}  // namespace
