#pragma once

#include "host/mex_api.h"

#include <cstddef>

// Bytes per element that comwrite sends for a class; 0 for a class it refuses.
// Characters count one byte each, whatever the host stores.
size_t elementSize(mxClassID classId);

// comread's class input: the name, as MATLAB writes it ('uint16'), of one of
// comwrite's numeric classes (not char). Refused: any other text, other
// letter case, or a value that is not text (see host_text.h).
enum ClassNameRead { ClassNamed, ClassRefused, ClassTextUnmade };
ClassNameRead readNumericClassName(const mxArray* value, mxClassID* classId);
