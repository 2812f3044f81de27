// Text arguments: a char array, or a MATLAB string scalar ("COM3" in double
// quotes), which is an object with no data of its own. Octave has no string
// class, so there only char arrays are text.
#pragma once

#include "host/mex_api.h"

// True for a char array or a string with one element.
bool isHostText(const mxArray* value);

// The text as mxArrayToString makes it, or nullptr when value is not text
// (a string array of any other size included) or no text can be made.
// Released with mxFree. It may call into the host, so call it before any
// device is opened.
char* hostText(const mxArray* value);
