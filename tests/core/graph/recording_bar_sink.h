#pragma once
// A BarSink that keeps every rectangle it is asked to draw.
#include <ostream>
#include <vector>

#include "core/graph/graph_state.h"

namespace lumivane::test {

struct RecordedBar {
    float x1, y1, x2, y2;
    Colour colour;
    bool operator==(const RecordedBar&) const = default;
};

// So that a failed comparison shows the rectangles, not their bytes.
inline std::ostream& operator<<(std::ostream& out, const RecordedBar& b)
{
    return out << b.x1 << ',' << b.y1 << ',' << b.x2 << ',' << b.y2 << " in " << b.colour;
}

class RecordingBarSink : public BarSink {
public:
    void maskRectangle(float x1, float y1, float x2, float y2, Colour colour) override
    {
        bars.push_back({x1, y1, x2, y2, colour});
    }
    std::vector<RecordedBar> bars;
};

}  // namespace lumivane::test
