#include "plot/ReadoutBox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace kurvimat::analysis;
using kurvimat::display::CellText;

namespace {

// Opaque: the plot under it need not be painted when it changes there.
const QColor Background(255, 255, 255);
const QColor Frame(0xb0, 0xb0, 0xb0);
// Frame and padding between the box's edge and its text.
constexpr int Inset = 3;

// A channel's title ("A", "Schnappschuss B") in its colour, pale for the snapshot; nothing for
// other texts.
std::optional<QColor> channelColour(const QString& title) {
    const bool snapshot = title == QCoreApplication::translate("Readout", "Schnappschuss A") ||
                          title == QCoreApplication::translate("Readout", "Schnappschuss B");
    if (!snapshot && title.size() != 1) return std::nullopt;
    if (title.endsWith(u'A')) return snapshot ? QColor(0xa5, 0xa5, 0xf7) : QColor(0, 0, 0xf7);
    if (title.endsWith(u'B')) return snapshot ? QColor(0xf7, 0xa5, 0xa5) : QColor(0xf7, 0, 0);
    return std::nullopt;
}

QFont headerFont(QFont font) {
    font.setBold(true);
    return font;
}

} // namespace

ReadoutBox::ReadoutBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool ReadoutBox::sameRows(const ReadoutTable& a, const ReadoutTable& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].Label != b[i].Label || a[i].Header != b[i].Header ||
            a[i].CopyOnly != b[i].CopyOnly || a[i].Cells.size() != b[i].Cells.size())
            return false;
    return true;
}

void ReadoutBox::setTable(const ReadoutTable& readout) {
    std::vector<ShownRow> table;
    for (const ReadoutRow& row : readout) {
        if (row.CopyOnly) continue;
        ShownRow shown{row.Label, {}, row.Header};
        for (const ReadoutCell& cell : row.Cells)
            shown.Cells << CellText(cell);
        table.push_back(std::move(shown));
    }
    const auto same = [&] {
        if (table.size() != table_.size()) return false;
        for (std::size_t i = 0; i < table.size(); ++i)
            if (table[i].Label != table_[i].Label || table[i].Header != table_[i].Header ||
                table[i].Cells.size() != table_[i].Cells.size())
                return false;
        return true;
    };
    if (!same()) {
        table_ = std::move(table);
        layOut();
        return;
    }
    // The same rows: the cells that changed, in place, unless one needs a wider column.
    const QFontMetrics metrics(font()), bold(headerFont(font()));
    std::vector<std::pair<int, int>> changed;
    for (int r = 0; r < static_cast<int>(table.size()); ++r) {
        const ShownRow& row = table[static_cast<std::size_t>(r)];
        for (int c = 0; c < row.Cells.size(); ++c) {
            if (row.Cells[c] == table_[static_cast<std::size_t>(r)].Cells[c]) continue;
            const int width = (row.Header ? bold : metrics).horizontalAdvance(row.Cells[c]);
            if (width > columnWidth_[static_cast<std::size_t>(c + 1)]) {
                table_ = std::move(table);
                layOut();
                return;
            }
            changed.emplace_back(r, c + 1);
        }
    }
    table_ = std::move(table);
    if (changed.empty()) return;
    if (picture_.isNull()) { // not painted since its last layout
        update();
        return;
    }
    QPainter painter(&picture_);
    for (const auto& [r, c] : changed) {
        const QRect cell = cellRect(r, c);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(cell, Background);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        paintCell(painter, r, c);
        update(cell);
    }
}

void ReadoutBox::layOut() {
    const QFontMetrics metrics(font()), bold(headerFont(font()));
    gap_ = metrics.horizontalAdvance(QLatin1Char(' ')) * 3 / 2;
    rowHeight_ = std::max(metrics.height(), bold.height()) + 2;
    int columns = 1;
    for (const ShownRow& row : table_)
        columns = std::max(columns, 1 + static_cast<int>(row.Cells.size()));
    columnWidth_.assign(static_cast<std::size_t>(columns), 0);
    int lonely = 0; // rows of a label alone may span the whole table
    for (const ShownRow& row : table_) {
        const int label = metrics.horizontalAdvance(row.Label);
        if (row.Cells.isEmpty()) {
            lonely = std::max(lonely, label);
            continue;
        }
        columnWidth_[0] = std::max(
            columnWidth_[0],
            channelColour(row.Label) ? bold.horizontalAdvance(row.Label) : label);
        for (int c = 0; c < row.Cells.size(); ++c) {
            int& width = columnWidth_[static_cast<std::size_t>(c + 1)];
            width = std::max(width, (row.Header ? bold : metrics).horizontalAdvance(row.Cells[c]));
        }
    }
    columnLeft_.assign(static_cast<std::size_t>(columns), Inset);
    int right = Inset;
    for (std::size_t c = 0; c < columnWidth_.size(); ++c) {
        columnLeft_[c] = right + (c > 0 ? gap_ : 0);
        right = columnLeft_[c] + columnWidth_[c];
    }
    right = std::max(right, Inset + lonely);
    size_ = QSize(right + Inset, 2 * Inset + rowHeight_ * static_cast<int>(table_.size()));
    picture_ = QPixmap();
    resize(size_);
    update();
}

QSize ReadoutBox::sizeHint() const {
    return size_;
}

void ReadoutBox::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) layOut();
}

QRect ReadoutBox::cellRect(int row, int column) const {
    const std::size_t c = static_cast<std::size_t>(column);
    return {columnLeft_[c], Inset + row * rowHeight_, columnWidth_[c], rowHeight_};
}

void ReadoutBox::paintCell(QPainter& painter, int row, int column) const {
    const ShownRow& r = table_[static_cast<std::size_t>(row)];
    const QColor text = palette().color(QPalette::WindowText);
    if (column == 0) {
        // A row named after a channel (the spectrum's rows) in its colour.
        const std::optional<QColor> channel = channelColour(r.Label);
        painter.setFont(channel ? headerFont(font()) : font());
        painter.setPen(channel.value_or(text));
        // A label alone may run across the cells' columns.
        QRect place = cellRect(row, 0);
        if (r.Cells.isEmpty()) place.setRight(width() - Inset - 1);
        painter.drawText(place, Qt::AlignLeft | Qt::AlignVCenter, r.Label);
        return;
    }
    const QString& cell = r.Cells[column - 1];
    painter.setFont(r.Header ? headerFont(font()) : font());
    painter.setPen(r.Header ? channelColour(cell).value_or(text) : text);
    painter.drawText(cellRect(row, column), Qt::AlignRight | Qt::AlignVCenter, cell);
}

void ReadoutBox::paintBox(QPainter& painter) const {
    painter.fillRect(rect(), Background);
    painter.setPen(Frame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    for (std::size_t r = 0; r < table_.size(); ++r)
        for (int c = 0; c <= table_[r].Cells.size(); ++c)
            paintCell(painter, static_cast<int>(r), c);
}

void ReadoutBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The surface painted on: the window's backing store, or a picture of the plot.
    const QPaintEngine* engine = painter.paintEngine();
    const QPaintDevice* target = engine && engine->paintDevice() ? engine->paintDevice() : this;
    const qreal ratio = devicePixelRatioF();
    if (target->devicePixelRatioF() != ratio) {
        paintBox(painter);
        return;
    }
    const QSize pixels(static_cast<int>(std::ceil(width() * ratio)),
                       static_cast<int>(std::ceil(height() * ratio)));
    if (picture_.size() != pixels || picture_.devicePixelRatio() != ratio) {
        QPixmap picture(pixels);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        paintBox(p);
        p.end();
        picture_ = picture;
    }
    painter.drawPixmap(0, 0, picture_);
}
