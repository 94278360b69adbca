#pragma once

#include <filesystem>
#include <system_error>

// Moves a damaged store file aside, next to where it was, under a name that
// says when: "zorvel.sqlite" becomes "zorvel-damaged-2024-05-01-153012.sqlite".
// Its -wal and -shm files go first and keep their suffixes, so that none of
// them can reach a new store of the old name. Nothing is deleted.
// The new name; empty with `error` set when the file could not be moved.
std::filesystem::path MoveDamagedStoreAside(const std::filesystem::path& file,
                                            std::error_code& error);
