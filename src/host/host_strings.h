// Whether the host has MATLAB's string class: Octave 7 has none, and gives
// text as char arrays only.
#pragma once

bool hostHasStrings();
