#pragma once
// The kWh graph's state and the surface the bars are drawn on.
#include <array>
#include <cstdint>

namespace lumivane {

// Colours are 0x00BBGGRR: red in the low byte.
using Colour = std::uint32_t;

inline constexpr Colour rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

// Entries 0..9 are the file colour pairs; entry 10 stays black.
using GraphPalette = std::array<Colour, 11>;

inline GraphPalette defaultGraphPalette()
{
    return {rgb(0, 0, 255),
            rgb(0, 0, 127),
            rgb(0, 255, 0),
            rgb(0, 127, 0),
            rgb(255, 0, 0),
            rgb(127, 0, 0),
            rgb(0, 127, 127),
            rgb(0, 127, 255),
            rgb(127, 127, 0),
            rgb(255, 127, 0),
            0};
}

struct GraphState {
    double graphScale = 0;
    double graphBarWidth = 0;
    double graphDayX = 0;
    double graphNightX = 0;
    std::int16_t graphColourIndex = 0;
};

// Where the bars go. Each drawn pixel becomes the AND of the colour and what
// is there (mask pen); coordinates are pixels of the 529 x 113 surface.
class BarSink {
public:
    virtual ~BarSink() = default;
    // The rectangle between two corners, in any order of corners.
    virtual void maskRectangle(float x1, float y1, float x2, float y2, Colour colour) = 0;
};

}  // namespace lumivane
