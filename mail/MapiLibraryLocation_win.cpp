#include "MapiLibrary.h"

// The system's own search already looks in the program's folder first, and a
// copy of the library anywhere else is not the one the system means.
std::string MapiLibraryLocation(const std::string&) {
    return std::string(kMapiLibraryName);
}
