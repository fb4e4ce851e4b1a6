// The main window's controls, as a designer form's class holds them: the window inherits
// them privately, so its handlers name them directly and nothing outside reaches them. Each
// has its member's name as objectName, by which tests and tooltips find it.
#pragma once

namespace kurvimat::acquisition {
class MeasurementStore;
}
class BigDisplay;
class HelpWindow;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QWidget;
class TComboBox;
class TImage;
class TPaintBox;
class TShape;
class TableWindow;

struct MainControls {
    // Panels
    QWidget* Paneloben = nullptr;
    QWidget* Panellinks = nullptr;
    QWidget* Panelmitte = nullptr;
    QWidget* Panelunten = nullptr;
    QWidget* PanellinksPuffer = nullptr;
    QWidget* PanelSignale = nullptr;
    QScrollBar* ScrollBarSignale = nullptr;

    // Paneloben
    QLabel* LabelUeberschr = nullptr;
    QLabel* LabelOszilloskop = nullptr;
    QLabel* LabelDataLoss = nullptr;
    TPaintBox* PaintBoxRoh = nullptr;
    QPushButton* ButtonTrigger = nullptr;
    QPushButton* ButtonTriggerChannel = nullptr;
    QPushButton* ButtonTriggerRichtung = nullptr;
    QRadioButton* RadioButtonDauer = nullptr;
    QRadioButton* RadioButtonAuto = nullptr;
    QRadioButton* RadioButtonNormal = nullptr;
    QRadioButton* RadioButtonEinzel = nullptr;
    QPushButton* ButtonReset = nullptr;
    TPaintBox* PaintBoxMittel = nullptr;
    QLabel* LabelSamplingrate = nullptr;
    TComboBox* ComboBoxSamplingRate = nullptr;
    QLabel* LabelSamples = nullptr;
    TComboBox* ComboBoxSamples = nullptr;
    QLabel* LabelHardware = nullptr;
    QPushButton* ButtonHardware = nullptr;
    QLabel* LabelUAmax = nullptr;
    QLabel* LabelUBmax = nullptr;
    QLabel* LabelUBmin = nullptr;
    QLabel* LabelUAmin = nullptr;
    TShape* ShapeUmax = nullptr;
    TShape* ShapeUmin = nullptr;
    QPlainTextEdit* MemoExchange = nullptr;

    // Signal groups
    QLabel* LabelAroh = nullptr;
    QLabel* LabelAx = nullptr;
    QLabel* LabelUA = nullptr;
    QLabel* LabelAkal = nullptr;
    TComboBox* ComboBoxA = nullptr;
    QLineEdit* EditSignalA = nullptr;
    QLineEdit* EditEinheitA = nullptr;
    QLineEdit* EditFormelA = nullptr;
    QLineEdit* EditSkalaAmin = nullptr;
    QLineEdit* EditSkalaAmax = nullptr;
    QCheckBox* CheckBoxKanalA = nullptr;
    QCheckBox* CheckBoxSkalaAauto = nullptr;
    QLabel* LabelBroh = nullptr;
    QLabel* LabelBx = nullptr;
    QLabel* LabelUB = nullptr;
    QLabel* LabelBkal = nullptr;
    TComboBox* ComboBoxB = nullptr;
    QLineEdit* EditSignalB = nullptr;
    QLineEdit* EditEinheitB = nullptr;
    QLineEdit* EditFormelB = nullptr;
    QLineEdit* EditSkalaBmin = nullptr;
    QLineEdit* EditSkalaBmax = nullptr;
    QCheckBox* CheckBoxKanalB = nullptr;
    QCheckBox* CheckBoxSkalaBauto = nullptr;

    // Panelmitte
    TPaintBox* PaintBoxData = nullptr;
    TImage* ImageLinksAuto = nullptr;
    TImage* ImageLinksAutoOff = nullptr;
    TImage* ImageLinksFull = nullptr;
    TImage* ImageLinksFullOn = nullptr;
    TImage* ImageRechtsAuto = nullptr;
    TImage* ImageRechtsAutoOff = nullptr;
    TImage* ImageRechtsFull = nullptr;
    TImage* ImageRechtsFullOn = nullptr;
    TImage* ImageUntenAuto = nullptr;
    TImage* ImageUntenAutoOff = nullptr;
    TImage* ImageUntenFull = nullptr;
    TImage* ImageUntenFullOn = nullptr;
    QPlainTextEdit* MemoAnalysis = nullptr;

    // Panelunten
    QPushButton* ButtonBearbeiten = nullptr;
    QCheckBox* CheckBoxAXY = nullptr;
    QCheckBox* CheckBoxBXY = nullptr;
    QCheckBox* CheckBoxSpektrum = nullptr;
    QCheckBox* CheckBoxMinuten = nullptr;
    QLabel* LabelXY = nullptr;
    QLabel* LabelKlammer = nullptr;
    QPushButton* ButtonDatenKopieren = nullptr;
    QPushButton* ButtonDatenSpeichern = nullptr;
    QPushButton* ButtonDatenLaden = nullptr;
    QPushButton* ButtonDatenEinfuegen = nullptr;
    QPushButton* ButtonDatenLoeschen = nullptr;
    QPushButton* ButtonSSkopieren = nullptr;
    QPushButton* ButtonSSspeichern = nullptr;
    QPushButton* ButtonSSLaden = nullptr;
    QPushButton* ButtonSSEinfuegen = nullptr;
    QPushButton* ButtonSSLoeschen = nullptr;
    TImage* ImageSchnappschuss = nullptr;
    QPushButton* ButtonSchnappschuss = nullptr;
    QCheckBox* CheckBoxSchnappschuss = nullptr;
    TShape* ShapeAnalysis = nullptr;
    QPushButton* ButtonAnalyse = nullptr;

    // Menus (MainMenus.cpp).
    // One action per command: the menu bar, the buttons and the plot's menu run the same one.
    // The experiment's and the runs' actions are connected by their own code.
    QAction* ActionVersuchOeffnen = nullptr;
    QAction* ActionVersuchSpeichern = nullptr;
    QAction* ActionVersuchSpeichernUnter = nullptr;
    QMenu* MenuZuletzt = nullptr; // the experiments last opened or saved
    QAction* ActionVerworfeneSitzungen = nullptr;
    QAction* ActionMessreiheBehalten = nullptr;
    QAction* ActionNeueWertetabelle = nullptr;
    QAction* ActionWerteBearbeiten = nullptr;
    QAction* ActionNeueGroesse = nullptr;
    QAction* ActionGroessen = nullptr;
    QAction* ActionMessreihen = nullptr;
    // Datei
    QAction* ActionDatenLaden = nullptr;
    QAction* ActionDatenSpeichern = nullptr;
    QAction* ActionSSLaden = nullptr;
    QAction* ActionSSSpeichern = nullptr;
    QMenu* MenuBildSpeichern = nullptr; // in window size, twice, three times as large
    QAction* ActionDrucken = nullptr;
    QAction* ActionTitel = nullptr;
    QAction* ActionNotiz = nullptr;
    QMenu* MenuRechteAchse = nullptr;
    QAction* ActionAchsen = nullptr; // any quantity over any other
    QAction* ActionBeenden = nullptr;
    // Bearbeiten
    QAction* ActionRueckgaengig = nullptr;
    QAction* ActionDatenKopieren = nullptr;
    QAction* ActionDatenEinfuegen = nullptr;
    QAction* ActionBildKopieren = nullptr;
    QAction* ActionMesswerteKopieren = nullptr;
    QAction* ActionDatenLoeschen = nullptr;
    // Messen
    QAction* ActionDauer = nullptr;
    QAction* ActionAuto = nullptr;
    QAction* ActionNormal = nullptr;
    QAction* ActionEinzel = nullptr;
    QAction* ActionTrigger = nullptr;
    QAction* ActionReset = nullptr;
    QAction* ActionStoppWeiter = nullptr;
    QAction* ActionSchnappschuss = nullptr;
    QAction* ActionZeitcursor = nullptr;
    QAction* ActionWertcursor = nullptr;
    QAction* ActionTangente = nullptr;
    QMenu* MenuAusgleichskurve = nullptr;
    QMenu* MenuFitA = nullptr;
    QMenu* MenuFitB = nullptr;
    QAction* ActionFitGerade = nullptr;
    QAction* ActionFitParabel = nullptr; ///< the XY modes' parabola
    QAction* ActionFitEigene = nullptr;  ///< the XY modes' user model
    QAction* ActionFitEntfernen = nullptr;
    QAction* ActionSpektrum = nullptr;
    // Ansicht
    QAction* ActionKanalBx = nullptr;
    QAction* ActionKanalAx = nullptr;
    QAction* ActionMinuten = nullptr;
    QAction* ActionTabelle = nullptr;
    QAction* ActionGrossanzeige = nullptr;
    QAction* ActionVollbild = nullptr;
    // Hilfe
    QAction* ActionAnleitung = nullptr;
    QAction* ActionFormelvariablen = nullptr;
    QAction* ActionUeber = nullptr;
    // Opened on demand, then kept.
    TableWindow* Tabelle = nullptr;
    BigDisplay* Grossanzeige = nullptr;
    HelpWindow* Anleitung = nullptr;
    QLabel* LabelAngehalten = nullptr; // in place of the subtitle while stopped
};

// The instrument's input ranges beside the strips (MainTrigger.cpp).
void ShowRangeLabels(const MainControls& c, const kurvimat::acquisition::MeasurementStore& store);
