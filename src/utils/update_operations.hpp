// Update operations run before the report: feature update, feature replay,
// assembly structure refresh and drawing-view update.
#pragma once

#include <rq/rq.h>

int run_update_all_features();
int run_feature_replay();
int run_structure_sync();
int run_update_all_views();

// The first feature of the work part through `feature` (0 when there is none);
// returns 0.
int ask_first_feature(tag_t* feature);
// The number of components of the work part; 0 without a work part.
int count_components();
// Updates the member views of the sheets that sheet_list selects; returns the
// last view-update code or the 200 of a sheet still out of date, whichever
// came last (0 when none was set).
int update_sheet_views();
