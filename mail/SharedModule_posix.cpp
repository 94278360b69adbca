#include "SharedModule.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

std::unique_ptr<SharedModule> SharedModule::Load(const std::string& location) {
    void* handle = dlopen(location.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<SharedModule>(new SharedModule(handle));
}

std::string SharedModule::ProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

SharedModule::Procedure SharedModule::Find(const char* name) const {
    return reinterpret_cast<Procedure>(dlsym(m_handle, name));
}
