// Entity section of the report: every object of the types in the detail option.
#pragma once

#include <rq/rq.h>

// Appends the section to the report named by glob_xml_file. Renames every
// listed object to the decimal text of its tag. Returns 0.
int write_entities();
// Writes the specifics of one listed object to report_file (glob_xml_file).
int write_entity_specifics(const char* report_file, int type, int subtype, tag_t object);
