#include "help/HelpWindow.h"

#include "help/GuideText.h"
#include "widgets/ScreenFit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* makeButton(QWidget* parent, const QString& text, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent), browser_(new QTextBrowser(this)), search_(new QLineEdit(this)),
      note_(new QLabel(this)),
      back_(makeButton(this, tr("◀ Zurück"), tr("Zur vorher gezeigten Stelle (Alt+Links)."))),
      forward_(makeButton(this, tr("Vor ▶"),
                          tr("Wieder vor zur Stelle, von der Sie zurück gegangen "
                             "sind (Alt+Rechts)."))) {
    setWindowTitle(tr("Kurvimat – Anleitung"));
    setObjectName(QStringLiteral("FormAnleitung"));

    QToolButton* contents =
        makeButton(this, tr("Inhalt"), tr("Zum Inhaltsverzeichnis der Anleitung."));
    QToolButton* previous =
        makeButton(this, QStringLiteral("\u25B2"), tr("Vorige Fundstelle (Umschalt+F3)."));
    QToolButton* next =
        makeButton(this, QStringLiteral("\u25BC"), tr("Nächste Fundstelle (Enter oder F3)."));
    back_->setEnabled(false);
    forward_->setEnabled(false);

    search_->setObjectName(QStringLiteral("EditSuchen"));
    search_->setPlaceholderText(tr("Suchen (Strg+F)"));
    search_->setClearButtonEnabled(true);
    search_->setToolTip(tr("Wort in der Anleitung suchen: Enter oder F3 findet die "
                           "nächste Stelle, Umschalt+F3 die vorige."));
    note_->setObjectName(QStringLiteral("LabelNichtGefunden"));
    QPalette red = note_->palette();
    red.setColor(QPalette::WindowText, QColor(192, 0, 0));
    note_->setPalette(red);

    browser_->setObjectName(QStringLiteral("TextBrowserAnleitung"));
    browser_->setOpenExternalLinks(true);
    browser_->setSource(GuideUrl());

    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents, &QToolButton::clicked, this,
            [this] { showAnchor(QStringLiteral("inhalt")); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(next, &QToolButton::clicked, this, [this] { find(search_->text()); });
    connect(previous, &QToolButton::clicked, this, [this] { find(search_->text(), true); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { find(search_->text()); });
    connect(search_, &QLineEdit::textEdited, this, &HelpWindow::searchFromSelectionStart);

    auto* focusSearch = new QShortcut(QKeySequence::Find, this);
    connect(focusSearch, &QShortcut::activated, this, [this] {
        search_->setFocus(Qt::ShortcutFocusReason);
        search_->selectAll();
    });
    auto* findNext = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(findNext, &QShortcut::activated, this, [this] { find(search_->text()); });
    auto* findPrevious = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    connect(findPrevious, &QShortcut::activated, this, [this] { find(search_->text(), true); });

    auto* bar = new QHBoxLayout;
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addWidget(contents);
    bar->addSpacing(12);
    bar->addWidget(search_, 1);
    bar->addWidget(previous);
    bar->addWidget(next);
    bar->addWidget(note_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    ResizeWithinScreen(this, {780, 720});
}

void HelpWindow::showAnchor(const QString& anchor) {
    QUrl url = GuideUrl();
    if (!anchor.isEmpty()) url.setFragment(anchor);
    browser_->setSource(url);
    if (anchor.isEmpty()) browser_->verticalScrollBar()->setValue(0);
    show();
    raise();
    activateWindow();
}

bool HelpWindow::find(const QString& text, bool backward) {
    note_->clear();
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    // From where the reader is: a place found or chosen before while it is in view, else the
    // first (or last) line shown.
    if (!browser_->viewport()->rect().intersects(browser_->cursorRect())) {
        const QRect view = browser_->viewport()->rect();
        browser_->setTextCursor(
            browser_->cursorForPosition(backward ? view.bottomRight() : view.topLeft()));
    }
    if (browser_->find(text, flags)) return true;
    // Once around: from the other end of the guide.
    const QTextCursor kept = browser_->textCursor();
    QTextCursor from = kept;
    from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    browser_->setTextCursor(from);
    if (browser_->find(text, flags)) return true;
    browser_->setTextCursor(kept);
    note_->setText(tr("„%1“ nicht gefunden").arg(text));
    return false;
}

// Typing extends the search where it stands: from the start of the place found so far.
void HelpWindow::searchFromSelectionStart() {
    QTextCursor cursor = browser_->textCursor();
    cursor.setPosition(cursor.selectionStart());
    browser_->setTextCursor(cursor);
    find(search_->text());
}
