// The twins of an overlay: two imports of one sheet lie on two layers, the
// second moved by a small offset. An object of the second layer has a twin
// when the first holds the same line, arc or note at its place less the
// offset. The first layer's objects are hashed by their geometry rounded to
// a thousandth of a millimetre, so a look-up costs the same at any size.
#pragma once

#include <array>
#include <string>
#include <unordered_set>

#include "parts/store.hpp"

namespace standin::picture {

class TwinIndex {
  public:
    explicit TwinIndex(std::array<double, 2> offset) : offset_(offset) {}

    // An object of the first layer.
    void add(const Object& object);
    // An object of the second layer: true when the first holds its twin.
    bool has_twin(const Object& object) const;

  private:
    std::array<double, 2> offset_;
    std::unordered_set<std::string> keys_;
};

}  // namespace standin::picture
