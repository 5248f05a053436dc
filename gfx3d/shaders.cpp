// GLSL shader slots: vertex and fragment shaders read from files, compiled and linked through the
// shader-object extension functions, one slot's program in use for the following drawing, and uniforms
// set by name. Every message goes to the debug text output, in debug mode only.
#include <GL/gl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx3d/gfx3d.h"
#include "gfx3d/scene.h"
#include "gfx3d/special_draw.h"
#include "platform/files.h"
#include "platform/system.h"
#include "runtime/number_args.h"

namespace tarvok {

namespace {

// A shader source larger than this is refused (the load fails) instead of being read whole.
constexpr std::int64_t kMaxShaderBytes = std::int64_t{16} << 20;

void Message(const char* text) {
    if (g_engine.debugMode != 0) platform::DebuggerOutput(text);
}

void SendInfoLog(GLhandleARB object) {
    if (!g_gl.glGetObjectParameterivARB || !g_gl.glGetInfoLogARB) return;
    GLint length = 0;
    g_gl.glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    std::vector<char> log(static_cast<std::size_t>(std::max(length, 1)) + 1, '\0');
    GLsizei written = 0;
    g_gl.glGetInfoLogARB(object, static_cast<GLsizei>(log.size() - 1), &written, log.data());
    Message(log.data());
}

GLint Status(GLhandleARB object, GLenum which) {
    GLint status = 0;
    if (g_gl.glGetObjectParameterivARB) g_gl.glGetObjectParameterivARB(object, which, &status);
    return status;
}

enum class FileRead { kMissing, kRead, kTooLarge };

FileRead ReadSource(const RtString& name, std::string& text) {
    std::string path = name.CText();
    std::replace(path.begin(), path.end(), '/', '\\');
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == platform::kNoFile) return FileRead::kMissing;
    const std::int64_t size = platform::SizeOfFile(file);
    if (size > kMaxShaderBytes) {
        platform::CloseFile(file);
        return FileRead::kTooLarge;
    }
    text.assign(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
    text.resize(platform::ReadFile(file, text.data(), text.size()));
    platform::CloseFile(file);
    return FileRead::kRead;
}

// Reads and compiles one shader of the slot; false (with its log and message sent) on failure. A file
// that does not open leaves the handle 0 and is no failure.
bool CompileShader(const RtString& file, GLenum kind, std::uint32_t& handle, const char* failure) {
    std::string source;
    const FileRead read = ReadSource(file, source);
    if (read == FileRead::kMissing) return true;
    if (read == FileRead::kTooLarge) {
        Message(failure);
        return false;
    }
    handle = g_gl.glCreateShaderObjectARB(kind);
    const GLcharARB* text = source.c_str();
    g_gl.glShaderSourceARB(handle, 1, &text, nullptr);
    g_gl.glCompileShaderARB(handle);
    if (Status(handle, GL_OBJECT_COMPILE_STATUS_ARB) != 0) return true;
    SendInfoLog(handle);
    Message(failure);
    return false;
}

// Deletes the slot's objects and zeroes their handles (when the delete function exists).
void DeleteObjects(ShaderSlot& shader) {
    if (!g_gl.glDeleteObjectARB) return;
    for (std::uint32_t* handle : {&shader.program, &shader.vertex, &shader.fragment}) {
        if (*handle != 0) g_gl.glDeleteObjectARB(*handle);
        *handle = 0;
    }
}

// The program of the current shader slot, or 0.
GLhandleARB CurrentProgram() {
    const Zazuzive3D* scene = g_engine.scene;
    if (!scene || scene->currentShader < 0 || scene->currentShader >= kShaderSlots) return 0;
    return scene->shaders[static_cast<std::size_t>(scene->currentShader)].program;
}

// The uniform's location in the current shader, or -1 (with the message for an unknown name); false
// when nothing can be set.
bool UniformLocation(const char* name, GLint& location) {
    const Zazuzive3D* scene = g_engine.scene;
    // A current slot without a program draws with the fixed-function pipeline: nothing to set (asking
    // program 0 for a location would leave a GL error set).
    if (!g_gl.glGetUniformLocationARB || !scene || scene->currentShader < 0 || CurrentProgram() == 0)
        return false;
    location = g_gl.glGetUniformLocationARB(CurrentProgram(), name);
    if (location != -1) return true;
    Message("undefined uniform:");
    Message(name);
    return false;
}

}  // namespace

void ReleaseShaders(Zazuzive3D& scene) {
    const bool alive = g_engine.display && g_engine.display->initialised;
    for (ShaderSlot& shader : scene.shaders) {
        if (alive) DeleteObjects(shader);
        shader = ShaderSlot{};
    }
    scene.currentShader = -1;
}

void SetShaderInteger(const char* name, int value) {
    FlushQueuedDrawing();
    GLint location = -1;
    if (UniformLocation(name, location) && g_gl.glUniform1iARB) g_gl.glUniform1iARB(location, value);
}

}  // namespace tarvok

using namespace tarvok;

double LoadShader(double slotNumber, const RtString& vertexFile, const RtString& fragmentFile) {
    FlushQueuedDrawing();
    Zazuzive3D* scene = g_engine.scene;
    const std::uint32_t slot = static_cast<std::uint32_t>(ToInt(slotNumber));
    if (!scene || slot >= static_cast<std::uint32_t>(kShaderSlots)) return 0;
    if (!g_gl.glCreateShaderObjectARB || !g_gl.glCompileShaderARB || !g_gl.glLinkProgramARB ||
        !g_gl.glShaderSourceARB || !g_gl.glCreateProgramObjectARB || !g_gl.glAttachObjectARB) {
        if (scene->shaderSupportMessage) Message("No OpenGL 2.0 Shader Support");
        scene->shaderSupportMessage = false;
        return 0;
    }
    ShaderSlot& shader = scene->shaders[slot];
    DeleteObjects(shader);
    const bool loaded =
        CompileShader(vertexFile, GL_VERTEX_SHADER_ARB, shader.vertex, "vertex shader failed") &&
        CompileShader(fragmentFile, GL_FRAGMENT_SHADER_ARB, shader.fragment, "fragment shader failed");
    if (!loaded) return 0;
    if (shader.vertex == 0 && shader.fragment == 0) return 1;
    shader.program = g_gl.glCreateProgramObjectARB();
    if (shader.vertex != 0) g_gl.glAttachObjectARB(shader.program, shader.vertex);
    if (shader.fragment != 0) g_gl.glAttachObjectARB(shader.program, shader.fragment);
    g_gl.glLinkProgramARB(shader.program);
    if (Status(shader.program, GL_OBJECT_LINK_STATUS_ARB) != 0) return 1;
    SendInfoLog(shader.program);
    Message("link shader failed");
    return 0;
}

void UseShader(double slotNumber) {
    FlushQueuedDrawing();
    Zazuzive3D* scene = g_engine.scene;
    if (!scene || !g_gl.glUseProgramObjectARB) return;
    const std::int32_t slot = ToInt(slotNumber);
    if (slot >= 0 && slot < kShaderSlots) {
        scene->currentShader = slot;
        g_gl.glUseProgramObjectARB(scene->shaders[static_cast<std::size_t>(slot)].program);
    } else {
        scene->currentShader = -1;
        g_gl.glUseProgramObjectARB(0);
    }
}

void SetShaderFloat(const RtString& name, double value) {
    FlushQueuedDrawing();
    GLint location = -1;
    if (UniformLocation(name.CText(), location) && g_gl.glUniform1fARB)
        g_gl.glUniform1fARB(location, static_cast<float>(value));
}
