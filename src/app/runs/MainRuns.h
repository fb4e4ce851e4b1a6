// The main window's runs ("Messreihen") in the session's journal, which the session keeps before
// something replaces the current points: shows chosen runs over the plot and offers them in a
// list window (show, rename, make current, copy, save, delete with undo).
#pragma once

#include "Journal.h"
#include "MeasurementText.h"
#include "PlotFit.h"
#include "RunLayer.h"
#include "RunPolicy.h"
#include "Session.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>

namespace kurvimat::display {
struct DisplayChanges;
struct ReadoutInput;
}
namespace kurvimat::session {
class Session;
}

class QMenu;
class QWidget;
class RunsWindow;

// What the runs need of the window.
class RunsHost {
public:
    // The session made a run the current points, with the definitions it applied of it: the
    // window shows them, and the axes take its points in.
    virtual void ShowRunAsCurrent(const kurvimat::session::Run& run,
                                  const kurvimat::session::AppliedDefinitions& applied) = 0;
    // Writes the text in the layout asked for: to a file asked for, or to the clipboard.
    virtual bool SaveOrCopy(bool toFile,
                            const std::function<QString(kurvimat::exchange::TableLayout)>& write) = 0;

protected:
    ~RunsHost() = default;
};

class MainRuns : public QObject {
    Q_OBJECT
public:
    /// The session's journal holds the runs; changes: the plot's, marked when the shown runs
    /// change; window: the list window's parent.
    MainRuns(kurvimat::session::Session& session, RunsHost& host,
             kurvimat::display::DisplayChanges& changes, QWidget& window);
    ~MainRuns() override;

    kurvimat::session::Journal& Journal();

    /// "Messreihe behalten": the current points become a run now.
    void KeepCurrent();
    /// Says text once in the list window's status line, the list shown beside the plot.
    void Say(const QString& text);

    /// The runs' entries of the plot's menu.
    void AddMenuActions(QMenu& menu);
    /// Opens (or raises) the list window; activated, it takes the keyboard.
    void ShowList(bool activate = true);
    RunsWindow* List() const { return list_; }

    bool IsShown(qint64 id) const { return shown_.count(id) > 0; }
    void SetShown(qint64 id, bool on);
    bool Rename(qint64 id, const QString& name);
    /// "Als aktuelle Daten": the current points are kept first when the policy says so.
    bool MakeCurrent(qint64 id);
    /// The run as the measurement text "Daten kopieren" writes.
    QString Text(qint64 id, kurvimat::exchange::TableLayout layout =
                                kurvimat::exchange::TableLayout::Tab) const;
    void Copy(qint64 id);
    void Save(qint64 id);
    bool Delete(qint64 id);
    bool UndoDelete();
    /// The colour of a run in the plot and the list (a palette index).
    static std::uint8_t Colour(qint64 id);

    /// The shown runs' shown channels for the cursor readout (valid until the runs change).
    void AddReadoutSeries(kurvimat::display::ReadoutInput& in) const;

    /// A run's channel as a fit reads it; nothing for a run that is gone or has no B.
    std::optional<kurvimat::display::RunChannelPoints> FitPoints(qint64 id, bool channelB) const;
    /// A run's fit belongs to the plot while the run is shown with the points it was made of.
    bool FitStillShown(const kurvimat::display::PlotFit& fit) const;

    /// The shown runs as the plot draws them.
    kurvimat::display::RunLayer& Layer() { return layer_; }
    /// The journal's runs changed from outside (a recovery, say): the list and the plot follow.
    void Changed();
    /// An opened experiment replaced the session and its journal: none of the runs is shown.
    void StartedOver();

Q_SIGNALS:
    /// A run was added, renamed, deleted or brought back.
    void RunsChanged();

private:
    void UpdateLayer();
    void UpdateList();

    kurvimat::session::Session& session_;
    RunsHost& host_;
    kurvimat::display::DisplayChanges& changes_;
    QWidget& window_;
    std::set<qint64> shown_;
    kurvimat::display::RunLayer layer_;
    RunsWindow* list_ = nullptr;
};
