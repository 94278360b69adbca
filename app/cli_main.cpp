#include "CommandLineApp.h"

// The console twin of the window program on Windows: the same commands, with
// an exit status a console or a scheduled task can wait for.
int main(int argc, char** argv) {
    return RunCommandLine(argc, argv);
}
