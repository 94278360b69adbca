#include "ProviderKit.h"

#include <QFile>

#include <windows.h>

bool Provider::Open() {
    const auto path = QString(ZORVEL_PROVIDER).replace('/', '\\');
    m_handle = LoadLibraryW(reinterpret_cast<const wchar_t*>(path.utf16()));
    if (!m_handle) {
        m_error = QString("LoadLibraryW(%1) failed with error %2").arg(path).arg(GetLastError());
    }
    return m_handle != nullptr;
}

void* Provider::Find(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_handle), name));
}

// Read from the loaded image's export directory, as the loader reads it.
QStringList Provider::Exports() const {
    const auto* base = static_cast<const unsigned char*>(m_handle);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    QStringList names;
    if (entry.Size == 0) {
        return names;
    }
    const auto* directory =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
        names << QString::fromLatin1(reinterpret_cast<const char*>(base + nameOffsets[i]));
    }
    for (DWORD i = directory->NumberOfNames; i < directory->NumberOfFunctions; ++i) {
        names << QString("#%1").arg(directory->Base + i);
    }
    names.sort();
    return names;
}

bool ProviderRunsPrograms() {
    return false;
}

QString WhyTheSystemStoreCannotRefuse() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    return wine ? QStringLiteral("Wine's Schannel does not check a certificate against the "
                                 "system's store; a real Windows does")
                : QString();
}

UnsendableFiles::UnsendableFiles(const QString& folder) {
    const auto locked = folder + "/locked";
    QFile file(locked);
    if (!file.open(QIODevice::WriteOnly) || file.write("turn") != 4) {
        return;
    }
    file.close();
    const auto path = QString(locked).replace('/', '\\');
    HANDLE held = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ, 0,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held != INVALID_HANDLE_VALUE) {
        m_held = held;
        m_paths << locked;
    }
}

UnsendableFiles::~UnsendableFiles() {
    if (m_held) {
        CloseHandle(static_cast<HANDLE>(m_held));
    }
}
