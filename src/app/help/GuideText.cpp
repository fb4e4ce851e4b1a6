#include "help/GuideText.h"

#include "help/Language.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextDocumentFragment>

// Outside any namespace, as Q_INIT_RESOURCE declares the resource's function where it stands.
static void loadHelpResources() {
    // The resources live in a static library: nothing else makes the linker keep them.
    Q_INIT_RESOURCE(help);
}

namespace {

const QString GermanGuidePath = QStringLiteral(":/help/anleitung.html");
const QString EnglishGuidePath = QStringLiteral(":/help/anleitung_en.html");

// The English guide where the program runs in English and has it; the German one otherwise.
bool englishGuide() {
    return ProgramLanguage() == Language::English && QFile::exists(EnglishGuidePath);
}

QString guidePath() {
    return englishGuide() ? EnglishGuidePath : GermanGuidePath;
}

// The subsections the "Formelvariablen" window shows, in the guide's order, as the loaded guide
// titles them.
QStringList formulaSubsections() {
    if (englishGuide())
        return {QStringLiteral("Variables"), QStringLiteral("Numbers and operators"),
                QStringLiteral("Functions")};
    return {QStringLiteral("Variablen"), QStringLiteral("Zahlen und Rechenzeichen"),
            QStringLiteral("Funktionen")};
}

QString plainText(const QString& html) {
    return QTextDocumentFragment::fromHtml(html).toPlainText().simplified();
}

} // namespace

QUrl GuideUrl() {
    loadHelpResources();
    return QUrl(QStringLiteral("qrc") + guidePath());
}

QString GuideHtml() {
    loadHelpResources();
    QFile file(guidePath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QString GuideSubsection(const QString& html, const QString& title) {
    const QString heading = QStringLiteral("<h3>") + title + QStringLiteral("</h3>");
    const qsizetype start = html.indexOf(heading);
    if (start < 0) return {};
    static const QRegularExpression next(QStringLiteral("<h[1-3][ >]|<!-- ="));
    const qsizetype end = html.indexOf(next, start + heading.size());
    return html.mid(start, end < 0 ? -1 : end - start).trimmed();
}

QString FormulaHelpHtml() {
    const QString html = GuideHtml();
    QString out;
    for (const QString& title : formulaSubsections())
        out += GuideSubsection(html, title) + u'\n';
    return out;
}

QList<FormulaVariable> FormulaVariables() {
    const QString table = GuideSubsection(GuideHtml(), formulaSubsections().first());
    // One row per variable: <tr><td><b>U</b></td><td>meaning</td></tr>.
    static const QRegularExpression row(
        QStringLiteral("<tr><td><b>([^<]+)</b></td><td>(.*?)</td></tr>"),
        QRegularExpression::DotMatchesEverythingOption);
    QList<FormulaVariable> out;
    for (const QRegularExpressionMatch& m : row.globalMatch(table))
        out.append({m.captured(1), plainText(m.captured(2))});
    return out;
}
