// What each control of the main window does, said where the pointer rests, and the hints a
// control gives by itself (a signal line edited but not yet applied, drop-down lists as wide
// as their entries).
#pragma once

struct MainControls;
class QObject;
class QWidget;

// Every control and action gets its member's name as objectName; the panels name their own.
void NameControls(MainControls& controls);
// Names the controls, gives them and readout (the cursors' readout over the plot) their
// tooltips, found by name among window's children, and shows pending input.
void ApplyTooltips(QWidget& window, MainControls& controls, QWidget& readout);

// Tints the signal groups' edits while their text is not applied, and widens the drop-down
// lists to their entries; context: the object the connections live with.
void ShowPendingInput(MainControls& controls, QObject* context);
