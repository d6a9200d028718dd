#pragma once
// Why a meter log, or one of its lines, cannot be read.
#include <cstddef>
#include <string>

namespace lumivane {

// Why a file or one of its lines cannot be read; line 0 when no line applies.
struct ReadError {
    std::size_t line = 0;
    std::string reason;
};

}  // namespace lumivane
