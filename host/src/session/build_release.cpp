// The host release this build of the stand-in acts as. Only this file gets the
// build's release, so every other file compiles alike for every release.
#include "session/session_internal.hpp"

#ifndef KAVOHOST_BUILD_RELEASE
#define KAVOHOST_BUILD_RELEASE "CR2212"
#endif

namespace standin {

const char* build_release() {
    return KAVOHOST_BUILD_RELEASE;
}

}  // namespace standin
