// A GoogleTest fixture that loads the built module into the test host for
// each test, with short helpers to build arguments and read results.
#pragma once

#include "test_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#ifndef BRINDLECAST_MODULE_PATH
#error "BRINDLECAST_MODULE_PATH must name the built module"
#endif

// One field of a port-description struct: a text or a number.
struct PortField {
    std::string name;
    mxArray* value;
};

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        thFailAllocation(0);
        thClearWarnings();
        module = thLoadModule(modulePath());
        ASSERT_NE(module, nullptr) << thLastLoadError();
    }

    // The module built beside the tests, or the one BRINDLECAST_MODULE names
    // (the release check runs the tests against the module from the zip).
    static const char* modulePath() {
        const char* chosen = std::getenv("BRINDLECAST_MODULE");
        return chosen != nullptr && *chosen != '\0' ? chosen : BRINDLECAST_MODULE_PATH;
    }

    void TearDown() override {
        if (module != nullptr) {
            thUnloadModule(module);
            // Registry entries are the only memory that outlives a call, and
            // unloading releases them.
            EXPECT_EQ(thLiveBlocks(), 0u) << "host memory outlived the module";
        }
        module = nullptr;
        for (mxArray* array : owned) thDestroyArray(array);
        owned.clear();
    }

    // Unloads (running the exit hook) and loads the module afresh.
    void reload() {
        thUnloadModule(module);
        EXPECT_FALSE(thLastUnloadReport().stillLoaded) << "statics would survive the reload";
        module = thLoadModule(modulePath());
        ASSERT_NE(module, nullptr) << thLastLoadError();
    }

    mxArray* keep(mxArray* array) {
        owned.push_back(array);
        return array;
    }
    mxArray* text(const std::string& value) { return keep(thCreateString(value)); }
    mxArray* string(const std::string& value) { return keep(thCreateStringArray(1, 1, {value})); }
    mxArray* number(double value) { return keep(thCreateDouble(value)); }
    mxArray* numeric(mxClassID classId, size_t count, const void* data) {
        return keep(thCreateNumeric(classId, 1, count, data));
    }

    // A 1-by-1 port-description struct; the struct takes the field values.
    mxArray* port(std::initializer_list<PortField> fields) {
        return port(std::vector<PortField>(fields));
    }
    mxArray* port(const std::vector<PortField>& fields) {
        std::vector<std::string> names;
        for (const PortField& field : fields) names.push_back(field.name);
        mxArray* description = keep(thCreateStruct(1, 1, names));
        for (const PortField& field : fields) thSetField(description, 0, field.name, field.value);
        return description;
    }
    static PortField field(const std::string& name, const std::string& value) {
        return {name, thCreateString(value)};
    }
    static PortField field(const std::string& name, double value) {
        return {name, thCreateDouble(value)};
    }
    static PortField stringField(const std::string& name, const std::string& value) {
        return {name, thCreateStringArray(1, 1, {value})};
    }

    // Calls the module; the result's outputs are released with the fixture.
    ThCallResult call(int nlhs, std::initializer_list<const mxArray*> inputs) {
        ThCallResult result = thCall(module, nlhs, std::vector<const mxArray*>(inputs));
        for (mxArray* output : result.outputs) {
            if (output != nullptr) owned.push_back(output);
        }
        return result;
    }
    ThCallResult call(const std::string& mode, std::initializer_list<const mxArray*> arguments,
                      int nlhs = 1) {
        std::vector<const mxArray*> inputs{text(mode)};
        inputs.insert(inputs.end(), arguments.begin(), arguments.end());
        ThCallResult result = thCall(module, nlhs, inputs);
        for (mxArray* output : result.outputs) {
            if (output != nullptr) owned.push_back(output);
        }
        return result;
    }

    // comopen of a struct with these fields; the FileID, or NaN on failure.
    double open(std::initializer_list<PortField> fields) {
        ThCallResult result = call("comopen", {port(fields)});
        if (result.failed || result.outputs.empty() || result.outputs[0] == nullptr) {
            ADD_FAILURE() << "comopen failed: " << result.identifier << " " << result.message;
            return std::nan("");
        }
        return mxGetScalar(result.outputs[0]);
    }

    // The char rows of a cell row, as text.
    static std::vector<std::string> texts(const mxArray* cells) {
        std::vector<std::string> out;
        for (size_t i = 0; i < thRows(cells) * thCols(cells); ++i) {
            std::vector<uint16_t> units = thCharUnits(thGetCell(cells, i));
            out.emplace_back(units.begin(), units.end());
        }
        return out;
    }

    // Element i of comlist's struct of ports as text, field by field: Name,
    // Transport, SerialNumber, Manufacturer, Product, Interface, Location,
    // Description, VendorID, ProductID (a number, or "-" for []); "?" for a
    // field that is missing or of the wrong kind.
    static std::vector<std::string> portRecord(const mxArray* ports, size_t i) {
        std::vector<std::string> fields;
        for (const char* name : {"Name", "Transport", "SerialNumber", "Manufacturer", "Product",
                                 "Interface", "Location", "Description", "VendorID", "ProductID"}) {
            const mxArray* value = mxGetField_700(ports, int(i), name);
            bool id = std::string(name).find("ID") != std::string::npos;
            if (value == nullptr ||
                (id ? mxGetClassID(value) != mxDOUBLE_CLASS || mxGetNumberOfElements(value) > 1
                    : !mxIsChar(value))) {
                fields.push_back("?");
            } else if (id) {
                fields.push_back(mxGetNumberOfElements(value) == 0
                                     ? "-"
                                     : std::to_string(int(mxGetScalar(value))));
            } else {
                std::vector<uint16_t> units = thCharUnits(value);
                fields.emplace_back(units.begin(), units.end());
            }
        }
        return fields;
    }

    static std::vector<double> row(const mxArray* array) {
        const double* elements = mxGetPr(array);
        return std::vector<double>(elements, elements + mxGetNumberOfElements(array));
    }

    ThModule* module = nullptr;
    std::vector<mxArray*> owned;
};

// Checks that a call ended in exactly this error.
inline ::testing::AssertionResult failedWith(const ThCallResult& result,
                                             const std::string& identifier,
                                             const std::string& message) {
    if (!result.failed) return ::testing::AssertionFailure() << "the call succeeded";
    if (result.identifier != identifier || result.message != message) {
        return ::testing::AssertionFailure()
               << "got [" << result.identifier << "] \"" << result.message << "\"";
    }
    return ::testing::AssertionSuccess();
}
