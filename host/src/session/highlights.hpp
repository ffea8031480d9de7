// The record of highlight changes, kept for tests and the host program.
#pragma once

#include "parts/store.hpp"

namespace standin {

void record_highlight(const Object& object, int on);

}  // namespace standin
