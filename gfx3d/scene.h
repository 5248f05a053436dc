// Zazuzive3D: the 3D scene object. It holds the projection, the camera, the frustum planes, the transform
// stack, the 4096 object slots and the texture choice of 3D drawing; every 3D command works on the one
// instance in g_engine.scene.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx3d/effects.h"
#include "gfx3d/mesh.h"
#include "gfx3d/transform.h"
#include "runtime/engine_globals.h"

namespace tarvok {

constexpr std::int32_t kObjectSlots = 4096;
constexpr std::int32_t kShaderSlots = 255;

// One shader slot: GL object handles, 0 for none.
struct ShaderSlot {
    std::uint32_t program = 0, vertex = 0, fragment = 0;
};

struct ObjectSlot {
    bool loaded = false;                 // holds a loaded or built object
    bool scene = false;                  // filled from a scene description
    std::vector<MeshObjectX> meshes;
    std::vector<std::uint32_t> textures;  // scene slots: GL texture names, index 0 = texture "1"
};

// What the 3D code asks of the 2D graphics code, which joins here. Null entries take the fallback given.
struct Gfx3dServices {
    // Reads a picture (BMP, then PNG, with the sprite colour key) and uploads it; its texture name or 0.
    // Fallback: scene textures stay empty.
    std::uint32_t (*loadTexture)(const std::string& path) = nullptr;
    // Binds the first sprite's texture (mip-mapped when mip is set) on unit 0 and the second's on unit 1,
    // texturing off on a unit whose sprite is below 0 (unit 1 also when the first is). Fallback: both
    // units unbound.
    void (*bindSprites)(int first, int second, bool mip) = nullptr;
    // Binds the current font's texture on unit 0 and gives its cell and texture step sizes; false when
    // the font slot is empty. Fallback: Print3D draws nothing.
    bool (*bindCurrentFont)(int& cellWidth, int& cellHeight, int& rows, float& sStep, float& tStep) = nullptr;
};
extern Gfx3dServices g_gfx3dServices;

}  // namespace tarvok

class Zazuzive3D {
public:
    Zazuzive3D();
    ~Zazuzive3D();
    Zazuzive3D(const Zazuzive3D&) = delete;
    Zazuzive3D& operator=(const Zazuzive3D&) = delete;

    // Scene and camera.
    std::array<tarvok::Plane, 6> frustum{};  // right, left, bottom, top, far, near
    tarvok::TransformStack transforms;
    tarvok::Mat4 projection = tarvok::IdentityMatrix();
    tarvok::Mat4 camera = tarvok::IdentityMatrix();  // modelview after the camera was placed
    float eye[3] = {0, 0, 0};
    float target[3] = {0, 0, -1};
    float up[3] = {0, 1, 0};
    float zNear = 1, zFar = 1000;
    float fovTangent = 0;           // tan(min(fov + 5, 89) degrees); cel-shading outlines read it
    std::int32_t cullingMode = 0;   // 0 off, -1 counter-clockwise front faces, 1 clockwise
    bool active = false;            // between Start3D and the next screen flip

    // Objects.
    std::vector<tarvok::ObjectSlot> slots;  // kObjectSlots entries
    std::int32_t buildSlot = -1;            // slot open between StartObject and EndObject
    std::int32_t normalMode = 2;            // SetNormalMode

    // Texture choice of object drawing.
    std::int32_t textureSprite[2] = {-1, -1};  // sprites for units 0 and 1
    bool mipTextures = false;
    float textureOffset[2] = {0, 0};
    bool unitBound[2] = {false, false};     // a texture is bound and enabled on the unit
    std::vector<tarvok::ExpandedVertex> blendBuffer;  // scratch for blended frames

    // Lights, fog and the special draw modes.
    std::uint8_t lightsMask = 0;            // one bit per GL light that is on
    bool normalsFlag = false;               // UseNormals: normals fed also with lighting off
    bool specialOn = false;
    std::int32_t specialMode = 0;           // 1 bump mapping, 2 cel shading, 3 shadow volumes
    float specialLight[3] = {0, 0, 0};      // light of the special mode, world space
    float specialColour[3] = {0, 0, 0};
    bool shadowPassOpen = false;            // shadow volumes go into the stencil buffer until closed
    std::vector<std::uint8_t> shadeRamp = tarvok::DefaultShadeRamp();

    // Shaders.
    std::array<tarvok::ShaderSlot, tarvok::kShaderSlots> shaders{};
    std::int32_t currentShader = -1;        // slot in use, -1 for the fixed-function pipeline
    bool shaderSupportMessage = true;       // the missing-support message is still to be sent
};

namespace tarvok {

// The slot for a game number, or null outside 0..4095 or without a scene.
ObjectSlot* SlotFor(double slot);
// Releases what the slot holds: vertex buffers, textures and meshes (GL names only while a context exists).
void ReleaseSlot(ObjectSlot& slot);
// Deletes a texture name (when a GL context exists) and zeroes it.
void ReleaseTextureName(std::uint32_t& name);
// Deletes a mesh's vertex buffers and cel texture (when a GL context exists).
void ReleaseMeshGl(MeshObjectX& mesh);
// The scene's stored culling mode applied to GL again.
void ApplyCulling(int mode);
// Binds a texture name (0: none) on a texture unit.
void BindTextureName(Zazuzive3D& scene, int unit, std::uint32_t name);
// Binds the current 3D textures through the 2D code.
void BindSceneSprites(Zazuzive3D& scene);

}  // namespace tarvok
