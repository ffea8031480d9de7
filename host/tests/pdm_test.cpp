// LORN: login, revision rules, encoded names and opening parts from the
// database.
#include <rq/rq.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.hpp"
#include "pdm/pdm.hpp"

namespace {

using nlohmann::json;

class PdmTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        db_folder_ = path("lorn");
        for (const char* id : {"p4711_A", "p4711_B", "p4711_B_sheet", "p0815_A"}) {
            standin::PartBuilder part(id);
            part.doc()["description"] = id;
            part.write(db_folder_ + "/parts/" + id + ".json");
        }
        write_db(default_db());
        ::setenv("KAVOHOST_LORN_DB", db_folder_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KAVOHOST_LORN_DB");
        HostTest::TearDown();
    }

    static json default_db() {
        return json::parse(R"({
          "format": "kavohost-lorn", "version": 1,
          "default_user": "kavo",
          "users": [ {"name": "kavo", "password": "", "group": "engineering"},
                     {"name": "checker", "password": "secret", "group": "quality"} ],
          "default_rule": "Any Status; Working",
          "rules": [ {"name": "Any Status; Working", "policy": "latest"},
                     {"name": "Latest Released", "policy": "latest_with_status", "status": "Released"},
                     {"name": "Obsolete Only", "policy": "latest_with_status", "status": "Obsolete"} ],
          "items": [
            {"number": "4711", "revisions": [
              {"id": "A", "order": 1, "status": "Released",
               "datasets": [ {"type": "master", "name": "", "file": "parts/p4711_A.json"} ]},
              {"id": "B", "order": 2, "status": "Working",
               "datasets": [ {"type": "drawing", "name": "p4711_sheet", "file": "parts/p4711_B_sheet.json"},
                             {"type": "master", "name": "", "file": "parts/p4711_B.json"} ]} ]},
            {"number": "0815", "revisions": [
              {"id": "A", "order": 1, "status": "Released",
               "datasets": [ {"type": "master", "name": "", "file": "parts/p0815_A.json"} ]} ]}
          ]
        })");
    }
    void write_db(const json& db) { write_file(db_folder_ + "/lorn.json", db.dump(2)); }

    static int login(std::vector<std::string> args) {
        args.insert(args.begin(), "kavotalvex");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return RQ_VRELMGR_initialize(static_cast<int>(args.size()), argv.data());
    }
    static int pdm_active() {
        int active = -1;
        EXPECT_EQ(RQ_is_vrelmanager_active(&active), 0);
        return active;
    }
    static std::string rule() {
        char name[516] = "unset";
        RQ_VRELMGR_ask_config_rule(name);
        return name;
    }
    static std::string encode(const char* n, const char* r, const char* t, const char* f,
                              int* code = nullptr) {
        char out[3469] = "garbage";
        const int rc = RQ_VRELMGR_encode_part_filename(n, r, t, f, out);
        if (code) *code = rc;
        return out;
    }
    struct Fields {
        int code;
        std::string number, rev, type, name;
    };
    static Fields decode(const std::string& encoded) {
        char n[256] = "x", r[97] = "x", t[127] = "x", f[256] = "x";
        const int code = RQ_VRELMGR_decode_part_filename(encoded.c_str(), n, r, t, f);
        return {code, n, r, t, f};
    }
    static std::string part_name(tag_t part) {
        char name[256] = "";
        EXPECT_EQ(RQ_PART_ask_part_name(part, name), 0);
        return name;
    }

    std::string db_folder_;
};

// ---- login ----------------------------------------------------------------------
TEST_F(PdmTest, ImplicitLoginOpensSessionWithDefaultRule) {
    EXPECT_EQ(pdm_active(), 0);
    ASSERT_EQ(login({"-pim=yes", "-part=@DB/4711/A"}), 0);
    EXPECT_EQ(pdm_active(), 1);
    EXPECT_EQ(RQ_is_initialized(), 1);
    EXPECT_EQ(standin::open_depth(), 1);
    EXPECT_EQ(standin::pdm_user(), "kavo");
    EXPECT_EQ(rule(), "Any Status; Working");
    EXPECT_EQ(RQ_terminate(), 0);
    EXPECT_EQ(RQ_is_initialized(), 0);
}

TEST_F(PdmTest, ExplicitLoginChecksPasswordAndGroup) {
    EXPECT_EQ(login({"-u=checker", "-p=secret", "-g=quality"}), 0);
    EXPECT_EQ(standin::pdm_user(), "checker");
    standin::reset_session();

    EXPECT_EQ(login({"-u=checker", "-p=wrong"}), RQ_err_login);
    EXPECT_EQ(login({"-u=checker"}), RQ_err_login);  // no -p= is an empty password
    EXPECT_EQ(login({"-u=checker", "-p=secret", "-g=engineering"}), RQ_err_login);
    EXPECT_EQ(login({"-u=nobody", "-p="}), RQ_err_login);
    EXPECT_EQ(RQ_is_initialized(), 0);
    EXPECT_EQ(pdm_active(), 0);
    char message[133] = "";
    RQ_get_fail_message(RQ_err_login, message);
    EXPECT_STREQ(message, "LORN login failed");
}

TEST_F(PdmTest, MissingOrMalformedDatabaseFailsWithoutSession) {
    ::unsetenv("KAVOHOST_LORN_DB");
    EXPECT_EQ(login({}), RQ_err_file_not_found);
    ::setenv("KAVOHOST_LORN_DB", path("no_such_folder").c_str(), 1);
    EXPECT_EQ(login({}), RQ_err_file_not_found);

    ::setenv("KAVOHOST_LORN_DB", db_folder_.c_str(), 1);
    write_file(db_folder_ + "/lorn.json", "{ \"users\": [ ");
    EXPECT_EQ(login({}), RQ_err_file_corrupt);
    EXPECT_NE(standin::pdm_last_error().find("JSON parse error"), std::string::npos);

    for (const char* broken :
         {R"({"items": [ {"revisions": []} ]})", R"({"items": [ {"number": 4711} ]})",
          R"({"items": [ {"number": "1"}, {"number": "1"} ]})",
          R"({"rules": [ {"name": "R", "policy": "newest"} ]})", R"({"default_rule": "Nope"})",
          R"([1, 2])"}) {
        write_file(db_folder_ + "/lorn.json", broken);
        ::setenv("KAVOHOST_LORN_DB", (db_folder_ + "/lorn.json").c_str(), 1);  // reread
        EXPECT_EQ(login({}), RQ_err_file_corrupt) << broken;
        ::setenv("KAVOHOST_LORN_DB", db_folder_.c_str(), 1);
        EXPECT_EQ(login({}), RQ_err_file_corrupt) << broken;
    }
    json overlong = default_db();
    overlong["items"][0]["revisions"][0]["id"] = std::string(97, 'R');
    write_db(overlong);
    ::setenv("KAVOHOST_LORN_DB", (db_folder_ + "/lorn.json").c_str(), 1);
    EXPECT_EQ(login({}), RQ_err_file_corrupt);
    EXPECT_EQ(RQ_is_initialized(), 0);
    EXPECT_EQ(pdm_active(), 0);
}

TEST_F(PdmTest, LoginFaultAndRefusedSessionStart) {
    standin::set_fault("RQ_VRELMGR_initialize", 3001, {}, 1);
    EXPECT_EQ(login({}), 3001);
    standin::set_fault("RQ_initialize", 77, {}, 1);
    EXPECT_EQ(login({}), 77);
    EXPECT_EQ(pdm_active(), 0);
    EXPECT_EQ(login({}), 0);
    // The lookups consult the fault table too; by name where they take one.
    standin::load_faults(nlohmann::json::parse(R"([
        {"call": "RQ_VRELMGR_ask_config_rule", "code": 3002, "times": 1},
        {"call": "RQ_VRELMGR_ask_part_tag", "code": 3003, "handle": "4711"},
        {"call": "RQ_VRELMGR_decode_part_filename", "code": 3004, "times": 1}])"));
    char rule[516] = "";
    EXPECT_EQ(RQ_VRELMGR_ask_config_rule(rule), 3002);
    EXPECT_EQ(RQ_VRELMGR_ask_config_rule(rule), 0);
    tag_t item = NULL_TAG;
    EXPECT_EQ(RQ_VRELMGR_ask_part_tag("4711", &item), 3003);
    char number[256], revision[97], type[127], name[256];
    EXPECT_EQ(RQ_VRELMGR_decode_part_filename("@DB/4711/A/master/", number, revision, type, name),
              3004);
}

// ---- revision rules -------------------------------------------------------------
TEST_F(PdmTest, RulesSelectTheConfiguredRevision) {
    ASSERT_EQ(login({}), 0);
    tag_t item = NULL_TAG;
    ASSERT_EQ(RQ_VRELMGR_ask_part_tag("4711", &item), 0);
    auto configured = [&]() {
        tag_t rev = NULL_TAG;
        char id[97] = "";
        EXPECT_EQ(RQ_VRELMGR_ask_configured_rev(item, &rev), 0);
        EXPECT_EQ(RQ_VRELMGR_ask_part_revision_id(rev, id), 0);
        return std::string(id);
    };
    EXPECT_EQ(configured(), "B");

    EXPECT_EQ(RQ_VRELMGR_set_config_rule("Latest Released"), 0);
    EXPECT_EQ(rule(), "Latest Released");
    EXPECT_EQ(configured(), "A");

    EXPECT_EQ(RQ_VRELMGR_set_config_rule("latest released"), RQ_err_config_rule);
    EXPECT_EQ(RQ_VRELMGR_set_config_rule(""), RQ_err_config_rule);
    EXPECT_EQ(rule(), "Latest Released");

    ASSERT_EQ(RQ_VRELMGR_set_config_rule("Obsolete Only"), 0);
    tag_t rev = 4242;
    EXPECT_EQ(RQ_VRELMGR_ask_configured_rev(item, &rev), RQ_err_pdm_unknown);
    EXPECT_EQ(rev, 4242u);
    EXPECT_EQ(RQ_VRELMGR_ask_configured_rev(12345, &rev), RQ_err_bad_tag);
    char id[97] = "keep";
    EXPECT_EQ(RQ_VRELMGR_ask_part_revision_id(12345, id), RQ_err_bad_tag);
    EXPECT_STREQ(id, "keep");
}

TEST_F(PdmTest, UnknownNumberLeavesItemUntouched) {
    ASSERT_EQ(login({}), 0);
    tag_t item = 777;
    EXPECT_EQ(RQ_VRELMGR_ask_part_tag("9999", &item), RQ_err_pdm_unknown);
    EXPECT_EQ(RQ_VRELMGR_ask_part_tag("", &item), RQ_err_pdm_unknown);
    EXPECT_EQ(RQ_VRELMGR_ask_part_tag("47 11", &item), RQ_err_pdm_unknown);
    EXPECT_EQ(item, 777u);
    tag_t a = 0, b = 0;
    EXPECT_EQ(RQ_VRELMGR_ask_part_tag("4711", &a), 0);
    EXPECT_EQ(RQ_VRELMGR_ask_part_tag("0815", &b), 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(RQ_OBJ_ask_status(a), RQ_OBJ_DELETED);  // no part object
}

// ---- encoding -------------------------------------------------------------------
TEST_F(PdmTest, EncodeDecodeRoundTrip) {
    EXPECT_EQ(encode("4711", "A", "master", "part_a"), "@DB/4711/A/master/part_a");
    EXPECT_EQ(encode("4711", "A", "", ""), "@DB/4711/A//");
    EXPECT_EQ(encode("", "", "", ""), "@DB////");

    const std::vector<std::vector<std::string>> cases = {
        {"4711", "A", "master", "part_a"},   {"4711", "A", "", ""}, {"a/b", "%2F", "x%y", "x/y/z"},
        {"47 11", "rev 1", "", "file name"}, {"", "", "", ""},      {"\xe4", "@\xff", "@DB/", "%"}};
    for (const auto& c : cases) {
        int code = -1;
        const std::string encoded =
            encode(c[0].c_str(), c[1].c_str(), c[2].c_str(), c[3].c_str(), &code);
        EXPECT_EQ(code, 0);
        const Fields f = decode(encoded);
        EXPECT_EQ(f.code, 0) << encoded;
        EXPECT_EQ(f.number, c[0]);
        EXPECT_EQ(f.rev, c[1]);
        EXPECT_EQ(f.type, c[2]);
        EXPECT_EQ(f.name, c[3]);
    }
    EXPECT_EQ(encode("a/b", "%", "", ""), "@DB/a%2Fb/%25//");
}

TEST_F(PdmTest, DecodeRefusesOtherTexts) {
    for (const char* text : {"", "/tmp/part.json", "@DB", "@DB/4711/A", "@DB/4711/A/master",
                             "@db/4711/A/master/x", "@DB/4711/A/master/x/y", "@DB/%/A//",
                             "@DB/%4/A//", "@DB/%zz/A//", "@DB/%00/A//", "x@DB/4711/A//"}) {
        const Fields f = decode(text);
        EXPECT_EQ(f.code, RQ_err_pdm_encoding) << text;
        EXPECT_EQ(f.number + f.rev + f.type + f.name, "") << text;
    }
    char n[256], r[97], t[127], f[256];
    EXPECT_EQ(RQ_VRELMGR_decode_part_filename(nullptr, n, r, t, f), RQ_err_bad_argument);
    EXPECT_EQ(RQ_VRELMGR_decode_part_filename("@DB////", n, nullptr, t, f), RQ_err_bad_argument);
}

TEST_F(PdmTest, OverlongFieldsAreRefusedOrCut) {
    const std::string n255(255, 'n'), n256(256, 'n');
    const std::string r96(96, 'r'), r97(97, 'r');
    int code = 0;
    EXPECT_EQ(encode(n256.c_str(), "A", "", "", &code), "");
    EXPECT_EQ(code, RQ_err_pdm_encoding);
    EXPECT_EQ(encode("1", r97.c_str(), "", "", &code), "");
    EXPECT_EQ(code, RQ_err_pdm_encoding);
    EXPECT_EQ(encode("1", "A", std::string(127, 't').c_str(), "", &code), "");
    EXPECT_EQ(encode("1", "A", "", std::string(256, 'f').c_str(), &code), "");
    // Each field fits, but escapes make the name longer than 515 characters.
    EXPECT_EQ(encode(std::string(200, '/').c_str(), "A", "", "", &code), "");
    EXPECT_EQ(code, RQ_err_pdm_encoding);
    // Longest fields that fit together.
    const std::string longest =
        encode(n255.c_str(), r96.c_str(), "t", std::string(156, 'f').c_str(), &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(longest.size(), 515u);
    EXPECT_EQ(decode(longest).code, 0);

    // A hand-made name whose fields do not fit the caller's buffers: cut, and the call fails.
    const Fields cut = decode("@DB/" + std::string(300, 'n') + "/" + r97 + "/" +
                              std::string(200, 't') + "/" + std::string(254, 'f') + "\xe4\xb0");
    EXPECT_EQ(cut.code, RQ_err_pdm_encoding);
    EXPECT_EQ(cut.number, n255);
    EXPECT_EQ(cut.rev, r96);
    EXPECT_EQ(cut.type, std::string(126, 't'));
    EXPECT_EQ(cut.name, std::string(254, 'f') + "\xe4");  // 8-bit texts are cut at the byte
}

// ---- opening ----------------------------------------------------------------------
TEST_F(PdmTest, OpeningEncodedNamesLoadsDatasets) {
    ASSERT_EQ(login({}), 0);
    tag_t part = NULL_TAG;
    RQ_PART_load_status_t status{};
    ASSERT_EQ(RQ_PART_open("@DB/4711/B//", &part, &status), 0);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), part);
    EXPECT_EQ(part_name(part), "@DB/4711/B//");
    char* description = nullptr;
    ASSERT_EQ(RQ_PART_ask_description(part, &description), 0);
    EXPECT_STREQ(description, "p4711_B");  // the default (master) dataset
    RQ_free(description);

    ASSERT_EQ(RQ_PART_open("@DB/4711/B/drawing/p4711_sheet", &part, &status), 0);
    EXPECT_EQ(part_name(part), "@DB/4711/B/drawing/p4711_sheet");
    const Fields f = decode(part_name(part));
    EXPECT_EQ(f.type, "drawing");
    EXPECT_EQ(f.name, "p4711_sheet");

    tag_t kept = part;
    for (const char* unknown : {"@DB/9999/A//", "@DB/4711/Z//", "@DB/4711/B/nosuch/", "@DB////"}) {
        EXPECT_EQ(RQ_PART_open(unknown, &part, &status), RQ_err_pdm_unknown) << unknown;
    }
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), kept);
}

TEST_F(PdmTest, BareNumberFlowOpensTheConfiguredRevision) {
    ASSERT_EQ(login({}), 0);
    ASSERT_EQ(RQ_VRELMGR_set_config_rule("Latest Released"), 0);
    tag_t item = NULL_TAG, rev = NULL_TAG;
    char rev_id[97] = "";
    ASSERT_EQ(RQ_VRELMGR_ask_part_tag("4711", &item), 0);
    ASSERT_EQ(RQ_VRELMGR_ask_configured_rev(item, &rev), 0);
    ASSERT_EQ(RQ_VRELMGR_ask_part_revision_id(rev, rev_id), 0);
    const std::string name = encode("4711", rev_id, "", "");
    tag_t part = NULL_TAG;
    RQ_PART_load_status_t status{};
    ASSERT_EQ(RQ_PART_open(name.c_str(), &part, &status), 0);
    EXPECT_EQ(part_name(part), "@DB/4711/A//");
    char* description = nullptr;
    RQ_PART_ask_description(part, &description);
    EXPECT_STREQ(description, "p4711_A");
    RQ_free(description);
}

TEST_F(PdmTest, EncodedNamesOutsideALornSessionAreFileNames) {
    ASSERT_EQ(RQ_initialize(), 0);
    tag_t part = NULL_TAG;
    RQ_PART_load_status_t status{};
    EXPECT_EQ(RQ_PART_open("@DB/4711/A//", &part, &status), RQ_err_file_not_found);
    standin::set_pdm_active(1);  // as a plug-in test switches LORN on
    EXPECT_EQ(RQ_PART_open("@DB/4711/A//", &part, &status), 0);
}

}  // namespace

namespace {

// The sample database of the repository opens every dataset it names.
class PdmSampleTest : public HostTest {
  protected:
    void TearDown() override {
        ::unsetenv("KAVOHOST_LORN_DB");
        HostTest::TearDown();
    }
};

TEST_F(PdmSampleTest, SampleDatabaseOpensEveryDataset) {
    ::setenv("KAVOHOST_LORN_DB", KAVOHOST_SAMPLES "/lorn", 1);
    std::vector<std::string> args = {"kavotalvex", "-pim=yes", "-u=checker", "-p=check"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    ASSERT_EQ(RQ_VRELMGR_initialize(static_cast<int>(argv.size()), argv.data()), 0);
    for (const char* name :
         {"@DB/4711/A//", "@DB/4711/B//", "@DB/4711/B/drawing/p4711_sheet", "@DB/0815/A//"}) {
        tag_t part = NULL_TAG;
        RQ_PART_load_status_t status{};
        EXPECT_EQ(RQ_PART_open(name, &part, &status), 0) << name;
    }
    ASSERT_EQ(RQ_VRELMGR_set_config_rule("Latest Released"), 0);
    tag_t item = NULL_TAG, rev = NULL_TAG;
    char id[97] = "";
    ASSERT_EQ(RQ_VRELMGR_ask_part_tag("4711", &item), 0);
    ASSERT_EQ(RQ_VRELMGR_ask_configured_rev(item, &rev), 0);
    ASSERT_EQ(RQ_VRELMGR_ask_part_revision_id(rev, id), 0);
    EXPECT_STREQ(id, "A");
}

}  // namespace
