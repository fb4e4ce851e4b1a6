// The session's settings as a typed key-value map, and the names of the settings an experiment
// file carries. The session model decides what each value means; the file only keeps them.
#pragma once

#include <QString>

#include <map>
#include <optional>
#include <variant>

namespace kurvimat::session {

using SettingValue = std::variant<bool, qint64, double, QString>;
using Settings = std::map<QString, SettingValue>;

/// Keys of the settings that make an experiment: what a teacher prepares and a student opens.
namespace setting {
inline constexpr const char* IntervalMs = "interval_ms";
inline constexpr const char* PointCount = "point_count";
inline constexpr const char* TriggerMode = "trigger_mode";
inline constexpr const char* TriggerChannel = "trigger_channel";
inline constexpr const char* TriggerRising = "trigger_rising";
inline constexpr const char* TriggerLevel = "trigger_level";
inline constexpr const char* PreTrigger = "pre_trigger";
inline constexpr const char* InputRangeA = "input_range_a";
inline constexpr const char* InputRangeB = "input_range_b";
inline constexpr const char* Differential = "differential";
inline constexpr const char* ChannelBOn = "channel_b_on";
inline constexpr const char* PullUpA = "pull_up_a";
inline constexpr const char* PullUpB = "pull_up_b";
inline constexpr const char* AxisTMin = "axis_t_min";
inline constexpr const char* AxisTMax = "axis_t_max";
inline constexpr const char* AxisAMin = "axis_a_min";
inline constexpr const char* AxisAMax = "axis_a_max";
inline constexpr const char* AxisBMin = "axis_b_min";
inline constexpr const char* AxisBMax = "axis_b_max";
inline constexpr const char* AxisAAuto = "axis_a_auto";
inline constexpr const char* AxisBAuto = "axis_b_auto";
inline constexpr const char* AxisTAuto = "axis_t_auto";
inline constexpr const char* XyMode = "xy_mode";
inline constexpr const char* TimeInMinutes = "time_in_minutes";
inline constexpr const char* Cursors = "cursors";
inline constexpr const char* Fit = "fit";
inline constexpr const char* TimeOrigin = "time_origin";
inline constexpr const char* AutoSnapshot = "auto_snapshot";
inline constexpr const char* ShowA = "show_a";
inline constexpr const char* ShowB = "show_b";
/// The further column, by its header, the right axis shows while B is not shown.
inline constexpr const char* RightAxis = "right_axis";
/// x, left and right quantity of the plot of quantities, TAB-separated; only while it is shown.
inline constexpr const char* QuantityAxes = "quantity_axes";
inline constexpr const char* SnapshotRecorded = "snapshot_recorded";
inline constexpr const char* TriggerHeld = "trigger_held";
/// The runs drawn over the plot: their places among the file's runs, "0;2" (none: "").
inline constexpr const char* ShownRuns = "shown_runs";
/// A fit shown of a run instead of the data: "place;" and the fit as "fit" keeps it.
inline constexpr const char* RunFit = "run_fit";
/// A fit shown of a further column of the data: its header, a tab, and the fit as "fit" keeps
/// it (a key of its own: a program without column fits opens the file without it).
inline constexpr const char* ColumnFit = "column_fit";
/// The fits shown beside that one, a line each in the order they were made: "data", "column"
/// or "run", a tab, the column's header or the run's place (empty for the data), a tab, the
/// fit as "fit" keeps it.
inline constexpr const char* MoreFits = "more_fits";
/// The calculated quantities: a line each, name, unit and formula separated by tabs.
inline constexpr const char* Quantities = "quantities";
/// The constants their formulas use: a line each, "m = 0,25 kg".
inline constexpr const char* QuantityConstants = "quantity_constants";
/// The report's title and notes on the plot (PlotNotes.h: notesText).
inline constexpr const char* Notes = "notes";
} // namespace setting

/// The setting at key when it is there with type T.
template <class T> std::optional<T> settingAs(const Settings& settings, const char* key) {
    const auto it = settings.find(QLatin1String(key));
    if (it == settings.end()) return std::nullopt;
    if (const T* v = std::get_if<T>(&it->second)) return *v;
    return std::nullopt;
}

} // namespace kurvimat::session
