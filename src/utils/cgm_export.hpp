// CGM export of the work part's drawing sheets, one file per sheet.
#pragma once

// Exports the sheets chosen by sheet_list as "<prefix>_<sheet>.cgm" into cgm_extract_dir.
int extract_cgm_files(const char* cgm_prefix);
