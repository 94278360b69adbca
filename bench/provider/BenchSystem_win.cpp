#include "BenchSystem.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

void* OpenProviderBesideProgram() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        std::fprintf(stderr, "this program's path is not known\n");
        return nullptr;
    }
    path.resize(path.find_last_of(L"\\/") + 1);
    path += L"zorvel-mail.dll";
    HMODULE handle = LoadLibraryW(path.c_str());
    if (!handle) {
        std::fprintf(stderr, "zorvel-mail.dll did not load: error %lu\n", GetLastError());
    }
    return handle;
}

void* ProviderCall(void* provider, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(provider), name));
}

long PeakResidentKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return -1;
    }
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}
