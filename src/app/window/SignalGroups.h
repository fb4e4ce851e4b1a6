// The two signal groups of the main window: applying a definition line, building it from the
// edits, the auto range box, and the definition lists with their editor. The window's handlers
// run these inside their handler scope; errors go to the window's collection.
#pragma once

#include "SamplePipeline.h"
#include "Session.h"

#include <QString>

#include <exception>
#include <optional>
#include <QCoreApplication>

struct MainControls;
class PlotView;
class QObject;
class TFormSignale;

// What the signal groups ask of the window.
class SignalGroupsHost {
public:
    // Shown when the running handler ends; details: the technical words behind it.
    virtual void NoteError(const QString& text, const QString& details) = 0;
    // Shown at the end of the running handler, or after the current event; empty: nothing.
    virtual void ReportError(const QString& text) = 0;
    // Loaded points keep their axes' titles and extremes under a newly applied definition.
    virtual void TitleLoadedAxes() = 0;
    // A formula applied over loaded points, which it cannot evaluate again: said, and offered
    // as a new quantity over them.
    virtual void OfferAsQuantity(char channel, const QString& name, const QString& unit,
                                 const QString& formula) = 0;

protected:
    ~SignalGroupsHost() = default;
};

class SignalGroups {
    Q_DECLARE_TR_FUNCTIONS(SignalGroups)

public:
    SignalGroups(MainControls& controls, kurvimat::session::Session& session, PlotView& plot,
                 SignalGroupsHost& host);

    // Applies the channel's box text ('A' or 'B'). False when the formula was rejected: the
    // channel then keeps its applied definition.
    bool Apply(char channel, bool reevaluate);
    // Shows what the session made of the box's line: the edits, range and title of the
    // definition it applied, or why it refused it (the line is marked as not applied).
    void Show(char channel, const std::optional<kurvimat::session::AppliedDefinition>& applied,
              const std::exception_ptr& refused);
    // Show, for a line of the box the session applied in an operation of its own (an interval
    // change, a run made current), and what probing it met.
    void ShowApplied(char channel,
                     const std::optional<kurvimat::session::AppliedDefinition>& applied,
                     const std::exception_ptr& refused);
    // Enter in the box. False when the line was rejected.
    bool KeyPress(char channel, QObject* sender);
    // Enter in one of the edits: the line is rebuilt from the parts and applied.
    void EditKeyPress(char channel, QObject* sender);
    // A list entry picked or a line typed in the box.
    void Change(char channel);
    void AutoRangeClick(char channel);
    // Rebuilds both definition lists: built-in lines, then the user's lines.
    void FillSignalLists();
    // The editor of the user's lines: its lists, the lines it takes over and its errors.
    void UseEditor(TFormSignale& editor);
    TFormSignale* Editor() const { return editor_; }

private:
    struct Group;
    Group Of(char channel);

    MainControls& controls_;
    kurvimat::session::Session& session_;
    PlotView& plot_;
    SignalGroupsHost& host_;
    TFormSignale* editor_ = nullptr;
};

// What a pipeline call found wrong with the formulas (a division by zero, a formula without
// any value), one line per channel; empty when nothing.
QString FormulaProblemText(const kurvimat::acquisition::PipelineEvents& events,
                           const QString& formulaA, const QString& formulaB);
