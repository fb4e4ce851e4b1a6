// The main window's actions and its menu bar: one action per command, which the menu bar, the
// buttons, the check boxes and the plot's menu share. They are made into the window's controls;
// the window connects them to its handlers and says what its state is when they are shown.
#pragma once

#include "DisplayState.h"
#include "FitModels.h"
#include "Session.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

struct MainControls;
class QAction;
class QMainWindow;
class QMenu;
class QObject;
class QWidget;

// What the actions keys reach (Ctrl+Z, Reset, F11) show of the window's state.
struct KeyActionState {
    bool resetEnabled = false;
    bool fullScreen = false;
    // What Ctrl+Z takes back: the data a deletion or load replaced, else the last zoom.
    std::optional<kurvimat::session::UndoStep> undo;
    bool zoomBack = false;
};

// What the menus show of the window's state when one of them opens.
struct MenuActionState {
    KeyActionState keys;
    kurvimat::analysis::PlotMode mode = kurvimat::analysis::PlotMode::Normal;
    bool timeCursors = false, valueCursors = false, tangent = false;
    bool haveData = false, hasB = false;
    // The data is a table of values the user typed, which "Werte bearbeiten" edits.
    bool entered = false;
    // The stored points' names, which the fit menus carry.
    QString nameA, nameB;
};

// The actions and the menus "Zuletzt geöffnet" and "Bild speichern"; owner is their parent.
// savePicture(scale) saves the picture in window size, twice or three times as large.
void CreateActions(MainControls& controls, QWidget& owner,
                   const std::function<void(int scale)>& savePicture);
// The fit entries of the plot's menu and of "Messen": one set of actions. fit(channelB, model)
// fits the current points; "Ausgleichskurve" is filled by the window as it opens.
void CreateFitActions(
    MainControls& controls, QWidget& owner,
    const std::function<void(bool channelB, kurvimat::analysis::FitModel model)>& fit);
// An action with a button or check box runs it: a click is the one way in, whoever clicks;
// clicked runs after a check box or radio button was clicked from its action.
void ShareWithButtons(MainControls& controls, QObject& owner, const std::function<void()>& clicked);
// The window's menu bar with the actions (classView: the class view's share and stop), the
// keys of the actions also in full screen, the label "Angehalten", and Space for the button
// reached with Tab. Returns the bar's menus.
QList<QMenu*> BuildMenuBar(QMainWindow& window, MainControls& controls,
                           const QList<QAction*>& classView);

// Brings the actions' captions, checks and enabled states up to state.
void ShowMenuState(MainControls& controls, const MenuActionState& state);
void ShowKeyState(MainControls& controls, const KeyActionState& state);

// A fit model as its menu entry shows it: the name, then the formula the readout shows too.
QString FitMenuText(const kurvimat::analysis::FitModelSpec& model);
