// Text entry: a line typed over the frozen game screen, one ShowScreen per pass, until Enter.
#include "engine/engine.h"
#include "engine/media.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/layers.h"
#include "gfx2d/surfaces.h"
#include "input/input.h"
#include "runtime/number_args.h"

namespace tarvok {
namespace {

// The background layer that holds the frozen screen while a line is edited.
constexpr int kFrozenLayer = 3;
// The cursor changes state after this many passes without a typed character, plus one.
constexpr int kBlinkPasses = 20;
constexpr int kLineFeed = 10;
constexpr int kBackspace = 8;

}  // namespace

bool EditLine(RtString& text, int typed) {
    if (typed == kLineFeed) return true;
    if (typed == kBackspace) {
        if (text.Length() > 0) text.TruncateAt(static_cast<std::int32_t>(text.Length() - 1));
        return false;
    }
    const char byte = static_cast<char>(typed);
    text.AppendBytes(&byte, 1);
    return false;
}

}  // namespace tarvok

using namespace tarvok;

void InputText(RtString& text, double x, double y) {
    // Before the engine runs there is no screen and no keyboard: nothing could ever end the entry.
    if (!g_engine.display || !g_engine.input) return;
    BackgroundLayer& frozen = Store().layers[kFrozenLayer];
    GrabLayer(frozen);
    DrawLayer(frozen);
    PrintText(text, x, y);
    const double column = ToInt(x), row = ToInt(y);
    int blink = 0;
    bool cursorShown = false;
    for (;;) {
        ShowScreen();
        const int typed = TypedChar(*g_engine.input);
        if (typed == 0 && ++blink > kBlinkPasses) {
            blink = 0;
            cursorShown = !cursorShown;
        }
        if (typed != 0 && EditLine(text, typed)) break;
        DrawLayer(frozen);
        PrintText(cursorShown ? text + "_" : text, column, row);
    }
    FreeLayer(frozen);
}

void InputNumber(double& value, double x, double y) {
    RtString text;
    InputText(text, x, y);
    value = TextToNumber(text);
}
