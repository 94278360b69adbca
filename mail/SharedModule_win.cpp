#include "SharedModule.h"

#include <windows.h>

#include <vector>

namespace {
// Long paths may exceed MAX_PATH; beyond this the program's path is not told.
constexpr DWORD kLongestProgramPath = 32768;
} // namespace

std::unique_ptr<SharedModule> SharedModule::Load(const std::string& location) {
    HMODULE handle = LoadLibraryA(location.c_str());
    if (handle == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<SharedModule>(new SharedModule(handle));
}

std::string SharedModule::ProgramFolder() {
    std::vector<char> buffer(MAX_PATH);
    while (buffer.size() <= kLongestProgramPath) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            const std::string program(buffer.data(), length);
            const std::size_t separator = program.find_last_of("\\/");
            return separator == std::string::npos ? std::string() : program.substr(0, separator);
        }
        // The path was cut to fit: ask again with room to spare.
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

SharedModule::Procedure SharedModule::Find(const char* name) const {
    return reinterpret_cast<Procedure>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}
