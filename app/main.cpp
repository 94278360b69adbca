#include "CZorvelApp.h"
#include "CommandLineApp.h"

int main(int argc, char** argv) {
    if (argc > 1) {
        return AnswerCommand(argc, argv);
    }
    CZorvelApp app(argc, argv);
    return app.InitInstance();
}
