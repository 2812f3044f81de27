#include "arguments/element_size.h"

#include "arguments/host_text.h"

#include <cstring>

namespace {

const struct {
    const char* name;
    mxClassID classId;
} numericClasses[] = {
    {"double", mxDOUBLE_CLASS}, {"single", mxSINGLE_CLASS}, {"int8", mxINT8_CLASS},
    {"uint8", mxUINT8_CLASS},   {"int16", mxINT16_CLASS},   {"uint16", mxUINT16_CLASS},
    {"int32", mxINT32_CLASS},   {"uint32", mxUINT32_CLASS},
};

}  // namespace

size_t elementSize(mxClassID classId) {
    switch (classId) {
        case mxCHAR_CLASS: return 1;
        case mxDOUBLE_CLASS: return 8;
        case mxSINGLE_CLASS: return 4;
        case mxINT8_CLASS: return 1;
        case mxUINT8_CLASS: return 1;
        case mxINT16_CLASS: return 2;
        case mxUINT16_CLASS: return 2;
        case mxINT32_CLASS: return 4;
        case mxUINT32_CLASS: return 4;
        default: return 0;
    }
}

ClassNameRead readNumericClassName(const mxArray* value, mxClassID* classId) {
    if (!isHostText(value)) return ClassRefused;
    char* text = hostText(value);
    if (text == nullptr) return ClassTextUnmade;
    ClassNameRead read = ClassRefused;
    for (const auto& named : numericClasses) {
        if (std::strcmp(text, named.name) == 0) {
            *classId = named.classId;
            read = ClassNamed;
        }
    }
    mxFree(text);
    return read;
}
