#include "StoreNotices.h"

namespace {

const std::string kNothingKept = "changes you make cannot be kept";

} // namespace

std::string ReadOnlyNotice(const std::string& store, const std::string& reason, bool immutable) {
    return "The settings store " + store + " cannot be changed: " + reason +
           ".\n\nYour games and mail options are shown as stored, but " + kNothingKept +
           (immutable ? ", and changes another copy of the program makes meanwhile are not seen."
                      : ".");
}

std::string UnreadableNotice(const std::string& store, const std::string& reason) {
    return "The settings store " + store + " cannot be read: " + reason +
           ".\n\nYour games and mail options cannot be shown, and " + kNothingKept + ".";
}

std::string DamagedNotice(const std::string& store, const std::string& aside) {
    return "The settings store " + store + " was damaged and could not be read.\n\nIt has been " +
           "kept as " + aside + ", and a new, empty store has been started in its place.";
}

std::string DamagedNotMovedNotice(const std::string& store, const std::string& error) {
    return "The settings store " + store + " is damaged and cannot be read, and it could not " +
           "be moved aside: " + error + ".\n\nYour games and mail options cannot be shown, and " +
           kNothingKept + ".";
}
