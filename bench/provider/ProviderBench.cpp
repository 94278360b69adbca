// Sends N messages through the provider next to this program (libsimplemapi.so,
// zorvel-mail.dll), each carrying the given files, from one logon to its
// logoff, and prints the wall time and the peak resident memory of the whole
// process.
//
// usage: zorvel_provider_bench PROFILE PASSWORD MESSAGES FILE...

#include "BenchSystem.h"
#include "MailLibraryChoice.h"
#include "SharedModule.h"
#include "SimpleMapi.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Calls {
    MapiLogonFn logon;
    MapiSendMailFn sendMail;
    MapiLogoffFn logoff;
};

// Loaded as the program loads it, from beside this program; a shared module
// stays loaded once loaded.
bool LoadProvider(Calls& calls) {
    const std::string location = ProviderLocation(SharedModule::ProgramFolder());
    const std::unique_ptr<SharedModule> provider = SharedModule::Load(location);
    if (!provider) {
        std::fprintf(stderr, "%s did not load\n", location.c_str());
        return false;
    }
    calls.logon = reinterpret_cast<MapiLogonFn>(provider->Find("MAPILogon"));
    calls.sendMail = reinterpret_cast<MapiSendMailFn>(provider->Find("MAPISendMail"));
    calls.logoff = reinterpret_cast<MapiLogoffFn>(provider->Find("MAPILogoff"));
    return calls.logon && calls.sendMail && calls.logoff;
}

std::vector<MapiFileDesc> Attachments(std::vector<std::string>& paths) {
    std::vector<MapiFileDesc> files;
    for (auto& path : paths) {
        auto* name = path.data() + path.find_last_of("/\\") + 1;
        files.push_back({0, 0, 0xFFFFFFFFu, path.data(), name, nullptr});
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s PROFILE PASSWORD MESSAGES FILE...\n", argv[0]);
        return 2;
    }
    Calls calls{};
    if (!LoadProvider(calls)) {
        return 1;
    }
    const int messages = std::atoi(argv[3]);
    std::vector<std::string> paths(argv + 4, argv + argc);
    auto files = Attachments(paths);
    char subject[] = "bench";
    char note[] = "Turns mailed by Zorvel\n\nBenchmark turn.";
    char name[] = "Player";
    char address[] = "SMTP:player@example.org";
    MapiRecipDesc recipient{0, MAPI_TO, name, address, 0, nullptr};

    const auto start = std::chrono::steady_clock::now();
    MapiSession session = 0;
    if (calls.logon(0, argv[1], argv[2], 0, 0, &session) != SUCCESS_SUCCESS) {
        return 1;
    }
    for (int i = 0; i < messages; ++i) {
        MapiMessage message{0,
                            subject,
                            note,
                            nullptr,
                            nullptr,
                            nullptr,
                            0,
                            nullptr,
                            1,
                            &recipient,
                            static_cast<MapiULong>(files.size()),
                            files.data()};
        if (calls.sendMail(session, 0, &message, 0, 0) != SUCCESS_SUCCESS) {
            return 1;
        }
    }
    calls.logoff(session, 0, 0, 0);
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;

    std::printf("wall_ms=%.1f peak_rss_kib=%ld\n", wall.count(), PeakResidentKiB());
    return 0;
}
