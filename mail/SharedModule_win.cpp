#include "SharedModule.h"
#include "WideText.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {
// Long paths may exceed MAX_PATH; beyond this the program's path is not told.
constexpr DWORD kLongestProgramPath = 32768;
} // namespace

std::unique_ptr<SharedModule> SharedModule::Load(const std::string& location) {
    // The wide call, so a folder name outside the ANSI code page still loads.
    std::optional<std::wstring> wide = WidenUtf8(location);
    if (!wide) {
        return nullptr;
    }
    // The loader wants backslashes in a path.
    std::replace(wide->begin(), wide->end(), L'/', L'\\');
    HMODULE handle = LoadLibraryW(wide->c_str());
    if (handle == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<SharedModule>(new SharedModule(handle));
}

std::string SharedModule::ProgramFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    while (buffer.size() <= kLongestProgramPath) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            const std::wstring_view program(buffer.data(), length);
            const std::size_t separator = program.find_last_of(L"\\/");
            return separator == std::wstring_view::npos
                       ? std::string()
                       : NarrowToUtf8(program.substr(0, separator));
        }
        // The path was cut to fit: ask again with room to spare.
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

SharedModule::Procedure SharedModule::Find(const char* name) const {
    return reinterpret_cast<Procedure>(GetProcAddress(static_cast<HMODULE>(m_handle), name));
}
