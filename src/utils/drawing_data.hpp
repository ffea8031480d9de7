// Drawing data section of the report: sheets, views and their data.
#pragma once

// Appends the section to the report named by glob_xml_file.
int write_drawing_data();
