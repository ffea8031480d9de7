// Part header section of the report, and the string-attribute reader.
#pragma once

#include <rq/rq.h>

#include <cstddef>

int write_part_header();
int write_cli_name();
int write_part_history();
int write_part_units();
int write_part_family();
int write_part_description();
int write_pattern_flags();
int write_part_attributes();
int write_part_expressions();
int ask_expression_no_edit(const char* expression_name);
// Returns 4711 when nothing was read for want of an object, else the host's code.
int read_string_attribute(tag_t object, const char* title, char* out, std::size_t out_size);
