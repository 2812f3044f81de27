#pragma once

#include "serial/mode_handlers.h"

// The handler whose mode word equals text exactly (same bytes, case and
// length), or nullptr.
ModeHandler findModeHandler(const char* text);

// The same, for the modes that take no port and may be called with the mode
// word alone ('version', 'comlist'); nullptr for every other text.
ModeHandler findPortlessModeHandler(const char* text);
