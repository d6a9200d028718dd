#include "core/graph/bar_recording.h"

namespace lumivane {

void BarRecording::maskRectangle(float x1, float y1, float x2, float y2, Colour colour)
{
    bars_.push_back({x1, y1, x2, y2, colour});
}

void BarRecording::replayInto(BarSink& target) const
{
    for (const Bar& bar : bars_)
        target.maskRectangle(bar.x1, bar.y1, bar.x2, bar.y2, bar.colour);
}

}  // namespace lumivane
