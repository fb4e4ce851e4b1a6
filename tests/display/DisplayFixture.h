// A measurement store with the four scales and the display state, as the main window holds
// them, for drawing and interaction tests without a window.
#pragma once

#include "DisplayState.h"
#include "MeasurementStore.h"

#include <memory>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::display::DisplayControls;
using kurvimat::display::DisplayState;
using kurvimat::display::ScaleSet;
using kurvimat::display::Tscale;

struct DisplayFixture {
    std::unique_ptr<MeasurementStore> storage = std::make_unique<MeasurementStore>();
    MeasurementStore& store = *storage;
    Tscale ScaleA, ScaleB, ScaleT, ScaleX;
    Tscale* Left = &ScaleA;
    Tscale* Right = &ScaleB;
    Tscale* Bottom = &ScaleT;
    ScaleSet scales{ScaleA, ScaleB, ScaleT, ScaleX, Left, Right, Bottom};
    DisplayState state;
    DisplayControls controls;

    DisplayFixture() {
        ScaleA.Visible = ScaleB.Visible = ScaleT.Visible = true;
        setRange(ScaleA, 0, 10);
        setRange(ScaleB, 0, 10);
        setRange(ScaleT, 0, 10);
        setRange(ScaleX, 0, 1);
    }
    static void setRange(Tscale& s, double start, double end) {
        s.RangeStart = start;
        s.RangeEnd = end;
    }
    void addPoint(float t, float a, float b) {
        const int i = store.Data.Count++;
        store.Data.T[i] = t;
        store.Data.A[i] = a;
        store.Data.B[i] = b;
    }
    void addSnapPoint(float t, float a, float b) {
        const int i = store.Snap.Count++;
        store.Snap.T[i] = t;
        store.Snap.A[i] = a;
        store.Snap.B[i] = b;
    }
};
