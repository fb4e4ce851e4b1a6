// Shared fixture: a store with a pipeline whose two signals evaluate to the raw block values.
#pragma once

#include "FormulaParser.h"
#include "SamplePipeline.h"

#include <gtest/gtest.h>

#include <memory>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PipelineEvents;
using kurvimat::acquisition::SamplePipeline;
using kurvimat::acquisition::TriggerMode;
using kurvimat::acquisition::TriggerSettings;
using kurvimat::signals::TParser;

class PipelineFixture : public ::testing::Test {
protected:
    PipelineFixture() : Store(std::make_unique<MeasurementStore>()), S(*Store) {
        ParserA.SetVariable("U", 0);
        ParserB.SetVariable("U", 0);
        SetFormulas("Y", "Y");
        S.InputCodeA = 2;
        S.InputCodeB = 3;
        S.IntervalMs = 1; // one step per block unless a test says otherwise
        Controls.mode = TriggerMode::Normal;
        Controls.definitionA = "Rohdaten: y";
        Controls.definitionB = "Spannung (V): U";
    }

    void SetFormulas(const char* a, const char* b) {
        ParserA.SetExpression(a);
        ParserB.SetExpression(b);
    }

    // One closed block with these values (IntervalMs = 1).
    PipelineEvents Block(float a, float b) { return Pipe.PipelineStep(a, b, Controls); }
    PipelineEvents Block(float a) { return Block(a, a); }

    PipelineEvents Blocks(int count, float a) {
        PipelineEvents all;
        for (int i = 0; i < count; ++i)
            all.Merge(Block(a));
        return all;
    }

    // Const: S and Pipe refer to this store for the whole test.
    const std::unique_ptr<MeasurementStore> Store;
    MeasurementStore& S;
    TParser ParserA, ParserB;
    SamplePipeline Pipe{*Store, ParserA, ParserB};
    TriggerSettings Controls;
};
