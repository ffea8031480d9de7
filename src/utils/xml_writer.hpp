// Line and element writers of the XML report, escaping and file-name repair.
#pragma once

#include "utils/run_log.hpp"

constexpr int XML_BUFSIZE = 10000;
constexpr int NAME_BUFSIZE = 1024;

int init_xml_file();
int write_xml_line(const char* file_name, const char* format, ...) KVTX_PRINTF_FORMAT(2);
// "indent<element>value</element>" with the value escaped; a value too long for
// one line is cut so that the line keeps its closing tag.
int write_xml_element(const char* file_name, const char* indent, const char* element,
                      const char* format, ...) KVTX_PRINTF_FORMAT(4);
// The same without escaping, for a value that a line carries as it stands.
int write_xml_value_line(const char* file_name, const char* indent, const char* element,
                         const char* format, ...) KVTX_PRINTF_FORMAT(4);
// Escapes in place; text has room for XML_BUFSIZE bytes.
int xml_escape(char* text);
// The same for a buffer of size bytes; a result that does not fit is cut
// before the first character or reference that would not fit whole.
int xml_escape(char* text, std::size_t size);
// Replaces the 17 characters unsafe in file names by "_", in place.
int repair_file_name(char* name);
