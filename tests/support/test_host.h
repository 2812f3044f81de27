// The test host: our own small libmx/libmex, behaving as MATLAB does, plus the
// controls the tests use to drive it. The mx*/mex* functions themselves are
// declared in src/host/mex_api.h and exported by the test host's libraries.
#pragma once

#include "host/mex_api.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---- Arrays the tests make (the test owns them; thDestroyArray releases) ----
mxArray* thCreateString(const std::string& text);                // 1-by-N char, 2 bytes a character
mxArray* thCreateCharUnits(const std::vector<uint16_t>& units);  // raw 16-bit units
mxArray* thCreateDouble(double value);
mxArray* thCreateDoubleRow(const std::vector<double>& values);
// rows-by-cols array of a numeric or logical class; data (rows*cols elements of
// that class's size) may be null for zeros.
mxArray* thCreateNumeric(mxClassID classId, size_t rows, size_t cols, const void* data);
mxArray* thCreateComplexDouble(double real, double imaginary);
mxArray* thCreateSparseDouble(size_t rows, size_t cols);  // all zeros, no stored elements
mxArray* thCreateFunctionHandle();                        // @sin: class function, 1-by-1
mxArray* thCreateObject();  // a class instance (containers.Map): 1-by-1, class unknown
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
    // The call returned with Ctrl-C raised: the host stopped the script there,
    // so the outputs were dropped (all null), and the flag is cleared.
    bool interrupted = false;
};
ThCallResult thCall(ThModule* module, int nlhs, const std::vector<const mxArray*>& inputs);
void thReleaseOutputs(ThCallResult& result);  // destroys the outputs

// ---- Ctrl-C ----
// Raises the host's interrupt flag, from any thread, as Ctrl-C does.
// utIsInterruptPending (libut) reports it until a call returns with it raised.
void thRaiseInterrupt();

// ---- Observing and steering the host ----
size_t thLiveBlocks();        // mxMalloc/mxCalloc/mxArrayToString blocks not yet freed
size_t thPersistentBlocks();  // of those, the ones made persistent
// Makes the n-th allocation from now (1 = the next) return null; 0 disarms.
// Counts mxMalloc, mxCalloc and mxArrayToString.
void thFailAllocation(int n);
// Makes the n-th array the module creates from now end the call with an
// error, as MATLAB's constructors do when memory runs out; 0 disarms.
void thFailArrayCreation(int n);
std::vector<std::string> thWarnings();  // every mexWarnMsgTxt text, in order
void thClearWarnings();
int thAtExitRegistrations();  // mexAtExit calls since the module was last loaded

// ---- Additions ----
// rows-by-cols char array from 16-bit units in column order (thCreateString and
// thCreateCharUnits make 1-by-N, or 0-by-0 for no text, as MATLAB's '' is).
mxArray* thCreateCharMatrix(size_t rows, size_t cols, const std::vector<uint16_t>& units);
std::vector<uint16_t> thCharUnits(const mxArray* charArray);  // the units of a char array
size_t thLiveArrays();  // arrays not yet destroyed, fields and cells included

// What the last thUnloadModule did. An error raised by the exit hook ends the
// hook, not the test; it is recorded here.
struct ThUnloadReport {
    bool exitHookRan = false;
    bool failed = false;
    std::string identifier;
    std::string message;
    size_t reclaimed = 0;      // blocks freed after the hook ran
    bool stillLoaded = false;  // the system kept the module mapped, so its statics survive
};
ThUnloadReport thLastUnloadReport();

// Module bugs the host aborts on, with a message, rather than reporting: a
// call that writes into an input, returns an array it did not create in that
// call (or one twice), frees or makes persistent an unknown pointer, passes a
// null or dead array, or uses the API from another thread. A C++ exception
// other than the host's own ending a call fails it with identifier
// "testhost:cppException" (message: what()) or "testhost:unknownException".

// Runs body as the module's code runs in a call (white-box tests of module
// parts linked into the test): an error it raises ends it and is reported,
// and memory it did not make persistent is reclaimed at the end.
ThCallResult thRunInCall(const std::function<void()>& body);

// A MATLAB string array (["COM3" "COM4"]): an object, so not char, with no
// data or scalar value to read (mxGetData and mxGetScalar refuse it, as for
// any object); only mexCallMATLAB "char" of a 1-by-1 one gives its text.
// mexCallMATLAB of anything else aborts.
mxArray* thCreateStringArray(size_t rows, size_t cols, const std::vector<std::string>& texts);
const mxArray* thGetCell(const mxArray* cellArray, size_t index);  // null for an empty slot
std::string thStringText(const mxArray* stringScalar);  // what char() of it gives, as bytes
