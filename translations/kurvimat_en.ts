<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Über Kurvimat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;h2&gt;Kurvimat&lt;/h2&gt;&lt;p&gt;Version %1&lt;/p&gt;&lt;p&gt;Das Programm zum USB-Speicheroszilloskop und Messwerterfasser Kurvimat für den Unterricht: zwei Eingänge, Messungen von 100 bis 10000 Punkten, Formeln für physikalische Größen, Cursor, Ausgleichskurven und Daten für die Tabellenkalkulation.&lt;/p&gt;&lt;p&gt;Lizenz: GNU General Public License, Version 3 oder jede spätere Version (GPL-3.0-or-later). Kurvimat ist freie Software: Sie dürfen es unter diesen Bedingungen weitergeben und verändern. Es wird ohne jede Gewährleistung bereitgestellt.&lt;/p&gt;&lt;p&gt;Gebaut mit Qt %2.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Analysis</name>
    <message>
        <source>Skala A min: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skala A max: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Differenz A: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skala B min: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skala B max: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Differenz B: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verhältnis A/B: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verhältnis B/A: </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AxisPictures</name>
    <message>
        <source>auto</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BigDisplay</name>
    <message>
        <source>Dunkel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vollbild</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Großanzeige</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Helle Ziffern auf Schwarz, für den abgedunkelten Raum (Strg+D).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Füllt den ganzen Bildschirm (F11); Esc kehrt zurück.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kanal </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kanal A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kanal B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fenster</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CurveFit</name>
    <message>
        <source>Zu wenige Messpunkte für diese Ausgleichskurve</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Messwerte ändern sich nicht: diese Ausgleichskurve ist nicht bestimmt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Ausgleichskurve konvergiert nicht</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>das Rauschen verdeckt den Verlauf</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>längere Messdauer oder weniger Rauschen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>in der Messdauer ist die Kurve kaum gekrümmt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>längere Messdauer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>die Änderung ist nach wenigen Messpunkten vorbei</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kürzeres Messintervall</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>weniger als vier Messpunkte je Schwingung</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>weniger als eine Schwingung in der Messdauer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Messpunkte bestimmen %1 nicht: %2. Abhilfe: %3.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ExperimentFile</name>
    <message>
        <source>Die Datei %1 ist keine Kurvimat-Versuchsdatei.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Datei %1 ist beschädigt oder unvollständig und kann nicht geöffnet werden.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Datei %1 stammt aus einer neueren Kurvimat-Version und kann nicht geöffnet werden.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; kann nicht erstellt werden. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Daten sind ungültig.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zugriff verweigert.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Datei existiert nicht.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Datei %1 kann nicht geöffnet werden. %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FitReadout</name>
    <message>
        <source>∞ (ungedämpft)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>R² bezogen auf 0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (bezogen auf 0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Messpunkte</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messpunkte</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FormulaVariablesDialog</name>
    <message>
        <source>Formelvariablen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mehr in der Anleitung</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Formelsprache in der Anleitung, mit Beispielen und den eingebauten Signalen (F1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>◀ Zurück</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zur vorher gezeigten Stelle (Alt+Links).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vor ▶</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wieder vor zur Stelle, von der Sie zurück gegangen sind (Alt+Rechts).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kurvimat – Anleitung</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inhalt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zum Inhaltsverzeichnis der Anleitung.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vorige Fundstelle (Umschalt+F3).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nächste Fundstelle (Enter oder F3).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Suchen (Strg+F)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wort in der Anleitung suchen: Enter oder F3 findet die nächste Stelle, Umschalt+F3 die vorige.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>„%1“ nicht gefunden</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>InstrumentLink</name>
    <message>
        <source>Das Messgerät %1 ist angeschlossen, aber %2 darf nicht gelesen und beschrieben werden: Es fehlen die Zugriffsrechte. Ohne sie kann es weder eingestellt werden noch Messwerte liefern.

Abhilfe (einmalig, mit Administratorrechten, im Ordner, in dem das Programm gebaut wurde):
  sudo cmake --install build
  sudo udevadm control --reload &amp;&amp; sudo udevadm trigger

Das installiert die udev-Regel packaging/70-kurvimat.rules. Danach das Messgerät ab- und wieder anstecken; ein Neustart des Programms ist nicht nötig.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Einstellungen konnten nicht an das Messgerät %1 gesendet werden. Es misst weiter mit den bisherigen Einstellungen; Umrechnung, Messbereiche und Achsen bleiben bei diesen. Die nächste Änderung der Einstellungen versucht es erneut.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Eingang A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Eingang B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Übertragungsart</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pull-up-Widerstände</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Das Messgerät nimmt nur %1 Byte als Einstellung an, nötig wären %2. Gesendet wurde, was hineinpasst; nicht eingestellt: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wechseln von %1 zu %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Journal</name>
    <message>
        <source>Die Messreihen können nicht gesichert werden. %1 Die Aufnahme geht im Speicher weiter.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>JournalWriter</name>
    <message>
        <source>Der Datenträger ist voll.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In den Ordner %1 kann nicht geschrieben werden.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schreibfehler im Ordner %1 (%2).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Plot</name>
    <message>
        <source>Zeit in &lt;vf&gt;s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zeit in min</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlotFit</name>
    <message>
        <source>Ausgleichskurve %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ausgleichskurve </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlotPicture</name>
    <message>
        <source>dd.MM.yyyy, HH:mm &apos;Uhr&apos;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PointTableModel</name>
    <message>
        <source>Zeit in s
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RawStrips</name>
    <message>
        <source>Rohdaten vom Kurvimat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rohdaten nach Mittelung und Trigger</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Readout</name>
    <message>
        <source>Schnappschuss A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schnappschuss B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>bei t1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>bei t2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Differenz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Spitze-Spitze</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mittelwert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Effektivwert</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Steigung</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frequenz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Integral</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Recovery</name>
    <message>
        <source>Die Messreihen der letzten Sitzung (%1, zuletzt %2) wurden nicht gespeichert. Wiederherstellen?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Run</name>
    <message>
        <source>Messreihe %1, %2, %3 %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Punkt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Punkte</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SignalDefinition</name>
    <message>
        <source>Spannung, unkalibriert (V): U</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>digitale Rohdaten: D</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>relativer Anteil (%): r*100</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Winkel Standardpoti (°): r*270</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stromstärke, Rs = 1 Ohm (A): U/1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stromstärke, Rs = 50 Ohm zw. A &amp; B (A): (A-B)/50 [-0.02; 0.020]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Temperatur, unkalibriert (°C): 1/(1/298,15+ln(47/(5/U-1)/50)/3950)-273,15 [0;100]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sinusfunktion 1 Hz: sin(2*pi*t) [-1;1]</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SpectrumPlot</name>
    <message>
        <source>Fenster</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rechteck</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zeitspanne</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>alle Punkte</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Spitze bei</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amplitude</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Punkte</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TApplication</name>
    <message>
        <source>Unbekannter Fehler</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TFormHardware</name>
    <message>
        <source>Hardwareeinstellungen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Spannungsversorgung +5 V vom USB-Port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Masse (0 V)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Eingang Kanal A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Eingang Kanal B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kanal A misst die Differenz zu Eingang B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kanal B aus ( A: doppelte Freq.)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empfindlichkeit Kanal A </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>niedrig: 0 ...5 V (Standard)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>mittel: 0 ... 2,56 V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>hoch: 0 ...1,1 V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> bei Differenzmessung: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> +/- 128 mV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> +/- 55 mV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empfindlichkeit Kanal B </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pull-Up-Widerstand (ca. 20 - 50 kOhm) einschalten</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pull-Up-Widerstand einschalten</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TFormMain</name>
    <message>
        <source>▸ Doppelklick: alle Werte</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Textdateien (*.txt);;Alle Dateien (*.*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Datei %1 ist schon vorhanden. Soll sie ersetzt werden?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; kann nicht erstellt werden. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Zwischenablage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Zwischenablage enthält keinen Text. Daten und Definitionen bleiben unverändert.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Datei %1 kann nicht geöffnet werden. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Datei </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> ist leer. Daten und Definitionen bleiben unverändert.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Daten und Definitionen bleiben unverändert.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> enthält keine Messwerttabelle.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> enthält keine Messwerte.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB-Speicheroszilloskop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB-Datenverlust!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trigger</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>dauer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>auto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>normal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>einzel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messintervall</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2 ms (500 Hz) (8-Bit)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Anzahl Datenpunkte</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kanal </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, A=U=</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, B=U=</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Signal </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Spannung unkalibriert (V): U</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rohdaten: y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Signalname</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Einheit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Spannung</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Berechnungsterm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>anzeigen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skala min ... max</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Signale bearbeiten</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kanal A als x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kanal B als x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Spektrum</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zeit in min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Daten kopieren</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>speichern</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>laden</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>einfügen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>löschen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schnappschuss kopieren</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schnappschuss</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>automatisch beim
Trigger</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Analyse</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PNG-Bilder (*.png);;Alle Dateien (*.*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gerade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ursprungsgerade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exponentielle Annäherung</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gedämpfte Schwingung</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drucken</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Der Drucker kann nicht benutzt werden.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild kopieren</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bild speichern</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>in Fenstergröße …</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>doppelt so groß …</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>dreimal so groß …</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drucken …</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ausgleichskurve %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ausgleichsgerade  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ausgleichskurve entfernen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Klammern fehlen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Leerzeichen in der Formel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>zu viele Klammerebenen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>die Formel ist zu umfangreich</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unbekannter Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>die Schreibweise ist unverständlich</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>die Formel lässt sich nicht übersetzen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Formel von Signal %1 ist fehlerhaft: %2 (%3 ).
(Meldung des Formelparsers: %4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, Amplitude</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frequenz in &lt;vf&gt;Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hann-Fenster</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rechteckfenster</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Signal %1: Die Formel „%2“ teilt mit DIV oder MOD durch null; ihr Wert gilt dort als 0. (Meldung des Formelparsers: %3)
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Doppelklick: Messwerte ein- oder ausklappen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zeitcursor t1, t2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>x-Cursor x1, x2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wertcursor y1, y2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>y-Cursor y1, y2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wertcursor an Achse B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wertcursor an Achse A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messwerte eingeklappt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Messwerte kopieren	Strg+C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom zurück	Rücktaste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 Zeile enthält keine lesbaren Messwerte und wurde übersprungen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Zeilen enthalten keine lesbaren Messwerte und wurden übersprungen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, als erste Zeile %1: „%2“.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Spalte 4 wurde nicht geladen: geladen werden Zeit, A und B.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Spalten 4 bis %1 wurden nicht geladen: geladen werden Zeit, A und B.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Die Zeiten sind Uhrzeiten; geladen wurden die Sekunden seit dem ersten Messpunkt.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Es wurden nur die ersten %1 Datenpunkte geladen; %2 weitere Zeilen wurden nicht geladen.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TFormSignale</name>
    <message>
        <source>Signale bearbeiten</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Größe (Einheit): Umrechnungsformel [Intervall]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Signal A übernehmen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Signal B übernehmen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Datei &quot;%1&quot; kann nicht erstellt werden. %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TableWindow</name>
    <message>
        <source>Tabelle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>aktuelle Daten</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Welche Punkte die Tabelle zeigt: die aktuellen Daten oder eine aufbewahrte Messreihe.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Punkte:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zeilen zwischen den Zeitcursorn sind hervorgehoben. Markierte Zeilen kopiert Strg+C für die Tabellenkalkulation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Kopieren</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Alles markieren</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 Punkt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Punkte</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
