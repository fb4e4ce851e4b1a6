// "Formelvariablen": what a formula may use (variables, operators, functions), shown from the
// guide's formula section so that there is one text to keep.
#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

class FormulaVariablesDialog : public QDialog {
    Q_OBJECT
public:
    explicit FormulaVariablesDialog(QWidget* parent = nullptr);

    QTextBrowser* browser() const { return browser_; }

Q_SIGNALS:
    /// "Mehr in der Anleitung": the guide at this anchor.
    void guideRequested(const QString& anchor);

private:
    QTextBrowser* browser_;
};
