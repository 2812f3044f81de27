// The entry point: input-count check, first-call initialisation, mode words.
#include "module_fixture.h"

namespace {

const char* const entryId = "QUENTAROX:brindlecast";

using EntryTest = ModuleTest;

TEST_F(EntryTest, RefusesWrongInputCountsBeforeInitialising) {
    mxArray* mode = text("comopen");
    std::vector<const mxArray*> nine(9, mode);
    for (size_t count : {0u, 1u, 9u}) {
        ThCallResult result =
            thCall(module, 1, std::vector<const mxArray*>(nine.begin(), nine.begin() + count));
        EXPECT_TRUE(failedWith(result, entryId, "Invalid number of input arguments."))
            << count << " inputs";
    }
    EXPECT_EQ(thAtExitRegistrations(), 0);
}

TEST_F(EntryTest, RefusesModesThatAreNotExactlyAModeWord) {
    mxArray* one = number(1);
    for (const char* word : {"COMOPEN", "comOpen", "comopen ", "comopenx", "", "comclos",
                             "comread\x01", "comwritecomread"}) {
        EXPECT_TRUE(
            failedWith(call(1, {text(word), one}), entryId, "Unrecognized mode for BRINDLECAST."))
            << "'" << word << "'";
    }
    for (mxArray* notText : {number(3), keep(thCreateCell(1, 1)),
                             keep(thCreateNumeric(mxUINT8_CLASS, 1, 7, "comopen")),
                             keep(thCreateStringArray(1, 2, {"comopen", "comopen"}))}) {
        EXPECT_TRUE(failedWith(call(1, {notText, one}), entryId,
                               "First input to BRINDLECAST must be a string."));
    }
    EXPECT_EQ(thLiveBlocks(), 0u) << "the mode text outlived the call";
}

TEST_F(EntryTest, RegistersTheExitHookOncePerLoadEvenWhenTheFirstCallFails) {
    EXPECT_TRUE(
        failedWith(call("nosuchmode", {number(1)}), entryId, "Unrecognized mode for BRINDLECAST."));
    EXPECT_EQ(thAtExitRegistrations(), 1);
    call("nosuchmode", {number(1)});
    call("comclose", {number(5)});
    EXPECT_EQ(thAtExitRegistrations(), 1);

    reload();
    EXPECT_EQ(thAtExitRegistrations(), 0);
    call("comclose", {number(5)});
    EXPECT_EQ(thAtExitRegistrations(), 1);
}

// Only the modes that need no port (version, comlist) take the mode word alone.
TEST_F(EntryTest, VersionTakesTheModeWordAlone) {
    ThCallResult version = call(1, {string("version")});
    ASSERT_FALSE(version.failed) << version.message;
    std::string expected = BRINDLECAST_VERSION_TEXT;
    EXPECT_EQ(thCharUnits(version.outputs[0]),
              std::vector<uint16_t>(expected.begin(), expected.end()));
    EXPECT_EQ(thRows(version.outputs[0]), 1u);
    EXPECT_TRUE(
        failedWith(call(1, {text("comlis")}), entryId, "Invalid number of input arguments."));
}

TEST_F(EntryTest, ReportsAModeTextThatCannotBeMade) {
    thFailAllocation(1);
    EXPECT_TRUE(failedWith(call("comopen", {number(1)}), entryId, "Memory allocation failed."));
    EXPECT_EQ(thLiveBlocks(), 0u);
}

// Each handler receives the whole argument list: its own count checks count
// the mode word, and its errors carry its own identifier.
TEST_F(EntryTest, HandsTheWholeCallToTheModesHandler) {
    mxArray* id = number(272);
    mxArray* data = numeric(mxUINT8_CLASS, 1, "x");
    struct {
        std::initializer_list<const mxArray*> inputs;
        const char* identifier;
        const char* message;
    } cases[] = {
        {{text("comopen"), id, id},
         "QUENTAROX:brindlecast:comopen",
         "Invalid number of inputs to COMOPEN."},
        {{text("comopen"), id, id, id, id, id, id, id},  // 8 inputs reach the handler
         "QUENTAROX:brindlecast:comopen",
         "Invalid number of inputs to COMOPEN."},
        {{text("comclose"), id}, "QUENTAROX:brindlecast:comclose", "Cannot close the port."},
        {{text("comwrite"), id, data, id},
         "QUENTAROX:brindlecast:comwrite",
         "Cannot write the port."},
        {{text("comwrite"), id, data},
         "QUENTAROX:brindlecast:comwrite",
         "Invalid number of inputs to COMWRITE."},
        {{text("comread"), id, id}, "QUENTAROX:brindlecast:comread", "Cannot read the port."},
        {{text("comread"), id},
         "QUENTAROX:brindlecast:comread",
         "Invalid number of inputs to COMREAD."},
        {{text("comcount"), id}, "QUENTAROX:brindlecast:comcount", "Cannot query the port."},
        {{text("comcount"), id, id},
         "QUENTAROX:brindlecast:comcount",
         "Invalid number of inputs to COMCOUNT."},
        {{text("comflush"), id, text("input")},
         "QUENTAROX:brindlecast:comflush",
         "Cannot flush the port."},
        {{text("comflush"), id, id, id},
         "QUENTAROX:brindlecast:comflush",
         "Invalid number of inputs to COMFLUSH."},
        {{text("version"), id},
         "QUENTAROX:brindlecast:version",
         "Invalid number of inputs to VERSION."},
        {{text("comlist"), text("COM1")},
         "QUENTAROX:brindlecast:comlist",
         "Invalid number of inputs to COMLIST."},
        {{text("comdrain"), id}, "QUENTAROX:brindlecast:comdrain", "Cannot drain the port."},
        {{text("comdrain"), id, id},
         "QUENTAROX:brindlecast:comdrain",
         "Invalid number of inputs to COMDRAIN."},
        {{text("comerrors"), id},
         "QUENTAROX:brindlecast:comerrors",
         "Cannot read the line errors."},
        {{text("comerrors"), id, id},
         "QUENTAROX:brindlecast:comerrors",
         "Invalid number of inputs to COMERRORS."},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(failedWith(call(1, c.inputs), c.identifier, c.message)) << c.message;
        EXPECT_EQ(thLiveBlocks(), 0u) << c.message;
    }
}

}  // namespace
