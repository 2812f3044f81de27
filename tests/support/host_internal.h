// Private to the test host: what libmx, libmex and the driver share. Each piece
// of state lives in exactly one library; the others reach it only through the
// functions below, which that library exports.
#pragma once

#include "host/mex_api.h"

#include <cstddef>
#include <string>

// What mexErrMsgIdAndTxt and mexErrMsgTxt throw to end a call; thCall and the
// unloader catch it. Not derived from std::exception, so a module's own
// catch (const std::exception&) cannot swallow a host error.
struct ThHostError {
    std::string identifier;
    std::string message;
};

// ---- Exported by libmx ----
// A module (or test) bug the host refuses to paper over: report it and abort.
[[noreturn]] void thiAbort(const std::string& message);
// The host's own error for a call outside a function's contract: it ends the
// running call as mexErrMsgIdAndTxt does (identifier "testhost:<function>").
[[noreturn]] void thiRefuse(const char* function, const std::string& message);
// The mx/mex API is single-threaded; a call from any other thread is a bug.
void thiCheckThread(const char* function);
bool thiInCall();
void thiBeginCall();
// Ends the call: hands the arrays in plhs to the caller (all of them are
// dropped when failed), destroys the other arrays made during the call and
// frees the blocks not made persistent. Returns the number of blocks freed.
size_t thiEndCall(bool failed, mxArray** plhs, size_t slots);
void thiMakePersistent(void* block);
// Aborts unless value is a live array the caller may pass as an input.
void thiCheckInput(const mxArray* value);
// Everything of the inputs a module could overwrite through mxGetData, so the
// driver can tell whether a call wrote into an input.
std::string thiSnapshotInputs(const mxArray* const* inputs, size_t count);
// char() of a string scalar, as mexCallMATLAB gives it: a new char row of the
// running call. Aborts for anything else.
mxArray* thiCharOfString(const mxArray* value);
// string(c) of a char row: a temporary string scalar of its text.
mxArray* thiStringOfChars(const mxArray* value);

// ---- Exported by libmex ----
// A fresh load: no exit hook, no registrations counted.
void thiResetModuleState();
// The hook registered during this load (null if none); cleared by taking it.
using ThiExitHook = void (*)(void);
ThiExitHook thiTakeExitHook();

// ---- Exported by libut ----
// Whether Ctrl-C was raised, clearing it: the host has taken it.
bool thiTakeInterrupt();
