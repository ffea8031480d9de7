// Operations on the work part around saving: forcing it to count as modified,
// and logging its save history.
#pragma once

// Creates and deletes a point, so that the work part counts as modified.
int force_part_modification();
// Logs the work part's save history between two rulers under the title.
int log_part_history(const char* title);
