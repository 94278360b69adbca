#include "DamagedStoreFile.h"

#include <array>
#include <ctime>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, 2> kCompanions{"-wal", "-shm"};

fs::path WithSuffix(fs::path path, const char* suffix) {
    path += suffix;
    return path;
}

std::string LocalTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%d-%H%M%S", &local);
    return text.data();
}

bool IsTaken(const fs::path& name) {
    std::error_code ignored;
    return fs::exists(name, ignored) || fs::exists(WithSuffix(name, "-wal"), ignored) ||
           fs::exists(WithSuffix(name, "-shm"), ignored);
}

// The dated name, with "-2", "-3"... added when one is damaged again within the second.
fs::path FreeAsideName(const fs::path& file) {
    const std::string base = file.stem().string() + "-damaged-" + LocalTimestamp();
    fs::path aside = file.parent_path() / (base + file.extension().string());
    for (int attempt = 2; IsTaken(aside); ++attempt) {
        aside =
            file.parent_path() / (base + '-' + std::to_string(attempt) + file.extension().string());
    }
    return aside;
}

} // namespace

fs::path MoveDamagedStoreAside(const fs::path& file, std::error_code& error) {
    const fs::path aside = FreeAsideName(file);
    for (const char* suffix : kCompanions) {
        const fs::path companion = WithSuffix(file, suffix);
        if (fs::exists(companion, error)) {
            fs::rename(companion, WithSuffix(aside, suffix), error);
        }
        if (error) {
            return {};
        }
    }
    fs::rename(file, aside, error);
    return error ? fs::path() : aside;
}
