// The scene object's GL side: entering 3D mode, projection and camera, the transform commands, face
// culling, debug axes, lines and points, and the release of GL names held by objects.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx3d/gfx3d.h"
#include "gfx3d/scene.h"
#include "gfx3d/special_draw.h"
#include "runtime/number_args.h"
#include "runtime/program_end.h"

Zazuzive3D::Zazuzive3D() : slots(tarvok::kObjectSlots) {}

Zazuzive3D::~Zazuzive3D() {
    for (tarvok::ObjectSlot& slot : slots) tarvok::ReleaseSlot(slot);
    tarvok::ReleaseShaders(*this);
}

namespace tarvok {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

// GL names are deleted only while the display's context exists.
bool ContextAlive() { return g_engine.display && g_engine.display->initialised; }

float GlobalAlpha() { return g_engine.display ? g_engine.display->globalAlpha : 1.0f; }

void WhiteColour() { glColor4f(1, 1, 1, GlobalAlpha()); }

void ColourOf(double colour) {
    const std::uint32_t c = ToLowBits32(colour);
    glColor3f(static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
              static_cast<float>((c >> 16) & 0xFF) / 255.0f);
}

// The size of a line or point: 1..512 (NaN gives 1).
float DebugSize(double size) { return static_cast<float>(size >= 1 ? std::min(size, 512.0) : 1.0); }

void PlaceCamera(Zazuzive3D& scene) {
    FlushQueuedDrawing();
    scene.camera = LookAtMatrix(scene.eye, scene.target, scene.up);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(scene.camera.data());
    scene.transforms.Reset();
    scene.frustum = FrustumPlanes(scene.projection, scene.camera);
}

void UnbindBothUnits(Zazuzive3D& scene) {
    BindTextureName(scene, 1, 0);
    BindTextureName(scene, 0, 0);
}

// Lighting is off while a debug shape is drawn; it returns afterwards when it was on.
class DebugDrawState {
public:
    explicit DebugDrawState(GLenum smoothing) : smoothing_(smoothing), lighting_(glIsEnabled(GL_LIGHTING)) {
        FlushQueuedDrawing();
        glDisable(GL_LIGHTING);
        glEnable(GL_COLOR_MATERIAL);
        glEnable(smoothing_);
    }
    ~DebugDrawState() {
        glDisable(smoothing_);
        glDisable(GL_COLOR_MATERIAL);
        if (lighting_) glEnable(GL_LIGHTING);
        WhiteColour();
    }

private:
    GLenum smoothing_;
    GLboolean lighting_;
};

}  // namespace

void ReleaseTextureName(std::uint32_t& name) {
    if (name != 0 && ContextAlive()) glDeleteTextures(1, &name);
    name = 0;
}

void ReleaseMeshGl(MeshObjectX& mesh) {
    if (ContextAlive() && g_gl.glDeleteBuffersARB) {
        if (mesh.staticBuffer) g_gl.glDeleteBuffersARB(1, &mesh.staticBuffer);
        if (mesh.streamBuffer) g_gl.glDeleteBuffersARB(1, &mesh.streamBuffer);
    }
    mesh.staticBuffer = mesh.streamBuffer = 0;
    mesh.streamBufferBytes = 0;
    ReleaseTextureName(mesh.celTexture);
}

void ApplyCulling(int mode) {
    FlushQueuedDrawing();
    if (mode == 0) {
        glDisable(GL_CULL_FACE);
        return;
    }
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(mode < 0 ? GL_CCW : GL_CW);
}

void BindTextureName(Zazuzive3D& scene, int unit, std::uint32_t name) {
    FlushQueuedDrawing();
    if (unit != 0 && !g_gl.glActiveTextureARB) return;
    if (g_gl.glActiveTextureARB) g_gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
    if (name != 0) {
        glBindTexture(GL_TEXTURE_2D, name);
        glEnable(GL_TEXTURE_2D);
    } else {
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
    }
    scene.unitBound[unit] = name != 0;
    if (g_gl.glActiveTextureARB) g_gl.glActiveTextureARB(GL_TEXTURE0_ARB);
}

void BindSceneSprites(Zazuzive3D& scene) {
    if (!g_gfx3dServices.bindSprites) {
        BindTextureName(scene, 1, 0);
        BindTextureName(scene, 0, 0);
        return;
    }
    const int first = scene.textureSprite[0], second = scene.textureSprite[1];
    g_gfx3dServices.bindSprites(first, second, scene.mipTextures);
    // An empty sprite slot binds no texture; its texture coordinates are then fed to no one, harmlessly.
    scene.unitBound[0] = first >= 0;
    scene.unitBound[1] = first >= 0 && second >= 0 && g_gl.glActiveTextureARB;
}

}  // namespace tarvok

using namespace tarvok;

Zazuzive3D* CreateScene3D() {
    if (!g_engine.scene) g_engine.scene = new Zazuzive3D();
    return g_engine.scene;
}

void DestroyScene3D() {
    delete g_engine.scene;
    g_engine.scene = nullptr;
}

void Leave3DMode() {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    scene->mipTextures = false;
    if (scene->shadowPassOpen) CloseShadowPass(*scene);
    UseShader(-1);
    if (!scene->active) return;
    scene->active = false;
    OpenGLZazuzive* display = g_engine.display;
    if (display && display->initialised)
        Reset2DState(*display, display->viewportX, display->viewportY, display->viewportWidth, display->viewportHeight);
}

void Start3D(double zNear, double zFar, double fov) {
    FlushQueuedDrawing();
    Zazuzive3D* scene = g_engine.scene;
    OpenGLZazuzive* display = g_engine.display;
    if (!scene || !display) return;
    display->mode2D = 0;
    glClear(GL_DEPTH_BUFFER_BIT);
    if (scene->shadowPassOpen) CloseShadowPass(*scene);
    const float fovF = static_cast<float>(fov);
    scene->fovTangent = std::tan(std::min(fovF + 5.0f, 89.0f) * kDegreesToRadians);
    scene->zNear = static_cast<float>(zNear);
    scene->zFar = static_cast<float>(zFar);
    scene->up[0] = 0, scene->up[1] = 1, scene->up[2] = 0;

    const int vw = display->viewportWidth, vh = display->viewportHeight;
    glViewport(display->viewportX, display->clientHeight - display->viewportY - vh, vw, vh);
    const float aspect = vh != 0 ? static_cast<float>(vw) / static_cast<float>(vh) : 1.0f;
    if (fovF > 0) {
        const float h = std::tan(fovF / 2 * kDegreesToRadians) * scene->zNear;
        scene->projection = FrustumMatrix(-aspect * h, aspect * h, -h, h, scene->zNear, scene->zFar);
    } else {
        const float h = std::tan(std::fabs(fovF) / 2 * kDegreesToRadians) * scene->zNear * 100;
        scene->projection = OrthoMatrix(-aspect * h, aspect * h, -h, h, scene->zNear, scene->zFar);
        scene->fovTangent = std::tan(89.0f * kDegreesToRadians);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(scene->projection.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.05f);
    WhiteColour();
    glClearColor(0, 0, 0, 1);
    for (GLenum off : {GL_FOG, GL_LINE_SMOOTH, GL_POINT_SMOOTH, GL_POLYGON_SMOOTH, GL_STENCIL_TEST,
                       GL_POLYGON_OFFSET_POINT, GL_AUTO_NORMAL, GL_NORMALIZE, GL_LIGHTING})
        glDisable(off);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_DITHER);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_FOG_HINT, GL_NICEST);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);

    scene->transforms.Reset();
    const float origin[3] = {0, 0, 0}, ahead[3] = {0, 0, -1};
    std::copy(origin, origin + 3, scene->eye);
    std::copy(ahead, ahead + 3, scene->target);
    PlaceCamera(*scene);

    scene->cullingMode = 0;
    ApplyCulling(0);
    scene->textureSprite[0] = scene->textureSprite[1] = -1;
    UnbindBothUnits(*scene);
    scene->textureOffset[0] = scene->textureOffset[1] = 0;
    ResetLighting(*scene);
    SetShaderInteger("TextureID1", 0);
    SetShaderInteger("TextureID2", 1);
    scene->active = true;
}

void ClearZBuffer() {
    FlushQueuedDrawing();
    if (g_engine.scene) glClear(GL_DEPTH_BUFFER_BIT);
}

void SetCamera(double ex, double ey, double ez, double tx, double ty, double tz) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    const double values[6] = {ex, ey, ez, tx, ty, tz};
    for (int i = 0; i < 3; ++i) {
        scene->eye[i] = static_cast<float>(values[i]);
        scene->target[i] = static_cast<float>(values[i + 3]);
    }
    PlaceCamera(*scene);
}

void SetCameraUp(double x, double y, double z) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    scene->up[0] = static_cast<float>(x);
    scene->up[1] = static_cast<float>(y);
    scene->up[2] = static_cast<float>(z);
}

void SetCulling(double mode) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    scene->cullingMode = mode < 0 ? -1 : mode > 0 ? 1 : 0;
    ApplyCulling(scene->cullingMode);
}

void SetMovement(double x, double y, double z) {
    if (g_engine.scene)
        g_engine.scene->transforms.SetMovement(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void SetScaling(double x, double y, double z) {
    if (g_engine.scene)
        g_engine.scene->transforms.SetScaling(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void AddRotation(double angle, double x, double y, double z) {
    if (g_engine.scene)
        g_engine.scene->transforms.AddRotation(static_cast<float>(angle), static_cast<float>(x),
                                               static_cast<float>(y), static_cast<float>(z));
}

void MultMatrix(const RtArray<double>& matrix) {
    if (matrix.DimCount() != 1 || matrix.Count() != 16) RaiseRuntimeError(kErrorIndex);
    if (!g_engine.scene) return;
    Mat4 m;
    for (int i = 0; i < 16; ++i) m[i] = static_cast<float>(matrix.ElementAt(i));
    g_engine.scene->transforms.MultMatrix(m);
}

void PushTransform() {
    if (g_engine.scene) g_engine.scene->transforms.Push();
}

void PopTransform() {
    if (g_engine.scene) g_engine.scene->transforms.Pop();
}

void DrawAxes(double x, double y, double z) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    const bool textured = scene->unitBound[0];
    if (textured) glDisable(GL_TEXTURE_2D);
    {
        DebugDrawState state(GL_LINE_SMOOTH);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadMatrixf(scene->camera.data());
        glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
        glScalef(20, 20, 20);
        // Each arrow: the shaft, then four head lines back from the tip, in the two other axes' planes.
        for (int axis = 0; axis < 3; ++axis) {
            const int a = (axis + 1) % 3, b = (axis + 2) % 3;
            glColor3f(axis == 0, axis == 1, axis == 2);
            float tip[3] = {0, 0, 0};
            tip[axis] = 1;
            glBegin(GL_LINE_STRIP);
            glVertex3f(0, 0, 0);
            glVertex3fv(tip);
            for (const auto& [other, sign] : {std::pair{a, 1.0f}, {a, -1.0f}, {b, 1.0f}, {b, -1.0f}}) {
                float head[3] = {0, 0, 0};
                head[axis] = 0.75f;
                head[other] = 0.25f * sign;
                glVertex3fv(head);
                glVertex3fv(tip);
            }
            glEnd();
        }
        glPopMatrix();
    }
    if (textured) glEnable(GL_TEXTURE_2D);
}

void DrawLine3D(double x1, double y1, double z1, double x2, double y2, double z2, double width, double colour) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    UnbindBothUnits(*scene);
    DebugDrawState state(GL_LINE_SMOOTH);
    glLineWidth(DebugSize(width));
    ColourOf(colour);
    glBegin(GL_LINES);
    glVertex3d(x1, y1, z1);
    glVertex3d(x2, y2, z2);
    glEnd();
    glLineWidth(1);
}

void DrawPoint3D(double x, double y, double z, double size, double colour) {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene) return;
    UnbindBothUnits(*scene);
    DebugDrawState state(GL_POINT_SMOOTH);
    glPointSize(DebugSize(size));
    ColourOf(colour);
    glBegin(GL_POINTS);
    glVertex3d(x, y, z);
    glEnd();
    glPointSize(1);
}
