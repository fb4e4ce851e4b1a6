#include "CommandLine.h"

#include "AboutDialog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace {

struct OptionEntry {
    QStringList names;     // a one-letter name first, where there is one
    const char* valueName; // nullptr: a flag
    const char* help;      // nullptr: not in the help (Qt's own options)
};

// Every option of kurvimat and kurvimat-demo; a new one is a line here.
const OptionEntry Options[] = {
    {{QStringLiteral("h"), QStringLiteral("help")}, nullptr,
     QT_TRANSLATE_NOOP("CommandLine", "Zeigt diese Hilfe.")},
    {{QStringLiteral("v"), QStringLiteral("version")}, nullptr,
     QT_TRANSLATE_NOOP("CommandLine", "Zeigt die Version des Programms.")},
    {{QStringLiteral("share")}, nullptr,
     QT_TRANSLATE_NOOP("CommandLine", "Gibt die Klassenansicht frei und schreibt ihre Adresse "
                                      "auf die Standardausgabe.")},
    // What QGuiApplication takes from the command line itself.
    {{QStringLiteral("platform")}, "name", nullptr},
    {{QStringLiteral("platformpluginpath")}, "path", nullptr},
    {{QStringLiteral("platformtheme")}, "name", nullptr},
    {{QStringLiteral("style")}, "name", nullptr},
    {{QStringLiteral("stylesheet")}, "file", nullptr},
    {{QStringLiteral("qwindowgeometry")}, "geometry", nullptr},
    {{QStringLiteral("qwindowtitle")}, "title", nullptr},
    {{QStringLiteral("display")}, "display", nullptr},
    {{QStringLiteral("reverse")}, nullptr, nullptr},
};

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
    return text;
}

CommandLine Ends(int status, const QString& output) {
    CommandLine line;
    line.exitStatus = status;
    line.output = output;
    return line;
}

} // namespace

CommandLine ReadCommandLine(const QStringList& arguments) {
    const QString program = ProgramName(arguments);
    QCommandLineParser parser;
    // Qt's options are single-dash words (-platform); so are ours then (-help as --help).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionEntry& o : Options) {
        QCommandLineOption option(o.names);
        if (o.valueName) option.setValueName(QString::fromLatin1(o.valueName));
        parser.addOption(option);
    }
    const QString seeHelp = CommandLine::tr("„%1 --help“ zeigt, was die Befehlszeile enthalten kann.").arg(program);
    if (!parser.parse(arguments.isEmpty() ? QStringList{program} : arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return Ends(2, CommandLine::tr("%1: Unbekannte Option „%2“. %3\n")
                               .arg(program,
                                    (unknown.first().size() == 1 ? QStringLiteral("-")
                                                                 : QStringLiteral("--")) +
                                        unknown.first(),
                                    seeHelp));
        return Ends(2, CommandLine::tr("%1: Einer Option fehlt ihr Wert. %2\n").arg(program, seeHelp));
    }
    if (parser.isSet(QStringLiteral("help"))) return Ends(0, HelpText(program));
    if (parser.isSet(QStringLiteral("version")))
        return Ends(0, QStringLiteral("%1 %2\n").arg(program, AboutDialog::version()));
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return Ends(2, CommandLine::tr("%1: Nur eine Datei kann geöffnet werden, nicht auch „%2“. %3\n")
                           .arg(program, files[1], seeHelp));
    CommandLine line;
    if (!files.isEmpty()) line.file = files.first();
    for (const OptionEntry& o : Options)
        if (!o.valueName && parser.isSet(o.names.last())) line.flags << o.names.last();
    return line;
}

QString NoDisplayText(const QString& program) {
    return CommandLine::tr("%1 braucht eine grafische Sitzung: es wurde kein Bildschirm gefunden "
              "(DISPLAY oder WAYLAND_DISPLAY).")
        .arg(program);
}
