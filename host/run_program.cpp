// RunProgram: a command line started through the shell, optionally waited for.
#include "host/command_word.h"
#include "host/host.h"
#include "platform/process.h"
#include "runtime/number_args.h"

double RunProgram(RtString& commandLine, double wait, double show, double& exitCode) {
    using tarvok::ProgramWord;
    (void)show;  // a started program gets no window of the engine's to show or hide
    exitCode = 0;
    // The game's platform may write into the command line's buffer, so games expect this room.
    commandLine.Reserve(256);

    const std::string line = commandLine.CText();
    // The shell itself always starts: the program is "not started" when the first word names nothing
    // the shell could run.
    const ProgramWord first = tarvok::FirstProgramWord(line);
    if (first.kind == ProgramWord::Kind::kNone) return 0;
    if (first.kind == ProgramWord::Kind::kWord && !platform::ProgramExists(first.word)) return 0;

    const platform::ProcessId process = platform::StartShellCommand(line);
    if (process == platform::kNoProcess) return 0;
    commandLine.RecountLength();
    if (tarvok::ToBool(wait)) {
        const int status = platform::WaitForProcess(process);
        exitCode = status < 0 ? 0 : status;
    } else {
        platform::ReleaseProcess(process);
    }
    return 1;
}
