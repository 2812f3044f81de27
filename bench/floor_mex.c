/* The floor for brindlecast's per-call cost: a MEX file that does nothing but
 * the system call and the outputs brindlecast returns for it.
 *
 *   fd = floor_mex('open', path)            open(2) only, no line settings
 *   n = floor_mex('comwrite', fd, data, count)
 *   [bytes, n] = floor_mex('comread', fd, count)
 *   [waiting, unsent] = floor_mex('comcount', fd)
 *   floor_mex('close', fd)
 *
 * comwrite and comread are told apart by their argument count (4 and 3), and
 * comcount from open and close (2 each) by asking for an output with a number
 * as the second argument, so that the mode word costs nothing here; open and
 * close are not timed. No argument is checked: it is a benchmark's measuring
 * stick, not a module. */
#include "mex.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

/* Loops as brindlecast does on a blocking port: until all is written, or all
 * asked for has arrived. */
static void floorWrite(mxArray* plhs[], const mxArray* prhs[]) {
    int fd = (int)mxGetScalar(prhs[1]);
    const unsigned char* bytes = (const unsigned char*)mxGetData(prhs[2]);
    size_t count = (size_t)mxGetScalar(prhs[3]) * mxGetElementSize(prhs[2]);
    size_t written = 0;
    while (written < count) {
        ssize_t done = write(fd, bytes + written, count - written);
        if (done <= 0) break;
        written += (size_t)done;
    }
    plhs[0] = mxCreateDoubleScalar((double)written);
}

static void floorRead(int nlhs, mxArray* plhs[], const mxArray* prhs[]) {
    static unsigned char buffer[1 << 16];
    int fd = (int)mxGetScalar(prhs[1]);
    size_t count = (size_t)mxGetScalar(prhs[2]);
    if (count > sizeof buffer) count = sizeof buffer;
    size_t received = 0;
    while (received < count) {
        ssize_t done = read(fd, buffer + received, count - received);
        if (done <= 0) break;
        received += (size_t)done;
    }
    plhs[0] = mxCreateDoubleMatrix(1, (mwSize)received, mxREAL);
    double* elements = mxGetPr(plhs[0]);
    for (size_t i = 0; i < received; ++i) elements[i] = buffer[i];
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar((double)received);
}

/* Both queues, as brindlecast asks for both whatever the outputs. */
static void floorCount(int nlhs, mxArray* plhs[], const mxArray* prhs[]) {
    int fd = (int)mxGetScalar(prhs[1]);
    int waiting = 0, unsent = 0;
    ioctl(fd, TIOCINQ, &waiting);
    ioctl(fd, TIOCOUTQ, &unsent);
    plhs[0] = mxCreateDoubleScalar((double)waiting);
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar((double)unsent);
}

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs == 4) {
        floorWrite(plhs, prhs);
    } else if (nrhs == 3) {
        floorRead(nlhs, plhs, prhs);
    } else if (nrhs == 2 && mxIsChar(prhs[1])) {
        char* path = mxArrayToString(prhs[1]);
        plhs[0] = mxCreateDoubleScalar(open(path, O_RDWR | O_NOCTTY | O_CLOEXEC));
        mxFree(path);
    } else if (nrhs == 2 && nlhs >= 1) {
        floorCount(nlhs, plhs, prhs);
    } else if (nrhs == 2) {
        close((int)mxGetScalar(prhs[1]));
    } else {
        mexErrMsgTxt("floor_mex: see the comment at the top of floor_mex.c");
    }
}
