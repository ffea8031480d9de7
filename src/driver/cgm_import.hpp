// The CGM import mode: two CGM files of one sheet laid over each other in a new part.
#pragma once

// The action keyword that selects the CGM import mode.
inline constexpr char kCgmImportAction[] = "CgmImportToKavoPartFile";

// Returns 0, or -1002 when the template cannot be opened, a CGM file cannot be
// imported or the overlay part cannot be saved.
int cgm_import_to_part_file();
