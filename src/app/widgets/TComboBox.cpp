#include "widgets/TComboBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QWheelEvent>

TComboBox::TComboBox(bool editable, QWidget* parent) : QComboBox(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setEditable(editable);
    if (editable) {
        setInsertPolicy(QComboBox::NoInsert);
        setCompleter(nullptr);
        connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
            FItemIndex = -1;
            emit Change();
        });
    }
    connect(this, &QComboBox::activated, this, [this](int index) {
        FItemIndex = index;
        emit Change();
    });
}

void TComboBox::SetItemIndex(int index) {
    const QSignalBlocker block(this);
    setCurrentIndex(index);
    FItemIndex = currentIndex();
}

void TComboBox::SetText(const QString& text) {
    const QSignalBlocker block(this);
    if (isEditable())
        setEditText(text);
    else
        setCurrentIndex(findText(text));
    FItemIndex = -1;
}

void TComboBox::SetItems(const QStringList& items) {
    const QSignalBlocker block(this);
    const QString text = currentText();
    clear();
    addItems(items);
    if (isEditable()) {
        setCurrentIndex(-1);
        setEditText(text);
    }
    FItemIndex = -1;
}

void TComboBox::wheelEvent(QWheelEvent* event) {
    if (hasFocus())
        QComboBox::wheelEvent(event);
    else
        event->ignore(); // the panel behind may scroll
}

void TComboBox::keyPressEvent(QKeyEvent* event) {
    // Enter (also the keypad's) reaches the box first when the box has the focus, or after the
    // line edit ignored it when the line edit has; either way it is reported here, once, and
    // not handed on (QComboBox would give it to the line edit again).
    if (isEditable() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        emit EnterPressed();
        return;
    }
    QComboBox::keyPressEvent(event);
}
