// The controls of the main window, their captions, colours, fonts, start states and design
// places (a 1024 x 715 client area), and the anchoring that keeps them in place on resize.
#include "AxisPictures.h"
#include "MainPanels.h"
#include "PlotView.h"
#include "SignalDefinition.h"
#include "TComboBox.h"
#include "TFormMain.h"
#include "TPaintBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>
#include <vector>

using namespace kurvimat::display;
using namespace kurvimat::signals;

namespace {

const QColor Grey(128, 128, 128);
const QColor BlueA(0, 0, 247);
const QColor RedB(247, 0, 0);
const QColor GroupField(247, 247, 247);

constexpr int TopHeight = 180;
constexpr int LeftWidth = 283;
constexpr int BottomHeight = 63;
// The plot's size in the window description; start-up fits it to its panel.
constexpr int DesignPlotWidth = 794;
constexpr int DesignPlotHeight = 456;
// The bottom axis buttons: below the bottom axis's labels, which end 20 pixels above the
// plot's bottom edge, over the title's row, where the centred title leaves room.
constexpr int BottomImagesY = DesignPlotHeight - 17;
// How far the exchange and snapshot group moves left of its design place.
constexpr int ExchangeShift = 60;

void FillPanel(QWidget* panel, const QColor& colour = Qt::white) {
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, colour);
    panel->setPalette(pal);
}

QWidget* MakePanel(QWidget* parent, const QColor& colour = Qt::white) {
    auto* panel = new QWidget(parent);
    FillPanel(panel, colour);
    return panel;
}

void SetTextColour(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    pal.setColor(QPalette::ButtonText, colour);
    w->setPalette(pal);
}

void SetFont(QWidget* w, int pixels, bool bold) {
    QFont font = w->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    w->setFont(font);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y,
                  const QColor& colour = Qt::black, int pixels = 11, bool bold = false) {
    auto* label = new QLabel(text, parent);
    SetTextColour(label, colour);
    SetFont(label, pixels, bold);
    label->adjustSize();
    label->move(x, y);
    return label;
}

// A label whose text ends at x = right.
QLabel* MakeRightLabel(QWidget* parent, const QString& text, int right, int y, int width,
                       const QColor& colour, int pixels = 11, bool bold = false) {
    QLabel* label = MakeLabel(parent, text, 0, y, colour, pixels, bold);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->setGeometry(right - width, y, width, label->sizeHint().height());
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, int x, int y, int w, int h) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(x, y, w, h);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& text, int x, int y, int w) {
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(x, y, w, 21);
    return edit;
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& text, int x, int y, bool checked) {
    auto* box = new QCheckBox(text, parent);
    box->setChecked(checked);
    box->adjustSize();
    box->move(x, y);
    return box;
}

// A picture made at the screen's pixel ratio takes its logical size.
TImage* MakeImage(QWidget* parent, int x, int y, const QImage& picture) {
    auto* image = new TImage(parent);
    image->SetPicture(picture);
    image->setGeometry(QRect(QPoint(x, y), picture.deviceIndependentSize().toSize()));
    return image;
}

// Keeps labels as wide as their texts: a label's new text asks its panel for a new layout,
// a hidden label may have been given its text while hidden.
class FitLabelsToText : public QObject {
public:
    FitLabelsToText(QWidget* panel, std::initializer_list<QLabel*> labels)
        : QObject(panel), labels_(labels) {
        panel->installEventFilter(this);
        for (QLabel* label : labels_)
            label->installEventFilter(this);
        fit();
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show) fit();
        return false;
    }

private:
    void fit() {
        for (QLabel* label : labels_)
            if (label->size() != label->sizeHint()) label->resize(label->sizeHint());
    }
    std::vector<QLabel*> labels_;
};

// The trigger panel's and the exchange row's places in their panels.
constexpr QPoint TriggerPlace(283, 49);
constexpr int ExchangeX = 352 - ExchangeShift;

} // namespace

SignalGroupPanel::SignalGroupPanel(QWidget* parent, char channel, int top) : QWidget(parent) {
    const bool a = channel == 'A';
    const QColor colour = a ? BlueA : RedB;
    const QString ch = QString(QChar::fromLatin1(channel));
    FillPanel(this, GroupField);
    setGeometry(0, top, 251, 200);
    QWidget* g = this;

    MakeLabel(g, TFormMain::tr("Kanal %1").arg(ch), 7, 5);
    MakeLabel(g, QStringLiteral("D="), 88, 5, Grey);
    LabelRoh = MakeRightLabel(g, QStringLiteral("0"), 127, 5, 30, colour, 11, true);
    MakeLabel(g, QStringLiteral(", r="), 129, 5, Grey);
    LabelX = MakeLabel(g, QStringLiteral("0"), 148, 5, colour, 11, true);
    LabelX->setMinimumWidth(28);
    MakeLabel(g, a ? TFormMain::tr(", A=U=") : TFormMain::tr(", B=U="), 177, 5, Grey);
    LabelU = MakeRightLabel(g, QStringLiteral("0"), 233, 5, 26, colour, 11, true);
    MakeLabel(g, QStringLiteral("V"), 235, 5, Grey);
    LabelKal = MakeRightLabel(g, QStringLiteral("0"), 244, 18, 237, colour, 24, true);
    MakeLabel(g, TFormMain::tr("Signal %1").arg(ch), 7, 35, Grey);

    ComboBox = new TComboBox(true, g);
    ComboBox->setDuplicatesEnabled(true); // Enter then selects no entry by itself
    ComboBox->setMaxVisibleItems(30);
    ComboBox->setGeometry(7, 50, 238, 21);
    // The window description's list; start-up selects its first entry.
    QStringList items = BuiltInSignals();
    items[0] = TFormMain::tr("Spannung unkalibriert (V): U");
    ComboBox->addItems(items);
    ComboBox->SetText(a ? TFormMain::tr("Spannung unkalibriert (V): U")
                        : TFormMain::tr("Rohdaten: y"));

    MakeLabel(g, TFormMain::tr("Signalname"), 7, 75, Grey);
    MakeLabel(g, TFormMain::tr("Einheit"), 194, 75, Grey);
    EditSignal = MakeEdit(g, TFormMain::tr("Spannung"), 7, 90, 184);
    EditEinheit = MakeEdit(g, QStringLiteral("V"), 194, 90, 50);
    MakeLabel(g, TFormMain::tr("Berechnungsterm"), 7, 115, Grey);
    EditFormel = MakeEdit(g, QStringLiteral("U"), 7, 130, 238);
    MakeLabel(g, TFormMain::tr("anzeigen"), 7, 155, Grey);
    MakeLabel(g, TFormMain::tr("Skala min ... max"), 114, 155, Grey);
    MakeLabel(g, TFormMain::tr("auto"), 222, 155, Grey);
    CheckBoxKanal = MakeCheckBox(g, QString(), 22, 170, true);
    EditSkalaMin = MakeEdit(g, QStringLiteral("0"), 113, 170, 50);
    EditSkalaMax = MakeEdit(g, QStringLiteral("5"), 167, 170, 50);
    CheckBoxSkalaAuto = MakeCheckBox(g, QString(), 226, 170, true);

    const auto name = [&ch](QObject* o, const char* stem) {
        o->setObjectName(QString::fromLatin1(stem).replace(QLatin1Char('#'), ch));
    };
    name(this, "Group#");
    name(LabelRoh, "Label#roh");
    name(LabelX, "Label#x");
    name(LabelU, "LabelU#");
    name(LabelKal, "Label#kal");
    name(ComboBox, "ComboBox#");
    name(EditSignal, "EditSignal#");
    name(EditEinheit, "EditEinheit#");
    name(EditFormel, "EditFormel#");
    name(EditSkalaMin, "EditSkala#min");
    name(EditSkalaMax, "EditSkala#max");
    name(CheckBoxKanal, "CheckBoxKanal#");
    name(CheckBoxSkalaAuto, "CheckBoxSkala#auto");
}

// The controls at their places in the top panel, less the panel's offset: a panel of its
// own draws nothing, so the pixels stay the same.
TriggerPanel::TriggerPanel(QWidget* parent, MainControls& c) : QWidget(parent) {
    setObjectName(QStringLiteral("TriggerPanel"));
    // Up to the overview strip and the top panel's lower edge.
    setGeometry(QRect(TriggerPlace, QPoint(352, 179)));
    const QPoint o = TriggerPlace;
    c.ButtonTrigger = MakeButton(this, TFormMain::tr("Trigger"), 283 - o.x(), 49 - o.y(), 55, 23);
    c.ButtonTriggerChannel = MakeButton(this, QStringLiteral("A"), 283 - o.x(), 73 - o.y(), 27, 23);
    c.ButtonTriggerRichtung = MakeButton(this, QStringLiteral("+"), 311 - o.x(), 73 - o.y(), 27, 23);
    const auto radio = [this, o](const QString& text, int y) {
        auto* button = new QRadioButton(text, this);
        button->adjustSize();
        button->move(284 - o.x(), y - o.y());
        return button;
    };
    c.RadioButtonDauer = radio(TFormMain::tr("dauer"), 96);
    c.RadioButtonAuto = radio(TFormMain::tr("auto"), 111);
    c.RadioButtonNormal = radio(TFormMain::tr("normal"), 126);
    c.RadioButtonEinzel = radio(TFormMain::tr("einzel"), 141);
    c.RadioButtonAuto->setChecked(true);
    // One pixel higher than designed, so that the panel's lower edge does not cut it.
    c.ButtonReset = MakeButton(this, TFormMain::tr("Reset"), 283 - o.x(), 157 - o.y(), 55, 23);
    for (const auto& [w, name] : std::initializer_list<std::pair<QWidget*, const char*>>{
             {c.ButtonTrigger, "ButtonTrigger"},
             {c.ButtonTriggerChannel, "ButtonTriggerChannel"},
             {c.ButtonTriggerRichtung, "ButtonTriggerRichtung"},
             {c.RadioButtonDauer, "RadioButtonDauer"},
             {c.RadioButtonAuto, "RadioButtonAuto"},
             {c.RadioButtonNormal, "RadioButtonNormal"},
             {c.RadioButtonEinzel, "RadioButtonEinzel"},
             {c.ButtonReset, "ButtonReset"}})
        w->setObjectName(QString::fromLatin1(name));
}

ExchangeRow::ExchangeRow(QWidget* parent, int x, MainControls& c) : QWidget(parent) {
    setObjectName(QStringLiteral("ExchangeRow"));
    const int xs[] = {0, 133, 188, 243, 298};
    const int ws[] = {133, 55, 55, 55, 55};
    setGeometry(x, 10, xs[4] + ws[4], 48);
    const QString dataCaptions[] = {TFormMain::tr("Daten kopieren"), TFormMain::tr("speichern"),
                                    TFormMain::tr("laden"), TFormMain::tr("einfügen"),
                                    TFormMain::tr("löschen")};
    const QString snapCaptions[] = {TFormMain::tr("Schnappschuss kopieren"),
                                    TFormMain::tr("speichern"), TFormMain::tr("laden"),
                                    TFormMain::tr("einfügen"), TFormMain::tr("löschen")};
    const std::pair<QPushButton**, const char*> data[] = {
        {&c.ButtonDatenKopieren, "ButtonDatenKopieren"},
        {&c.ButtonDatenSpeichern, "ButtonDatenSpeichern"},
        {&c.ButtonDatenLaden, "ButtonDatenLaden"},
        {&c.ButtonDatenEinfuegen, "ButtonDatenEinfuegen"},
        {&c.ButtonDatenLoeschen, "ButtonDatenLoeschen"}};
    const std::pair<QPushButton**, const char*> snap[] = {{&c.ButtonSSkopieren, "ButtonSSkopieren"},
                                                          {&c.ButtonSSspeichern, "ButtonSSspeichern"},
                                                          {&c.ButtonSSladen, "ButtonSSladen"},
                                                          {&c.ButtonSSEinfuegen, "ButtonSSEinfuegen"},
                                                          {&c.ButtonSSLoeschen, "ButtonSSLoeschen"}};
    for (int i = 0; i < 5; ++i) {
        *data[i].first = MakeButton(this, dataCaptions[i], xs[i], 0, ws[i], 24);
        (*data[i].first)->setObjectName(QString::fromLatin1(data[i].second));
        *snap[i].first = MakeButton(this, snapCaptions[i], xs[i], 24, ws[i], 24);
        (*snap[i].first)->setObjectName(QString::fromLatin1(snap[i].second));
    }
}

PlotView::PlotView(QWidget* parent, PlotViewData& data, PlotHost& host)
    : QWidget(parent), data_(data), host_(host) {
    FillPanel(this);
    setObjectName(QStringLiteral("Panelmitte"));
    resize(DesignPlotWidth, DesignPlotHeight);
    PaintBoxData = new TPaintBox(this);
    PaintBoxData->setObjectName(QStringLiteral("PaintBoxData"));
    PaintBoxData->setGeometry(0, 0, DesignPlotWidth, DesignPlotHeight);
    QFont font = PaintBoxData->font();
    font.setPixelSize(11);
    PaintBoxData->setFont(font);

    const qreal ratio = devicePixelRatioF();
    // Of each pair one shows at a time; the display refresh keeps them in step.
    const struct {
        AxisImage which;
        int x, y;
        const char* name;
    } images[AxisImageCount] = {
        {AxisImage::LinksAuto, 1, 15, "ImageLinksAuto"},
        {AxisImage::LinksAutoOff, 1, 15, "ImageLinksAutoOff"},
        {AxisImage::LinksFull, 1, 55, "ImageLinksFull"},
        {AxisImage::LinksFullon, 1, 55, "ImagelinksFullon"},
        {AxisImage::RechtsAuto, 778, 15, "ImageRechtsauto"},
        {AxisImage::RechtsAutoOff, 778, 15, "ImageRechtsAutoOff"},
        {AxisImage::RechtsFull, 778, 55, "ImageRechtsFull"},
        {AxisImage::RechtsFullon, 778, 55, "ImageRechtsFullon"},
        // Below the bottom axis's labels (the design puts them on the labels' row, 423).
        {AxisImage::UntenAuto, 691, BottomImagesY, "ImageUntenAuto"},
        {AxisImage::UntenAutoOff, 691, BottomImagesY, "ImageUntenAutoOff"},
        {AxisImage::UntenFull, 651, BottomImagesY, "ImageUntenFull"},
        {AxisImage::UntenFullOn, 651, BottomImagesY, "ImageUntenFullOn"}};
    const DisplayState initial;
    for (int i = 0; i < AxisImageCount; ++i) {
        TImage* image =
            MakeImage(this, images[i].x, images[i].y, AxisPicture(images[i].which, ratio));
        image->setObjectName(QString::fromLatin1(images[i].name));
        image->setVisible(initial.ImageVisible[static_cast<std::size_t>(i)]);
        AxisImages[static_cast<std::size_t>(i)] = image;
    }

    // The analysis readout, shown over the plot while asked for; it grows to its eight lines
    // (ShowAnalysis) and never scrolls.
    MemoAnalysis = new QPlainTextEdit(this);
    MemoAnalysis->setObjectName(QStringLiteral("MemoAnalysis"));
    MemoAnalysis->setGeometry(144, 103, 241, 154);
    MemoAnalysis->setFrameShape(QFrame::NoFrame);
    MemoAnalysis->setReadOnly(true);
    MemoAnalysis->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoAnalysis->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoAnalysis->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont memoFont(QStringLiteral("Arial"));
    memoFont.setPixelSize(16);
    MemoAnalysis->setFont(memoFont);
    MemoAnalysis->hide();
}

void TFormMain::CreatePanels() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    central->resize(1024, 715);
    Paneloben = MakePanel(central);
    Panellinks = MakePanel(central);
    Panelunten = MakePanel(central);
    // In the order of the tab chain.
    CreateTopPanel();
    CreateSignalPanel();
    CreatePlotPanel();
    CreateBottomPanel();
    LayoutPanels();
    Paneloben->setObjectName(QStringLiteral("Paneloben"));
    Panellinks->setObjectName(QStringLiteral("Panellinks"));
    Panelunten->setObjectName(QStringLiteral("Panelunten"));
}

void TFormMain::LayoutPanels() {
    const QSize client = centralWidget()->size();
    const int w = client.width();
    const int h = client.height();
    const int middle = std::max(0, h - TopHeight - BottomHeight);
    Paneloben->setGeometry(0, 0, w, TopHeight);
    Panelunten->setGeometry(0, h - BottomHeight, w, BottomHeight);
    Panellinks->setGeometry(0, TopHeight, LeftWidth, middle);
    Panelmitte->setGeometry(LeftWidth, TopHeight, std::max(0, w - LeftWidth), middle);
}

void TFormMain::CreateTopPanel() {
    QWidget* p = Paneloben;
    LabelUeberschr = MakeLabel(p, QStringLiteral("Kurvimat"), 15, 4, Qt::black, 32, true);
    Label2 = MakeLabel(p, tr("USB-Speicheroszilloskop"), 160, 19, Qt::black, 16, true);
    LabelDataLoss = MakeLabel(p, tr("USB-Datenverlust!"), 167, 9, Qt::red, 27, true);
    LabelDataLoss->hide();

    PaintBoxRoh = new TPaintBox(p);
    PaintBoxRoh->setGeometry(16, 50, 251, 130);

    new TriggerPanel(p, *this);

    PaintBoxMittel = new TPaintBox(p);
    PaintBoxMittel->setGeometry(353, 50, 724, 130);

    LabelSamplingrate = MakeLabel(p, tr("Messintervall"), 655, 7, Grey);
    ComboBoxSamplingRate = new TComboBox(false, p);
    ComboBoxSamplingRate->addItems(
        {tr("2 ms (500 Hz) (8-Bit)"), QStringLiteral("3 ms (333 Hz)"),
         QStringLiteral("4 ms (250 Hz)"), QStringLiteral("5 ms (200 Hz)"),
         QStringLiteral("10 ms (100 Hz)"), QStringLiteral("20 ms (50 Hz)"),
         QStringLiteral("50 ms (20 Hz)"), QStringLiteral("100 ms (10 Hz)"),
         QStringLiteral("200 ms (5 Hz)"), QStringLiteral("500 ms (2 Hz)"),
         QStringLiteral("1000 ms (1 Hz)"), QStringLiteral("2000 ms (2 s)"),
         QStringLiteral("5000 ms (5 s)"), QStringLiteral("10000 ms (10 s)"),
         QStringLiteral("20000 ms (20 s)"), QStringLiteral("60000 ms (1 min)")});
    ComboBoxSamplingRate->setMaxVisibleItems(16);
    ComboBoxSamplingRate->setGeometry(655, 22, 178, 21);
    LabelSamples = MakeLabel(p, tr("Anzahl Datenpunkte"), 838, 7, Grey);
    ComboBoxSamples = new TComboBox(false, p);
    ComboBoxSamples->addItems({QStringLiteral("100"), QStringLiteral("200"), QStringLiteral("500"),
                               QStringLiteral("1000"), QStringLiteral("2000"),
                               QStringLiteral("5000"), QStringLiteral("10000")});
    ComboBoxSamples->setGeometry(838, 22, 100, 21);
    LabelHardware = MakeLabel(p, tr("Einstellungen"), 944, 7, Grey);
    // Right-aligned over the button.
    LabelHardware->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LabelHardware->setGeometry(1008 - std::max(64, LabelHardware->width()), 7,
                               std::max(64, LabelHardware->width()), LabelHardware->height());
    ButtonHardware = MakeButton(p, QStringLiteral("Kurvimat"), 942, 21, 66, 24);
    ButtonHardware->setEnabled(false);

    const QColor red(247, 0, 0);
    LabelUAmax = MakeLabel(p, QStringLiteral("5 V"), 1021, 47, BlueA);
    LabelUBmax = MakeLabel(p, QStringLiteral("5 V"), 1021, 58, red);
    // Two pixels higher than designed: the lower one ends at the panel's lower edge.
    LabelUBmin = MakeLabel(p, QStringLiteral("0 V"), 1021, 156, red);
    LabelUAmin = MakeLabel(p, QStringLiteral("0 V"), 1021, 167, BlueA);
    ShapeUmax = new TShape(p);
    ShapeUmax->setGeometry(1007, 51, 9, 1);
    ShapeUmin = new TShape(p);
    ShapeUmin->setGeometry(1007, 178, 9, 1);
    new FitLabelsToText(p, {LabelUAmax, LabelUBmax, LabelUAmin, LabelUBmin});

    MemoExchange = new QPlainTextEdit(p);
    MemoExchange->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoExchange->setGeometry(5, 5, 100, 40);
    MemoExchange->hide();
}

void TFormMain::CreateSignalPanel() {
    PanellinksPuffer = MakePanel(Panellinks);
    PanellinksPuffer->setGeometry(0, 0, LeftWidth, 15);
    PanelSignale = MakePanel(Panellinks);
    PanelSignale->setGeometry(16, 15, 251, 415);
    ScrollBarSignale = new QScrollBar(Qt::Vertical, Panellinks);
    ScrollBarSignale->hide();
    for (const char channel : {'A', 'B'}) {
        const bool a = channel == 'A';
        auto* g = new SignalGroupPanel(PanelSignale, channel, a ? 0 : 215);
        (a ? LabelAroh : LabelBroh) = g->LabelRoh;
        (a ? LabelAx : LabelBx) = g->LabelX;
        (a ? LabelUA : LabelUB) = g->LabelU;
        (a ? LabelAkal : LabelBkal) = g->LabelKal;
        (a ? ComboBoxA : ComboBoxB) = g->ComboBox;
        (a ? EditSignalA : EditSignalB) = g->EditSignal;
        (a ? EditEinheitA : EditEinheitB) = g->EditEinheit;
        (a ? EditFormelA : EditFormelB) = g->EditFormel;
        (a ? EditSkalaAmin : EditSkalaBmin) = g->EditSkalaMin;
        (a ? EditSkalaAmax : EditSkalaBmax) = g->EditSkalaMax;
        (a ? CheckBoxKanalA : CheckBoxKanalB) = g->CheckBoxKanal;
        (a ? CheckBoxSkalaAauto : CheckBoxSkalaBauto) = g->CheckBoxSkalaAuto;
    }
}

void TFormMain::CreatePlotPanel() {
    Plot = new PlotView(Panellinks->parentWidget(), *this, *this);
    Panelmitte = Plot;
    PaintBoxData = Plot->PaintBoxData;
    TImage** const images[AxisImageCount] = {
        &ImageLinksAuto,  &ImageLinksAutoOff,  &ImageLinksFull,  &ImagelinksFullon,
        &ImageRechtsauto, &ImageRechtsAutoOff, &ImageRechtsFull, &ImageRechtsFullon,
        &ImageUntenAuto,  &ImageUntenAutoOff,  &ImageUntenFull,  &ImageUntenFullOn};
    for (int i = 0; i < AxisImageCount; ++i)
        *images[i] = Plot->AxisImages[static_cast<std::size_t>(i)];
    MemoAnalysis = Plot->MemoAnalysis;
}

void TFormMain::CreateBottomPanel() {
    QWidget* p = Panelunten;
    ButtonBearbeiten = MakeButton(p, tr("Signale bearbeiten"), 14, 10, 107, 24);
    CheckBoxAXY = MakeCheckBox(p, tr("Kanal A als x"), 184, 9, false);
    CheckBoxBXY = MakeCheckBox(p, tr("Kanal B als x"), 184, 24, false);
    // The third plot mode, under the button and left of the xy choice, reached by Tab after it.
    CheckBoxSpektrum = MakeCheckBox(p, tr("Spektrum"), 0, 39, false);
    CheckBoxMinuten = MakeCheckBox(p, tr("Zeit in min"), 200, 39, false);
    for (QCheckBox* box : {CheckBoxAXY, CheckBoxBXY, CheckBoxSpektrum, CheckBoxMinuten}) {
        box->setLayoutDirection(Qt::RightToLeft); // caption left of the box
        // Design width, or wider where the font needs it.
        const int design = box == CheckBoxMinuten ? 67 : box == CheckBoxSpektrum ? 62 : 83;
        box->resize(std::max(design, box->sizeHint().width()), 15);
    }
    CheckBoxSpektrum->move(150 - CheckBoxSpektrum->width(), 39);
    Label4 = MakeLabel(p, QStringLiteral("xy"), 161, 17);
    Label5 = MakeLabel(p, QStringLiteral("{"), 176, 14, Qt::black, 16);

    // The exchange and snapshot group sits closer to the xy boxes than in the design (352),
    // so the row fits a narrower window.
    new ExchangeRow(p, ExchangeX, *this);

    const int shift = -ExchangeShift;
    Image1 = MakeImage(p, 705 + shift, 12, SnapshotArrowPicture(p->devicePixelRatioF()));
    ButtonSchnappschuss =
        MakeButton(p, tr("Schnappschuss"), 727 + shift, 23, 92, 24);
    CheckBoxSchnappschuss =
        MakeCheckBox(p, tr("automatisch beim\nTrigger"), 824 + shift, 12, true);
    CheckBoxSchnappschuss->resize(std::max(78, CheckBoxSchnappschuss->sizeHint().width()), 48);
    ShapeAnalysis = new TShape(p, Qt::white);
    ShapeAnalysis->setGeometry(976, 32, 32, 31);
    Button2 = MakeButton(p, tr("Analyse"), 952, 22, 51, 25);
    Button2->hide();
}

// Start-up: the plot fills its panel; the right-hand controls and the axis images follow.
void TFormMain::FitPlotToPanel() {
    const int d = Panelmitte->width() - 5 - PaintBoxData->width();
    PaintBoxData->resize(Panelmitte->width() - 5, PaintBoxData->height());
    PaintBoxMittel->resize(PaintBoxMittel->width() + d, PaintBoxMittel->height());
    for (QWidget* w : std::initializer_list<QWidget*>{
             ImageRechtsauto,   ImageRechtsAutoOff, ImageRechtsFull,
             ImageRechtsFullon, ImageUntenAuto,     ImageUntenAutoOff,
             ImageUntenFull,    ImageUntenFullOn,   LabelUAmax,
             LabelUBmax,        LabelUAmin,         LabelUBmin,
             ShapeUmax,         ShapeUmin,          LabelSamplingrate,
             LabelSamples,      LabelHardware,      ComboBoxSamplingRate,
             ComboBoxSamples,   ButtonHardware})
        w->move(w->x() + d, w->y());
    const int e = Panelmitte->height() - PaintBoxData->height();
    for (QWidget* w : {ImageUntenAuto, ImageUntenAutoOff, ImageUntenFull, ImageUntenFullOn})
        w->move(w->x(), w->y() + e);
    PaintBoxData->resize(PaintBoxData->width(), Panelmitte->height());
}

void TFormMain::CaptureAnchors() {
    Anchors.clear();
    const auto add = [this](QWidget* w, bool right, bool bottom, bool stretchW, bool stretchH) {
        Anchor a{w, right, bottom, stretchW, stretchH};
        // A right-anchored control keeps its left edge's distance from the right edge, so a
        // label that grows with its text grows to the right as it did before.
        a.rightGap = w->parentWidget()->width() - w->x() - (right && !stretchW ? 0 : w->width());
        a.bottomGap = w->parentWidget()->height() - w->y() - w->height();
        Anchors.push_back(a);
    };
    add(PaintBoxMittel, false, false, true, false);
    for (QWidget* w : std::initializer_list<QWidget*>{
             LabelSamplingrate, ComboBoxSamplingRate, LabelSamples, ComboBoxSamples, LabelHardware,
             ButtonHardware, LabelUAmax, LabelUBmax, LabelUAmin, LabelUBmin, ShapeUmax, ShapeUmin,
             ImageRechtsauto, ImageRechtsAutoOff, ImageRechtsFull, ImageRechtsFullon, ShapeAnalysis,
             Button2})
        add(w, true, false, false, false);
    for (QWidget* w : {ImageUntenAuto, ImageUntenAutoOff, ImageUntenFull, ImageUntenFullOn})
        add(w, true, true, false, false);
    add(PaintBoxData, false, false, true, true);
}

void TFormMain::ApplyAnchors() {
    for (const Anchor& a : Anchors) {
        const QWidget* parent = a.widget->parentWidget();
        QRect r = a.widget->geometry();
        if (a.stretchWidth)
            r.setWidth(std::max(0, parent->width() - a.rightGap - r.x()));
        else if (a.right)
            r.moveLeft(parent->width() - a.rightGap);
        if (a.stretchHeight)
            r.setHeight(std::max(0, parent->height() - a.bottomGap - r.y()));
        else if (a.bottom)
            r.moveTop(parent->height() - a.bottomGap - r.height());
        a.widget->setGeometry(r);
    }
}

QSize TFormMain::MinimumClientSize() const {
    constexpr int gap = 8;
    int width = MinWindowWidth;
    // The bottom row, up to the automatic-snapshot box, in one piece.
    for (const QWidget* w : std::initializer_list<const QWidget*>{
             ButtonBearbeiten, CheckBoxAXY, CheckBoxBXY, CheckBoxMinuten, ButtonDatenLoeschen,
             ButtonSSLoeschen, Image1, ButtonSchnappschuss, CheckBoxSchnappschuss})
        width = std::max(width, w->mapTo(Panelunten, QPoint(w->width(), 0)).x() + gap);
    // The timing choices, anchored right, keep clear of the subtitle and the data-loss warning.
    const int choices = Paneloben->width() - std::min(LabelSamplingrate->x(), ComboBoxSamplingRate->x());
    for (const QLabel* label : {Label2, LabelDataLoss})
        width = std::max(width, label->x() + label->sizeHint().width() + gap + choices);
    return {width, MinWindowHeight};
}

// The signal panel scrolls when the left panel is too low for it.
void TFormMain::PlaceSignalPanel() {
    const int buffer = PanellinksPuffer->height();
    ScrollBarSignale->setGeometry(Panellinks->width() - 15, buffer, 15,
                                  std::max(0, Panellinks->height() - buffer));
    if (PanelSignale->height() + buffer > Panellinks->height()) {
        ScrollBarSignale->setMaximum(
            std::max(0, PanelSignale->height() - ScrollBarSignale->height()));
        ScrollBarSignale->show();
        PanelSignale->move(PanelSignale->x(), buffer - ScrollBarSignale->value());
    } else {
        ScrollBarSignale->hide();
        PanelSignale->move(PanelSignale->x(), buffer);
    }
}
