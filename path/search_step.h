// The arithmetic of one search step, shared by both planners so that they compute the same floats.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace tarvok {

// Factor of a diagonal step when diagonal cost is on: the float one unit above the float nearest sqrt(2).
inline constexpr float kDiagonalFactor = 1.4142137f;

struct Step {
    std::int32_t dx;
    std::int32_t dy;
    bool diagonal;
};

// Neighbours in the order they are visited; the order decides which of equal paths is found.
inline constexpr Step kSteps[] = {
    {-1, -1, true}, {0, -1, false}, {1, -1, true}, {1, 0, false},
    {-1, 0, false}, {-1, 1, true},  {0, 1, false}, {1, 1, true},
};

// g of a neighbour entered from a node with g from: its cost, times k for a diagonal step.
inline float StepG(float cost, bool diagonal, float k, float from) {
    return cost * (diagonal ? k : 1.0f) + from;
}

// f = (h - g) x weight + g, h the Manhattan distance of the cell to the goal.
inline float Priority(std::int32_t x, std::int32_t y, std::int32_t goalX, std::int32_t goalY, float g,
                      float weight) {
    const auto h =
        static_cast<float>(std::llabs(std::int64_t{goalX} - x) + std::llabs(std::int64_t{goalY} - y));
    return (h - g) * weight + g;
}

}  // namespace tarvok
