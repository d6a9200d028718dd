#pragma once
// What a walk over a meter log leaves, as text, so that two ways of walking can be compared.
#include <cstdlib>
#include <sstream>
#include <string>

#include "core/tariff/tariff_engine.h"

namespace lumivane::test {

// The figures or the error, the reading memory and the graph state, every double to 17 digits.
inline std::string walkState(const EngineOutcome& o, const ReadingMemory& m, const GraphState& g)
{
    std::ostringstream out;
    out.precision(17);
    if (!o) {
        out << o.error().line << ": " << o.error().reason;
    } else {
        for (std::size_t d = 0; d < o->dayUnits.size(); ++d)
            out << o->dayUnits[d] << '/' << o->nightUnits[d] << ' ';
        out << o->dayTotal << ' ' << o->nightTotal << ' ' << o->fromText << '-' << o->toText << ' ' << o->calcMonth;
    }
    out << " | " << m.previousReading << ' ' << m.currentReading << ' ' << m.lastStep << " | " << g.graphScale << ' '
        << g.graphBarWidth << ' ' << g.graphDayX << ' ' << g.graphNightX << ' ' << g.graphColourIndex;
    return out.str();
}

// What `work` gives with the reader's thread switches set (no part size: the reader's own).
template <typename Work>
auto withThreads(const char* threads, const char* partBytes, Work work)
{
    ::setenv("LUMIVANE_THREADS", threads, 1);
    if (partBytes)
        ::setenv("LUMIVANE_PART_BYTES", partBytes, 1);
    else
        ::unsetenv("LUMIVANE_PART_BYTES");
    const auto result = work();
    ::unsetenv("LUMIVANE_THREADS");
    ::unsetenv("LUMIVANE_PART_BYTES");
    return result;
}

}  // namespace lumivane::test
