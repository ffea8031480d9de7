// Assembly data section of the report: the component structure of the work part.
#pragma once

// Appends the section to the report named by glob_xml_file.
int write_assembly_data();
