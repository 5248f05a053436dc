// Stand-in game loop: a slowly changing colour until Esc.
#include <GL/gl.h>

#include "engine/engine.h"

namespace {

void MainBody() {
    for (double t = 0;; t += 1) {
        const double phase = static_cast<int>(t) % 256 / 255.0;
        glClearColor(static_cast<float>(phase), 0.2f, 0.4f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ShowScreen();
    }
}

}  // namespace

int main(int argc, char** argv) { ProgramMain(argc, argv, "Tarvok", MainBody); }
