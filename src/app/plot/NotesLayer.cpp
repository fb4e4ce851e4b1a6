#include "plot/NotesLayer.h"

#include "Session.h"
#include "dialogs/Dialogs.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

using kurvimat::session::PlotNote;
using kurvimat::session::PlotNotes;

namespace {

QFont NoteFont(bool title, double scale) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, int(std::lround((title ? 18 : 12) * scale))));
    font.setBold(title);
    return font;
}

double Padding(double scale) {
    return 4 * scale;
}

// Where a note of `size` stands in `area`: at its fractions, yet wholly inside.
QPointF NotePlace(const PlotNote& note, QSizeF size, QSizeF area) {
    return {std::clamp(note.x * area.width(), 0.0, std::max(0.0, area.width() - size.width())),
            std::clamp(note.y * area.height(), 0.0, std::max(0.0, area.height() - size.height()))};
}

// One note on the plot: dragged to move, double-clicked to edit, with a menu of its own.
class NoteBox : public QWidget {
public:
    NoteBox(QWidget& canvas, PlotNotesLayer& layer, const PlotNote& note, std::size_t index)
        : QWidget(&canvas), layer_(layer), note_(note), index_(index) {
        setObjectName(note.title ? QStringLiteral("NoteTitle") : QStringLiteral("Note"));
        setCursor(Qt::SizeAllCursor);
        setFocusPolicy(Qt::ClickFocus);
        setToolTip(PlotNotesLayer::tr("Ziehen verschiebt, Doppelklick bearbeitet, Entf entfernt"));
        const QSizeF size = NoteBoxSize(note);
        resize(int(std::ceil(size.width())), int(std::ceil(size.height())));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        PaintNote(painter, note_, {0, 0});
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
        grab_ = e->position().toPoint();
        start_ = pos();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!(e->buttons() & Qt::LeftButton)) return;
        moveWithin(mapToParent(e->position().toPoint()) - grab_);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && pos() != start_) layer_.Moved(index_, pos());
    }
    void mouseDoubleClickEvent(QMouseEvent*) override { layer_.EditNote(index_); }
    void keyPressEvent(QKeyEvent* e) override {
        const int step = e->modifiers() & Qt::ShiftModifier ? 1 : 8;
        QPoint by;
        switch (e->key()) {
        case Qt::Key_Left:
            by = {-step, 0};
            break;
        case Qt::Key_Right:
            by = {step, 0};
            break;
        case Qt::Key_Up:
            by = {0, -step};
            break;
        case Qt::Key_Down:
            by = {0, step};
            break;
        case Qt::Key_Delete:
            return layer_.RemoveNote(index_);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return layer_.EditNote(index_);
        default:
            return QWidget::keyPressEvent(e);
        }
        const QPoint from = pos();
        moveWithin(from + by);
        if (pos() != from) layer_.Moved(index_, pos());
    }
    void contextMenuEvent(QContextMenuEvent* e) override {
        QMenu menu(this);
        QAction* edit = menu.addAction(note_.title ? PlotNotesLayer::tr("Titel bearbeiten …")
                                                   : PlotNotesLayer::tr("Notiz bearbeiten …"));
        QAction* remove = menu.addAction(note_.title ? PlotNotesLayer::tr("Titel entfernen")
                                                     : PlotNotesLayer::tr("Notiz entfernen"));
        QAction* chosen = menu.exec(e->globalPos());
        if (chosen == edit) layer_.EditNote(index_);
        if (chosen == remove) layer_.RemoveNote(index_);
    }

private:
    void moveWithin(QPoint to) {
        const QSize room = parentWidget()->size() - size();
        move(std::clamp(to.x(), 0, std::max(0, room.width())),
             std::clamp(to.y(), 0, std::max(0, room.height())));
    }

    PlotNotesLayer& layer_;
    PlotNote note_;
    std::size_t index_;
    QPoint grab_, start_;
};

} // namespace

QSizeF NoteBoxSize(const PlotNote& note, double scale) {
    const QFontMetricsF metrics(NoteFont(note.title, scale));
    double width = 0;
    const QStringList lines = note.text.split(u'\n');
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const double pad = Padding(scale);
    return {std::ceil(width + 2 * pad), std::ceil(lines.size() * metrics.lineSpacing() + 2 * pad)};
}

void PaintNote(QPainter& painter, const PlotNote& note, QPointF at, double scale) {
    const QRectF box(at, NoteBoxSize(note, scale));
    painter.save();
    // Readable over curves and grid; a note has a frame, the title stands free.
    painter.setPen(note.title ? QPen(Qt::NoPen) : QPen(QColor(150, 150, 150), scale));
    painter.setBrush(QColor(255, 255, 255, 235));
    const double half = note.title ? 0 : scale / 2;
    painter.drawRect(box.adjusted(half, half, -half, -half));
    painter.setPen(Qt::black);
    painter.setFont(NoteFont(note.title, scale));
    const double pad = Padding(scale);
    painter.drawText(box.adjusted(pad, pad, -pad, -pad), Qt::AlignLeft | Qt::AlignTop, note.text);
    painter.restore();
}

void PaintNotes(QPainter& painter, const PlotNotes& notes, QSizeF area, double scale,
                bool withTitle) {
    for (const PlotNote& note : notes) {
        if (note.title && !withTitle) continue;
        const QSizeF size = NoteBoxSize(note, scale);
        PaintNote(painter, note, NotePlace(note, size, area), scale);
    }
}

PlotNotesLayer::PlotNotesLayer(kurvimat::session::Session& session, QWidget& canvas)
    : QObject(&canvas), session_(session), canvas_(canvas) {
    canvas.installEventFilter(this);
    connect(&session, &kurvimat::session::Session::notesChanged, this, &PlotNotesLayer::Show);
    Show();
}

void PlotNotesLayer::Show() {
    // A box may be the one whose event changed the notes: it goes when that event is done.
    for (const QPointer<QWidget>& box : boxes_)
        if (box) {
            box->hide();
            box->deleteLater();
        }
    boxes_.clear();
    const PlotNotes& notes = session_.notes();
    for (std::size_t i = 0; i < notes.size(); ++i) {
        auto* box = new NoteBox(canvas_, *this, notes[i], i);
        boxes_.emplace_back(box);
    }
    Place();
    for (const QPointer<QWidget>& box : boxes_)
        box->show();
}

void PlotNotesLayer::Place() {
    const PlotNotes& notes = session_.notes();
    for (std::size_t i = 0; i < boxes_.size() && i < notes.size(); ++i)
        if (boxes_[i])
            boxes_[i]->move(NotePlace(notes[i], boxes_[i]->size(), canvas_.size()).toPoint());
}

bool PlotNotesLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &canvas_ && event->type() == QEvent::Resize) Place();
    return QObject::eventFilter(watched, event);
}

void PlotNotesLayer::Moved(std::size_t i, QPoint topLeft) {
    PlotNotes notes = session_.notes();
    if (i >= notes.size() || canvas_.width() <= 0 || canvas_.height() <= 0) return;
    notes[i].x = double(topLeft.x()) / canvas_.width();
    notes[i].y = double(topLeft.y()) / canvas_.height();
    session_.setNotes(std::move(notes), true);
}

namespace {

// The text as typed, or none when the user cancelled; too long a text is cut and said so.
std::optional<QString> AskNoteText(QWidget& parent, const QString& caption, const QString& label,
                                   const QString& text) {
    std::optional<QString> typed = AppDialogs().AskText(&parent, caption, label, text);
    if (!typed) return typed;
    *typed = typed->trimmed();
    if (typed->size() > kurvimat::session::MaxNoteLength) {
        AppDialogs().ShowInfo(&parent, PlotNotesLayer::tr("Eine Notiz hat höchstens %1 Zeichen; "
                                                          "der Rest ist weggelassen.")
                                           .arg(kurvimat::session::MaxNoteLength));
        typed->truncate(kurvimat::session::MaxNoteLength);
    }
    return typed;
}

} // namespace

void PlotNotesLayer::EditTitle() {
    PlotNotes notes = session_.notes();
    if (const PlotNote* title = kurvimat::session::titleOf(notes))
        return EditNote(std::size_t(title - notes.data()));
    const std::optional<QString> text =
        AskNoteText(*canvas_.window(), tr("Titel"), tr("Titel des Versuchs:"), QString());
    if (!text || text->isEmpty()) return;
    // Centred at the top of the plot.
    PlotNote title{*text, 0, 0.01, true};
    const double width = NoteBoxSize(title).width();
    if (canvas_.width() > 0)
        title.x = std::max(0.0, (canvas_.width() - width) / 2 / canvas_.width());
    notes.insert(notes.begin(), title);
    session_.setNotes(std::move(notes), true);
}

void PlotNotesLayer::AddNote(std::optional<QPoint> where) {
    PlotNotes notes = session_.notes();
    if (int(notes.size()) >= kurvimat::session::MaxPlotNotes) {
        AppDialogs().ShowInfo(canvas_.window(),
                              tr("Es gibt schon %1 Notizen; mehr passen nicht auf den Plot.")
                                  .arg(kurvimat::session::MaxPlotNotes));
        return;
    }
    const std::optional<QString> text =
        AskNoteText(*canvas_.window(), tr("Notiz"), tr("Text der Notiz:"), QString());
    if (!text || text->isEmpty()) return;
    PlotNote note{*text};
    const QSize area = canvas_.size();
    if (where && area.width() > 0 && area.height() > 0) {
        note.x = double(where->x()) / area.width();
        note.y = double(where->y()) / area.height();
    } else {
        // Below the last one, so that a second note does not hide the first.
        const auto others =
            std::count_if(notes.begin(), notes.end(), [](const PlotNote& n) { return !n.title; });
        note.x = 0.12;
        note.y = std::min(0.9, 0.1 + 0.08 * double(others));
    }
    notes.push_back(std::move(note));
    session_.setNotes(std::move(notes), true);
}

void PlotNotesLayer::EditNote(std::size_t i) {
    PlotNotes notes = session_.notes();
    if (i >= notes.size()) return;
    const bool title = notes[i].title;
    const std::optional<QString> text = AskNoteText(
        *canvas_.window(), title ? tr("Titel") : tr("Notiz"),
        title ? tr("Titel des Versuchs (leer: keiner):") : tr("Text der Notiz (leer: entfernen):"),
        notes[i].text);
    if (!text || *text == notes[i].text) return;
    if (text->isEmpty())
        notes.erase(notes.begin() + qsizetype(i));
    else
        notes[i].text = *text;
    session_.setNotes(std::move(notes), true);
}

void PlotNotesLayer::RemoveNote(std::size_t i) {
    PlotNotes notes = session_.notes();
    if (i >= notes.size()) return;
    notes.erase(notes.begin() + qsizetype(i));
    session_.setNotes(std::move(notes), true);
}
