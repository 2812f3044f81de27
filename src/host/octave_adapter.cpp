// Octave's MEX interface has 64-bit index arguments only; the module calls
// the 32-bit-index forms that MATLAB's libmx exports. Compiled into the Octave
// build alone, against Octave's own mex.h.
#include <mex.h>
#include <octave/quit.h>

#include "host/host_interrupt.h"
#include "host/host_strings.h"

extern "C" {

__attribute__((visibility("hidden"))) mxArray* mxGetField_700(const mxArray* value, int index,
                                                              const char* name) {
    if (index < 0) return nullptr;
    return mxGetField(value, static_cast<mwIndex>(index), name);
}

__attribute__((visibility("hidden"))) mxArray* mxCreateDoubleMatrix_700(int rows, int cols,
                                                                        mxComplexity complexity) {
    if (rows < 0 || cols < 0) return nullptr;
    return mxCreateDoubleMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(cols), complexity);
}

__attribute__((visibility("hidden"))) mxArray* mxCreateNumericMatrix_700(int rows, int cols,
                                                                         mxClassID classId,
                                                                         mxComplexity complexity) {
    if (rows < 0 || cols < 0) return nullptr;
    return mxCreateNumericMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(cols), classId,
                                 complexity);
}

__attribute__((visibility("hidden"))) mxArray* mxCreateStructMatrix_700(int rows, int cols,
                                                                        int fieldCount,
                                                                        const char** fieldNames) {
    if (rows < 0 || cols < 0 || fieldCount < 0) return nullptr;
    return mxCreateStructMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(cols), fieldCount,
                                fieldNames);
}

__attribute__((visibility("hidden"))) void mxSetField_700(mxArray* structArray, int index,
                                                          const char* name, mxArray* value) {
    if (index < 0) return;
    mxSetField(structArray, static_cast<mwIndex>(index), name, value);
}

__attribute__((visibility("hidden"))) mxArray* mxCreateCharArray_700(int ndim, const int* dims) {
    mwSize sizes[2] = {0, 0};
    if (ndim != 2 || dims[0] < 0 || dims[1] < 0) return nullptr;
    sizes[0] = static_cast<mwSize>(dims[0]);
    sizes[1] = static_cast<mwSize>(dims[1]);
    return mxCreateCharArray(2, sizes);
}

__attribute__((visibility("hidden"))) mxArray* mxCreateCellMatrix_700(int rows, int cols) {
    if (rows < 0 || cols < 0) return nullptr;
    return mxCreateCellMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(cols));
}

__attribute__((visibility("hidden"))) void mxSetCell_700(mxArray* cellArray, int index,
                                                         mxArray* value) {
    if (index < 0) return;
    mxSetCell(cellArray, static_cast<mwIndex>(index), value);
}

}  // extern "C"

// Octave blocks SIGINT in the thread that runs a MEX function, so a wait never
// sees EINTR; its own signal thread raises octave_interrupt_state instead.
// (octave_signal_caught is no test: a child process that exits sets it.)
// From Octave 9 on the state is a std::atomic<int>, whose conversion reads it.
bool hostInterruptPending() {
    return octave_interrupt_state > 0;
}

// Octave 7 has no string class: text stays a char array.
bool hostHasStrings() {
    return false;
}
