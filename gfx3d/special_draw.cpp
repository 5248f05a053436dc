// The special draw modes inside object drawing: bump mapping through a DOT3 texture combiner, cel shading
// with the shade texture and a black outline, and the hand-over of shadow mode to the shadow volumes.
#include "gfx3d/special_draw.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx3d/collision.h"
#include "gfx3d/effects.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/tangents.h"

namespace tarvok {

namespace {

constexpr int kBump = 1, kCel = 2, kShadow = 3;

float GlobalAlpha() { return g_engine.display ? g_engine.display->globalAlpha : 1.0f; }

void ActiveUnit(int unit) {
    if (g_gl.glActiveTextureARB) g_gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
}

std::array<float, 3> ObjectLight(const Zazuzive3D& scene, const Mat4& transform) {
    const Vec3 p =
        ToObjectPoint(transform, {scene.specialLight[0], scene.specialLight[1], scene.specialLight[2]});
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

void BuildCelTexture(const Zazuzive3D& scene, MeshObjectX& mesh) {
    FlushQueuedDrawing();
    const ShadeTexture shade = BuildShadeTexture(mesh.colours, scene.shadeRamp);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, shade.width, shade.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 shade.rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    mesh.celTexture = name;
    mesh.celScale = 1.0f / static_cast<float>(shade.height);
}

// The mean length of the three axis columns of a matrix.
float MeanAxisLength(const Mat4& m) {
    float sum = 0;
    for (int c = 0; c < 3; ++c)
        sum += std::sqrt(m[c * 4] * m[c * 4] + m[c * 4 + 1] * m[c * 4 + 1] + m[c * 4 + 2] * m[c * 4 + 2]);
    return sum / 3;
}

void DrawOutline(Zazuzive3D& scene, MeshObjectX& mesh, const FramePair& pair, const Mat4& transform,
                 std::vector<ExpandedVertex>& vertices) {
    if (scene.cullingMode == 0 || vertices.empty()) return;
    const MeshFrame& frame = mesh.frames[pair.first];
    const Vec3 eye = ToObjectPoint(transform, {scene.eye[0], scene.eye[1], scene.eye[2]});
    const double dx = eye.x - frame.centre[0], dy = eye.y - frame.centre[1], dz = eye.z - frame.centre[2];
    double d = std::sqrt(dx * dx + dy * dy + dz * dz) * scene.fovTangent * 0.003;
    // Every scaled level shrinks the offset, which its scale then grows again when drawn.
    for (int level = 0; level <= scene.transforms.Level(); ++level) {
        const Mat4& m = scene.transforms.LevelMatrix(level);
        if (m == IdentityMatrix()) continue;
        const double s = MeanAxisLength(m);
        if (s > 0) d /= s * s;
    }
    if (!(d <= frame.radius / 2)) return;
    const float offset = static_cast<float>(std::max(d, 0.0000001));
    for (ExpandedVertex& v : vertices) {
        v.x += v.nx * offset;
        v.y += v.ny * offset;
        v.z += v.nz * offset;
    }
    ApplyCulling(-scene.cullingMode);
    for (int unit = 1; unit >= 0; --unit) {
        if (unit == 1 && !g_gl.glActiveTextureARB) continue;
        ActiveUnit(unit);
        glDisable(GL_TEXTURE_2D);
    }
    const GLboolean lighting = glIsEnabled(GL_LIGHTING);
    glDisable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColor4f(0, 0, 0, GlobalAlpha());
    glDepthFunc(GL_LEQUAL);
    if (g_gl.glBindBufferARB) g_gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(ExpandedVertex), &vertices[0].x);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(transform.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size()));
    glPopMatrix();
    glDisableClientState(GL_VERTEX_ARRAY);
    glDepthFunc(GL_LESS);
    if (lighting) glEnable(GL_LIGHTING);
    glColor4f(1, 1, 1, GlobalAlpha());
    ApplyCulling(scene.cullingMode);
}

}  // namespace

bool SpecialModeOn(const Zazuzive3D& scene) { return scene.specialOn && scene.specialMode != 0; }

void PrepareSpecialMesh(Zazuzive3D& scene, MeshObjectX& mesh) {
    if (!SpecialModeOn(scene)) return;
    const int sharing = scene.specialMode == kBump && scene.normalMode == 2 ? 2 : 1;
    if (!mesh.normalsComputed) {
        RecomputeNormals(mesh, sharing);
        mesh.drawBuffer.clear();
    }
    if (scene.specialMode == kBump) {
        const VertexRecord& first = mesh.frames[0].records[0];
        if (first.tangent == 0 && first.binormal == 0) {
            ComputeTangents(mesh, sharing);
            mesh.drawBuffer.clear();
        }
    }
    // An emptied draw buffer makes the drawing code build the triangles again.
    if (scene.specialMode == kCel && mesh.celTexture == 0) BuildCelTexture(scene, mesh);
}

bool ApplySpecialVertices(Zazuzive3D& scene, MeshObjectX& mesh, const FramePair& pair, const Mat4& transform,
                          std::vector<ExpandedVertex>& vertices) {
    if (!SpecialModeOn(scene)) return true;
    const std::array<float, 3> light = ObjectLight(scene, transform);
    if (scene.specialMode == kShadow) {
        DrawShadowVolume(scene, mesh, vertices, transform);
        return false;
    }
    const std::vector<ExpandedVertex>& second = mesh.frames[pair.second].triangles;
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        ExpandedVertex& v = vertices[i];
        if (scene.specialMode == kBump) {
            const ExpandedVertex& basis = i < second.size() ? second[i] : v;
            const float tangent[3] = {basis.tx, basis.ty, basis.tz};
            const float binormal[3] = {basis.bx, basis.by, basis.bz};
            const std::array<float, 3> l = BumpLightVector(v, tangent, binormal, light.data());
            v.lx = l[0], v.ly = l[1], v.lz = l[2];
        } else {
            v.bx = CelShade(v, light.data());
            v.by = (static_cast<float>(v.colourIndex) + 0.5f) * mesh.celScale;
        }
    }
    return true;
}

VertexLayout BeginMeshDraw(Zazuzive3D& scene, const MeshObjectX& mesh) {
    VertexLayout layout;
    layout.colourArray = mesh.hasColours;
    layout.normalArray = scene.normalsFlag || glIsEnabled(GL_LIGHTING);
    if (!SpecialModeOn(scene) || !g_gl.glActiveTextureARB) return layout;
    if (scene.specialMode == kBump) {
        layout.colours = offsetof(ExpandedVertex, lx);
        layout.colourArray = true;
        ActiveUnit(0);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_DOT3_RGB_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_PRIMARY_COLOR_ARB);
        ActiveUnit(1);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        ActiveUnit(0);
    } else if (scene.specialMode == kCel) {
        BindTextureName(scene, 1, mesh.celTexture);
        ActiveUnit(1);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        ActiveUnit(0);
        layout.texCoords[1] = offsetof(ExpandedVertex, bx);
    }
    return layout;
}

void EndMeshDraw(Zazuzive3D& scene, MeshObjectX& mesh, const FramePair& pair, const Mat4& transform,
                 std::vector<ExpandedVertex>& vertices) {
    if (!SpecialModeOn(scene) || scene.specialMode != kCel) return;
    DrawOutline(scene, mesh, pair, transform, vertices);
    BindSceneSprites(scene);
}

}  // namespace tarvok
