// Mass properties and the body list of the model data section: blocks that
// write inside the element the section opens.
#pragma once

#include <rq/rq.h>

int write_entire_part_mass_props();
int write_refset_mass_props(tag_t reference_set);
int write_prototype_analysis();
int write_body_list();
