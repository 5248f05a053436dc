// Animation frames for drawing: which two frames to blend and with what weight, and the blended vertices.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx3d/mesh.h"

namespace tarvok {

struct FramePair {
    std::int32_t first = 0;   // frame whose sphere culls and whose other fields are drawn
    std::int32_t second = 0;
    float weight = 0;         // weight of the first frame; 0 draws the first frame unblended
};

// Mode 0 blends from and to by the factor as given; any other mode runs the factor 0..1 (other values
// folded into it by |fmod(factor, 1)|) through the frames from..to. Both frames are clamped to
// 0..frameCount-1 (frameCount at least 1). A NaN factor counts as 0.
FramePair ChooseFrames(std::int32_t from, std::int32_t to, double factor, std::int32_t mode, std::int32_t frameCount);

// out := first frame's triangles with position and normal = second + (first - second) x weight (a plain
// copy when the weight is 0) and the texture coordinate moved by (du, dv).
void BlendFrames(const MeshFrame& first, const MeshFrame& second, float weight, float du, float dv,
                 std::vector<ExpandedVertex>& out);

}  // namespace tarvok
