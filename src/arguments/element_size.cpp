#include "arguments/element_size.h"

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
