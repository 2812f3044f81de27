// The host services the module calls, declared by the module itself so that
// one source tree links against MATLAB's libmx/libmex, Octave's liboctinterp
// (through octave_adapter.cpp) or the test host. Nothing else of a host's
// headers is included anywhere in the module.
#pragma once

#include <cstddef>

extern "C" {

typedef struct mxArray_tag mxArray;

typedef enum {
    mxUNKNOWN_CLASS = 0,
    mxCELL_CLASS,
    mxSTRUCT_CLASS,
    mxLOGICAL_CLASS,
    mxCHAR_CLASS,
    mxVOID_CLASS,
    mxDOUBLE_CLASS,
    mxSINGLE_CLASS,
    mxINT8_CLASS,
    mxUINT8_CLASS,
    mxINT16_CLASS,
    mxUINT16_CLASS,
    mxINT32_CLASS,
    mxUINT32_CLASS,
    mxINT64_CLASS,
    mxUINT64_CLASS,
    mxFUNCTION_CLASS
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX } mxComplexity;

// Arrays.
bool mxIsChar(const mxArray* value);
bool mxIsNumeric(const mxArray* value);  // double, single and the integers; not logical
bool mxIsLogical(const mxArray* value);
bool mxIsStruct(const mxArray* value);
bool mxIsSparse(const mxArray* value);
bool mxIsComplex(const mxArray* value);
mxClassID mxGetClassID(const mxArray* value);
size_t mxGetNumberOfElements(const mxArray* value);
size_t mxGetElementSize(const mxArray* value);
char* mxArrayToString(const mxArray* value);
mxArray* mxGetField_700(const mxArray* value, int index, const char* name);
// Defined only for a numeric, logical or char array with an element (see
// arguments/host_number.h); the host raises its own error for anything else.
double mxGetScalar(const mxArray* value);
// Not for a function handle or an object: Octave aborts the process.
void* mxGetData(const mxArray* value);
double* mxGetPr(const mxArray* value);
mxArray* mxCreateDoubleScalar(double value);
mxArray* mxCreateDoubleMatrix_700(int rows, int cols, mxComplexity complexity);
// A rows-by-cols array of a numeric class (double, single, the integers),
// all zeros; its elements are mxGetData's.
mxArray* mxCreateNumericMatrix_700(int rows, int cols, mxClassID classId, mxComplexity complexity);
mxArray* mxCreateLogicalScalar(bool value);
// A struct array whose fields are all empty until set.
mxArray* mxCreateStructMatrix_700(int rows, int cols, int fieldCount, const char** fieldNames);
// Puts value, made during this call and in no other array, into the field.
void mxSetField_700(mxArray* structArray, int index, const char* name, mxArray* value);

// MATLAB's string objects (R2016b on) and the port list. A string scalar is
// read only through mexCallMATLAB "char": it has no data of its own.
bool mxIsClass(const mxArray* value, const char* className);
mxArray* mxCreateString(const char* text);  // a 1-by-N char row
// dims[0]-by-dims[1]... chars, all 0; its units (mxGetElementSize bytes: 2 in
// MATLAB, 1 in Octave) are mxGetData's.
mxArray* mxCreateCharArray_700(int ndim, const int* dims);
mxArray* mxCreateCellMatrix_700(int rows, int cols);
void mxSetCell_700(mxArray* cellArray, int index, mxArray* value);  // the cell takes value
void mxDestroyArray(mxArray* value);  // an array the module made in this call

// Memory. What is not made persistent is reclaimed by the host when the call
// ends, also when it ends in an error.
void* mxMalloc(size_t size);
void* mxCalloc(size_t count, size_t size);
void mxFree(void* block);
void mexMakeMemoryPersistent(void* block);

// Reporting. The error functions end the call and never return.
[[noreturn]] void mexErrMsgIdAndTxt(const char* identifier, const char* text, ...);
[[noreturn]] void mexErrMsgTxt(const char* text);
void mexWarnMsgTxt(const char* text);
int mexAtExit(void (*exitFunction)(void));
// Calls a host function; an error in it ends the MEX call. The outputs are the
// caller's to destroy.
int mexCallMATLAB(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name);

// The module's one export, called by the host for every brindlecast(...) call.
#if defined(_WIN32)
#define BRINDLECAST_EXPORT __declspec(dllexport)
#else
#define BRINDLECAST_EXPORT __attribute__((visibility("default")))
#endif
BRINDLECAST_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

}  // extern "C"
