// The hardware settings window: input ranges, differential measurement, channel B off and
// pull-ups. It keeps no settings beyond its controls' states; every click asks the main window
// to configure the instrument anew.
#pragma once

#include "InstrumentLink.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;

class TFormHardware : public QWidget {
    Q_OBJECT
public:
    explicit TFormHardware(QWidget* parent = nullptr);

    /// The choices as the controls show them now.
    kurvimat::acquisition::HardwareChoice Choice() const;
    /// Shows choices made elsewhere (an opened experiment) without configuring anything.
    void ShowChoice(const kurvimat::acquisition::HardwareChoice& choice);

    /// Called by every setting control (the main window's SendConfiguration).
    std::function<void()> OnSettingsChanged;

    QCheckBox* CheckBoxAdiff;
    QCheckBox* CheckBoxBoff;
    QGroupBox* GroupBoxA;
    QRadioButton *RadioButtonAlow, *RadioButtonAmid, *RadioButtonAhigh;
    QGroupBox* GroupBoxB;
    QRadioButton *RadioButtonBlow, *RadioButtonBmid, *RadioButtonBhigh;
    QCheckBox* CheckBoxPullUpA;
    QCheckBox* CheckBoxPullUpB;

    void CheckBoxAdiffClick();
};

/// The picture of the instrument's inputs (204 x 150), drawn rather than shipped.
QPixmap InputsPicture();
