// Assembly data section of the report: the component structure of the work part.
#pragma once

#include <rq/rq.h>

// Appends the section to the report named by glob_xml_file; returns the sum
// of the results of its four frame lines (0 each, -1 for a line not written).
int write_assembly_data();
// Nesting level of a component: the number of parents above it (first-level
// components have the root as parent, so they are level 1); 0 without a
// work part or for the 0 tag.
int ask_component_level(tag_t component);
// 1 when the part (or the part behind a component occurrence) holds a component.
int part_has_components(tag_t part);
int prototype_has_components(tag_t occurrence);
