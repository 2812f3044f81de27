// The test host is as strict as the strictest real host: what Octave refuses
// ends the call with the host's own error (or aborts, as Octave does), so a
// module that calls outside the contract fails its tests.
#include "test_host.h"

#include <gtest/gtest.h>

namespace {

TEST(HostContract, MxGetScalarRefusesWhatHasNoScalarValue) {
    mxArray* one = thCreateCell(1, 1);
    thSetCell(one, 0, thCreateDouble(1));
    mxArray* refused[] = {thCreateNumeric(mxDOUBLE_CLASS, 0, 0, nullptr),
                          thCreateCell(0, 0),
                          one,
                          thCreateStruct(1, 1, {"x"}),
                          thCreateNumeric(mxUINT8_CLASS, 1, 0, nullptr),
                          thCreateFunctionHandle(),
                          thCreateObject()};
    for (mxArray* value : refused) {
        ThCallResult result = thRunInCall([value] { mxGetScalar(value); });
        EXPECT_TRUE(result.failed) << mxGetClassID(value);
        EXPECT_EQ(result.identifier, "testhost:mxGetScalar");
        thDestroyArray(value);
    }
    mxArray* accepted[] = {thCreateDouble(2), thCreateString("A"),
                           thCreateNumeric(mxLOGICAL_CLASS, 1, 1, "\1")};
    const double values[] = {2, 'A', 1};
    for (size_t i = 0; i < 3; ++i) {
        double read = 0;
        EXPECT_FALSE(thRunInCall([&] { read = mxGetScalar(accepted[i]); }).failed);
        EXPECT_EQ(read, values[i]);
        thDestroyArray(accepted[i]);
    }
}

TEST(HostContractDeathTest, MxGetDataOfAFunctionHandleOrAnObjectAborts) {
    mxArray* handle = thCreateFunctionHandle();
    mxArray* object = thCreateObject();
    EXPECT_DEATH(thRunInCall([handle] { mxGetData(handle); }), "function handle has no data");
    EXPECT_DEATH(thRunInCall([object] { mxGetData(object); }), "object has no data");
    thDestroyArray(handle);
    thDestroyArray(object);
}

}  // namespace
