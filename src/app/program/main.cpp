#include "HidPlatform.h"
#include "program/Program.h"

using namespace kurvimat::hid;

int main(int argc, char** argv) {
    return RunKurvimat(argc, argv, [] { return makeSystemHidPlatform(); });
}
