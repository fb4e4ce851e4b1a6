// Panels of the main window that build their controls at their design places (MainLayout.cpp);
// the window routes their controls' events.
#pragma once

#include <QWidget>

struct MainControls;
class QCheckBox;
class QLabel;
class QLineEdit;
class TComboBox;

// One channel's signal group: its readings, its definition and its scale. Its controls are
// named after the channel ("ComboBoxA", "EditFormelB", ...).
class SignalGroupPanel : public QWidget {
    Q_OBJECT
public:
    SignalGroupPanel(QWidget* parent, char channel, int top);

    QLabel* LabelRoh = nullptr; // D=, the raw reading
    QLabel* LabelX = nullptr;   // r=, the reading in the definition's variable
    QLabel* LabelU = nullptr;   // U=, the voltage
    QLabel* LabelKal = nullptr; // the value in the signal's unit, large
    TComboBox* ComboBox = nullptr;
    QLineEdit* EditSignal = nullptr;
    QLineEdit* EditEinheit = nullptr;
    QLineEdit* EditFormel = nullptr;
    QLineEdit* EditSkalaMin = nullptr;
    QLineEdit* EditSkalaMax = nullptr;
    QCheckBox* CheckBoxKanal = nullptr;
    QCheckBox* CheckBoxSkalaAuto = nullptr;
};

// "Trigger", the trigger's channel and edge, its four modes and "Reset", between the raw and
// the overview strip.
class TriggerPanel : public QWidget {
    Q_OBJECT
public:
    // Builds its controls into the window's.
    TriggerPanel(QWidget* parent, MainControls& controls);
};

// The exchange row: copy, save, load, paste and delete, of the data above and of the snapshot
// below.
class ExchangeRow : public QWidget {
    Q_OBJECT
public:
    // x: the left edge of the row in its panel.
    ExchangeRow(QWidget* parent, int x, MainControls& controls);
};
