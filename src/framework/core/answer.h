#pragma once
// A query's answer belongs to whoever asked. Taken into a std::unique_ptr the moment the call returns, it
// is deleted whichever way the caller leaves; an answer asked for only for the query's effects is dropped
// at once.
#include <memory>

#include "framework/core/container.h"

namespace vael {

[[nodiscard]] inline std::unique_ptr<ContainerBase> owned(ContainerBase* answer) {
    return std::unique_ptr<ContainerBase>(answer);
}

inline void dropAnswer(ContainerBase* answer) {
    const std::unique_ptr<ContainerBase> dropped(answer);
}

} // namespace vael
