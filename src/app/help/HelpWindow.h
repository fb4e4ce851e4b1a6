// "Anleitung": the user guide in a browser window with back and forward, and a search field
// (Ctrl+F; Enter or F3 finds the next place, Shift+F3 the one before).
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    /// Shows the window at the section with this anchor ("trigger", "formeln"); an empty or
    /// unknown anchor shows the guide from its beginning.
    void showAnchor(const QString& anchor);
    /// Selects the next (or previous) place of text, wrapping around at the end; false, with a
    /// note in the window, where the guide does not contain it.
    bool find(const QString& text, bool backward = false);

    QTextBrowser* browser() const { return browser_; }

private:
    void searchFromSelectionStart();

    QTextBrowser* browser_;
    QLineEdit* search_;
    QLabel* note_;
    QToolButton* back_;
    QToolButton* forward_;
};
