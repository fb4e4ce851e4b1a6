// Start-up sequence, showing and closing, the 50 ms cycle and the instrument's data handler.
#include "InstrumentLink.h"
#include "Numbers.h"
#include "SignalDefinition.h"
#include "THidDevice.h"
#include "TimeAxis.h"
#include "dialogs/Dialogs.h"
#include "dialogs/TFormSignale.h"
#include "plot/MainCursors.h"
#include "plot/ReadoutBox.h"
#include "widgets/TComboBox.h"
#include "widgets/TPaintBox.h"
#include "window/ClassViewShare.h"
#include "window/SignalGroups.h"
#include "window/TFormMain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>

#include <algorithm>
#include <cmath>

using namespace kurvimat::acquisition;
using namespace kurvimat::display;
using namespace kurvimat::hid;
using namespace kurvimat::signals;

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    // From here on what is recorded and kept outlives a crash.
    session_->openJournal(ExperimentFiles::JournalFolder());
    session_->setInstrumentConfigurer([this] {
        if (Device && ConfigureDevice) ConfigureDevice();
    });
    setWindowTitle(QStringLiteral("Kurvimat"));
    setAcceptDrops(true);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    resize(1024, 715);
    setMinimumSize(770, 570);
    Plot = Layout.Build(*this, *this, *this);
    Signals.reset(new SignalGroups(*this, *session_, *Plot, *this)); // the bases are private
    ConnectHandlers();
    ConnectDisplay();
    Experiments = new ExperimentFiles(*session_, *Runs, *this, *this);
    CreateMenus();
    Measuring->UseMenus(
        {ActionZeitcursor, ActionWertcursor, ActionTangente, ActionMesswerteKopieren}, Runs,
        Report.get());
    ApplyTooltips(*this, *this, *Measuring->LabelMesswerte);

    // 1. Axis scales: left A, right B, bottom time; the XY scale stays hidden until needed.
    ScaleLeft = &ScaleA;
    ScaleRight = &ScaleB;
    ScaleBottom = &ScaleT;
    // Their canvas is a painter on PaintBoxData's canvas image, bound by the display code
    // while it draws.
    for (Tscale* s : {ScaleLeft, ScaleRight, ScaleBottom})
        s->Visible = true;
    ScaleLeft->Kind = ScaleKind::Left;
    ScaleRight->Kind = ScaleKind::Right;
    ScaleBottom->Kind = ScaleKind::Below;
    ScaleLeft->TitleMargin = 35;
    ScaleRight->TitleMargin = 35;
    ScaleBottom->TitleMargin = 25;
    ScaleA.TitleColor = ScaleTitleBlue;
    ScaleB.TitleColor = ScaleTitleRed;
    ScaleX.Visible = false;

    // 2. The palette is built with the window. 3. The plot fills its panel.
    Layout.FitPlotToPanel();
    Layout.CaptureAnchors();
    // 4. Raw strip image.
    if (RawStripBitmap.width() == 0)
        RawStripBitmap.resize(PaintBoxRoh->width(), PaintBoxRoh->height());
    // 5. (the session starts uncalibrated, 0 ... 5 V)
    // 6.
    FormResize();
    // 7. Centre on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(CentredPosition(screen->size(), frameGeometry().size()));
    // 8., 9. and 11.: the session starts with empty rings, waiting for a trigger at the default
    // level, pre-trigger and step time, and its parsers with U = 0.
    // 10. Selecting entries here runs no change handler; they show the session's defaults.
    ComboBoxSamplingRate->SetItemIndex(3);
    ComboBoxSamples->SetItemIndex(1);
    ComboBoxA->SetItemIndex(0);
    ComboBoxB->SetItemIndex(0);
    // 12.
    ApplySignalA(true);
    ApplySignalB(true);
    // 13.
    RebuildTimeAxis(Store);
    Plot->UpdateTimeScale(Store);
    // 14.
    Drawing->DrawRawStrip();
    // 15.
    // A child of the window, so that those who drive the cycle themselves find it.
    TimerTakt.setParent(this);
    TimerTakt.setObjectName(QStringLiteral("TimerTakt"));
    TimerTakt.setInterval(50);
    connect(&TimerTakt, &QTimer::timeout, this, &TFormMain::Timer1Timer);
    TimerTakt.start();
}

TFormMain::~TFormMain() {
    // The cursors watch widgets of this window, which still send events while they are torn
    // down after this destructor: from here on the cursors leave them alone.
    if (Measuring) Measuring->WindowClosing();
    // Tearing the children down moves the focus, and an editable combo box that loses it may
    // still report a choice: no signal may reach this window once it is half destroyed.
    for (QObject* child : findChildren<QObject*>()) child->blockSignals(true);
}

QPoint CentredPosition(QSize screen, QSize window) {
    // Integer halving truncates toward zero, as the negative case needs before the clamp.
    return {std::max(0, (screen.width() - window.width()) / 2),
            std::max(0, (screen.height() - window.height()) / 2 - 20)};
}

void TFormMain::TitleAxesByDefinitions() {
    ScaleA.Title = SignalTitle(Store.NameA, Store.UnitA);
    ScaleB.Title = SignalTitle(Store.NameB, Store.UnitB);
    ScaleB.TitleColor = ScaleTitleRed;
    AxesNameLoadedPoints = false;
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!Shown) {
        Shown = true;
        FormShow();
    }
}

void TFormMain::FormShow() {
    Signals->FillSignalLists();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        event->accept();
        Experiments->Closed();
    } else {
        event->ignore();
    }
}

bool TFormMain::FormCloseQuery() {
    if (!Experiments->AskUnsavedWork()) return false;
    // No report may be decoded once closing has begun.
    Closing = true;
    // Removing the handler stops the device's reading thread before it returns, so no report of
    // this device is decoded afterwards.
    if (Device) Device->SetDataHandler(nullptr);
    // Ending the program closes an open editor too, which keeps its edits in the file.
    if (TFormSignale* editor = Signals->Editor()) editor->ProgramEnding();
    return true;
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Layout.Resize();
    FormResize();
}

// A file dropped on the window opens as one named on the command line; of several, the first.
void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    const QString path = urls.first().toLocalFile();
    // Not inside the drag's own event loop: what the file brings may ask questions.
    QTimer::singleShot(0, this, [this, path] { Experiments->OpenFile(path); });
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    QMainWindow::keyPressEvent(event);
}

void TFormMain::HidDeviceData(THidDevice* HidDev, std::uint8_t, const std::uint8_t* Data,
                              std::uint16_t Size) {
    if (HidDev == nullptr || HidDev != Device || Closing) return;
    AfterPipeline(session_->feedReport(Data, Size));
}

void TFormMain::Timer1Timer() {
    const Readouts r = Pipeline.ReadoutTick();
    if (r.refreshed) {
        LabelAroh->setText(r.a.raw);
        LabelAx->setText(r.a.fraction);
        LabelUA->setText(r.a.voltage);
        LabelAkal->setText(r.a.value);
        LabelBroh->setText(r.b.raw);
        LabelBx->setText(r.b.fraction);
        LabelUB->setText(r.b.voltage);
        LabelBkal->setText(r.b.value);
    }
    ReportError(FormulaProblemText(r.events, Store.FormulaA, Store.FormulaB));
    AfterReadoutTick(r);
    // The new points' quantities are drawn with them, under the right axis's title.
    session_->updateQuantities();
    if (TitleRightAxis(Store, *this, ReadDisplayControls())) Display.Changes.AxesChanged = true;
    RefreshDisplay();
    for (const QString& said : session_->tickJournal()) ReportError(said);
    ShowTitle();
    if (ClassView) ClassView->Tick();
}

void TFormMain::NoteError(const QString& text, const QString& details) {
    if (PendingErrors.contains(text)) return;
    PendingErrors << text;
    if (!details.isEmpty()) PendingDetails << details;
}

void TFormMain::ShowPendingErrors() {
    if (PendingErrors.isEmpty()) return;
    const QString text = PendingErrors.join(QLatin1Char('\n'));
    const QString details = PendingDetails.join(QLatin1Char('\n'));
    PendingErrors.clear();
    PendingDetails.clear();
    AppDialogs().ShowErrorDetails(this, text, details);
}

void TFormMain::ReportError(const QString& text) {
    if (text.isEmpty()) return;
    if (HandlerDepth > 0) {
        NoteError(text);
        return;
    }
    // Shown after the current event: the data hand-off must not wait for the user.
    QMetaObject::invokeMethod(
        this, [this, text] { AppDialogs().ShowError(this, text); }, Qt::QueuedConnection);
}

void TFormMain::ConnectHandlers() {
    // Signal groups. Check boxes run their handler on every change of state, also one made by
    // the program; combo and edit texts set by the program run none.
    connect(ComboBoxA, &TComboBox::Change, this, &TFormMain::ComboBoxAChange);
    connect(ComboBoxB, &TComboBox::Change, this, &TFormMain::ComboBoxBChange);
    connect(ComboBoxA, &TComboBox::EnterPressed, this, [this] { ComboBoxAKeyPress(ComboBoxA); });
    connect(ComboBoxB, &TComboBox::EnterPressed, this, [this] { ComboBoxBKeyPress(ComboBoxB); });
    for (QLineEdit* edit : {EditSignalA, EditFormelA, EditEinheitA, EditSkalaAmin, EditSkalaAmax})
        connect(edit, &QLineEdit::returnPressed, this, [this, edit] { EditSignalAKeyPress(edit); });
    for (QLineEdit* edit : {EditSignalB, EditFormelB, EditEinheitB, EditSkalaBmin, EditSkalaBmax})
        connect(edit, &QLineEdit::returnPressed, this, [this, edit] { EditSignalBKeyPress(edit); });
    connect(CheckBoxSkalaAauto, &QCheckBox::toggled, this, &TFormMain::CheckBoxSkalaAautoClick);
    connect(CheckBoxSkalaBauto, &QCheckBox::toggled, this, &TFormMain::CheckBoxSkalaBautoClick);
    connect(ButtonBearbeiten, &QPushButton::clicked, this, &TFormMain::ButtonBearbeitenClick);

    // Trigger and timing.
    connect(ButtonTrigger, &QPushButton::clicked, this, &TFormMain::ButtonTriggerClick);
    connect(ButtonReset, &QPushButton::clicked, this, &TFormMain::ButtonResetClick);
    connect(ButtonTriggerChannel, &QPushButton::clicked, this,
            &TFormMain::ButtonTriggerChannelClick);
    connect(ButtonTriggerRichtung, &QPushButton::clicked, this,
            &TFormMain::ButtonTriggerRichtungClick);
    const std::pair<QRadioButton*, TriggerMode> modes[] = {
        {RadioButtonDauer, TriggerMode::Dauer},
        {RadioButtonAuto, TriggerMode::Auto},
        {RadioButtonNormal, TriggerMode::Normal},
        {RadioButtonEinzel, TriggerMode::Einzel}};
    for (const auto& [r, mode] : modes)
        connect(r, &QRadioButton::toggled, this, [this, mode = mode](bool checked) {
            if (!checked) return;
            session_->setTriggerMode(mode);
            RadioButtonDauerClick();
        });
    connect(CheckBoxSchnappschuss, &QCheckBox::toggled, this,
            [this](bool checked) { session_->setAutoSnapshot(checked); });
    connect(ButtonSchnappschuss, &QPushButton::clicked, this, &TFormMain::ButtonSchnappschussClick);
    connect(ButtonSSLoeschen, &QPushButton::clicked, this, &TFormMain::ButtonSSLoeschenClick);
    connect(ComboBoxSamplingRate, &TComboBox::Change, this, &TFormMain::ComboBoxSamplingRateChange);
    connect(ComboBoxSamples, &TComboBox::Change, this, &TFormMain::ComboBoxSamplesChange);
    connect(ButtonHardware, &QPushButton::clicked, this, &TFormMain::ButtonHardwareClick);

    // Data exchange: each handler serves two buttons and tells them apart by the sender.
    const auto bind = [this](QPushButton* button, void (TFormMain::*handler)(QObject*)) {
        connect(button, &QPushButton::clicked, this,
                [this, button, handler] { (this->*handler)(button); });
    };
    bind(ButtonDatenKopieren, &TFormMain::ButtonDatenKopierenClick);
    bind(ButtonDatenSpeichern, &TFormMain::ButtonDatenKopierenClick);
    bind(ButtonDatenLaden, &TFormMain::ButtonDatenLadenClick);
    bind(ButtonDatenEinfuegen, &TFormMain::ButtonDatenLadenClick);
    bind(ButtonSSkopieren, &TFormMain::ButtonSSspeichernClick);
    bind(ButtonSSspeichern, &TFormMain::ButtonSSspeichernClick);
    bind(ButtonSSLaden, &TFormMain::ButtonSSLadenClick);
    bind(ButtonSSEinfuegen, &TFormMain::ButtonSSLadenClick);
    connect(ButtonDatenLoeschen, &QPushButton::clicked, this, &TFormMain::ButtonDatenLoeschenClick);

    connect(ScrollBarSignale, &QScrollBar::valueChanged, this,
            [this] { Layout.PlaceSignalPanel(); });
}
