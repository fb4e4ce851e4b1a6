#include "tables/TableWindow.h"

#include "tables/PointTableModel.h"
#include "widgets/ScreenFit.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {
// A column is at most this wide for its header's sake.
constexpr int MaxColumnWidth = 280;

// Row numbers as wide as the largest a point set has: Qt's header would measure the numbers of
// a few hundred rows again whenever rows are added.
class RowNumbers : public QHeaderView {
public:
    explicit RowNumbers(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}
    QSize sizeHint() const override {
        const int digits = std::max(5, int(QString::number(count()).size()));
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.text = QString(digits, u'0');
        const QSize text(fontMetrics().horizontalAdvance(option.text), fontMetrics().height());
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, text, this);
    }
};
} // namespace

TableWindow::TableWindow(QWidget* parent)
    : QWidget(parent), model_(new PointTableModel(this)), choices_(new QComboBox(this)),
      count_(new QLabel(this)), view_(new QTableView(this)) {
    setWindowTitle(tr("Tabelle"));
    setObjectName(QStringLiteral("FormTabelle"));

    choices_->setObjectName(QStringLiteral("ComboBoxTabelle"));
    choices_->addItem(tr("aktuelle Daten"), CurrentData);
    choices_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    choices_->setToolTip(tr("Welche Punkte die Tabelle zeigt: die aktuellen Daten "
                            "oder eine aufbewahrte Messreihe."));
    auto* label = new QLabel(tr("&Punkte:"), this);
    label->setBuddy(choices_);
    count_->setObjectName(QStringLiteral("LabelTabellePunkte"));

    view_->setVerticalHeader(new RowNumbers(view_));
    view_->setObjectName(QStringLiteral("TableViewPunkte"));
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setAlternatingRowColors(false);
    view_->setWordWrap(false);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    view_->setToolTip(tr("Zeilen zwischen den Zeitcursorn sind hervorgehoben. "
                         "Markierte Zeilen kopiert Strg+C für die "
                         "Tabellenkalkulation."));
    // Fixed row heights: measuring rows would visit all of them whenever rows are added.
    QHeaderView* rows = view_->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    QHeaderView* columns = view_->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setStretchLastSection(true);
    columns->setDefaultSectionSize(numberWidth());

    auto* copy = new QAction(tr("&Kopieren"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &TableWindow::copySelection);
    auto* all = new QAction(tr("&Alles markieren"), this);
    all->setShortcut(QKeySequence::SelectAll);
    all->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(all, &QAction::triggered, view_, &QTableView::selectAll);
    addAction(copy);
    addAction(all);
    // The view would copy its current cell alone on Ctrl+C.
    view_->installEventFilter(this);
    connect(view_, &QWidget::customContextMenuRequested, this, &TableWindow::showContextMenu);

    connect(choices_, &QComboBox::activated, this,
            [this] { emit choiceChanged(choices_->currentData().toLongLong()); });
    connect(model_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* bar = view_->verticalScrollBar();
        atEnd_ = bar->value() == bar->maximum();
    });
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first) { followGrowth(first); });
    connect(model_, &QAbstractItemModel::modelReset, this, &TableWindow::showCount);
    connect(model_, &QAbstractItemModel::headerDataChanged, this, &TableWindow::fitColumns);

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(choices_);
    top->addStretch(1);
    top->addWidget(count_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    showCount();
    fitColumns();
    ResizeWithinScreen(this, {MaxColumnWidth * 2 + numberWidth() + 90, 560});
}

int TableWindow::numberWidth() const {
    return view_->fontMetrics().horizontalAdvance(QStringLiteral("-0,00000000E-00")) + 12;
}

// Wide enough for a number, and for the header's definition up to a limit; a longer definition
// is whole in the header's tooltip.
void TableWindow::fitColumns() {
    QHeaderView* columns = view_->horizontalHeader();
    for (int column = 0; column < model_->columnCount(); ++column)
        columns->resizeSection(
            column, std::clamp(columns->sectionSizeHint(column), numberWidth(), MaxColumnWidth));
}

void TableWindow::setRuns(const QList<RunChoice>& runs) {
    const qint64 chosen = choice();
    bool kept = chosen == CurrentData;
    choices_->blockSignals(true);
    while (choices_->count() > 1)
        choices_->removeItem(1);
    for (const RunChoice& run : runs) {
        choices_->addItem(run.name, run.id);
        if (run.id == chosen) {
            choices_->setCurrentIndex(choices_->count() - 1);
            kept = true;
        }
    }
    if (!kept) choices_->setCurrentIndex(0);
    choices_->blockSignals(false);
    if (!kept) emit choiceChanged(CurrentData);
}

qint64 TableWindow::choice() const {
    return choices_->currentData().toLongLong();
}

QString TableWindow::copySelection() {
    std::vector<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty()) return {};
    std::sort(rows.begin(), rows.end());
    const QString text = model_->measurementText(rows);
    QGuiApplication::clipboard()->setText(text);
    return text;
}

bool TableWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (watched != view_ || !key || !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) copySelection();
    event->accept();
    return true;
}

void TableWindow::showCount() {
    const int n = model_->rowCount();
    count_->setText(n == 1 ? tr("1 Punkt") : QLocale().toString(n) + tr(" Punkte"));
}

// A view that showed the last row keeps showing it as the recording grows, like a log; one
// scrolled back stays where it is.
void TableWindow::followGrowth(int) {
    showCount();
    if (atEnd_) view_->scrollToBottom();
}

void TableWindow::fillContextMenu(QMenu& menu) const {
    for (QAction* action : actions())
        menu.addAction(action);
    if (!menuExtras_.isEmpty()) menu.addSeparator();
    for (QAction* action : menuExtras_)
        menu.addAction(action);
}

void TableWindow::showContextMenu(const QPoint& position) {
    QMenu menu(this);
    fillContextMenu(menu);
    menu.exec(view_->viewport()->mapToGlobal(position));
}
