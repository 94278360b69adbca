#include "CommandLineApp.h"

int AnswerCommand(int argc, char** argv) {
    return RunCommandLine(argc, argv);
}
