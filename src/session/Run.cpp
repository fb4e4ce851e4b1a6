#include "Run.h"

#include <QCoreApplication>
#include <algorithm>

namespace kurvimat::session {

QString defaultRunName(qint64 number, const QDateTime& recordedAt, int points) {
    return QCoreApplication::translate("Run", "Messreihe %1, %2, %3 %4")
        .arg(number)
        .arg(recordedAt.toLocalTime().toString(QStringLiteral("HH:mm")))
        .arg(points)
        .arg(points == 1 ? QCoreApplication::translate("Run", "Punkt")
                         : QCoreApplication::translate("Run", "Punkte"));
}

qint64 RunList::add(Run run) {
    run.id = nextId_++;
    if (run.name.isEmpty())
        run.name = defaultRunName(run.id, QDateTime::fromMSecsSinceEpoch(run.recordedAtMs),
                                  run.points.size());
    runs_.push_back(std::move(run));
    return runs_.back().id;
}

bool RunList::rename(qint64 id, const QString& name) {
    auto it = std::find_if(runs_.begin(), runs_.end(), [id](const Run& r) { return r.id == id; });
    if (it == runs_.end()) return false;
    it->name = name;
    return true;
}

bool RunList::adopt(qint64 id) {
    auto it = std::find_if(runs_.begin(), runs_.end(), [id](const Run& r) { return r.id == id; });
    if (it == runs_.end() || !it->automatic) return false;
    it->automatic = false;
    return true;
}

bool RunList::drop(qint64 id) {
    auto it = std::find_if(runs_.begin(), runs_.end(), [id](const Run& r) { return r.id == id; });
    if (it == runs_.end()) return false;
    runs_.erase(it);
    return true;
}

const Run* RunList::findEqual(const PointSet& points) const {
    // Sizes and the first and last point tell most apart before the whole sets are compared.
    const int n = points.size();
    for (const Run& r : runs_) {
        const PointSet& p = r.points;
        if (p.size() != n ||
            (n > 0 && (p.point(0) != points.point(0) || p.point(n - 1) != points.point(n - 1))))
            continue;
        if (p == points) return &r;
    }
    return nullptr;
}

std::vector<qint64> RunList::automaticIds() const {
    std::vector<qint64> ids;
    for (const Run& r : runs_)
        if (r.automatic) ids.push_back(r.id);
    return ids;
}

std::vector<Run> RunList::userRuns() const {
    std::vector<Run> runs;
    for (const Run& r : runs_)
        if (!r.automatic) runs.push_back(r);
    return runs;
}

bool RunList::remove(qint64 id) {
    auto it = std::find_if(runs_.begin(), runs_.end(), [id](const Run& r) { return r.id == id; });
    if (it == runs_.end()) return false;
    deleted_.push_back({std::move(*it), std::size_t(it - runs_.begin())});
    runs_.erase(it);
    return true;
}

std::optional<qint64> RunList::undoDelete() {
    if (deleted_.empty()) return std::nullopt;
    Deleted d = std::move(deleted_.back());
    deleted_.pop_back();
    const qint64 id = d.run.id;
    runs_.insert(runs_.begin() + std::ptrdiff_t(std::min(d.position, runs_.size())),
                 std::move(d.run));
    return id;
}

void RunList::clear() {
    runs_.clear();
    deleted_.clear();
}

const Run* RunList::find(qint64 id) const {
    auto it = std::find_if(runs_.begin(), runs_.end(), [id](const Run& r) { return r.id == id; });
    return it == runs_.end() ? nullptr : &*it;
}

} // namespace kurvimat::session
