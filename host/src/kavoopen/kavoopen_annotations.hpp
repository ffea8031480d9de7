// The displayed form of a drafting text: each "<X@name>" replaced by the
// value of the part's expression or attribute of that name, as the object
// interface evaluates it for the reports and as the CGM exports draw it.
#pragma once

#include <string>

#include "parts/store.hpp"

namespace standin {

std::string evaluated_text(const Part* part, const std::string& text);

}  // namespace standin
