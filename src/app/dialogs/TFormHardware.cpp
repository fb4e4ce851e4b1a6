#include "dialogs/TFormHardware.h"

#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>

using namespace kurvimat::acquisition;

namespace {

const QColor Blue(0, 0, 248);
const QColor Red(248, 0, 0);

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, const QColor& colour = {},
                  bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    if (colour.isValid()) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, colour);
        label->setPalette(pal);
    }
    label->adjustSize();
    return label;
}

} // namespace

QPixmap InputsPicture() {
    // A six-pin connector seen from the front; pins top to bottom: +5 V, input A, ground,
    // +5 V, input B, ground, as the legends beside the picture say.
    QPixmap picture(204, 150);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(60, 60, 60));
    p.drawRoundedRect(QRect(20, 8, 90, 134), 8, 8);
    const QColor pins[] = {QColor(200, 0, 0), Blue, Qt::black, QColor(200, 0, 0), Red, Qt::black};
    for (int i = 0; i < 6; ++i) {
        const int y = 20 + i * 21;
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(230, 200, 90));
        p.drawEllipse(QPoint(65, y), 7, 7);
        p.setPen(QPen(pins[i], 3));
        p.drawLine(72, y, 200, y);
    }
    return picture;
}

TFormHardware::TFormHardware(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("Hardwareeinstellungen"));
    // An open settings window must not keep the program running once the main window closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(479, 316);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);

    auto* connector = new QLabel(this);
    connector->setGeometry(0, 0, 204, 150);
    connector->setPixmap(InputsPicture());

    const QString supply = tr("Spannungsversorgung +5 V vom USB-Port");
    const QString ground = tr("Masse (0 V)");
    // The connector's pins beside the picture, top to bottom.
    MakeLabel(this, supply, 210, 13);
    MakeLabel(this, tr("Eingang Kanal A"), 210, 34, Blue, true);
    MakeLabel(this, ground, 210, 55);
    MakeLabel(this, supply, 210, 76);
    MakeLabel(this, tr("Eingang Kanal B"), 210, 97, Red, true);
    MakeLabel(this, ground, 210, 118);

    CheckBoxAdiff = new QCheckBox(tr("Kanal A misst die Differenz zu Eingang B"), this);
    CheckBoxAdiff->move(8, 156);
    CheckBoxBoff = new QCheckBox(tr("Kanal B aus ( A: doppelte Freq.)"), this);
    CheckBoxBoff->move(260, 156);

    GroupBoxA = new QGroupBox(tr("Empfindlichkeit Kanal A "), this);
    GroupBoxA->setGeometry(8, 178, 284, 80);
    RadioButtonAlow = new QRadioButton(tr("niedrig: 0 ...5 V (Standard)"), GroupBoxA);
    RadioButtonAmid = new QRadioButton(tr("mittel: 0 ... 2,56 V"), GroupBoxA);
    RadioButtonAhigh = new QRadioButton(tr("hoch: 0 ...1,1 V"), GroupBoxA);
    RadioButtonAlow->move(8, 18);
    RadioButtonAmid->move(8, 36);
    RadioButtonAhigh->move(8, 54);
    RadioButtonAlow->setChecked(true);
    // The ranges of a differential measurement, beside the three choices.
    MakeLabel(GroupBoxA, tr(" bei Differenzmessung: "), 158, 2);
    MakeLabel(GroupBoxA, tr(" +/- 2,56 V"), 178, 20);
    MakeLabel(GroupBoxA, tr(" +/- 128 mV"), 178, 38);
    MakeLabel(GroupBoxA, tr(" +/- 55 mV"), 178, 56);

    GroupBoxB = new QGroupBox(tr("Empfindlichkeit Kanal B "), this);
    GroupBoxB->setGeometry(298, 178, 173, 80);
    RadioButtonBlow = new QRadioButton(tr("niedrig: 0 ...5 V (Standard)"), GroupBoxB);
    RadioButtonBmid = new QRadioButton(tr("mittel: 0 ... 2,56 V"), GroupBoxB);
    RadioButtonBhigh = new QRadioButton(tr("hoch: 0 ...1,1 V"), GroupBoxB);
    RadioButtonBlow->move(8, 18);
    RadioButtonBmid->move(8, 36);
    RadioButtonBhigh->move(8, 54);
    RadioButtonBlow->setChecked(true);

    CheckBoxPullUpA = new QCheckBox(tr("Pull-Up-Widerstand (ca. 20 - 50 kOhm) einschalten"), this);
    CheckBoxPullUpA->move(8, 266);
    CheckBoxPullUpB = new QCheckBox(tr("Pull-Up-Widerstand einschalten"), this);
    CheckBoxPullUpB->move(8, 288);

    // One handler for all ten setting controls. Radio buttons report their click, not each
    // toggle, so one choice in a group configures the instrument once.
    for (QCheckBox* box : {CheckBoxAdiff, CheckBoxBoff, CheckBoxPullUpA, CheckBoxPullUpB})
        connect(box, &QCheckBox::clicked, this, &TFormHardware::CheckBoxAdiffClick);
    for (QRadioButton* radio : {RadioButtonAlow, RadioButtonAmid, RadioButtonAhigh, RadioButtonBlow,
                                RadioButtonBmid, RadioButtonBhigh})
        connect(radio, &QRadioButton::clicked, this, &TFormHardware::CheckBoxAdiffClick);
}

HardwareChoice TFormHardware::Choice() const {
    HardwareChoice c;
    c.ADiff = CheckBoxAdiff->isChecked();
    c.BOff = CheckBoxBoff->isChecked();
    c.PullUpA = CheckBoxPullUpA->isChecked();
    c.PullUpB = CheckBoxPullUpB->isChecked();
    c.A = RadioButtonAhigh->isChecked()  ? InputRange::High
          : RadioButtonAmid->isChecked() ? InputRange::Mid
                                         : InputRange::Low;
    c.B = RadioButtonBhigh->isChecked()  ? InputRange::High
          : RadioButtonBmid->isChecked() ? InputRange::Mid
                                         : InputRange::Low;
    return c;
}

void TFormHardware::ShowChoice(const HardwareChoice& c) {
    // setChecked sends no click: nothing is configured from here.
    CheckBoxAdiff->setChecked(c.ADiff);
    CheckBoxBoff->setChecked(c.BOff);
    CheckBoxPullUpA->setChecked(c.PullUpA);
    CheckBoxPullUpB->setChecked(c.PullUpB);
    const auto range = [](InputRange r, QRadioButton* low, QRadioButton* mid, QRadioButton* high) {
        (r == InputRange::High ? high : r == InputRange::Mid ? mid : low)->setChecked(true);
    };
    range(c.A, RadioButtonAlow, RadioButtonAmid, RadioButtonAhigh);
    range(c.B, RadioButtonBlow, RadioButtonBmid, RadioButtonBhigh);
}

void TFormHardware::CheckBoxAdiffClick() {
    if (OnSettingsChanged) OnSettingsChanged();
}
