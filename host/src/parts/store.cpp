// The session's object store: tags, parts, objects and the per-part lists
// that make every cycle step O(1).
#include "parts/store.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace standin {
namespace {

PartEventHook event_hook = nullptr;

std::vector<void (*)()>& reset_hooks() {
    static std::vector<void (*)()> hooks;
    return hooks;
}

// Appends the tag to the list unless the entry at `pos` already holds it.
void place_in(std::vector<tag_t>& list, tag_t tag, std::size_t& pos) {
    if (pos < list.size() && list[pos] == tag) return;
    pos = list.size();
    list.push_back(tag);
}

void register_tag(Session& s, Object& object) {
    if (s.tag_table.size() <= object.tag) s.tag_table.resize(object.tag + 1, nullptr);
    s.tag_table[object.tag] = &object;
}

void register_handle(Session& s, Object& object) {
    s.tag_by_handle[object.handle] = object.tag;
}

bool part_id_in_use(const Session& s, const std::string& id) {
    return std::any_of(s.parts.begin(), s.parts.end(),
                       [&](const auto& p) { return p->part_id == id; });
}

}  // namespace

Session& session() {
    static auto* the_session = new Session();  // stays valid during static destruction
    return *the_session;
}

// The loaded parts stay in the order of their tags: parts get rising tags and
// leave the list without reordering it.
Part* find_part(tag_t tag) {
    if (tag == NULL_TAG) return nullptr;
    const auto& parts = session().parts;
    auto it = std::lower_bound(parts.begin(), parts.end(), tag,
                               [](const std::unique_ptr<Part>& p, tag_t t) { return p->tag < t; });
    return it != parts.end() && (*it)->tag == tag ? it->get() : nullptr;
}

Part* work_part() {
    return find_part(session().work_part);
}

std::string handle_text(const std::string& part_id, std::int64_t id) {
    return part_id + ":" + std::to_string(id);
}

namespace {
// Enters an object into the session's tables and the part's lists.
Object& store_object(Session& s, Part& part, std::unique_ptr<Object> object) {
    ++s.generation;
    Object& stored = *object;
    register_tag(s, stored);
    register_handle(s, stored);
    s.objects.push_back(std::move(object));
    stored.pos_all = part.objects.size();
    part.objects.push_back(stored.tag);
    index_object(part, stored);
    return stored;
}
}  // namespace

Part& add_part(std::string name, std::string path, std::string part_id) {
    Session& s = session();
    auto part = std::make_unique<Part>();
    part->tag = s.next_tag++;
    part->name = std::move(name);
    part->path = std::move(path);
    part->part_id = std::move(part_id);
    Part& stored = *part;
    s.parts.push_back(std::move(part));
    return stored;
}

Object& add_object_with_id(Part& part, int type, int subtype, std::int64_t id) {
    Session& s = session();
    if (id <= 0) id = part.next_object_id;
    part.next_object_id = std::max(part.next_object_id, id + 1);
    auto object = std::make_unique<Object>();
    object->tag = s.next_tag++;
    object->part = part.tag;
    object->type = type;
    object->subtype = subtype;
    object->id = id;
    object->handle = handle_text(part.part_id, id);
    object->created_version = part.version + 1;
    object->modified_version = part.version + 1;
    return store_object(s, part, std::move(object));
}

Object& add_object(Part& part, int type, int subtype) {
    return add_object_with_id(part, type, subtype, 0);
}

void index_object(Part& part, Object& object) {
    place_in(part.by_type[object.type], object.tag, object.pos_type);
    // Only displayable objects sit on layers.
    if (object.displayable) place_in(part.by_layer[object.layer], object.tag, object.pos_layer);
}

void mark_modified(Part& part) {
    if (part.modified) return;
    part.modified = true;
    fire_part_event(part_event_modified, part.tag);
}

void touch_object(Object& object) {
    ++session().generation;
    Part* part = find_part(object.part);
    if (part == nullptr) return;
    object.modified_version = std::max(object.modified_version, part->version + 1);
    mark_modified(*part);
}

Part& adopt_part(std::unique_ptr<Part> part, std::vector<std::unique_ptr<Object>> objects) {
    Session& s = session();
    if (part->tag != s.next_tag) {
        std::fputs("kavohost: adopt_part with a stale tag\n", stderr);
        std::abort();
    }
    // Two loaded parts must not share handles: a clash gets a numbered id.
    if (part_id_in_use(s, part->part_id)) {
        std::string base = part->part_id;
        for (int n = 2;; ++n) {
            std::string candidate = base + "~" + std::to_string(n);
            if (!part_id_in_use(s, candidate)) {
                part->part_id = candidate;
                break;
            }
        }
    }
    s.next_tag = part->tag + 1 + static_cast<tag_t>(objects.size());
    Part& stored = *part;
    s.parts.push_back(std::move(part));
    stored.objects.reserve(objects.size());
    s.objects.reserve(s.objects.size() + objects.size());
    for (auto& object : objects) {
        object->part = stored.tag;
        object->handle = handle_text(stored.part_id, object->id);
        stored.next_object_id = std::max(stored.next_object_id, object->id + 1);
        store_object(s, stored, std::move(object));
    }
    return stored;
}

void unload_all_parts() {
    Session& s = session();
    for (auto& object : s.objects) {
        if (object->tag < s.tag_table.size()) s.tag_table[object->tag] = nullptr;
    }
    s.objects.clear();
    s.parts.clear();
    s.tag_by_handle.clear();
    s.work_part = NULL_TAG;
    s.display_part = NULL_TAG;
}

void set_part_event_hook(PartEventHook hook) {
    event_hook = hook;
}

void fire_part_event(int reason, tag_t part) {
    if (event_hook != nullptr) event_hook(reason, part);
}

void add_reset_hook(void (*hook)()) {
    reset_hooks().push_back(hook);
}

void run_reset_hooks() {
    for (auto hook : reset_hooks()) hook();
}

}  // namespace standin

namespace standin {
namespace {

// Starts loading the object of the entry after `i` into the caches, and the
// table slot of the one after that, while the caller works on this one.
void prefetch_after(const std::vector<tag_t>& list, std::size_t i) {
    const Session& s = session();
    if (i + 2 < list.size() && list[i + 2] < s.tag_table.size())
        __builtin_prefetch(&s.tag_table[list[i + 2]]);
    if (i + 1 >= list.size() || list[i + 1] >= s.tag_table.size()) return;
    const char* next = reinterpret_cast<const char*>(s.tag_table[list[i + 1]]);
    if (next == nullptr) return;
    for (std::size_t line = 0; line < sizeof(Object); line += 64) __builtin_prefetch(next + line);
}

// Scans `list` from `start` for the first entry that is still valid there.
template <typename Valid>
tag_t scan(const std::vector<tag_t>& list, std::size_t start, Valid valid) {
    for (std::size_t i = start; i < list.size(); ++i) {
        const Object* o = find_object(list[i]);
        if (o != nullptr && !o->erased && valid(*o, i)) {
            prefetch_after(list, i);
            return o->tag;
        }
    }
    return NULL_TAG;
}

// Where to go on after `previous` in a list; npos when it cannot be placed.
template <typename Position>
std::size_t start_after(const std::vector<tag_t>& list, tag_t previous, Position position) {
    if (previous == NULL_TAG) return 0;
    const Object* o = find_object(previous);
    if (o != nullptr) {
        std::size_t pos = position(*o);
        if (pos < list.size() && list[pos] == previous) return pos + 1;
    }
    // The object moved to another list while being cycled: find it (rare).
    for (std::size_t i = list.size(); i-- > 0;) {
        if (list[i] == previous) return i + 1;
    }
    return std::string::npos;
}

// The step from an object a list does not hold: the cycle ends, lost.
tag_t lost_place(bool* lost) {
    if (lost != nullptr) *lost = true;
    return NULL_TAG;
}

// Whether the entry at position i of a list still stands for the object.
bool listed_in_part(const Part& part, const Object& o, std::size_t i) {
    return o.part == part.tag && o.pos_all == i;
}
bool listed_as_type(int type, const Object& o, std::size_t i) {
    return o.type == type && o.pos_type == i;
}
bool listed_on_layer(int layer, const Object& o, std::size_t i) {
    return o.displayable && o.layer == layer && o.pos_layer == i;
}

// Takes the entries of `dropped` tags out of `list`. The entries before the
// first of them stay as they are; each entry after it that still stands for
// its object moves up and its object learns the new position, any other (left
// behind by a move to another list, invisible to cycles) goes too.
template <typename Dropped, typename Valid, typename Renumber>
void drop_entries(std::vector<tag_t>& list, Dropped dropped, Valid valid, Renumber renumber) {
    const auto first = std::find_if(list.begin(), list.end(), dropped);
    std::size_t kept = static_cast<std::size_t>(first - list.begin());
    for (std::size_t i = kept; i < list.size(); ++i) {
        const tag_t tag = list[i];
        if (dropped(tag)) continue;
        Object* o = find_object(tag);
        if (o == nullptr || o->erased || !valid(*o, i)) continue;
        renumber(*o, kept);
        list[kept++] = tag;
    }
    list.resize(kept);
}

}  // namespace

void drop_from_lists(Part& part, const std::vector<tag_t>& tags) {
    if (tags.empty()) return;
    std::vector<bool> marked(*std::max_element(tags.begin(), tags.end()) + 1, false);
    for (tag_t tag : tags) marked[tag] = true;
    auto dropped = [&](tag_t tag) { return tag < marked.size() && marked[tag]; };
    drop_entries(
        part.objects, dropped,
        [&](const Object& o, std::size_t i) { return listed_in_part(part, o, i); },
        [](Object& o, std::size_t pos) { o.pos_all = pos; });
    for (auto& [type, list] : part.by_type) {
        drop_entries(
            list, dropped,
            [t = type](const Object& o, std::size_t i) { return listed_as_type(t, o, i); },
            [](Object& o, std::size_t pos) { o.pos_type = pos; });
    }
    for (auto& [layer, list] : part.by_layer) {
        drop_entries(
            list, dropped,
            [l = layer](const Object& o, std::size_t i) { return listed_on_layer(l, o, i); },
            [](Object& o, std::size_t pos) { o.pos_layer = pos; });
    }
}

tag_t next_in_part(const Part& part, tag_t previous, bool* lost) {
    std::size_t start =
        start_after(part.objects, previous, [](const Object& o) { return o.pos_all; });
    if (start == std::string::npos) return lost_place(lost);
    return scan(part.objects, start,
                [&](const Object& o, std::size_t i) { return listed_in_part(part, o, i); });
}

tag_t next_of_type(const Part& part, int type, tag_t previous, bool* lost) {
    auto it = part.by_type.find(type);
    if (it == part.by_type.end()) return previous == NULL_TAG ? NULL_TAG : lost_place(lost);
    std::size_t start =
        start_after(it->second, previous, [](const Object& o) { return o.pos_type; });
    if (start == std::string::npos) return lost_place(lost);
    return scan(it->second, start,
                [&](const Object& o, std::size_t i) { return listed_as_type(type, o, i); });
}

tag_t next_on_layer(const Part& part, int layer, tag_t previous, bool* lost) {
    auto it = part.by_layer.find(layer);
    if (it == part.by_layer.end()) return previous == NULL_TAG ? NULL_TAG : lost_place(lost);
    std::size_t start =
        start_after(it->second, previous, [](const Object& o) { return o.pos_layer; });
    if (start == std::string::npos) return lost_place(lost);
    return scan(it->second, start,
                [&](const Object& o, std::size_t i) { return listed_on_layer(layer, o, i); });
}

}  // namespace standin
