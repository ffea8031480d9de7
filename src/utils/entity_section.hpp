// Entity section of the report: every object of the types in the detail option.
#pragma once

// Appends the section to the report named by glob_xml_file.
int write_entities();
