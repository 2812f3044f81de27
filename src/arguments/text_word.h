// Option words given as text ('even', 'hardware', 'input'; a char array or a
// string scalar), matched without regard to ASCII letter case.
#pragma once

#include "host/mex_api.h"

// The index of the word in words[0..count) that value spells, or -1 when none
// does, value is not text (see host_text.h) or no text can be made of it. The text is
// released before it returns.
int matchWord(const mxArray* value, const char* const* words, int count);
