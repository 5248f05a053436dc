// Frame choice and blending for animated objects.
#include "gfx3d/animation.h"

#include <algorithm>
#include <cmath>

#include "runtime/number_args.h"

namespace tarvok {

FramePair ChooseFrames(std::int32_t from, std::int32_t to, double factor, std::int32_t mode, std::int32_t frameCount) {
    if (std::isnan(factor)) factor = 0;
    std::int64_t first = from, second = to;
    double weight = factor;
    if (mode != 0) {
        if (factor < 0 || factor > 1) factor = std::fabs(std::fmod(factor, 1.0));
        const double p = from + (static_cast<double>(to) - from) * factor;
        const std::int64_t a = ToInt64(p);
        if (from < to) {
            first = a;
            second = a + 1;
            weight = 1 - (p - static_cast<double>(a));
        } else if (to < from) {
            first = a + 1;
            second = a;
            weight = p - static_cast<double>(a);
        } else {
            weight = 0;
        }
    }
    const std::int64_t last = std::max(frameCount, 1) - 1;
    FramePair pair;
    pair.first = static_cast<std::int32_t>(std::clamp<std::int64_t>(first, 0, last));
    pair.second = static_cast<std::int32_t>(std::clamp<std::int64_t>(second, 0, last));
    pair.weight = static_cast<float>(weight);
    return pair;
}

void BlendFrames(const MeshFrame& first, const MeshFrame& second, float weight, float du, float dv,
                 std::vector<ExpandedVertex>& out) {
    out = first.triangles;
    const bool blend = weight != 0.0f && second.triangles.size() == first.triangles.size();
    for (std::size_t i = 0; i < out.size(); ++i) {
        ExpandedVertex& v = out[i];
        if (blend) {
            const ExpandedVertex& s = second.triangles[i];
            v.x = s.x + (v.x - s.x) * weight;
            v.y = s.y + (v.y - s.y) * weight;
            v.z = s.z + (v.z - s.z) * weight;
            v.nx = s.nx + (v.nx - s.nx) * weight;
            v.ny = s.ny + (v.ny - s.ny) * weight;
            v.nz = s.nz + (v.nz - s.nz) * weight;
        }
        v.u += du;
        v.v += dv;
    }
}

}  // namespace tarvok
