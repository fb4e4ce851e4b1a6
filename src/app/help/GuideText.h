// The user guide ("Anleitung") in the program's resources, and the pieces of it that other
// windows show, so that every text about using the program has one source: the guide.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

/// Where the guide lies in the resources, for a QTextBrowser's source.
QUrl GuideUrl();
/// The guide's HTML.
QString GuideHtml();

/// The subsection under <h3>title</h3> up to the next heading of its level or above, heading
/// included; empty when the guide has no such subsection.
QString GuideSubsection(const QString& html, const QString& title);

/// What the formula section of the guide tells about the formulas in a signal definition: its
/// subsections on the variables, the operators and the functions.
QString FormulaHelpHtml();

/// The variables of a formula with one line each ("U", "Spannung am eigenen Eingang in Volt, …"),
/// read from the guide's table of variables: for tooltips.
struct FormulaVariable {
    QString name, meaning;
};
QList<FormulaVariable> FormulaVariables();
