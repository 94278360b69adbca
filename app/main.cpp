#include "CZorvelApp.h"

int main(int argc, char** argv) {
    CZorvelApp app(argc, argv);
    return app.InitInstance();
}
