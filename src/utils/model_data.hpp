// Model data section: reference sets with mass properties, features, bodies,
// layer counts and the prototype mass analysis.
#pragma once

int write_model_data();
