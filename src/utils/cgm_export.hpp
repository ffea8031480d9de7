// CGM export of the work part's drawing sheets, one file per sheet.
#pragma once

// Exports the sheets chosen by sheet_list as "<prefix>_<sheet>.cgm" into cgm_extract_dir.
int extract_cgm_files(const char* cgm_prefix);
// Exports every drawing sheet of the work part (only those with views when
// with_view is not 0) by the colour option cgm_def_color_option.
int export_sheets_to_cgm(const char* cgm_prefix, int with_view);
// 1 when the host names views of the sheet, else 0.
int sheet_has_views(const char* sheet_name);
