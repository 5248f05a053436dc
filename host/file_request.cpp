// FileRequest: zenity's open and save dialogs while the display is hidden.
#include "frame/display.h"
#include "host/file_dialog.h"
#include "host/host.h"
#include "platform/process.h"
#include "platform/system.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"

RtString FileRequest(double open, const RtString& filter) {
    const std::vector<tarvok::FileFilter> filters = tarvok::ParseFileFilter(filter.CText());
    // The dialog runs as its own program and cannot move the engine's current directory, but a program
    // that reads files relative to it must find it as it was, whatever happens meanwhile.
    const std::string savedDirectory = platform::CurrentDirectory();
    OpenGLZazuzive* display = g_engine.display;
    if (display) HideDisplay(*display);

    std::string answer;
    int status = -1;
    const bool ran = platform::RunCapturingOutput(tarvok::DialogArguments(tarvok::ToBool(open), filters),
                                                  tarvok::kDialogAnswerBytes, answer, status);

    if (!savedDirectory.empty()) platform::ChangeDirectory(savedDirectory);
    // HideDisplay left windowed mode behind; the game's full-screen setting says where to return to.
    if (display) {
        if (g_engine.fullScreen) {
            EnterFullScreen(*display);
        } else {
            PlaceWindow(*display);
        }
    }
    return RtString(tarvok::DialogResult(answer, ran && status == 0).c_str());
}
