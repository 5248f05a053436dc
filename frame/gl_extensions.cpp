#include "frame/gl_extensions.h"

#include <cstring>

#include "platform/headless.h"
#include "platform/window.h"

GlExtensions g_gl;

namespace {

template <typename F>
void Load(F& pointer, const char* name) {
    pointer = reinterpret_cast<F>(platform::GlProc(name));
}

const char* ExtensionString() {
    const auto* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return list ? list : "";
}

}  // namespace

bool ExtensionListHas(const char* list, const char* name) {
    const std::size_t n = std::strlen(name);
    if (n == 0) return false;
    for (const char* p = std::strstr(list, name); p; p = std::strstr(p + 1, name)) {
        const bool startOk = p == list || p[-1] == ' ';
        const bool endOk = p[n] == ' ' || p[n] == 0;
        if (startOk && endOk) return true;
    }
    return false;
}

bool ExtensionSupported(const char* name) { return ExtensionListHas(ExtensionString(), name); }

void LoadGlExtensions() {
    g_gl = GlExtensions{};
    const char* list = ExtensionString();
    const bool multitexture = ExtensionListHas(list, "GL_ARB_multitexture") && !platform::ExtensionDisabled("multitexture");
    if (multitexture) {
        Load(g_gl.glActiveTextureARB, "glActiveTextureARB");
        Load(g_gl.glMultiTexCoord2fARB, "glMultiTexCoord2fARB");
        Load(g_gl.glClientActiveTextureARB, "glClientActiveTextureARB");
    }
    if (ExtensionListHas(list, "GL_ARB_vertex_buffer_object") && !platform::ExtensionDisabled("vbo")) {
        Load(g_gl.glGenBuffersARB, "glGenBuffersARB");
        Load(g_gl.glBindBufferARB, "glBindBufferARB");
        Load(g_gl.glBufferDataARB, "glBufferDataARB");
        Load(g_gl.glDeleteBuffersARB, "glDeleteBuffersARB");
        Load(g_gl.glMapBufferARB, "glMapBufferARB");
        Load(g_gl.glUnmapBufferARB, "glUnmapBufferARB");
        Load(g_gl.glGetBufferParameterivARB, "glGetBufferParameterivARB");
    }
    if (ExtensionListHas(list, "GL_ARB_fragment_program") && ExtensionListHas(list, "GL_ARB_shader_objects") &&
        !platform::ExtensionDisabled("glsl")) {
        Load(g_gl.glCreateProgramObjectARB, "glCreateProgramObjectARB");
        Load(g_gl.glDeleteObjectARB, "glDeleteObjectARB");
        Load(g_gl.glCreateShaderObjectARB, "glCreateShaderObjectARB");
        Load(g_gl.glShaderSourceARB, "glShaderSourceARB");
        Load(g_gl.glCompileShaderARB, "glCompileShaderARB");
        Load(g_gl.glGetObjectParameterivARB, "glGetObjectParameterivARB");
        Load(g_gl.glAttachObjectARB, "glAttachObjectARB");
        Load(g_gl.glGetInfoLogARB, "glGetInfoLogARB");
        Load(g_gl.glLinkProgramARB, "glLinkProgramARB");
        Load(g_gl.glUseProgramObjectARB, "glUseProgramObjectARB");
        Load(g_gl.glGetUniformLocationARB, "glGetUniformLocationARB");
        Load(g_gl.glUniform1fARB, "glUniform1fARB");
        Load(g_gl.glUniform1iARB, "glUniform1iARB");
        Load(g_gl.glGetAttribLocationARB, "glGetAttribLocationARB");
        Load(g_gl.glVertexAttrib1fARB, "glVertexAttrib1fARB");
    }
    if (ExtensionListHas(list, "GL_EXT_framebuffer_object") && !platform::ExtensionDisabled("fbo")) {
        Load(g_gl.glBindRenderbufferEXT, "glBindRenderbufferEXT");
        Load(g_gl.glDeleteRenderbuffersEXT, "glDeleteRenderbuffersEXT");
        Load(g_gl.glGenRenderbuffersEXT, "glGenRenderbuffersEXT");
        Load(g_gl.glRenderbufferStorageEXT, "glRenderbufferStorageEXT");
        Load(g_gl.glBindFramebufferEXT, "glBindFramebufferEXT");
        Load(g_gl.glDeleteFramebuffersEXT, "glDeleteFramebuffersEXT");
        Load(g_gl.glGenFramebuffersEXT, "glGenFramebuffersEXT");
        Load(g_gl.glCheckFramebufferStatusEXT, "glCheckFramebufferStatusEXT");
        Load(g_gl.glFramebufferTexture2DEXT, "glFramebufferTexture2DEXT");
        Load(g_gl.glFramebufferRenderbufferEXT, "glFramebufferRenderbufferEXT");
    }
}

void UseTextureUnitZeroOnly() {
    if (g_gl.glActiveTextureARB) {
        g_gl.glActiveTextureARB(GL_TEXTURE1_ARB);
        glDisable(GL_TEXTURE_2D);
        g_gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glEnable(GL_TEXTURE_2D);
}
