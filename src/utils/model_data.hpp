// Model data section: reference sets with mass properties, features, bodies,
// layer counts and the prototype mass analysis.
#pragma once

#include <rq/rq.h>

int write_model_data();

// Blocks of the section, each writing inside the element the section opens.
int write_entire_part_mass_props();
int write_refset_mass_props(tag_t reference_set);
int write_prototype_analysis();
int write_body_list();
