// Open descriptors of this process, to catch leaks around a call.
#pragma once

// Entries of /proc/self/fd, not counting the one used to list them; -1 when
// the list cannot be read.
int countOpenDescriptors();
