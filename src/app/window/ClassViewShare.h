// The window's side of the class view: the Datei menu's "Klassenansicht freigeben …" and
// "Freigabe beenden", the dialog with the address and its QR code for the projector, and the
// count of watchers beside the menu bar. The server itself is the core's (src/classview).
#pragma once

#include <QObject>

#include <memory>

class MainRuns;
class QAction;
class QDialog;
class QLabel;
class QMainWindow;
namespace kurvimat::classview {
class ClassViewServer;
}
namespace kurvimat::session {
class Session;
}

class ClassViewShare : public QObject {
    Q_OBJECT
public:
    // The count of watchers goes beside the window's menu bar; the runs shown in the window
    // are the ones the pages show (none without runs).
    ClassViewShare(QMainWindow& window, kurvimat::session::Session& session, MainRuns* runs);
    ~ClassViewShare() override;

    QAction* ShareAction() const { return share_; }
    QAction* StopAction() const { return stop_; }
    /// Starts a freigabe (if none runs) and shows the dialog; false when it could not start,
    /// which has then been said.
    bool Share(bool showDialog = true);
    void Stop();
    /// The window's 50 ms tick: what is new goes to the watching pages.
    void Tick();
    kurvimat::classview::ClassViewServer& Server() { return *server_; }

private:
    void ShowDialog();
    void UpdateState();

    QMainWindow& w_;
    const kurvimat::session::Session& session_;
    MainRuns* runs_;
    std::unique_ptr<kurvimat::classview::ClassViewServer> server_;
    QAction* share_ = nullptr;
    QAction* stop_ = nullptr;
    QLabel* watching_ = nullptr;
    QDialog* dialog_ = nullptr;
    QLabel* dialogCount_ = nullptr;
};

