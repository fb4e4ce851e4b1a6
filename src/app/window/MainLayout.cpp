// The controls of the main window, their captions, colours, fonts, start states and design
// places (a 1024 x 715 client area), and the anchoring that keeps them in place on resize.
#include "window/MainLayout.h"

#include "AxisPictures.h"
#include "Plot.h"
#include "Session.h"
#include "SignalDefinition.h"
#include "plot/PlotView.h"
#include "widgets/MainControls.h"
#include "widgets/TComboBox.h"
#include "widgets/TPaintBox.h"
#include "window/MainPanels.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
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

    MakeLabel(g, MainLayout::tr("Kanal %1").arg(ch), 7, 5);
    MakeLabel(g, QStringLiteral("D="), 88, 5, Grey);
    LabelRoh = MakeRightLabel(g, QStringLiteral("0"), 127, 5, 30, colour, 11, true);
    MakeLabel(g, QStringLiteral(", r="), 129, 5, Grey);
    LabelX = MakeLabel(g, QStringLiteral("0"), 148, 5, colour, 11, true);
    LabelX->setMinimumWidth(28);
    MakeLabel(g, a ? MainLayout::tr(", A=U=") : MainLayout::tr(", B=U="), 177, 5, Grey);
    LabelU = MakeRightLabel(g, QStringLiteral("0"), 233, 5, 26, colour, 11, true);
    MakeLabel(g, QStringLiteral("V"), 235, 5, Grey);
    LabelKal = MakeRightLabel(g, QStringLiteral("0"), 244, 18, 237, colour, 24, true);
    MakeLabel(g, MainLayout::tr("Signal %1").arg(ch), 7, 35, Grey);

    ComboBox = new TComboBox(true, g);
    ComboBox->setDuplicatesEnabled(true); // Enter then selects no entry by itself
    ComboBox->setMaxVisibleItems(30);
    ComboBox->setGeometry(7, 50, 238, 21);
    // The window description's list; start-up selects its first entry.
    QStringList items = BuiltInSignals();
    items[0] = MainLayout::tr("Spannung unkalibriert (V): U");
    ComboBox->addItems(items);
    ComboBox->SetText(a ? MainLayout::tr("Spannung unkalibriert (V): U")
                        : MainLayout::tr("Rohdaten: y"));

    MakeLabel(g, MainLayout::tr("Signalname"), 7, 75, Grey);
    MakeLabel(g, MainLayout::tr("Einheit"), 194, 75, Grey);
    EditSignal = MakeEdit(g, MainLayout::tr("Spannung"), 7, 90, 184);
    EditEinheit = MakeEdit(g, QStringLiteral("V"), 194, 90, 50);
    MakeLabel(g, MainLayout::tr("Berechnungsterm"), 7, 115, Grey);
    EditFormel = MakeEdit(g, QStringLiteral("U"), 7, 130, 238);
    MakeLabel(g, MainLayout::tr("anzeigen"), 7, 155, Grey);
    MakeLabel(g, MainLayout::tr("Skala min ... max"), 114, 155, Grey);
    MakeLabel(g, MainLayout::tr("auto"), 222, 155, Grey);
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
    c.ButtonTrigger = MakeButton(this, MainLayout::tr("Trigger"), 283 - o.x(), 49 - o.y(), 55, 23);
    c.ButtonTriggerChannel = MakeButton(this, QStringLiteral("A"), 283 - o.x(), 73 - o.y(), 27, 23);
    c.ButtonTriggerRichtung = MakeButton(this, QStringLiteral("+"), 311 - o.x(), 73 - o.y(), 27, 23);
    const auto radio = [this, o](const QString& text, int y) {
        auto* button = new QRadioButton(text, this);
        button->adjustSize();
        button->move(284 - o.x(), y - o.y());
        return button;
    };
    c.RadioButtonDauer = radio(MainLayout::tr("dauer"), 96);
    c.RadioButtonAuto = radio(MainLayout::tr("auto"), 111);
    c.RadioButtonNormal = radio(MainLayout::tr("normal"), 126);
    c.RadioButtonEinzel = radio(MainLayout::tr("einzel"), 141);
    c.RadioButtonAuto->setChecked(true);
    // One pixel higher than designed, so that the panel's lower edge does not cut it.
    c.ButtonReset = MakeButton(this, MainLayout::tr("Reset"), 283 - o.x(), 157 - o.y(), 55, 23);
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
    const QString dataCaptions[] = {MainLayout::tr("Daten kopieren"), MainLayout::tr("speichern"),
                                    MainLayout::tr("laden"), MainLayout::tr("einfügen"),
                                    MainLayout::tr("löschen")};
    const QString snapCaptions[] = {MainLayout::tr("Schnappschuss kopieren"),
                                    MainLayout::tr("speichern"), MainLayout::tr("laden"),
                                    MainLayout::tr("einfügen"), MainLayout::tr("löschen")};
    const std::pair<QPushButton**, const char*> data[] = {
        {&c.ButtonDatenKopieren, "ButtonDatenKopieren"},
        {&c.ButtonDatenSpeichern, "ButtonDatenSpeichern"},
        {&c.ButtonDatenLaden, "ButtonDatenLaden"},
        {&c.ButtonDatenEinfuegen, "ButtonDatenEinfuegen"},
        {&c.ButtonDatenLoeschen, "ButtonDatenLoeschen"}};
    const std::pair<QPushButton**, const char*> snap[] = {{&c.ButtonSSkopieren, "ButtonSSkopieren"},
                                                          {&c.ButtonSSspeichern, "ButtonSSspeichern"},
                                                          {&c.ButtonSSLaden, "ButtonSSLaden"},
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
        {AxisImage::LinksFullon, 1, 55, "ImageLinksFullOn"},
        {AxisImage::RechtsAuto, 778, 15, "ImageRechtsAuto"},
        {AxisImage::RechtsAutoOff, 778, 15, "ImageRechtsAutoOff"},
        {AxisImage::RechtsFull, 778, 55, "ImageRechtsFull"},
        {AxisImage::RechtsFullon, 778, 55, "ImageRechtsFullOn"},
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

PlotView* MainLayout::Build(QMainWindow& window, PlotViewData& data, PlotHost& host) {
    MainControls& c = controls_;
    central_ = new QWidget(&window);
    window.setCentralWidget(central_);
    central_->resize(1024, 715);
    c.Paneloben = MakePanel(central_);
    c.Panellinks = MakePanel(central_);
    c.Panelunten = MakePanel(central_);
    // In the order of the tab chain.
    createTopPanel();
    createSignalPanel();
    auto* plot = new PlotView(central_, data, host);
    c.Panelmitte = plot;
    c.PaintBoxData = plot->PaintBoxData;
    TImage** const images[AxisImageCount] = {
        &c.ImageLinksAuto,  &c.ImageLinksAutoOff,  &c.ImageLinksFull,  &c.ImageLinksFullOn,
        &c.ImageRechtsAuto, &c.ImageRechtsAutoOff, &c.ImageRechtsFull, &c.ImageRechtsFullOn,
        &c.ImageUntenAuto,  &c.ImageUntenAutoOff,  &c.ImageUntenFull,  &c.ImageUntenFullOn};
    for (int i = 0; i < AxisImageCount; ++i)
        *images[i] = plot->AxisImages[static_cast<std::size_t>(i)];
    c.MemoAnalysis = plot->MemoAnalysis;
    createBottomPanel();
    layoutPanels();
    c.Paneloben->setObjectName(QStringLiteral("Paneloben"));
    c.Panellinks->setObjectName(QStringLiteral("Panellinks"));
    c.Panelunten->setObjectName(QStringLiteral("Panelunten"));
    return plot;
}

void MainLayout::Resize() {
    layoutPanels();
    applyAnchors();
    PlaceSignalPanel();
}

void MainLayout::layoutPanels() {
    MainControls& c = controls_;
    const QSize client = central_->size();
    const int w = client.width();
    const int h = client.height();
    const int middle = std::max(0, h - TopHeight - BottomHeight);
    c.Paneloben->setGeometry(0, 0, w, TopHeight);
    c.Panelunten->setGeometry(0, h - BottomHeight, w, BottomHeight);
    c.Panellinks->setGeometry(0, TopHeight, LeftWidth, middle);
    c.Panelmitte->setGeometry(LeftWidth, TopHeight, std::max(0, w - LeftWidth), middle);
}

void MainLayout::createTopPanel() {
    MainControls& c = controls_;
    QWidget* p = c.Paneloben;
    c.LabelUeberschr = MakeLabel(p, QStringLiteral("Kurvimat"), 15, 4, Qt::black, 32, true);
    c.LabelOszilloskop = MakeLabel(p, MainLayout::tr("USB-Speicheroszilloskop"), 160, 19, Qt::black, 16, true);
    c.LabelDataLoss = MakeLabel(p, MainLayout::tr("USB-Datenverlust!"), 167, 9, Qt::red, 27, true);
    c.LabelDataLoss->hide();

    c.PaintBoxRoh = new TPaintBox(p);
    c.PaintBoxRoh->setGeometry(16, 50, 251, 130);

    new TriggerPanel(p, c);

    c.PaintBoxMittel = new TPaintBox(p);
    c.PaintBoxMittel->setGeometry(353, 50, 724, 130);

    c.LabelSamplingrate = MakeLabel(p, MainLayout::tr("Messintervall"), 655, 7, Grey);
    c.ComboBoxSamplingRate = new TComboBox(false, p);
    c.ComboBoxSamplingRate->addItems(
        {MainLayout::tr("2 ms (500 Hz) (8-Bit)"), QStringLiteral("3 ms (333 Hz)"),
         QStringLiteral("4 ms (250 Hz)"), QStringLiteral("5 ms (200 Hz)"),
         QStringLiteral("10 ms (100 Hz)"), QStringLiteral("20 ms (50 Hz)"),
         QStringLiteral("50 ms (20 Hz)"), QStringLiteral("100 ms (10 Hz)"),
         QStringLiteral("200 ms (5 Hz)"), QStringLiteral("500 ms (2 Hz)"),
         QStringLiteral("1000 ms (1 Hz)"), QStringLiteral("2000 ms (2 s)"),
         QStringLiteral("5000 ms (5 s)"), QStringLiteral("10000 ms (10 s)"),
         QStringLiteral("20000 ms (20 s)"), QStringLiteral("60000 ms (1 min)")});
    c.ComboBoxSamplingRate->setMaxVisibleItems(16);
    c.ComboBoxSamplingRate->setGeometry(655, 22, 178, 21);
    c.LabelSamples = MakeLabel(p, MainLayout::tr("Anzahl Datenpunkte"), 838, 7, Grey);
    c.ComboBoxSamples = new TComboBox(false, p);
    // The counts a file may ask for are the ones offered here.
    for (const int count : kurvimat::session::PointCountChoices)
        c.ComboBoxSamples->addItem(QString::number(count));
    c.ComboBoxSamples->setGeometry(838, 22, 100, 21);
    c.LabelHardware = MakeLabel(p, MainLayout::tr("Einstellungen"), 944, 7, Grey);
    // Right-aligned over the button.
    c.LabelHardware->setAlignment(Qt::AlignRight | Qt::AlignTop);
    c.LabelHardware->setGeometry(1008 - std::max(64, c.LabelHardware->width()), 7,
                                 std::max(64, c.LabelHardware->width()), c.LabelHardware->height());
    c.ButtonHardware = MakeButton(p, QStringLiteral("Kurvimat"), 942, 21, 66, 24);
    c.ButtonHardware->setEnabled(false);

    const QColor red(247, 0, 0);
    c.LabelUAmax = MakeLabel(p, QStringLiteral("5 V"), 1021, 47, BlueA);
    c.LabelUBmax = MakeLabel(p, QStringLiteral("5 V"), 1021, 58, red);
    // Two pixels higher than designed: the lower one ends at the panel's lower edge.
    c.LabelUBmin = MakeLabel(p, QStringLiteral("0 V"), 1021, 156, red);
    c.LabelUAmin = MakeLabel(p, QStringLiteral("0 V"), 1021, 167, BlueA);
    c.ShapeUmax = new TShape(p);
    c.ShapeUmax->setGeometry(1007, 51, 9, 1);
    c.ShapeUmin = new TShape(p);
    c.ShapeUmin->setGeometry(1007, 178, 9, 1);
    new FitLabelsToText(p, {c.LabelUAmax, c.LabelUBmax, c.LabelUAmin, c.LabelUBmin});

    c.MemoExchange = new QPlainTextEdit(p);
    c.MemoExchange->setLineWrapMode(QPlainTextEdit::NoWrap);
    c.MemoExchange->setGeometry(5, 5, 100, 40);
    c.MemoExchange->hide();
}

void MainLayout::createSignalPanel() {
    MainControls& c = controls_;
    c.PanellinksPuffer = MakePanel(c.Panellinks);
    c.PanellinksPuffer->setGeometry(0, 0, LeftWidth, 15);
    c.PanelSignale = MakePanel(c.Panellinks);
    c.PanelSignale->setGeometry(16, 15, 251, 415);
    c.ScrollBarSignale = new QScrollBar(Qt::Vertical, c.Panellinks);
    c.ScrollBarSignale->hide();
    for (const char channel : {'A', 'B'}) {
        const bool a = channel == 'A';
        auto* g = new SignalGroupPanel(c.PanelSignale, channel, a ? 0 : 215);
        (a ? c.LabelAroh : c.LabelBroh) = g->LabelRoh;
        (a ? c.LabelAx : c.LabelBx) = g->LabelX;
        (a ? c.LabelUA : c.LabelUB) = g->LabelU;
        (a ? c.LabelAkal : c.LabelBkal) = g->LabelKal;
        (a ? c.ComboBoxA : c.ComboBoxB) = g->ComboBox;
        (a ? c.EditSignalA : c.EditSignalB) = g->EditSignal;
        (a ? c.EditEinheitA : c.EditEinheitB) = g->EditEinheit;
        (a ? c.EditFormelA : c.EditFormelB) = g->EditFormel;
        (a ? c.EditSkalaAmin : c.EditSkalaBmin) = g->EditSkalaMin;
        (a ? c.EditSkalaAmax : c.EditSkalaBmax) = g->EditSkalaMax;
        (a ? c.CheckBoxKanalA : c.CheckBoxKanalB) = g->CheckBoxKanal;
        (a ? c.CheckBoxSkalaAauto : c.CheckBoxSkalaBauto) = g->CheckBoxSkalaAuto;
    }
}

void MainLayout::createBottomPanel() {
    MainControls& c = controls_;
    QWidget* p = c.Panelunten;
    c.ButtonBearbeiten = MakeButton(p, MainLayout::tr("Signale bearbeiten"), 14, 10, 107, 24);
    c.CheckBoxAXY = MakeCheckBox(p, MainLayout::tr("Kanal A als x"), 184, 9, false);
    c.CheckBoxBXY = MakeCheckBox(p, MainLayout::tr("Kanal B als x"), 184, 24, false);
    // The third plot mode, under the button and left of the xy choice, reached by Tab after it.
    c.CheckBoxSpektrum = MakeCheckBox(p, MainLayout::tr("Spektrum"), 0, 39, false);
    c.CheckBoxMinuten = MakeCheckBox(p, MainLayout::tr("Zeit in min"), 200, 39, false);
    for (QCheckBox* box : {c.CheckBoxAXY, c.CheckBoxBXY, c.CheckBoxSpektrum, c.CheckBoxMinuten}) {
        box->setLayoutDirection(Qt::RightToLeft); // caption left of the box
        // Design width, or wider where the font needs it.
        const int design = box == c.CheckBoxMinuten ? 67 : box == c.CheckBoxSpektrum ? 62 : 83;
        box->resize(std::max(design, box->sizeHint().width()), 15);
    }
    c.CheckBoxSpektrum->move(150 - c.CheckBoxSpektrum->width(), 39);
    c.LabelXY = MakeLabel(p, QStringLiteral("xy"), 161, 17);
    c.LabelKlammer = MakeLabel(p, QStringLiteral("{"), 176, 14, Qt::black, 16);

    // The exchange and snapshot group sits closer to the xy boxes than in the design (352),
    // so the row fits a narrower window.
    new ExchangeRow(p, ExchangeX, c);

    const int shift = -ExchangeShift;
    c.ImageSchnappschuss = MakeImage(p, 705 + shift, 12, SnapshotArrowPicture(p->devicePixelRatioF()));
    c.ButtonSchnappschuss = MakeButton(p, MainLayout::tr("Schnappschuss"), 727 + shift, 23, 92, 24);
    c.CheckBoxSchnappschuss =
        MakeCheckBox(p, MainLayout::tr("automatisch beim\nTrigger"), 824 + shift, 12, true);
    c.CheckBoxSchnappschuss->resize(std::max(78, c.CheckBoxSchnappschuss->sizeHint().width()), 48);
    c.ShapeAnalysis = new TShape(p, Qt::white);
    c.ShapeAnalysis->setGeometry(976, 32, 32, 31);
    c.ButtonAnalyse = MakeButton(p, MainLayout::tr("Analyse"), 952, 22, 51, 25);
    c.ButtonAnalyse->hide();
}

void MainLayout::FitPlotToPanel() {
    MainControls& c = controls_;
    const int d = c.Panelmitte->width() - 5 - c.PaintBoxData->width();
    c.PaintBoxData->resize(c.Panelmitte->width() - 5, c.PaintBoxData->height());
    c.PaintBoxMittel->resize(c.PaintBoxMittel->width() + d, c.PaintBoxMittel->height());
    for (QWidget* w : std::initializer_list<QWidget*>{
             c.ImageRechtsAuto,   c.ImageRechtsAutoOff, c.ImageRechtsFull,
             c.ImageRechtsFullOn, c.ImageUntenAuto,     c.ImageUntenAutoOff,
             c.ImageUntenFull,    c.ImageUntenFullOn,   c.LabelUAmax,
             c.LabelUBmax,        c.LabelUAmin,         c.LabelUBmin,
             c.ShapeUmax,         c.ShapeUmin,          c.LabelSamplingrate,
             c.LabelSamples,      c.LabelHardware,      c.ComboBoxSamplingRate,
             c.ComboBoxSamples,   c.ButtonHardware})
        w->move(w->x() + d, w->y());
    const int e = c.Panelmitte->height() - c.PaintBoxData->height();
    for (QWidget* w : {c.ImageUntenAuto, c.ImageUntenAutoOff, c.ImageUntenFull, c.ImageUntenFullOn})
        w->move(w->x(), w->y() + e);
    c.PaintBoxData->resize(c.PaintBoxData->width(), c.Panelmitte->height());
}

void MainLayout::CaptureAnchors() {
    MainControls& c = controls_;
    anchors_.clear();
    const auto add = [this](QWidget* w, bool right, bool bottom, bool stretchW, bool stretchH) {
        Anchor a{w, right, bottom, stretchW, stretchH};
        // A right-anchored control keeps its left edge's distance from the right edge, so a
        // label that grows with its text grows to the right as it did before.
        a.rightGap = w->parentWidget()->width() - w->x() - (right && !stretchW ? 0 : w->width());
        a.bottomGap = w->parentWidget()->height() - w->y() - w->height();
        anchors_.push_back(a);
    };
    add(c.PaintBoxMittel, false, false, true, false);
    for (QWidget* w : std::initializer_list<QWidget*>{
             c.LabelSamplingrate, c.ComboBoxSamplingRate, c.LabelSamples, c.ComboBoxSamples,
             c.LabelHardware, c.ButtonHardware, c.LabelUAmax, c.LabelUBmax, c.LabelUAmin,
             c.LabelUBmin, c.ShapeUmax, c.ShapeUmin, c.ImageRechtsAuto, c.ImageRechtsAutoOff,
             c.ImageRechtsFull, c.ImageRechtsFullOn, c.ShapeAnalysis, c.ButtonAnalyse})
        add(w, true, false, false, false);
    for (QWidget* w : {c.ImageUntenAuto, c.ImageUntenAutoOff, c.ImageUntenFull, c.ImageUntenFullOn})
        add(w, true, true, false, false);
    add(c.PaintBoxData, false, false, true, true);
}

void MainLayout::applyAnchors() {
    for (const Anchor& a : anchors_) {
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

QSize MainLayout::MinimumClientSize() const {
    const MainControls& c = controls_;
    constexpr int gap = 8;
    int width = MinWindowWidth;
    // The bottom row, up to the automatic-snapshot box, in one piece.
    for (const QWidget* w : std::initializer_list<const QWidget*>{
             c.ButtonBearbeiten, c.CheckBoxAXY, c.CheckBoxBXY, c.CheckBoxMinuten,
             c.ButtonDatenLoeschen, c.ButtonSSLoeschen, c.ImageSchnappschuss, c.ButtonSchnappschuss,
             c.CheckBoxSchnappschuss})
        width = std::max(width, w->mapTo(c.Panelunten, QPoint(w->width(), 0)).x() + gap);
    // The timing choices, anchored right, keep clear of the subtitle and the data-loss warning.
    const int choices =
        c.Paneloben->width() - std::min(c.LabelSamplingrate->x(), c.ComboBoxSamplingRate->x());
    for (const QLabel* label : {c.LabelOszilloskop, c.LabelDataLoss})
        width = std::max(width, label->x() + label->sizeHint().width() + gap + choices);
    return {width, MinWindowHeight};
}

void MainLayout::PlaceSignalPanel() {
    MainControls& c = controls_;
    const int buffer = c.PanellinksPuffer->height();
    c.ScrollBarSignale->setGeometry(c.Panellinks->width() - 15, buffer, 15,
                                    std::max(0, c.Panellinks->height() - buffer));
    if (c.PanelSignale->height() + buffer > c.Panellinks->height()) {
        c.ScrollBarSignale->setMaximum(
            std::max(0, c.PanelSignale->height() - c.ScrollBarSignale->height()));
        c.ScrollBarSignale->show();
        c.PanelSignale->move(c.PanelSignale->x(), buffer - c.ScrollBarSignale->value());
    } else {
        c.ScrollBarSignale->hide();
        c.PanelSignale->move(c.PanelSignale->x(), buffer);
    }
}
