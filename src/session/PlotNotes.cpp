#include "PlotNotes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace kurvimat::session {

namespace {

// The file's text decides nothing but where a note stands: a place off the plot would hide it.
double place(double v) {
    return std::clamp(v, 0.0, 1.0);
}

} // namespace

QString notesText(const PlotNotes& notes) {
    if (notes.empty()) return {};
    QJsonArray array;
    for (const PlotNote& n : notes) {
        QJsonObject o;
        o[QLatin1String("text")] = n.text;
        o[QLatin1String("x")] = n.x;
        o[QLatin1String("y")] = n.y;
        if (n.title) o[QLatin1String("title")] = true;
        array.append(o);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

PlotNotes readNotes(const QString& text) {
    PlotNotes notes;
    // A generous bound on the text before parsing: the notes it may yield are far shorter.
    constexpr qsizetype maxText = qsizetype(MaxPlotNotes) * (MaxNoteLength * 6 + 64);
    if (text.isEmpty() || text.size() > maxText) return notes;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    bool hasTitle = false;
    for (const QJsonValue& v : doc.array()) {
        if (int(notes.size()) >= MaxPlotNotes) break;
        const QJsonObject o = v.toObject();
        const QJsonValue x = o.value(QLatin1String("x")), y = o.value(QLatin1String("y"));
        const QString t = o.value(QLatin1String("text")).toString();
        if (!x.isDouble() || !y.isDouble() || !std::isfinite(x.toDouble()) ||
            !std::isfinite(y.toDouble()) || t.trimmed().isEmpty())
            continue;
        PlotNote n{t.left(MaxNoteLength), place(x.toDouble()), place(y.toDouble()),
                   o.value(QLatin1String("title")).toBool() && !hasTitle};
        hasTitle = hasTitle || n.title;
        notes.push_back(std::move(n));
    }
    return notes;
}

const PlotNote* titleOf(const PlotNotes& notes) {
    const auto it =
        std::find_if(notes.begin(), notes.end(), [](const PlotNote& n) { return n.title; });
    return it == notes.end() ? nullptr : &*it;
}

} // namespace kurvimat::session
