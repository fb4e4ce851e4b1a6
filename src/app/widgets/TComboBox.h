// A combo box that keeps the selected index the way the windows of this program expect it:
// text typed by the user or set by the program selects no entry (index -1), and only the
// user's own actions raise Change. The wheel changes the entry only of a box that has the
// focus, and gives it none: a notch while scrolling past must not change a setting.
#pragma once

#include <QComboBox>

class TComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBox(bool editable, QWidget* parent = nullptr);

    // Index of the selected entry; -1 while the box holds a typed or program-set text.
    int ItemIndex() const { return FItemIndex; }
    // Selects an entry from the program; raises no Change.
    void SetItemIndex(int index);
    // Sets the text from the program; raises no Change and selects no entry.
    void SetText(const QString& text);
    QString Text() const { return currentText(); }
    // Replaces the list and keeps the text shown; selects no entry.
    void SetItems(const QStringList& items);

Q_SIGNALS:
    // The user picked an entry or typed into the box.
    void Change();
    // Enter was pressed in the box.
    void EnterPressed();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int FItemIndex = -1;
};
