// Update operations run before the report: feature update, feature replay,
// assembly structure refresh and drawing-view update.
#pragma once

int run_update_all_features();
int run_feature_replay();
int run_structure_sync();
int run_update_all_views();
