#include "dialogs/BigDisplay.h"

#include "Palette.h"
#include "SamplePipeline.h"
#include "widgets/ScreenFit.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>
#include <cmath>

using namespace kurvimat::acquisition;
using namespace kurvimat::display;

namespace {

QColor paletteColour(std::uint8_t index) {
    return QColor(Palette::red(index), Palette::green(index), Palette::blue(index));
}

// The channels' colours of the plot on white; on black the same hues lightened so that a
// projector shows them bright.
// The buttons go dim in the dark, not white.
struct Theme {
    QColor background, name, a, b, button, buttonText;
};
const Theme Light{Qt::white,
                  QColor(96, 96, 96),
                  paletteColour(PaletteIndex::ChannelA),
                  paletteColour(PaletteIndex::ChannelB),
                  QColor(239, 239, 239),
                  Qt::black};
const Theme Dark{
    Qt::black,          QColor(176, 176, 176), QColor(120, 170, 255), QColor(255, 120, 120),
    QColor(48, 48, 48), QColor(176, 176, 176)};

const QString NoValue = QStringLiteral("\u2013");

// Sizes are fitted to the widest of the value shown and a typical readout ("-12,34"), so that
// the digits keep their size while the value changes.
QString typicalValue() {
    return QStringLiteral("-12") + QLocale().decimalPoint() + QStringLiteral("34");
}

QFont sized(QFont font, qreal pixels) {
    font.setPixelSize(std::max(1, int(std::floor(pixels))));
    return font;
}

} // namespace

BigDisplay::BigDisplay(QWidget* parent)
    : QWidget(parent), channels_{makeChannel('A'), makeChannel('B')},
      darkButton_(new QPushButton(tr("Dunkel"), this)),
      fullButton_(new QPushButton(tr("Vollbild"), this)) {
    setWindowTitle(tr("Großanzeige"));
    setObjectName(QStringLiteral("FormGrossanzeige"));
    setAutoFillBackground(true);

    darkButton_->setObjectName(QStringLiteral("ButtonDunkel"));
    darkButton_->setCheckable(true);
    darkButton_->setToolTip(tr("Helle Ziffern auf Schwarz, für den abgedunkelten "
                               "Raum (Strg+D)."));
    fullButton_->setObjectName(QStringLiteral("ButtonVollbild"));
    fullButton_->setToolTip(tr("Füllt den ganzen Bildschirm (F11); Esc kehrt "
                               "zurück."));
    for (QPushButton* button : {darkButton_, fullButton_}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(darkButton_, &QPushButton::toggled, this, &BigDisplay::setDark);
    connect(fullButton_, &QPushButton::clicked, this, &BigDisplay::toggleFullScreen);
    auto* dark = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    connect(dark, &QShortcut::activated, darkButton_, &QPushButton::toggle);
    auto* full = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(full, &QShortcut::activated, this, &BigDisplay::toggleFullScreen);
    auto* leave = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(leave, &QShortcut::activated, this, [this] {
        if (isFullScreen()) toggleFullScreen();
    });

    paint();
    ResizeWithinScreen(this, {800, 500});
}

BigDisplay::Channel BigDisplay::makeChannel(char channel) {
    const QString ch(QChar::fromLatin1(channel));
    Channel c{new QLabel(this), new QLabel(NoValue, this), new QLabel(this)};
    c.name->setObjectName(QStringLiteral("LabelGrossName") + ch);
    c.value->setObjectName(QStringLiteral("LabelGrossWert") + ch);
    c.unit->setObjectName(QStringLiteral("LabelGrossEinheit") + ch);
    c.name->setText(tr("Kanal %1").arg(ch));
    c.value->setAlignment(Qt::AlignRight | Qt::AlignTop);
    c.unit->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = c.value->font();
    bold.setBold(true);
    c.value->setFont(bold);
    return c;
}

void BigDisplay::setReadouts(const Readouts& readouts) {
    if (!readouts.refreshed) return;
    setValue(channels_[0], readouts.a.value);
    setValue(channels_[1], readouts.b.value);
    place();
}

// The readout is the value, a blank and the unit ("2,5 V", "21,3 °C"), or the raw value alone
// while no definition is applied.
void BigDisplay::setValue(Channel& channel, const QString& readout) {
    const qsizetype blank = readout.indexOf(u' ');
    channel.value->setText(blank < 0 ? readout : readout.first(blank));
    channel.unit->setText(blank < 0 ? QString() : readout.sliced(blank + 1));
}

void BigDisplay::setNames(const QString& nameA, const QString& nameB) {
    channels_[0].name->setText(nameA.isEmpty() ? tr("Kanal A") : nameA);
    channels_[1].name->setText(nameB.isEmpty() ? tr("Kanal B") : nameB);
    place();
}

void BigDisplay::setDark(bool dark) {
    dark_ = dark;
    if (darkButton_->isChecked() != dark) darkButton_->setChecked(dark);
    paint();
}

void BigDisplay::toggleFullScreen() {
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

void BigDisplay::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        fullButton_->setText(isFullScreen() ? tr("Fenster") : tr("Vollbild"));
}

void BigDisplay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

void BigDisplay::paint() {
    const Theme& theme = dark_ ? Dark : Light;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, theme.background);
    pal.setColor(QPalette::Button, theme.button);
    pal.setColor(QPalette::ButtonText, theme.buttonText);
    setPalette(pal);
    for (int i = 0; i < 2; ++i) {
        const QColor colour = i == 0 ? theme.a : theme.b;
        for (QLabel* label : {channels_[i].name, channels_[i].value, channels_[i].unit}) {
            QPalette p = label->palette();
            p.setColor(QPalette::WindowText, label == channels_[i].name ? theme.name : colour);
            label->setPalette(p);
        }
    }
}

// Each channel gets half the height below the buttons: its name in a line of a tenth of that,
// below it value and unit (at half the value's size) on one baseline, as large as both fit.
// Both channels share one size, so that equal digits look equal.
void BigDisplay::place() {
    const int buttonHeight =
        std::max(darkButton_->sizeHint().height(), fullButton_->sizeHint().height());
    const int margin = std::max(6, width() / 50);
    int x = width() - margin;
    for (QPushButton* button : {fullButton_, darkButton_}) {
        const int w = button->sizeHint().width();
        x -= w;
        button->setGeometry(x, margin / 2, w, buttonHeight);
        x -= margin / 2;
    }

    const QRectF area(margin, margin / 2 + buttonHeight, width() - 2 * margin,
                      height() - buttonHeight - margin);
    const qreal band = area.height() / 2;
    const qreal namePixels = std::clamp(band * 0.1, 12.0, 48.0);
    const qreal nameHeight = QFontMetricsF(sized(channels_[0].name->font(), namePixels)).height();

    // Size from a reference size: text widths and heights scale with the pixel size.
    constexpr qreal reference = 100;
    const QFont valueFont = channels_[0].value->font();
    const QFont unitFont = channels_[0].unit->font();
    const QFontMetricsF valueRef(sized(valueFont, reference));
    const QFontMetricsF unitRef(sized(unitFont, reference / 2));
    qreal pixels = (band - nameHeight) / valueRef.height() * reference;
    for (const Channel& c : channels_) {
        const qreal valueWidth = std::max(valueRef.horizontalAdvance(c.value->text()),
                                          valueRef.horizontalAdvance(typicalValue()));
        const qreal unitWidth = c.unit->text().isEmpty()
                                    ? 0
                                    : unitRef.horizontalAdvance(c.unit->text()) + reference / 5;
        pixels = std::min(pixels, area.width() / (valueWidth + unitWidth) * reference);
    }

    for (int i = 0; i < 2; ++i) {
        Channel& c = channels_[i];
        const qreal top = area.top() + i * band;
        c.name->setFont(sized(c.name->font(), namePixels));
        c.name->setGeometry(QRectF(area.left(), top, area.width(), nameHeight).toRect());

        c.value->setFont(sized(valueFont, pixels));
        c.unit->setFont(sized(unitFont, pixels / 2));
        const QFontMetricsF vm(c.value->font()), um(c.unit->font());
        const qreal valueWidth =
            std::max(vm.horizontalAdvance(c.value->text()), vm.horizontalAdvance(typicalValue()));
        const qreal gap = c.unit->text().isEmpty() ? 0 : pixels / 5;
        const qreal unitWidth = c.unit->text().isEmpty() ? 0 : um.horizontalAdvance(c.unit->text());
        // Value right-aligned in its box, so that the digits stand still; the group centred.
        const qreal left = area.left() + (area.width() - valueWidth - gap - unitWidth) / 2;
        const qreal valueTop = top + nameHeight + (band - nameHeight - vm.height()) / 2;
        c.value->setGeometry(QRectF(left, valueTop, valueWidth + 2, vm.height()).toAlignedRect());
        const qreal baseline = valueTop + vm.ascent();
        c.unit->setGeometry(
            QRectF(left + valueWidth + gap, baseline - um.ascent(), unitWidth + 2, um.height())
                .toAlignedRect());
    }
}
