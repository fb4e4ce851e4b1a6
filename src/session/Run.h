// A run ("Messreihe"): a kept point set with how and when it was recorded, and the list of the
// session's runs with delete and undo.
#pragma once

#include "PointSet.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kurvimat::session {

/// The most a run's constants take, as UTF-8 lines: what a run keeps and a file holds.
inline constexpr qsizetype MaxRunConstantsBytes = 4096;

struct Run {
    qint64 id = 0; ///< unique in a session, given by RunList; 0 before
    QString name;
    PointSet points;
    int intervalMs = 0;
    int pointCount = 0;      ///< the sweep's point-count setting, not points.size()
    qint64 recordedAtMs = 0; ///< ms since 1970 UTC: when the first point was taken
    /// Kept by itself in the bounded history of "normal" sweeps, not by the user.
    bool automatic = false;
    /// The constant lines ("m = 0,25 kg") its calculated columns were computed with, those
    /// their formulas name: made current, the run computes them as before.
    QStringList constants;

    bool operator==(const Run&) const = default;
};

/// "Messreihe 3, 08:10, 3600 Punkte" (local time of recordedAt).
QString defaultRunName(qint64 number, const QDateTime& recordedAt, int points);

/// The session's runs in their order. Deleted runs can be brought back until the list ends.
class RunList {
public:
    /// Adds a run at the end under the next id; an empty name becomes the default name.
    /// Returns the id.
    qint64 add(Run run);
    bool rename(qint64 id, const QString& name);
    /// A run of the history becomes one of the user's.
    bool adopt(qint64 id);
    /// Takes the run out and keeps it for undoDelete.
    bool remove(qint64 id);
    /// Takes the run out for good (a history run pushed out by a newer one).
    bool drop(qint64 id);
    /// The run whose points equal these, if any.
    const Run* findEqual(const PointSet& points) const;
    /// Runs of the history, oldest first.
    std::vector<qint64> automaticIds() const;
    /// The user's runs, those an experiment file keeps (the history is the session's only).
    std::vector<Run> userRuns() const;
    /// Brings back the run deleted last at its old place; its id, or nothing.
    std::optional<qint64> undoDelete();
    bool canUndo() const { return !deleted_.empty(); }
    /// Empties the list and what undo would bring back; ids go on where they were.
    void clear();

    const std::vector<Run>& runs() const { return runs_; }
    const Run* find(qint64 id) const;
    int size() const { return int(runs_.size()); }
    /// The id the next added run gets.
    qint64 nextId() const { return nextId_; }

private:
    struct Deleted {
        Run run;
        std::size_t position;
    };
    std::vector<Run> runs_;
    std::vector<Deleted> deleted_;
    qint64 nextId_ = 1;
};

} // namespace kurvimat::session
