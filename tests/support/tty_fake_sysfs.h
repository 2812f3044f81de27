// A sysfs tree of our own for the port list and identity tests: the one
// tests/support/fake_sysfs.sh builds (its header lists the ports), made once
// per process in a temporary folder and removed when the process ends.
#pragma once

#include <string>

// The tree's root (its class/tty, devices, bus), or "" when it could not be made.
const std::string& fakeSysfsTree();
