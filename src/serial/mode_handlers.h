// The mode handlers. Each receives the whole call as the host gave it:
// input 0 is the mode word, the handler's own arguments start at input 1.
#pragma once

#include "host/mex_api.h"

typedef void (*ModeHandler)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

void handleComOpen(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComClose(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComWrite(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComRead(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComCount(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComFlush(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComSet(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComPins(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComBreak(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleVersion(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComList(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComReadLine(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComDrain(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void handleComErrors(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
