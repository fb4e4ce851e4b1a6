// The window's side of the class view: the Datei menu's "Klassenansicht freigeben …" and
// "Freigabe beenden", the dialog with the address and its QR code for the projector, and the
// count of watchers beside the menu bar. The server itself is the core's (src/classview).
#pragma once

#include <QObject>

#include <memory>

class QAction;
class QDialog;
class QLabel;
class TFormMain;
namespace kurvimat::classview {
class ClassViewServer;
}

class ClassViewShare : public QObject {
    Q_OBJECT
public:
    explicit ClassViewShare(TFormMain& window);
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

    TFormMain& w_;
    std::unique_ptr<kurvimat::classview::ClassViewServer> server_;
    QAction* share_ = nullptr;
    QAction* stop_ = nullptr;
    QLabel* watching_ = nullptr;
    QDialog* dialog_ = nullptr;
    QLabel* dialogCount_ = nullptr;
};

