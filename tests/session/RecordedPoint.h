// Point i of a test recording, every field its own function of i: shared by the tests and the
// crash test's child program.
#pragma once

#include "PointSet.h"

namespace kurvimat::session::test {

inline SamplePoint recordedPoint(int i) {
    return {i * 0.002f,
            float(i % 1000),
            float(-i),
            float(i % 1024),
            float((i * 7) % 1024),
            float(i % 1024) * 5.0f / 1023.0f,
            float((i * 7) % 1024) * 5.0f / 1023.0f};
}

} // namespace kurvimat::session::test
