#include "dialogs/FormulaVariablesDialog.h"

#include "help/GuideText.h"
#include "widgets/ScreenFit.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
// The guide's section on formulas, with examples and the built-in signals.
const QString FormulaAnchor = QStringLiteral("formeln");
} // namespace

FormulaVariablesDialog::FormulaVariablesDialog(QWidget* parent)
    : QDialog(parent), browser_(new QTextBrowser(this)) {
    setWindowTitle(tr("Formelvariablen"));
    setObjectName(QStringLiteral("FormFormelvariablen"));
    browser_->setObjectName(QStringLiteral("TextBrowserFormelvariablen"));
    browser_->setHtml(FormulaHelpHtml());

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* guide =
        buttons->addButton(tr("Mehr in der Anleitung"), QDialogButtonBox::ActionRole);
    guide->setToolTip(tr("Die Formelsprache in der Anleitung, mit Beispielen und den "
                         "eingebauten Signalen (F1)."));
    QPushButton* close = buttons->addButton(tr("Schließen"), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(guide, &QPushButton::clicked, this, [this] { emit guideRequested(FormulaAnchor); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_, 1);
    layout->addWidget(buttons);
    ResizeWithinScreen(this, {640, 640});
}
