// Report header (program, run and host data) and closing section.
#pragma once

#include <cstddef>

int write_xml_header();
int write_assembly_load_options(const char* file_name);
int write_xml_end();
