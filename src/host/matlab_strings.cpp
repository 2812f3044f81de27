// MATLAB (and the test host, which stands in for it) has a string class.
#include "host/host_strings.h"

bool hostHasStrings() {
    return true;
}
