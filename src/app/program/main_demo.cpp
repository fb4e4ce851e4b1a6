// Kurvimat with a virtual instrument plugged in at start, for trying the program without
// hardware.
#include "HidPlatformVirtual.h"
#include "VirtualInstrument.h"
#include "program/Program.h"

using namespace kurvimat::hid;

int main(int argc, char** argv) {
    return RunKurvimat(argc, argv, [] {
        auto platform = std::make_shared<HidPlatformVirtual>();
        platform->plug(std::make_shared<VirtualInstrument>());
        return platform;
    });
}
