#pragma once

// What the provider benchmark needs of its system. One implementation per
// platform.

// This process's peak resident memory so far, in KiB; -1 when not told.
long PeakResidentKiB();
