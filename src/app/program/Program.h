// The program's start, shared by the real-instrument and the demo executable.
#pragma once

#include <functional>
#include <memory>

namespace kurvimat::hid {
class HidPlatform;
}

/// Creates the application and its windows on the HID service `makePlatform` returns, runs
/// the event loop and returns its exit code. The platform is made after the application.
int RunKurvimat(int argc, char** argv,
                const std::function<std::shared_ptr<kurvimat::hid::HidPlatform>()>& makePlatform);
