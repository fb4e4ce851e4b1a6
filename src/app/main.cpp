#include "HidPlatform.h"
#include "Program.h"

int main(int argc, char** argv) {
    return RunKurvimat(argc, argv, [] { return makeSystemHidPlatform(); });
}
