// LORN: database folder, login, revision rules, item and revision lookup,
// and the encoding of part file names.
#include "pdm/pdm.hpp"

#include "parts/parts.hpp"
#include "session/faults.hpp"
#include "session/json_input.hpp"
#include "session/refusals.hpp"
#include "session/text_encoding.hpp"
#include "session/text_out.hpp"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <unordered_map>
#include <vector>

namespace standin {
namespace {

using nlohmann::json;

constexpr const char* kDbEnv = "KAVOHOST_LORN_DB";
constexpr const char* kDbFileName = "lorn.json";
constexpr const char* kPrefix = "@DB/";

// Items and revisions are no part objects; their tags lie in ranges of their
// own, far above the object tags.
constexpr tag_t kItemTagBase = 0xE0000000u;
constexpr tag_t kRevisionTagBase = 0xF0000000u;

struct LornUser {
    std::string name;
    std::string password;
    std::string group;
};

struct LornDataset {
    std::string file_type;
    std::string file_name;
    std::string file;  // part file, relative to the database folder
};

struct LornRevision {
    std::string id;
    int order = 0;
    std::string status;
    std::vector<LornDataset> datasets;
    std::size_t default_dataset = 0;
};

struct LornItem {
    std::string number;
    std::vector<std::size_t> revisions;  // indexes into LornDb::revisions
};

struct LornRule {
    std::string name;
    std::optional<std::string> status;  // latest revision with this status; none: latest
};

struct LornDb {
    std::string folder;
    std::vector<LornUser> users;
    std::string default_user;
    std::vector<LornItem> items;
    std::vector<LornRevision> revisions;
    std::unordered_map<std::string, std::size_t> item_by_number;
    std::vector<LornRule> rules;
    std::string default_rule;
};

struct PdmState {
    std::optional<LornDb> db;
    std::string loaded_from;  // value of the environment variable
    std::string user;
    std::string last_error;
    std::string refused;  // the text of the refusal last reported
};

PdmState& state() {
    static PdmState s;
    return s;
}

// ---- database file ------------------------------------------------------------
// A refused database: the code LORN calls fail with, and where and why.
struct DbError {
    int code;
    Refusal refusal;
};

[[noreturn]] void refuse(std::string place, std::string reason) {
    throw DbError{RQ_err_file_corrupt, {std::move(place), std::move(reason)}};
}

// The database file is UTF-8; its texts become session texts (ISO-8859-1),
// except the dataset file paths, which name files and keep their bytes.
// `where` is the JSON path of the object `j`.
std::string raw_text_field(const json& j, const char* key, bool required,
                           const std::string& where) {
    const auto value = j.find(key);
    if (value == j.end()) {
        if (required) refuse(key_place(where, key), "missing");
        return {};
    }
    if (!value->is_string()) refuse(key_place(where, key), "expected a text");
    return value->get<std::string>();
}

std::string text_field(const json& j, const char* key, bool required, const std::string& where) {
    const std::string raw = raw_text_field(j, key, required, where);
    std::string error;
    auto text = utf8_to_latin1(raw, error);
    if (!text) refuse(key_place(where, key), error);
    return std::move(*text);
}

const json& array_field(const json& j, const char* key, const std::string& where) {
    static const json empty = json::array();
    const auto value = j.find(key);
    if (value == j.end()) return empty;
    if (!value->is_array()) refuse(key_place(where, key), "expected a list");
    return *value;
}

void require_object(const json& j, const std::string& where) {
    if (!j.is_object()) refuse(where, "expected an object");
}

LornRevision parse_revision(const json& j, const std::string& where) {
    require_object(j, where);
    LornRevision rev;
    rev.id = text_field(j, "id", true, where);
    if (rev.id.size() > kPdmRevisionMax)
        refuse(key_place(where, "id"), "longer than 96 characters");
    if (const auto order = j.find("order"); order != j.end()) {
        if (!order->is_number_integer())
            refuse(key_place(where, "order"), "expected a whole number");
        rev.order = order->get<int>();
    }
    rev.status = text_field(j, "status", false, where);
    std::optional<std::size_t> marked_default;
    std::optional<std::size_t> master;
    const json& datasets = array_field(j, "datasets", where);
    for (std::size_t i = 0; i < datasets.size(); ++i) {
        const json& d = datasets[i];
        const std::string dwhere = index_place(key_place(where, "datasets"), i);
        require_object(d, dwhere);
        LornDataset ds;
        ds.file_type = text_field(d, "type", false, dwhere);
        ds.file_name = text_field(d, "name", false, dwhere);
        ds.file = raw_text_field(d, "file", true, dwhere);
        const auto marked = d.find("default");
        if (marked != d.end() && marked->is_boolean() && marked->get<bool>())
            marked_default = rev.datasets.size();
        if (ds.file_type == "master" && !master) master = rev.datasets.size();
        rev.datasets.push_back(std::move(ds));
    }
    rev.default_dataset = marked_default.value_or(master.value_or(0));
    return rev;
}

void parse_users(const json& doc, LornDb& db) {
    const json& users = array_field(doc, "users", "");
    for (std::size_t i = 0; i < users.size(); ++i) {
        const std::string where = index_place("users", i);
        require_object(users[i], where);
        db.users.push_back({text_field(users[i], "name", true, where),
                            text_field(users[i], "password", false, where),
                            text_field(users[i], "group", false, where)});
    }
    db.default_user = text_field(doc, "default_user", false, "");
    if (db.default_user.empty() && !db.users.empty()) db.default_user = db.users.front().name;
}

void parse_items(const json& doc, LornDb& db) {
    const json& items = array_field(doc, "items", "");
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string where = index_place("items", i);
        require_object(items[i], where);
        LornItem item;
        item.number = text_field(items[i], "number", true, where);
        if (item.number.empty() || item.number.size() > kPdmNumberMax)
            refuse(key_place(where, "number"), "empty or longer than 255 characters");
        if (db.item_by_number.count(item.number))
            refuse(key_place(where, "number"), "part number " + item.number + " repeats");
        const json& revisions = array_field(items[i], "revisions", where);
        for (std::size_t r = 0; r < revisions.size(); ++r) {
            item.revisions.push_back(db.revisions.size());
            db.revisions.push_back(
                parse_revision(revisions[r], index_place(key_place(where, "revisions"), r)));
        }
        db.item_by_number.emplace(item.number, db.items.size());
        db.items.push_back(std::move(item));
    }
}

void parse_rules(const json& doc, LornDb& db) {
    const json& rules = array_field(doc, "rules", "");
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const std::string where = index_place("rules", i);
        const json& r = rules[i];
        require_object(r, where);
        LornRule rule;
        rule.name = text_field(r, "name", true, where);
        const std::string policy =
            r.contains("policy") ? text_field(r, "policy", true, where) : "latest";
        if (policy == "latest_with_status") {
            rule.status = text_field(r, "status", true, where);
        } else if (policy != "latest") {
            refuse(key_place(where, "policy"), "expected latest or latest_with_status");
        }
        if (rule.name.empty() || rule.name.size() > 515)
            refuse(key_place(where, "name"), "empty or longer than 515 characters");
        db.rules.push_back(std::move(rule));
    }
    if (db.rules.empty()) db.rules.push_back({"Latest", std::nullopt});
    db.default_rule = text_field(doc, "default_rule", false, "");
    if (db.default_rule.empty()) db.default_rule = db.rules.front().name;
    bool known = false;
    for (const LornRule& rule : db.rules) known = known || rule.name == db.default_rule;
    if (!known) refuse("default_rule", "names no rule (" + db.default_rule + ")");
}

LornDb parse_db(const json& doc, const std::string& folder) {
    require_object(doc, "");
    LornDb db;
    db.folder = folder;
    parse_users(doc, db);
    parse_items(doc, db);
    parse_rules(doc, db);
    return db;
}

bool is_directory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// KAVOHOST_LORN_DB names the database folder (holding lorn.json) or the
// database file itself; `file` becomes the file's name.
LornDb read_db(const std::string& location, std::string& file) {
    if (location.empty())
        throw DbError{RQ_err_file_not_found, {"", std::string(kDbEnv) + " is not set"}};
    std::string folder = location;
    file = location;
    if (is_directory(location)) {
        file = location + "/" + kDbFileName;
    } else {
        const auto slash = location.find_last_of('/');
        folder = slash == std::string::npos ? "." : location.substr(0, slash);
    }
    std::string bytes;
    std::size_t too_deep_at = 0;
    switch (const auto problem =
                read_json_file(file, bytes, JsonFileKinds::regular_or_pipe, &too_deep_at)) {
        case JsonFileProblem::none:
            break;
        case JsonFileProblem::too_deep:
            throw DbError{RQ_err_file_corrupt, json_file_refusal(problem, bytes, too_deep_at)};
        default:
            throw DbError{RQ_err_file_not_found, json_file_refusal(problem, bytes, too_deep_at)};
    }
    json doc;
    Refusal refusal;
    if (!parse_json_text(bytes, doc, refusal))  // refuses texts that are not valid UTF-8
        throw DbError{RQ_err_file_corrupt, refusal};
    return parse_db(doc, folder);
}

// The database named by the environment, read again when the name changes.
// A refused database gives one line (refusals.hpp) until the refusal changes.
const LornDb* lorn_db(int* code) {
    PdmState& s = state();
    const char* env = std::getenv(kDbEnv);
    const std::string location = env ? env : "";
    if (s.db && s.loaded_from == location) return &*s.db;
    s.db.reset();
    std::string file;
    DbError error{0, {}};
    try {
        s.db = read_db(location, file);
        s.loaded_from = location;
        s.refused.clear();
        return &*s.db;
    } catch (const DbError& e) {
        error = e;
    } catch (const std::exception& e) {  // a value of the wrong kind deep inside
        error = DbError{RQ_err_file_corrupt, {"", e.what()}};
    }
    if (location.empty()) {
        s.last_error = "LORN database: " + error.refusal.reason;
    } else {
        const std::string text = refusal_text("LORN database", file, error.refusal);
        if (text != s.refused) report_refusal("LORN database", file, error.refusal);
        s.refused = text;
        s.last_error = text;
    }
    if (code) *code = error.code;
    return nullptr;
}

const LornRule* find_rule(const LornDb& db, const std::string& name) {
    for (const LornRule& rule : db.rules)
        if (rule.name == name) return &rule;
    return nullptr;
}

const LornItem* item_of_tag(const LornDb& db, tag_t tag) {
    if (tag <= kItemTagBase || tag >= kRevisionTagBase) return nullptr;
    const std::size_t index = tag - kItemTagBase - 1;
    return index < db.items.size() ? &db.items[index] : nullptr;
}

const LornRevision* revision_of_tag(const LornDb& db, tag_t tag) {
    if (tag <= kRevisionTagBase) return nullptr;
    const std::size_t index = tag - kRevisionTagBase - 1;
    return index < db.revisions.size() ? &db.revisions[index] : nullptr;
}

const std::string& current_rule_name(const LornDb& db) {
    const std::string& rule = session().config_rule;
    return rule.empty() ? db.default_rule : rule;
}

// The revision the rule selects: the highest order (the later one on a tie),
// among the revisions with the rule's status when it names one.
std::optional<std::size_t> configured_revision(const LornDb& db, const LornItem& item,
                                               const LornRule& rule) {
    std::optional<std::size_t> best;
    for (std::size_t index : item.revisions) {
        const LornRevision& rev = db.revisions[index];
        if (rule.status && rev.status != *rule.status) continue;
        if (!best || rev.order >= db.revisions[*best].order) best = index;
    }
    return best;
}

// ---- name encoding --------------------------------------------------------------
void append_escaped(std::string& out, std::string_view field) {
    for (char c : field) {
        if (c == '%')
            out += "%25";
        else if (c == '/')
            out += "%2F";
        else
            out += c;
    }
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size()) return std::nullopt;
        const int hi = hex_value(field[i + 1]);
        const int lo = hex_value(field[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

bool argument_value(const char* arg, const char* option, std::string& value) {
    const std::string_view a(arg);
    const std::string_view o(option);
    if (a.substr(0, o.size()) != o) return false;
    value = std::string(a.substr(o.size()));
    return true;
}

// A refused login: the reason on standard error, unless it is the refusal of
// the database that the host program has shown already.
int fail_login(int code, std::string reason) {
    PdmState& s = state();
    s.last_error = std::move(reason);
    if (!(refusals_echoed() && s.last_error == s.refused))
        std::cerr << "kavohost: " << s.last_error << '\n';
    return code;
}

}  // namespace

// ---- shared helpers -----------------------------------------------------------------
std::optional<std::string> encode_pdm_name(const PdmKey& key) {
    if (key.number.size() > kPdmNumberMax || key.revision.size() > kPdmRevisionMax ||
        key.file_type.size() > kPdmFileTypeMax || key.file_name.size() > kPdmFileNameMax)
        return std::nullopt;
    std::string out = kPrefix;
    append_escaped(out, key.number);
    out += '/';
    append_escaped(out, key.revision);
    out += '/';
    append_escaped(out, key.file_type);
    out += '/';
    append_escaped(out, key.file_name);
    if (out.size() > kPdmEncodedMax) return std::nullopt;
    return out;
}

std::optional<PdmKey> decode_pdm_name(std::string_view encoded) {
    if (encoded.substr(0, 4) != kPrefix) return std::nullopt;
    std::string_view rest = encoded.substr(4);
    std::string fields[4];
    for (int n = 0; n < 4; ++n) {
        const std::size_t slash = n < 3 ? rest.find('/') : std::string_view::npos;
        if (n < 3 && slash == std::string_view::npos) return std::nullopt;
        std::string_view raw = n < 3 ? rest.substr(0, slash) : rest;
        if (n == 3 && raw.find('/') != std::string_view::npos) return std::nullopt;
        auto field = unescape(raw);
        if (!field) return std::nullopt;
        fields[n] = std::move(*field);
        if (n < 3) rest = rest.substr(slash + 1);
    }
    return PdmKey{fields[0], fields[1], fields[2], fields[3]};
}

std::optional<PdmResolution> resolve_pdm_name(const std::string& name) {
    if (!session().pdm_active) return std::nullopt;
    auto key = decode_pdm_name(name);
    if (!key) return std::nullopt;
    PdmResolution res;
    res.key = *key;
    int code = RQ_err_pdm_unknown;
    const LornDb* db = lorn_db(&code);
    if (!db) {
        res.code = code;
        return res;
    }
    res.code = RQ_err_pdm_unknown;
    const auto item = db->item_by_number.find(key->number);
    if (item == db->item_by_number.end()) return res;
    const LornRevision* revision = nullptr;
    for (std::size_t index : db->items[item->second].revisions)
        if (db->revisions[index].id == key->revision) revision = &db->revisions[index];
    if (!revision || revision->datasets.empty()) return res;
    const LornDataset* dataset = nullptr;
    if (key->file_type.empty() && key->file_name.empty()) {
        dataset = &revision->datasets[revision->default_dataset];
    } else {
        for (const LornDataset& ds : revision->datasets) {
            const bool type_fits = key->file_type.empty() || ds.file_type == key->file_type;
            const bool name_fits = key->file_name.empty() || ds.file_name == key->file_name;
            if (type_fits && name_fits) {
                dataset = &ds;
                break;
            }
        }
    }
    if (!dataset) return res;
    res.code = 0;
    res.path = !dataset->file.empty() && dataset->file.front() == '/'
                   ? dataset->file
                   : db->folder + "/" + dataset->file;
    return res;
}

std::string pdm_user() {
    return state().user;
}
std::string pdm_last_error() {
    return state().last_error;
}

void reset_pdm() {
    PdmState& s = state();
    s.db.reset();
    s.loaded_from.clear();
    s.user.clear();
    s.last_error.clear();
    s.refused.clear();
}

namespace {

// RQ_PART_open asks here first: an encoded name in a LORN session opens the
// dataset's part file under the encoded name.
int open_name_resolver(const std::string& name, std::string& path, std::optional<PdmKey>& pdm) {
    auto resolution = resolve_pdm_name(name);
    if (!resolution) return -1;
    if (resolution->code != 0) return resolution->code;
    path = resolution->path;
    pdm = resolution->key;
    return 0;
}

[[maybe_unused]] const bool pdm_hooks_registered =
    (add_reset_hook(&reset_pdm), set_part_name_resolver(&open_name_resolver), true);

}  // namespace

}  // namespace standin

using namespace standin;

// ---- C interface --------------------------------------------------------------------
extern "C" {

// Login: "-u=" names the user, "-p=" the password, "-g=" the group (checked
// when given). Without "-u=" the database's default user is logged in
// without a password check.
RQ_API int RQ_VRELMGR_initialize(int argc, char** argv) {
    if (int code = fault_code("RQ_VRELMGR_initialize", NULL_TAG))
        return fail_login(code, "LORN login refused (fault)");
    std::optional<std::string> user;
    std::string password;
    std::optional<std::string> group;
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        std::string value;
        if (argument_value(argv[i], "-u=", value))
            user = value;
        else if (argument_value(argv[i], "-p=", value))
            password = value;
        else if (argument_value(argv[i], "-g=", value))
            group = value;
    }
    int code = RQ_err_login;
    const LornDb* db = lorn_db(&code);
    if (!db) return fail_login(code, pdm_last_error());

    const std::string wanted = user.value_or(db->default_user);
    const LornUser* account = nullptr;
    for (const LornUser& u : db->users)
        if (u.name == wanted) account = &u;
    if (!account) return fail_login(RQ_err_login, "LORN login: unknown user " + wanted);
    if (user && account->password != password)
        return fail_login(RQ_err_login, "LORN login: wrong password for " + wanted);
    if (group && *group != account->group)
        return fail_login(RQ_err_login, "LORN login: " + wanted + " is not in group " + *group);

    if (int rc = RQ_initialize()) return fail_login(rc, "LORN login: the session did not open");
    state().user = account->name;
    state().last_error.clear();
    session().pdm_active = 1;
    session().config_rule = db->default_rule;
    return 0;
}

RQ_API int RQ_VRELMGR_set_config_rule(const char* rule_name) {
    if (rule_name == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_VRELMGR_set_config_rule", NULL_TAG)) return code;
    int code = RQ_err_config_rule;
    const LornDb* db = lorn_db(&code);
    if (!db) return code;
    if (!find_rule(*db, rule_name)) return RQ_err_config_rule;
    session().config_rule = rule_name;
    return 0;
}

RQ_API int RQ_VRELMGR_ask_config_rule(char rule_name[516]) {
    if (rule_name == nullptr) return RQ_err_bad_argument;
    if (int fault = fault_code("RQ_VRELMGR_ask_config_rule", NULL_TAG)) return fault;
    int code = RQ_err_config_rule;
    const LornDb* db = lorn_db(&code);
    if (!db) {
        write_text(rule_name, 516, session().config_rule);
        return code;
    }
    write_text(rule_name, 516, current_rule_name(*db));
    return 0;
}

RQ_API int RQ_is_vrelmanager_active(int* is_active) {
    if (is_active == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_is_vrelmanager_active", NULL_TAG)) return code;
    *is_active = session().pdm_active;
    return 0;
}

RQ_API int RQ_VRELMGR_encode_part_filename(const char* part_number, const char* rev_id,
                                           const char* file_type, const char* file_name,
                                           char encoded[3469]) {
    if (encoded == nullptr) return RQ_err_bad_argument;
    encoded[0] = '\0';
    if (!part_number || !rev_id || !file_type || !file_name) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_VRELMGR_encode_part_filename", NULL_TAG)) return code;
    const auto name = encode_pdm_name({part_number, rev_id, file_type, file_name});
    if (!name) return RQ_err_pdm_encoding;
    write_text(encoded, kPdmEncodedMax + 1, *name);
    return 0;
}

// Fields longer than the caller's buffers are cut (and the call fails); a
// text that is no encoded name leaves all four outputs empty.
RQ_API int RQ_VRELMGR_decode_part_filename(const char* encoded, char part_number[256],
                                           char rev_id[97], char file_type[127],
                                           char file_name[256]) {
    for (char* out : {part_number, rev_id, file_type, file_name})
        if (out) out[0] = '\0';
    if (!encoded || !part_number || !rev_id || !file_type || !file_name) return RQ_err_bad_argument;
    if (int code = fault_code_for_name("RQ_VRELMGR_decode_part_filename", encoded)) return code;
    const auto key = decode_pdm_name(encoded);
    if (!key) return RQ_err_pdm_encoding;
    bool whole = write_text(part_number, kPdmNumberMax + 1, key->number);
    whole = write_text(rev_id, kPdmRevisionMax + 1, key->revision) && whole;
    whole = write_text(file_type, kPdmFileTypeMax + 1, key->file_type) && whole;
    whole = write_text(file_name, kPdmFileNameMax + 1, key->file_name) && whole;
    return whole ? 0 : RQ_err_pdm_encoding;
}

RQ_API int RQ_VRELMGR_ask_part_tag(const char* part_number, tag_t* item) {
    if (part_number == nullptr || item == nullptr) return RQ_err_bad_argument;
    if (int fault = fault_code_for_name("RQ_VRELMGR_ask_part_tag", part_number)) return fault;
    int code = RQ_err_pdm_unknown;
    const LornDb* db = lorn_db(&code);
    if (!db) return code;
    const auto found = db->item_by_number.find(part_number);
    if (found == db->item_by_number.end()) return RQ_err_pdm_unknown;
    *item = kItemTagBase + 1 + static_cast<tag_t>(found->second);
    return 0;
}

RQ_API int RQ_VRELMGR_ask_configured_rev(tag_t item, tag_t* revision) {
    if (revision == nullptr) return RQ_err_bad_argument;
    if (int fault = fault_code("RQ_VRELMGR_ask_configured_rev", NULL_TAG)) return fault;
    int code = RQ_err_pdm_unknown;
    const LornDb* db = lorn_db(&code);
    if (!db) return code;
    const LornItem* it = item_of_tag(*db, item);
    if (!it) return RQ_err_bad_tag;
    const LornRule* rule = find_rule(*db, current_rule_name(*db));
    if (!rule) return RQ_err_config_rule;
    const auto index = configured_revision(*db, *it, *rule);
    if (!index) return RQ_err_pdm_unknown;
    *revision = kRevisionTagBase + 1 + static_cast<tag_t>(*index);
    return 0;
}

RQ_API int RQ_VRELMGR_ask_part_revision_id(tag_t revision, char rev_id[97]) {
    if (rev_id == nullptr) return RQ_err_bad_argument;
    if (int fault = fault_code("RQ_VRELMGR_ask_part_revision_id", NULL_TAG)) return fault;
    int code = RQ_err_pdm_unknown;
    const LornDb* db = lorn_db(&code);
    if (!db) return code;
    const LornRevision* rev = revision_of_tag(*db, revision);
    if (!rev) return RQ_err_bad_tag;
    write_text(rev_id, kPdmRevisionMax + 1, rev->id);
    return 0;
}

}  // extern "C"
