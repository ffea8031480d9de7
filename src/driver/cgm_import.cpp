// The CGM import mode. Its import steps are still to come.
#include "driver/cgm_import.hpp"

int cgm_import_to_part_file() {
    return 0;
}  // CGM import: not built yet
