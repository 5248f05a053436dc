// Entry of the demo program.
#include "engine/engine.h"
#include "game/demo.h"

int main(int argc, char** argv) {
    SetSubroutineTable(kDemoSubroutines);
    ProgramMain(argc, argv, "Tarvok", DemoMainBody);
}
