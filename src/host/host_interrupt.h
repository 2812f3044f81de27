// Whether the user has asked the host to stop the running script (Ctrl-C).
// The module only looks: it never clears the request nor raises an error of
// its own for it, so that a script's catch cannot swallow Ctrl-C. A call that
// sees it ends its wait and returns; the host then stops the script.
#pragma once

bool hostInterruptPending();
