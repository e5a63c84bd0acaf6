#pragma once

#include <string>

// The directory of the running program with a trailing '/', taken from /proc/self/exe so that a
// symlinked command still finds the files installed beside the real program. Returned by value:
// a shared buffer refilled by every call would be clobbered by the next caller.
std::string GetModuleDirectory();

// Tests point the lookups of shader, sounds and help at a directory of their own; an empty
// string restores the real directory.
void SetModuleDirectoryForTesting(std::string directory);
