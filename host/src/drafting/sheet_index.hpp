// Finding a drawing sheet of a part by its name without walking every sheet
// for every question.
#pragma once

#include <string_view>

#include "parts/store.hpp"

namespace standin {

// The first live sheet of the part, in host order, that carries the name;
// null when there is none.
const Object* find_sheet_by_name(const Part& part, std::string_view name);

}  // namespace standin
