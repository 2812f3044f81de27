#include "entry/mode_table.h"

#include <cstring>

namespace {

struct ModeTableRow {
    const char* word;
    ModeHandler handler;
};

// Searched in this order; the first match wins.
const ModeTableRow modeTable[] = {
    {"comopen", handleComOpen},   {"comclose", handleComClose},
    {"comwrite", handleComWrite}, {"comread", handleComRead},
    {"comcount", handleComCount}, {"comflush", handleComFlush},
    {"comset", handleComSet},     {"compins", handleComPins},
    {"combreak", handleComBreak}, {"version", handleVersion},
    {"comlist", handleComList},   {"comreadline", handleComReadLine},
    {"comdrain", handleComDrain}, {"comerrors", handleComErrors},
};

// The modes that need no port, called with the mode word alone.
const char* const portlessModes[] = {"version", "comlist"};

}  // namespace

ModeHandler findModeHandler(const char* text) {
    for (const ModeTableRow& row : modeTable) {
        if (std::strcmp(text, row.word) == 0) return row.handler;
    }
    return nullptr;
}

ModeHandler findPortlessModeHandler(const char* text) {
    for (const char* word : portlessModes) {
        if (std::strcmp(text, word) == 0) return findModeHandler(text);
    }
    return nullptr;
}
