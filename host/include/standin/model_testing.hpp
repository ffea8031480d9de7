// Test interface of the stand-in's bodies: occurrences made on demand and the
// count of feature lists not yet released.
#pragma once

#include <rq/rq.h>

#include <vector>

namespace standin {

// Makes an occurrence of `prototype_body` (a body of a loaded part) in the part
// `assembly`, placed by the component `component` of that part; returns its
// tag, or 0 when a tag is unknown.
tag_t make_occurrence_body(tag_t assembly, tag_t component, tag_t prototype_body);

// Adds `count` unit cubes (density 1.0, corner at the origin) to a loaded part
// in memory, much faster than a part file of that size; returns their tags.
std::vector<tag_t> add_unit_blocks(tag_t part, int count);
// Adds a reference set with these members to a loaded part; returns its tag.
tag_t add_reference_set(tag_t part, const std::vector<tag_t>& members);

// Feature lists handed out by RQ_MODL_ask_body_feats and not yet deleted.
int open_feature_lists();

// Makes the nth next call of RQ_MODL_ask_mass_props_3d (1 = the next one)
// fail with `code`; the calls before it work. Cleared by reset_session.
void fail_nth_mass_props_call(int nth, int code);

// Gives an object a status while it stays in its part's lists, as a host does
// that still lists a deleted or temporary object. Non-zero for unknown tags.
int set_listed_status(tag_t object, int status);

}  // namespace standin
