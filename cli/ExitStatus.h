#pragma once

// The command line's exit statuses, one table for every command. None of
// them invites a blind retry: a retried send mails the first players again.
namespace ExitStatus {
inline constexpr int kDone = 0;
inline constexpr int kPartlySent = 1; // some got their turn, some did not
inline constexpr int kHeldBack = 2;   // warnings, and no --yes
inline constexpr int kUsage = 64;
inline constexpr int kData = 65;        // a check, an address, no player, no such game
inline constexpr int kUnavailable = 69; // no mail library, or the logon failed
inline constexpr int kLocked = 73;      // another run holds the game
inline constexpr int kUnreadable = 74;  // the store or the record cannot be used
} // namespace ExitStatus
