// libmx's arrays: the mx* accessors and constructors the module calls, the
// constructors the tests call, and the end-of-call sweep of temporaries.
#include "host_internal_mx.h"
#include "test_host.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

namespace {

// Every array not yet destroyed, children included; accessors refuse others.
std::unordered_set<const mxArray*>& liveArrays() {
    static auto* set = new std::unordered_set<const mxArray*>;
    return *set;
}

const mxArray* checked(const mxArray* value, const char* function) {
    thiCheckThread(function);
    if (value == nullptr) thiAbort(std::string(function) + ": null array");
    if (liveArrays().count(value) == 0) {
        thiAbort(std::string(function) +
                 ": not a live array (destroyed already, or never made by this host)");
    }
    return value;
}

mxArray* mutableChecked(const mxArray* value, const char* function) {
    return const_cast<mxArray*>(checked(value, function));
}

// A top-level array the test owns: the only kind it may destroy or nest.
mxArray* callerOwned(const mxArray* value, const char* function) {
    mxArray* array = mutableChecked(value, function);
    if (array->owner != ThiOwner::Caller) {
        thiAbort(std::string(function) + ": the array is " +
                 (array->owner == ThiOwner::Child ? "a field or cell of another array"
                                                  : "a temporary of the running call"));
    }
    return array;
}

size_t classSize(mxClassID classId) {
    switch (classId) {
        case mxLOGICAL_CLASS:
        case mxINT8_CLASS:
        case mxUINT8_CLASS: return 1;
        case mxCHAR_CLASS:
        case mxINT16_CLASS:
        case mxUINT16_CLASS: return 2;
        case mxSINGLE_CLASS:
        case mxINT32_CLASS:
        case mxUINT32_CLASS: return 4;
        case mxDOUBLE_CLASS:
        case mxINT64_CLASS:
        case mxUINT64_CLASS: return 8;
        case mxCELL_CLASS:
        case mxSTRUCT_CLASS: return sizeof(mxArray*);
        default: return 0;
    }
}

bool isNumericOrLogical(mxClassID classId) {
    return classId == mxLOGICAL_CLASS || (classId >= mxDOUBLE_CLASS && classId <= mxUINT64_CLASS);
}

size_t product(size_t a, size_t b) {
    if (b != 0 && a > SIZE_MAX / b) thiAbort("array size overflows");
    return a * b;
}

void* allocateData(size_t bytes) {
    if (bytes == 0) return nullptr;
    void* data = std::calloc(bytes, 1);
    if (data == nullptr) thiAbort("out of memory for array data");
    return data;
}

int g_arrayFailCountdown = 0;

mxArray* newArray(mxClassID classId, size_t rows, size_t cols, ThiOwner owner) {
    // MATLAB ends the call with an error for an array it has no memory for:
    // the function never returns.
    if (owner == ThiOwner::Temporary && g_arrayFailCountdown > 0 && --g_arrayFailCountdown == 0)
        thiRefuse("mxCreate", "Out of memory.");
    auto* array = new mxArray;
    array->classId = classId;
    array->rows = rows;
    array->cols = cols;
    array->owner = owner;
    liveArrays().insert(array);
    return array;
}

mxArray* newDense(mxClassID classId, size_t rows, size_t cols, bool complex, ThiOwner owner) {
    size_t bytes = product(product(rows, cols), classSize(classId));
    mxArray* array = newArray(classId, rows, cols, owner);
    array->complex = complex;
    array->real = allocateData(bytes);
    if (complex) array->imag = allocateData(bytes);
    return array;
}

// What the module makes inside a call dies with the call unless returned.
ThiOwner ownerOfNew() {
    return thiInCall() ? ThiOwner::Temporary : ThiOwner::Caller;
}

void destroy(mxArray* array) {
    for (mxArray* element : array->elements) {
        if (element != nullptr) destroy(element);
    }
    std::free(array->real);
    std::free(array->imag);
    liveArrays().erase(array);
    delete array;
}

bool contains(const mxArray* tree, const mxArray* wanted) {
    if (tree == wanted) return true;
    for (const mxArray* element : tree->elements) {
        if (element != nullptr && contains(element, wanted)) return true;
    }
    return false;
}

// Puts value into slot, which container owns; replaces what was there.
void adopt(mxArray* container, mxArray*& slot, const mxArray* value, const char* function) {
    mxArray* child = nullptr;
    if (value != nullptr) {
        child = callerOwned(value, function);
        if (contains(child, container))
            thiAbort(std::string(function) + ": would nest an array in itself");
    }
    if (slot != nullptr) destroy(slot);
    slot = child;
    if (child != nullptr) child->owner = ThiOwner::Child;
}

void snapshot(const mxArray* array, std::string& out) {
    if (array == nullptr) {
        out += "null;";
        return;
    }
    out += std::to_string(array->classId) + ' ' + std::to_string(array->rows) + 'x' +
           std::to_string(array->cols) + (array->complex ? " c" : "") +
           (array->sparse ? " s" : "") + (array->object ? " o " + array->className : "") + ' ' +
           std::to_string(array->nzmax) + ':';
    size_t bytes = array->sparse ? array->nzmax * classSize(array->classId)
                                 : array->rows * array->cols * classSize(array->classId);
    if (array->classId == mxCELL_CLASS || array->classId == mxSTRUCT_CLASS) bytes = 0;
    if (array->real != nullptr) out.append(static_cast<const char*>(array->real), bytes);
    if (array->imag != nullptr) out.append(static_cast<const char*>(array->imag), bytes);
    for (const std::string& name : array->fieldNames) out += name + ',';
    out += '[';
    for (const mxArray* element : array->elements) snapshot(element, out);
    out += ']';
}

}  // namespace

// ---- What the module calls ----

bool mxIsChar(const mxArray* value) {
    return checked(value, "mxIsChar")->classId == mxCHAR_CLASS;
}

bool mxIsStruct(const mxArray* value) {
    return checked(value, "mxIsStruct")->classId == mxSTRUCT_CLASS;
}

bool mxIsSparse(const mxArray* value) {
    return checked(value, "mxIsSparse")->sparse;
}

bool mxIsComplex(const mxArray* value) {
    return checked(value, "mxIsComplex")->complex;
}

mxClassID mxGetClassID(const mxArray* value) {
    return checked(value, "mxGetClassID")->classId;
}

size_t mxGetNumberOfElements(const mxArray* value) {
    const mxArray* array = checked(value, "mxGetNumberOfElements");
    return array->rows * array->cols;
}

size_t mxGetElementSize(const mxArray* value) {
    return classSize(checked(value, "mxGetElementSize")->classId);
}

char* mxArrayToString(const mxArray* value) {
    const mxArray* array = checked(value, "mxArrayToString");
    if (array->classId != mxCHAR_CLASS) return nullptr;
    size_t count = array->rows * array->cols;
    auto* text = static_cast<char*>(thiAllocateBlock(count + 1));
    if (text == nullptr) return nullptr;
    const auto* units = static_cast<const uint16_t*>(array->real);
    for (size_t i = 0; i < count; ++i) {
        text[i] = units[i] < 256 ? static_cast<char>(units[i]) : '?';
    }
    text[count] = '\0';
    return text;
}

mxArray* mxGetField_700(const mxArray* value, int index, const char* name) {
    const mxArray* array = checked(value, "mxGetField");
    if (name == nullptr) thiAbort("mxGetField: null field name");
    if (array->classId != mxSTRUCT_CLASS) return nullptr;
    if (index < 0 || static_cast<size_t>(index) >= array->rows * array->cols) return nullptr;
    size_t fields = array->fieldNames.size();
    for (size_t f = 0; f < fields; ++f) {
        if (array->fieldNames[f] == name) {
            return array->elements[static_cast<size_t>(index) * fields + f];
        }
    }
    return nullptr;
}

bool mxIsNumeric(const mxArray* value) {
    mxClassID classId = checked(value, "mxIsNumeric")->classId;
    return classId >= mxDOUBLE_CLASS && classId <= mxUINT64_CLASS;
}

bool mxIsLogical(const mxArray* value) {
    return checked(value, "mxIsLogical")->classId == mxLOGICAL_CLASS;
}

// Octave raises its own error for an array that has no scalar value (no
// elements, a cell, a struct, a function handle, an object); MATLAB leaves
// it undefined. Either way the module has called outside the contract.
double mxGetScalar(const mxArray* value) {
    const mxArray* array = checked(value, "mxGetScalar");
    const char* refused = nullptr;
    if (array->object) {
        refused = "an object";
    } else if (array->classId == mxCELL_CLASS || array->classId == mxSTRUCT_CLASS ||
               array->classId == mxFUNCTION_CLASS) {
        refused = array->classId == mxCELL_CLASS     ? "a cell"
                  : array->classId == mxSTRUCT_CLASS ? "a struct"
                                                     : "a function handle";
    } else if (array->rows * array->cols == 0) {
        refused = "an array with no elements";
    }
    if (refused != nullptr) thiRefuse("mxGetScalar", std::string(refused) + " has no scalar value");
    size_t stored = array->sparse ? array->nzmax : array->rows * array->cols;
    if (stored == 0 || array->real == nullptr) return 0.0;
    const void* data = array->real;
    switch (array->classId) {
        case mxDOUBLE_CLASS: return *static_cast<const double*>(data);
        case mxSINGLE_CLASS: return *static_cast<const float*>(data);
        case mxCHAR_CLASS:
        case mxUINT16_CLASS: return *static_cast<const uint16_t*>(data);
        case mxLOGICAL_CLASS:
        case mxUINT8_CLASS: return *static_cast<const uint8_t*>(data);
        case mxINT8_CLASS: return *static_cast<const int8_t*>(data);
        case mxINT16_CLASS: return *static_cast<const int16_t*>(data);
        case mxINT32_CLASS: return *static_cast<const int32_t*>(data);
        case mxUINT32_CLASS: return *static_cast<const uint32_t*>(data);
        case mxINT64_CLASS: return static_cast<double>(*static_cast<const int64_t*>(data));
        case mxUINT64_CLASS: return static_cast<double>(*static_cast<const uint64_t*>(data));
        default: return 0.0;
    }
}

// Octave aborts the whole process here for a function handle or an object.
void* mxGetData(const mxArray* value) {
    const mxArray* array = checked(value, "mxGetData");
    if (array->object || array->classId == mxFUNCTION_CLASS) {
        thiAbort(std::string("mxGetData: ") + (array->object ? "an object" : "a function handle") +
                 " has no data");
    }
    return array->real;
}

double* mxGetPr(const mxArray* value) {
    const mxArray* array = checked(value, "mxGetPr");
    return array->classId == mxDOUBLE_CLASS ? static_cast<double*>(array->real) : nullptr;
}

mxArray* mxCreateDoubleScalar(double value) {
    thiCheckThread("mxCreateDoubleScalar");
    mxArray* array = newDense(mxDOUBLE_CLASS, 1, 1, false, ownerOfNew());
    *static_cast<double*>(array->real) = value;
    return array;
}

mxArray* mxCreateDoubleMatrix_700(int rows, int cols, mxComplexity complexity) {
    thiCheckThread("mxCreateDoubleMatrix");
    if (rows < 0 || cols < 0) return nullptr;
    return newDense(mxDOUBLE_CLASS, static_cast<size_t>(rows), static_cast<size_t>(cols),
                    complexity != mxREAL, ownerOfNew());
}

// MATLAB makes numeric classes only: char, logical, cell and struct have
// constructors of their own.
mxArray* mxCreateNumericMatrix_700(int rows, int cols, mxClassID classId, mxComplexity complexity) {
    thiCheckThread("mxCreateNumericMatrix");
    if (classId < mxDOUBLE_CLASS || classId > mxUINT64_CLASS)
        thiAbort("mxCreateNumericMatrix: not a numeric class");
    if (complexity != mxREAL && complexity != mxCOMPLEX)
        thiAbort("mxCreateNumericMatrix: no such complexity");
    if (rows < 0 || cols < 0) return nullptr;
    return newDense(classId, static_cast<size_t>(rows), static_cast<size_t>(cols),
                    complexity != mxREAL, ownerOfNew());
}

mxArray* mxCreateLogicalScalar(bool value) {
    thiCheckThread("mxCreateLogicalScalar");
    mxArray* array = newDense(mxLOGICAL_CLASS, 1, 1, false, ownerOfNew());
    *static_cast<uint8_t*>(array->real) = value ? 1 : 0;
    return array;
}

mxArray* mxCreateStructMatrix_700(int rows, int cols, int fieldCount, const char** fieldNames) {
    thiCheckThread("mxCreateStructMatrix");
    if (rows < 0 || cols < 0 || fieldCount < 0) return nullptr;
    if (fieldCount > 0 && fieldNames == nullptr) thiAbort("mxCreateStructMatrix: null field names");
    std::vector<std::string> names;
    for (int f = 0; f < fieldCount; ++f) {
        if (fieldNames[f] == nullptr) thiAbort("mxCreateStructMatrix: a null field name");
        for (const std::string& earlier : names) {
            if (earlier == fieldNames[f]) thiAbort("mxCreateStructMatrix: a field named twice");
        }
        names.push_back(fieldNames[f]);
    }
    size_t slots = product(product(size_t(rows), size_t(cols)), names.size());
    mxArray* array = newArray(mxSTRUCT_CLASS, size_t(rows), size_t(cols), ownerOfNew());
    array->fieldNames = names;
    array->elements.assign(slots, nullptr);
    return array;
}

// The module may fill only a struct it made in this call, with an array it
// made in this call that is in no other array. MATLAB does not free a value
// it replaces, so replacing one is a leak: refused.
void mxSetField_700(mxArray* structArray, int index, const char* name, mxArray* value) {
    mxArray* array = mutableChecked(structArray, "mxSetField");
    if (array->classId != mxSTRUCT_CLASS) thiAbort("mxSetField: not a struct");
    if (array->owner != ThiOwner::Temporary)
        thiAbort("mxSetField: a struct the module did not make");
    if (name == nullptr) thiAbort("mxSetField: null field name");
    if (index < 0 || size_t(index) >= array->rows * array->cols) thiAbort("mxSetField: bad index");
    mxArray* child = value == nullptr ? nullptr : mutableChecked(value, "mxSetField");
    if (child != nullptr && (child->owner != ThiOwner::Temporary || child == array))
        thiAbort("mxSetField: the value is not a free array made in this call");
    size_t fields = array->fieldNames.size();
    for (size_t f = 0; f < fields; ++f) {
        if (array->fieldNames[f] != name) continue;
        mxArray*& slot = array->elements[size_t(index) * fields + f];
        if (slot != nullptr) thiAbort("mxSetField: replaces a value, which leaks it");
        slot = child;
        if (child != nullptr) child->owner = ThiOwner::Child;
        return;
    }
    thiAbort(std::string("mxSetField: no field ") + name);
}

// ---- The end of a call ----

void thiEndCallArrays(bool failed, mxArray** plhs, size_t slots) {
    if (!failed) {
        for (size_t i = 0; i < slots; ++i) {
            mxArray* output = plhs[i];
            if (output == nullptr) continue;
            if (liveArrays().count(output) == 0 || output->owner != ThiOwner::Temporary) {
                thiAbort("plhs[" + std::to_string(i) +
                         "] holds an array the module did not create during this call");
            }
            for (size_t j = 0; j < i; ++j) {
                if (plhs[j] == output) {
                    thiAbort("plhs[" + std::to_string(j) + "] and plhs[" + std::to_string(i) +
                             "] hold the same array");
                }
            }
        }
        for (size_t i = 0; i < slots; ++i) {
            if (plhs[i] != nullptr) plhs[i]->owner = ThiOwner::Caller;
        }
    }
    std::vector<mxArray*> temporaries;
    for (const mxArray* array : liveArrays()) {
        if (array->owner == ThiOwner::Temporary) temporaries.push_back(const_cast<mxArray*>(array));
    }
    for (mxArray* array : temporaries) destroy(array);
}

void thiCheckInput(const mxArray* value) {
    const mxArray* array = checked(value, "thCall input");
    if (array->owner == ThiOwner::Temporary) thiAbort("thCall input: a temporary of another call");
}

std::string thiSnapshotInputs(const mxArray* const* inputs, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) snapshot(inputs[i], out);
    return out;
}

// ---- What the tests call ----

mxArray* thCreateString(const std::string& text) {
    std::vector<uint16_t> units;
    for (char c : text) units.push_back(static_cast<unsigned char>(c));
    return thCreateCharUnits(units);
}

mxArray* thCreateCharUnits(const std::vector<uint16_t>& units) {
    return thCreateCharMatrix(units.empty() ? 0 : 1, units.size(), units);
}

mxArray* thCreateCharMatrix(size_t rows, size_t cols, const std::vector<uint16_t>& units) {
    thiCheckThread("thCreateCharMatrix");
    if (product(rows, cols) != units.size()) thiAbort("thCreateCharMatrix: rows*cols != units");
    mxArray* array = newDense(mxCHAR_CLASS, rows, cols, false, ThiOwner::Caller);
    if (!units.empty()) std::memcpy(array->real, units.data(), units.size() * 2);
    return array;
}

mxArray* thCreateDouble(double value) {
    return thCreateDoubleRow({value});
}

mxArray* thCreateDoubleRow(const std::vector<double>& values) {
    return thCreateNumeric(mxDOUBLE_CLASS, values.empty() ? 0 : 1, values.size(), values.data());
}

mxArray* thCreateNumeric(mxClassID classId, size_t rows, size_t cols, const void* data) {
    thiCheckThread("thCreateNumeric");
    if (!isNumericOrLogical(classId)) thiAbort("thCreateNumeric: not a numeric or logical class");
    mxArray* array = newDense(classId, rows, cols, false, ThiOwner::Caller);
    if (data != nullptr && array->real != nullptr) {
        std::memcpy(array->real, data, rows * cols * classSize(classId));
    }
    return array;
}

mxArray* thCreateComplexDouble(double real, double imaginary) {
    thiCheckThread("thCreateComplexDouble");
    mxArray* array = newDense(mxDOUBLE_CLASS, 1, 1, true, ThiOwner::Caller);
    *static_cast<double*>(array->real) = real;
    *static_cast<double*>(array->imag) = imaginary;
    return array;
}

mxArray* thCreateSparseDouble(size_t rows, size_t cols) {
    thiCheckThread("thCreateSparseDouble");
    product(rows, cols);
    mxArray* array = newArray(mxDOUBLE_CLASS, rows, cols, ThiOwner::Caller);
    array->sparse = true;
    // No stored elements: a zero-length block, so any read of the data is an overrun.
    array->real = std::malloc(0);
    if (array->real == nullptr) array->real = std::malloc(1);
    return array;
}

mxArray* thCreateFunctionHandle() {
    thiCheckThread("thCreateFunctionHandle");
    return newArray(mxFUNCTION_CLASS, 1, 1, ThiOwner::Caller);
}

mxArray* thCreateObject() {
    thiCheckThread("thCreateObject");
    mxArray* array = newArray(mxUNKNOWN_CLASS, 1, 1, ThiOwner::Caller);
    array->object = true;
    array->className = "containers.Map";
    return array;
}

mxArray* thCreateStruct(size_t rows, size_t cols, const std::vector<std::string>& fields) {
    thiCheckThread("thCreateStruct");
    for (size_t i = 0; i < fields.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (fields[i] == fields[j]) thiAbort("thCreateStruct: field " + fields[i] + " twice");
        }
    }
    size_t slots = product(product(rows, cols), fields.size());
    mxArray* array = newArray(mxSTRUCT_CLASS, rows, cols, ThiOwner::Caller);
    array->fieldNames = fields;
    array->elements.assign(slots, nullptr);
    return array;
}

void thSetField(mxArray* structArray, size_t index, const std::string& field, mxArray* value) {
    mxArray* array = mutableChecked(structArray, "thSetField");
    if (array->classId != mxSTRUCT_CLASS) thiAbort("thSetField: not a struct");
    if (array->owner == ThiOwner::Temporary) thiAbort("thSetField: a temporary of the call");
    if (index >= array->rows * array->cols) thiAbort("thSetField: index out of range");
    size_t fields = array->fieldNames.size();
    for (size_t f = 0; f < fields; ++f) {
        if (array->fieldNames[f] == field) {
            adopt(array, array->elements[index * fields + f], value, "thSetField");
            return;
        }
    }
    thiAbort("thSetField: no field " + field);
}

mxArray* thCreateCell(size_t rows, size_t cols) {
    thiCheckThread("thCreateCell");
    size_t slots = product(rows, cols);
    mxArray* array = newArray(mxCELL_CLASS, rows, cols, ThiOwner::Caller);
    array->elements.assign(slots, nullptr);
    return array;
}

void thSetCell(mxArray* cellArray, size_t index, mxArray* value) {
    mxArray* array = mutableChecked(cellArray, "thSetCell");
    if (array->classId != mxCELL_CLASS) thiAbort("thSetCell: not a cell array");
    if (array->owner == ThiOwner::Temporary) thiAbort("thSetCell: a temporary of the call");
    if (index >= array->elements.size()) thiAbort("thSetCell: index out of range");
    adopt(array, array->elements[index], value, "thSetCell");
}

void thDestroyArray(mxArray* array) {
    if (array == nullptr) return;
    destroy(callerOwned(array, "thDestroyArray"));
}

size_t thRows(const mxArray* array) {
    return checked(array, "thRows")->rows;
}

size_t thCols(const mxArray* array) {
    return checked(array, "thCols")->cols;
}

std::vector<uint16_t> thCharUnits(const mxArray* charArray) {
    const mxArray* array = checked(charArray, "thCharUnits");
    if (array->classId != mxCHAR_CLASS) thiAbort("thCharUnits: not a char array");
    const auto* units = static_cast<const uint16_t*>(array->real);
    return std::vector<uint16_t>(units, units + array->rows * array->cols);
}

size_t thLiveArrays() {
    return liveArrays().size();
}

// ---- Strings and cells ----

namespace {

const char* builtInClassName(mxClassID classId) {
    switch (classId) {
        case mxCELL_CLASS: return "cell";
        case mxSTRUCT_CLASS: return "struct";
        case mxLOGICAL_CLASS: return "logical";
        case mxCHAR_CLASS: return "char";
        case mxDOUBLE_CLASS: return "double";
        case mxSINGLE_CLASS: return "single";
        case mxINT8_CLASS: return "int8";
        case mxUINT8_CLASS: return "uint8";
        case mxINT16_CLASS: return "int16";
        case mxUINT16_CLASS: return "uint16";
        case mxINT32_CLASS: return "int32";
        case mxUINT32_CLASS: return "uint32";
        case mxINT64_CLASS: return "int64";
        case mxUINT64_CLASS: return "uint64";
        case mxFUNCTION_CLASS: return "function_handle";
        default: return "unknown";
    }
}

// An array the module made in the running call and has not put anywhere.
mxArray* moduleOwned(const mxArray* value, const char* function) {
    mxArray* array = mutableChecked(value, function);
    if (array->owner != ThiOwner::Temporary)
        thiAbort(std::string(function) + ": not an array the module made in this call");
    return array;
}

mxArray* newCharRow(const std::string& text, ThiOwner owner) {
    mxArray* array = newDense(mxCHAR_CLASS, text.empty() ? 0 : 1, text.size(), false, owner);
    for (size_t i = 0; i < text.size(); ++i)
        static_cast<uint16_t*>(array->real)[i] = static_cast<unsigned char>(text[i]);
    return array;
}

}  // namespace

bool mxIsClass(const mxArray* value, const char* className) {
    const mxArray* array = checked(value, "mxIsClass");
    if (className == nullptr) thiAbort("mxIsClass: null class name");
    return (array->object ? array->className : builtInClassName(array->classId)) == className;
}

mxArray* mxCreateString(const char* text) {
    thiCheckThread("mxCreateString");
    if (text == nullptr) thiAbort("mxCreateString: null text");
    return newCharRow(text, ownerOfNew());
}

mxArray* mxCreateCharArray_700(int ndim, const int* dims) {
    thiCheckThread("mxCreateCharArray");
    if (ndim != 2 || dims == nullptr) thiAbort("mxCreateCharArray: only 2-D arrays are made here");
    if (dims[0] < 0 || dims[1] < 0) return nullptr;
    return newDense(mxCHAR_CLASS, static_cast<size_t>(dims[0]), static_cast<size_t>(dims[1]), false,
                    ownerOfNew());
}

mxArray* mxCreateCellMatrix_700(int rows, int cols) {
    thiCheckThread("mxCreateCellMatrix");
    if (rows < 0 || cols < 0) return nullptr;
    mxArray* array =
        newArray(mxCELL_CLASS, static_cast<size_t>(rows), static_cast<size_t>(cols), ownerOfNew());
    array->elements.assign(array->rows * array->cols, nullptr);
    return array;
}

void mxSetCell_700(mxArray* cellArray, int index, mxArray* value) {
    mxArray* array = moduleOwned(cellArray, "mxSetCell");
    if (array->classId != mxCELL_CLASS) thiAbort("mxSetCell: not a cell array");
    if (index < 0 || static_cast<size_t>(index) >= array->elements.size())
        thiAbort("mxSetCell: index out of range");
    mxArray* child = value != nullptr ? moduleOwned(value, "mxSetCell") : nullptr;
    if (child == array) thiAbort("mxSetCell: would nest an array in itself");
    mxArray*& slot = array->elements[static_cast<size_t>(index)];
    if (slot != nullptr) destroy(slot);  // MATLAB leaks it; nothing here relies on that
    slot = child;
    if (child != nullptr) child->owner = ThiOwner::Child;
}

void mxDestroyArray(mxArray* value) {
    if (value == nullptr) return;
    destroy(moduleOwned(value, "mxDestroyArray"));
}

mxArray* thiCharOfString(const mxArray* value) {
    const mxArray* array = checked(value, "mexCallMATLAB char");
    if (!array->object || array->className != "string" || array->strings.size() != 1)
        thiAbort("mexCallMATLAB char: only a string scalar is converted here");
    return newCharRow(array->strings[0], ThiOwner::Temporary);
}

mxArray* thiStringOfChars(const mxArray* value) {
    const mxArray* array = checked(value, "mexCallMATLAB string");
    if (array->classId != mxCHAR_CLASS || array->rows > 1)
        thiAbort("mexCallMATLAB string: only a char row is converted here");
    std::string text;
    const uint16_t* units = static_cast<const uint16_t*>(array->real);
    for (size_t i = 0; i < array->cols * array->rows; ++i) {
        if (units[i] > 0xff) thiAbort("mexCallMATLAB string: only Latin-1 is modelled");
        text += static_cast<char>(units[i]);
    }
    mxArray* made = newArray(mxUNKNOWN_CLASS, 1, 1, ThiOwner::Temporary);
    made->object = true;
    made->className = "string";
    made->strings = {text};
    return made;
}

mxArray* thCreateStringArray(size_t rows, size_t cols, const std::vector<std::string>& texts) {
    thiCheckThread("thCreateStringArray");
    if (product(rows, cols) != texts.size()) thiAbort("thCreateStringArray: rows*cols != texts");
    mxArray* array = newArray(mxUNKNOWN_CLASS, rows, cols, ThiOwner::Caller);
    array->object = true;
    array->className = "string";
    array->strings = texts;
    return array;
}

std::string thStringText(const mxArray* stringScalar) {
    const mxArray* array = checked(stringScalar, "thStringText");
    if (!array->object || array->className != "string" || array->strings.size() != 1)
        thiAbort("thStringText: not a string scalar");
    return array->strings[0];
}

const mxArray* thGetCell(const mxArray* cellArray, size_t index) {
    const mxArray* array = checked(cellArray, "thGetCell");
    if (array->classId != mxCELL_CLASS || index >= array->elements.size())
        thiAbort("thGetCell: not a cell array, or index out of range");
    return array->elements[index];
}

void thFailArrayCreation(int n) {
    g_arrayFailCountdown = n > 0 ? n : 0;
}
