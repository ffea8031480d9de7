// Operations on the work part around saving and the CGM import: forcing it to
// count as modified, logging its save history and deleting its drawing sheets.
#pragma once

// Creates and deletes a point, so that the work part counts as modified.
int force_part_modification();
// Logs the work part's save history between two rulers under the title.
int log_part_history(const char* title);
// Deletes every drawing sheet of the work part; returns the number of sheets
// whose deletion failed.
int delete_all_drawings();
