// The command line of both programs, read before any window exists: the options in one table
// (CommandLine.cpp), and what the program answers on the terminal.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

struct CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    // Set: the program ends at once with this status after printing `output` (to stdout for
    // 0, else to stderr): help, version, a wrong command line. Unset: the window opens.
    std::optional<int> exitStatus;
    QString output;
    // An experiment or a measurement text to open; empty when none was named.
    QString file;
    // The flag options given, by their long name.
    QStringList flags;
    // The arguments for the application object: the program, then Qt's own options as Qt
    // reads them (-geometry 900x600, -reverse); the file and the program's options stay out,
    // so that Qt takes no file name for one of its options.
    QStringList toolkit;

    bool isSet(const QString& name) const { return flags.contains(name); }
};

/// Reads the arguments as QCoreApplication::arguments() gives them (the program first).
/// Qt's own options (-platform, -style, ...) pass for the application object to take, in
/// `toolkit`.
CommandLine ReadCommandLine(const QStringList& arguments);

/// The one line said when the program finds no display to open its window on.
QString NoDisplayText(const QString& program);
