#include "arguments/host_text.h"

namespace {

bool isStringScalar(const mxArray* value) {
    return mxIsClass(value, "string") && mxGetNumberOfElements(value) == 1;
}

}  // namespace

bool isHostText(const mxArray* value) {
    return mxIsChar(value) || isStringScalar(value);
}

char* hostText(const mxArray* value) {
    if (mxIsChar(value)) return mxArrayToString(value);
    if (!isStringScalar(value)) return nullptr;
    // char() of a string scalar is its characters as a row.
    mxArray* characters = nullptr;
    mxArray* input = const_cast<mxArray*>(value);  // read only; the API is not const-correct
    if (mexCallMATLAB(1, &characters, 1, &input, "char") != 0 || characters == nullptr)
        return nullptr;
    char* text = mxIsChar(characters) ? mxArrayToString(characters) : nullptr;
    mxDestroyArray(characters);
    return text;
}
