// SDL2 window, GL context and event pump.
#include "platform/window.h"

#include <SDL.h>
#include <GL/gl.h>

#include <cstdio>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

// A page shows its canvas only when the program hands control back to the browser: the swap does that,
// so the frame appears before the next one is drawn. A paced game waits for the browser's next display
// frame, which shows this one, and resumes just after it; an unpaced one resumes at once. Both resume
// through a message, which unlike a zero timeout is not held back by the browser's 4 ms clamp and runs
// after the display frame. The page counts the frames shown.
EM_JS(void, YieldToBrowser, (bool toNextFrame), {
    Module.tarvokFrames = (Module.tarvokFrames || 0) + 1;
    Asyncify.handleSleep(function(wakeUp) {
        if (!Module.tarvokWake) {
            Module.tarvokWake = new MessageChannel();
            Module.tarvokWake.port1.onmessage = function() { Module.tarvokWakeUp(); };
        }
        Module.tarvokWakeUp = wakeUp;
        var resume = function() { Module.tarvokWake.port2.postMessage(0); };
        if (toNextFrame)
            requestAnimationFrame(resume);
        else
            resume();
    });
});
#endif

#include "platform/headless.h"
#include "platform/input_state.h"
#include "platform/keyboard_map.h"

namespace platform {

struct Window {
    SDL_Window* sdl = nullptr;
    SDL_GLContext context = nullptr;
};

namespace {

std::string g_renderer;

bool InitVideo(std::string& error) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        error = std::string("cannot start the video system: ") + SDL_GetError();
        return false;
    }
    return true;
}

bool TryCreate(Window& w, const WindowRequest& request, int samples) {
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
    w.sdl = SDL_CreateWindow(request.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, request.width,
                             request.height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!w.sdl) return false;
    w.context = SDL_GL_CreateContext(w.sdl);
    if (!w.context || SDL_GL_MakeCurrent(w.sdl, w.context) != 0) {
        if (w.context) SDL_GL_DeleteContext(w.context);
        SDL_DestroyWindow(w.sdl);
        w = Window{};
        return false;
    }
    return true;
}

void HandleKey(const SDL_KeyboardEvent& key) {
    const int code = SetOneCodeFromScancode(key.keysym.scancode);
    if (code > 0) Devices().realKeys[static_cast<std::size_t>(code)] = key.state == SDL_PRESSED ? 1 : 0;
}

std::uint32_t ButtonBit(std::uint8_t button) {
    switch (button) {
        case SDL_BUTTON_LEFT: return 1;
        case SDL_BUTTON_RIGHT: return 2;
        case SDL_BUTTON_MIDDLE: return 4;
        default: return 0;
    }
}

}  // namespace

DeviceInput& Devices() {
    static DeviceInput devices;
    return devices;
}

bool KeyDown(int code) {
    if (code < 0 || code > 255) return false;
    const DeviceInput& d = Devices();
    return d.realKeys[static_cast<std::size_t>(code)] || d.scriptKeys[static_cast<std::size_t>(code)];
}

Window* CreateGlWindow(WindowRequest& request, std::string& error) {
    if (!InitVideo(error)) return nullptr;
    Window w;
    int samples = request.samples > 0 ? request.samples : 0;
    if (ExtensionDisabled("multisample")) samples = 0;
    // Halve the sample count until a format exists; after 1 sample, go without.
    while (!TryCreate(w, request, samples)) {
        if (samples == 0) {
            error = std::string("cannot create the OpenGL window: ") + SDL_GetError();
            return nullptr;
        }
        samples = samples > 1 ? samples / 2 : 0;
    }
    request.samples = samples;
    if (g_renderer.empty()) {
        const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        g_renderer = name ? name : "";
    }
    return new Window(w);
}

void DestroyGlWindow(Window* window) {
    if (!window) return;
    SDL_GL_MakeCurrent(window->sdl, nullptr);
    SDL_GL_DeleteContext(window->context);
    SDL_DestroyWindow(window->sdl);
    delete window;
}

void SetWindowTitle(Window* window, const char* title) {
    if (window) SDL_SetWindowTitle(window->sdl, title);
}

void ShowWindow(Window* window) {
    if (window) SDL_ShowWindow(window->sdl);
}

void HideWindow(Window* window) {
    if (window) SDL_HideWindow(window->sdl);
}

void RaiseWindow(Window* window) {
    if (window) SDL_RaiseWindow(window->sdl);
}

bool SetFullScreen(Window* window, bool on, int width, int height) {
    if (!window) return false;
    if (!on) {
        SDL_SetWindowFullscreen(window->sdl, 0);
        SDL_SetWindowSize(window->sdl, width, height);
        SDL_SetWindowPosition(window->sdl, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        return true;
    }
    const int display = SDL_GetWindowDisplayIndex(window->sdl);
    SDL_DisplayMode wanted{}, closest{};
    wanted.w = width;
    wanted.h = height;
    if (display < 0 || !SDL_GetClosestDisplayMode(display, &wanted, &closest) || closest.w != width ||
        closest.h != height)
        return false;
    if (SDL_SetWindowDisplayMode(window->sdl, &closest) != 0) return false;
    SDL_SetWindowSize(window->sdl, width, height);
    return SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN) == 0;
}

void GetClientSize(Window* window, int& width, int& height) {
    width = height = 0;
    if (window) SDL_GL_GetDrawableSize(window->sdl, &width, &height);
}

void GetDesktopSize(Window* window, int& width, int& height) {
    width = height = 0;
    SDL_DisplayMode mode{};
    const int display = window ? SDL_GetWindowDisplayIndex(window->sdl) : 0;
    if (display >= 0 && SDL_GetDesktopDisplayMode(display, &mode) == 0) {
        width = mode.w;
        height = mode.h;
    }
}

void SwapGlWindow(Window* window) {
    if (window) SDL_GL_SwapWindow(window->sdl);
#ifdef __EMSCRIPTEN__
    YieldToBrowser(!Unpaced());
#endif
}

bool PollWindowEvent(WindowEventKind& kind) {
    SDL_Event e;
    if (!SDL_PollEvent(&e)) return false;
    kind = WindowEventKind::None;
    DeviceInput& d = Devices();
    switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: HandleKey(e.key); break;
        case SDL_MOUSEMOTION:
            d.mouseX = e.motion.x;
            d.mouseY = e.motion.y;
            d.motionX += e.motion.xrel;
            d.motionY += e.motion.yrel;
            break;
        case SDL_MOUSEBUTTONDOWN: d.buttons |= ButtonBit(e.button.button); break;
        case SDL_MOUSEBUTTONUP: d.buttons &= ~ButtonBit(e.button.button); break;
        case SDL_MOUSEWHEEL: d.wheel += e.wheel.y; break;
        case SDL_QUIT: kind = WindowEventKind::Close; break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) kind = WindowEventKind::Activated;
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                kind = WindowEventKind::Deactivated;
                d.realKeys.fill(0);  // keys released while away must not stay down
                d.buttons = 0;
            }
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) kind = WindowEventKind::Close;
            break;
        default: break;
    }
    return true;
}

const std::string& GlRenderer() { return g_renderer; }

bool SoftwareRenderer() {
    for (const char* name : {"llvmpipe", "softpipe", "swrast"})
        if (g_renderer.find(name) != std::string::npos) return true;
    return false;
}

void* GlProc(const char* name) { return SDL_GL_GetProcAddress(name); }

void WarningBox(const char* caption, const char* text) {
    if (NonInteractive()) return;
    // The engine's texts are Latin-1; SDL wants UTF-8.
    char* utf8 = SDL_iconv_string("UTF-8", "ISO-8859-1", text, SDL_strlen(text) + 1);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption, utf8 ? utf8 : text, nullptr);
    SDL_free(utf8);
}

void Beep() {
    std::fputc('\a', stderr);
    std::fflush(stderr);
}

}  // namespace platform
