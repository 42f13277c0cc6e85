// qs71dr-adj: the service adjustment utility for the QT-71DR radio, on Qt Widgets.
#include "desktop/desktop_program.h"

int main(int argc, char** argv) {
    return qs::qt::RunDesktopProgram(argc, argv);
}
