#pragma once
// The note of a file whose lines end in CR LF but some in a bare LF.
#include <string>

#include "core/meterdata/line_splitter.h"

namespace lumivane {

// "12 lines end in a bare LF instead of CR LF, the first line 40; ..."; "" when there is none.
std::string bareLineFeedNote(const BareLineFeeds& lines);

}  // namespace lumivane
