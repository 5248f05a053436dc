// The collision and picking commands: objects of a slot tested in the current transform's object space,
// the sphere-box test, and world <-> screen conversion through GL's current matrices.
#include <GL/gl.h>

#include <cmath>

#include "frame/display.h"
#include "gfx3d/collision.h"
#include "gfx3d/gfx3d.h"
#include "gfx3d/scene.h"
#include "runtime/number_args.h"

namespace tarvok {

namespace {

constexpr double kRed = 0x0000FF, kGreen = 0x00FF00, kYellow = 0x00FFFF;
constexpr double kPi = 3.14159265358979323846;

Vec3 At(const ExpandedVertex& v) { return {v.x, v.y, v.z}; }

// Calls test(frame) for the chosen frame of every mesh of the slot until one answers true; meshes
// without that frame or with fewer than three vertices in it are passed over.
template <typename Test>
bool AnyMesh(ObjectSlot& slot, double frameNumber, Test test) {
    const std::int64_t frame = ToInt64(frameNumber);
    for (MeshObjectX& mesh : slot.meshes) {
        if (frame < 0 || frame >= static_cast<std::int64_t>(mesh.frames.size())) continue;
        if (mesh.drawBuffer.empty()) mesh.BuildTriangles();
        const MeshFrame& chosen = mesh.frames[static_cast<std::size_t>(frame)];
        if (chosen.triangles.size() < 3) continue;
        if (test(chosen)) return true;
    }
    return false;
}

template <typename Visit>
bool AnyTriangle(const MeshFrame& frame, Visit visit) {
    const std::vector<ExpandedVertex>& t = frame.triangles;
    for (std::size_t i = 0; i + 2 < t.size(); i += 3)
        if (visit(At(t[i]), At(t[i + 1]), At(t[i + 2]))) return true;
    return false;
}

bool DebugDrawing() { return g_engine.debugMode != 0 && g_engine.display && g_engine.display->initialised; }

void Line(const Vec3& a, const Vec3& b, double width, double colour) {
    DrawLine3D(a.x, a.y, a.z, b.x, b.y, b.z, width, colour);
}

void DrawSphereOutline(const Vec3& c, double radius, bool hit) {
    constexpr int kSteps = 24;
    for (int plane = 0; plane < 3; ++plane)
        for (int i = 0; i < kSteps; ++i) {
            const auto point = [&](int k) {
                const double angle = 2 * kPi * k / kSteps;
                const double p = radius * std::cos(angle), q = radius * std::sin(angle);
                return plane == 0   ? Vec3{c.x + p, c.y + q, c.z}
                       : plane == 1 ? Vec3{c.x + p, c.y, c.z + q}
                                    : Vec3{c.x, c.y + p, c.z + q};
            };
            Line(point(i), point(i + 1), hit ? 5 : 1, hit ? kRed : kGreen);
        }
}

void DrawBoxEdges(const Vec3& c, const Vec3& half, bool hit) {
    for (int axis = 0; axis < 3; ++axis)
        for (int corner = 0; corner < 4; ++corner) {
            double from[3] = {c.x - half.x, c.y - half.y, c.z - half.z};
            const double size[3] = {2 * half.x, 2 * half.y, 2 * half.z};
            from[(axis + 1) % 3] += (corner & 1) ? size[(axis + 1) % 3] : 0;
            from[(axis + 2) % 3] += (corner & 2) ? size[(axis + 2) % 3] : 0;
            Vec3 a{from[0], from[1], from[2]}, b = a;
            (axis == 0 ? b.x : axis == 1 ? b.y : b.z) += size[axis];
            Line(a, b, hit ? 5 : 1, hit ? kRed : kGreen);
        }
}

struct GlMatrices {
    Mat4 projection{}, modelview{};
    Viewport viewport{};
};

GlMatrices ReadGlMatrices() {
    GlMatrices m;
    glGetFloatv(GL_PROJECTION_MATRIX, m.projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, m.modelview.data());
    glGetIntegerv(GL_VIEWPORT, m.viewport.data());
    return m;
}

bool GlReady() { return g_engine.display && g_engine.display->initialised; }

}  // namespace

}  // namespace tarvok

using namespace tarvok;

double SphereCollision(double slotNumber, double frame, double radius, double x, double y, double z) {
    ObjectSlot* slot = SlotFor(slotNumber);
    if (!slot || !slot->loaded) return 0;
    const Mat4 transform = g_engine.scene->transforms.Current();
    const Vec3 centre = ToObjectPoint(transform, {x, y, z});
    const bool hit = AnyMesh(*slot, frame, [&](const MeshFrame& f) {
        const Vec3 d{centre.x - f.centre[0], centre.y - f.centre[1], centre.z - f.centre[2]};
        if (!(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) <= radius + f.radius)) return false;
        return AnyTriangle(f, [&](const Vec3& a, const Vec3& b, const Vec3& c) {
            return SphereTouchesTriangle(centre, radius, a, b, c);
        });
    });
    if (DebugDrawing()) DrawSphereOutline({x, y, z}, radius, hit);
    return hit ? 1 : 0;
}

double ObjectBoxCollision(double slotNumber, double frame, double x, double y, double z, double width,
                          double height, double depth) {
    ObjectSlot* slot = SlotFor(slotNumber);
    if (!slot || !slot->loaded) return 0;
    const Mat4 transform = g_engine.scene->transforms.Current();
    const Vec3 centre = ToObjectPoint(transform, {x, y, z});
    const std::array<Vec3, 3> axes = {ToObjectDirection(transform, {width / 2, 0, 0}),
                                      ToObjectDirection(transform, {0, 0, depth / 2}),
                                      ToObjectDirection(transform, {0, height / 2, 0})};
    const bool hit = AnyMesh(*slot, frame, [&](const MeshFrame& f) {
        return AnyTriangle(f, [&](const Vec3& a, const Vec3& b, const Vec3& c) {
            return BoxOverlapsTriangle(centre, axes, a, b, c);
        });
    });
    if (DebugDrawing()) DrawBoxEdges({x, y, z}, {width / 2, height / 2, depth / 2}, hit);
    return hit ? 1 : 0;
}

double SphereBoxCollision(double x, double y, double z, double radius, double width, double height,
                          double depth) {
    if (!g_engine.scene) return 0;
    const Vec3 centre = ToObjectPoint(g_engine.scene->transforms.Current(), {x, y, z});
    return SphereTouchesBox(centre, radius, {width / 2, height / 2, depth / 2}) ? 1 : 0;
}

double RayCollision(double slotNumber, double frame, double x, double y, double z, double dx, double dy,
                    double dz) {
    ObjectSlot* slot = SlotFor(slotNumber);
    if (!slot || !slot->loaded) return 0;
    const double squared = dx * dx + dy * dy + dz * dz;
    const double scale = squared < 0.0000001 ? 0.0 : 1.0 / std::sqrt(squared);
    const Vec3 worldDir{dx * scale, dy * scale, dz * scale};
    const Mat4 transform = g_engine.scene->transforms.Current();
    const Vec3 start = ToObjectPoint(transform, {x, y, z});
    const Vec3 dir = ToObjectDirection(transform, worldDir);
    NearestHit nearest;
    AnyMesh(*slot, frame, [&](const MeshFrame& f) {
        AnyTriangle(f, [&](const Vec3& a, const Vec3& b, const Vec3& c) {
            double t = 0;
            if (RayHitsTriangle(start, dir, a, b, c, t)) nearest.Add(t);
            return false;
        });
        return false;
    });
    const double result = nearest.Result();
    if (DebugDrawing()) {
        constexpr double kLength = 1000;
        const double colour = !nearest.Any() ? kRed : result > 0 ? kGreen : kYellow;
        Line({x, y, z}, {x + worldDir.x * kLength, y + worldDir.y * kLength, z + worldDir.z * kLength},
             nearest.Any() ? 5 : 1, colour);
    }
    return result;
}

void WorldToScreen(double x, double y, double z, double& screenX, double& screenY, double& depth) {
    if (!GlReady()) return;
    const GlMatrices m = ReadGlMatrices();
    Vec3 out;
    if (!WorldToScreenPoint(m.projection, m.modelview, m.viewport, {x, y, z}, out)) return;
    screenX = out.x, screenY = out.y, depth = out.z;
}

void ScreenToWorld(double screenX, double screenY, double depth, double& x, double& y, double& z) {
    if (!GlReady()) return;
    const GlMatrices m = ReadGlMatrices();
    Vec3 out;
    if (!ScreenToWorldPoint(m.projection, m.modelview, m.viewport, g_engine.display->clientHeight,
                            {screenX, screenY, depth}, out))
        return;
    x = out.x, y = out.y, z = out.z;
}
