// Fixed-function lights, fog, the normals switch and the shade ramp; negative light numbers choose the
// special draw modes (bump mapping, cel shading, shadow volumes) and their light.
#include <GL/gl.h>

#include <cmath>

#include "frame/display.h"
#include "gfx3d/effects.h"
#include "gfx3d/gfx3d.h"
#include "gfx3d/scene.h"
#include "gfx3d/special_draw.h"
#include "runtime/number_args.h"

namespace tarvok {

namespace {

constexpr float kTinySquared = 0.0000001f;
constexpr double kMarkerColour = 0x80C8FF, kSpotLineColour = 0x6CAAE1;

struct Colour {
    float red, green, blue;
};
Colour ColourChannels(double colour) {
    const std::uint32_t c = ToLowBits32(colour);
    return {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
            static_cast<float>((c >> 16) & 0xFF) / 255.0f};
}

// The vector scaled to unit length, left as it is when it is (nearly) zero.
void NormaliseInPlace(float v[3]) {
    const float squared = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    if (squared <= kTinySquared) return;
    const float length = std::sqrt(squared);
    for (int i = 0; i < 3; ++i) v[i] /= length;
}

void SwitchLightOff(Zazuzive3D& scene, int light) {
    FlushQueuedDrawing();
    glDisable(GL_LIGHT0 + light);
    scene.lightsMask = static_cast<std::uint8_t>(scene.lightsMask & ~(1u << light));
    if (scene.lightsMask == 0) glDisable(GL_LIGHTING);
}

void SetGlLight(Zazuzive3D& scene, int id, double colour, const float p[3], const float d[3], double cutoff,
                bool markers) {
    FlushQueuedDrawing();
    const int light = id % 8;
    if (cutoff == 0) {
        SwitchLightOff(scene, light);
        return;
    }
    const GLenum name = GL_LIGHT0 + light;
    glEnable(GL_LIGHTING);
    glEnable(name);
    scene.lightsMask = static_cast<std::uint8_t>(scene.lightsMask | (1u << light));
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    const Colour c = ColourChannels(colour);
    const float diffuse[4] = {c.red, c.green, c.blue, 1};
    const float noSpecular[4] = {0, 0, 0, 1};
    glLightfv(name, GL_DIFFUSE, diffuse);
    const bool atOrigin = p[0] == 0 && p[1] == 0 && p[2] == 0 && d[0] == 0 && d[1] == 0 && d[2] == 0;
    float direction[3] = {d[0], d[1], d[2]};
    NormaliseInPlace(direction);
    const bool spot = !atOrigin && cutoff != 180 && !(cutoff > 90);
    if (atOrigin) {
        const float position[4] = {0, 0, 1, 0};
        glLightfv(name, GL_POSITION, position);
    } else if (cutoff == 180) {
        float toward[3] = {-d[0], -d[1], -d[2]};
        NormaliseInPlace(toward);
        const float position[4] = {toward[0], toward[1], toward[2], 0};
        glLightfv(name, GL_POSITION, position);
    } else {
        const float position[4] = {p[0], p[1], p[2], 1};
        glLightfv(name, GL_POSITION, position);
    }
    if (spot) {
        // GL takes spot cutoffs 0..90 (or 180); a negative or NaN one would leave an error set.
        glLightf(name, GL_SPOT_CUTOFF, cutoff >= 0 ? static_cast<float>(cutoff) : 0.0f);
        glLightfv(name, GL_SPOT_DIRECTION, direction);
        glLightfv(name, GL_SPECULAR, diffuse);
    } else {
        glLightf(name, GL_SPOT_CUTOFF, 180);
        glLightfv(name, GL_SPECULAR, noSpecular);
    }
    glPopMatrix();
    if (!markers || atOrigin || g_engine.debugMode == 0) return;
    DrawPoint3D(p[0], p[1], p[2], 40, kMarkerColour);
    if (spot)
        DrawLine3D(p[0], p[1], p[2], p[0] + 500 * direction[0], p[1] + 500 * direction[1],
                   p[2] + 500 * direction[2], 3, kSpotLineColour);
}

void SetSpecialMode(Zazuzive3D& scene, int id, double colour, const float p[3], double cutoff) {
    FlushQueuedDrawing();
    const bool on = std::fabs(cutoff) >= 0.00001;
    for (int i = 0; i < 3; ++i) scene.specialLight[i] = p[i];
    const Colour c = ColourChannels(colour);
    scene.specialColour[0] = c.red, scene.specialColour[1] = c.green, scene.specialColour[2] = c.blue;
    scene.specialOn = on;
    scene.specialMode = id == -1 ? 1 : id == -3 ? 3 : 2;
    if (scene.specialMode != 3) return;
    if (on && !scene.shadowPassOpen) {
        glShadeModel(GL_FLAT);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDepthMask(GL_FALSE);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, ~0u);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
        scene.shadowPassOpen = true;
    } else if (!on && scene.shadowPassOpen) {
        CloseShadowPass(scene);
    }
}

void SetLightCommand(double id, double colour, const float p[3], const float d[3], double cutoff,
                     bool markers) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    // NaN counts as no cutoff.
    const double cut = std::isnan(cutoff) ? 0.0 : cutoff;
    const int number = ToInt(id);
    if (number >= 0)
        SetGlLight(*scene, number, colour, p, d, cut, markers);
    else
        SetSpecialMode(*scene, number, colour, p, cut);
}

}  // namespace

void ResetLighting(Zazuzive3D& scene) {
    FlushQueuedDrawing();
    glDisable(GL_LIGHTING);
    for (int light = 0; light < 8; ++light) glDisable(GL_LIGHT0 + light);
    scene.lightsMask = 0;
    scene.normalsFlag = false;
    scene.specialOn = false;
    scene.specialMode = 0;
}

void DropShadeTextures(Zazuzive3D& scene) {
    for (ObjectSlot& slot : scene.slots)
        for (MeshObjectX& mesh : slot.meshes) {
            ReleaseTextureName(mesh.celTexture);
            mesh.celScale = 0;
        }
}

}  // namespace tarvok

using namespace tarvok;

void SetLight(double id, double colour, double x, double y, double z, double dx, double dy, double dz,
              double cutoff) {
    const float p[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    const float d[3] = {static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dz)};
    SetLightCommand(id, colour, p, d, cutoff, true);
}

void SetCameraLight(double id, double colour) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    const float* eye = scene->eye;
    const float d[3] = {-eye[0], -eye[1], -eye[2]};
    SetLightCommand(id, colour, eye, d, 180, false);
}

void SetFog(double colour, double mode, double start, double end) {
    FlushQueuedDrawing();
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    const std::uint32_t c = ToLowBits32(colour);
    if (c == 0xFFFFFFFF) {
        glDisable(GL_FOG);
        return;
    }
    if (ToInt(mode) != 0) {
        glFogi(GL_FOG_MODE, GL_EXP);
        // GL refuses a negative density (an error left set); NaN counts as none.
        glFogf(GL_FOG_DENSITY, start > 0 ? static_cast<float>(start) : 0.0f);
    } else {
        float from = static_cast<float>(start), to = static_cast<float>(end);
        if (from == 0 && to == 0) from = scene->zNear, to = scene->zFar;
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogf(GL_FOG_START, from);
        glFogf(GL_FOG_END, to);
    }
    const Colour channels = ColourChannels(colour);
    const float fogColour[4] = {channels.red, channels.green, channels.blue, 0};
    glFogfv(GL_FOG_COLOR, fogColour);
    glEnable(GL_FOG);
}

void UseNormals(double flag) {
    if (g_engine.scene) g_engine.scene->normalsFlag = ToBool(flag);
}

void SetShadeRamp(const RtArray<double>& array) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    std::vector<std::uint8_t> ramp;
    const double* values = array.Data();
    for (std::int32_t i = 0; values && i < array.Count(); ++i)
        ramp.push_back(static_cast<std::uint8_t>(ToLowBits32(values[i]) & 0xFF));
    if (ramp.empty()) ramp.push_back(255);
    scene->shadeRamp = std::move(ramp);
    DropShadeTextures(*scene);
}
