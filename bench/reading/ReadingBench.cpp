// One collection through the provider next to this program: logon, every id
// after SEED with its envelope, then the messages whose subject contains
// WORD read whole (their attachments deleted, as the caller does), logoff.
// Prints the time of each step, the counts, the last id and the peak
// resident memory of the whole process.
//
// usage: zorvel_reading_bench PROFILE PASSWORD [--seed ID] [--match WORD]

#include "BenchSystem.h"
#include "SimpleMapi.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Calls {
    MapiLogonFn logon;
    MapiFindNextFn findNext;
    MapiReadMailFn readMail;
    MapiFreeBufferFn freeBuffer;
    MapiLogoffFn logoff;
};

bool LoadProvider(Calls& calls) {
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    const auto library = (self.parent_path() / "libsimplemapi.so").string();
    void* handle = dlopen(library.c_str(), RTLD_NOW);
    if (!handle) {
        std::fprintf(stderr, "%s\n", dlerror());
        return false;
    }
    calls.logon = reinterpret_cast<MapiLogonFn>(dlsym(handle, "MAPILogon"));
    calls.findNext = reinterpret_cast<MapiFindNextFn>(dlsym(handle, "MAPIFindNext"));
    calls.readMail = reinterpret_cast<MapiReadMailFn>(dlsym(handle, "MAPIReadMail"));
    calls.freeBuffer = reinterpret_cast<MapiFreeBufferFn>(dlsym(handle, "MAPIFreeBuffer"));
    calls.logoff = reinterpret_cast<MapiLogoffFn>(dlsym(handle, "MAPILogoff"));
    return calls.logon && calls.findNext && calls.readMail && calls.freeBuffer && calls.logoff;
}

class Stopwatch {
public:
    double Lap() {
        const auto now = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(now - m_last).count();
        m_last = now;
        return seconds;
    }

private:
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

// The ids after `seed` whose subject contains `word`; *listed counts them all.
std::vector<std::string> ListMatching(const Calls& calls, MapiSession session, std::string seed,
                                      const std::string& word, int* listed) {
    std::vector<std::string> matching;
    char id[kMapiLongMessageIdSize];
    while (calls.findNext(session, 0, nullptr, seed.empty() ? nullptr : seed.data(),
                          MAPI_GUARANTEE_FIFO | MAPI_LONG_MSGID, 0, id) == SUCCESS_SUCCESS) {
        seed = id;
        ++*listed;
        MapiMessage* message = nullptr;
        if (calls.readMail(session, 0, id, MAPI_ENVELOPE_ONLY | MAPI_PEEK, 0, &message) !=
            SUCCESS_SUCCESS) {
            continue;
        }
        if (!word.empty() && std::strstr(message->lpszSubject, word.c_str())) {
            matching.push_back(seed);
        }
        calls.freeBuffer(message);
    }
    std::printf("last id: %s\n", seed.c_str());
    return matching;
}

int ReadWhole(const Calls& calls, MapiSession session, std::vector<std::string>& ids) {
    int files = 0;
    for (auto& id : ids) {
        MapiMessage* message = nullptr;
        if (calls.readMail(session, 0, id.data(), MAPI_PEEK, 0, &message) != SUCCESS_SUCCESS) {
            continue;
        }
        for (MapiULong i = 0; i < message->nFileCount; ++i, ++files) {
            std::filesystem::remove(message->lpFiles[i].lpszPathName);
        }
        calls.freeBuffer(message);
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROFILE PASSWORD [--seed ID] [--match WORD]\n", argv[0]);
        return 2;
    }
    std::string seed;
    std::string word;
    for (int i = 3; i + 1 < argc; i += 2) {
        (std::strcmp(argv[i], "--seed") == 0 ? seed : word) = argv[i + 1];
    }
    Calls calls{};
    if (!LoadProvider(calls)) {
        return 1;
    }
    Stopwatch clock;
    MapiSession session = 0;
    if (calls.logon(0, argv[1], argv[2], 0, 0, &session) != SUCCESS_SUCCESS) {
        return 1;
    }
    const double logon = clock.Lap();
    int listed = 0;
    auto matching = ListMatching(calls, session, seed, word, &listed);
    const double listing = clock.Lap();
    const int files = ReadWhole(calls, session, matching);
    const double reading = clock.Lap();
    calls.logoff(session, 0, 0, 0);
    std::printf("logon %.3f s, %d envelopes listed in %.3f s, %zu matching read whole "
                "(%d files) in %.3f s, total %.3f s, peak RSS %ld KiB\n",
                logon, listed, listing, matching.size(), files, reading,
                logon + listing + reading + clock.Lap(), PeakResidentKiB());
    return 0;
}
