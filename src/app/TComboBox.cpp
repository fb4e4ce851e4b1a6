#include "TComboBox.h"

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
        connect(lineEdit(), &QLineEdit::returnPressed, this, &TComboBox::EnterPressed);
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
    // The line edit reported Enter already (EnterPressed) and ignored the key; handing it on
    // would give it back to the line edit and report it a second time.
    if (isEditable() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}
