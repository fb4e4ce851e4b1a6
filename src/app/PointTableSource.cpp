#include "PointTableSource.h"

#include "SignalDefinition.h"

using namespace kurvimat::exchange;
using namespace kurvimat::signals;

MeasurementTextFormat PointSetTextFormat(bool loaded, bool hasB, const QString& definitionA,
                                         const QString& definitionB, const Calibration& cal) {
    MeasurementTextFormat format;
    format.asRead = loaded;
    format.hasB = hasB;
    if (!loaded) {
        format.digitsA = ResolutionDigits(definitionA, SignalChannel::A, cal);
        format.digitsB = ResolutionDigits(definitionB, SignalChannel::B, cal);
    }
    return format;
}
