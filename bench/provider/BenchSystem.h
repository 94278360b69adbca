#pragma once

// What the provider benchmark needs of its system. One implementation per
// platform.

// Opens the provider built next to this program by its path; null, with the
// reason on standard error, when it cannot be loaded.
void* OpenProviderBesideProgram();

// The provider's call `name`; null when it does not export it.
void* ProviderCall(void* provider, const char* name);

// This process's peak resident memory so far, in KiB; -1 when not told.
long PeakResidentKiB();
