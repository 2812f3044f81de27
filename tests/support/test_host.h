// The test host: our own small libmx/libmex, behaving as MATLAB does, plus the
// controls the tests use to drive it. The mx*/mex* functions themselves are
// declared in src/host/mex_api.h and exported by the test host's libraries.
#pragma once

#include "host/mex_api.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---- Arrays the tests make (the test owns them; thDestroyArray releases) ----
mxArray* thCreateString(const std::string& text);  // 1-by-N char, 2 bytes a character
mxArray* thCreateCharUnits(const std::vector<uint16_t>& units);  // raw 16-bit units
mxArray* thCreateDouble(double value);
mxArray* thCreateDoubleRow(const std::vector<double>& values);
// rows-by-cols array of a numeric or logical class; data (rows*cols elements of
// that class's size) may be null for zeros.
mxArray* thCreateNumeric(mxClassID classId, size_t rows, size_t cols, const void* data);
mxArray* thCreateComplexDouble(double real, double imaginary);
mxArray* thCreateSparseDouble(size_t rows, size_t cols);  // all zeros, no stored elements
// rows-by-cols struct array with these field names, every field empty (null).
mxArray* thCreateStruct(size_t rows, size_t cols, const std::vector<std::string>& fields);
// Sets a field of element index; the struct takes ownership of value.
void thSetField(mxArray* structArray, size_t index, const std::string& field, mxArray* value);
mxArray* thCreateCell(size_t rows, size_t cols);
void thSetCell(mxArray* cellArray, size_t index, mxArray* value);  // takes ownership
void thDestroyArray(mxArray* array);
size_t thRows(const mxArray* array);
size_t thCols(const mxArray* array);

// ---- Loading the module as a host does ----
struct ThModule;
ThModule* thLoadModule(const char* path);  // null when it cannot be loaded (thLastLoadError)
std::string thLastLoadError();
// Runs the exit hook (if one was registered during this load), then unloads.
void thUnloadModule(ThModule* module);

// ---- Calling it ----
struct ThCallResult {
    bool failed = false;     // the call ended in an error
    std::string identifier;  // of that error ("" for mexErrMsgTxt)
    std::string message;
    std::vector<mxArray*> outputs;  // plhs as the call left it, max(nlhs, 1) slots; caller owns
    size_t reclaimed = 0;           // host memory blocks the host reclaimed at the call's end
};
ThCallResult thCall(ThModule* module, int nlhs, const std::vector<const mxArray*>& inputs);
void thReleaseOutputs(ThCallResult& result);  // destroys the outputs

// ---- Observing and steering the host ----
size_t thLiveBlocks();        // mxMalloc/mxCalloc/mxArrayToString blocks not yet freed
size_t thPersistentBlocks();  // of those, the ones made persistent
// Makes the n-th allocation from now (1 = the next) return null; 0 disarms.
// Counts mxMalloc, mxCalloc and mxArrayToString.
void thFailAllocation(int n);
std::vector<std::string> thWarnings();  // every mexWarnMsgTxt text, in order
void thClearWarnings();
int thAtExitRegistrations();  // mexAtExit calls since the module was last loaded
