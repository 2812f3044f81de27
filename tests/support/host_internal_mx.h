// Private to libmx: the array record and what its two sources share.
#pragma once

#include "host_internal.h"

#include <cstddef>
#include <string>
#include <vector>

enum class ThiOwner {
    Caller,     // made by the test, or handed back as a call's output
    Temporary,  // made by the module during the current call
    Child,      // a field or cell of another array, which owns it
};

struct mxArray_tag {
    mxClassID classId = mxUNKNOWN_CLASS;
    size_t rows = 0;
    size_t cols = 0;
    bool complex = false;
    bool sparse = false;
    bool object = false;    // a class instance (containers.Map, a string): no data of its own
    std::string className;  // an object's class ("containers.Map", "string")
    std::vector<std::string> strings;  // a string array's texts, rows*cols
    size_t nzmax = 0;                  // sparse only: the elements real holds
    void* real = nullptr;              // exactly sized (null when empty), so ASan sees overruns
    void* imag = nullptr;
    std::vector<std::string> fieldNames;
    // cell: rows*cols; struct: rows*cols*fields, all fields of element 0 first.
    std::vector<mxArray*> elements;
    ThiOwner owner = ThiOwner::Caller;
};

// host_mx_memory.cpp. A tracked block of exactly size bytes, counted toward
// thFailAllocation; null when the injected failure hits it.
void* thiAllocateBlock(size_t size);

// host_mx_arrays.cpp
void thiEndCallArrays(bool failed, mxArray** plhs, size_t slots);
