#include "framework/core/list.h"

#include <string>

#include "framework/core/assertion.h"

namespace vael {

void reportListFull() {
    Assertion::fail("A list cannot hold more than " + std::to_string(List<int>::MaxCount) + " values",
                    "list.cpp", __LINE__);
}

} // namespace vael
