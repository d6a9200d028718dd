#pragma once
// Bars kept for later: a run working away from the window records what it
// would draw, and the window draws the recording on its own thread.
#include <vector>

#include "core/graph/graph_state.h"

namespace lumivane {

class BarRecording : public BarSink {
public:
    // Keeps the rectangle, in the order asked for.
    void maskRectangle(float x1, float y1, float x2, float y2, Colour colour) override;
    // Asks `target` for every kept rectangle, in the same order.
    void replayInto(BarSink& target) const;
    bool empty() const { return bars_.empty(); }

private:
    struct Bar {
        float x1, y1, x2, y2;
        Colour colour;
    };
    std::vector<Bar> bars_;
};

}  // namespace lumivane
