#include "program/CommandLine.h"

#include "dialogs/AboutDialog.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace {

struct OptionEntry {
    QStringList names;     // a one-letter name first, where there is one
    const char* valueName; // nullptr: a flag
    const char* help;      // nullptr: not in the help (Qt's own options)
};

// Every option of kurvimat and kurvimat-demo; a new one is a line here. Each is taken with one
// dash or two, as Qt takes its own; a value follows as the next word or after "=".
const OptionEntry Options[] = {
    {{QStringLiteral("h"), QStringLiteral("help")},
     nullptr,
     QT_TRANSLATE_NOOP("CommandLine", "Zeigt diese Hilfe.")},
    {{QStringLiteral("v"), QStringLiteral("version")},
     nullptr,
     QT_TRANSLATE_NOOP("CommandLine", "Zeigt die Version des Programms.")},
    {{QStringLiteral("share")},
     nullptr,
     QT_TRANSLATE_NOOP("CommandLine", "Gibt die Klassenansicht frei und schreibt ihre Adresse "
                                      "auf die Standardausgabe.")},
    // What QGuiApplication, QApplication and the X11 platform take from the command line
    // (Qt 6.4 to 6.8); they go on to the application object.
    {{QStringLiteral("platform")}, "name", nullptr},
    {{QStringLiteral("platformpluginpath")}, "path", nullptr},
    {{QStringLiteral("platformtheme")}, "name", nullptr},
    {{QStringLiteral("plugin")}, "plugin", nullptr},
    {{QStringLiteral("style")}, "name", nullptr},
    {{QStringLiteral("stylesheet")}, "file", nullptr},
    {{QStringLiteral("qwindowgeometry")}, "geometry", nullptr},
    {{QStringLiteral("qwindowtitle")}, "title", nullptr},
    {{QStringLiteral("qwindowicon")}, "icon", nullptr},
    {{QStringLiteral("session")}, "session", nullptr},
    {{QStringLiteral("qmljsdebugger")}, "port", nullptr},
    {{QStringLiteral("reverse")}, nullptr, nullptr},
    {{QStringLiteral("widgetcount")}, nullptr, nullptr},
    {{QStringLiteral("testability")}, nullptr, nullptr},
    {{QStringLiteral("display")}, "display", nullptr},
    {{QStringLiteral("geometry")}, "geometry", nullptr},
    {{QStringLiteral("title")}, "title", nullptr},
    {{QStringLiteral("icon")}, "icon", nullptr},
    {{QStringLiteral("name")}, "name", nullptr},
    {{QStringLiteral("visual")}, "visual", nullptr},
    {{QStringLiteral("nograb")}, nullptr, nullptr},
    {{QStringLiteral("dograb")}, nullptr, nullptr},
    // Named in Qt's documentation for other systems or earlier versions: Qt here passes over
    // them, as in any Qt program, rather than the program refusing to start.
    {{QStringLiteral("sync")}, nullptr, nullptr},
    {{QStringLiteral("dialogs")}, "dialogs", nullptr},
    {{QStringLiteral("fontengine")}, "engine", nullptr},
};

const OptionEntry* FindOption(const QString& name) {
    for (const OptionEntry& o : Options)
        if (o.names.contains(name)) return &o;
    return nullptr;
}

QString ProgramName(const QStringList& arguments) {
    const QString name =
        arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).fileName();
    return name.isEmpty() ? QStringLiteral("kurvimat") : name;
}

QString HelpText(const QString& program) {
    QStringList rows, helps;
    for (const OptionEntry& o : Options) {
        if (!o.help) continue;
        QStringList names;
        for (const QString& n : o.names)
            names << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        rows << names.join(QStringLiteral(", "));
        helps << CommandLine::tr(o.help);
    }
    rows << CommandLine::tr("DATEI");
    helps << CommandLine::tr("Ein Versuch (*.kurvimat), der geöffnet wird, oder ein Messwerttext, der "
                "geladen wird.");
    qsizetype width = 0;
    for (const QString& r : rows)
        width = std::max(width, r.size());
    QString text = CommandLine::tr("Aufruf: %1 [OPTION] [DATEI]\n"
                      "Zweikanaliges USB-Oszilloskop und Messwerterfassung für den Unterricht.\n\n")
                       .arg(program);
    for (qsizetype i = 0; i < rows.size(); ++i)
        text += QStringLiteral("  ") + rows[i].leftJustified(width + 2) + helps[i] + u'\n';
    text += CommandLine::tr("\nDazu die Optionen jedes Qt-Programms, etwa -geometry 900x600+0+0, "
                            "-platform xcb, -style fusion, -display :0 oder -reverse.\n");
    return text;
}

CommandLine Ends(int status, const QString& output) {
    CommandLine line;
    line.exitStatus = status;
    line.output = output;
    return line;
}

// A word that names a file rather than an option: one that exists, or one with a dot or a
// slash in it.
bool LooksLikeFile(const QString& word) {
    return QFileInfo::exists(word) || word.contains(u'.') || word.contains(u'/');
}

} // namespace

CommandLine ReadCommandLine(const QStringList& arguments) {
    const QString program = ProgramName(arguments);
    const QString seeHelp = CommandLine::tr("„%1 --help“ zeigt, was die Befehlszeile enthalten kann.").arg(program);
    CommandLine line;
    line.toolkit << (arguments.isEmpty() ? program : arguments.first());
    QStringList files;
    bool optionsEnd = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (optionsEnd || !word.startsWith(u'-') || word == QStringLiteral("-")) {
            files << word;
            continue;
        }
        if (word == QStringLiteral("--")) {
            optionsEnd = true;
            continue;
        }
        const QString body = word.mid(word.startsWith(QStringLiteral("--")) ? 2 : 1);
        const qsizetype equals = body.indexOf(u'=');
        const QString name = equals < 0 ? body : body.left(equals);
        const OptionEntry* option = FindOption(name);
        if (!option) {
            QString text = CommandLine::tr("%1: Unbekannte Option „%2“.").arg(program, word);
            if (LooksLikeFile(word))
                text += u' ' + CommandLine::tr("Eine Datei, deren Name mit „-“ beginnt, wird mit "
                                               "„%1 -- %2“ oder „%1 ./%2“ geöffnet.")
                                   .arg(program, word);
            return Ends(2, text + u' ' + seeHelp + u'\n');
        }
        const QString typed = equals < 0 ? word : word.left(word.indexOf(u'='));
        QString value;
        if (!option->valueName) {
            if (equals >= 0)
                return Ends(2, CommandLine::tr("%1: Die Option „%2“ nimmt keinen Wert an "
                                               "(„%3“). %4\n")
                                   .arg(program, typed, word, seeHelp));
            line.flags << option->names.last();
        } else if (equals >= 0) {
            value = body.mid(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return Ends(2, CommandLine::tr("%1: Der Option „%2“ fehlt ihr Wert. %3\n")
                               .arg(program, typed, seeHelp));
        }
        // Qt's own options go on in the form Qt reads them all: one dash, the value as the
        // next word.
        if (!option->help) {
            line.toolkit << u'-' + name;
            if (option->valueName) line.toolkit << value;
        }
    }
    if (line.isSet(QStringLiteral("help"))) return Ends(0, HelpText(program));
    if (line.isSet(QStringLiteral("version")))
        return Ends(0, QStringLiteral("%1 %2\n").arg(program, AboutDialog::version()));
    if (files.size() > 1)
        return Ends(
            2, CommandLine::tr("%1: Nur eine Datei kann geöffnet werden, nicht auch „%2“. %3\n")
                   .arg(program, files[1], seeHelp));
    if (!files.isEmpty()) line.file = files.first();
    return line;
}

QString NoDisplayText(const QString& program) {
    return CommandLine::tr("%1 braucht eine grafische Sitzung: es wurde kein Bildschirm gefunden "
              "(DISPLAY oder WAYLAND_DISPLAY).")
        .arg(program);
}
