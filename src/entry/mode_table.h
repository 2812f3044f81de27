#pragma once

#include "serial/mode_handlers.h"

// The handler whose mode word equals text exactly (same bytes, case and
// length), or nullptr.
ModeHandler findModeHandler(const char* text);
