// Option words given as char arrays ('even', 'hardware', 'input'), matched
// without regard to ASCII letter case.
#pragma once

#include "host/mex_api.h"

// The index of the word in words[0..count) that value spells, or -1 when none
// does, value is not a char array or no text can be made of it. The text is
// released before it returns.
int matchWord(const mxArray* value, const char* const* words, int count);
