// The session's journal: the stored points handed over on the timer's tick, what the journal
// holds compared with what was last saved, and its end when the window closes.
#include "Session.h"

#include "Journal.h"
#include "Recovery.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <utility>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PipelineEvents;
using kurvimat::acquisition::PointCapacity;

namespace kurvimat::session {

namespace {

// Changes of what the journal holds that the hand-off does not count: runs kept, renamed,
// deleted or brought back.
qint64 runsMark(const Journal& journal) {
    const RunList& runs = journal.runs();
    return runs.nextId() * 4096 + runs.size() * 2 + (runs.canUndo() ? 1 : 0);
}

} // namespace

void Session::openJournal(const QString& folder) {
    journal_ = std::make_unique<Journal>(folder, clock_);
}

void Session::noteForJournal(const PipelineEvents& events) {
    // The points wait in the store until the tick: the report path stays as cheap as it was.
    // A sweep lasts at least 200 ms unless nearly all of it is pre-trigger history, and a sweep
    // replaced within a tick would have been replaced in the journal too.
    journalTriggered_ = journalTriggered_ || events.triggers > 0;
    journalSweepEnded_ = journalSweepEnded_ || events.sweepsCompleted > 0;
}

void Session::handOverToJournal() {
    if (!journal_) return;
    const MeasurementStore& s = *store_;
    if (std::exchange(journalTriggered_, false) && !s.Data.Loaded) {
        Run header;
        header.intervalMs = s.IntervalMs;
        header.pointCount = s.PointCount;
        header.points = PointSet(PointSet::Origin::Recorded, true, !s.ChannelBOff(), s.Data.DefA,
                                 s.Data.DefB);
        journal_->beginRecording(header);
        journalSeen_ = 0;
        ++journalChanges_;
    }
    // Points loaded or deleted since: the recording the journal holds is no longer shown.
    if (journalSeen_ >= 0 && (s.Data.Loaded || s.Data.Count < journalSeen_)) journalSeen_ = -1;
    if (journalSeen_ >= 0) {
        const int count = std::min(s.Data.Count, PointCapacity) - journalSeen_;
        SamplePoint points[64];
        for (int done = 0; done < count;) {
            const int n = std::min(count - done, 64);
            for (int i = 0; i < n; ++i)
                points[i] = dataPoint(journalSeen_ + done + i);
            journal_->appendPoints(std::span<const SamplePoint>(points, std::size_t(n)));
            done += n;
        }
        if (count > 0) {
            journalSeen_ += count;
            ++journalChanges_;
        }
    }
    if (std::exchange(journalSweepEnded_, false)) journal_->endSweep();
}

QStringList Session::tickJournal() {
    QStringList said;
    if (!journal_) return said;
    handOverToJournal();
    Journal& journal = *journal_;
    journal.flushIfDue(clock_.steadyMs());
    if (const auto failure = journal.takeFailure()) said << *failure;
    if (journal.replaceIfLost(clock_.steadyMs())) {
        // Deleted or replaced by someone: a crash now would lose everything. The new journal
        // has the runs already; the recording's points go over again from the first.
        if (journalSeen_ >= 0) journalSeen_ = 0;
        ++journalChanges_;
        handOverToJournal();
        said << tr("Die Sicherungsdatei dieser Sitzung wurde gelöscht oder ersetzt. Eine neue "
                   "ist angelegt, mit allen Messreihen und der laufenden Aufzeichnung: %1")
                    .arg(journal.path());
    }
    if (journalProgress_ && journal.recordingSize() != journalProgressFed_) {
        // For the crash test: the points handed over and when, on the steady clock.
        journalProgressFed_ = journal.recordingSize();
        std::printf("KURVIMAT-FED %d %lld\n", journalProgressFed_,
                    static_cast<long long>(clock_.steadyMs()));
        std::fflush(stdout);
    }
    return said;
}

qint64 Session::journalMark() const {
    return journalChanges_ + runsMark(*journal_) * (qint64(1) << 32);
}

bool Session::experimentSaved() const {
    if (!journal_) return false;
    const bool waiting =
        journalTriggered_ || (journalSeen_ >= 0 && store_->Data.Count > journalSeen_);
    return !waiting && journalSavedAt_ >= 0 && journalSavedAt_ == journalMark();
}

void Session::noteExperimentSaved(const QString& path, std::size_t fingerprint) {
    savedFingerprint_ = fingerprint;
    if (!journal_) return;
    journalSavedAt_ = journalMark();
    journal_->noteSaved(path);
}

void Session::recover(Recovery& from) {
    if (!journal_) return;
    from.restoreInto(*journal_);
    ++journalChanges_;
}

void Session::closeJournal(bool discarded) {
    if (!journal_) return;
    handOverToJournal();
    // Saved as it is: nothing to offer at the next start; discarded: kept in the Papierkorb.
    if (experimentSaved())
        journal_->finish();
    else if (discarded)
        journal_->discard();
}

} // namespace kurvimat::session
