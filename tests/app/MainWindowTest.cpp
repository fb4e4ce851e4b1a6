// Start-up state, layout, the data handler and the cycle, and the application's error handler.
#include "AppTestSupport.h"

#include "HidPlatformVirtual.h"
#include "InstrumentLink.h"
#include "Journal.h"
#include "SignalDefinition.h"
#include "THidDevice.h"
#include "THidDeviceController.h"
#include "TimeAxis.h"
#include "VirtualInstrument.h"
#include "dialogs/BigDisplay.h"
#include "dialogs/TFormHardware.h"
#include "help/GuideText.h"
#include "help/HelpWindow.h"
#include "help/Language.h"
#include "plot/MainCursors.h"
#include "plot/ReadoutBox.h"
#include "program/CommandLine.h"
#include "program/StartupClock.h"
#include "tables/PointTableModel.h"
#include "tables/TableWindow.h"
#include "widgets/TComboBox.h"
#include "widgets/TPaintBox.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::hid;

namespace {

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, StartsWaitingWithTheDefaultsShown) {
    EXPECT_EQ(win->session().store().Data.Count, 0);
    EXPECT_EQ(win->session().store().Snap.Count, 0);
    EXPECT_EQ(win->session().store().TriggerPos, -1);
    EXPECT_EQ(win->session().store().TriggerLevel, 512);
    EXPECT_EQ(win->session().store().PreTrigger, 20);
    EXPECT_EQ(win->session().store().IntervalMs, 5);
    EXPECT_EQ(win->session().store().PointCount, 200);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxSamplingRate")->Text(),
              QStringLiteral("5 ms (200 Hz)"));
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxSamples")->Text(), QStringLiteral("200"));
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(),
              QStringLiteral("Spannung unkalibriert (V): U"));
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->Text(),
              QStringLiteral("Spannung unkalibriert (V): U"));
    EXPECT_FLOAT_EQ(win->session().store().TimeRangeMin, -0.1f);
    EXPECT_NEAR(win->session().store().TimeRangeMax, 0.895, 1e-6);
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().T.RangeStart, win->session().store().TimeRangeMin);
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().T.RangeEnd, win->session().store().TimeRangeMax);
    EXPECT_EQ(PlotOf(*win).Scales().T.Title, QStringLiteral("Zeit in <vf>s"));
    // Both signals applied from the first list entry.
    EXPECT_TRUE(win->session().store().DefAppliedA && win->session().store().DefAppliedB);
    EXPECT_EQ(PlotOf(*win).Scales().A.Title, QStringLiteral("Spannung unkalibriert in <vf>V"));
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().A.RangeStart, 0);
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().A.RangeEnd, 5);
    EXPECT_EQ(Child<QLineEdit>(*win, "EditSkalaAmin")->text(), QStringLiteral("0"));
    EXPECT_EQ(Child<QLineEdit>(*win, "EditSkalaAmax")->text(), QStringLiteral("5"));
    // Controls of the window description.
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Kurvimat"));
    EXPECT_FALSE(Child<QPushButton>(*win, "ButtonHardware")->isEnabled());
    EXPECT_TRUE(Child<QRadioButton>(*win, "RadioButtonAuto")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(*win, "CheckBoxSchnappschuss")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(*win, "CheckBoxKanalA")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(*win, "CheckBoxKanalB")->isChecked());
    EXPECT_FALSE(Child<QLabel>(*win, "LabelDataLoss")->isVisible());
    EXPECT_FALSE(Child<QPlainTextEdit>(*win, "MemoExchange")->isVisible());
    EXPECT_EQ(Child<QLabel>(*win, "LabelAroh")->text(), QStringLiteral("0"));
    // Both range labels per end show until a configuration says the ranges agree.
    EXPECT_TRUE(Child<QLabel>(*win, "LabelUBmax")->isVisibleTo(win.get()));
    EXPECT_EQ(Child<QLabel>(*win, "LabelUAmax")->palette().color(QPalette::WindowText),
              QColor(0, 0, 247));
    EXPECT_EQ(PlotOf(*win).Scales().Left, &PlotOf(*win).Scales().A);
    EXPECT_EQ(PlotOf(*win).Scales().Right, &PlotOf(*win).Scales().B);
    EXPECT_EQ(PlotOf(*win).Scales().Bottom, &PlotOf(*win).Scales().T);
    EXPECT_FALSE(PlotOf(*win).Scales().X.Visible);
    // After the first showing the lists hold the built-in lines and the editor's one line.
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->count(), 10);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->count(), 10);
}

TEST_F(MainWindowTest, PlotFillsItsPanelAndRightControlsFollowTheWidth) {
    EXPECT_EQ(Child<TPaintBox>(*win, "PaintBoxData")->width(),
              Child<QWidget>(*win, "Panelmitte")->width() - 5);
    EXPECT_EQ(Child<TPaintBox>(*win, "PaintBoxData")->height(),
              Child<QWidget>(*win, "Panelmitte")->height());
    const int gap = Child<QWidget>(*win, "Paneloben")->width() -
                    Child<QPushButton>(*win, "ButtonHardware")->geometry().right();
    const int stripGap = Child<QWidget>(*win, "Paneloben")->width() -
                         Child<TPaintBox>(*win, "PaintBoxMittel")->geometry().right();
    const int plotGap = Child<QWidget>(*win, "Panelmitte")->width() -
                        Child<TPaintBox>(*win, "PaintBoxData")->geometry().right();
    win->resize(win->width() + 200, win->height() + 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(Child<QWidget>(*win, "Paneloben")->width() -
                  Child<QPushButton>(*win, "ButtonHardware")->geometry().right(),
              gap);
    EXPECT_EQ(Child<QWidget>(*win, "Paneloben")->width() -
                  Child<TPaintBox>(*win, "PaintBoxMittel")->geometry().right(),
              stripGap);
    EXPECT_EQ(Child<QWidget>(*win, "Panelmitte")->width() -
                  Child<TPaintBox>(*win, "PaintBoxData")->geometry().right(),
              plotGap);
    EXPECT_EQ(Child<TPaintBox>(*win, "PaintBoxData")->height(),
              Child<QWidget>(*win, "Panelmitte")->height());
    // Left-anchored controls stay put.
    EXPECT_EQ(Child<QPushButton>(*win, "ButtonTrigger")
                  ->mapTo(Child<QWidget>(*win, "Paneloben"), QPoint()),
              QPoint(283, 49));
    EXPECT_GE(win->minimumWidth(), 770);
    EXPECT_GE(win->minimumHeight(), 570);
}

// Every control of a panel lies whole inside it.
void ExpectAllInside(QWidget* panel) {
    for (QWidget* w : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisibleTo(panel)) continue;
        SCOPED_TRACE(QStringLiteral("%1 %2")
                         .arg(QString::fromLatin1(w->metaObject()->className()),
                              w->property("text").toString())
                         .toStdString());
        EXPECT_TRUE(panel->rect().contains(w->geometry()))
            << w->x() << "," << w->y() << " " << w->width() << "x" << w->height() << " in "
            << panel->width() << "x" << panel->height();
    }
}

TEST_F(MainWindowTest, MinimumSizeHoldsAndEveryControlIsWhole) {
    const QSize minimum = win->minimumSize();
    EXPECT_GE(minimum.width(), 770);
    EXPECT_EQ(minimum.height(), 570 + win->MenuBarHeight()); // the client area's below the menus
    EXPECT_LE(minimum.width(), 900); // the bottom row was brought closer together
    // A window system without a window manager may make the window smaller anyway.
    win->setMinimumSize(1, 1);
    win->resize(500, 400);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(win->minimumSize(), minimum);
    EXPECT_EQ(win->size(), minimum);
    for (QWidget* panel : {Child<QWidget>(*win, "Paneloben"), Child<QWidget>(*win, "Panelunten"),
                           Child<QWidget>(*win, "Panelmitte")})
        ExpectAllInside(panel);
    // The timing choices keep clear of the subtitle and of the data-loss warning.
    for (QLabel* label : {Child<QLabel>(*win, "LabelOszilloskop"), Child<QLabel>(*win, "LabelDataLoss")})
        EXPECT_LT(label->x() + label->sizeHint().width(),
                  Child<TComboBox>(*win, "ComboBoxSamplingRate")->x());
    EXPECT_TRUE(Child<QWidget>(*win, "Panelunten")
                    ->rect()
                    .contains(Child<TShape>(*win, "ShapeAnalysis")->geometry()));
}

TEST_F(MainWindowTest, RangeLabelsAreAsWideAsTheirTexts) {
    for (const auto& [umax, umin] : {std::pair{2.56f, -2.56f}, {1.1f, -0.128f}, {5.0f, 0.0f}}) {
        SCOPED_TRACE(umax);
        win->session().store().UmaxA = umax;
        win->session().store().UminA = umin;
        win->SendConfiguration();
        QCoreApplication::processEvents();
        for (QLabel* label :
             {Child<QLabel>(*win, "LabelUAmax"), Child<QLabel>(*win, "LabelUBmax"),
              Child<QLabel>(*win, "LabelUAmin"), Child<QLabel>(*win, "LabelUBmin")}) {
            SCOPED_TRACE(label->text().toStdString());
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
            EXPECT_TRUE(Child<QWidget>(*win, "Paneloben")->rect().contains(label->geometry()));
        }
    }
}

TEST_F(MainWindowTest, SignalPanelScrollsOnlyWhenItDoesNotFit) {
    struct Row {
        const char* name;
        QSize size;
        bool scrolls;
    };
    const Row rows[] = {{"design size", {1024, 715}, false}, {"smallest size", {770, 570}, true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        win->resize(r.size);
        QCoreApplication::processEvents();
        EXPECT_EQ(Child<QScrollBar>(*win, "ScrollBarSignale")->isVisible(), r.scrolls);
        EXPECT_EQ(Child<QWidget>(*win, "PanelSignale")->y(), 15);
        if (r.scrolls) {
            Child<QScrollBar>(*win, "ScrollBarSignale")->setValue(40);
            EXPECT_EQ(Child<QWidget>(*win, "PanelSignale")->y(), 15 - 40);
            Child<QScrollBar>(*win, "ScrollBarSignale")->setValue(0);
        }
    }
}

void Wheel(QWidget* w, int notches) {
    const QPointF at = QRectF(w->rect()).center();
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(MainWindowTest, WheelChangesOnlyAFocusedComboBox) {
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
    for (TComboBox* box :
         {Child<TComboBox>(*win, "ComboBoxSamplingRate"), Child<TComboBox>(*win, "ComboBoxSamples"),
          Child<TComboBox>(*win, "ComboBoxA")}) {
        SCOPED_TRACE(box->currentText().toStdString());
        Child<QPushButton>(*win, "ButtonTrigger")->setFocus();
        const int index = box->currentIndex(), interval = win->session().store().IntervalMs;
        Wheel(box, 1);
        EXPECT_EQ(box->currentIndex(), index);
        EXPECT_FALSE(box->hasFocus()); // the wheel gives no focus
        EXPECT_EQ(win->session().store().IntervalMs, interval); // nor reaches the handler
        box->setFocus(Qt::TabFocusReason);
        Wheel(box, 1);
        EXPECT_EQ(box->currentIndex(), index + 1);
    }
}

TEST(ToolkitTexts, MessageBoxesAndFileDialogsSpeakGerman) {
    QTranslator translator, program;
    ASSERT_TRUE(InstallLanguage(Language::German, translator, program));
    QMessageBox box(QMessageBox::Question, QString(), QString(),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"),
              QStringLiteral("Suchen in:"));
    QCoreApplication::removeTranslator(&translator);
}

TEST(LanguageChoice, EnglishOnlyWhereTheSystemNamesEnglish) {
    struct Row {
        const char *language, *lcAll, *lcMessages, *lang;
        Language expected;
    };
    const Row rows[] = {
        {"en_GB:de", "", "", "de_DE.UTF-8", Language::English},
        {"de:en", "", "", "en_US.UTF-8", Language::German},
        {"", "", "", "C", Language::German},
        {"", "", "", "POSIX", Language::German},
        {"", "", "", "", Language::German},
        {"", "", "", "de_AT.UTF-8", Language::German},
        {"", "", "", "en_US.UTF-8", Language::English},
        {"", "", "", "en_US", Language::English},
        {"", "", "", "en", Language::English},
        {"", "de_DE", "", "en_US", Language::German},
        {"", "", "en_GB.UTF-8", "de_DE.UTF-8", Language::English},
        {"", "C", "en_GB.UTF-8", "", Language::German},
        {"", "", "", "eo.UTF-8", Language::German},
        {"", "", "", "ene", Language::German},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.language) + "|" + r.lcAll + "|" + r.lcMessages + "|" + r.lang);
        EXPECT_EQ(ChooseLanguage(r.language, r.lcAll, r.lcMessages, r.lang), r.expected);
    }
}

TEST(EnglishWindow, CaptionsAndMessagesSpeakEnglish) {
    QTranslator toolkit, program;
    ASSERT_TRUE(InstallLanguage(Language::English, toolkit, program));
    {
        TFormMain english;
        EXPECT_EQ(Child<QPushButton>(english, "ButtonTrigger")->text(), QStringLiteral("Trigger"));
        EXPECT_EQ(Child<QRadioButton>(english, "RadioButtonEinzel")->text(),
                  QStringLiteral("single"));
        EXPECT_EQ(Child<QRadioButton>(english, "RadioButtonDauer")->text(),
                  QStringLiteral("cont."));
        EXPECT_EQ(Child<QPushButton>(english, "ButtonBearbeiten")->text(),
                  QStringLiteral("Edit signals"));
        EXPECT_EQ(Child<QLabel>(english, "LabelSamplingrate")->text(),
                  QStringLiteral("Sampling interval"));
        EXPECT_EQ(Child<TComboBox>(english, "ComboBoxA")->Text(),
                  QStringLiteral("Voltage uncalibrated (V): U"));
        EXPECT_EQ(PlotOf(english).Scales().T.Title, QStringLiteral("Time in <vf>s"));
        // A message assembled with .arg keeps its arguments in the English sentence.
        EXPECT_EQ(SwitchQuestion(QStringLiteral("Kurvimat"), QStringLiteral("7"),
                                 QStringLiteral("Kurvimat"), QString()),
                  QStringLiteral("Switch from Kurvimat (7) to Kurvimat"));
    }
    // The English guide where the resources hold it, else the German one; either way the
    // formula windows find their subsections under the loaded guide's headings.
    const QUrl guide = GuideUrl();
    const bool english = QFile::exists(QStringLiteral(":/help/anleitung_en.html"));
    EXPECT_EQ(guide.path().endsWith(QStringLiteral("anleitung_en.html")), english);
    EXPECT_FALSE(FormulaVariables().isEmpty());
    EXPECT_EQ(FormulaHelpHtml().count(QStringLiteral("<h3>")), 3);
    QCoreApplication::removeTranslator(&program);
    EXPECT_EQ(ProgramLanguage(), Language::English);
    QTranslator toolkitDe, programDe;
    ASSERT_TRUE(InstallLanguage(Language::German, toolkitDe, programDe));
    EXPECT_EQ(ProgramLanguage(), Language::German);
    QCoreApplication::removeTranslator(&toolkitDe);
}

TEST(CommandLineTest, ArgumentsInAnswerAndStatusOut) {
    struct Row {
        QStringList arguments;
        std::optional<int> status; // unset: the window opens
        const char* output;        // contained in what is printed
        const char* file;
        QStringList flags;
        QStringList toolkit = {}; // what goes on to Qt after the program
    } const rows[] = {
        {{}, {}, "", "", {}},
        {{"Pendel.kurvimat"}, {}, "", "Pendel.kurvimat", {}},
        {{"--", "-seltsam.txt"}, {}, "", "-seltsam.txt", {}},
        {{"--", "-reverse"}, {}, "", "-reverse", {}},
        {{"-"}, {}, "", "-", {}},
        {{"-platform", "offscreen", "messung.txt"},
         {},
         "",
         "messung.txt",
         {},
         {"-platform", "offscreen"}},
        {{"-style=fusion", "-reverse"}, {}, "", "", {"reverse"}, {"-style", "fusion", "-reverse"}},
        {{"-geometry", "900x600+10+10", "Pendel.kurvimat"},
         {},
         "",
         "Pendel.kurvimat",
         {},
         {"-geometry", "900x600+10+10"}},
        {{"--geometry=900x600", "--share"}, {}, "", "", {"share"}, {"-geometry", "900x600"}},
        {{"-display", ":5", "-title", "Versuch", "-session", "s1", "-nograb", "a.txt"},
         {},
         "",
         "a.txt",
         {"nograb"},
         {"-display", ":5", "-title", "Versuch", "-session", "s1", "-nograb"}},
        {{"-qwindowgeometry", "-reverse"}, {}, "", "", {}, {"-qwindowgeometry", "-reverse"}},
        {{"--help"}, 0, "Aufruf: kurvimat [OPTION] [DATEI]\n", "", {}},
        {{"-h", "Pendel.kurvimat"},
         0,
         "  -v, --version  Zeigt die Version des Programms.\n",
         "",
         {}},
        {{"-help"}, 0, "Messwerttext", "", {}},
        {{"--version"}, 0, "kurvimat " KURVIMAT_VERSION "\n", "", {}},
        {{"-v"}, 0, "kurvimat " KURVIMAT_VERSION "\n", "", {}},
        {{"--gibtsnicht"},
         2,
         "kurvimat: Unbekannte Option „--gibtsnicht“. „kurvimat --help“",
         "",
         {}},
        {{"-x", "Pendel.kurvimat"}, 2, "Unbekannte Option „-x“", "", {}},
        {{"--platform"}, 2, "kurvimat: Der Option „--platform“ fehlt ihr Wert.", "", {}},
        {{"-hv"}, 2, "kurvimat: Unbekannte Option „-hv“. „kurvimat --help“", "", {}},
        {{"--share=ja"}, 2, "Die Option „--share“ nimmt keinen Wert an („--share=ja“).", "", {}},
        {{"-reverse=1", "a.txt"}, 2, "Die Option „-reverse“ nimmt keinen Wert an", "", {}},
        {{"-messung.txt"},
         2,
         "Unbekannte Option „-messung.txt“. Eine Datei, deren Name mit „-“ beginnt, wird mit "
         "„kurvimat -- -messung.txt“ oder „kurvimat ./-messung.txt“ geöffnet.",
         "",
         {}},
        {{"a.kurvimat", "b.txt"}, 2, "nicht auch „b.txt“", "", {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.arguments.join(u' ').toStdString());
        const CommandLine line =
            ReadCommandLine(QStringList{QStringLiteral("/usr/bin/kurvimat")} + r.arguments);
        EXPECT_EQ(line.exitStatus, r.status);
        EXPECT_TRUE(line.output.contains(QString::fromUtf8(r.output))) << line.output.toStdString();
        EXPECT_EQ(line.output.isEmpty(), !r.status.has_value());
        EXPECT_EQ(line.file, QString::fromUtf8(r.file));
        EXPECT_EQ(line.flags, r.flags);
        if (!r.status) {
            EXPECT_EQ(line.toolkit, QStringList{QStringLiteral("/usr/bin/kurvimat")} + r.toolkit);
        }
    }
}

TEST(CommandLineTest, TheProgramAnswersOnTheTerminalWithoutADisplay) {
    struct Row {
        QStringList arguments;
        const char* language; // LANGUAGE, in a locale every system has
        int status;
        const char* out;
        const char* err; // the whole of it
    } const rows[] = {
        {{"--version"}, "de", 0, "kurvimat-demo " KURVIMAT_VERSION "\n", ""},
        {{"--help"}, "en", 0, "Usage: kurvimat-demo [OPTION] [FILE]\n", ""},
        {{"--gibtsnicht"},
         "de",
         2,
         "",
         "kurvimat-demo: Unbekannte Option „--gibtsnicht“. „kurvimat-demo --help“ zeigt, was "
         "die Befehlszeile enthalten kann.\n"},
        {{},
         "de",
         1,
         "",
         "kurvimat-demo braucht eine grafische Sitzung: es wurde kein Bildschirm gefunden "
         "(DISPLAY oder WAYLAND_DISPLAY).\n"},
        {{},
         "en",
         1,
         "",
         "kurvimat-demo needs a graphical session: no display was found (DISPLAY or "
         "WAYLAND_DISPLAY).\n"},
        // Qt's options reach Qt: it finds no display either.
        {{"-geometry", "900x600+10+10", "-reverse"},
         "de",
         1,
         "",
         "kurvimat-demo braucht eine grafische Sitzung: es wurde kein Bildschirm gefunden "
         "(DISPLAY oder WAYLAND_DISPLAY).\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.arguments.join(u' ').toStdString() + " " + r.language);
        QTemporaryDir home;
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("LANGUAGE"), QString::fromLatin1(r.language));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(KURVIMAT_DEMO), r.arguments);
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), r.status);
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        EXPECT_EQ(out.isEmpty(), !*r.out);
        EXPECT_TRUE(out.contains(QString::fromUtf8(r.out))) << out.toStdString();
        EXPECT_EQ(QString::fromUtf8(program.readAllStandardError()), QString::fromUtf8(r.err));
    }
}

// The window's language decides every number it shows or copies, whatever the system locale
// (the tests run under C): a German sheet reads the German window's copy, an English sheet the
// English one's.
TEST(WindowLanguage, NumbersFollowIt) {
    struct Row {
        Language language;
        QChar mark;
        const char* formula;
        const char* range;
    };
    const Row rows[] = {
        {Language::German, u',', "298,15", " +/- 2,56 V"},
        {Language::English, u'.', "298.15", " +/- 2.56 V"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.formula);
        QTranslator toolkit, program;
        ASSERT_TRUE(InstallLanguage(r.language, toolkit, program));
        {
            TFormMain w;
            StoredPoints& d = w.session().store().Data;
            const float t[] = {0, 0.5f, 1, 1.5f}, a[] = {1.5f, 2.25f, 3.125f, 2}, b[] = {2, 3, 4, 5};
            for (int i = 0; i < 4; ++i)
                d.T[i] = t[i], d.A[i] = a[i], d.B[i] = b[i];
            d.Count = 4;
            d.DefA = QStringLiteral("A (V): U");
            d.DefB = QStringLiteral("B (V): U");
            PlotOf(w).Cursors().setVerticalOn(true, 0, 1);
            PlotOf(w).Cursors().X = {0.5, 1.5};
            PlotOf(w).Measuring()->CopyReadout();
            const QStringList readout =
                QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
            ASSERT_GE(readout.size(), 2);
            EXPECT_TRUE(readout[1].contains(r.mark)) << readout[1].toStdString();
            EXPECT_FALSE(readout[1].contains(r.mark == u',' ? u'.' : u','))
                << readout[1].toStdString();
            QTest::mouseClick(Child<QPushButton>(w, "ButtonDatenKopieren"), Qt::LeftButton);
            EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(
                QStringLiteral("\r\n0") + r.mark + QStringLiteral("5\t2") + r.mark +
                QStringLiteral("25\t3\r\n")));
            EXPECT_EQ(Child<TComboBox>(w, "ComboBoxSamplingRate")->itemText(2),
                      QStringLiteral("4 ms (250 Hz)"));
        }
        EXPECT_TRUE(kurvimat::signals::BuiltInSignals().filter(QString::fromLatin1(r.formula)).size() == 1);
        EXPECT_EQ(QCoreApplication::translate("TFormHardware", " +/- 2,56 V"),
                  QString::fromLatin1(r.range));
        QCoreApplication::removeTranslator(&toolkit);
        QCoreApplication::removeTranslator(&program);
    }
    QTranslator toolkit, program;
    ASSERT_TRUE(InstallLanguage(Language::German, toolkit, program));
    QCoreApplication::removeTranslator(&toolkit);
}

TEST(CentredPosition, NeverNegative) {
    struct Row {
        const char* name;
        QSize screen, window;
        QPoint expected;
    };
    const Row rows[] = {
        {"large screen", {1920, 1080}, {1024, 715}, {448, 162}},
        {"odd difference truncates", {1025, 800}, {1024, 715}, {0, 22}},
        {"screen smaller than the window", {800, 600}, {1024, 715}, {0, 0}},
        {"just enough height for the 20 px lift", {1024, 755}, {1024, 715}, {0, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(CentredPosition(r.screen, r.window), r.expected);
    }
}

TEST_F(MainWindowTest, ReportsOfTheHeldInstrumentReachTheReadouts) {
    win->session().store().InputCodeA = 2; // both channels on
    win->session().store().InputCodeB = 3;
    const auto report = Mode5Report(512, 256);
    // Without an instrument nothing is decoded.
    win->HidDeviceData(FakeDevice(1), 0, report.data(), 8);
    EXPECT_EQ(win->session().store().RawIndex, 0);

    win->HoldInstrument(FakeDevice(1));
    for (int i = 0; i < 40; ++i)
        win->HidDeviceData(FakeDevice(1), 0, report.data(), 8);
    const int decoded = win->session().store().RawIndex;
    EXPECT_GT(decoded, 0);
    EXPECT_EQ(win->session().store().RawA[0], 512);
    EXPECT_EQ(win->session().store().RawB[0], 256);
    // A report of another device is ignored.
    win->HidDeviceData(FakeDevice(2), 0, report.data(), 8);
    EXPECT_EQ(win->session().store().RawIndex, decoded);

    for (int tick = 0; tick < 20; ++tick)
        win->Timer1Timer();
    EXPECT_EQ(Child<QLabel>(*win, "LabelAroh")->text(), QStringLiteral("512"));
    EXPECT_EQ(Child<QLabel>(*win, "LabelAx")->text(), QStringLiteral("0,500"));
    EXPECT_EQ(Child<QLabel>(*win, "LabelUA")->text(), QStringLiteral("2,50"));
    EXPECT_EQ(Child<QLabel>(*win, "LabelAkal")->text(), QStringLiteral("2,5 V"));
    EXPECT_EQ(Child<QLabel>(*win, "LabelBroh")->text(), QStringLiteral("256"));
    win->HoldInstrument(nullptr);
}

TEST_F(MainWindowTest, TriggerButtonRecordsTheComboDefinitions) {
    Child<QLabel>(*win, "LabelDataLoss")->show();
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonTrigger"), Qt::LeftButton);
    EXPECT_GE(win->session().store().TriggerPos, 0);
    // Nothing was measured before: no made-up pre-trigger points, the sweep starts at t = 0.
    EXPECT_EQ(win->session().store().Data.Count, 0);
    EXPECT_EQ(win->session().store().SweepIndex, win->session().store().PreTrigger);
    EXPECT_EQ(win->session().store().Data.DefA, Child<TComboBox>(*win, "ComboBoxA")->Text());
    EXPECT_EQ(win->session().store().Data.DefB, Child<TComboBox>(*win, "ComboBoxB")->Text());
    EXPECT_FALSE(Child<QLabel>(*win, "LabelDataLoss")->isVisibleTo(win.get()));
    // The captions show the state the pipeline is given, and a second click turns both back.
    for (const bool first : {true, false}) {
        QTest::mouseClick(Child<QPushButton>(*win, "ButtonTriggerChannel"), Qt::LeftButton);
        EXPECT_EQ(Child<QPushButton>(*win, "ButtonTriggerChannel")->text(),
                  first ? QStringLiteral("B") : QStringLiteral("A"));
        EXPECT_EQ(win->session().trigger().channelA, !first);
        QTest::mouseClick(Child<QPushButton>(*win, "ButtonTriggerRichtung"), Qt::LeftButton);
        EXPECT_EQ(Child<QPushButton>(*win, "ButtonTriggerRichtung")->text(),
                  first ? QStringLiteral("-") : QStringLiteral("+"));
        EXPECT_EQ(win->session().trigger().rising, !first);
    }
}

TEST_F(MainWindowTest, SamplingRateAndPointCountRebuildTheTimeAxis) {
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamples"), 2); // "500"
    EXPECT_EQ(win->session().store().PointCount, 500);
    EXPECT_EQ(win->session().store().PreTrigger, 50);
    EXPECT_NEAR(win->session().store().TimeRangeMax,
                win->session().store().TimeOrigin + 499 * win->session().store().PointTime, 1e-6);
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().T.RangeEnd, win->session().store().TimeRangeMax);

    // The interval is taken by list position: every caption names its table entry.
    ASSERT_EQ(std::size_t(Child<TComboBox>(*win, "ComboBoxSamplingRate")->count()),
              IntervalChoicesMs.size());
    for (int i = 0; i < Child<TComboBox>(*win, "ComboBoxSamplingRate")->count(); ++i)
        EXPECT_TRUE(Child<TComboBox>(*win, "ComboBoxSamplingRate")
                        ->itemText(i)
                        .startsWith(QString::number(IntervalChoicesMs[std::size_t(i)]) +
                                    QStringLiteral(" ms")))
            << i;
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), 15); // "60000 ms (1 min)"
    EXPECT_EQ(win->session().store().IntervalMs, 60000);
    EXPECT_EQ(win->session().store().DeviceMode, 5);
    EXPECT_EQ(win->session().store().MeanIndex, 0); // nothing measured yet: no block rebuilt
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), 0); // "2 ms (500 Hz) (8-Bit)"
    EXPECT_EQ(win->session().store().IntervalMs, 2);
    EXPECT_EQ(win->session().store().DeviceMode, 2);
    // The new report mode re-applies the configuration: equal ranges share one black label.
    EXPECT_EQ(Child<QLabel>(*win, "LabelUAmax")->text(), QStringLiteral("5 V"));
    EXPECT_EQ(Child<QLabel>(*win, "LabelUAmin")->text(), QStringLiteral("0 V"));
    EXPECT_FALSE(Child<QLabel>(*win, "LabelUBmax")->isVisibleTo(win.get()));
    EXPECT_FALSE(Child<QLabel>(*win, "LabelUBmin")->isVisibleTo(win.get()));
    EXPECT_EQ(Child<QLabel>(*win, "LabelUAmax")->palette().color(QPalette::WindowText),
              QColor(Qt::black));
}

// Each divides by zero in the probes, the readouts, the level text and every point of a sweep:
// one box per formula text, never one per tick.
// A formula that fails somewhere is told once; one that fails for every point is told once as
// that, keeps the scale, and has nothing drawn or read.
TEST_F(MainWindowTest, DivisionByZeroIsReportedOncePerFormula) {
    struct Row {
        const char* formula;
        const char* said;
        bool noValue;
        bool keepsScale; // no value anywhere in the input range either
    };
    const Row rows[] = {
        {"YDIV0", "gibt f\u00FCr keinen Messwert einen Wert (Division durch 0)", true, true},
        {"XDIV0", "gibt f\u00FCr keinen Messwert einen Wert (Division durch 0)", true, true},
        {"1DIV(T*10)", "mit DIV oder MOD durch null", false, false}, // values from 0,1 s on
        // A sweep shorter than a second: T DIV is 0 at every point.
        {"100DIVT", "gibt f\u00FCr keinen Messwert einen Wert (Division durch 0)", true, false},
        {"U/0", "gibt f\u00FCr keinen Messwert einen Wert (Division durch 0)", true, true},
        {"LN(U-3)", "gibt f\u00FCr keinen Messwert einen Wert (ung\u00FCltige Rechnung)", true,
         false},
    };
    int shown = 0;
    for (const Row& r : rows) {
        const QString formula = QString::fromUtf8(r.formula);
        SCOPED_TRACE(r.formula);
        TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Spannung (V): U"));
        const float scaleEnd = float(PlotOf(*win).Scales().A.RangeEnd);
        TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Teiler: ") + formula);
        RecordSweep(*win, 600, 300);
        for (int tick = 0; tick < 3 * ReadoutTicks; ++tick) {
            Feed(*win, 600, 300, 1);
            ASSERT_NO_THROW(win->Timer1Timer());
        }
        QCoreApplication::processEvents();
        ASSERT_EQ(dialogs.errors.size(), ++shown) << dialogs.errors.join('|').toStdString();
        EXPECT_TRUE(dialogs.errors.last().startsWith("Signal A: "));
        EXPECT_TRUE(dialogs.errors.last().contains(formula + "\u201C"));
        EXPECT_TRUE(dialogs.errors.last().contains(QString::fromUtf8(r.said)))
            << dialogs.errors.last().toStdString();
        EXPECT_EQ(win->session().store().Data.NoValueA, r.noValue);
        if (r.keepsScale) {
            EXPECT_FLOAT_EQ(float(PlotOf(*win).Scales().A.RangeEnd), scaleEnd);
        }
        if (r.noValue) {
            EXPECT_EQ(Child<QLabel>(*win, "LabelAkal")->text(), QStringLiteral("\u2013"));
        } else {
            // German first, the parser's own words only as the detail.
            EXPECT_TRUE(dialogs.errors.last().endsWith("(Meldung des Formelparsers: Division by zero)"));
        }
    }
}

// A rejected line in A is reported once per handler, after all its other steps ran.
TEST_F(MainWindowTest, HandlersRunToTheEndAfterARejectedFormula) {
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Maximum (V): max(U,1)"));
    Child<TComboBox>(*win, "ComboBoxB")->SetText(QStringLiteral("Anteil (%): x*100"));
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamples"), 2); // "500"
    EXPECT_EQ(dialogs.errors.size(), 2);
    EXPECT_EQ(win->session().store().UnitB, QStringLiteral("%"));
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().T.RangeEnd,
                     win->session().store().TimeOrigin + 499 * win->session().store().PointTime);
    Feed(*win, 300, 300, 100);
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"),
              0); // "2 ms": a new report mode, configured anew
    EXPECT_EQ(dialogs.errors.size(), 3);
    EXPECT_EQ(win->session().store().MeanFilled,
              50); // PreTrigger 50 blocks of 2 ms from 500 measured entries
    EXPECT_FLOAT_EQ(win->session().store().MeanA[49], 300.0f);
}

TEST_F(MainWindowTest, RangeSwitchKeepsWhatASweepMeasured) {
    RecordSweep(*win, 643, 300);
    const QString before = CopiedData(*win);
    win->HoldInstrument(FakeDevice(1), [this] { win->session().store().UmaxA = 1.1f; }); // "hoch: 0 ...1,1 V"
    win->SendConfiguration();
    win->HoldInstrument(nullptr);
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 1.1f);
    EXPECT_EQ(CopiedData(*win), before);
    EXPECT_NEAR(win->session().store().Data.A[0], 643 * 5 / 1023.0, 1e-4);
    RecordSweep(*win, 643, 300);
    EXPECT_NEAR(win->session().store().Data.A[0], 643 * 1.1 / 1023.0, 1e-4);
}

// Pre-trigger points were measured before a range switch: they keep the voltages of then,
// also when the history is rebuilt from the raw entries for a new interval.
TEST_F(MainWindowTest, PreTriggerPointsKeepTheRangeTheyWereMeasuredIn) {
    for (const bool newInterval : {false, true}) {
        SCOPED_TRACE(newInterval);
        win->session().store().UmaxA = 5;
        Feed(*win, 205, 300, 400); // 1 V on the 5 V range
                win->HoldInstrument(FakeDevice(1), [this] { win->session().store().UmaxA = 1.1f; }); // "hoch: 0 ...1,1 V"
        win->SendConfiguration();
        win->HoldInstrument(nullptr);
        if (newInterval) PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), 4);
        QTest::mouseClick(Child<QPushButton>(*win, "ButtonTrigger"), Qt::LeftButton);
        Feed(*win, 930, 300, 20 * win->session().store().IntervalMs / 5); // 1 V on the 1,1 V range
        const int pre = win->session().store().PreTrigger;
        ASSERT_EQ(win->session().store().Data.Count, pre + 20);
        for (int i = 0; i < pre; ++i)
            ASSERT_NEAR(win->session().store().Data.A[i], 205 * 5 / 1023.0, 1e-4) << i;
        for (int i = pre; i < pre + 20; ++i)
            ASSERT_NEAR(win->session().store().Data.A[i], 930 * 1.1 / 1023.0, 1e-4) << i;
    }
}

// After an interval change a trigger takes only blocks the raw entries filled (3.5 s of them),
// and the automatic snapshot of the emptied store keeps the reference curve.
TEST_F(MainWindowTest, IntervalChangeKeepsOnlyWhatWasMeasured) {
    RecordSweep(*win, 600, 300);
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonSchnappschuss"), Qt::LeftButton);
    Feed(*win, 600, 300, 500);
    for (const auto& [item, blocks] : {std::pair{10, 3}, std::pair{15, 0}}) { // 1 s, 1 min
        SCOPED_TRACE(item);
        PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), item);
        QTest::mouseClick(Child<QPushButton>(*win, "ButtonTrigger"), Qt::LeftButton);
        EXPECT_EQ(win->session().store().Snap.Count, win->session().store().PointCount);
        ASSERT_EQ(win->session().store().Data.Count, blocks);
        for (int i = 0; i < blocks; ++i) {
            EXPECT_FLOAT_EQ(win->session().store().Data.T[i],
                            float(i - blocks) * win->session().store().PointTime)
                << i;
            EXPECT_NEAR(win->session().store().Data.A[i], 600 * 5 / 1023.0, 1e-4) << i;
        }
    }
}

TEST_F(MainWindowTest, ClosingEndsTheProgramWhileTheHardwareWindowIsOpen) {
    TFormHardware hardware;
    hardware.show();
    QGuiApplication::setQuitOnLastWindowClosed(true);
    QTimer::singleShot(0, win.get(), [this] { win->close(); });
    QTimer guard; // keeps a failing test from hanging
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

// The package test starts the installed program with the variable and takes status 0 as
// proof that its window came up; without the variable the program must go on running.
TEST_F(MainWindowTest, QuitsAfterTheFirstFrameOnlyWhenAsked) {
    for (const auto& [variable, code] : {std::pair{"1", 0}, std::pair{"", 3}}) {
        SCOPED_TRACE(variable);
        qputenv("KURVIMAT_QUIT_AFTER_FIRST_FRAME", variable);
        win->hide();
        StartupClock::Install(*win);
        win->show();
        QTimer guard; // the frame is long on the screen by then
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(3); });
        guard.start(code == 0 ? 10000 : 500);
        EXPECT_EQ(QCoreApplication::exec(), code);
    }
    qunsetenv("KURVIMAT_QUIT_AFTER_FIRST_FRAME");
}

TEST_F(MainWindowTest, ClosingRemovesTheDataHandlerAndStopsDecoding) {
    auto platform = std::make_shared<HidPlatformVirtual>();
    platform->plug(std::make_shared<VirtualInstrument>());
    THidDeviceController controller(platform);
    THidDevice* instrument = nullptr;
    controller.OnArrival = [&](THidDevice* dev) { instrument = dev; };
    controller.DeviceChange();
    ASSERT_NE(instrument, nullptr);
    instrument->SetDataHandler(
        [](THidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
    win->session().store().InputCodeA = 2;
    win->session().store().InputCodeB = 3;
    win->HoldInstrument(instrument);

    EXPECT_TRUE(win->close());
    // The handler is gone, and a report still in flight is not decoded.
    EXPECT_FALSE(instrument->DataHandler());
    const auto report = Mode5Report(100, 100);
    win->HidDeviceData(instrument, 0, report.data(), 8);
    EXPECT_EQ(win->session().store().RawIndex, 0);
    win->HoldInstrument(nullptr);
}

// An object whose event handler fails, as a faulty handler would.
class Thrower : public QObject {
public:
    int handled = 0;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("Fehler im Handler");
        if (e->type() == QEvent::User + 1) {
            ++handled;
            return true;
        }
        return QObject::event(e);
    }
};

TEST(ApplicationErrors, EscapingExceptionIsShownAndTheProgramGoesOn) {
    FakeDialogs dialogs;
    SetAppDialogs(&dialogs);
    Thrower thrower;
    QEvent failing(QEvent::User);
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&thrower, &failing));
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors.front(), QStringLiteral("Fehler im Handler"));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::processEvents();
    EXPECT_EQ(thrower.handled, 1);
    // The same error again in the nested loop of its open box is not stacked on it.
    dialogs.whileShowing = [&] { QCoreApplication::sendEvent(&thrower, &failing); };
    QCoreApplication::sendEvent(&thrower, &failing);
    EXPECT_EQ(dialogs.errors.size(), 2);
    SetAppDialogs(nullptr);
}

// Every action the menu bar reaches, submenus included.
QList<QAction*> MenuActions(const QList<QAction*>& actions) {
    QList<QAction*> all;
    for (QAction* a : actions) {
        all << a;
        if (a->menu()) all << MenuActions(a->menu()->actions());
    }
    return all;
}

TEST_F(MainWindowTest, MenuEntriesRunTheirButtonsAndThePlotMenuSharesThem) {
    // The menu bar sits above the client area, which keeps its design size and places.
    ASSERT_GT(win->MenuBarHeight(), 0);
    EXPECT_EQ(win->centralWidget()->geometry(), QRect(0, win->MenuBarHeight(), 1024, 715));
    EXPECT_EQ(Child<QWidget>(*win, "Paneloben")->mapTo(win.get(), QPoint()),
              QPoint(0, win->MenuBarHeight()));
    emit Child<QMenu>(*win, "MenuAusgleichskurve")->aboutToShow(); // fills itself as it opens
    const QList<QAction*> menus = MenuActions(win->menuBar()->actions());
    const std::pair<QAction*, QAbstractButton*> buttons[] = {
        {Child<QAction>(*win, "ActionDatenLaden"), Child<QPushButton>(*win, "ButtonDatenLaden")},
        {Child<QAction>(*win, "ActionDatenSpeichern"),
         Child<QPushButton>(*win, "ButtonDatenSpeichern")},
        {Child<QAction>(*win, "ActionSSLaden"), Child<QPushButton>(*win, "ButtonSSLaden")},
        {Child<QAction>(*win, "ActionSSSpeichern"), Child<QPushButton>(*win, "ButtonSSspeichern")},
        {Child<QAction>(*win, "ActionDatenKopieren"),
         Child<QPushButton>(*win, "ButtonDatenKopieren")},
        {Child<QAction>(*win, "ActionDatenEinfuegen"),
         Child<QPushButton>(*win, "ButtonDatenEinfuegen")},
        {Child<QAction>(*win, "ActionDatenLoeschen"),
         Child<QPushButton>(*win, "ButtonDatenLoeschen")},
        {Child<QAction>(*win, "ActionTrigger"), Child<QPushButton>(*win, "ButtonTrigger")},
        {Child<QAction>(*win, "ActionReset"), Child<QPushButton>(*win, "ButtonReset")},
        {Child<QAction>(*win, "ActionSchnappschuss"),
         Child<QPushButton>(*win, "ButtonSchnappschuss")}};
    for (const auto& [action, button] : buttons) {
        SCOPED_TRACE(action->text().toStdString());
        EXPECT_TRUE(menus.contains(action));
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        action->trigger();
        EXPECT_EQ(clicked.count(), 1);
    }
    // Checkable entries and their boxes follow each other both ways.
    const std::pair<QAction*, QAbstractButton*> boxes[] = {
        {Child<QAction>(*win, "ActionDauer"), Child<QRadioButton>(*win, "RadioButtonDauer")},
        {Child<QAction>(*win, "ActionEinzel"), Child<QRadioButton>(*win, "RadioButtonEinzel")},
        {Child<QAction>(*win, "ActionNormal"), Child<QRadioButton>(*win, "RadioButtonNormal")},
        {Child<QAction>(*win, "ActionKanalBx"), Child<QCheckBox>(*win, "CheckBoxBXY")},
        {Child<QAction>(*win, "ActionKanalAx"), Child<QCheckBox>(*win, "CheckBoxAXY")},
        {Child<QAction>(*win, "ActionMinuten"), Child<QCheckBox>(*win, "CheckBoxMinuten")},
        {Child<QAction>(*win, "ActionSpektrum"), Child<QCheckBox>(*win, "CheckBoxSpektrum")}};
    for (const auto& [action, box] : boxes) {
        SCOPED_TRACE(action->text().toStdString());
        EXPECT_TRUE(menus.contains(action));
        action->trigger();
        EXPECT_TRUE(box->isChecked());
        EXPECT_TRUE(action->isChecked());
        if (box == Child<QRadioButton>(*win, "RadioButtonEinzel")) {
            EXPECT_FALSE(
                Child<QPushButton>(*win, "ButtonReset")->isEnabled()); // the mode's own code ran
            win->Timer1Timer();
            EXPECT_FALSE(Child<QAction>(*win, "ActionReset")->isEnabled());
        }
        QAbstractButton* other =
            dynamic_cast<QRadioButton*>(box) ? Child<QRadioButton>(*win, "RadioButtonAuto") : box;
        QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(other->width() - 6, other->height() / 2));
        win->UpdateMenuActions();
        EXPECT_EQ(action->isChecked(), box->isChecked());
    }
    EXPECT_TRUE(Child<QAction>(*win, "ActionAuto")->isChecked());

    // The plot's menu shows the very actions of the menu bar.
    std::unique_ptr<QMenu> plotMenu(PlotOf(*win).Measuring()->CreateMenu());
    const QList<QAction*> plot = MenuActions(plotMenu->actions());
    for (QAction* shared :
         {Child<QAction>(*win, "ActionZeitcursor"), Child<QAction>(*win, "ActionWertcursor"),
          Child<QAction>(*win, "ActionMesswerteKopieren"),
          Child<QAction>(*win, "ActionBildKopieren"), Child<QAction>(*win, "ActionDrucken"),
          Child<QMenu>(*win, "MenuBildSpeichern")->menuAction(),
          Child<QMenu>(*win, "MenuFitA")->menuAction(),
          Child<QMenu>(*win, "MenuFitB")->menuAction()}) {
        SCOPED_TRACE(shared->text().toStdString());
        EXPECT_TRUE(plot.contains(shared));
        EXPECT_TRUE(menus.contains(shared));
    }
    Child<QAction>(*win, "ActionZeitcursor")->trigger();
    EXPECT_TRUE(PlotOf(*win).Cursors().VerticalOn);
    PlotOf(*win).Measuring()->CreateMenu()->deleteLater();
    EXPECT_TRUE(Child<QAction>(*win, "ActionZeitcursor")->isChecked());

    const std::pair<QAction*, QKeySequence> keys[] = {
        {Child<QAction>(*win, "ActionVersuchOeffnen"), QKeySequence(Qt::CTRL | Qt::Key_O)},
        {Child<QAction>(*win, "ActionVersuchSpeichern"), QKeySequence(Qt::CTRL | Qt::Key_S)},
        {Child<QAction>(*win, "ActionVersuchSpeichernUnter"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {Child<QAction>(*win, "ActionDrucken"), QKeySequence(Qt::CTRL | Qt::Key_P)},
        {Child<QAction>(*win, "ActionBeenden"), QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {Child<QAction>(*win, "ActionRueckgaengig"), QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {Child<QAction>(*win, "ActionStoppWeiter"), QKeySequence(Qt::Key_Space)},
        {Child<QAction>(*win, "ActionVollbild"), QKeySequence(Qt::Key_F11)},
        {Child<QAction>(*win, "ActionAnleitung"), QKeySequence(Qt::Key_F1)}};
    for (const auto& [action, key] : keys) {
        EXPECT_EQ(action->shortcut(), key) << action->text().toStdString();
        EXPECT_TRUE(menus.contains(action));
    }
    EXPECT_TRUE(menus.contains(Child<QAction>(*win, "ActionMessreiheBehalten")));
}

// The guide's lists of menus and shortcuts name what the menu bar holds, as it names it.
TEST_F(MainWindowTest, TheGuideListsTheFileMenuAndEveryShortcut) {
    const QString html = GuideHtml().simplified();
    const auto section = [&html](const char* anchor) {
        const qsizetype from = html.indexOf(QStringLiteral("<a name=\"%1\">").arg(anchor));
        return from < 0 ? QString() : html.mid(from, html.indexOf(QStringLiteral("</table>"), from) - from);
    };
    const QString menus = section("menues"), keys = section("tasten");
    ASSERT_FALSE(menus.isEmpty());
    ASSERT_FALSE(keys.isEmpty());
    QMenu* file = win->menuBar()->actions().first()->menu();
    ASSERT_NE(file, nullptr);
    for (const QAction* a : file->actions()) {
        if (a->isSeparator()) continue;
        const QString text = QString(a->text()).remove(u'&');
        SCOPED_TRACE(text.toStdString());
        EXPECT_TRUE(menus.contains(text));
    }
    for (const QAction* a : MenuActions(win->menuBar()->actions())) {
        if (a->shortcut().isEmpty()) continue;
        const QString key = a->shortcut()
                                .toString(QKeySequence::PortableText)
                                .replace(QStringLiteral("Ctrl"), QStringLiteral("Strg"))
                                .replace(QStringLiteral("Shift"), QStringLiteral("Umschalt"))
                                .replace(QStringLiteral("Space"), QStringLiteral("Leertaste"));
        SCOPED_TRACE(key.toStdString());
        EXPECT_TRUE(keys.contains(QStringLiteral("<td>") + key + QStringLiteral("</td>")));
    }
}

TEST_F(MainWindowTest, EveryVisibleControlSaysWhatItDoes) {
    int controls = 0;
    for (QWidget* w : win->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(win.get())) continue;
        const bool comboEdit = dynamic_cast<QComboBox*>(w->parentWidget()) != nullptr;
        if (!dynamic_cast<QAbstractButton*>(w) && !dynamic_cast<QComboBox*>(w) &&
            !(dynamic_cast<QLineEdit*>(w) && !comboEdit) && !dynamic_cast<TImage*>(w) &&
            !dynamic_cast<TPaintBox*>(w) && !dynamic_cast<TShape*>(w))
            continue;
        ++controls;
        EXPECT_FALSE(w->toolTip().isEmpty())
            << w->metaObject()->className() << " " << w->objectName().toStdString() << " "
            << w->property("text").toString().toStdString();
    }
    EXPECT_GT(controls, 50);
    for (const FormulaVariable& v : FormulaVariables())
        EXPECT_TRUE(Child<QLineEdit>(*win, "EditFormelB")
                        ->toolTip()
                        .contains(v.name + QStringLiteral(" – ")))
            << v.name.toStdString();
    EXPECT_TRUE(PlotOf(*win).Measuring()->LabelMesswerte->toolTip().contains(
        QStringLiteral("keine volle Periode zwischen den Cursorn")));
}

TEST_F(MainWindowTest, AnEditedSignalLineIsTintedUntilEnterOrAChoiceAppliesIt) {
    const QColor plain = Child<QLineEdit>(*win, "EditFormelA")->palette().color(QPalette::Base);
    const QString tip = Child<QLineEdit>(*win, "EditFormelA")->toolTip();
    QTest::keyClicks(Child<QLineEdit>(*win, "EditFormelA"), QStringLiteral("*2"));
    EXPECT_NE(Child<QLineEdit>(*win, "EditFormelA")->palette().color(QPalette::Base), plain);
    EXPECT_EQ(Child<QLineEdit>(*win, "EditFormelA")->toolTip(),
              QStringLiteral("Eingabe mit Enter übernehmen"));
    EXPECT_EQ(Child<QLineEdit>(*win, "EditSignalA")->palette().color(QPalette::Base),
              plain); // not edited
    QTest::keyClick(Child<QLineEdit>(*win, "EditFormelA"), Qt::Key_Return);
    EXPECT_EQ(win->session().store().FormulaA, QStringLiteral("U*2"));
    EXPECT_EQ(Child<QLineEdit>(*win, "EditFormelA")->palette().color(QPalette::Base), plain);
    EXPECT_EQ(Child<QLineEdit>(*win, "EditFormelA")->toolTip(), tip);

    QTest::keyClicks(Child<QLineEdit>(*win, "EditEinheitB"), QStringLiteral("x"));
    EXPECT_NE(Child<QLineEdit>(*win, "EditEinheitB")->palette().color(QPalette::Base), plain);
    PickEntry(Child<TComboBox>(*win, "ComboBoxB"), 1);
    EXPECT_EQ(Child<QLineEdit>(*win, "EditEinheitB")->palette().color(QPalette::Base), plain);

    // A rejected formula stays, tinted, in the edit it was typed into; the box and the range
    // show the definition in force.
    const QString inForce = win->session().store().AppliedDefA;
    TypeAndEnter(Child<QLineEdit>(*win, "EditFormelA"), QStringLiteral("10*(U"));
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(Child<QLineEdit>(*win, "EditFormelA")->text(), QStringLiteral("10*(U"));
    EXPECT_NE(Child<QLineEdit>(*win, "EditFormelA")->palette().color(QPalette::Base), plain);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), inForce);
    EXPECT_EQ(Child<QLineEdit>(*win, "EditSkalaAmax")->text(), QStringLiteral("10"));
    TypeAndEnter(Child<QLineEdit>(*win, "EditFormelA"), QStringLiteral("10*(U)"));
    EXPECT_EQ(win->session().store().FormulaA, QStringLiteral("10*(U)"));
    EXPECT_EQ(Child<QLineEdit>(*win, "EditFormelA")->palette().color(QPalette::Base), plain);

    // The signal list opens as wide as its longest entry.
    int longest = 0;
    for (int i = 0; i < Child<TComboBox>(*win, "ComboBoxA")->count(); ++i)
        longest = std::max(
            longest, Child<TComboBox>(*win, "ComboBoxA")
                         ->view()
                         ->fontMetrics()
                         .horizontalAdvance(Child<TComboBox>(*win, "ComboBoxA")->itemText(i)));
    EXPECT_GT(Child<TComboBox>(*win, "ComboBoxA")->view()->minimumWidth(), longest);
}

TEST_F(MainWindowTest, StoppHoldsThePlotWhileTheInstrumentGoesOn) {
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
    Child<QRadioButton>(*win, "RadioButtonDauer")->setChecked(true); // a sweep whenever none runs
    Feed(*win, 600, 300, 30);
    ASSERT_GE(win->session().store().TriggerPos, 0);
    QTest::keyClick(Child<TPaintBox>(*win, "PaintBoxData"), Qt::Key_Space);
    ASSERT_TRUE(win->session().held());
    EXPECT_TRUE(Child<QLabel>(*win, "LabelAngehalten")->isVisible());
    const QString held = CopiedData(*win);
    const int raw = win->session().store().RawIndex;
    for (int tick = 0; tick < ReadoutTicks; ++tick)
        win->Timer1Timer();
    Feed(*win, 700, 300, 3 * win->session().store().PointCount);
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonTrigger"), Qt::LeftButton);
    EXPECT_EQ(CopiedData(*win), held);
    EXPECT_EQ(win->session().store().TriggerPos, -1);
    EXPECT_GT(win->session().store().RawIndex, raw);
    for (int tick = 0; tick < ReadoutTicks; ++tick)
        win->Timer1Timer();
    EXPECT_EQ(Child<QLabel>(*win, "LabelAroh")->text(),
              QStringLiteral("700")); // the readouts go on

    QTest::keyClick(Child<TPaintBox>(*win, "PaintBoxData"), Qt::Key_Space);
    EXPECT_FALSE(win->session().held());
    Feed(*win, 700, 300, 5);
    EXPECT_GE(win->session().store().TriggerPos, 0);
    EXPECT_NE(CopiedData(*win), held);
    EXPECT_EQ(win->session().store().Data.A[win->session().store().Data.Count - 1],
              win->session().store().Data.A[0]); // all at 700
}

TEST_F(MainWindowTest, UndoBringsBackDeletedOrPastedOverDataElseTheZoom) {
    RecordSweep(*win, 600, 300);
    const QString recorded = CopiedData(*win);
    const QString inForce = win->session().store().AppliedDefA;
    struct Row {
        QString what;
        QAction* action;
        QString pasted;
    };
    const Row rows[] = {
        {QStringLiteral("Daten löschen"), Child<QAction>(*win, "ActionDatenLoeschen"), {}},
        {QStringLiteral("Daten einfügen"), Child<QAction>(*win, "ActionDatenEinfuegen"),
         QStringLiteral("0\t1\t2\r\n1\t2\t3\r\n")},
        // Points, their labels and the definitions in force come back together.
        {QStringLiteral("Daten einfügen"), Child<QAction>(*win, "ActionDatenEinfuegen"),
         QStringLiteral("Zeit in s\tX (mV): U*1000\tTemperatur (°C)\r\n0\t1\t2\r\n1\t2\t3\r\n")},
        // Times far beyond the recording's: the time axis is widened to 24,5 s.
        {QStringLiteral("Daten einfügen"), Child<QAction>(*win, "ActionDatenEinfuegen"),
         QStringLiteral("0\t1\t2\r\n24.5\t9\t3\r\n")},
    };
    const auto ranges = [this] { return CaptureRanges(PlotOf(*win).Scales()); };
    const auto shown = ranges();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.pasted.toStdString());
        QGuiApplication::clipboard()->setText(r.pasted);
        r.action->trigger();
        EXPECT_NE(CopiedData(*win), recorded);
        win->UpdateMenuActions();
        EXPECT_TRUE(Child<QAction>(*win, "ActionRueckgaengig")->text().endsWith(r.what));
        Child<QAction>(*win, "ActionRueckgaengig")->trigger();
        EXPECT_EQ(CopiedData(*win), recorded);
        EXPECT_EQ(win->session().store().AppliedDefA, inForce);
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), inForce);
        EXPECT_EQ(PlotOf(*win).Scales().A.Title, QStringLiteral("Spannung unkalibriert in <vf>V"));
        // The axes too, which the pasted times widened (0 s before the recording's range).
        EXPECT_EQ(ranges(), shown);
    }
    // Pasted over, points with further columns come back with them.
    const QString five = QStringLiteral("Zeit in s\tA\tB\tI (mA)\tP\r\n0\t1\t2\t3\t4\r\n");
    for (const QString& pasted : {five, QStringLiteral("0\t1\t2\r\n")}) {
        QGuiApplication::clipboard()->setText(pasted);
        Child<QAction>(*win, "ActionDatenEinfuegen")->trigger();
    }
    Child<QAction>(*win, "ActionRueckgaengig")->trigger();
    EXPECT_EQ(CopiedData(*win), five);
    win->UpdateMenuActions();
    EXPECT_FALSE(Child<QAction>(*win, "ActionRueckgaengig")->isEnabled());
    PlotOf(*win).History().push(CaptureRanges(PlotOf(*win).Scales()));
    PlotOf(*win).Scales().A.RangeEnd = 2;
    win->UpdateMenuActions();
    ASSERT_TRUE(Child<QAction>(*win, "ActionRueckgaengig")->isEnabled());
    Child<QAction>(*win, "ActionRueckgaengig")->trigger();
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().A.RangeEnd, 5);
}

TEST_F(MainWindowTest, ClosingWithUnsavedDataAsksToSaveDiscardOrCancel) {
    using Choice = Dialogs::SaveChoice;
    struct Row {
        const char* name;
        Choice answer;
        const char* file; // the save dialog's answer
        bool closes;
        bool run = false; // a run kept: only an experiment file holds everything
    };
    const Row rows[] = {{"cancel", Choice::Cancel, "", false},
                        {"save, then cancel the file", Choice::Save, "", false},
                        {"save", Choice::Save, "daten.txt", true},
                        {"discard", Choice::Discard, "", true},
                        {"a run: save the experiment", Choice::Save, "versuch.kurvimat", true, true},
                        {"a run: discard", Choice::Discard, "", true, true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CreateWindows();
        EXPECT_FALSE(win->experiments().HasUnsavedWork());
        RecordSweep(*win, 600, 300);
        if (r.run) Child<QAction>(*win, "ActionMessreiheBehalten")->trigger();
        const QFileInfo journal(win->session().journal().path());
        dialogs.questions.clear();
        dialogs.saveChoice = r.answer;
        dialogs.saveName = *r.file ? dir.filePath(QString::fromLatin1(r.file)) : QString();
        EXPECT_EQ(win->close(), r.closes);
        ASSERT_EQ(dialogs.questions.size(), 1);
        EXPECT_EQ(dialogs.questions[0].contains(QStringLiteral("Messreihen")), r.run);
        EXPECT_EQ(win->session().held(), r.closes); // held while asked, going on when staying open
        EXPECT_EQ(QFile::exists(dialogs.saveName), *r.file != 0);
        // Discarded runs wait in the Papierkorb, not at the next start.
        if (r.run && r.answer == Choice::Discard) {
            EXPECT_FALSE(journal.exists());
            const QStringList trashed = QDir(journal.dir().filePath(QStringLiteral("Papierkorb")))
                                            .entryList({u'*' + journal.fileName()});
            EXPECT_EQ(trashed.size(), 1);
        }
    }
    // Copied data count as kept.
    CreateWindows();
    RecordSweep(*win, 600, 300);
    CopiedData(*win);
    dialogs.questions.clear();
    EXPECT_TRUE(win->close());
    EXPECT_TRUE(dialogs.questions.isEmpty());
}

TEST_F(MainWindowTest, TheMenuOpensTheTableTheBigDisplayAndTheHelp) {
    RecordSweep(*win, 600, 300);
    Child<QAction>(*win, "ActionTabelle")->trigger();
    ASSERT_TRUE(Child<TableWindow>(*win, "Tabelle") &&
                Child<TableWindow>(*win, "Tabelle")->isVisible());
    const PointTableModel& model = Child<TableWindow>(*win, "Tabelle")->model();
    EXPECT_EQ(model.rowCount(), win->session().store().Data.Count);
    // Its context menu offers a new quantity too.
    QMenu menu;
    Child<TableWindow>(*win, "Tabelle")->fillContextMenu(menu);
    EXPECT_TRUE(menu.actions().contains(Child<QAction>(*win, "ActionNeueGroesse")));
    // A new sweep starts the table over, its points are added as they come.
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonTrigger"), Qt::LeftButton);
    win->Timer1Timer();
    EXPECT_EQ(model.rowCount(), win->session().store().PreTrigger);
    Feed(*win, 600, 300, 5);
    win->Timer1Timer();
    EXPECT_EQ(model.rowCount(), win->session().store().PreTrigger + 5);
    // Evaluated again under another formula: the same rows under the new definition.
    TypeAndEnter(Child<QLineEdit>(*win, "EditFormelA"), QStringLiteral("U*2"));
    win->Timer1Timer();
    EXPECT_EQ(model.rowCount(), win->session().store().PreTrigger + 5);
    EXPECT_TRUE(model.headerData(PointTableModel::ColumnA, Qt::Horizontal)
                    .toString()
                    .contains(QStringLiteral("U*2")));
    // The rows between the time cursors are highlighted.
    Child<QAction>(*win, "ActionZeitcursor")->trigger();
    PlotOf(*win).Cursors().X = {0.012, -0.001};
    win->Timer1Timer();
    EXPECT_TRUE(model.highlighted(win->session().store().PreTrigger + 1));
    EXPECT_FALSE(model.highlighted(win->session().store().PreTrigger + 4));

    Child<QAction>(*win, "ActionGrossanzeige")->trigger();
    ASSERT_TRUE(Child<BigDisplay>(*win, "Grossanzeige") &&
                Child<BigDisplay>(*win, "Grossanzeige")->isVisible());
    for (int tick = 0; tick < ReadoutTicks; ++tick) {
        Feed(*win, 700, 300, 1);
        win->Timer1Timer();
    }
    const auto big = [this](const char* name) {
        return Child<BigDisplay>(*win, "Grossanzeige")
            ->findChild<QLabel*>(QString::fromLatin1(name))
            ->text();
    };
    EXPECT_EQ(QStringLiteral("%1 %2").arg(big("LabelGrossWertA"), big("LabelGrossEinheitA")),
              Child<QLabel>(*win, "LabelAkal")->text());
    EXPECT_EQ(big("LabelGrossNameB"), win->session().store().NameB);

    Child<QAction>(*win, "ActionAnleitung")->trigger();
    ASSERT_TRUE(Child<HelpWindow>(*win, "Anleitung") &&
                Child<HelpWindow>(*win, "Anleitung")->isVisible());
    Child<QAction>(*win, "ActionFormelvariablen")->trigger();
    Child<QAction>(*win, "ActionUeber")->trigger();
    for (const char* name : {"FormFormelvariablen", "FormUeber"}) {
        auto* dialog = win->findChild<QDialog*>(QString::fromLatin1(name));
        ASSERT_TRUE(dialog) << name;
        EXPECT_TRUE(dialog->isVisible());
    }
}

} // namespace
