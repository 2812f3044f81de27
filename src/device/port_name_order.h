// The order of a port list: by name, with a trailing number compared as a
// number, so that COM2 comes before COM10 and ttyS2 before ttyS10.
#pragma once

// Negative, 0 or positive as a sorts before, with or after b.
int comparePortNames(const char* a, const char* b);

// Sorts count names in place by comparePortNames.
void sortPortNames(char** names, int count);
