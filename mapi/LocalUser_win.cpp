#include "LocalUser.h"
#include "WideText.h"

#include <windows.h>

#include <lmcons.h>

std::string LoginName() {
    wchar_t name[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(name, &size) || size <= 1) {
        return "user";
    }
    return NarrowToUtf8(std::wstring_view(name, size - 1));
}

// The DNS name, as a mail host is known; the NetBIOS name is only for the LAN.
std::string HostName() {
    wchar_t name[256] = {};
    DWORD size = 256;
    if (!GetComputerNameExW(ComputerNameDnsFullyQualified, name, &size)) {
        return {};
    }
    return NarrowToUtf8(std::wstring_view(name, size));
}
