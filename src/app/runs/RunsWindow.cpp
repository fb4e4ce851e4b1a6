#include "runs/RunsWindow.h"

#include "SignalDefinition.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using kurvimat::signals::shownName;

constexpr int IdRole = Qt::UserRole;
constexpr int NameRole = Qt::UserRole + 1; // the run's name as stored; the text shows it

QIcon colourSquare(const QColor& colour) {
    QPixmap square(12, 12);
    square.fill(colour);
    QPainter p(&square);
    p.setPen(Qt::black);
    p.drawRect(0, 0, 11, 11);
    return QIcon(square);
}

} // namespace

RunsWindow::RunsWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(tr("Messreihen"));
    list_ = new QListWidget(this);
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::SelectedClicked);
    list_->setToolTip(tr("Die Messreihen dieser Sitzung. Häkchen: im Diagramm zeigen; "
                         "F2 oder Doppelklick: umbenennen; Entf: löschen; Strg+Z: "
                         "rückgängig"));
    list_->installEventFilter(this);
    makeCurrent_ = new QPushButton(tr("Als &aktuelle Daten"), this);
    makeCurrent_->setToolTip(tr("Macht die gewählte Messreihe wieder zu den aktuellen Daten; "
                                "die aktuellen Daten werden vorher als Messreihe behalten, wenn "
                                "sie es wert sind"));
    copy_ = new QPushButton(tr("&Kopieren"), this);
    copy_->setToolTip(tr("Kopiert die gewählte Messreihe als Tabelle in die Zwischenablage"));
    save_ = new QPushButton(tr("&Speichern …"), this);
    save_->setToolTip(tr("Speichert die gewählte Messreihe als Textdatei mit Tabulatoren"));
    delete_ = new QPushButton(tr("&Löschen"), this);
    delete_->setToolTip(tr("Löscht die gewählte Messreihe; „Rückgängig“ holt sie zurück, "
                           "solange das Programm läuft"));
    undo_ = new QPushButton(tr("&Rückgängig"), this);
    undo_->setToolTip(tr("Holt die zuletzt gelöschte Messreihe zurück"));
    keep_ = new QPushButton(tr("Aktuelle Daten &behalten"), this);
    keep_->setToolTip(tr("Behält die aktuellen Daten als neue Messreihe"));

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {makeCurrent_, copy_, save_, delete_, undo_})
        buttons->addWidget(b);
    status_ = new QLabel(this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(keep_);
    bottom->addWidget(status_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    layout->addLayout(bottom);
    resize(520, 260);

    connect(list_, &QListWidget::itemChanged, this, &RunsWindow::itemChanged);
    connect(list_, &QListWidget::currentItemChanged, this, [this] { updateButtons(); });
    const auto withCurrent = [this](void (RunsWindow::*signal)(qint64)) {
        return [this, signal] {
            if (const qint64 id = current()) emit(this->*signal)(id);
        };
    };
    connect(makeCurrent_, &QPushButton::clicked, this,
            withCurrent(&RunsWindow::makeCurrentRequested));
    connect(copy_, &QPushButton::clicked, this, withCurrent(&RunsWindow::copyRequested));
    connect(save_, &QPushButton::clicked, this, withCurrent(&RunsWindow::saveRequested));
    connect(delete_, &QPushButton::clicked, this, withCurrent(&RunsWindow::deleteRequested));
    connect(undo_, &QPushButton::clicked, this, [this] { emit undoRequested(); });
    connect(keep_, &QPushButton::clicked, this, [this] { emit keepRequested(); });
    updateButtons();
}

void RunsWindow::setEntries(const QList<Entry>& entries) {
    const qint64 chosen = current();
    filling_ = true;
    // The user's runs, then the history under its heading (a row without a run, id 0).
    QList<const Entry*> rows;
    for (const bool automatic : {false, true}) {
        bool heading = automatic;
        for (const Entry& e : entries) {
            if (e.automatic != automatic) continue;
            if (heading) rows << nullptr;
            heading = false;
            rows << &e;
        }
    }
    // The same runs are updated in place: an item may be the one whose change led here.
    bool same = list_->count() == rows.size();
    for (int i = 0; same && i < list_->count(); ++i)
        same = list_->item(i)->data(IdRole).toLongLong() == (rows[i] ? rows[i]->id : 0);
    if (!same) {
        list_->clear();
        for (const Entry* e : rows) {
            if (!e) {
                auto* heading = new QListWidgetItem(tr("Verlauf (automatisch, die letzten "
                                                       "Messungen in „normal“)"),
                                                    list_);
                heading->setData(IdRole, qint64(0));
                heading->setFlags(Qt::ItemIsEnabled);
                QFont bold = heading->font();
                bold.setBold(true);
                heading->setFont(bold);
                heading->setToolTip(tr("Jede vollständige Messung in „normal“ kommt hierher; "
                                       "die ältesten gehen, wenn neue kommen. Umbenennen oder "
                                       "„behalten“ macht eine davon zu Ihrer Messreihe."));
                continue;
            }
            auto* item = new QListWidgetItem(colourSquare(e->colour), shownName(e->name), list_);
            item->setData(IdRole, e->id);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
            item->setToolTip(tr("Häkchen: im Diagramm in dieser Farbe zeigen"));
        }
    }
    for (int i = 0; i < list_->count(); ++i) {
        if (!rows[i]) continue;
        QListWidgetItem* item = list_->item(i);
        item->setData(NameRole, rows[i]->name);
        if (const QString shown = shownName(rows[i]->name); item->text() != shown)
            item->setText(shown);
        item->setCheckState(rows[i]->shown ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = false;
    setCurrent(chosen);
    if (!list_->currentItem() && list_->count() > 0) list_->setCurrentRow(list_->count() - 1);
    updateButtons();
}

void RunsWindow::setStatus(const QString& text) {
    status_->setText(text);
}

QString RunsWindow::status() const {
    return status_->text();
}

void RunsWindow::setCanUndo(bool can) {
    canUndo_ = can;
    updateButtons();
}

qint64 RunsWindow::current() const {
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->data(IdRole).toLongLong() : 0;
}

void RunsWindow::setCurrent(qint64 id) {
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->data(IdRole).toLongLong() == id) list_->setCurrentRow(i);
}

void RunsWindow::itemChanged(QListWidgetItem* item) {
    if (filling_) return;
    // Read first: what the first signal leads to may change the list.
    const qint64 id = item->data(IdRole).toLongLong();
    if (!id) return; // the history's heading
    const bool shown = item->checkState() == Qt::Checked;
    const QString name = item->text();
    // The text shows the stored name made visible: only an edit of it renames.
    const bool edited = name != shownName(item->data(NameRole).toString());
    emit shownChanged(id, shown);
    if (edited) emit renamed(id, name);
}

void RunsWindow::updateButtons() {
    const bool chosen = current() != 0;
    for (QPushButton* b : {makeCurrent_, copy_, save_, delete_})
        b->setEnabled(chosen);
    undo_->setEnabled(canUndo_);
}

bool RunsWindow::eventFilter(QObject* watched, QEvent* event) {
    // While a name is edited the keys go to its editor, not to the list.
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && current()) {
            emit deleteRequested(current());
            return true;
        }
        if (key->matches(QKeySequence::Undo) && canUndo_) {
            emit undoRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
