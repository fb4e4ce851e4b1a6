// "Tabelle": the points of the current data or of a chosen run as a table that follows a
// recording, with the rows between the time cursors highlighted and the selection copied as a
// measurement text for a spreadsheet. A window of its own, or the widget of a dock.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class PointTableModel;
class QAction;
class QComboBox;
class QMenu;
class QLabel;
class QTableView;

class TableWindow : public QWidget {
    Q_OBJECT
public:
    /// The choice that stands for the current data; runs are chosen by their ids (from 1 on).
    static constexpr qint64 CurrentData = 0;
    struct RunChoice {
        qint64 id = 0;
        QString name;
    };

    explicit TableWindow(QWidget* parent = nullptr);

    /// The model the table shows; its source is set from outside when the choice changes.
    PointTableModel& model() { return *model_; }
    QTableView* view() const { return view_; }

    /// The runs offered beside the current data. A chosen run that is no longer among them gives
    /// way to the current data, which emits choiceChanged.
    void setRuns(const QList<RunChoice>& runs);
    /// CurrentData or the id of the chosen run.
    qint64 choice() const;

    /// Puts the selected rows on the clipboard as a measurement text and returns it; nothing
    /// (and an empty text) without a selection.
    QString copySelection();

    /// Actions of the window that owns the table, offered in its context menu after its own
    /// (a new quantity over the points shown).
    void addMenuActions(const QList<QAction*>& actions) { menuExtras_ += actions; }
    /// The context menu's entries: copy, select all, then the owner's.
    void fillContextMenu(QMenu& menu) const;

Q_SIGNALS:
    void choiceChanged(qint64 choice);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCount();
    int numberWidth() const;
    void fitColumns();
    void followGrowth(int first);
    void showContextMenu(const QPoint& position);

    PointTableModel* model_;
    QComboBox* choices_;
    QLabel* count_;
    QTableView* view_;
    bool atEnd_ = false; // the view showed the last row before rows were added
    QList<QAction*> menuExtras_;
};
