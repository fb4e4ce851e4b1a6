#include "dialogs/ValuesDialog.h"

#include "MeasurementText.h"
#include "TableNumbers.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using kurvimat::exchange::FormatAsRead;
using kurvimat::exchange::ReadTableNumber;
using kurvimat::signals::ColumnOrigin;
using kurvimat::signals::QuantityColumn;

namespace {

// The grid's first rows name the columns; the values follow.
constexpr int NameRow = 0, UnitRow = 1, FirstValueRow = 2;
constexpr int StartRows = 5;

bool blank(const QString& cell) {
    return cell.trimmed().isEmpty();
}

bool badName(const QString& text) {
    return text.contains(u':') || std::any_of(text.begin(), text.end(), [](QChar c) {
               return c.category() == QChar::Other_Control;
           });
}

// "l in m"; a name alone without a unit. Split again at the last " in ", so an edit shows
// what was typed.
QString headerOf(const QString& name, const QString& unit) {
    return unit.isEmpty() ? name : name + QStringLiteral(" in ") + unit;
}

std::pair<QString, QString> partsOf(const QString& header) {
    const qsizetype in = header.lastIndexOf(QStringLiteral(" in "));
    if (in <= 0) return {header, QString()};
    return {header.first(in), header.sliced(in + 4)};
}

} // namespace

ValueTable ReadValueCells(const ValueCells& cells, QChar decimalMark) {
    ValueTable out;
    const auto fail = [&out](int row, int column, const QString& text) {
        out.columns.clear();
        out.fault = text;
        out.faultRow = row;
        out.faultColumn = column;
        return out;
    };
    const int columns = int(cells.names.size());
    if (columns == 0) return fail(-1, 0, ValuesDialog::tr("Die Tabelle hat keine Spalte."));
    for (int c = 0; c < columns; ++c) {
        const QString name = cells.names[c].trimmed();
        const QString unit = c < cells.units.size() ? cells.units[c].trimmed() : QString();
        if (name.isEmpty())
            return fail(-1, c, ValuesDialog::tr("Spalte %1 braucht einen Namen.").arg(c + 1));
        if (badName(name))
            return fail(-1, c,
                        ValuesDialog::tr("Der Name „%1“ darf keinen Doppelpunkt "
                                         "enthalten.")
                            .arg(name));
        if (badName(unit))
            return fail(-2, c,
                        ValuesDialog::tr("Die Einheit „%1“ darf keinen Doppelpunkt "
                                         "enthalten.")
                            .arg(unit));
        for (int d = 0; d < c; ++d)
            if (cells.names[d].trimmed() == name)
                return fail(-1, c, ValuesDialog::tr("Der Name „%1“ steht zweimal.").arg(name));
        QuantityColumn column = QuantityColumn::named(headerOf(name, unit), ColumnOrigin::Entered);
        // The header's own reading splits "T (Periode) in s" otherwise.
        column.name = name;
        column.unit = unit;
        out.columns.push_back(std::move(column));
    }
    for (std::size_t r = 0; r < cells.rows.size(); ++r) {
        const QStringList& row = cells.rows[r];
        const auto cell = [&row](int c) { return c < row.size() ? row[c] : QString(); };
        bool any = false;
        for (int c = 0; c < columns; ++c)
            any = any || !blank(cell(c));
        if (!any) continue;
        for (int c = 0; c < columns; ++c) {
            const QString text = cell(c).trimmed();
            std::optional<double> value;
            if (!text.isEmpty()) {
                value = ReadTableNumber(text, decimalMark);
                if (!value)
                    return fail(int(r), c,
                                ValuesDialog::tr("Zeile %1, Spalte „%2“: „%3“ ist "
                                                 "keine Zahl.")
                                    .arg(r + 1)
                                    .arg(cells.names[c].trimmed(), text));
            } else if (c < 2) {
                return fail(int(r), c,
                            ValuesDialog::tr("Zeile %1: In der Spalte „%2“ fehlt "
                                             "ein Wert.")
                                .arg(r + 1)
                                .arg(cells.names[c].trimmed()));
            }
            out.columns[std::size_t(c)].values.push_back(value.value_or(std::nan("")));
        }
    }
    if (out.columns[0].values.empty())
        return fail(0, 0, ValuesDialog::tr("Die Tabelle enthält keine Werte."));
    if (out.columns[0].values.size() > std::size_t(MaxValueRows))
        return fail(MaxValueRows, 0,
                    ValuesDialog::tr("Mehr als %1 Zeilen mit Werten "
                                     "nimmt die Tabelle nicht.")
                        .arg(MaxValueRows));
    return out;
}

ValuesDialog::ValuesDialog(const std::vector<QuantityColumn>& columns, QChar decimalMark,
                           QWidget* parent)
    : QDialog(parent), decimalMark_(decimalMark) {
    setWindowTitle(columns.empty() ? tr("Neue Wertetabelle") : tr("Werte bearbeiten"));
    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("TabelleWerte"));
    grid_->horizontalHeader()->hide();
    grid_->setTabKeyNavigation(true);
    grid_->installEventFilter(this);
    grid_->setToolTip(tr("Oben Name und Einheit jeder Spalte, darunter die Werte; Einfügen "
                         "(Strg+V) füllt ab der gewählten Zelle"));
    auto* intro = new QLabel(tr("Die erste Spalte wird Kanal A (x), die zweite Kanal B (y); die "
                                "Zeilennummer ist die Zeit."),
                             this);
    intro->setWordWrap(true);
    addColumn_ = new QPushButton(tr("Spalte &hinzufügen"), this);
    addColumn_->setObjectName(QStringLiteral("ButtonSpalteHinzufuegen"));
    removeColumn_ = new QPushButton(tr("Spalte ent&fernen"), this);
    removeColumn_->setObjectName(QStringLiteral("ButtonSpalteEntfernen"));
    removeRow_ = new QPushButton(tr("&Zeile entfernen"), this);
    removeRow_->setObjectName(QStringLiteral("ButtonZeileEntfernen"));
    fault_ = new QLabel(this);
    fault_->setObjectName(QStringLiteral("LabelFehler"));
    fault_->setWordWrap(true);
    QPalette red = fault_->palette();
    red.setColor(QPalette::WindowText, QColor(248, 0, 0));
    fault_->setPalette(red);
    auto* box = new QDialogButtonBox(this);
    // Return belongs to the cells; Ctrl+Return or Alt+Ü takes the table.
    QPushButton* ok = box->addButton(tr("&Übernehmen"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ButtonUebernehmen"));
    ok->setAutoDefault(false);
    box->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole)->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {addColumn_, removeColumn_, removeRow_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto* all = new QVBoxLayout(this);
    all->addWidget(intro);
    all->addWidget(grid_, 1);
    all->addLayout(buttons);
    all->addWidget(fault_);
    all->addWidget(box);

    connect(addColumn_, &QPushButton::clicked, this, [this] {
        setColumnCount(grid_->columnCount() + 1);
        grid_->setCurrentCell(NameRow, grid_->columnCount() - 1);
        grid_->setFocus();
    });
    connect(removeColumn_, &QPushButton::clicked, this, [this] {
        const int c = grid_->currentColumn();
        if (grid_->columnCount() > 1 && c >= 0) grid_->removeColumn(c);
        setColumnCount(grid_->columnCount());
    });
    connect(removeRow_, &QPushButton::clicked, this, [this] {
        const int r = grid_->currentRow();
        if (r >= FirstValueRow) grid_->removeRow(r);
        ensureRows(1);
        labelRows();
    });
    // Typing in the last row brings the next one.
    connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->row() == grid_->rowCount() - 1 && !blank(item->text()))
            ensureRows(grid_->rowCount() - FirstValueRow + 1);
    });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this), &QShortcut::activated,
            this, &ValuesDialog::accept);
    connect(box, &QDialogButtonBox::accepted, this, &ValuesDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &ValuesDialog::reject);

    std::vector<QuantityColumn> shown = columns;
    if (shown.empty())
        shown = {QuantityColumn::named(QStringLiteral("x")),
                 QuantityColumn::named(QStringLiteral("y"))};
    shown.resize(std::min(shown.size(), std::size_t(MaxValueColumns)));
    grid_->setColumnCount(int(shown.size()));
    std::size_t rows = 0;
    for (const QuantityColumn& c : shown)
        rows = std::max(rows, c.values.size());
    ensureRows(int(std::min<std::size_t>(rows, MaxValueRows)) + 1);
    {
        const QSignalBlocker quiet(grid_);
        for (int c = 0; c < int(shown.size()); ++c) {
            const QuantityColumn& column = shown[std::size_t(c)];
            const auto [name, unit] = partsOf(column.header);
            grid_->setItem(NameRow, c, new QTableWidgetItem(name));
            grid_->setItem(UnitRow, c, new QTableWidgetItem(unit));
            for (std::size_t r = 0; r < column.values.size() && r < std::size_t(MaxValueRows); ++r)
                if (!std::isnan(column.values[r]))
                    grid_->setItem(FirstValueRow + int(r), c,
                                   new QTableWidgetItem(FormatAsRead(column.values[r])));
        }
    }
    setColumnCount(grid_->columnCount());
    grid_->setCurrentCell(columns.empty() ? FirstValueRow : NameRow, 0);
    resize(520, 420);
}

void ValuesDialog::setColumnCount(int count) {
    count = std::clamp(count, 1, MaxValueColumns);
    grid_->setColumnCount(count);
    addColumn_->setEnabled(count < MaxValueColumns);
    removeColumn_->setEnabled(count > 1);
}

void ValuesDialog::ensureRows(int valueRows) {
    const int rows = FirstValueRow + std::clamp(std::max(valueRows, StartRows), 1, MaxValueRows);
    if (grid_->rowCount() < rows) {
        grid_->setRowCount(rows);
        labelRows();
    }
}

void ValuesDialog::labelRows() {
    QStringList labels{tr("Name"), tr("Einheit")};
    for (int r = FirstValueRow; r < grid_->rowCount(); ++r)
        labels << QString::number(r - FirstValueRow + 1);
    grid_->setVerticalHeaderLabels(labels);
}

ValueCells ValuesDialog::cells() const {
    ValueCells out;
    const auto text = [this](int r, int c) {
        const QTableWidgetItem* item = grid_->item(r, c);
        return item ? item->text() : QString();
    };
    for (int c = 0; c < grid_->columnCount(); ++c) {
        out.names << text(NameRow, c);
        out.units << text(UnitRow, c);
    }
    for (int r = FirstValueRow; r < grid_->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < grid_->columnCount(); ++c)
            row << text(r, c);
        out.rows.push_back(row);
    }
    return out;
}

void ValuesDialog::paste(const QString& text) {
    if (text.size() > MaxPastedChars) {
        fault_->setText(
            tr("Der eingefügte Text ist zu lang (höchstens %1 Zeichen).").arg(MaxPastedChars));
        return;
    }
    QStringList lines = text.split(u'\n');
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    const int row = std::max(grid_->currentRow(), 0);
    const int column = std::max(grid_->currentColumn(), 0);
    const int fit = std::min(int(lines.size()), FirstValueRow + MaxValueRows - row);
    if (fit <= 0) return;
    int widest = 0;
    for (int i = 0; i < fit; ++i)
        widest = std::max(widest, int(lines[i].count(u'\t')) + 1);
    setColumnCount(std::max(grid_->columnCount(), column + widest));
    ensureRows(row + fit - FirstValueRow + 1);
    for (int i = 0; i < fit; ++i) {
        const QStringList fields = lines[i].split(u'\t');
        for (int j = 0; j < fields.size() && column + j < grid_->columnCount(); ++j) {
            QString field = fields[j];
            if (field.endsWith(u'\r')) field.chop(1);
            grid_->setItem(row + i, column + j, new QTableWidgetItem(field.trimmed()));
        }
    }
    fault_->clear();
}

bool ValuesDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
            paste(QApplication::clipboard()->text());
            return true;
        }
        // Entf empties the chosen cells, as in a spreadsheet (an open editor takes its own keys).
        if (key->key() == Qt::Key_Delete) {
            for (QTableWidgetItem* item : grid_->selectedItems())
                item->setText(QString());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ValuesDialog::clearTints() {
    for (int r = 0; r < grid_->rowCount(); ++r)
        for (int c = 0; c < grid_->columnCount(); ++c)
            if (QTableWidgetItem* item = grid_->item(r, c)) item->setData(Qt::BackgroundRole, {});
}

void ValuesDialog::accept() {
    // A cell still being edited counts as typed: leaving it commits it.
    const QModelIndex at = grid_->currentIndex();
    grid_->setCurrentIndex({});
    grid_->setCurrentIndex(at);
    clearTints();
    ValueTable read = ReadValueCells(cells(), decimalMark_);
    if (read.fault.isEmpty()) {
        fault_->clear();
        taken_ = std::move(read.columns);
        QDialog::accept();
        return;
    }
    fault_->setText(read.fault);
    const int row = read.faultRow == -1   ? NameRow
                    : read.faultRow == -2 ? UnitRow
                                          : FirstValueRow + read.faultRow;
    if (row < grid_->rowCount()) {
        if (!grid_->item(row, read.faultColumn))
            grid_->setItem(row, read.faultColumn, new QTableWidgetItem);
        grid_->item(row, read.faultColumn)->setBackground(QColor(255, 200, 200));
        grid_->setCurrentCell(row, read.faultColumn);
    }
    grid_->setFocus();
}
