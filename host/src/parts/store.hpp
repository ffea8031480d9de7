// The stand-in host's session state: loaded parts, their objects, and the
// session settings. One process holds one session.
#pragma once

#include <rq/rq.h>

#include "parts/record_pool.hpp"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace standin {

// ---- attributes -------------------------------------------------------------
enum class AttrKind { integer, real, time, null, string, boolean };

struct Attribute {
    std::string title;
    AttrKind kind = AttrKind::string;
    int integer = 0;
    double real = 0.0;
    std::array<int, 2> time{0, 0};
    std::string time_text;  // the object interface shows times as text
    std::string text;
    unsigned char boolean = 0;
    bool locked = false;
    bool pdm = false;
    bool overwrite = false;
};

// ---- per-type payloads ------------------------------------------------------
struct Point {
    STANDIN_POOLED_RECORD
    std::array<double, 3> xyz{0, 0, 0};
};

// A solid primitive with a placement (origin plus the columns of a rotation).
enum class Shape { none, block, cylinder, sphere };

struct Body {
    STANDIN_POOLED_RECORD
    int body_type = RQ_MODL_SOLID_BODY;
    double density = 1.0;
    tag_t material = NULL_TAG;
    Shape shape = Shape::none;
    std::array<double, 3> size{0, 0,
                               0};  // block: x, y, z; cylinder: radius, height; sphere: radius
    std::array<double, 3> origin{0, 0, 0};
    std::array<double, 9> axes{1, 0, 0, 0, 1, 0, 0, 0, 1};  // x, y, z axis, row after row
    std::vector<tag_t> features;
    int mass_props_fault = 0;  // non-zero: the mass-property call fails with this code
};

struct Feature {
    STANDIN_POOLED_RECORD
    std::string feature_type;
    std::optional<std::string> display_name;
    bool browseable = true;
    bool suppressed = false;
    int update_code = 0;  // code returned when an update reaches this feature
    int replay_code = 0;  // code returned when a replay reaches this feature
};

struct ReferenceSet {
    STANDIN_POOLED_RECORD
    std::vector<tag_t> members;
};

struct Expression {
    STANDIN_POOLED_RECORD
    std::string exp_name;
    std::string value_text;
    double value = 0.0;
    bool no_edit = false;
};

struct Family {
    STANDIN_POOLED_RECORD
    std::string family_name;
    int member_count = 0;
    int attribute_count = 0;
};

struct Instance {
    STANDIN_POOLED_RECORD
    int suppress_state = 0;
    tag_t suppression_expression = NULL_TAG;
};

// The mating condition set of a first-level component (hosts 4 to 7.5).
struct Mating {
    std::string name;           // at most 132 characters
    int constraints = 0;        // constraints in the set
    bool solved = true;         // the host solved the set
    std::optional<int> status;  // scripted status of the structure check
};

struct Component {
    STANDIN_POOLED_RECORD
    std::string child_file;      // part file of the child, as stored
    tag_t prototype = NULL_TAG;  // the loaded child part
    std::string refset_name;
    std::string instance_name;
    std::array<double, 3> origin{0, 0, 0};
    std::array<double, 9> orientation{1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::array<std::array<double, 4>, 4> transform{
        {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    tag_t instance = NULL_TAG;
    tag_t parent = NULL_TAG;
    bool drafting_component = false;
    int member_count = 0;    // as stored in the file
    int placed_members = 0;  // occurrences placed for it at load (not saved)
    std::optional<Mating> mating;
};

// ---- drawings -----------------------------------------------------------------
// A view (type 60): a member view of a drawing sheet, or the sheet's own view
// that holds the sheet's view-dependent objects.
struct View {
    STANDIN_POOLED_RECORD
    bool out_of_date = false;
    int update_code = 0;  // code of RQ_DRAW_update_one_view; 0 brings the view up to date
    std::array<double, 2> reference_point{0, 0};
    tag_t anchor = NULL_TAG;  // a point (type 2) or none
    int scale_unused = 0;
    double scale = 1.0;
    double angle = 0.0;
    std::array<double, 4> borders{0, 0, 0, 0};  // x min, y min, x max, y max
    int view_type = 0;
    int view_subtype = 0;
    std::vector<tag_t> notes;
    std::string model_part;      // the model-view part name
    std::vector<tag_t> objects;  // cycle code 2: displayed (or view-dependent) objects
    // The view's horizontal axis, vertical axis and direction towards the
    // viewer in model coordinates, row after row (identity: the top view).
    std::array<double, 9> orientation{1, 0, 0, 0, 1, 0, 0, 0, 1};
    tag_t sheet = NULL_TAG;          // the sheet whose member view this is (set on first use)
    mutable std::size_t cursor = 0;  // position after the last object a cycle gave
};

// One item of a sheet's own 2D content, in sheet coordinates: a polyline of
// two or more points, or a text at a point. Colour 0: the sheet's colour.
struct SheetGraphic {
    enum class Kind { polyline, text };
    Kind kind = Kind::polyline;
    std::vector<std::array<double, 2>> points;  // the polyline, or the text's position
    std::string text;
    double height = 0.0;  // text height; 0: the sheet's default
    int color = 0;
};

// A drawing sheet (type 62).
struct Sheet {
    STANDIN_POOLED_RECORD
    tag_t sheet_view = NULL_TAG;
    std::vector<tag_t> views;  // member views, in order
    bool out_of_date = false;
    bool stays_out_of_date = false;             // a view update never clears the flag
    std::optional<std::string> views_text;      // uc6499; none: the member views' names
    bool views_linked = false;                  // member views know their sheet
    int stale_views = 0;                        // member views out of date (once linked)
    std::optional<std::array<double, 2>> size;  // width, height; none: 420 x 297
    std::vector<SheetGraphic> drawing;          // the sheet's own 2D content
};

// A legacy pattern (type 10, subtype 0) as uc5822 and RQ_PATT_ask_params give it.
struct Pattern {
    STANDIN_POOLED_RECORD
    std::optional<std::string> pattern_name;  // none: the object's name
    std::string file_name;
    int unused = 0;
    int retrieval_error = 0;
    std::array<double, 13> data{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};  // matrix, origin, scale
    int origin_display = 0;
    int maxmin_display = 0;
    int control_point_display = 0;
};

// Drafting data of a dimension (type 26): the retained flag and the texts
// appended to the measurement, as the object interface gives them.
struct Dimension {
    STANDIN_POOLED_RECORD
    bool retained = false;
    std::vector<std::string> before_text;
    std::vector<std::string> after_text;
    std::vector<std::string> above_text;
    std::vector<std::string> below_text;
    // "before", "after", "above" or "below": that appended-text getter throws a
    // KavoException; empty: none throws.
    std::string throwing_getter;
    // The two measured points in sheet coordinates (x1, y1, x2, y2), when
    // the part gives them: the CGM exports draw the dimension's lines.
    bool has_measured = false;
    std::array<double, 4> measured{0, 0, 0, 0};
};

// Placement, associativity and texts of a drafting object (type 25) or a
// dimension (type 26).
struct AssociativityRecord {
    tag_t first = NULL_TAG;
    tag_t second = NULL_TAG;
};

struct TextBlock {
    int text_type = 0;
    int font = 0;
    double size = 0.0;
    double angle = 0.0;
    std::vector<std::string> lines;
};

struct SketchDimensionStatus {
    tag_t expression = NULL_TAG;
    std::string expression_text;
    double value = 0.0;
    int status = 0;
};

struct Drafting {
    STANDIN_POOLED_RECORD
    std::array<double, 3> origin{0, 0, 0};
    std::vector<AssociativityRecord> associativity;
    std::vector<TextBlock> text_blocks;
    std::optional<SketchDimensionStatus> sketch;  // only sketch dimensions have one
    std::vector<std::string> text;                // the lines GetText gives (notes, labels)
    bool cast_fails = false;   // the object interface hands out a wrapper of the wrong class
    bool text_throws = false;  // GetText throws an exception that is no KavoException
};

// ---- curves -------------------------------------------------------------------
// A line (type 3) from start to end.
struct Line {
    STANDIN_POOLED_RECORD
    std::array<double, 3> start{0, 0, 0};
    std::array<double, 3> end{0, 0, 0};
};

// A circular arc (type 5) in a plane parallel to XY: centre, radius and the
// angles in radians, drawn counterclockwise from start to end
// (end - start up to 2 pi: a full circle).
struct Arc {
    STANDIN_POOLED_RECORD
    std::array<double, 3> centre{0, 0, 0};
    double radius = 0.0;
    double start_angle = 0.0;
    double end_angle = 0.0;
};

// ---- objects ----------------------------------------------------------------
struct Object {
    STANDIN_POOLED_RECORD
    tag_t tag = NULL_TAG;
    tag_t part = NULL_TAG;  // owning part
    int type = 0;
    int subtype = 0;
    int status = RQ_OBJ_ALIVE;
    bool erased = false;  // deleted in this session: no longer cycled
    std::optional<std::string> name;
    std::string handle;   // persistent: "<part id>:<object id>"
    std::int64_t id = 0;  // object id within its part file
    int layer = 1;
    int color = 1;
    int font = 1;
    int line_width = 0;
    int blank_status = 0;
    bool displayable = true;
    bool transferable = true;
    int created_version = 1;
    int modified_version = 1;
    bool refuse_rename = false;
    bool highlighted = false;
    std::vector<Attribute> attributes;

    // Occurrences: an object of an assembly that stands for an object of a
    // component's part.
    tag_t prototype_object = NULL_TAG;
    tag_t occurrence_component = NULL_TAG;

    // Positions in the owning part's lists, for O(1) cycling.
    std::size_t pos_all = 0;
    std::size_t pos_type = 0;
    std::size_t pos_layer = 0;

    std::unique_ptr<Point> point;
    std::unique_ptr<Body> body;
    std::unique_ptr<Feature> feature;
    std::unique_ptr<ReferenceSet> refset;
    std::unique_ptr<Expression> expression;
    std::unique_ptr<Family> family;
    std::unique_ptr<Instance> instance;
    std::unique_ptr<Component> component;
    std::unique_ptr<View> view;
    std::unique_ptr<Sheet> sheet;
    std::unique_ptr<Pattern> pattern;
    std::unique_ptr<Dimension> dimension;
    std::unique_ptr<Drafting> drafting;
    std::unique_ptr<Line> line;  // type 3
    std::unique_ptr<Arc> arc;    // type 5
    // The view an object depends on (imported CGM objects until they are
    // converted to model objects); 0: a model object.
    tag_t dependent_view = NULL_TAG;

    // Keys of the object's file entry that this host does not read, kept as
    // JSON text (an object) and written back unchanged on save.
    std::string extra;
};

// ---- parts ------------------------------------------------------------------
struct HistoryEntry {
    int version = 0;
    std::int64_t time = 0;  // seconds since the epoch
    std::string program;    // text1
    std::string user;       // text2
    std::string machine;    // text3
};

struct PdmKey {
    std::string number;
    std::string revision;
    std::string file_type;
    std::string file_name;
};

struct Part {
    tag_t tag = NULL_TAG;
    std::string name;     // what RQ_PART_ask_part_name gives: path or encoded name
    std::string path;     // the file on disk
    std::string part_id;  // persistent prefix of the handles
    std::optional<PdmKey> pdm;
    int units = RQ_PART_METRIC;
    std::optional<std::string> description;
    bool family_template = false;
    bool family_instance = false;
    std::vector<tag_t> families;
    std::vector<HistoryEntry> history;
    std::vector<Attribute> attributes;
    tag_t part_attribute_object = NULL_TAG;
    std::vector<tag_t> expressions;
    tag_t current_feature = NULL_TAG;
    std::vector<tag_t> arrangements;
    tag_t active_arrangement = NULL_TAG;
    std::optional<std::array<int, 3>> line_width_map;
    int version = 0;  // save counter
    bool modified = false;
    bool read_only = false;  // saving fails
    int snapshots = 0;
    std::int64_t next_object_id = 1;
    std::string fault_table;  // the file's "faults" array as JSON text, saved back unchanged
    std::string extra;        // unread top-level keys of the file, JSON text of an object

    tag_t work_view = NULL_TAG;  // the modelling work view, once asked (not saved)
    std::vector<tag_t> objects;  // host order
    std::unordered_map<int, std::vector<tag_t>> by_type;
    std::map<int, std::vector<tag_t>> by_layer;
};

// ---- session ------------------------------------------------------------------
struct Session {
    int open_depth = 0;
    int pdm_active = 0;
    std::string config_rule;
    tag_t work_part = NULL_TAG;
    tag_t display_part = NULL_TAG;
    int work_layer = 1;
    logical pattern_archiving = 0;
    logical pattern_shading = 0;
    int update_fail_option = 0;
    // Named, as the hosts 4 to 7.5 lack the eleventh field (rq.h).
    RQ_ASSEM_options_t assem_options{.load_options = 2,
                                     .parts_list = 0,
                                     .update = 0,
                                     .emphasize = 1,
                                     .emphasize_color = 186,
                                     .failure_action = 1,
                                     .maintain_work_part = 0,
                                     .load_latest = 0,
                                     .load_components = 1,
                                     .load_fully = 1,
#ifndef KAVOHOST_LEGACY_RECORDS
                                     .load_interpart_data = 0,
#endif
                                     .load_substitution = 0,
                                     .apply_to_all_levels = 1,
                                     .load_wave_data = 0,
                                     .load_wave_parents = 0};

    // Raised by every change to an object (added, renamed, deleted, ...);
    // lookup caches compare it to know they are current.
    std::uint64_t generation = 0;
    tag_t next_tag = 1;
    std::vector<Object*> tag_table;  // index = tag; null for parts and unused tags
    std::vector<std::unique_ptr<Object>> objects;
    std::vector<std::unique_ptr<Part>> parts;  // loaded parts, load order (rising tags)
    std::unordered_map<std::string, tag_t> tag_by_handle;
};

Session& session();

// Object store operations shared by the call implementations.
inline Object* find_object(tag_t tag) {
    Session& s = session();
    return tag < s.tag_table.size() ? s.tag_table[tag] : nullptr;
}
Part* find_part(tag_t tag);
Part* work_part();
Part& add_part(std::string name, std::string path, std::string part_id);
Object& add_object(Part& part, int type, int subtype);  // assigns tag, id and handle
void index_object(Part& part, Object& object);          // after type or layer changed
void mark_modified(Part& part);
void unload_all_parts();

// ---- additions ---------------------------------------------------------------
// The persistent handle text of an object: "<part id>:<object id>".
std::string handle_text(const std::string& part_id, std::int64_t id);
// Adds an object with a chosen id (0: the part's next id); the id must be
// unused in the part. Indexed like add_object.
Object& add_object_with_id(Part& part, int type, int subtype, std::int64_t id);
// Marks the owning part modified and raises the object's modified version to
// the version the part's next save gets.
void touch_object(Object& object);
// Takes over a part built outside the session (the part file loader): the
// part's tag and its objects' tags must be session().next_tag, +1, ... in
// order. Gives the handles (making the part id unique among loaded parts) and
// builds the lists. Returns the part as stored.
Part& adopt_part(std::unique_ptr<Part> part, std::vector<std::unique_ptr<Object>> objects);

// Cycle steps over a part's lists (previous 0 starts; 0 after the last).
// Objects erased in the session are skipped; O(1) a step, amortised. A
// previous object that is not in the list (never was, or a structure refresh
// took it out) gives 0 and sets *lost when given: the cycle cannot go on.
tag_t next_in_part(const Part& part, tag_t previous, bool* lost = nullptr);
tag_t next_of_type(const Part& part, int type, tag_t previous, bool* lost = nullptr);
tag_t next_on_layer(const Part& part, int layer, tag_t previous, bool* lost = nullptr);
// Takes the objects of `tags` (retired: erased, tags kept) out of the part's
// lists and renumbers the positions of the objects after them.
// O(entries of the lists); the objects before the first one are not touched.
void drop_from_lists(Part& part, const std::vector<tag_t>& tags);

// Part events raised by the host (reason numbers as the callback registry
// uses them: 1 open, 4 close, 5 modified, 7 change of work part). The event
// dispatcher installs itself here; without a hook nothing happens.
using PartEventHook = void (*)(int reason, tag_t part);
void set_part_event_hook(PartEventHook hook);
void fire_part_event(int reason, tag_t part);
enum {
    part_event_open = 1,
    part_event_close = 4,
    part_event_modified = 5,
    part_event_change_work = 7
};

// Called by reset_session, so other host files can drop their own state.
void add_reset_hook(void (*hook)());

}  // namespace standin
