// Drawing objects: frame choice and culling, the current 3D textures, and the 88-byte vertices fed to GL
// from vertex buffer objects when the driver offers them, else from memory.
#include <GL/gl.h>

#include <cstddef>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx3d/animation.h"
#include "gfx3d/gfx3d.h"
#include "gfx3d/scene.h"
#include "gfx3d/special_draw.h"
#include "runtime/number_args.h"

namespace tarvok {

namespace {

constexpr GLsizei kStride = sizeof(ExpandedVertex);

bool BuffersOffered() { return g_gl.glGenBuffersARB && g_gl.glBindBufferARB && g_gl.glBufferDataARB; }

float GlobalAlpha() { return g_engine.display ? g_engine.display->globalAlpha : 1.0f; }

// Fills a buffer of the mesh (created on first use; re-created when the size changes) and leaves it bound.
void FillBuffer(GLuint& name, std::size_t& bytesHeld, const std::vector<ExpandedVertex>& vertices, GLenum usage) {
    const std::size_t bytes = vertices.size() * sizeof(ExpandedVertex);
    if (name == 0) g_gl.glGenBuffersARB(1, &name);
    g_gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, name);
    g_gl.glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(bytes), vertices.data(), usage);
    bytesHeld = bytes;
}

// Points the arrays at the vertices (a buffer offset when base is null and a buffer is bound) and draws.
void DrawVertices(const Zazuzive3D& scene, const VertexLayout& layout, const std::byte* base,
                  std::size_t count, const Mat4& transform) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, kStride, base + offsetof(ExpandedVertex, x));
    for (int unit = 0; unit < 2; ++unit) {
        if (!scene.unitBound[unit]) continue;
        if (g_gl.glClientActiveTextureARB) g_gl.glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, kStride, base + layout.texCoords[unit]);
    }
    if (layout.colourArray) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, kStride, base + layout.colours);
    }
    if (layout.normalArray) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, kStride, base + offsetof(ExpandedVertex, nx));
    }
    glEnable(GL_COLOR_MATERIAL);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(transform.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
    glPopMatrix();

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    for (int unit = 1; unit >= 0; --unit) {
        if (unit == 1 && !g_gl.glClientActiveTextureARB) continue;
        if (g_gl.glClientActiveTextureARB) g_gl.glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
}

void ResetTextureEnvironment() {
    for (int unit = 1; unit >= 0; --unit) {
        if (unit == 1 && !g_gl.glActiveTextureARB) continue;
        if (g_gl.glActiveTextureARB) g_gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
}

void DrawMesh(Zazuzive3D& scene, MeshObjectX& mesh, const FramePair& pair, const Mat4& transform) {
    FlushQueuedDrawing();
    const MeshFrame& first = mesh.frames[pair.first];
    if (SphereOutside(scene.frustum, transform, first.centre, first.radius)) return;
    glColor4f(1, 1, 1, GlobalAlpha());
    PrepareSpecialMesh(scene, mesh);
    if (mesh.drawBuffer.empty()) mesh.BuildTriangles();

    const bool direct = pair.weight == 0.0f && scene.textureOffset[0] == 0.0f &&
                        scene.textureOffset[1] == 0.0f && !SpecialModeOn(scene);
    const std::vector<ExpandedVertex>* vertices = &first.triangles;
    if (!direct) {
        BlendFrames(first, mesh.frames[pair.second], pair.weight, scene.textureOffset[0], scene.textureOffset[1],
                    mesh.drawBuffer);
        vertices = &mesh.drawBuffer;
        if (!ApplySpecialVertices(scene, mesh, pair, transform, mesh.drawBuffer)) return;
    }
    if (vertices->empty()) return;
    const VertexLayout layout = BeginMeshDraw(scene, mesh);

    const std::byte* base = reinterpret_cast<const std::byte*>(vertices->data());
    if (BuffersOffered()) {
        if (direct && pair.first == 0) {
            if (mesh.staticBuffer == 0) {
                std::size_t held = 0;
                FillBuffer(mesh.staticBuffer, held, *vertices, GL_STATIC_DRAW_ARB);
            }
            g_gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, mesh.staticBuffer);
        } else {
            FillBuffer(mesh.streamBuffer, mesh.streamBufferBytes, *vertices, GL_STREAM_DRAW_ARB);
        }
        base = nullptr;
    }
    DrawVertices(scene, layout, base, vertices->size(), transform);
    if (BuffersOffered()) g_gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    ResetTextureEnvironment();
    EndMeshDraw(scene, mesh, pair, transform, mesh.drawBuffer);
    glColor4f(1, 1, 1, GlobalAlpha());
}

}  // namespace

}  // namespace tarvok

using namespace tarvok;

void DrawAnimation(double slotNumber, double from, double to, double factor, double mode) {
    Zazuzive3D* scene = g_engine.scene;
    ObjectSlot* slot = SlotFor(slotNumber);
    if (!scene || !slot || !slot->loaded) return;
    if (!slot->scene) BindSceneSprites(*scene);
    const Mat4 transform = scene->transforms.Current();
    for (MeshObjectX& mesh : slot->meshes) {
        if (!mesh.Drawable()) continue;
        if (slot->scene) {
            // The slot's texture list names the textures; an index outside it draws untextured.
            const auto name = [&](std::int32_t index) -> std::uint32_t {
                return index >= 0 && static_cast<std::size_t>(index) < slot->textures.size() ? slot->textures[index] : 0;
            };
            BindTextureName(*scene, 0, name(mesh.textureA));
            BindTextureName(*scene, 1, name(mesh.textureB));
        }
        const FramePair pair = ChooseFrames(ToInt(from), ToInt(to), factor, ToInt(mode),
                                            static_cast<std::int32_t>(mesh.frames.size()));
        DrawMesh(*scene, mesh, pair, transform);
    }
}

void DrawObject(double slot, double frame) { DrawAnimation(slot, frame, frame, 0, 0); }

void SetTexture(double sprite1, double sprite2) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    scene->textureSprite[0] = ToInt(sprite1);
    scene->textureSprite[1] = ToInt(sprite2);
    BindSceneSprites(*scene);
    SetShaderInteger("TextureID1", 0);
    SetShaderInteger("TextureID2", 1);
}

void UseMipTextures(double flag) {
    if (g_engine.scene) g_engine.scene->mipTextures = ToBool(flag);
}

void SetTextureOffset(double du, double dv) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    scene->textureOffset[0] = static_cast<float>(du);
    scene->textureOffset[1] = static_cast<float>(dv);
}
