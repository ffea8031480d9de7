// Reading and writing part files (format: docs/part-format.md).
#include "parts/part_file.hpp"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include "parts/payload_reader.hpp"
#include "session/faults.hpp"
#include "session/json_input.hpp"
#include "session/refusals.hpp"
#include "session/text_encoding.hpp"

namespace standin {
namespace {

constexpr const char* format_name = "kavo-part";
constexpr int format_version = 1;
constexpr std::size_t max_name = 30;
constexpr std::size_t max_title = 255;
// Limits of what a part file may hold (docs/part-format.md, Limits): nesting
// is bounded by read_json_file, and ids by the largest whole number a JSON
// number holds exactly everywhere.
constexpr std::int64_t max_object_id = (std::int64_t{1} << 53) - 1;

struct FormatError {
    Refusal refusal;
};

// Ends the load: the place in the file (a JSON path) and the reason.
[[noreturn]] void fail(std::string place, std::string reason) {
    throw FormatError{{std::move(place), std::move(reason)}};
}

std::string& last_error() {
    static std::string text;
    return text;
}

struct Codec {
    PayloadLoader load;
    PayloadSaver save;
};

std::map<std::string, Codec>& codecs() {
    static std::map<std::string, Codec> table;
    return table;
}

// ---- reading fields ---------------------------------------------------------
// The top level, an object entry and the sub-objects the frame reads itself,
// through the one reader; the first mismatch ends the load with the place in
// the file. `where` is the JSON path of the value. Without known keys every
// key is let through (the top level and object entries keep the keys they do
// not read); with them any other key is refused.
class Fields {
  public:
    Fields(const ordered_json& j, std::string where, const LoadContext* context = nullptr)
        : where_(std::move(where)), reader_(j, context, error_) {
        check();
    }
    Fields(const ordered_json& j, std::string where, KnownKeys keys,
           const LoadContext* context = nullptr)
        : where_(std::move(where)), reader_(j, context, error_, keys) {
        check();
    }

    const ordered_json* find(const char* key) const { return reader_.find(key); }
    std::int64_t int64(const char* key, std::int64_t fallback) {
        return checked(reader_.int64(key, fallback));
    }
    int integer(const char* key, int fallback) { return checked(reader_.integer(key, fallback)); }
    double number(const char* key, double fallback) {
        return checked(reader_.number(key, fallback));
    }
    bool boolean(const char* key, bool fallback) { return checked(reader_.boolean(key, fallback)); }
    std::string text(const char* key, const std::string& fallback) {
        return checked(reader_.text(key, fallback));
    }
    std::optional<std::string> optional_text(const char* key) {
        return checked(reader_.optional_text(key));
    }
    template <std::size_t N>
    std::array<double, N> numbers(const char* key, const std::array<double, N>& fallback) {
        return checked(reader_.numbers<N>(key, fallback));
    }
    tag_t ref(const char* key) { return checked(reader_.ref(key)); }

    const std::string& where() const { return where_; }
    std::string at(const char* key) const { return key_place(where_, key); }

  private:
    void check() const {
        if (!reader_.ok()) fail(join_place(where_, error_.place), error_.reason);
    }
    template <typename T>
    T checked(T value) const {
        check();
        return value;
    }

    std::string where_;
    Refusal error_;
    PayloadReader reader_;
};

// The keys of the entries the frame reads itself; any other is refused.
constexpr std::string_view attribute_keys[] = {"title",  "kind", "value",    "time_text",
                                               "locked", "pdm",  "overwrite"};
constexpr std::string_view history_keys[] = {"version", "time", "program", "user", "machine"};
constexpr std::string_view pdm_keys[] = {"number", "revision", "file_type", "file_name"};
// A fault entry of a part file: the keys of every fault table, and the
// object or part it concerns.
constexpr std::string_view part_fault_keys[] = {"call", "code",      "handle", "times",
                                                "skip", "exception", "object", "part"};

const std::set<std::string>& object_keys() {
    static const std::set<std::string> keys = {"id",
                                               "type",
                                               "subtype",
                                               "name",
                                               "status",
                                               "layer",
                                               "color",
                                               "font",
                                               "line_width",
                                               "blank_status",
                                               "displayable",
                                               "transferable",
                                               "created_version",
                                               "modified_version",
                                               "refuse_rename",
                                               "attributes"};
    return keys;
}

const std::set<std::string>& part_keys() {
    static const std::set<std::string> keys = {"format",
                                               "format_version",
                                               "part_id",
                                               "units",
                                               "description",
                                               "family_template",
                                               "family_instance",
                                               "version",
                                               "read_only",
                                               "snapshots",
                                               "next_object_id",
                                               "current_feature",
                                               "active_arrangement",
                                               "line_width_map",
                                               "pdm",
                                               "history",
                                               "attributes",
                                               "faults",
                                               "objects"};
    return keys;
}

std::string max_id_text() {
    return std::to_string(max_object_id);
}

// ---- attributes -------------------------------------------------------------
const char* kind_name(AttrKind kind) {
    switch (kind) {
        case AttrKind::integer:
            return "integer";
        case AttrKind::real:
            return "real";
        case AttrKind::time:
            return "time";
        case AttrKind::null:
            return "null";
        case AttrKind::string:
            return "string";
        case AttrKind::boolean:
            return "boolean";
    }
    return "null";
}

AttrKind kind_of(const std::string& name, const std::string& place) {
    static const std::map<std::string, AttrKind> kinds = {
        {"integer", AttrKind::integer}, {"real", AttrKind::real},
        {"time", AttrKind::time},       {"null", AttrKind::null},
        {"string", AttrKind::string},   {"boolean", AttrKind::boolean}};
    auto it = kinds.find(name);
    if (it == kinds.end()) fail(place, "expected integer, real, time, string, boolean or null");
    return it->second;
}

std::vector<Attribute> read_attributes(Fields& owner) {
    std::vector<Attribute> out;
    const ordered_json* list = owner.find("attributes");
    if (list == nullptr) return out;
    if (!list->is_array()) fail(owner.at("attributes"), "expected a list");
    std::set<std::string> titles;
    for (std::size_t i = 0; i < list->size(); ++i) {
        Fields f((*list)[i], index_place(owner.at("attributes"), i), attribute_keys);
        Attribute a;
        a.title = f.text("title", "");
        if (a.title.empty() || a.title.size() > max_title) {
            fail(f.at("title"), "empty or longer than 255 characters");
        }
        if (!titles.insert(a.title).second) fail(f.at("title"), "the same title as an earlier one");
        a.kind = kind_of(f.text("kind", "string"), f.at("kind"));
        switch (a.kind) {
            case AttrKind::integer:
                a.integer = f.integer("value", 0);
                break;
            case AttrKind::real:
                a.real = f.number("value", 0.0);
                break;
            case AttrKind::time: {
                auto t = f.numbers<2>("value", {0, 0});
                a.time = {static_cast<int>(t[0]), static_cast<int>(t[1])};
                break;
            }
            case AttrKind::string:
                a.text = f.text("value", "");
                if (a.text.size() > max_title) fail(f.at("value"), "longer than 255 characters");
                break;
            case AttrKind::boolean:
                a.boolean = f.boolean("value", false) ? 1 : 0;
                break;
            case AttrKind::null:
                break;
        }
        a.time_text = f.text("time_text", "");
        a.locked = f.boolean("locked", false);
        a.pdm = f.boolean("pdm", false);
        a.overwrite = f.boolean("overwrite", false);
        out.push_back(std::move(a));
    }
    return out;
}

ordered_json write_attribute(const Attribute& a) {
    ordered_json j;
    j["title"] = file_text(a.title);
    j["kind"] = kind_name(a.kind);
    switch (a.kind) {
        case AttrKind::integer:
            j["value"] = a.integer;
            break;
        case AttrKind::real:
            j["value"] = number_to_json(a.real);
            break;
        case AttrKind::time:
            j["value"] = {a.time[0], a.time[1]};
            break;
        case AttrKind::string:
            j["value"] = file_text(a.text);
            break;
        case AttrKind::boolean:
            j["value"] = a.boolean != 0;
            break;
        case AttrKind::null:
            break;
    }
    if (!a.time_text.empty()) j["time_text"] = file_text(a.time_text);
    if (a.locked) j["locked"] = true;
    if (a.pdm) j["pdm"] = true;
    if (a.overwrite) j["overwrite"] = true;
    return j;
}

// ---- payloads ---------------------------------------------------------------
// Every payload kind is read and written by the codec registered for its key.
void read_payloads(const Fields& f, Object& o, const LoadContext& context) {
    for (const auto& [key, codec] : codecs()) {
        const ordered_json* v = f.find(key.c_str());
        if (v == nullptr || codec.load == nullptr) continue;
        Refusal error;
        if (!codec.load(*v, o, context, error))
            fail(join_place(f.at(key.c_str()), error.place), error.reason);
    }
}

void write_payloads(const Object& o, ordered_json& j, const SaveContext& context) {
    for (const auto& [key, codec] : codecs()) {
        if (codec.save != nullptr) codec.save(o, j, context);
    }
}

// ---- objects ----------------------------------------------------------------
std::string extra_keys(const ordered_json& j, const std::set<std::string>& known) {
    ordered_json extra = ordered_json::object();
    for (auto it = j.begin(); it != j.end(); ++it) {
        if (!known.count(it.key()) && !codecs().count(it.key())) extra[it.key()] = it.value();
    }
    return extra.empty() ? std::string() : extra.dump();
}

void append_extra(ordered_json& j, const std::string& extra) {
    if (extra.empty()) return;
    ordered_json kept = ordered_json::parse(extra, nullptr, false);
    if (!kept.is_object()) return;
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (!j.contains(it.key())) j[it.key()] = it.value();
    }
}

void read_common(Fields& f, Object& o) {
    if (auto name = f.optional_text("name")) {
        if (name->size() > max_name) fail(f.at("name"), "longer than 30 characters");
        if (!name->empty()) o.name = std::move(*name);
    }
    o.status = f.integer("status", RQ_OBJ_ALIVE);
    if (o.status < RQ_OBJ_DELETED || o.status > RQ_OBJ_ALIVE)
        fail(f.at("status"), "expected 0 to 3");
    o.erased = o.status == RQ_OBJ_DELETED;
    o.layer = f.integer("layer", 1);
    o.color = f.integer("color", 1);
    o.font = f.integer("font", 1);
    o.line_width = f.integer("line_width", 0);
    o.blank_status = f.integer("blank_status", 0);
    o.displayable = f.boolean("displayable", true);
    o.transferable = f.boolean("transferable", true);
    o.created_version = f.integer("created_version", 1);
    o.modified_version = f.integer("modified_version", o.created_version);
    o.refuse_rename = f.boolean("refuse_rename", false);
    o.attributes = read_attributes(f);
}

ordered_json write_object(const Object& o, const SaveContext& context) {
    static const Object defaults;
    ordered_json j;
    j["id"] = o.id;
    j["type"] = o.type;
    j["subtype"] = o.subtype;
    if (o.name) j["name"] = file_text(*o.name);
    int status = o.erased ? RQ_OBJ_DELETED : o.status;
    if (status != defaults.status) j["status"] = status;
    if (o.layer != defaults.layer) j["layer"] = o.layer;
    if (o.color != defaults.color) j["color"] = o.color;
    if (o.font != defaults.font) j["font"] = o.font;
    if (o.line_width != defaults.line_width) j["line_width"] = o.line_width;
    if (o.blank_status != defaults.blank_status) j["blank_status"] = o.blank_status;
    if (o.displayable != defaults.displayable) j["displayable"] = o.displayable;
    if (o.transferable != defaults.transferable) j["transferable"] = o.transferable;
    if (o.created_version != defaults.created_version) j["created_version"] = o.created_version;
    if (o.modified_version != o.created_version) j["modified_version"] = o.modified_version;
    if (o.refuse_rename) j["refuse_rename"] = true;
    if (!o.attributes.empty()) {
        ordered_json list = ordered_json::array();
        for (const auto& a : o.attributes) list.push_back(write_attribute(a));
        j["attributes"] = std::move(list);
    }
    write_payloads(o, j, context);
    append_extra(j, o.extra);
    return j;
}

bool is_occurrence(const Object& o) {
    return o.prototype_object != NULL_TAG || o.occurrence_component != NULL_TAG;
}

// ---- the part ---------------------------------------------------------------
// The file leaf without extension; a UTF-8 leaf becomes ISO-8859-1 when it
// can, otherwise its bytes are kept.
std::string default_part_id(const std::string& path) {
    std::string leaf = std::filesystem::path(path).filename().string();
    auto dot = leaf.find('.');
    if (dot != std::string::npos && dot > 0) leaf.resize(dot);
    if (leaf.empty()) return "part";
    std::string error;
    return utf8_to_latin1(leaf, error).value_or(leaf);
}

struct PendingFault {
    FaultEntry entry;
    std::int64_t object_id = 0;
    bool whole_part = false;
};

struct Staged {
    std::unique_ptr<Part> part;
    std::vector<std::unique_ptr<Object>> objects;
    std::vector<PendingFault> faults;
    LoadContext context;
};

std::vector<PendingFault> read_faults(const ordered_json& list, const LoadContext& context) {
    if (!list.is_array()) fail("faults", "expected a list");
    std::vector<PendingFault> out;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string where = index_place("faults", i);
        PendingFault pending;
        Refusal refusal;
        if (!parse_fault(list[i], pending.entry, refusal, FaultTexts::utf8, part_fault_keys))
            fail(join_place(where, refusal.place), refusal.reason);
        Fields f(list[i], where);
        pending.object_id = f.int64("object", 0);
        if (pending.object_id != 0 && context.tag_of_id(pending.object_id) == NULL_TAG) {
            fail(f.at("object"),
                 "object id " + std::to_string(pending.object_id) + " is not in the file");
        }
        pending.whole_part = f.boolean("part", false);
        out.push_back(std::move(pending));
    }
    return out;
}

void read_history(Fields& top, Part& part) {
    const ordered_json* list = top.find("history");
    if (list == nullptr) return;
    if (!list->is_array()) fail("history", "expected a list");
    for (std::size_t i = 0; i < list->size(); ++i) {
        Fields f((*list)[i], index_place("history", i), history_keys);
        HistoryEntry h;
        h.version = f.integer("version", 0);
        h.time = f.int64("time", 0);
        h.program = f.text("program", "");
        h.user = f.text("user", "");
        h.machine = f.text("machine", "");
        part.history.push_back(std::move(h));
    }
}

Staged stage(const ordered_json& doc, const std::string& path, const std::string& part_name) {
    Staged staged;
    LoadContext& context = staged.context;
    Fields top(doc, "", &context);
    if (const ordered_json* format = top.find("format")) {
        if (*format != format_name) fail("format", "not a part file (expected \"kavo-part\")");
    }
    if (top.integer("format_version", format_version) > format_version) {
        fail("format_version",
             "newer than this host reads (" + std::to_string(format_version) + ")");
    }

    staged.part = std::make_unique<Part>();
    Part& part = *staged.part;
    const tag_t base = session().next_tag;
    part.tag = base;
    part.name = part_name;
    part.path = path;
    part.part_id = top.text("part_id", default_part_id(path));
    if (part.part_id.empty() || part.part_id.find(':') != std::string::npos) {
        fail("part_id", "empty or holds a ':'");
    }

    // First pass: ids and tags, so references can point forwards.
    const ordered_json* objects = top.find("objects");
    static const ordered_json no_objects = ordered_json::array();
    if (objects == nullptr) objects = &no_objects;
    if (!objects->is_array()) fail("objects", "expected a list");
    context.ids.reserve(objects->size());
    staged.objects.reserve(objects->size());
    for (std::size_t i = 0; i < objects->size(); ++i) {
        Fields f((*objects)[i], index_place("objects", i));
        std::int64_t id = f.int64("id", 0);
        if (f.find("id") == nullptr) fail(f.at("id"), "missing");
        if (id <= 0) fail(f.at("id"), "expected a whole number above 0");
        if (id > max_object_id) fail(f.at("id"), "beyond " + max_id_text());
        tag_t tag = base + 1 + static_cast<tag_t>(i);
        if (!context.ids.emplace(id, tag).second)
            fail(f.at("id"), "object id " + std::to_string(id) + " repeats");
        if (f.find("type") == nullptr) fail(f.at("type"), "missing");
        auto o = std::make_unique<Object>();
        o->tag = tag;
        o->part = part.tag;
        o->id = id;
        o->type = f.integer("type", 0);
        o->subtype = f.integer("subtype", 0);
        if (o->type < 0) fail(f.at("type"), "expected a whole number of 0 or more");
        staged.objects.push_back(std::move(o));
    }

    // Second pass: fields and payloads.
    for (std::size_t i = 0; i < objects->size(); ++i) {
        Object& o = *staged.objects[i];
        Fields f((*objects)[i], index_place("objects", i));
        read_common(f, o);
        read_payloads(f, o, context);
        o.extra = extra_keys((*objects)[i], object_keys());
        if (o.expression) part.expressions.push_back(o.tag);
        if (o.family) part.families.push_back(o.tag);
        if (o.type == RQ_arrangement_type) part.arrangements.push_back(o.tag);
        if (o.type == RQ_part_attribute_type && part.part_attribute_object == NULL_TAG) {
            part.part_attribute_object = o.tag;
        }
    }

    int units = top.integer("units", RQ_PART_METRIC);
    part.units = units;
    part.description = top.optional_text("description");
    part.family_template = top.boolean("family_template", false);
    part.family_instance = top.boolean("family_instance", false);
    part.version = top.integer("version", 0);
    part.read_only = top.boolean("read_only", false);
    part.snapshots = top.integer("snapshots", 0);
    part.next_object_id = top.int64("next_object_id", 1);
    if (part.next_object_id < 1 || part.next_object_id > max_object_id)
        fail("next_object_id", "expected 1 to " + max_id_text());
    part.current_feature = top.ref("current_feature");
    part.active_arrangement = top.ref("active_arrangement");
    if (const ordered_json* map = top.find("line_width_map"); map != nullptr && !map->is_null()) {
        auto values = top.numbers<3>("line_width_map", {0, 0, 0});
        {
            part.line_width_map =
                std::array<int, 3>{static_cast<int>(values[0]), static_cast<int>(values[1]),
                                   static_cast<int>(values[2])};
        }
    }
    if (const ordered_json* pdm = top.find("pdm")) {
        Fields p(*pdm, "pdm", pdm_keys);
        part.pdm = PdmKey{p.text("number", ""), p.text("revision", ""), p.text("file_type", ""),
                          p.text("file_name", "")};
    }
    read_history(top, part);
    part.attributes = read_attributes(top);
    if (const ordered_json* faults = top.find("faults")) {
        staged.faults = read_faults(*faults, context);
        part.fault_table = faults->dump();
    }
    part.extra = extra_keys(doc, part_keys());
    return staged;
}

int fail_with(int code, std::string text, std::string& error) {
    error = std::move(text);
    last_error() = error;
    return code;
}

// Writes a JSON value with each list element of the top level on a line of
// its own: readable, and diffs stay small. Every session text was converted
// to UTF-8 before it went in, so the dump is strict: a text that was missed
// throws (and the save fails) instead of being written damaged.
std::string layout(const ordered_json& doc) {
    std::string out = "{\n";
    bool first = true;
    for (auto it = doc.begin(); it != doc.end(); ++it) {
        if (!first) out += ",\n";
        first = false;
        out += "  " + ordered_json(it.key()).dump() + ": ";
        const ordered_json& v = it.value();
        if (v.is_array() && !v.empty() && (v.front().is_object() || v.front().is_array())) {
            out += "[\n";
            for (std::size_t i = 0; i < v.size(); ++i) {
                out += "    " + v[i].dump();
                out += i + 1 < v.size() ? ",\n" : "\n";
            }
            out += "  ]";
        } else {
            out += v.dump();
        }
    }
    out += "\n}\n";
    return out;
}

}  // namespace

ordered_json ids_json(const std::vector<tag_t>& tags, const SaveContext& context) {
    ordered_json j = ordered_json::array();
    for (tag_t t : tags) {
        if (std::int64_t id = context.id_of(t)) j.push_back(id);
    }
    return j;
}

ordered_json texts_json(const std::vector<std::string>& texts) {
    ordered_json j = ordered_json::array();
    for (const std::string& t : texts) j.push_back(file_text(t));
    return j;
}

void put_ref(ordered_json& j, const char* key, tag_t tag, const SaveContext& context) {
    if (std::int64_t id = context.id_of(tag)) j[key] = id;
}

// ---- public -----------------------------------------------------------------
bool LoadContext::resolve(const ordered_json& value, tag_t& tag, std::string& error) const {
    tag = NULL_TAG;
    if (value.is_null()) return true;
    if (!value.is_number_integer()) {
        error = "expected an object id";
        return false;
    }
    std::int64_t id = value.get<std::int64_t>();
    if (id == 0) return true;
    tag = tag_of_id(id);
    if (tag == NULL_TAG) {
        error = "object id " + std::to_string(id) + " is not in the file";
        return false;
    }
    return true;
}

tag_t LoadContext::tag_of_id(std::int64_t id) const {
    auto it = ids.find(id);
    return it == ids.end() ? NULL_TAG : it->second;
}

std::int64_t SaveContext::id_of(tag_t tag) const {
    const Object* o = find_object(tag);
    if (o == nullptr || o->part != part || is_occurrence(*o)) return 0;
    return o->id;
}

void register_payload(const std::string& key, PayloadLoader load, PayloadSaver save) {
    codecs()[key] = Codec{load, save};
}

ordered_json number_to_json(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return value;
}

bool number_from_json(const ordered_json& value, double& out) {
    if (value.is_number()) {
        out = value.get<double>();
        return true;
    }
    if (value.is_string()) {
        const std::string& s = value.get_ref<const std::string&>();
        if (s == "nan")
            out = std::numeric_limits<double>::quiet_NaN();
        else if (s == "inf")
            out = std::numeric_limits<double>::infinity();
        else if (s == "-inf")
            out = -std::numeric_limits<double>::infinity();
        else
            return false;
        return true;
    }
    return false;
}

const std::string& last_part_file_error() {
    return last_error();
}

int read_part_file(const std::string& path, const std::string& part_name, Part** part,
                   std::string& error) {
    // A refused file: one syslog line, whose text is the error.
    const auto refuse = [&](int code, const Refusal& refusal) {
        return fail_with(code, report_refusal("part file", path, refusal), error);
    };
    std::string bytes;
    std::size_t too_deep_at = 0;
    switch (const auto problem =
                read_json_file(path, bytes, JsonFileKinds::regular, &too_deep_at)) {
        case JsonFileProblem::none:
            break;
        case JsonFileProblem::missing:
            return fail_with(RQ_err_file_not_found, "no part file \"" + path + "\"", error);
        case JsonFileProblem::too_deep:
            return refuse(RQ_err_file_corrupt, json_file_refusal(problem, bytes, too_deep_at));
        default:
            return refuse(RQ_err_file_unreadable, json_file_refusal(problem, bytes, too_deep_at));
    }
    ordered_json doc;
    Refusal refusal;
    if (!parse_json_text(bytes, doc, refusal)) return refuse(RQ_err_file_corrupt, refusal);
    Staged staged;
    try {
        staged = stage(doc, path, part_name);
    } catch (const FormatError& e) {
        return refuse(RQ_err_file_corrupt, e.refusal);
    } catch (const nlohmann::json::exception& e) {
        return refuse(RQ_err_file_corrupt, {"", e.what()});
    }
    Part& stored = adopt_part(std::move(staged.part), std::move(staged.objects));
    for (auto& pending : staged.faults) {
        if (pending.object_id != 0) {
            if (const Object* o = find_object(staged.context.tag_of_id(pending.object_id))) {
                pending.entry.handle = o->handle;
            }
        } else if (pending.whole_part) {
            pending.entry.handle = stored.part_id;
        }
        add_fault(std::move(pending.entry));
    }
    if (part != nullptr) *part = &stored;
    error.clear();
    return 0;
}

std::string part_file_text(const Part& part) {
    SaveContext context;
    context.part = part.tag;
    ordered_json doc;
    doc["format"] = format_name;
    doc["format_version"] = format_version;
    doc["part_id"] = file_text(part.part_id);
    doc["units"] = part.units;
    if (part.description) doc["description"] = file_text(*part.description);
    if (part.family_template) doc["family_template"] = true;
    if (part.family_instance) doc["family_instance"] = true;
    doc["version"] = part.version;
    if (part.read_only) doc["read_only"] = true;
    if (part.snapshots != 0) doc["snapshots"] = part.snapshots;
    doc["next_object_id"] = part.next_object_id;
    put_ref(doc, "current_feature", part.current_feature, context);
    put_ref(doc, "active_arrangement", part.active_arrangement, context);
    if (part.line_width_map) {
        const auto& m = *part.line_width_map;
        doc["line_width_map"] = {m[0], m[1], m[2]};
    }
    if (part.pdm) {
        doc["pdm"] = {{"number", file_text(part.pdm->number)},
                      {"revision", file_text(part.pdm->revision)},
                      {"file_type", file_text(part.pdm->file_type)},
                      {"file_name", file_text(part.pdm->file_name)}};
    }
    if (!part.history.empty()) {
        ordered_json list = ordered_json::array();
        for (const auto& h : part.history) {
            ordered_json e;
            e["version"] = h.version;
            e["time"] = h.time;
            e["program"] = file_text(h.program);
            e["user"] = file_text(h.user);
            e["machine"] = file_text(h.machine);
            list.push_back(std::move(e));
        }
        doc["history"] = std::move(list);
    }
    if (!part.attributes.empty()) {
        ordered_json list = ordered_json::array();
        for (const auto& a : part.attributes) list.push_back(write_attribute(a));
        doc["attributes"] = std::move(list);
    }
    if (!part.fault_table.empty()) {
        ordered_json faults = ordered_json::parse(part.fault_table, nullptr, false);
        if (faults.is_array() && !faults.empty()) doc["faults"] = std::move(faults);
    }
    append_extra(doc, part.extra);
    ordered_json list = ordered_json::array();
    for (std::size_t i = 0; i < part.objects.size(); ++i) {
        const Object* o = find_object(part.objects[i]);
        if (o == nullptr || o->part != part.tag || o->pos_all != i || is_occurrence(*o)) continue;
        list.push_back(write_object(*o, context));
    }
    doc["objects"] = std::move(list);
    return layout(doc);
}

int write_part_file(const Part& part, const std::string& path, std::string& error) {
    std::string text;
    try {
        text = part_file_text(part);
    } catch (const nlohmann::json::exception& e) {
        return fail_with(RQ_err_file_write, "cannot write \"" + path + "\": " + e.what(), error);
    }
    std::error_code ec;
    auto folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    // Written beside the target first, so a failed write leaves the old file.
    std::string temporary = path + ".saving";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::filesystem::remove(temporary, ec);
            return fail_with(RQ_err_file_write, "cannot write \"" + path + "\"", error);
        }
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        return fail_with(RQ_err_file_write, "cannot write \"" + path + "\"", error);
    }
    error.clear();
    return 0;
}

}  // namespace standin
