// The list of the session's runs ("Messreihen"): a check box per run shows it over the plot,
// a square gives its colour, its name is edited in place (F2 or a double click); buttons make
// it the current data again, copy, save, delete it and bring the deleted one back. The history
// of "normal" sweeps follows the user's runs under a heading of its own.
#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class RunsWindow : public QWidget {
    Q_OBJECT
public:
    struct Entry {
        qint64 id = 0;
        QString name;
        QColor colour;
        bool shown = false;
        bool automatic = false; ///< in the history: listed apart, after the user's runs
    };

    explicit RunsWindow(QWidget* parent = nullptr);

    /// The runs in their order; the current one stays chosen where it still is.
    void setEntries(const QList<Entry>& entries);
    void setCanUndo(bool can);
    /// A short line under the list: what the last keep did.
    void setStatus(const QString& text);
    QString status() const;
    /// The chosen run's id, 0 without one.
    qint64 current() const;
    void setCurrent(qint64 id);

    QListWidget* listWidget() const { return list_; }
    QPushButton* makeCurrentButton() const { return makeCurrent_; }
    QPushButton* copyButton() const { return copy_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* undoButton() const { return undo_; }
    QPushButton* keepButton() const { return keep_; }

Q_SIGNALS:
    void shownChanged(qint64 id, bool shown);
    void renamed(qint64 id, const QString& name);
    void makeCurrentRequested(qint64 id);
    void copyRequested(qint64 id);
    void saveRequested(qint64 id);
    void deleteRequested(qint64 id);
    void undoRequested();
    void keepRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void itemChanged(QListWidgetItem* item);
    void updateButtons();

    QListWidget* list_;
    QPushButton *makeCurrent_, *copy_, *save_, *delete_, *undo_, *keep_;
    QLabel* status_;
    bool filling_ = false;
    bool canUndo_ = false;
};
