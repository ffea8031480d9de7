// Actions that the plug-in runs on part events: removing two user attributes
// from the work part and setting its legacy line-width map.
#pragma once

// Deletes the work part's user attribute of that title: 0 deleted, 100 not
// set, -2 locked (kept), -1 of an unknown type (kept). A failure of the
// object interface arrives as KavoOpen::KavoException.
int Delete_Part_Attribute(const char* title);
// Deletes "VRELII_JT_DETAILS" and "CHECKED_OUT_BY"; returns 0.
int delete_attributes();
// Sets the legacy line-width map from the three VRELII_CONVERT_LEGACY_*
// host variables when all three are valid; returns 0.
int set_line_width_preferences();
