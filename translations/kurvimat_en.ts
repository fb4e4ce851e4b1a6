<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Über Kurvimat</source>
        <translation>About Kurvimat</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>&lt;h2&gt;Kurvimat&lt;/h2&gt;&lt;p&gt;Version %1&lt;/p&gt;&lt;p&gt;Das Programm zum USB-Speicheroszilloskop und Messwerterfasser Kurvimat für den Unterricht: zwei Eingänge, Messungen von 100 bis 10000 Punkten, Formeln für physikalische Größen, Cursor, Ausgleichskurven und Daten für die Tabellenkalkulation.&lt;/p&gt;&lt;p&gt;Lizenz: GNU General Public License, Version 3 oder jede spätere Version (GPL-3.0-or-later). Kurvimat ist freie Software: Sie dürfen es unter diesen Bedingungen weitergeben und verändern. Es wird ohne jede Gewährleistung bereitgestellt.&lt;/p&gt;&lt;p&gt;Gebaut mit Qt %2.&lt;/p&gt;</source>
        <translation>&lt;h2&gt;Kurvimat&lt;/h2&gt;&lt;p&gt;Version %1&lt;/p&gt;&lt;p&gt;The program for the Kurvimat USB storage oscilloscope and data logger in the classroom: two inputs, measurements of 100 to 10000 points, formulas for physical quantities, cursors, curve fits and data for spreadsheets.&lt;/p&gt;&lt;p&gt;Licence: GNU General Public License, version 3 or any later version (GPL-3.0-or-later). Kurvimat is free software: you may pass it on and change it under these terms. It comes without any warranty.&lt;/p&gt;&lt;p&gt;Built with Qt %2.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>Analysis</name>
    <message>
        <source>Skala A min: </source>
        <translation>Scale A min: </translation>
    </message>
    <message>
        <source>Skala A max: </source>
        <translation>Scale A max: </translation>
    </message>
    <message>
        <source>Differenz A: </source>
        <translation>Difference A: </translation>
    </message>
    <message>
        <source>Skala B min: </source>
        <translation>Scale B min: </translation>
    </message>
    <message>
        <source>Skala B max: </source>
        <translation>Scale B max: </translation>
    </message>
    <message>
        <source>Differenz B: </source>
        <translation>Difference B: </translation>
    </message>
    <message>
        <source>Verhältnis A/B: </source>
        <translation>Ratio A/B: </translation>
    </message>
    <message>
        <source>Verhältnis B/A: </source>
        <translation>Ratio B/A: </translation>
    </message>
</context>
<context>
    <name>AxisPictures</name>
    <message>
        <source>auto</source>
        <translation>auto</translation>
    </message>
</context>
<context>
    <name>BigDisplay</name>
    <message>
        <source>Dunkel</source>
        <translation>Dark</translation>
    </message>
    <message>
        <source>Vollbild</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>Großanzeige</source>
        <translation>Big display</translation>
    </message>
    <message>
        <source>Helle Ziffern auf Schwarz, für den abgedunkelten Raum (Strg+D).</source>
        <translation>Bright digits on black, for a darkened room (Ctrl+D).</translation>
    </message>
    <message>
        <source>Füllt den ganzen Bildschirm (F11); Esc kehrt zurück.</source>
        <translation>Fills the whole screen (F11); Esc returns.</translation>
    </message>
    <message>
        <source>Kanal A</source>
        <translation>Channel A</translation>
    </message>
    <message>
        <source>Kanal B</source>
        <translation>Channel B</translation>
    </message>
    <message>
        <source>Fenster</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>Kanal %1</source>
        <translation>Channel %1</translation>
    </message>
</context>
<context>
    <name>ClassViewShare</name>
    <message>
        <source>&amp;Klassenansicht freigeben …</source>
        <translation>Share &amp;class view …</translation>
    </message>
    <message>
        <source>&amp;Freigabe beenden</source>
        <translation>&amp;Stop sharing</translation>
    </message>
    <message>
        <source>Klassenansicht: %1 verbunden</source>
        <translation>Class view: %1 connected</translation>
    </message>
    <message>
        <source>Klassenansicht</source>
        <translation>Class view</translation>
    </message>
    <message>
        <source>Die Schülerinnen und Schüler öffnen diese Adresse im Browser (im selben Netz) oder scannen den Code. Sie sehen die Messung live und können nichts verändern.</source>
        <translation>Students open this address in a browser (on the same network) or scan the code. They see the measurement live and cannot change anything.</translation>
    </message>
    <message>
        <source>Freigabe beenden</source>
        <translation>Stop sharing</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>ColumnFormula</name>
    <message>
        <source>die Formel ist zu lang</source>
        <translation>the formula is too long</translation>
    </message>
    <message>
        <source>die Formel ist leer</source>
        <translation>the formula is empty</translation>
    </message>
    <message>
        <source>zu viele Reihenfunktionen in der Formel</source>
        <translation>too many series functions in the formula</translation>
    </message>
    <message>
        <source>unbekannte Funktion „%1“ an Stelle %2</source>
        <translation>unknown function “%1” at position %2</translation>
    </message>
    <message>
        <source>Klammer fehlt an Stelle %1</source>
        <translation>a bracket is missing at position %1</translation>
    </message>
    <message>
        <source>unbekannter Name „%1“ an Stelle %2</source>
        <translation>unknown name “%1” at position %2</translation>
    </message>
    <message>
        <source>Leerzeichen an Stelle %1</source>
        <translation>a blank at position %1</translation>
    </message>
    <message>
        <source>zu viele Klammerebenen</source>
        <translation>too many levels of brackets</translation>
    </message>
    <message>
        <source>die Formel ist zu umfangreich</source>
        <translation>the formula is too long</translation>
    </message>
    <message>
        <source>unverständliche Schreibweise an Stelle %1</source>
        <translation>the notation cannot be understood at position %1</translation>
    </message>
    <message>
        <source>die Schreibweise ist unverständlich</source>
        <translation>the notation cannot be understood</translation>
    </message>
    <message>
        <source>zu viele Reihenfunktionen ineinander an Stelle %1</source>
        <translation>too many series functions inside each other at position %1</translation>
    </message>
    <message>
        <source>%1 braucht %2 Angaben, getrennt durch „;“, an Stelle %3</source>
        <translation>%1 takes %2 arguments, separated by “;”, at position %3</translation>
    </message>
    <message>
        <source>leere Angabe an Stelle %1</source>
        <translation>an empty argument at position %1</translation>
    </message>
    <message>
        <source>hier gehört eine ganze Zahl hin, an Stelle %1</source>
        <translation>a whole number belongs here, at position %1</translation>
    </message>
    <message>
        <source>das Fenster muss eine ungerade Zahl ab 3 sein, an Stelle %1</source>
        <translation>the window must be an odd number from 3, at position %1</translation>
    </message>
    <message>
        <source>die Ordnung muss kleiner als das Fenster sein, an Stelle %1</source>
        <translation>the order must be less than the window, at position %1</translation>
    </message>
    <message>
        <source>SAVGOLABL braucht die Zeit %1 als Spalte, an Stelle %2</source>
        <translation>SAVGOLABL needs the time %1 as a column, at position %2</translation>
    </message>
    <message>
        <source>die Formel ist nicht übersetzt</source>
        <translation>the formula is not compiled</translation>
    </message>
    <message>
        <source>die Spalten passen nicht zur Formel</source>
        <translation>the columns do not fit the formula</translation>
    </message>
    <message>
        <source>%1 braucht mindestens zwei Punkte, an Stelle %2</source>
        <translation>%1 needs at least two points, at position %2</translation>
    </message>
    <message>
        <source>%1 über gleiche Werte: Punkt %2 und %3 haben dasselbe x, an Stelle %4</source>
        <translation>%1 over equal values: points %2 and %3 have the same x, at position %4</translation>
    </message>
    <message>
        <source>das Fenster von %1 Punkten ist länger als die %2 Punkte der Messreihe, an Stelle %3</source>
        <translation>the window of %1 points is longer than the %2 points of the series, at position %3</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Zeigt diese Hilfe.</source>
        <translation>Shows this help.</translation>
    </message>
    <message>
        <source>Zeigt die Version des Programms.</source>
        <translation>Shows the program&apos;s version.</translation>
    </message>
    <message>
        <source>DATEI</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>Ein Versuch (*.kurvimat), der geöffnet wird, oder ein Messwerttext, der geladen wird.</source>
        <translation>An experiment (*.kurvimat) to open, or a measurement text to load.</translation>
    </message>
    <message>
        <source>Aufruf: %1 [OPTION] [DATEI]
Zweikanaliges USB-Oszilloskop und Messwerterfassung für den Unterricht.

</source>
        <translation>Usage: %1 [OPTION] [FILE]
Two-channel USB oscilloscope and data logger for school labs.

</translation>
    </message>
    <message>
        <source>„%1 --help“ zeigt, was die Befehlszeile enthalten kann.</source>
        <translation>“%1 --help” shows what the command line may hold.</translation>
    </message>
    <message>
        <source>%1: Nur eine Datei kann geöffnet werden, nicht auch „%2“. %3
</source>
        <translation>%1: Only one file can be opened, not also “%2”. %3
</translation>
    </message>
    <message>
        <source>%1 braucht eine grafische Sitzung: es wurde kein Bildschirm gefunden (DISPLAY oder WAYLAND_DISPLAY).</source>
        <translation>%1 needs a graphical session: no display was found (DISPLAY or WAYLAND_DISPLAY).</translation>
    </message>
    <message>
        <source>Gibt die Klassenansicht frei und schreibt ihre Adresse auf die Standardausgabe.</source>
        <translation>Shares the class view and writes its address to standard output.</translation>
    </message>
    <message>
        <source>
Dazu die Optionen jedes Qt-Programms, etwa -geometry 900x600+0+0, -platform xcb, -style fusion, -display :0 oder -reverse.
</source>
        <translation>
The options of every Qt program work as well, such as -geometry 900x600+0+0, -platform xcb, -style fusion, -display :0 or -reverse.
</translation>
    </message>
    <message>
        <source>%1: Unbekannte Option „%2“.</source>
        <translation>%1: Unknown option “%2”.</translation>
    </message>
    <message>
        <source>%1: Die Option „%2“ nimmt keinen Wert an („%3“). %4
</source>
        <translation>%1: The option “%2” takes no value (“%3”). %4
</translation>
    </message>
    <message>
        <source>%1: Der Option „%2“ fehlt ihr Wert. %3
</source>
        <translation>%1: The option “%2” lacks its value. %3
</translation>
    </message>
    <message>
        <source>Eine Datei, deren Name mit „-“ beginnt, wird mit „%1 -- %2“ oder „%1 ./%2“ geöffnet.</source>
        <translation>A file whose name begins with “-” is opened with “%1 -- %2” or “%1 ./%2”.</translation>
    </message>
</context>
<context>
    <name>CurveFit</name>
    <message>
        <source>Zu wenige Messpunkte für diese Ausgleichskurve</source>
        <translation>Too few points for this curve fit</translation>
    </message>
    <message>
        <source>Die Messwerte ändern sich nicht: diese Ausgleichskurve ist nicht bestimmt</source>
        <translation>The values do not change: this curve fit is undetermined</translation>
    </message>
    <message>
        <source>Die Ausgleichskurve konvergiert nicht</source>
        <translation>The curve fit does not converge</translation>
    </message>
    <message>
        <source>das Rauschen verdeckt den Verlauf</source>
        <translation>the noise hides the shape of the curve</translation>
    </message>
    <message>
        <source>längere Messdauer oder weniger Rauschen</source>
        <translation>a longer measuring time or less noise</translation>
    </message>
    <message>
        <source>in der Messdauer ist die Kurve kaum gekrümmt</source>
        <translation>the curve hardly bends within the measuring time</translation>
    </message>
    <message>
        <source>längere Messdauer</source>
        <translation>a longer measuring time</translation>
    </message>
    <message>
        <source>die Änderung ist nach wenigen Messpunkten vorbei</source>
        <translation>the change is over after a few points</translation>
    </message>
    <message>
        <source>kürzeres Messintervall</source>
        <translation>a shorter sampling interval</translation>
    </message>
    <message>
        <source>weniger als vier Messpunkte je Schwingung</source>
        <translation>fewer than four points per oscillation</translation>
    </message>
    <message>
        <source>weniger als eine Schwingung in der Messdauer</source>
        <translation>less than one oscillation within the measuring time</translation>
    </message>
    <message>
        <source>Die Messpunkte bestimmen %1 nicht: %2. Abhilfe: %3.</source>
        <translation>The points do not determine %1: %2. Remedy: %3.</translation>
    </message>
    <message>
        <source>Diese Ausgleichskurve gibt es nicht</source>
        <translation>There is no such fitted curve</translation>
    </message>
    <message>
        <source>in der Messdauer ist keine S-Kurve zu sehen</source>
        <translation>no S-curve shows within the measuring time</translation>
    </message>
    <message>
        <source>Eine Potenzfunktion braucht Messpunkte mit t &gt; 0: die Zeitspanne beginnt bei 0 oder davor</source>
        <translation>A power law needs points with t &gt; 0: the span starts at 0 or before</translation>
    </message>
    <message>
        <source>Die eigene Funktion fehlt</source>
        <translation>The user-defined function is missing</translation>
    </message>
    <message>
        <source>Die Funktion hat mit den Startwerten bei x = %1 keinen Wert</source>
        <translation>With the start values the function has no value at x = %1</translation>
    </message>
    <message>
        <source>Die Messpunkte bestimmen %1 nicht: der Parameter ändert die Kurve nicht oder nur so wie andere. Abhilfe: %2 weglassen, andere Startwerte oder Messpunkte über einen weiteren Bereich.</source>
        <translation>The points do not determine %1: the parameter does not change the curve, or only as others do. Remedy: leave %2 out, other start values or points over a wider range.</translation>
    </message>
    <message>
        <source>Die Messpunkte bestimmen a nicht: sie liegen bei weniger als drei verschiedenen Werten. Abhilfe: Messpunkte über einen weiteren Bereich.</source>
        <translation>The points do not determine a: they lie at fewer than three different values. Remedy: points over a wider range.</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>Speichern</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Verwerfen</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Wiederherstellen</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Die Datei %1 ist schon vorhanden. Soll sie ersetzt werden?</source>
        <translation>The file %1 already exists. Do you want to replace it?</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ExperimentFile</name>
    <message>
        <source>Die Datei %1 ist keine Kurvimat-Versuchsdatei.</source>
        <translation>The file %1 is not a Kurvimat experiment file.</translation>
    </message>
    <message>
        <source>Die Datei %1 ist beschädigt oder unvollständig und kann nicht geöffnet werden.</source>
        <translation>The file %1 is damaged or incomplete and cannot be opened.</translation>
    </message>
    <message>
        <source>Die Datei %1 stammt aus einer neueren Kurvimat-Version und kann nicht geöffnet werden.</source>
        <translation>The file %1 comes from a newer version of Kurvimat and cannot be opened.</translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; kann nicht erstellt werden. %2</source>
        <translation>The file &quot;%1&quot; cannot be created. %2</translation>
    </message>
    <message>
        <source>Die Daten sind ungültig.</source>
        <translation>The data are invalid.</translation>
    </message>
    <message>
        <source>Datei %1 kann nicht geöffnet werden. %2</source>
        <translation>The file %1 cannot be opened. %2</translation>
    </message>
    <message>
        <source>Die Datei %1 ist beschädigt und kann nicht geöffnet werden: %2 stimmen nicht mit ihrer Prüfsumme überein.</source>
        <translation>The file %1 is damaged and cannot be opened: %2 do not match their checksum.</translation>
    </message>
    <message>
        <source>Die Datei %1 ist größer, als eine Kurvimat-Versuchsdatei sein kann (höchstens %2 Messreihen und %3 Punkte), und wird nicht geöffnet.</source>
        <translation>The file %1 is larger than a Kurvimat experiment file can be (at most %2 runs and %3 points) and is not opened.</translation>
    </message>
    <message>
        <source>Eine Versuchsdatei hält höchstens %1 Messreihen und %2 Punkte; diese Sitzung hat %3 Messreihen und %4 Punkte. Löschen Sie Messreihen, die Sie nicht mehr brauchen.</source>
        <translation>An experiment file holds at most %1 runs and %2 points; this session has %3 runs and %4 points. Delete runs you no longer need.</translation>
    </message>
    <message>
        <source>die Einstellungen und die Angaben der Messreihen</source>
        <translation>the settings and the details of the runs</translation>
    </message>
    <message>
        <source>Eine Messreihe hält höchstens %1 Punkte; „%2“ hat %3.</source>
        <translation>A run holds at most %1 points; “%2” has %3.</translation>
    </message>
    <message>
        <source>Die Daten oder der Schnappschuss haben mehr als %1 Punkte.</source>
        <translation>The data or the snapshot have more than %1 points.</translation>
    </message>
    <message>
        <source>Die Datei %1 zeigt eine Ausgleichskurve, die diese Kurvimat-Version nicht kennt („%2“), und wird nicht geöffnet.</source>
        <translation>The file %1 shows a fitted curve this version of Kurvimat does not know (“%2”) and is not opened.</translation>
    </message>
    <message>
        <source>%1 stammt aus einer Kurvimat-Version ohne Prüfsummen: Ob ihre Punkte unversehrt sind, lässt sich nicht prüfen.</source>
        <translation>%1 comes from a version of Kurvimat without checksums: whether its points are intact cannot be checked.</translation>
    </message>
    <message>
        <source>Sie kann nicht gelesen werden.</source>
        <translation>It cannot be read.</translation>
    </message>
</context>
<context>
    <name>ExperimentFiles</name>
    <message>
        <source>Die Sicherungsdatei einer früheren Sitzung ist beschädigt; nichts davon ließ sich lesen. Sie liegt sieben Tage im Papierkorb der Sitzungen.</source>
        <translation>The backup file of an earlier session is damaged; nothing of it could be read. It stays in the sessions&apos; wastebasket for seven days.</translation>
    </message>
    <message>
        <source> Daten und Einstellungen bleiben unverändert.</source>
        <translation> Data and settings remain unchanged.</translation>
    </message>
    <message>
        <source>Sollen sie gespeichert werden, bevor %1 geöffnet wird?</source>
        <translation>Should they be saved before %1 is opened?</translation>
    </message>
    <message>
        <source>Im Papierkorb der Sitzungen liegt nichts. Verworfene Sitzungen bleiben dort sieben Tage.</source>
        <translation>The sessions&apos; wastebasket is empty. Discarded sessions stay there for seven days.</translation>
    </message>
    <message>
        <source>Im Papierkorb der Sitzungen liegen %1 Messreihen, die letzte vom %2. Sollen sie zu den Messreihen dieser Sitzung kommen?</source>
        <translation>The sessions&apos; wastebasket holds %1 runs, the last from %2. Should they join the runs of this session?</translation>
    </message>
    <message>
        <source>Kurvimat-Versuche (*.kurvimat);;Alle Dateien (*.*)</source>
        <translation>Kurvimat experiments (*.kurvimat);;All files (*.*)</translation>
    </message>
    <message>
        <source>(keine)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>Sollen sie vor dem Beenden gespeichert werden?</source>
        <translation>Should they be saved before quitting?</translation>
    </message>
    <message>
        <source>Die Messreihen und Daten dieser Sitzung sind nicht in einer Versuchsdatei gespeichert.</source>
        <translation>The runs and data of this session are not saved in an experiment file.</translation>
    </message>
    <message>
        <source>Die aufgenommenen Daten sind weder gespeichert noch kopiert worden.</source>
        <translation>The recorded data have been neither saved nor copied.</translation>
    </message>
    <message>
        <source>Die Änderungen an %1 sind nicht gespeichert.</source>
        <translation>The changes to %1 have not been saved.</translation>
    </message>
    <message>
        <source>Die Einstellungen dieser Sitzung sind nicht in einer Versuchsdatei gespeichert.</source>
        <translation>The settings of this session are not saved in an experiment file.</translation>
    </message>
    <message>
        <source>Unbenannt</source>
        <translation>Untitled</translation>
    </message>
</context>
<context>
    <name>FileRead</name>
    <message>
        <source>Die Datei existiert nicht.</source>
        <translation>The file does not exist.</translation>
    </message>
    <message>
        <source>Zugriff verweigert.</source>
        <translation>Access denied.</translation>
    </message>
    <message>
        <source>Das ist ein Ordner, keine Datei.</source>
        <translation>It is a folder, not a file.</translation>
    </message>
    <message>
        <source>Das ist keine gewöhnliche Datei (sondern ein Gerät, eine Pipe oder ein Socket).</source>
        <translation>It is not a regular file (but a device, a pipe or a socket).</translation>
    </message>
    <message>
        <source>Die Datei ist zu groß.</source>
        <translation>The file is too large.</translation>
    </message>
    <message>
        <source>Sie kann nicht gelesen werden.</source>
        <translation>It cannot be read.</translation>
    </message>
</context>
<context>
    <name>FitModels</name>
    <message>
        <source>Gerade</source>
        <translation>Straight line</translation>
    </message>
    <message>
        <source>Ursprungsgerade</source>
        <translation>Line through origin</translation>
    </message>
    <message>
        <source>Exponentielle Annäherung</source>
        <translation>Exponential approach</translation>
    </message>
    <message>
        <source>Gedämpfte Schwingung</source>
        <translation>Damped oscillation</translation>
    </message>
    <message>
        <source>Ausgleichsgerade</source>
        <translation>Regression line</translation>
    </message>
    <message>
        <source>S-Kurve (logistisch)</source>
        <translation>S-curve (logistic)</translation>
    </message>
    <message>
        <source>Parabel</source>
        <translation>Parabola</translation>
    </message>
    <message>
        <source>Potenzfunktion</source>
        <translation>Power law</translation>
    </message>
    <message>
        <source>Eigene Funktion …</source>
        <translation>User-defined function …</translation>
    </message>
    <message>
        <source>Ausgleichsparabel</source>
        <translation>Regression parabola</translation>
    </message>
</context>
<context>
    <name>FitReadout</name>
    <message>
        <source>∞ (ungedämpft)</source>
        <translation>∞ (undamped)</translation>
    </message>
    <message>
        <source>R² bezogen auf 0</source>
        <translation>R² relative to 0</translation>
    </message>
    <message>
        <source> (bezogen auf 0)</source>
        <translation> (relative to 0)</translation>
    </message>
    <message>
        <source>%1 Messpunkte</source>
        <translation>%1 points</translation>
    </message>
    <message>
        <source>Messpunkte</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>R² = – (die Messwerte sind konstant: 0/0)</source>
        <translation>R² = – (the values are constant: 0/0)</translation>
    </message>
</context>
<context>
    <name>FormulaVariablesDialog</name>
    <message>
        <source>Formelvariablen</source>
        <translation>Formula variables</translation>
    </message>
    <message>
        <source>Mehr in der Anleitung</source>
        <translation>More in the guide</translation>
    </message>
    <message>
        <source>Die Formelsprache in der Anleitung, mit Beispielen und den eingebauten Signalen (F1).</source>
        <translation>The formula language in the guide, with examples and the built-in signals (F1).</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>◀ Zurück</source>
        <translation>◀ Back</translation>
    </message>
    <message>
        <source>Zur vorher gezeigten Stelle (Alt+Links).</source>
        <translation>To the place shown before (Alt+Left).</translation>
    </message>
    <message>
        <source>Vor ▶</source>
        <translation>Forward ▶</translation>
    </message>
    <message>
        <source>Wieder vor zur Stelle, von der Sie zurück gegangen sind (Alt+Rechts).</source>
        <translation>Forward again to the place you went back from (Alt+Right).</translation>
    </message>
    <message>
        <source>Kurvimat – Anleitung</source>
        <translation>Kurvimat – Guide</translation>
    </message>
    <message>
        <source>Inhalt</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>Zum Inhaltsverzeichnis der Anleitung.</source>
        <translation>To the guide&apos;s table of contents.</translation>
    </message>
    <message>
        <source>Vorige Fundstelle (Umschalt+F3).</source>
        <translation>Previous match (Shift+F3).</translation>
    </message>
    <message>
        <source>Nächste Fundstelle (Enter oder F3).</source>
        <translation>Next match (Enter or F3).</translation>
    </message>
    <message>
        <source>Suchen (Strg+F)</source>
        <translation>Search (Ctrl+F)</translation>
    </message>
    <message>
        <source>Wort in der Anleitung suchen: Enter oder F3 findet die nächste Stelle, Umschalt+F3 die vorige.</source>
        <translation>Search the guide for a word: Enter or F3 finds the next place, Shift+F3 the previous one.</translation>
    </message>
    <message>
        <source>„%1“ nicht gefunden</source>
        <translation>“%1” not found</translation>
    </message>
</context>
<context>
    <name>InstrumentLink</name>
    <message>
        <source>Das Messgerät %1 ist angeschlossen, aber %2 darf nicht gelesen und beschrieben werden: Es fehlen die Zugriffsrechte. Ohne sie kann es weder eingestellt werden noch Messwerte liefern.

Ist Kurvimat als Debian-Paket installiert, ist die udev-Regel dabei: Das Messgerät ab- und wieder anstecken genügt. Die Rechte bekommt nur, wer am Rechner selbst angemeldet ist.

Wurde Kurvimat aus dem Quelltext gebaut, einmalig mit Administratorrechten im Ordner des Quelltexts:
  sudo cmake --install build
  sudo udevadm control --reload &amp;&amp; sudo udevadm trigger

Das installiert die udev-Regel packaging/70-kurvimat.rules. Danach das Messgerät ab- und wieder anstecken; ein Neustart des Programms ist nicht nötig.</source>
        <translation>The instrument %1 is connected, but %2 may not be read and written: the access rights are missing. Without them it can neither be set up nor deliver readings.

If Kurvimat was installed as a Debian package, the udev rule came with it: unplugging the instrument and plugging it in again is enough. Only a user logged in at the computer itself gets the rights.

If Kurvimat was built from source, once, with administrator rights, in the source folder:
  sudo cmake --install build
  sudo udevadm control --reload &amp;&amp; sudo udevadm trigger

This installs the udev rule packaging/70-kurvimat.rules. Then unplug the instrument and plug it in again; there is no need to restart the program.</translation>
    </message>
    <message>
        <source>Die Einstellungen konnten nicht an das Messgerät %1 gesendet werden. Es misst weiter mit den bisherigen Einstellungen; Umrechnung, Messbereiche und Achsen bleiben bei diesen. Die nächste Änderung der Einstellungen versucht es erneut.</source>
        <translation>The settings could not be sent to the instrument %1. It goes on measuring with the previous settings; conversion, ranges and axes stay with them. The next change of the settings tries again.</translation>
    </message>
    <message>
        <source>Eingang A</source>
        <translation>input A</translation>
    </message>
    <message>
        <source>Eingang B</source>
        <translation>input B</translation>
    </message>
    <message>
        <source>Übertragungsart</source>
        <translation>transfer mode</translation>
    </message>
    <message>
        <source>Pull-up-Widerstände</source>
        <translation>pull-up resistors</translation>
    </message>
    <message>
        <source>Das Messgerät nimmt nur %1 Byte als Einstellung an, nötig wären %2. Gesendet wurde, was hineinpasst; nicht eingestellt: %3.</source>
        <translation>The instrument accepts only %1 bytes of settings, %2 would be needed. What fits was sent; not set: %3.</translation>
    </message>
    <message>
        <source>Wechseln von %1 zu %2</source>
        <translation>Switch from %1 to %2</translation>
    </message>
</context>
<context>
    <name>Journal</name>
    <message>
        <source>Die Messreihen können nicht gesichert werden. %1 Die Aufnahme geht im Speicher weiter.</source>
        <translation>The runs cannot be backed up. %1 Recording goes on in memory.</translation>
    </message>
</context>
<context>
    <name>JournalWriter</name>
    <message>
        <source>Der Datenträger ist voll.</source>
        <translation>The disk is full.</translation>
    </message>
    <message>
        <source>In den Ordner %1 kann nicht geschrieben werden.</source>
        <translation>The folder %1 cannot be written to.</translation>
    </message>
    <message>
        <source>Schreibfehler im Ordner %1 (%2).</source>
        <translation>Write error in the folder %1 (%2).</translation>
    </message>
</context>
<context>
    <name>MainActions</name>
    <message>
        <source>Versuch &amp;öffnen …</source>
        <translation>&amp;Open experiment …</translation>
    </message>
    <message>
        <source>Versuch &amp;speichern</source>
        <translation>&amp;Save experiment</translation>
    </message>
    <message>
        <source>Versuch speichern &amp;unter …</source>
        <translation>Save experiment &amp;as …</translation>
    </message>
    <message>
        <source>&amp;Zuletzt geöffnet</source>
        <translation>Open &amp;recent</translation>
    </message>
    <message>
        <source>Daten &amp;laden …</source>
        <translation>&amp;Load data …</translation>
    </message>
    <message>
        <source>&amp;Daten speichern …</source>
        <translation>Save &amp;data …</translation>
    </message>
    <message>
        <source>Schnappschuss l&amp;aden …</source>
        <translation>Lo&amp;ad snapshot …</translation>
    </message>
    <message>
        <source>Schnappschuss spei&amp;chern …</source>
        <translation>Save sna&amp;pshot …</translation>
    </message>
    <message>
        <source>Drucken …</source>
        <translation>Print …</translation>
    </message>
    <message>
        <source>&amp;Beenden</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>Bild speichern</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>in Fenstergröße …</source>
        <translation>at window size …</translation>
    </message>
    <message>
        <source>doppelt so groß …</source>
        <translation>at double size …</translation>
    </message>
    <message>
        <source>dreimal so groß …</source>
        <translation>at triple size …</translation>
    </message>
    <message>
        <source>&amp;Rückgängig</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>Daten &amp;kopieren</source>
        <translation>&amp;Copy data</translation>
    </message>
    <message>
        <source>Daten &amp;einfügen</source>
        <translation>&amp;Paste data</translation>
    </message>
    <message>
        <source>Bild kopieren</source>
        <translation>Copy image</translation>
    </message>
    <message>
        <source>Messwerte kopieren	Strg+C</source>
        <translation>Copy readings	Ctrl+C</translation>
    </message>
    <message>
        <source>Daten l&amp;öschen</source>
        <translation>C&amp;lear data</translation>
    </message>
    <message>
        <source>Trigger &amp;dauer</source>
        <translation>Trigger &amp;continuous</translation>
    </message>
    <message>
        <source>Trigger &amp;auto</source>
        <translation>Trigger &amp;auto</translation>
    </message>
    <message>
        <source>Trigger &amp;normal</source>
        <translation>Trigger &amp;normal</translation>
    </message>
    <message>
        <source>Trigger &amp;einzel</source>
        <translation>Trigger s&amp;ingle</translation>
    </message>
    <message>
        <source>&amp;Trigger</source>
        <translation>&amp;Trigger</translation>
    </message>
    <message>
        <source>&amp;Reset</source>
        <translation>&amp;Reset</translation>
    </message>
    <message>
        <source>&amp;Stopp</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>Schnapps&amp;chuss</source>
        <translation>Snaps&amp;hot</translation>
    </message>
    <message>
        <source>Messreihe &amp;behalten</source>
        <translation>&amp;Keep run</translation>
    </message>
    <message>
        <source>&amp;Verworfene Sitzungen …</source>
        <translation>&amp;Discarded sessions …</translation>
    </message>
    <message>
        <source>Zeitcursor t1, t2</source>
        <translation>Time cursors t1, t2</translation>
    </message>
    <message>
        <source>Wertcursor y1, y2</source>
        <translation>Value cursors y1, y2</translation>
    </message>
    <message>
        <source>S&amp;pektrum</source>
        <translation>Spectr&amp;um</translation>
    </message>
    <message>
        <source>Kanal &amp;A als x</source>
        <translation>Channel &amp;A as x</translation>
    </message>
    <message>
        <source>Kanal &amp;B als x</source>
        <translation>Channel &amp;B as x</translation>
    </message>
    <message>
        <source>Zeit in &amp;min</source>
        <translation>Time in &amp;min</translation>
    </message>
    <message>
        <source>&amp;Tabelle</source>
        <translation>&amp;Table</translation>
    </message>
    <message>
        <source>Mess&amp;reihen …</source>
        <translation>&amp;Runs …</translation>
    </message>
    <message>
        <source>&amp;Großanzeige</source>
        <translation>B&amp;ig display</translation>
    </message>
    <message>
        <source>&amp;Vollbild</source>
        <translation>&amp;Full screen</translation>
    </message>
    <message>
        <source>&amp;Anleitung</source>
        <translation>&amp;Guide</translation>
    </message>
    <message>
        <source>&amp;Formelvariablen</source>
        <translation>&amp;Formula variables</translation>
    </message>
    <message>
        <source>Ü&amp;ber Kurvimat</source>
        <translation>&amp;About Kurvimat</translation>
    </message>
    <message>
        <source>Ausgleichskurve entfernen</source>
        <translation>Remove curve fit</translation>
    </message>
    <message>
        <source>Ausgleichs&amp;kurve</source>
        <translation>Curve &amp;fit</translation>
    </message>
    <message>
        <source>&amp;Datei</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Bearbeiten</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Messen</source>
        <translation>&amp;Measure</translation>
    </message>
    <message>
        <source>&amp;Ansicht</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>&amp;Hilfe</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Angehalten</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>x-Cursor x1, x2</source>
        <translation>x cursors x1, x2</translation>
    </message>
    <message>
        <source>y-Cursor y1, y2</source>
        <translation>y cursors y1, y2</translation>
    </message>
    <message>
        <source>Ausgleichskurve %1 (%2)</source>
        <translation>Curve fit %1 (%2)</translation>
    </message>
    <message>
        <source>&amp;Rückgängig: %1</source>
        <translation>&amp;Undo: %1</translation>
    </message>
    <message>
        <source>Daten löschen</source>
        <translation>Clear data</translation>
    </message>
    <message>
        <source>Daten einfügen</source>
        <translation>Paste data</translation>
    </message>
    <message>
        <source>Daten laden</source>
        <translation>Load data</translation>
    </message>
    <message>
        <source>&amp;Rückgängig: Zoom</source>
        <translation>&amp;Undo: zoom</translation>
    </message>
    <message>
        <source>&amp;Tangente am Zeitcursor</source>
        <translation>&amp;Tangent at time cursor</translation>
    </message>
    <message>
        <source>Neue &amp;Größe …</source>
        <translation>New &amp;quantity …</translation>
    </message>
    <message>
        <source>Grö&amp;ßen …</source>
        <translation>&amp;Quantities …</translation>
    </message>
    <message>
        <source>Größen ändern</source>
        <translation>Change quantities</translation>
    </message>
    <message>
        <source>T&amp;itel …</source>
        <translation>T&amp;itle …</translation>
    </message>
    <message>
        <source>&amp;Notiz hinzufügen …</source>
        <translation>Add &amp;note …</translation>
    </message>
    <message>
        <source>Notizen ändern</source>
        <translation>change notes</translation>
    </message>
    <message>
        <source>&amp;Rechte Achse</source>
        <translation>&amp;Right axis</translation>
    </message>
    <message>
        <source>Größen als A&amp;chsen …</source>
        <translation>Quantities as a&amp;xes …</translation>
    </message>
    <message>
        <source>Neue &amp;Wertetabelle …</source>
        <translation>New &amp;table of values …</translation>
    </message>
    <message>
        <source>Werte &amp;bearbeiten …</source>
        <translation>&amp;Edit values …</translation>
    </message>
    <message>
        <source>Werte eingeben</source>
        <translation>Enter values</translation>
    </message>
    <message>
        <source>Werte bearbeiten</source>
        <translation>Edit values</translation>
    </message>
</context>
<context>
    <name>MainCursors</name>
    <message>
        <source>▸ Doppelklick: alle Werte</source>
        <translation>▸ Double-click: all values</translation>
    </message>
    <message>
        <source>Doppelklick: Messwerte ein- oder ausklappen</source>
        <translation>Double-click: show or hide the readings</translation>
    </message>
    <message>
        <source>Wertcursor an Achse B</source>
        <translation>Value cursors on axis B</translation>
    </message>
    <message>
        <source>Wertcursor an Achse A</source>
        <translation>Value cursors on axis A</translation>
    </message>
    <message>
        <source>Messwerte eingeklappt</source>
        <translation>Readings folded</translation>
    </message>
    <message>
        <source>Zoom zurück	Rücktaste</source>
        <translation>Zoom back	Backspace</translation>
    </message>
</context>
<context>
    <name>MainLayout</name>
    <message>
        <source>Kanal %1</source>
        <translation>Channel %1</translation>
    </message>
    <message>
        <source>, A=U=</source>
        <translation>, A=U=</translation>
    </message>
    <message>
        <source>, B=U=</source>
        <translation>, B=U=</translation>
    </message>
    <message>
        <source>Signal %1</source>
        <translation>Signal %1</translation>
    </message>
    <message>
        <source>Spannung unkalibriert (V): U</source>
        <translation>Voltage uncalibrated (V): U</translation>
    </message>
    <message>
        <source>Rohdaten: y</source>
        <translation>Raw data: y</translation>
    </message>
    <message>
        <source>Signalname</source>
        <translation>Signal name</translation>
    </message>
    <message>
        <source>Einheit</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Spannung</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>Berechnungsterm</source>
        <translation>Expression</translation>
    </message>
    <message>
        <source>anzeigen</source>
        <translation>show</translation>
    </message>
    <message>
        <source>Skala min ... max</source>
        <translation>Scale min ... max</translation>
    </message>
    <message>
        <source>auto</source>
        <translation>auto</translation>
    </message>
    <message>
        <source>Trigger</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <source>dauer</source>
        <translation>cont.</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>normal</translation>
    </message>
    <message>
        <source>einzel</source>
        <translation>single</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Daten kopieren</source>
        <translation>Copy data</translation>
    </message>
    <message>
        <source>speichern</source>
        <translation>save</translation>
    </message>
    <message>
        <source>laden</source>
        <translation>load</translation>
    </message>
    <message>
        <source>einfügen</source>
        <translation>paste</translation>
    </message>
    <message>
        <source>löschen</source>
        <translation>clear</translation>
    </message>
    <message>
        <source>Schnappschuss kopieren</source>
        <translation>Copy snapshot</translation>
    </message>
    <message>
        <source>USB-Speicheroszilloskop</source>
        <translation>USB storage oscilloscope</translation>
    </message>
    <message>
        <source>USB-Datenverlust!</source>
        <translation>USB data loss!</translation>
    </message>
    <message>
        <source>Messintervall</source>
        <translation>Sampling interval</translation>
    </message>
    <message>
        <source>2 ms (500 Hz) (8-Bit)</source>
        <translation>2 ms (500 Hz) (8-bit)</translation>
    </message>
    <message>
        <source>Anzahl Datenpunkte</source>
        <translation>Number of data points</translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Signale bearbeiten</source>
        <translation>Edit signals</translation>
    </message>
    <message>
        <source>Kanal A als x</source>
        <translation>Channel A as x</translation>
    </message>
    <message>
        <source>Kanal B als x</source>
        <translation>Channel B as x</translation>
    </message>
    <message>
        <source>Spektrum</source>
        <translation>Spectrum</translation>
    </message>
    <message>
        <source>Zeit in min</source>
        <translation>Time in min</translation>
    </message>
    <message>
        <source>Schnappschuss</source>
        <translation>Snapshot</translation>
    </message>
    <message>
        <source>automatisch beim
Trigger</source>
        <translation>automatically on
trigger</translation>
    </message>
    <message>
        <source>Analyse</source>
        <translation>Analysis</translation>
    </message>
</context>
<context>
    <name>MainRuns</name>
    <message>
        <source>Reihe %1</source>
        <translation>Run %1</translation>
    </message>
    <message>
        <source>Messreihen …</source>
        <translation>Runs …</translation>
    </message>
    <message>
        <source>Die Messreihen dieser Sitzung: zeigen, umbenennen, wieder zu den aktuellen Daten machen, kopieren, speichern, löschen</source>
        <translation>The runs of this session: show, rename, make the current data again, copy, save, delete</translation>
    </message>
    <message>
        <source>Messreihe behalten</source>
        <translation>Keep run</translation>
    </message>
    <message>
        <source>Behalten als „%1“.</source>
        <translation>Kept as “%1”.</translation>
    </message>
    <message>
        <source>Diese Punkte sind schon „%1“.</source>
        <translation>These points are already “%1”.</translation>
    </message>
</context>
<context>
    <name>MainSpectrum</name>
    <message>
        <source>, Amplitude</source>
        <translation>, amplitude</translation>
    </message>
    <message>
        <source>Frequenz in &lt;vf&gt;Hz</source>
        <translation>Frequency in &lt;vf&gt;Hz</translation>
    </message>
    <message>
        <source>Hann-Fenster</source>
        <translation>Hann window</translation>
    </message>
    <message>
        <source>Rechteckfenster</source>
        <translation>Rectangular window</translation>
    </message>
</context>
<context>
    <name>MainTooltips</name>
    <message>
        <source>Berechnungsterm des Signals aus den Variablen; mit Enter übernehmen. Hilfe ▸ Formelvariablen erklärt mehr.</source>
        <translation>The signal&apos;s expression in the variables; Enter applies it. Help ▸ Formula variables tells more.</translation>
    </message>
    <message>
        <source>Skala automatisch erweitern, sobald Messwerte darüber hinausgehen (an/aus).</source>
        <translation>Widen the scale automatically when readings go beyond it (on/off).</translation>
    </message>
    <message>
        <source>Skala einmal an alle Messwerte anpassen.</source>
        <translation>Fit the scale to all readings once.</translation>
    </message>
    <message>
        <source>Die Rohwerte der letzten Sekunden, wie das Gerät sie liefert.</source>
        <translation>The raw values of the last seconds as the instrument delivers them.</translation>
    </message>
    <message>
        <source>Startet sofort eine Messung, ohne auf die Triggerbedingung zu warten (Messen ▸ Trigger).</source>
        <translation>Starts a measurement at once without waiting for the trigger condition (Measure ▸ Trigger).</translation>
    </message>
    <message>
        <source>Der Kanal, dessen Signal die Messung auslöst; ein Klick wechselt zwischen A und B.</source>
        <translation>The channel whose signal triggers the measurement; a click switches between A and B.</translation>
    </message>
    <message>
        <source>Auslösen bei steigendem (+) oder fallendem (-) Signal; ein Klick wechselt.</source>
        <translation>Trigger on a rising (+) or falling (-) signal; a click switches.</translation>
    </message>
    <message>
        <source>dauer: eine Messung nach der anderen, ohne auf den Trigger zu warten (Messen ▸ Trigger dauer).</source>
        <translation>cont.: one measurement after the other without waiting for the trigger (Measure ▸ Trigger continuous).</translation>
    </message>
    <message>
        <source>auto: misst beim Trigger; kommt keiner, nach einer Messdauer auch ohne ihn (Messen ▸ Trigger auto).</source>
        <translation>auto: measures on the trigger; without one, after a measuring time anyway (Measure ▸ Trigger auto).</translation>
    </message>
    <message>
        <source>normal: misst nur, wenn das Signal die Triggerschwelle in der gewählten Richtung kreuzt (Messen ▸ Trigger normal).</source>
        <translation>normal: measures only when the signal crosses the trigger level in the chosen direction (Measure ▸ Trigger normal).</translation>
    </message>
    <message>
        <source>einzel: genau eine Messung beim nächsten Trigger; „Reset“ macht für die nächste bereit (Messen ▸ Trigger einzel).</source>
        <translation>single: exactly one measurement at the next trigger; “Reset” readies the next one (Measure ▸ Trigger single).</translation>
    </message>
    <message>
        <source>Bricht eine laufende Messung ab und wartet wieder auf den Trigger; im Modus einzel: bereit für die nächste Messung.</source>
        <translation>Abandons a running measurement and waits for the trigger again; in single mode: ready for the next measurement.</translation>
    </message>
    <message>
        <source>Der Verlauf der Messpunkte; ein Klick oder Ziehen setzt Triggerschwelle und Vorlauf.</source>
        <translation>The course of the points; a click or a drag sets the trigger level and the pre-trigger.</translation>
    </message>
    <message>
        <source>Die Zeit zwischen zwei Messpunkten; jeder Punkt ist der Mittelwert dieser Zeit.</source>
        <translation>The time between two points; each point is the mean over this time.</translation>
    </message>
    <message>
        <source>Wie viele Messpunkte eine Messung hat.</source>
        <translation>How many points a measurement has.</translation>
    </message>
    <message>
        <source>Einstellungen des angeschlossenen Geräts (Eingangsbereiche).</source>
        <translation>Settings of the connected instrument (input ranges).</translation>
    </message>
    <message>
        <source>Obere Grenze des Eingangsbereichs.</source>
        <translation>Upper end of the input range.</translation>
    </message>
    <message>
        <source>Untere Grenze des Eingangsbereichs.</source>
        <translation>Lower end of the input range.</translation>
    </message>
    <message>
        <source>Das Signal von Kanal A: einen Eintrag wählen oder eine Zeile „Name (Einheit): Term“ eingeben und mit Enter übernehmen.</source>
        <translation>The signal of channel A: choose an entry, or type a line “name (unit): expression” and apply it with Enter.</translation>
    </message>
    <message>
        <source>Das Signal von Kanal B: einen Eintrag wählen oder eine Zeile „Name (Einheit): Term“ eingeben und mit Enter übernehmen.</source>
        <translation>The signal of channel B: choose an entry, or type a line “name (unit): expression” and apply it with Enter.</translation>
    </message>
    <message>
        <source>Der Name des Signals A; mit Enter übernehmen.</source>
        <translation>The name of signal A; Enter applies it.</translation>
    </message>
    <message>
        <source>Der Name des Signals B; mit Enter übernehmen.</source>
        <translation>The name of signal B; Enter applies it.</translation>
    </message>
    <message>
        <source>Die Einheit des Signals A; mit Enter übernehmen.</source>
        <translation>The unit of signal A; Enter applies it.</translation>
    </message>
    <message>
        <source>Die Einheit des Signals B; mit Enter übernehmen.</source>
        <translation>The unit of signal B; Enter applies it.</translation>
    </message>
    <message>
        <source>Der kleinste Wert der Skala A; mit Enter übernehmen.</source>
        <translation>The lowest value of scale A; Enter applies it.</translation>
    </message>
    <message>
        <source>Der größte Wert der Skala A; mit Enter übernehmen.</source>
        <translation>The highest value of scale A; Enter applies it.</translation>
    </message>
    <message>
        <source>Der kleinste Wert der Skala B; mit Enter übernehmen.</source>
        <translation>The lowest value of scale B; Enter applies it.</translation>
    </message>
    <message>
        <source>Der größte Wert der Skala B; mit Enter übernehmen.</source>
        <translation>The highest value of scale B; Enter applies it.</translation>
    </message>
    <message>
        <source>Kanal A im Diagramm zeigen.</source>
        <translation>Show channel A in the plot.</translation>
    </message>
    <message>
        <source>Kanal B im Diagramm zeigen.</source>
        <translation>Show channel B in the plot.</translation>
    </message>
    <message>
        <source>Skala A beim Übernehmen aus dem Wertebereich des Signals bestimmen.</source>
        <translation>Take scale A from the signal&apos;s range of values when it is applied.</translation>
    </message>
    <message>
        <source>Skala B beim Übernehmen aus dem Wertebereich des Signals bestimmen.</source>
        <translation>Take scale B from the signal&apos;s range of values when it is applied.</translation>
    </message>
    <message>
        <source>Das Diagramm: Ziehen oder Mausrad zoomt, Doppelklick passt an, Rücktaste zoomt zurück; rechte Maustaste: Cursor, Bild, Ausgleichskurve.</source>
        <translation>The plot: a drag or the mouse wheel zooms, a double click fits, Backspace zooms back; right mouse button: cursors, image, curve fit.</translation>
    </message>
    <message>
        <source>Öffnet die Liste der eigenen Signale zum Bearbeiten.</source>
        <translation>Opens the list of your own signals for editing.</translation>
    </message>
    <message>
        <source>Kanal A auf der x-Achse: zeigt B über A (Ansicht ▸ Kanal A als x).</source>
        <translation>Channel A on the x axis: shows B over A (View ▸ Channel A as x).</translation>
    </message>
    <message>
        <source>Kanal B auf der x-Achse: zeigt A über B (Ansicht ▸ Kanal B als x).</source>
        <translation>Channel B on the x axis: shows A over B (View ▸ Channel B as x).</translation>
    </message>
    <message>
        <source>Zeigt das Frequenzspektrum der Messung (Messen ▸ Spektrum).</source>
        <translation>Shows the frequency spectrum of the measurement (Measure ▸ Spectrum).</translation>
    </message>
    <message>
        <source>Die Zeitachse in Minuten statt in Sekunden.</source>
        <translation>The time axis in minutes instead of seconds.</translation>
    </message>
    <message>
        <source>Kopiert die Messdaten als Tabelle in die Zwischenablage, etwa für eine Tabellenkalkulation.</source>
        <translation>Copies the data as a table to the clipboard, for a spreadsheet say.</translation>
    </message>
    <message>
        <source>Speichert die Messdaten in einer Textdatei (Datei ▸ Daten speichern).</source>
        <translation>Saves the data in a text file (File ▸ Save data).</translation>
    </message>
    <message>
        <source>Lädt Messdaten aus einer Textdatei; Strg+Z nimmt es zurück.</source>
        <translation>Loads data from a text file; Ctrl+Z takes it back.</translation>
    </message>
    <message>
        <source>Übernimmt Messdaten aus der Zwischenablage; Strg+Z nimmt es zurück.</source>
        <translation>Takes data from the clipboard; Ctrl+Z takes it back.</translation>
    </message>
    <message>
        <source>Löscht die Messdaten; Strg+Z holt sie zurück.</source>
        <translation>Clears the data; Ctrl+Z brings them back.</translation>
    </message>
    <message>
        <source>Kopiert den Schnappschuss als Tabelle in die Zwischenablage.</source>
        <translation>Copies the snapshot as a table to the clipboard.</translation>
    </message>
    <message>
        <source>Speichert den Schnappschuss in einer Textdatei.</source>
        <translation>Saves the snapshot in a text file.</translation>
    </message>
    <message>
        <source>Lädt einen Schnappschuss aus einer Textdatei.</source>
        <translation>Loads a snapshot from a text file.</translation>
    </message>
    <message>
        <source>Übernimmt einen Schnappschuss aus der Zwischenablage.</source>
        <translation>Takes a snapshot from the clipboard.</translation>
    </message>
    <message>
        <source>Löscht den Schnappschuss.</source>
        <translation>Clears the snapshot.</translation>
    </message>
    <message>
        <source>Der Schnappschuss: die Messung als graue Vergleichskurve.</source>
        <translation>The snapshot: the measurement as a grey curve to compare with.</translation>
    </message>
    <message>
        <source>Hält die Messung als graue Vergleichskurve fest (Messen ▸ Schnappschuss).</source>
        <translation>Keeps the measurement as a grey curve to compare with (Measure ▸ Snapshot).</translation>
    </message>
    <message>
        <source>Bei jedem Trigger wird die vorige Messung zum Schnappschuss.</source>
        <translation>At every trigger the previous measurement becomes the snapshot.</translation>
    </message>
    <message>
        <source>Gedrückt halten: die Auswertung der Messung.</source>
        <translation>Hold pressed: the analysis of the measurement.</translation>
    </message>
    <message>
        <source>Zeigt die Auswertung der Messung oder blendet sie aus.</source>
        <translation>Shows or hides the analysis of the measurement.</translation>
    </message>
    <message>
        <source>Es werden keine Messungen gespeichert; das Diagramm steht. Weiter mit der Leertaste oder Messen ▸ Weiter.</source>
        <translation>No measurement is stored; the plot holds. Continue with Space or Measure ▸ Continue.</translation>
    </message>
    <message>
        <source>Die Messwerte an den Cursorn; Doppelklick klappt ein und aus, Strg+C kopiert. „–“ bei der Frequenz: keine volle Periode zwischen den Cursorn.</source>
        <translation>The readings at the cursors; a double click folds them in and out, Ctrl+C copies. “–” for the frequency: no full period between the cursors.</translation>
    </message>
</context>
<context>
    <name>Plot</name>
    <message>
        <source>Zeit in &lt;vf&gt;s</source>
        <translation>Time in &lt;vf&gt;s</translation>
    </message>
    <message>
        <source>Zeit in min</source>
        <translation>Time in min</translation>
    </message>
</context>
<context>
    <name>PlotFit</name>
    <message>
        <source>Ausgleichskurve %1: %2</source>
        <translation>Curve fit %1: %2</translation>
    </message>
    <message>
        <source>Ausgleichskurve </source>
        <translation>Curve fit </translation>
    </message>
    <message>
        <source>während der Messung: spätere Punkte nicht angepasst</source>
        <translation>while measuring: later points not fitted</translation>
    </message>
    <message>
        <source>Ausgleichskurve %1 %2</source>
        <translation>Curve fit %1 %2</translation>
    </message>
    <message>
        <source>Reihe %1</source>
        <translation>Run %1</translation>
    </message>
    <message>
        <source>Diese Größe gibt es nicht mehr.</source>
        <translation>This quantity no longer exists.</translation>
    </message>
    <message>
        <source>Ausgleichskurve %1</source>
        <translation>Curve fit %1</translation>
    </message>
</context>
<context>
    <name>PlotNotesLayer</name>
    <message>
        <source>Ziehen verschiebt, Doppelklick bearbeitet, Entf entfernt</source>
        <translation>Drag to move, double-click to edit, Del to remove</translation>
    </message>
    <message>
        <source>Titel bearbeiten …</source>
        <translation>Edit title …</translation>
    </message>
    <message>
        <source>Notiz bearbeiten …</source>
        <translation>Edit note …</translation>
    </message>
    <message>
        <source>Titel entfernen</source>
        <translation>Remove title</translation>
    </message>
    <message>
        <source>Notiz entfernen</source>
        <translation>Remove note</translation>
    </message>
    <message>
        <source>Eine Notiz hat höchstens %1 Zeichen; der Rest ist weggelassen.</source>
        <translation>A note holds at most %1 characters; the rest was left out.</translation>
    </message>
    <message>
        <source>Titel</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>Titel des Versuchs:</source>
        <translation>Title of the experiment:</translation>
    </message>
    <message>
        <source>Es gibt schon %1 Notizen; mehr passen nicht auf den Plot.</source>
        <translation>There are %1 notes already; no more fit on the plot.</translation>
    </message>
    <message>
        <source>Notiz</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Text der Notiz:</source>
        <translation>Text of the note:</translation>
    </message>
    <message>
        <source>Titel des Versuchs (leer: keiner):</source>
        <translation>Title of the experiment (empty: none):</translation>
    </message>
    <message>
        <source>Text der Notiz (leer: entfernen):</source>
        <translation>Text of the note (empty: remove it):</translation>
    </message>
    <message>
        <source>Notiz hier …</source>
        <translation>Note here …</translation>
    </message>
</context>
<context>
    <name>PlotPicture</name>
    <message>
        <source>dd.MM.yyyy, HH:mm &apos;Uhr&apos;</source>
        <translation>yyyy-MM-dd, HH:mm</translation>
    </message>
</context>
<context>
    <name>PointTableModel</name>
    <message>
        <source>Zeit in s
</source>
        <translation>Time in s
</translation>
    </message>
    <message>
        <source>Spalte %1</source>
        <translation>Column %1</translation>
    </message>
</context>
<context>
    <name>Quantities</name>
    <message>
        <source>die Zeile ist zu lang</source>
        <translation>the line is too long</translation>
    </message>
    <message>
        <source>„%1“ ist keine Konstante der Form „m = 0,25 kg“</source>
        <translation>“%1” is no constant of the form “m = 0.25 kg”</translation>
    </message>
    <message>
        <source>der Wert von „%1“ ist keine endliche Zahl</source>
        <translation>the value of “%1” is no finite number</translation>
    </message>
    <message>
        <source>der Name „%1“ ist zu lang</source>
        <translation>the name “%1” is too long</translation>
    </message>
    <message>
        <source>zu viele Größen</source>
        <translation>too many quantities</translation>
    </message>
    <message>
        <source>die Größe hat keinen Namen</source>
        <translation>the quantity has no name</translation>
    </message>
    <message>
        <source>der Name „%1“ ist keiner für Formeln: Buchstaben, Ziffern und „_“, etwa „%2“</source>
        <translation>the name “%1” cannot be used in formulas: letters, digits and “_”, such as “%2”</translation>
    </message>
    <message>
        <source>der Name „%1“ ist schon vergeben</source>
        <translation>the name “%1” is taken already</translation>
    </message>
    <message>
        <source>zu viele Konstanten</source>
        <translation>too many constants</translation>
    </message>
    <message>
        <source>Konstanten: %1</source>
        <translation>Constants: %1</translation>
    </message>
    <message>
        <source>„%1“ nennt sich selbst</source>
        <translation>“%1” names itself</translation>
    </message>
    <message>
        <source>die Größen hängen im Kreis voneinander ab: %1</source>
        <translation>the quantities depend on each other in a circle: %1</translation>
    </message>
    <message>
        <source>„%1“ kann nicht berechnet werden</source>
        <translation>“%1” cannot be calculated</translation>
    </message>
    <message>
        <source>„%1“ steht in Formeln schon für %2 (groß oder klein geschrieben); etwa „%1_“ geht</source>
        <translation>in formulas “%1” already stands for %2 (in capitals or not); “%1_” would do</translation>
    </message>
    <message>
        <source>die Zeit</source>
        <translation>the time</translation>
    </message>
    <message>
        <source>Kanal A</source>
        <translation>channel A</translation>
    </message>
    <message>
        <source>Kanal B</source>
        <translation>channel B</translation>
    </message>
    <message>
        <source>die Zahl π</source>
        <translation>the number π</translation>
    </message>
</context>
<context>
    <name>QuantityAxes</name>
    <message>
        <source>Zeit t</source>
        <translation>Time t</translation>
    </message>
</context>
<context>
    <name>QuantityAxesDialog</name>
    <message>
        <source>Achsen wählen</source>
        <translation>Choose axes</translation>
    </message>
    <message>
        <source>– keine –</source>
        <translation>– none –</translation>
    </message>
    <message>
        <source>&amp;x-Achse:</source>
        <translation>&amp;x axis:</translation>
    </message>
    <message>
        <source>&amp;Linke Achse:</source>
        <translation>&amp;Left axis:</translation>
    </message>
    <message>
        <source>&amp;Rechte Achse:</source>
        <translation>&amp;Right axis:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Dazu:</source>
        <translation>&amp;Also:</translation>
    </message>
    <message>
        <source>Eine Größe unter „Dazu“ erscheint auf der Achse ihrer Einheit, links oder rechts. Mit der Zeit als x zeigt das Diagramm wieder die Messung über der Zeit. Eine berechnete Größe (Messen ▸ Neue Größe …) linearisiert, z. B. T² oder ln(U).</source>
        <translation>A quantity under “Also” appears on the axis of its unit, left or right. With the time as x the plot shows the measurement over time again. A calculated quantity (Measure ▸ New quantity …) linearises, e.g. T² or ln(U).</translation>
    </message>
</context>
<context>
    <name>QuantityDialog</name>
    <message>
        <source>Größen</source>
        <translation>Quantities</translation>
    </message>
    <message>
        <source>&amp;Neue Größe</source>
        <translation>&amp;New quantity</translation>
    </message>
    <message>
        <source>&amp;Entfernen</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>Über T (Zeit), A, B, die anderen Spalten und die Konstanten, z. B. ABL(s;T), 0,5*m*v^2, GLAETT(A;5)</source>
        <translation>Over T (time), A, B, the other columns and the constants, e.g. ABL(s;T), 0.5*m*v^2, GLAETT(A;5)</translation>
    </message>
    <message>
        <source>Eine Konstante je Zeile, z. B. „m = 0,25 kg“</source>
        <translation>One constant a line, e.g. “m = 0.25 kg”</translation>
    </message>
    <message>
        <source>N&amp;ame:</source>
        <translation>N&amp;ame:</translation>
    </message>
    <message>
        <source>E&amp;inheit:</source>
        <translation>&amp;Unit:</translation>
    </message>
    <message>
        <source>&amp;Formel:</source>
        <translation>&amp;Formula:</translation>
    </message>
    <message>
        <source>&amp;Konstanten:</source>
        <translation>&amp;Constants:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>QuantityPlot</name>
    <message>
        <source>bei x1</source>
        <translation>at x1</translation>
    </message>
    <message>
        <source>bei x2</source>
        <translation>at x2</translation>
    </message>
    <message>
        <source>Differenz</source>
        <translation>Difference</translation>
    </message>
    <message>
        <source>Mittelwert</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>Steigung Δy/Δx</source>
        <translation>Slope Δy/Δx</translation>
    </message>
</context>
<context>
    <name>RawStrips</name>
    <message>
        <source>Rohdaten vom Kurvimat</source>
        <translation>Raw data from the Kurvimat</translation>
    </message>
    <message>
        <source>Rohdaten nach Mittelung und Trigger</source>
        <translation>Raw data after averaging and trigger</translation>
    </message>
</context>
<context>
    <name>Readout</name>
    <message>
        <source>Schnappschuss A</source>
        <translation>Snapshot A</translation>
    </message>
    <message>
        <source>Schnappschuss B</source>
        <translation>Snapshot B</translation>
    </message>
    <message>
        <source>bei t1</source>
        <translation>at t1</translation>
    </message>
    <message>
        <source>bei t2</source>
        <translation>at t2</translation>
    </message>
    <message>
        <source>Differenz</source>
        <translation>difference</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>minimum</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>maximum</translation>
    </message>
    <message>
        <source>Spitze-Spitze</source>
        <translation>peak-to-peak</translation>
    </message>
    <message>
        <source>Mittelwert</source>
        <translation>mean</translation>
    </message>
    <message>
        <source>Effektivwert</source>
        <translation>RMS</translation>
    </message>
    <message>
        <source>Steigung</source>
        <translation>slope</translation>
    </message>
    <message>
        <source>Frequenz</source>
        <translation>frequency</translation>
    </message>
    <message>
        <source>Integral</source>
        <translation>integral</translation>
    </message>
    <message>
        <source>Standardabweichung</source>
        <translation>standard deviation</translation>
    </message>
    <message>
        <source>Steigung bei t1</source>
        <translation>slope at t1</translation>
    </message>
    <message>
        <source>Periode</source>
        <translation>period</translation>
    </message>
</context>
<context>
    <name>Recovery</name>
    <message>
        <source>eine Messreihe</source>
        <translation>one run</translation>
    </message>
    <message>
        <source>%1 Messreihen</source>
        <translation>%1 runs</translation>
    </message>
    <message>
        <source>eine laufende Aufzeichnung</source>
        <translation>a running recording</translation>
    </message>
    <message>
        <source>zuletzt um %1</source>
        <translation>last at %1</translation>
    </message>
    <message>
        <source>zuletzt am %1 um %2</source>
        <translation>last on %1 at %2</translation>
    </message>
    <message>
        <source>Die letzte Sitzung hat %1 hinterlassen, %2.</source>
        <translation>The last session left %1 behind, %2.</translation>
    </message>
    <message>
        <source> und </source>
        <translation> and </translation>
    </message>
    <message>
        <source>Sie sind in keiner Versuchsdatei gespeichert.</source>
        <translation>They are not saved in any experiment file.</translation>
    </message>
    <message>
        <source>Sie sind gespeichert in %1.</source>
        <translation>They are saved in %1.</translation>
    </message>
    <message>
        <source>Eine Sitzungsdatei ist beschädigt; wiederhergestellt wird, was sich noch lesen lässt.</source>
        <translation>A session file is damaged; what can still be read is restored.</translation>
    </message>
    <message>
        <source>Eine Sitzungsdatei ist beschädigt (%1); wiederhergestellt wird, was sich noch lesen lässt.</source>
        <translation>A session file is damaged (%1); what can still be read is restored.</translation>
    </message>
    <message>
        <source>Wiederherstellen holt sie in diese Sitzung zurück. Verwerfen legt sie in den Papierkorb, wo sie sieben Tage bleiben (Datei ▸ Verworfene Sitzungen …).</source>
        <translation>Restore brings them back into this session. Discard puts them in the wastebasket, where they stay for seven days (File ▸ Discarded sessions …).</translation>
    </message>
    <message>
        <source>Der Datenträger ist voll.</source>
        <translation>The disk is full.</translation>
    </message>
    <message>
        <source>Ein anderes Programm benutzt sie gerade.</source>
        <translation>Another program is using it.</translation>
    </message>
    <message>
        <source>Der Arbeitsspeicher reicht nicht.</source>
        <translation>There is not enough memory.</translation>
    </message>
    <message>
        <source>Der Datenträger meldet einen Lesefehler (%1).</source>
        <translation>The disk reports a read error (%1).</translation>
    </message>
    <message>
        <source>Im Ordner %1 fehlt das Recht, sie zu öffnen oder dort zu schreiben.</source>
        <translation>There is no permission to open it or to write in the folder %1.</translation>
    </message>
    <message>
        <source>Sie bleibt, wo sie ist, und wird beim nächsten Start wieder angeboten.</source>
        <translation>It stays where it is and will be offered again at the next start.</translation>
    </message>
    <message>
        <source>Die Sicherungsdatei einer früheren Sitzung lässt sich jetzt nicht öffnen: %1</source>
        <translation>The backup file of an earlier session cannot be opened now: %1</translation>
    </message>
    <message>
        <source>%2 Sicherungsdateien früherer Sitzungen lassen sich jetzt nicht öffnen: %1</source>
        <translation>%2 backup files of earlier sessions cannot be opened now: %1</translation>
    </message>
    <message>
        <source>Sie bleiben, wo sie sind, und werden beim nächsten Start wieder angeboten.</source>
        <translation>They stay where they are and will be offered again at the next start.</translation>
    </message>
    <message>
        <source>Diese Sitzung kann gerade nichts sichern: Wiederhergestellte Messreihen bleiben nur im Speicher, ihre Sicherungsdatei bleibt liegen und wird beim nächsten Start wieder angeboten.</source>
        <translation>This session cannot back anything up now: restored runs stay in memory only; their backup file stays and will be offered again at the next start.</translation>
    </message>
    <message>
        <source>Sie stammt aus einer neueren Kurvimat-Version.</source>
        <translation>It comes from a newer version of Kurvimat.</translation>
    </message>
</context>
<context>
    <name>Run</name>
    <message>
        <source>Messreihe %1, %2, %3 %4</source>
        <translation>Run %1, %2, %3 %4</translation>
    </message>
    <message>
        <source>Punkt</source>
        <translation>point</translation>
    </message>
    <message>
        <source>Punkte</source>
        <translation>points</translation>
    </message>
</context>
<context>
    <name>RunsWindow</name>
    <message>
        <source>Messreihen</source>
        <translation>Runs</translation>
    </message>
    <message>
        <source>Die Messreihen dieser Sitzung. Häkchen: im Diagramm zeigen; F2 oder Doppelklick: umbenennen; Entf: löschen; Strg+Z: rückgängig</source>
        <translation>The runs of this session. Tick: show in the plot; F2 or double click: rename; Del: delete; Ctrl+Z: undo</translation>
    </message>
    <message>
        <source>Als &amp;aktuelle Daten</source>
        <translation>As &amp;current data</translation>
    </message>
    <message>
        <source>Macht die gewählte Messreihe wieder zu den aktuellen Daten; die aktuellen Daten werden vorher als Messreihe behalten, wenn sie es wert sind</source>
        <translation>Makes the chosen run the current data again; the current data are kept as a run first when they are worth keeping</translation>
    </message>
    <message>
        <source>&amp;Kopieren</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>Kopiert die gewählte Messreihe als Tabelle in die Zwischenablage</source>
        <translation>Copies the chosen run as a table to the clipboard</translation>
    </message>
    <message>
        <source>&amp;Speichern …</source>
        <translation>&amp;Save …</translation>
    </message>
    <message>
        <source>Speichert die gewählte Messreihe als Textdatei mit Tabulatoren</source>
        <translation>Saves the chosen run as a tab-separated text file</translation>
    </message>
    <message>
        <source>&amp;Löschen</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>Löscht die gewählte Messreihe; „Rückgängig“ holt sie zurück, solange das Programm läuft</source>
        <translation>Deletes the chosen run; “Undo” brings it back as long as the program runs</translation>
    </message>
    <message>
        <source>&amp;Rückgängig</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>Holt die zuletzt gelöschte Messreihe zurück</source>
        <translation>Brings back the run deleted last</translation>
    </message>
    <message>
        <source>Aktuelle Daten &amp;behalten</source>
        <translation>&amp;Keep current data</translation>
    </message>
    <message>
        <source>Behält die aktuellen Daten als neue Messreihe</source>
        <translation>Keeps the current data as a new run</translation>
    </message>
    <message>
        <source>Häkchen: im Diagramm in dieser Farbe zeigen</source>
        <translation>Tick: show in the plot in this colour</translation>
    </message>
    <message>
        <source>Verlauf (automatisch, die letzten Messungen in „normal“)</source>
        <translation>History (automatic, the latest sweeps in “normal”)</translation>
    </message>
    <message>
        <source>Jede vollständige Messung in „normal“ kommt hierher; die ältesten gehen, wenn neue kommen. Umbenennen oder „behalten“ macht eine davon zu Ihrer Messreihe.</source>
        <translation>Every complete sweep in “normal” comes here; the oldest go as new ones come. Renaming or “keep” makes one of them your run.</translation>
    </message>
</context>
<context>
    <name>SessionTables</name>
    <message>
        <source>die Punkte von „%1“ ab Punkt %2</source>
        <translation>the points of “%1” from point %2</translation>
    </message>
    <message>
        <source>Aufzeichnung</source>
        <translation>recording</translation>
    </message>
    <message>
        <source>Daten</source>
        <translation>data</translation>
    </message>
    <message>
        <source>Schnappschuss</source>
        <translation>snapshot</translation>
    </message>
    <message>
        <source>die Spalten von „%1“</source>
        <translation>the columns of “%1”</translation>
    </message>
    <message>
        <source>die Konstanten von „%1“</source>
        <translation>the constants of “%1”</translation>
    </message>
</context>
<context>
    <name>SignalDefinition</name>
    <message>
        <source>Spannung, unkalibriert (V): U</source>
        <translation>Voltage, uncalibrated (V): U</translation>
    </message>
    <message>
        <source>digitale Rohdaten: D</source>
        <translation>Digital raw data: D</translation>
    </message>
    <message>
        <source>relativer Anteil (%): r*100</source>
        <translation>Relative share (%): r*100</translation>
    </message>
    <message>
        <source>Winkel Standardpoti (°): r*270</source>
        <translation>Angle, standard potentiometer (°): r*270</translation>
    </message>
    <message>
        <source>Stromstärke, Rs = 1 Ohm (A): U/1</source>
        <translation>Current, Rs = 1 ohm (A): U/1</translation>
    </message>
    <message>
        <source>Stromstärke, Rs = 50 Ohm zw. A &amp; B (A): (A-B)/50 [-0.02; 0.020]</source>
        <translation>Current, Rs = 50 ohm betw. A &amp; B (A): (A-B)/50 [-0.02; 0.020]</translation>
    </message>
    <message>
        <source>Temperatur, unkalibriert (°C): 1/(1/298,15+ln(47/(5/U-1)/50)/3950)-273,15 [0;100]</source>
        <translation>Temperature, uncalibrated (°C): 1/(1/298.15+ln(47/(5/U-1)/50)/3950)-273.15 [0;100]</translation>
    </message>
    <message>
        <source>Sinusfunktion 1 Hz: sin(2*pi*t) [-1;1]</source>
        <translation>Sine function 1 Hz: sin(2*pi*t) [-1;1]</translation>
    </message>
</context>
<context>
    <name>SignalGroups</name>
    <message>
        <source>Klammer fehlt</source>
        <translation>a bracket is missing</translation>
    </message>
    <message>
        <source>Klammer fehlt an Stelle %1</source>
        <translation>a bracket is missing at position %1</translation>
    </message>
    <message>
        <source>Leerzeichen in der Formel</source>
        <translation>spaces in the formula</translation>
    </message>
    <message>
        <source>Leerzeichen an Stelle %1</source>
        <translation>a blank at position %1</translation>
    </message>
    <message>
        <source>die Formel ist zu lang</source>
        <translation>the formula is too long</translation>
    </message>
    <message>
        <source>zu viele Klammerebenen</source>
        <translation>too many levels of brackets</translation>
    </message>
    <message>
        <source>die Formel ist zu umfangreich</source>
        <translation>the formula is too long</translation>
    </message>
    <message>
        <source>unbekannter Name</source>
        <translation>unknown name</translation>
    </message>
    <message>
        <source>die Schreibweise ist unverständlich</source>
        <translation>the notation cannot be understood</translation>
    </message>
    <message>
        <source>unverständliche Schreibweise an Stelle %1</source>
        <translation>the notation cannot be understood at position %1</translation>
    </message>
    <message>
        <source>die Formel lässt sich nicht übersetzen</source>
        <translation>the formula cannot be translated</translation>
    </message>
    <message>
        <source>Die Formel von Signal %1 ist fehlerhaft: %2 (%3).</source>
        <translation>The formula of signal %1 is faulty: %2 (%3).</translation>
    </message>
    <message>
        <source>Meldung des Formelparsers: %1</source>
        <translation>Message of the formula parser: %1</translation>
    </message>
    <message>
        <source>Signal %1: Die Formel „%2“ teilt mit DIV oder MOD durch null; ihr Wert gilt dort als 0. (Meldung des Formelparsers: %3)
</source>
        <translation>Signal %1: the formula “%2” divides by zero with DIV or MOD; its value there counts as 0. (Message of the formula parser: %3)
</translation>
    </message>
    <message>
        <source>Division durch 0</source>
        <translation>division by 0</translation>
    </message>
    <message>
        <source>Überlauf</source>
        <translation>overflow</translation>
    </message>
    <message>
        <source>ungültige Rechnung</source>
        <translation>invalid calculation</translation>
    </message>
    <message>
        <source>Signal %1: Die Formel „%2“ gibt für keinen Messwert einen Wert (%3); seine Punkte werden nicht gezeichnet.
</source>
        <translation>Signal %1: The formula “%2” gives no value for any measurement (%3); its points are not drawn.
</translation>
    </message>
</context>
<context>
    <name>SpectrumPlot</name>
    <message>
        <source>Fenster</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>Rechteck</source>
        <translation>rectangular</translation>
    </message>
    <message>
        <source>Zeitspanne</source>
        <translation>Time span</translation>
    </message>
    <message>
        <source>alle Punkte</source>
        <translation>all points</translation>
    </message>
    <message>
        <source>Spitze bei</source>
        <translation>Peak at</translation>
    </message>
    <message>
        <source>Amplitude</source>
        <translation>Amplitude</translation>
    </message>
    <message>
        <source>Punkte</source>
        <translation>Points</translation>
    </message>
</context>
<context>
    <name>SqliteDb</name>
    <message>
        <source>keine Datenbank</source>
        <translation>no database</translation>
    </message>
</context>
<context>
    <name>TApplication</name>
    <message>
        <source>Unbekannter Fehler</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>TFormHardware</name>
    <message>
        <source>Hardwareeinstellungen</source>
        <translation>Hardware settings</translation>
    </message>
    <message>
        <source>Spannungsversorgung +5 V vom USB-Port</source>
        <translation>Power supply +5 V from USB port</translation>
    </message>
    <message>
        <source>Masse (0 V)</source>
        <translation>Ground (0 V)</translation>
    </message>
    <message>
        <source>Eingang Kanal A</source>
        <translation>Input channel A</translation>
    </message>
    <message>
        <source>Eingang Kanal B</source>
        <translation>Input channel B</translation>
    </message>
    <message>
        <source>Kanal A misst die Differenz zu Eingang B</source>
        <translation>Channel A measures the difference to input B</translation>
    </message>
    <message>
        <source>Kanal B aus ( A: doppelte Freq.)</source>
        <translation>Channel B off (A: double freq.)</translation>
    </message>
    <message>
        <source>Empfindlichkeit Kanal A </source>
        <translation>Sensitivity channel A </translation>
    </message>
    <message>
        <source>niedrig: 0 ...5 V (Standard)</source>
        <translation>low: 0 ...5 V (default)</translation>
    </message>
    <message>
        <source>mittel: 0 ... 2,56 V</source>
        <translation>medium: 0 ... 2.56 V</translation>
    </message>
    <message>
        <source>hoch: 0 ...1,1 V</source>
        <translation>high: 0 ...1.1 V</translation>
    </message>
    <message>
        <source> bei Differenzmessung: </source>
        <translation> differential: </translation>
    </message>
    <message>
        <source> +/- 128 mV</source>
        <translation> +/- 128 mV</translation>
    </message>
    <message>
        <source> +/- 55 mV</source>
        <translation> +/- 55 mV</translation>
    </message>
    <message>
        <source>Empfindlichkeit Kanal B </source>
        <translation>Sensitivity channel B </translation>
    </message>
    <message>
        <source>Pull-Up-Widerstand (ca. 20 - 50 kOhm) einschalten</source>
        <translation>Switch on pull-up resistor (about 20 - 50 kOhm)</translation>
    </message>
    <message>
        <source>Pull-Up-Widerstand einschalten</source>
        <translation>Switch on pull-up resistor</translation>
    </message>
    <message>
        <source> +/- 2,56 V</source>
        <translation> +/- 2.56 V</translation>
    </message>
</context>
<context>
    <name>TFormMain</name>
    <message>
        <source>Datei &quot;%1&quot; kann nicht erstellt werden. %2</source>
        <translation>The file &quot;%1&quot; cannot be created. %2</translation>
    </message>
    <message>
        <source>Die Zwischenablage</source>
        <translation>The clipboard</translation>
    </message>
    <message>
        <source>Die Zwischenablage enthält keinen Text. Daten und Definitionen bleiben unverändert.</source>
        <translation>The clipboard contains no text. Data and definitions stay unchanged.</translation>
    </message>
    <message>
        <source>Datei %1 kann nicht geöffnet werden. %2</source>
        <translation>The file %1 cannot be opened. %2</translation>
    </message>
    <message>
        <source>Die Datei </source>
        <translation>The file </translation>
    </message>
    <message>
        <source> ist leer. Daten und Definitionen bleiben unverändert.</source>
        <translation> is empty. Data and definitions stay unchanged.</translation>
    </message>
    <message>
        <source> Daten und Definitionen bleiben unverändert.</source>
        <translation> Data and definitions stay unchanged.</translation>
    </message>
    <message>
        <source> enthält keine Messwerttabelle.</source>
        <translation> contains no table of readings.</translation>
    </message>
    <message>
        <source> enthält keine Messwerte.</source>
        <translation> contains no readings.</translation>
    </message>
    <message>
        <source>PNG-Bilder (*.png);;Alle Dateien (*.*)</source>
        <translation>PNG images (*.png);;All files (*.*)</translation>
    </message>
    <message>
        <source>Drucken</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Der Drucker kann nicht benutzt werden.</source>
        <translation>The printer cannot be used.</translation>
    </message>
    <message>
        <source>1 Zeile enthält keine lesbaren Messwerte und wurde übersprungen</source>
        <translation>1 line contains no readable values and was skipped</translation>
    </message>
    <message>
        <source>%1 Zeilen enthalten keine lesbaren Messwerte und wurden übersprungen</source>
        <translation>%1 lines contain no readable values and were skipped</translation>
    </message>
    <message>
        <source>, als erste Zeile %1: „%2“.</source>
        <translation>, the first of them line %1: “%2”.</translation>
    </message>
    <message>
        <source>Die Zeiten sind Uhrzeiten; geladen wurden die Sekunden seit dem ersten Messpunkt.</source>
        <translation>The times are times of day; the seconds since the first point were loaded.</translation>
    </message>
    <message>
        <source>Es wurden nur die ersten %1 Datenpunkte geladen; %2 weitere Zeilen wurden nicht geladen.</source>
        <translation>Only the first %1 points were loaded; %2 more lines were not loaded.</translation>
    </message>
    <message>
        <source>&amp;Stopp</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>&amp;Weiter</source>
        <translation>C&amp;ontinue</translation>
    </message>
    <message>
        <source>Tabelle – Kurvimat</source>
        <translation>Table – Kurvimat</translation>
    </message>
    <message>
        <source>Eingabe mit Enter übernehmen</source>
        <translation>Apply the input with Enter</translation>
    </message>
    <message>
        <source>%1: Ausgleichskurve %2 (%3)</source>
        <translation>%1: curve fit %2 (%3)</translation>
    </message>
    <message>
        <source>Textdateien und CSV (*.txt *.csv);;Textdateien (*.txt);;CSV (*.csv);;Alle Dateien (*.*)</source>
        <translation>Text files and CSV (*.txt *.csv);;Text files (*.txt);;CSV (*.csv);;All files (*.*)</translation>
    </message>
    <message>
        <source>Textdateien (*.txt);;CSV für Tabellenkalkulation (*.csv);;Alle Dateien (*.*)</source>
        <translation>Text files (*.txt);;CSV for spreadsheets (*.csv);;All files (*.*)</translation>
    </message>
    <message>
        <source>Semikolon</source>
        <translation>semicolon</translation>
    </message>
    <message>
        <source>Komma</source>
        <translation>comma</translation>
    </message>
    <message>
        <source>Tabulator</source>
        <translation>tab</translation>
    </message>
    <message>
        <source>Trennzeichen: %1.</source>
        <translation>Separator: %1.</translation>
    </message>
    <message>
        <source>„%1“ wurde als %2 gelesen</source>
        <translation>“%1” was read as %2</translation>
    </message>
    <message>
        <source>: keine andere Zahl zeigt das Dezimaltrennzeichen, es gilt das der Sprache des Fensters oder des Trennzeichens.</source>
        <translation>: no other number shows the decimal separator, so the one of the window’s language or of the field separator applies.</translation>
    </message>
    <message>
        <source>, wie „%1“ das Dezimaltrennzeichen zeigt.</source>
        <translation>, as “%1” shows the decimal separator.</translation>
    </message>
    <message>
        <source>Die Zeiten beginnen bei %1 s; gezeigt werden die Sekunden seit dem ersten Messpunkt, kopiert und gespeichert die gelesenen.</source>
        <translation>The times start at %1 s; the seconds since the first point are shown, the times as read are copied and saved.</translation>
    </message>
    <message>
        <source>Die Datei %1 ist zu groß für einen Messwerttext (höchstens %2 MB). Daten und Definitionen bleiben unverändert.</source>
        <translation>The file %1 is too large for a measurement text (at most %2 MB). Data and definitions stay unchanged.</translation>
    </message>
    <message>
        <source>Die Cursor liegen außerhalb der Messpunkte.</source>
        <translation>The cursors lie outside the measured points.</translation>
    </message>
    <message>
        <source>Geladen werden höchstens %1 Spalten (Zeit, A, B und %2 weitere); die Spalten %3 bis %4 wurden nicht geladen.</source>
        <translation>At most %1 columns are loaded (time, A, B and %2 more); columns %3 to %4 were not loaded.</translation>
    </message>
    <message>
        <source>1 Spalte ohne Zahlen wurde nicht geladen.</source>
        <translation>1 column without numbers was not loaded.</translation>
    </message>
    <message>
        <source>%1 Spalten ohne Zahlen wurden nicht geladen.</source>
        <translation>%1 columns without numbers were not loaded.</translation>
    </message>
    <message>
        <source>Die Größe „%1“ kann nicht berechnet werden: %2</source>
        <translation>The quantity “%1” cannot be calculated: %2</translation>
    </message>
    <message>
        <source>Die geladenen Werte von Kanal %1 können nicht neu berechnet werden: hinter ihnen stehen keine Rohwerte des Geräts. Sie bleiben, wie sie geladen wurden.

Die Formel „%2“ als neue Größe über den geladenen Werten anlegen?</source>
        <translation>The loaded values of channel %1 cannot be evaluated again: no raw values of the instrument stand behind them. They stay as they were loaded.

Create the formula “%2” as a new quantity over the loaded values?</translation>
    </message>
    <message>
        <source>Ausgleichskurve %1</source>
        <translation>Curve fit %1</translation>
    </message>
    <message>
        <source>Kanal B</source>
        <translation>Channel B</translation>
    </message>
    <message>
        <source>Im gezeigten Bereich liegen keine Messpunkte.</source>
        <translation>There are no points in the range shown.</translation>
    </message>
    <message>
        <source>Die Tabelle enthält keine vollständige Zeile. Daten und Definitionen bleiben unverändert.</source>
        <translation>The table holds no complete row. Data and definitions stay unchanged.</translation>
    </message>
</context>
<context>
    <name>TFormSignale</name>
    <message>
        <source>Signale bearbeiten</source>
        <translation>Edit signals</translation>
    </message>
    <message>
        <source>Größe (Einheit): Umrechnungsformel [Intervall]</source>
        <translation>Quantity (unit): conversion formula [range]</translation>
    </message>
    <message>
        <source>Signal A übernehmen</source>
        <translation>Use as signal A</translation>
    </message>
    <message>
        <source>Signal B übernehmen</source>
        <translation>Use as signal B</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; kann nicht erstellt werden. %2</source>
        <translation>The file &quot;%1&quot; cannot be created. %2</translation>
    </message>
</context>
<context>
    <name>TableWindow</name>
    <message>
        <source>Tabelle</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>aktuelle Daten</source>
        <translation>current data</translation>
    </message>
    <message>
        <source>Welche Punkte die Tabelle zeigt: die aktuellen Daten oder eine aufbewahrte Messreihe.</source>
        <translation>Which points the table shows: the current data or a kept run.</translation>
    </message>
    <message>
        <source>&amp;Punkte:</source>
        <translation>&amp;Points:</translation>
    </message>
    <message>
        <source>Zeilen zwischen den Zeitcursorn sind hervorgehoben. Markierte Zeilen kopiert Strg+C für die Tabellenkalkulation.</source>
        <translation>Rows between the time cursors are highlighted. Ctrl+C copies the selected rows for a spreadsheet.</translation>
    </message>
    <message>
        <source>&amp;Kopieren</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>&amp;Alles markieren</source>
        <translation>Select &amp;all</translation>
    </message>
    <message>
        <source>1 Punkt</source>
        <translation>1 point</translation>
    </message>
    <message>
        <source> Punkte</source>
        <translation> points</translation>
    </message>
</context>
<context>
    <name>UserFit</name>
    <message>
        <source>%1 an Stelle %2 rechnet über ganze Spalten und passt nicht in eine Ausgleichsfunktion</source>
        <translation>%1 at position %2 works on whole columns and does not fit into a fit function</translation>
    </message>
    <message>
        <source>Eine eigene Funktion hat 1 bis %1 Parameter, nicht %2</source>
        <translation>A user-defined function has 1 to %1 parameters, not %2</translation>
    </message>
    <message>
        <source>Jeder Parameter braucht einen Startwert</source>
        <translation>Every parameter needs a start value</translation>
    </message>
    <message>
        <source>„%1“ ist kein Parametername: ein Buchstabe, dann Buchstaben, Ziffern oder _, höchstens %2 Zeichen</source>
        <translation>“%1” is no parameter name: a letter, then letters, digits or _, at most %2 characters</translation>
    </message>
    <message>
        <source>„%1“ ist ein Name der Formelsprache und kein Parametername</source>
        <translation>“%1” is a name of the formula language, not a parameter name</translation>
    </message>
    <message>
        <source>Der Parametername „%1“ kommt zweimal vor</source>
        <translation>The parameter name “%1” occurs twice</translation>
    </message>
    <message>
        <source>Der Startwert von %1 ist keine Zahl</source>
        <translation>The start value of %1 is no number</translation>
    </message>
</context>
<context>
    <name>UserFitDialog</name>
    <message>
        <source>Eigene Funktion anpassen</source>
        <translation>Fit a user-defined function</translation>
    </message>
    <message>
        <source>y als Formel über x (die Zeit in s, oder im XY-Betrieb die Größe der unteren Achse) mit bis zu sechs Parametern, z. B. a*(1-EXP(-b*x)). Jeder Parameter braucht einen Startwert in der Nähe des Ergebnisses.</source>
        <translation>y as a formula over x (the time in s, or in the XY modes the quantity of the bottom axis) with up to six parameters, e.g. a*(1-EXP(-b*x)). Every parameter needs a start value near the result.</translation>
    </message>
    <message>
        <source>&amp;Funktion:  y =</source>
        <translation>&amp;Function:  y =</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>Startwert</source>
        <translation>Start value</translation>
    </message>
    <message>
        <source>Name von Parameter %1</source>
        <translation>Name of parameter %1</translation>
    </message>
    <message>
        <source>Startwert von Parameter %1</source>
        <translation>Start value of parameter %1</translation>
    </message>
    <message>
        <source>&amp;%1.</source>
        <translation>&amp;%1.</translation>
    </message>
    <message>
        <source>Anpassen</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ValuesDialog</name>
    <message>
        <source>Die Tabelle hat keine Spalte.</source>
        <translation>The table has no column.</translation>
    </message>
    <message>
        <source>Spalte %1 braucht einen Namen.</source>
        <translation>Column %1 needs a name.</translation>
    </message>
    <message>
        <source>Der Name „%1“ darf keinen Doppelpunkt enthalten.</source>
        <translation>The name “%1” may not contain a colon.</translation>
    </message>
    <message>
        <source>Die Einheit „%1“ darf keinen Doppelpunkt enthalten.</source>
        <translation>The unit “%1” may not contain a colon.</translation>
    </message>
    <message>
        <source>Der Name „%1“ steht zweimal.</source>
        <translation>The name “%1” appears twice.</translation>
    </message>
    <message>
        <source>Zeile %1, Spalte „%2“: „%3“ ist keine Zahl.</source>
        <translation>Row %1, column “%2”: “%3” is not a number.</translation>
    </message>
    <message>
        <source>Zeile %1: In der Spalte „%2“ fehlt ein Wert.</source>
        <translation>Row %1: the column “%2” lacks a value.</translation>
    </message>
    <message>
        <source>Die Tabelle enthält keine Werte.</source>
        <translation>The table holds no values.</translation>
    </message>
    <message>
        <source>Mehr als %1 Zeilen mit Werten nimmt die Tabelle nicht.</source>
        <translation>The table takes no more than %1 rows of values.</translation>
    </message>
    <message>
        <source>Neue Wertetabelle</source>
        <translation>New table of values</translation>
    </message>
    <message>
        <source>Werte bearbeiten</source>
        <translation>Edit values</translation>
    </message>
    <message>
        <source>Oben Name und Einheit jeder Spalte, darunter die Werte; Einfügen (Strg+V) füllt ab der gewählten Zelle</source>
        <translation>Name and unit of each column at the top, the values below; paste (Ctrl+V) fills from the chosen cell</translation>
    </message>
    <message>
        <source>Die erste Spalte wird Kanal A (x), die zweite Kanal B (y); die Zeilennummer ist die Zeit.</source>
        <translation>The first column becomes channel A (x), the second channel B (y); the row number is the time.</translation>
    </message>
    <message>
        <source>Spalte &amp;hinzufügen</source>
        <translation>&amp;Add column</translation>
    </message>
    <message>
        <source>Spalte ent&amp;fernen</source>
        <translation>Re&amp;move column</translation>
    </message>
    <message>
        <source>&amp;Zeile entfernen</source>
        <translation>Remove &amp;row</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Einheit</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Der eingefügte Text ist zu lang (höchstens %1 Zeichen).</source>
        <translation>The pasted text is too long (at most %1 characters).</translation>
    </message>
    <message>
        <source>&amp;Übernehmen</source>
        <translation>A&amp;pply</translation>
    </message>
</context>
<context>
    <name>kurvimat::classview::ClassViewServer</name>
    <message>
        <source>Die Klassenansicht kann keinen Netzwerk-Port öffnen: %1</source>
        <translation>The class view cannot open a network port: %1</translation>
    </message>
</context>
<context>
    <name>kurvimat::session::Session</name>
    <message>
        <source>Die Sicherungsdatei dieser Sitzung wurde gelöscht oder ersetzt. Eine neue ist angelegt, mit allen Messreihen und der laufenden Aufzeichnung: %1</source>
        <translation>The backup file of this session was deleted or replaced. A new one has been made, with all runs and the running recording: %1</translation>
    </message>
</context>
</TS>
