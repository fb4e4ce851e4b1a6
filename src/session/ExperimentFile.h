// The experiment file (".kurvimat"): runs, the current data and snapshot, the definitions in
// force and the session's settings, in the journal's schema. Written whole into a temporary
// file with SQLite's backup API and renamed over the old one; read from a copy in memory, so
// that opening never changes a file and a refused file changes nothing.
#pragma once

#include "Run.h"
#include "Settings.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace kurvimat::analysis {
enum class FitModel;
struct UserFitModel;
}

namespace kurvimat::session {

inline constexpr const char* ExperimentSuffix = ".kurvimat";

/// What a file may hold: more runs or points are refused on reading and not written. A file
/// larger than the points allow is refused before it is read.
inline constexpr int MaxExperimentRuns = 1000;
inline constexpr qint64 MaxExperimentPoints = 2'000'000;
inline constexpr qint64 MaxExperimentBytes = MaxExperimentPoints * 32 + MaxExperimentRuns * 8192;

struct Experiment {
    std::vector<Run> runs;
    std::optional<PointSet> data;
    std::optional<PointSet> snapshot;
    QString definitionA, definitionB; ///< the signal definitions in force
    Settings settings;

    bool operator==(const Experiment&) const = default;
};

/// A fit shown on the plot as the setting "fit" keeps it: "channel;model;from;to", the model by
/// its name ("0;exponential;0;250"). Files of earlier versions hold the model's number there.
/// The user's model follows as "0;user;0;250;formula;name=start;…", the formula
/// percent-encoded: versions without it refuse the file by its unknown model, never show
/// another curve.
struct FitSetting {
    bool channelB = false;
    analysis::FitModel model{};
    double from = 0, to = 0;
    std::shared_ptr<const analysis::UserFitModel> user; ///< FitModel::User's formula and names
};
QString fitSettingText(const FitSetting& fit);
/// None for an empty text, and for one that is no such list or names no model this version
/// has, or a user's model that is too long or does not compile (readExperiment refuses a file
/// with such a setting). Reading compiles the formula, never evaluates it.
std::optional<FitSetting> readFitSetting(const QString& text);
/// Longest fit setting read.
inline constexpr qsizetype MaxFitSettingLength = 8192;

/// Writes atomically; a failed write leaves the old file as it was. The German error text,
/// or nothing when written.
std::optional<QString> writeExperiment(const QString& path, const Experiment& experiment);

struct ExperimentRead {
    std::optional<Experiment> experiment;
    QString error; ///< German, when experiment is empty
    /// German, once, for the status line: what could not be checked of an opened file.
    QString notice;
};

/// Reads and checks a file: its size, our application id and the schema version from its
/// header (older ones migrated in memory, newer ones refused), the schema's text, then
/// integrity_check, the number of runs, every row and every checksum, and that a shown fit is
/// of a model this version knows. The file is read once
/// into the memory SQLite works on.
ExperimentRead readExperiment(const QString& path);
/// The same on the bytes of a file; name is the file name the messages show.
ExperimentRead readExperimentBytes(const QByteArray& bytes, const QString& name);

} // namespace kurvimat::session
