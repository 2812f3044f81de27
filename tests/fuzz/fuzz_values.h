// The arguments a fuzz input describes: every kind of array the test host
// makes, built from the input's bytes. Each returns a new array the caller
// owns (thDestroyArray).
//
// Every char array that can stand as a PortName is a name inside the
// target's folder or one the module refuses before opening anything (empty,
// or a byte sum of 0). Other text either comes from fixed word lists or
// starts with '?', which no device name has.
#pragma once

#include "fuzz_input.h"
#include "test_host.h"

#include <cstdint>
#include <string>
#include <vector>

// The FileID of a name: the sum of its bytes taken as signed.
int32_t fileIdOf(const std::string& name);

mxArray* textArray(const std::string& text);
// A mode word, a near miss of one, or another first argument.
mxArray* modeValue(FuzzInput& in, int depth = 0);
mxArray* anyValue(FuzzInput& in, int depth);
// A struct array for comopen: its shape, fields and their values all vary.
mxArray* portDescription(FuzzInput& in, int depth);
mxArray* portNameValue(FuzzInput& in);
// Mostly the FileID of an open or a closed port, in any form.
mxArray* idValue(FuzzInput& in, int depth = 0);
mxArray* writeData(FuzzInput& in);
mxArray* writeCount(FuzzInput& in, const mxArray* data);
mxArray* readCount(FuzzInput& in);
// comread's class (and comwrite's): mostly a class name, sometimes a near
// miss or another value.
mxArray* readClass(FuzzInput& in);
// A typed write's data: a row of a class comwrite takes (or sometimes not),
// its values mostly small whole numbers, else ones at and past the classes'
// bounds, fractions, NaN and infinities.
mxArray* typedWriteData(FuzzInput& in);
// comreadline's fifth input: 'char' in some case, a near miss or another value.
mxArray* lineTextWord(FuzzInput& in);
// comflush's buffer word, a near miss, or another value.
mxArray* flushBuffer(FuzzInput& in);
// comreadline's terminator: mostly 1 to 8 bytes as a double row or text,
// sometimes a refused one.
mxArray* lineTerminator(FuzzInput& in);
