// The nine exchange buttons: writing, reading back, the snapshot row, failures and the limit;
// the runs kept before a click replaces the points, and their list.
#include "AppTestSupport.h"

#include "Codec1252.h"
#include "Journal.h"
#include "Palette.h"
#include "Readout.h"
#include "SignalDefinition.h"
#include "StorePoints.h"
#include "dialogs/ValuesDialog.h"
#include "plot/MainCursors.h"
#include "runs/MainRuns.h"
#include "runs/RunsWindow.h"
#include "widgets/TComboBox.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <vector>

using namespace kurvimat::analysis;
using namespace kurvimat::display;
using namespace kurvimat::exchange;
using kurvimat::signals::ColumnOrigin;
using kurvimat::signals::QuantityColumn;

namespace {
// The whole literal, embedded NULs included.
template <std::size_t N> QByteArray Bytes(const char (&literal)[N]) {
    return QByteArray(literal, qsizetype(N - 1));
}


using MainExchangeTest = WindowTest;

const QString TextFilter = QStringLiteral(
    "Textdateien (*.txt);;CSV f\u00FCr Tabellenkalkulation (*.csv);;Alle Dateien (*.*)");

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

// Relative agreement to four significant digits.
void ExpectSameTo4Digits(float actual, float expected) {
    EXPECT_LE(std::fabs(actual - expected), 5e-4f * std::fabs(expected) + 1e-30f)
        << actual << " vs " << expected;
}

void FillData(TFormMain& w) {
    const float t[] = {-0.1f, 0.0f, 0.12345f, 12345.6f};
    const float a[] = {1.5f, -2.25f, 0.00012345f, 3.0f};
    const float b[] = {100.0f, 0.0f, -1e-5f, 42.0f};
    for (int i = 0; i < 4; ++i) {
        w.session().store().Data.T[i] = t[i];
        w.session().store().Data.A[i] = a[i];
        w.session().store().Data.B[i] = b[i];
    }
    w.session().store().Data.Count = 4;
    w.session().store().Data.DefA =
        QStringLiteral("Temperatur (°C): 1/(1/298,15+ln(47/(5/U-1)/50)/3950)-273,15 [0;100]");
    w.session().store().Data.DefB = QStringLiteral("Anteil (%): x*100");
}

TEST_F(MainExchangeTest, DataSavedThenLoadedBack) {
    FillData(*win);
    const TFormMain& w = *win;
    const QString defA = w.session().store().Data.DefA, defB = w.session().store().Data.DefB;
    dialogs.saveName = dir.filePath(QStringLiteral("daten.txt"));
    Click(Child<QPushButton>(*win, "ButtonDatenSpeichern"));
    ASSERT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(dialogs.filters.value(0), TextFilter);
    const QByteArray bytes = ReadFile(dialogs.saveName);
    // Windows-1252 header (the degree sign is one byte) and CR LF after every line.
    EXPECT_TRUE(bytes.startsWith("Zeit in s\tTemperatur (\xB0"
                                 "C): "));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 5);
    EXPECT_TRUE(bytes.contains("\r\n-0,1\t1,5\t100\r\n"));

    Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
    EXPECT_EQ(win->session().store().Data.Count, 0);
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Spannung (V): U"));
    win->session().store().TriggerPos = 3;

    dialogs.openName = dialogs.saveName;
    Click(Child<QPushButton>(*win, "ButtonDatenLaden"));
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    ASSERT_EQ(win->session().store().Data.Count, 4);
    const float t[] = {-0.1f, 0.0f, 0.12345f, 12345.6f};
    const float a[] = {1.5f, -2.25f, 0.00012345f, 3.0f};
    const float b[] = {100.0f, 0.0f, -1e-5f, 42.0f};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ExpectSameTo4Digits(win->session().store().Data.T[i], t[i]);
        ExpectSameTo4Digits(win->session().store().Data.A[i], a[i]);
        ExpectSameTo4Digits(win->session().store().Data.B[i], b[i]);
    }
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), defA);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->Text(), defB);
    EXPECT_EQ(win->session().store().Data.DefA, defA);
    EXPECT_EQ(win->session().store().UnitA, QStringLiteral("°C"));
    EXPECT_EQ(win->session().store().TriggerPos, -1);
    // Axes widened to the loaded extremes, never narrowed.
    EXPECT_LE(PlotOf(*win).Scales().A.RangeStart, -2.25);
    EXPECT_GE(PlotOf(*win).Scales().A.RangeEnd, 100);
    EXPECT_GE(PlotOf(*win).Scales().T.RangeEnd, 12345.0);
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().T.RangeStart, win->session().store().TimeRangeMin);
    EXPECT_FLOAT_EQ(win->session().store().Data.MinA, -2.25f);
    EXPECT_FLOAT_EQ(win->session().store().Data.MaxB, 100.0f);

    // As CSV for a spreadsheet: by the name's ending; said on loading, and read back the same.
    dialogs.saveName = dir.filePath(QStringLiteral("daten.csv"));
    Click(Child<QPushButton>(*win, "ButtonDatenSpeichern"));
    const QByteArray csv = ReadFile(dialogs.saveName);
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBFZeit in s;\"Temperatur (\xC2\xB0"
                               "C): 1/(1/298,15"));
    EXPECT_TRUE(csv.contains("\r\n-0,1;1,5;100\r\n"));
    Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
    dialogs.openName = dialogs.saveName;
    // Said while the loaded points are held: the box's own loop lets no sweep replace them.
    if (win->session().held()) Child<QAction>(*win, "ActionStoppWeiter")->trigger();
    ASSERT_FALSE(win->session().held());
    bool heldWhenSaid = false;
    dialogs.whileShowing = [&] { heldWhenSaid = win->session().held(); };
    Click(Child<QPushButton>(*win, "ButtonDatenLaden"));
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    EXPECT_EQ(dialogs.infos.value(0), QStringLiteral("Trennzeichen: Semikolon."));
    EXPECT_TRUE(heldWhenSaid);
    ASSERT_EQ(win->session().store().Data.Count, 4);
    EXPECT_EQ(win->session().store().Data.DefA, defA);
    ExpectSameTo4Digits(win->session().store().Data.B[2], -1e-5f);
}

TEST_F(MainExchangeTest, ClipboardCopyAndPasteOfData) {
    FillData(*win);
    Click(Child<QPushButton>(*win, "ButtonDatenKopieren"));
    const QString text = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("Zeit in s\t") + win->session().store().Data.DefA + '\t'));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 5);
    Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
    Click(Child<QPushButton>(*win, "ButtonDatenEinfuegen"));
    EXPECT_EQ(win->session().store().Data.Count, 4);
    ExpectSameTo4Digits(win->session().store().Data.A[1], -2.25f);
}

TEST_F(MainExchangeTest, EmptyDataWritesTheHeaderAlone) {
    win->session().store().Data.DefA = QStringLiteral("a: U");
    win->session().store().Data.DefB = QStringLiteral("b: U");
    Click(Child<QPushButton>(*win, "ButtonDatenKopieren"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Zeit in s\ta: U\tb: U\r\n"));
}

TEST_F(MainExchangeTest, SnapshotLoadLeavesCombosAndDataAlone) {
    FillData(*win);
    const QString comboA = Child<TComboBox>(*win, "ComboBoxA")->Text();
    const QString comboB = Child<TComboBox>(*win, "ComboBoxB")->Text();
    const QString path = dir.filePath(QStringLiteral("snap.txt"));
    WriteFile(path, "Zeit in min\tX: 1\tY: 2\r\n0,5\t-7\t3\r\n1.5\t2e1\t4\r\n");
    win->session().store().TriggerPos = 5;
    dialogs.openName = path;
    Click(Child<QPushButton>(*win, "ButtonSSLaden"));
    ASSERT_EQ(win->session().store().Snap.Count, 2);
    EXPECT_EQ(win->session().store().Snap.DefA, QStringLiteral("X: 1"));
    EXPECT_EQ(win->session().store().Snap.DefB, QStringLiteral("Y: 2"));
    EXPECT_FLOAT_EQ(win->session().store().Snap.T[1], 1.5f);
    EXPECT_FLOAT_EQ(win->session().store().Snap.A[1], 20.0f);
    EXPECT_FLOAT_EQ(win->session().store().Snap.MinA, -7.0f);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), comboA);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->Text(), comboB);
    EXPECT_EQ(win->session().store().Data.Count, 4);
    EXPECT_EQ(win->session().store().TriggerPos, -1);
    EXPECT_LE(PlotOf(*win).Scales().A.RangeStart, -7.0);

    // The snapshot text written back carries its own definitions.
    Click(Child<QPushButton>(*win, "ButtonSSkopieren"));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(
        QStringLiteral("Zeit in s\tX: 1\tY: 2\r\n")));
}

// Nothing to load is said, once, in German, and the data stay.
TEST_F(MainExchangeTest, TextsWithoutPointsSaySoAndChangeNothing) {
    FillData(*win);
    win->session().store().TriggerPos = 2;
    QByteArray png = Bytes("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\x01\0\0\0\x01\0\x08\x06\0\0\0");
    for (int i = 0; i < 400; ++i)
        png += char((i * 37) % 256);
    QByteArray zip = Bytes("PK\x03\x04\x14\0\x06\0\x08\0\0\0!\0");
    zip += "[Content_Types].xml\t1\t2\n3\t4\t5\n";
    struct Row {
        const char* name;
        QByteArray bytes;
        const char* said;
    };
    const Row rows[] = {
        {"header only", "Zeit in s\tA: U\tB: U\r\n", "leer.txt enthält keine Messwerte."},
        {"empty", "", "leer.txt ist leer."},
        {"blank lines", "\r\n \r\n", "leer.txt enthält keine Messwerte."},
        {"words", "Liebe Klasse,\r\nbis morgen\r\n", "leer.txt enthält keine Messwerte."},
        {"PNG", png, "leer.txt enthält keine Messwerttabelle."},
        {"zip", zip, "leer.txt enthält keine Messwerttabelle."},
        {"UTF-16 without mark", QByteArray("0\0\t\0001\0\t\0002\0\n\0", 12),
         "leer.txt enthält keine Messwerttabelle."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        dialogs.errors.clear();
        const QString path = dir.filePath(QStringLiteral("leer.txt"));
        WriteFile(path, r.bytes);
        dialogs.openName = path;
        for (QPushButton* button : {Child<QPushButton>(*win, "ButtonDatenLaden"),
                                    Child<QPushButton>(*win, "ButtonSSLaden")})
            Click(button);
        ASSERT_EQ(dialogs.errors.size(), 2);
        EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("Die Datei ")));
        EXPECT_TRUE(dialogs.errors[0].contains(QString::fromUtf8(r.said)))
            << dialogs.errors[0].toStdString();
        EXPECT_EQ(win->session().store().Data.Count, 4);
        EXPECT_EQ(win->session().store().Snap.Count, 0);
        EXPECT_EQ(win->session().store().TriggerPos, 2);
        EXPECT_EQ(win->session().store().Data.DefB, QStringLiteral("Anteil (%): x*100"));
        EXPECT_NE(Child<TComboBox>(*win, "ComboBoxA")->Text(), QStringLiteral("A: U"));
    }
    // The clipboard: empty, or holding no text.
    dialogs.errors.clear();
    QGuiApplication::clipboard()->clear();
    Click(Child<QPushButton>(*win, "ButtonDatenEinfuegen"));
    auto* image = new QMimeData;
    image->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(image);
    Click(Child<QPushButton>(*win, "ButtonSSEinfuegen"));
    ASSERT_EQ(dialogs.errors.size(), 2);
    for (const QString& e : dialogs.errors)
        EXPECT_TRUE(e.startsWith(QStringLiteral("Die Zwischenablage enthält keinen Text.")));
    EXPECT_EQ(win->session().store().Data.Count, 4);
    // A cancelled dialog says nothing.
    dialogs.errors.clear();
    dialogs.openName.clear();
    Click(Child<QPushButton>(*win, "ButtonSSLaden"));
    EXPECT_EQ(win->session().store().Snap.Count, 0);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// A text without numbers is refused with a message; a unit outside the code page survives.
TEST_F(MainExchangeTest, ForeignTextsAndCharactersKeepTheData) {
    FillData(*win);
    win->session().store().Data.DefB = QStringLiteral("Widerstand (Ω): 1000*U");
    QGuiApplication::clipboard()->setText(QStringLiteral("Zeit in s\tA: U\tB: U\r\nHallo\r\n"));
    Click(Child<QPushButton>(*win, "ButtonDatenEinfuegen"));
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("keine Messwerte")));
    EXPECT_EQ(win->session().store().Data.Count, 4);
    EXPECT_NE(Child<TComboBox>(*win, "ComboBoxA")->Text(), QStringLiteral("A: U"));
    dialogs.saveName = dialogs.openName = dir.filePath(QStringLiteral("ohm.txt"));
    Click(Child<QPushButton>(*win, "ButtonDatenSpeichern"));
    Click(Child<QPushButton>(*win, "ButtonSSLaden"));
    EXPECT_EQ(win->session().store().Snap.DefB, win->session().store().Data.DefB);
    EXPECT_EQ(win->session().store().Snap.Count, 4);
}

TEST_F(MainExchangeTest, FileFailuresAreReportedAndChangeNothing) {
    FillData(*win);
    dialogs.openName = dir.filePath(QStringLiteral("fehlt.txt"));
    Click(Child<QPushButton>(*win, "ButtonDatenLaden"));
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("Datei ")));
    EXPECT_TRUE(
        dialogs.errors[0].contains(QStringLiteral("fehlt.txt kann nicht geöffnet werden. ")));
    EXPECT_EQ(win->session().store().Data.Count, 4);

    // Opened by name (command line, drop): nothing may hold the window, whatever the name says.
    const QString fifo = dir.filePath(QStringLiteral("x.kurvimat"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo), 0600), 0);
    const QString textFifo = dir.filePath(QStringLiteral("y.txt"));
    ASSERT_TRUE(QFile::link(fifo, textFifo));
    struct Row {
        QString path;
        const char* reason;
    } const rows[] = {
        {fifo, "Das ist keine gewöhnliche Datei"},
        {textFifo, "Das ist keine gewöhnliche Datei"},
        {QStringLiteral("/dev/zero"), "Das ist keine gewöhnliche Datei"},
        {dir.path(), "Das ist ein Ordner, keine Datei."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path.toStdString());
        dialogs.errors.clear();
        QElapsedTimer timer;
        timer.start();
        win->experiments().OpenFile(r.path);
        EXPECT_LT(timer.elapsed(), 10000); // a hang detector only
        ASSERT_EQ(dialogs.errors.size(), 1);
        EXPECT_TRUE(dialogs.errors[0].contains(QString::fromUtf8(r.reason)))
            << dialogs.errors[0].toStdString();
        EXPECT_TRUE(dialogs.errors[0].contains(QDir::toNativeSeparators(r.path)))
            << dialogs.errors[0].toStdString();
        EXPECT_EQ(win->session().store().Data.Count, 4);
    }
    dialogs.errors.clear();
    dialogs.errors << QString();

    // A folder that is a file cannot hold the new file.
    const QString blocker = dir.filePath(QStringLiteral("block"));
    WriteFile(blocker, "x");
    dialogs.saveName = blocker + QStringLiteral("/daten.txt");
    Click(Child<QPushButton>(*win, "ButtonSSspeichern"));
    ASSERT_EQ(dialogs.errors.size(), 2);
    EXPECT_TRUE(dialogs.errors[1].startsWith(QStringLiteral("Datei \"")));
    EXPECT_TRUE(
        dialogs.errors[1].contains(QStringLiteral("daten.txt\" kann nicht erstellt werden. ")));
    EXPECT_EQ(ReadFile(blocker), QByteArray("x"));
}

TEST_F(MainExchangeTest, LoadKeepsTenThousandPointsAndSaysHowManyWereLeftOut) {
    QByteArray text = "Zeit in s\tA: U\tB: U\r\n";
    for (int i = 0; i < 10005; ++i)
        text += QByteArray::number(i) + "\t1,25\t2,5\r\n";
    const QString path = dir.filePath(QStringLiteral("gross.txt"));
    WriteFile(path, text);
    dialogs.openName = path;
    Click(Child<QPushButton>(*win, "ButtonDatenLaden"));
    EXPECT_EQ(win->session().store().Data.Count, 10000);
    EXPECT_FLOAT_EQ(win->session().store().Data.T[9999], 9999.0f);
    EXPECT_FLOAT_EQ(win->session().store().Data.MaxT, 9999.0f);
    ASSERT_EQ(dialogs.infos.size(), 1);
    EXPECT_TRUE(dialogs.infos[0].contains(QStringLiteral(" 5 "))) << dialogs.infos[0].toStdString();
}

// Loaded points have no raw values behind them: whatever is re-applied afterwards, they keep
// their values and times, and their definitions come back as written.
TEST_F(MainExchangeTest, LoadedPointsAreNeverRecomputed) {
    RecordSweep(*win, 100, 900); // raw values of an earlier sweep
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Anteil (%): x*100 [0;50]"));
    const QString text = QStringLiteral("Zeit in s\tA (V): U\tB (V): U*2\r\n"
                                        "0,5\t1,25\t2,5\r\n1,5\t3,75\t4\r\n7\t-1\t0,25\r\n");
    QGuiApplication::clipboard()->setText(text);
    Click(Child<QPushButton>(*win, "ButtonDatenEinfuegen"));
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), QStringLiteral("A (V): U"));
    ASSERT_EQ(CopiedData(*win), text);
    const std::function<void()> actions[] = {
        [&] { TypeAndEnter(Child<QLineEdit>(*win, "EditFormelA"), QStringLiteral("U*3")); },
        [&] { PickEntry(Child<TComboBox>(*win, "ComboBoxB"), 1); },       // another entry
        [&] { PickEntry(Child<TComboBox>(*win, "ComboBoxSamples"), 2); }, // another point count
        [&] {
            win->session().store().UmaxB = 1.1f, win->SendConfiguration();
        }, // another input range
    };
    for (const auto& act : actions) {
        act();
        EXPECT_EQ(CopiedData(*win), text);
        // The axes still name what the points are, whatever is in force.
        EXPECT_EQ(PlotOf(*win).Scales().A.Title, QStringLiteral("A in <vf>V"));
        EXPECT_EQ(PlotOf(*win).Scales().B.Title, QStringLiteral("B in <vf>V"));
    }
}

TEST_F(MainExchangeTest, UncompilableDefinitionIsALabelOfThePoints) {
    const QString inForce = Child<TComboBox>(*win, "ComboBoxA")->Text();
    const QString path = dir.filePath(QStringLiteral("falsch.txt"));
    WriteFile(path, "Zeit in s\tM (V): max(U,1)\tB: U\r\n0,5\t1\t2\r\n1,5\t3\t4\r\n");
    dialogs.openName = path;
    Click(Child<QPushButton>(*win, "ButtonDatenLaden"));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    EXPECT_EQ(win->session().store().Data.Count, 2);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), inForce);
    EXPECT_EQ(win->session().store().AppliedDefA, inForce);
    EXPECT_EQ(PlotOf(*win).Scales().A.Title, QStringLiteral("M in <vf>V"));
    EXPECT_EQ(win->session().store().FormulaB, QStringLiteral("U"));
}

// One row per way a pasted text can look: the text in, the text "Daten kopieren" gives back,
// the definitions in force afterwards and what the user is told.
TEST_F(MainExchangeTest, PastedTextsGiveTheirPointsAndKeepTheDefinitionsInForce) {
    const QString inForce = QStringLiteral("Spannung unkalibriert (V): U");
    struct Row {
        const char* name;
        const char* in;
        const char* copied; // nullptr: the text in, with CR LF
        const char* comboA; // nullptr: the one in force stays
        const char* comboB;
        const char* info;   // part of the one message, or "" for none
        const char* titleA;
    };
    const Row rows[] = {
        {"no header", "0,5\t1,25\t2,5\n1\t1,5\t3\n",
         "Zeit in s\tSpannung unkalibriert (V): U\tSpannung unkalibriert (V): U\r\n"
         "0,5\t1,25\t2,5\r\n1\t1,5\t3\r\n",
         nullptr, nullptr, "", "Spannung unkalibriert in <vf>V"},
        {"two columns", "Zeit in s\tSpannung (V): U\n0\t1,2\n1\t2,4\n2\t3,6\n3\t4,8\n10\t5,01\n",
         "Zeit in s\tSpannung (V): U\t\r\n0\t1,2\t\r\n1\t2,4\t\r\n2\t3,6\t\r\n3\t4,8\t\r\n"
         "10\t5,01\t\r\n",
         "Spannung (V): U", nullptr, "", "Spannung in <vf>V"},
        {"junk lines",
         "Zeit in s\tA (V): U\tB (V): U\ns\tV\tmA\n0\t1\t2\n12:30:05\t1\t2\n"
         "1\tnan\t2\n2\t3\t4\nMittelwert\t2\t3\n\n",
         "Zeit in s\tA (V): U\tB (V): U\r\n0\t1\t2\r\n2\t3\t4\r\n", "A (V): U", "B (V): U",
         "4 Zeilen enthalten keine lesbaren Messwerte und wurden \u00FCbersprungen, als erste "
         "Zeile 2: \u201Es V mA\u201C.",
         "A in <vf>V"},
        {"labels", "Zeit in s\tTemperatur (\u00B0C)\tU in V\n0\t20\t1\n1\t21,5\t1,2\n2\t22\t1\n",
         nullptr, nullptr, nullptr, "", "Temperatur in \u00B0C"},
        // Every column with numbers is a quantity and goes back as it came; words are none.
        {"five columns", "Zeit\tA\tB\tC (mA)\tD\n0\t1\t2\t3\t4\n",
         "Zeit in s\tA\tB\tC (mA)\tD\r\n0\t1\t2\t3\t4\r\n", nullptr, nullptr, "", "A"},
        {"a remark column", "Zeit\tA\tB\tNotiz\tD\n0\t1\t2\tgut\t4\n1\t1\t2\t\t\n",
         "Zeit in s\tA\tB\tD\r\n0\t1\t2\t4\r\n1\t1\t2\t\r\n", nullptr, nullptr,
         "1 Spalte ohne Zahlen wurde nicht geladen", "A"},
// Sixty-four columns of a label and of a value.
#define X64 X8 X8 X8 X8 X8 X8 X8 X8
#define X8 "\tX\tX\tX\tX\tX\tX\tX\tX"
#define V64 V8 V8 V8 V8 V8 V8 V8 V8
#define V8 "\t3\t3\t3\t3\t3\t3\t3\t3"
        {"seventy columns", "Zeit\tA\tB" X64 "\tX\tX\tX\n0\t1\t2" V64 "\t3\t3\t3\n",
         "Zeit in s\tA\tB" X64 "\r\n0\t1\t2" V64 "\r\n", nullptr, nullptr,
         "die Spalten 68 bis 70 wurden nicht geladen", "A"},
#undef X64
#undef X8
#undef V64
#undef V8
        {"values as read",
         "Zeit in s\tA: U\tB: U\n1234,5\t100004,9\t-0,01\n0,001\t2860\t1,000E+30\n", nullptr,
         "A: U", "B: U", "", "A"},
        {"spreadsheet numbers", "Zeit in s\tDruck (hPa)\tAnteil\n0\t101.325,00\t10,00\u00A0%\n",
         "Zeit in s\tDruck (hPa)\tAnteil\r\n0\t101325\t0,1\r\n", nullptr, nullptr, "",
         "Druck in hPa"},
        {"clock times", "Uhrzeit\tA\tB\n10:15:00\t1\t2\n10:15:05,5\t3\t4\n",
         "Zeit in s\tA\tB\r\n0\t1\t2\r\n5,5\t3\t4\r\n", nullptr, nullptr, "Uhrzeiten", "A"},
        // A blank header field names nothing: the values are the quantity in force.
        {"empty header field", "Zeit in s\t\tSpannung (V)\n0\t20\t1\n1\t21\t2\n2\t23\t2\n",
         "Zeit in s\tSpannung unkalibriert (V): U\tSpannung (V)\r\n0\t20\t1\r\n1\t21\t2\r\n"
         "2\t23\t2\r\n",
         nullptr, nullptr, "", "Spannung unkalibriert in <vf>V"},
        // A colon whose formula part does not compile belongs to a label.
        {"labels with a colon",
         "Zeit in s\tT1: Wasser (\u00B0C)\tMessung 10:15 U (V)\n0\t20\t1\n"
         "1\t21\t1,5\n2\t23\t1\n",
         nullptr, nullptr, nullptr, "", "T1: Wasser in \u00B0C"},
        // Numbers a float cannot hold apart come back as they were read.
        {"epoch seconds and eight digits",
         "Zeit in s\tZ\u00E4hler\tTag\n1709288100\t99999999\t45352,427083\n"
         "1709288101\t99999998\t45352,427095\n1709288102\t1\t45352,427106\n"
         "1709288103\t2\t45352,427106\n",
         nullptr, nullptr, nullptr, "Die Zeiten beginnen bei 1709288100 s", "Z\u00E4hler"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        dialogs.errors.clear();
        dialogs.infos.clear();
        TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), inForce);
        TypeDefinition(Child<TComboBox>(*win, "ComboBoxB"), inForce);
        const QString in = QString::fromUtf8(r.in);
        QGuiApplication::clipboard()->setText(in);
        Click(Child<QPushButton>(*win, "ButtonDatenEinfuegen"));
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
        const QString copied = r.copied ? QString::fromUtf8(r.copied)
                                        : QString(in).replace(u'\n', QStringLiteral("\r\n"));
        EXPECT_EQ(CopiedData(*win).toStdString(), copied.toStdString());
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(),
                  r.comboA ? QString::fromUtf8(r.comboA) : inForce);
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->Text(),
                  r.comboB ? QString::fromUtf8(r.comboB) : inForce);
        EXPECT_EQ(PlotOf(*win).Scales().A.Title, QString::fromUtf8(r.titleA));
        EXPECT_EQ(win->session().store().AppliedDefA,
                  r.comboA ? QString::fromUtf8(r.comboA) : inForce);
        // A fit of the points names them as their axis does, whatever is in force.
        if (win->session().store().Data.Count >= 3) {
            win->report().FitOnPlot(false, FitModel::Linear, -1e9, 1e9);
            ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
            EXPECT_EQ(PlotFitReadout(*PlotOf(*win).ShownFit(), win->session().store()).first(),
                      QStringLiteral("Ausgleichskurve A: ") +
                          QString::fromUtf8(r.titleA).section(QStringLiteral(" in "), 0, 0));
        }
        if (*r.info) {
            ASSERT_EQ(dialogs.infos.size(), 1);
            EXPECT_TRUE(dialogs.infos[0].contains(QString::fromUtf8(r.info)))
                << dialogs.infos[0].toStdString();
        } else {
            EXPECT_TRUE(dialogs.infos.isEmpty()) << dialogs.infos.join('\n').toStdString();
        }
    }
}

// A point set without B: B is not drawn, reads "–", and later sweeps record B again.
TEST_F(MainExchangeTest, PointsWithoutBShowNoB) {
    QGuiApplication::clipboard()->setText(
        QStringLiteral("t in s\tU in V\n0\t1\n0,5\t1,123\n1\t1,246\n"));
    Click(Child<QPushButton>(*win, "ButtonDatenEinfuegen"));
    ASSERT_EQ(win->session().store().Data.Count, 3);
    EXPECT_FALSE(win->session().store().Data.HasB);
    EXPECT_EQ(PlotOf(*win).Scales().A.Title, QStringLiteral("U in <vf>V"));
    PlotOf(*win).Cursors().setVerticalOn(true, 0, 1);
    PlotOf(*win).Cursors().X = {0.25, 0.75};
    const ReadoutTable table = PlotOf(*win).Measuring()->Table();
    bool sawB = false;
    for (const ReadoutRow& row : table) {
        if (row.Label != QStringLiteral("bei t1")) continue;
        // No B column of dashes, and none copied.
        ASSERT_EQ(row.Cells.size(), 1);
        EXPECT_TRUE(CellText(row.Cells[0]).endsWith(QStringLiteral(" V")))
            << CellText(row.Cells[0]).toStdString();
        sawB = true;
    }
    EXPECT_TRUE(sawB);
    EXPECT_FALSE(ReadoutText(table).contains(QStringLiteral("\tB ")));
    // The snapshot taken of it holds no B either; "Schnappschuss" without points keeps it.
    Click(Child<QPushButton>(*win, "ButtonSchnappschuss"));
    EXPECT_FALSE(win->session().store().Snap.HasB);
    Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
    Click(Child<QPushButton>(*win, "ButtonSchnappschuss"));
    EXPECT_EQ(win->session().store().Snap.Count, 3);
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonSSkopieren"), Qt::LeftButton);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().endsWith(QStringLiteral("\r\n1\t1,246\t\r\n")));
    // Pasted points stay until "Weiter".
    ASSERT_TRUE(win->session().held());
    Child<QAction>(*win, "ActionStoppWeiter")->trigger();
    RecordSweep(*win, 400, 800);
    EXPECT_TRUE(win->session().store().Data.HasB);
    EXPECT_EQ(PlotOf(*win).Scales().A.Title, QStringLiteral("Spannung unkalibriert in <vf>V"));
    EXPECT_NEAR(win->session().store().Data.B[5], 800 * 5 / 1023.0, 1e-4);
}

// Spreadsheet exports and a UTF-16 text load through the file button.
TEST_F(MainExchangeTest, SpreadsheetFilesLoad) {
    struct Row {
        const char* file;
        int count;
        bool hasB;
        const char* info;
    };
    const Row rows[] = {
        {"cp1252/case2-de.txt", 12, false, ""},
        {"utf8/case4-de.txt", 12, true, "1 Zeile enth\u00E4lt keine lesbaren Messwerte"},
        {"utf8/case6-de.txt", 12, true, "Uhrzeiten"},
        {"utf8/case8-de.txt", 12, true, ""},
        {"roundtrip/de-200-degC-Ohm.txt", 200, true, ""},
        {"csv/de-excel/case1-de.csv", 12, true, "Trennzeichen: Semikolon."},
        {"csv/en-comma/case2-de.csv", 12, false, "Trennzeichen: Komma."},
        {"csv/en-comma/grouped-alone.csv", 8, false, "\u201E101,325\u201C wurde als 101325"},
        {"csv/de-semicolon/grouped-decided.csv", 8, true, "wie \u201E20,37\u201C"},
        {"csv/de-semicolon/multiline.csv", 8, true, "1 Spalte ohne Zahlen"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        dialogs.infos.clear();
        dialogs.openName = QStringLiteral(KURVIMAT_TEST_DATA "/spreadsheet/") + r.file;
        Click(Child<QPushButton>(*win, "ButtonDatenLaden"));
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
        EXPECT_EQ(win->session().store().Data.Count, r.count);
        EXPECT_EQ(win->session().store().Data.HasB, r.hasB);
        EXPECT_EQ(dialogs.infos.join(u'\n').contains(QString::fromUtf8(r.info)), true);
        EXPECT_EQ(dialogs.infos.isEmpty(), !*r.info);
    }
    // Notepad's "Unicode": UTF-16 behind its mark.
    const QString text = QStringLiteral("Zeit in s\tWeg (cm): U*10\tB: U\r\n0\t1,5\t2\r\n1\t2\t3\r\n");
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : text)
        utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
    const QString path = dir.filePath(QStringLiteral("unicode.txt"));
    WriteFile(path, utf16);
    dialogs.openName = path;
    Click(Child<QPushButton>(*win, "ButtonDatenLaden"));
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(CopiedData(*win), text);
    EXPECT_EQ(win->session().store().UnitA, QStringLiteral("cm"));
}

// Saving over a file asks first; "Nein" keeps the file.
TEST_F(MainExchangeTest, ReplacingAFileAsksFirst) {
    FillData(*win);
    const QString path = dir.filePath(QStringLiteral("gestern.txt"));
    struct Row {
        const char* button;
        bool yes;
    };
    const Row rows[] = {{"ButtonDatenSpeichern", false},
                        {"ButtonSSspeichern", false},
                        {"ButtonDatenSpeichern", true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.yes);
        WriteFile(path, "gestern");
        dialogs.questions.clear();
        dialogs.answerYes = r.yes;
        dialogs.saveName = path;
        Click(Child<QPushButton>(*win, r.button));
        ASSERT_EQ(dialogs.questions.size(), 1);
        EXPECT_TRUE(dialogs.questions[0].contains(QStringLiteral("gestern.txt ist schon vorhanden")));
        EXPECT_EQ(ReadFile(path) == "gestern", !r.yes);
    }
    // The picture too.
    const QString png = dir.filePath(QStringLiteral("bild.png"));
    WriteFile(png, "gestern");
    dialogs.questions.clear();
    dialogs.answerYes = false;
    dialogs.saveName = png;
    Child<QMenu>(*win, "MenuBildSpeichern")->actions().at(0)->trigger();
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(ReadFile(png), QByteArray("gestern"));
    // A new file is written without a question.
    dialogs.questions.clear();
    dialogs.saveName = dir.filePath(QStringLiteral("neu.txt"));
    Click(Child<QPushButton>(*win, "ButtonDatenSpeichern"));
    EXPECT_TRUE(dialogs.questions.isEmpty());
    EXPECT_TRUE(ReadFile(dialogs.saveName).startsWith("Zeit in s\t"));
}

// A definition whose values need more than four digits to keep one raw step is written with
// them; a 10000-point sweep still goes round byte for byte.
TEST_F(MainExchangeTest, RecordedValuesKeepWhatWasMeasured) {
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"),
                   QStringLiteral("Druck (Pa): 100000+U*1000"));
    RecordSweep(*win, 500, 300);
    const QString text = CopiedData(*win);
    EXPECT_TRUE(text.contains(QStringLiteral("\t102444\t1,466\r\n"))) << text.left(200).toStdString();
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamples"), 6); // 10000 points
    ASSERT_EQ(win->session().store().PointCount, 10000);
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Spannung (V): U"));
    RecordSweep(*win, 643, 300);
    const QString sweep = CopiedData(*win);
    Click(Child<QPushButton>(*win, "ButtonDatenEinfuegen"));
    EXPECT_TRUE(win->session().store().Data.Loaded);
    EXPECT_EQ(CopiedData(*win), sweep);
}


// Runs ("Messreihen"): what a click would replace is kept first when it is worth keeping.
using MainRunsTest = WindowTest;

const QString PastedText = QStringLiteral("Zeit in s\tA (V): U\tB (V): U\r\n"
                                          "0\t1,25\t2,5\r\n0,5\t3,75\t4\r\n1\t-1\t0,25\r\n");

void Paste(TFormMain& w, const QString& text = PastedText) {
    QGuiApplication::clipboard()->setText(text);
    Click(Child<QPushButton>(w, "ButtonDatenEinfuegen"));
}

const std::vector<kurvimat::session::Run>& Runs(TFormMain& w) {
    return w.session().journal().runs().runs();
}

TEST_F(MainRunsTest, EveryOneClickLossKeepsTheReplacedPointsAsARun) {
    struct Row {
        const char* name;
        std::function<void(TFormMain&)> before; ///< makes current points worth keeping
        std::function<void(TFormMain&)> loss;
    };
    const auto einzelSweep = [](TFormMain& w) {
        Click(Child<QRadioButton>(w, "RadioButtonEinzel"));
        RecordSweep(w, 300, 700);
    };
    const auto autoSweep = [](TFormMain& w) {
        Click(Child<QRadioButton>(w, "RadioButtonAuto"));
        RecordSweep(w, 300, 700);
    };
    const auto nextTrigger = [](TFormMain& w) {
        Feed(w, 500, 500, w.session().store().PreTrigger);
        Click(Child<QPushButton>(w, "ButtonTrigger"));
    };
    const Row rows[] = {
        {"interval change after an einzel sweep", einzelSweep,
         [](TFormMain& w) { PickEntry(Child<TComboBox>(w, "ComboBoxSamplingRate"), 4); }},
        {"interval change after an auto sweep", autoSweep,
         [](TFormMain& w) { PickEntry(Child<TComboBox>(w, "ComboBoxSamplingRate"), 5); }},
        {"mode change after an auto sweep", autoSweep,
         [](TFormMain& w) { Click(Child<QRadioButton>(w, "RadioButtonNormal")); }},
        {"Daten löschen after an einzel sweep", einzelSweep,
         [](TFormMain& w) { Click(Child<QPushButton>(w, "ButtonDatenLoeschen")); }},
        {"paste over an einzel sweep", einzelSweep, [](TFormMain& w) { Paste(w); }},
        {"load over pasted points", [](TFormMain& w) { Paste(w); },
         [this](TFormMain& w) {
             dialogs.openName = dir.filePath(QStringLiteral("andere.txt"));
             WriteFile(dialogs.openName, "Zeit in s\tA (V): U\r\n0\t1\r\n1\t2\r\n");
             Click(Child<QPushButton>(w, "ButtonDatenLaden"));
         }},
        {"the next auto sweep over loaded points",
         [](TFormMain& w) {
             Click(Child<QRadioButton>(w, "RadioButtonAuto"));
             Paste(w);
         },
         [](TFormMain& w) {
             // Pasted points are held until "Weiter".
             Child<QAction>(w, "ActionStoppWeiter")->trigger();
             Feed(w, 500, 500, w.session().store().PointCount + 2);
         }},
        {"a new einzel sweep", einzelSweep, nextTrigger},
        {"a new normal sweep after a complete one",
         [](TFormMain& w) {
             Click(Child<QRadioButton>(w, "RadioButtonNormal"));
             RecordSweep(w, 300, 700);
         },
         nextTrigger},
        {"Reset of an einzel sweep of more than a minute",
         [](TFormMain& w) {
             Click(Child<QRadioButton>(w, "RadioButtonEinzel"));
             PickEntry(Child<TComboBox>(w, "ComboBoxSamplingRate"),
                       9); // 500 ms: 200 points take 100 s
             Feed(w, 300, 700, w.session().store().PreTrigger * 100);
             Click(Child<QPushButton>(w, "ButtonTrigger"));
             Feed(w, 300, 700, 110 * 100); // 65 s of points, the sweep still running
         },
         [](TFormMain& w) { Click(Child<QPushButton>(w, "ButtonReset")); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CreateWindows();
        r.before(*win);
        const int before = int(Runs(*win).size());
        const kurvimat::session::PointSet replaced =
            kurvimat::session::currentPoints(win->session().store());
        ASSERT_GT(replaced.size(), 0);
        r.loss(*win);
        ASSERT_EQ(int(Runs(*win).size()), before + 1);
        const kurvimat::session::Run& run = Runs(*win).back();
        EXPECT_EQ(run.points, replaced);
        EXPECT_TRUE(run.name.startsWith(QStringLiteral("Messreihe %1, ").arg(run.id)));
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    }
}

TEST_F(MainRunsTest, StreamedSweepsAreNotKeptButMarkedOnesAre) {
    Click(Child<QRadioButton>(*win, "RadioButtonAuto"));
    RecordSweep(*win, 300, 700);
    for (int sweep = 0; sweep < 3; ++sweep)
        Feed(*win, 300 + sweep, 700, win->session().store().PointCount + 1);
    Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
    EXPECT_EQ(Runs(*win).size(), 0u);

    RecordSweep(*win, 300, 700);
    const kurvimat::session::PointSet marked =
        kurvimat::session::currentPoints(win->session().store());
    Child<QAction>(*win, "ActionMessreiheBehalten")->trigger();
    Child<QAction>(*win, "ActionMessreiheBehalten")->trigger(); // the same points once only
    Click(Child<QRadioButton>(
        *win, "RadioButtonNormal")); // would keep the last auto sweep: it is a run already
    ASSERT_EQ(Runs(*win).size(), 1u);
    EXPECT_EQ(Runs(*win)[0].points, marked);
    EXPECT_EQ(Runs(*win)[0].intervalMs, win->session().store().IntervalMs);
}

// "behalten" keeps points once and shows the run at once; points equal to a run's are not
// kept again; "normal" sweeps go to a history of the last 20 that never pushes out the user's.
TEST_F(MainRunsTest, KeptOnceAndNormalSweepsGoToABoundedHistory) {
    Click(Child<QRadioButton>(*win, "RadioButtonNormal"));
    MainRuns* runs = Child<MainRuns>(*win, "Runs");
    const auto count = [&](bool automatic) {
        return int(std::count_if(Runs(*win).begin(), Runs(*win).end(),
                                 [&](const auto& r) { return r.automatic == automatic; }));
    };
    const auto keep = [&] { Child<QAction>(*win, "ActionMessreiheBehalten")->trigger(); };
    struct Step {
        const char* name;
        std::function<void()> action;
        int user, history;
        const char* status; ///< the list's status line begins so
    };
    const Step steps[] = {
        {"a first sweep replaces nothing", [&] { RecordSweep(*win, 300, 700); }, 0, 0, nullptr},
        {"behalten twice gives one run", [&] { keep(), keep(); }, 1, 0, "Diese Punkte sind schon"},
        {"the next sweep does not keep it again", [&] { RecordSweep(*win, 301, 700); }, 1, 0,
         nullptr},
        {"22 more sweeps: the history keeps the last 20",
         [&] {
             for (int n = 2; n < 24; ++n)
                 RecordSweep(*win, 300 + n, 700);
         },
         1, 20, nullptr},
        {"behalten of the current sweep", keep, 2, 20, "Behalten als"},
        {"pasted points kept, then pasted and deleted again: one run",
         [&] {
             Paste(*win);
             keep();
             Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
             Paste(*win);
             Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
         },
         3, 20, nullptr},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.action();
        EXPECT_EQ(count(false), step.user);
        EXPECT_EQ(count(true), step.history);
        if (!step.status) continue;
        // Shown at once: drawn, chosen in the open list, said there.
        RunsWindow* list = runs->List();
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(list->isVisible());
        EXPECT_TRUE(list->status().startsWith(QString::fromUtf8(step.status)))
            << list->status().toStdString();
        EXPECT_TRUE(runs->IsShown(list->current()));
        EXPECT_FALSE(Runs(*win).empty() ||
                     win->session().journal().runs().find(list->current())->automatic);
    }
    // The first sweep kept is still there, the history listed apart under its heading.
    EXPECT_FALSE(Runs(*win).front().automatic);
    QListWidget* items = runs->List()->listWidget();
    ASSERT_EQ(items->count(), 3 + 1 + 20);
    EXPECT_TRUE(items->item(3)->text().startsWith(QStringLiteral("Verlauf")));
    EXPECT_FALSE(items->item(3)->flags() & Qt::ItemIsSelectable);
    // An experiment file keeps the user's runs only.
    EXPECT_EQ(win->experiments().CurrentExperiment().runs.size(), 3u);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

// The list window: show a run over the plot, rename, make it current again, copy, save,
// delete and undo.
TEST_F(MainRunsTest, ListWindowShowsRenamesRestoresSavesDeletesAndUndoes) {
    Paste(*win);
    const QString pastedCopy = CopiedData(*win);
    Child<QAction>(*win, "ActionStoppWeiter")->trigger(); // pasted points wait for "Weiter"
    Click(Child<QRadioButton>(*win, "RadioButtonEinzel"));
    RecordSweep(*win, 300, 700);
    const QString sweepCopy = CopiedData(*win);
    Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
    ASSERT_EQ(Runs(*win).size(), 2u); // the pasted points, then the sweep
    const qint64 pasted = Runs(*win)[0].id, sweep = Runs(*win)[1].id;

    Child<QAction>(*win, "ActionMessreihen")->trigger();
    RunsWindow* list = Child<MainRuns>(*win, "Runs")->List();
    ASSERT_NE(list, nullptr);
    QListWidget* items = list->listWidget();
    ASSERT_EQ(items->count(), 2);
    EXPECT_EQ(items->item(0)->text(), Runs(*win)[0].name);

    // Shown: the run's colour appears in the plot; hidden again: gone.
    const std::uint8_t colour = MainRuns::Colour(pasted);
    const auto colourInPlot = [&] {
        win->RefreshDisplay();
        const IndexedImage& plot = PlotOf(*win).Image();
        for (int y = 0; y < plot.height(); ++y)
            for (int x = 0; x < plot.width(); ++x)
                if (plot.pixel(x, y) == colour) return true;
        return false;
    };
    EXPECT_FALSE(colourInPlot());
    items->item(0)->setCheckState(Qt::Checked);
    EXPECT_TRUE(Child<MainRuns>(*win, "Runs")->IsShown(pasted));
    EXPECT_TRUE(colourInPlot());
    // The picture of the plot shows it as well.
    const QImage picture = win->report().PlotPictureImage(2);
    const QRgb rgb = PlotOf(*win).Colours().rgb(colour);
    bool inPicture = false;
    for (int y = 0; y < picture.height() && !inPicture; ++y)
        for (int x = 0; x < picture.width() && !inPicture; ++x)
            inPicture = picture.pixel(x, y) == rgb;
    EXPECT_TRUE(inPicture);
    // Its columns in the cursor readout.
    PlotOf(*win).Cursors().setVerticalOn(true, 0, 1);
    bool named = false;
    for (const ReadoutRow& row : PlotOf(*win).Measuring()->Table())
        for (const ReadoutCell& c : row.Cells)
            named = named || c.Text == QStringLiteral("Reihe %1 B").arg(pasted);
    EXPECT_TRUE(named);
    PlotOf(*win).Cursors().setVerticalOn(false, 0, 1);
    items->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(colourInPlot());

    items->item(0)->setText(QStringLiteral("Pendel, 2. Versuch"));
    EXPECT_EQ(Runs(*win)[0].name, QStringLiteral("Pendel, 2. Versuch"));
    // A name from a file with line breaks and a direction override: shown in one line, in
    // order; the stored name stays, also when the run is shown and hidden.
    for (const QString& hostile :
         {QStringLiteral("Teil 1\nTeil 2"), QStringLiteral("Bericht\u202Etxt.exe"),
          QString::fromUtf16(u"a\0\x1B[2J", 6)}) {
        SCOPED_TRACE(hostile.toStdString());
        ASSERT_TRUE(win->session().journal().renameRun(pasted, hostile));
        Child<MainRuns>(*win, "Runs")->Changed();
        const QString text = items->item(0)->text();
        EXPECT_EQ(text, kurvimat::signals::shownName(hostile));
        for (const QChar c : text)
            EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() != 0x202E) << int(c.unicode());
        items->item(0)->setCheckState(Qt::Checked);
        items->item(0)->setCheckState(Qt::Unchecked);
        EXPECT_EQ(Runs(*win)[0].name, hostile);
    }
    items->item(0)->setText(QStringLiteral("Pendel, 2. Versuch"));

    // Copy and save write what "Daten kopieren" wrote of the points.
    list->setCurrent(sweep);
    Click(list->copyButton());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), sweepCopy);
    dialogs.saveName = dir.filePath(QStringLiteral("messreihe.txt"));
    Click(list->saveButton());
    EXPECT_EQ(decodeText(ReadFile(dialogs.saveName)), sweepCopy);

    // Made current again: the points and their text come back; the sweep they replace is kept
    // first.
    RecordSweep(*win, 400, 600);
    const kurvimat::session::PointSet replaced =
        kurvimat::session::currentPoints(win->session().store());
    list->setCurrent(pasted);
    Click(list->makeCurrentButton());
    EXPECT_EQ(CopiedData(*win), pastedCopy);
    EXPECT_TRUE(win->session().store().Data.Loaded);
    ASSERT_EQ(Runs(*win).size(), 3u);
    EXPECT_EQ(Runs(*win)[2].points, replaced);
    EXPECT_EQ(items->count(), 3);
    // Kept already: deleting them keeps nothing new.
    Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
    EXPECT_EQ(Runs(*win).size(), 3u);

    list->setCurrent(sweep);
    QTest::keyClick(items, Qt::Key_Delete);
    ASSERT_EQ(Runs(*win).size(), 2u);
    EXPECT_EQ(items->count(), 2);
    EXPECT_TRUE(list->undoButton()->isEnabled());
    QTest::keyClick(items, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(Runs(*win).size(), 3u);
    EXPECT_EQ(Runs(*win)[1].id, sweep);
    EXPECT_EQ(list->current(), sweep);
    EXPECT_FALSE(list->undoButton()->isEnabled());

    // Loaded points kept as a run are copied with the digits they were read with.
    const QString epochs = QStringLiteral("Zeit in s\tZ\u00E4hler\tB\r\n1709288100\t99999999\t1\r\n"
                                          "1709288101\t99999998\t2\r\n");
    Paste(*win, epochs);
    Child<QAction>(*win, "ActionStoppWeiter")->trigger();
    RecordSweep(*win, 400, 600);
    ASSERT_EQ(Runs(*win).size(), 4u);
    list->setCurrent(Runs(*win).back().id);
    Click(list->copyButton());
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), epochs.toStdString());
}

// A shown run is fitted as the current data are, between the time cursors, drawn in a dark
// shade of its colour and named in the readout; hidden or deleted, the fit goes.
TEST_F(MainRunsTest, ShownRunIsFittedUntilItIsHiddenOrDeleted) {
    const double slope = 1.5, start = 0.25;
    QString text = QStringLiteral("Zeit in s\tSpannung (V): U\tDruck (hPa): U\r\n");
    for (int i = 0; i <= 20; ++i) {
        const double t = 0.5 * i;
        text += QStringLiteral("%1\t%2\t%3\r\n")
                    .arg(QString::number(t), QString::number(start + slope * t),
                         QString::number(4 - 0.2 * t * t))
                    .replace(QLatin1Char('.'), QLatin1Char(','));
    }
    Paste(*win, text);
    Child<QAction>(*win, "ActionMessreiheBehalten")->trigger();
    Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
    ASSERT_EQ(Runs(*win).size(), 1u);
    const kurvimat::session::Run run = Runs(*win)[0];

    const auto runMenus = [&] {
        emit Child<QMenu>(*win, "MenuAusgleichskurve")->aboutToShow();
        QList<QMenu*> menus;
        for (QAction* a : Child<QMenu>(*win, "MenuAusgleichskurve")->actions())
            if (a->menu() && a->text().startsWith(run.name)) menus << a->menu();
        return menus;
    };
    // "behalten" shows the run at once; hidden, it offers no fit.
    EXPECT_TRUE(Child<MainRuns>(*win, "Runs")->IsShown(run.id));
    Child<MainRuns>(*win, "Runs")->SetShown(run.id, false);
    EXPECT_TRUE(runMenus().isEmpty());
    Child<MainRuns>(*win, "Runs")->SetShown(run.id, true);
    const QList<QMenu*> menus = runMenus();
    ASSERT_EQ(menus.size(), 2); // A and B
    EXPECT_TRUE(menus[0]->title().endsWith(QStringLiteral("A (Spannung)")));

    const std::uint8_t shade = PaletteMask::RunFit(MainRuns::Colour(run.id));
    const auto fitPixels = [&] {
        win->RefreshDisplay();
        const auto& image = PlotOf(*win).Image();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == shade;
        return n;
    };
    EXPECT_EQ(fitPixels(), 0);
    PlotOf(*win).Cursors().setVerticalOn(true, 0, 10);
    PlotOf(*win).Cursors().X = {8, 1};
    menus[0]->actions().first()->trigger(); // "Gerade"
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    const FitResult& fit = PlotOf(*win).ShownFit()->Result;
    EXPECT_EQ(fit.Model, FitModel::Linear);
    EXPECT_EQ(fit.PointCount, 15); // 1 s to 8 s in steps of 0.5 s
    EXPECT_NEAR(fit.P[0], slope, 1e-4);
    EXPECT_NEAR(fit.P[1], start + slope * fit.Origin, 1e-4);
    EXPECT_EQ(PlotFitReadout(*PlotOf(*win).ShownFit(), win->session().store()).first(), run.name);
    EXPECT_GT(fitPixels(), PlotOf(*win).Image().width() / 4);

    Child<MainRuns>(*win, "Runs")->SetShown(run.id, false);
    EXPECT_EQ(fitPixels(), 0);
    EXPECT_FALSE(PlotOf(*win).ShownFit().has_value());

    Child<MainRuns>(*win, "Runs")->SetShown(run.id, true);
    win->report().FitRunOnPlot(run.id, true, FitModel::Linear, 0, 10);
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    EXPECT_TRUE(PlotOf(*win).ShownFit()->ChannelB);
    EXPECT_GT(fitPixels(), 0);
    Child<MainRuns>(*win, "Runs")->Delete(run.id);
    EXPECT_EQ(fitPixels(), 0);
    EXPECT_FALSE(PlotOf(*win).ShownFit().has_value());
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

} // namespace

// The cells of a typed table: either point, a blank, words and missing values, the names.
TEST(ValueCells, ReadAsTyped) {
    const double nan = std::nan("");
    const QStringList xy{QStringLiteral("l"), QStringLiteral("T")};
    const QStringList units{QStringLiteral("m"), QString()};
    const struct {
        const char* what;
        QStringList names;
        std::vector<QStringList> rows;
        QChar mark;
        std::vector<std::vector<double>> values; // none: refused
        int faultRow = 0, faultColumn = 0;
    } rows[] = {
        {"comma and point",
         xy,
         {{"0,25", "1.5"}, {" 2 ", "-3,5E-3"}},
         u',',
         {{0.25, 2}, {1.5, -0.0035}}},
        {"blank rows left out",
         xy,
         {{}, {"1", "2"}, {" ", ""}, {"3", "4"}},
         u',',
         {{1, 3}, {2, 4}}},
        {"ambiguous by the language", xy, {{"1,100", "1.100"}}, u',', {{1.1}, {1100}}},
        {"blank further cell",
         {"a", "b", "c"},
         {{"1", "2", ""}, {"3", "4", "5"}},
         u'.',
         {{1, 3}, {2, 4}, {nan, 5}}},
        {"a word", xy, {{"1", "2"}, {"1", "zwei"}}, u',', {}, 1, 1},
        {"a clock time", xy, {{"10:15", "2"}}, u',', {}, 0, 0},
        {"B missing", xy, {{"1", ""}}, u',', {}, 0, 1},
        {"no values", xy, {{"", ""}}, u',', {}, 0, 0},
        {"no name", {"l", " "}, {{"1", "2"}}, u',', {}, -1, 1},
        {"a name twice", {"l", "l"}, {{"1", "2"}}, u',', {}, -1, 1},
        {"a colon", {"l", "T: 2*A"}, {{"1", "2"}}, u',', {}, -1, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const ValueTable read = ReadValueCells({r.names, units, r.rows}, r.mark);
        EXPECT_EQ(read.fault.isEmpty(), !r.values.empty()) << read.fault.toStdString();
        if (r.values.empty()) {
            EXPECT_TRUE(read.columns.empty());
            EXPECT_EQ(std::pair(read.faultRow, read.faultColumn),
                      std::pair(r.faultRow, r.faultColumn));
            continue;
        }
        ASSERT_EQ(read.columns.size(), r.values.size());
        for (std::size_t c = 0; c < r.values.size(); ++c) {
            QuantityColumn want =
                QuantityColumn::named(c < std::size_t(units.size()) && !units[int(c)].isEmpty()
                                          ? r.names[int(c)] + QStringLiteral(" in ") + units[int(c)]
                                          : r.names[int(c)],
                                      ColumnOrigin::Entered);
            want.values = r.values[c];
            EXPECT_TRUE(read.columns[c] == want) << c;
        }
    }
}

// Messen ▸ Neue Wertetabelle: typed and pasted cells become the data, A over x; the table
// copied and pasted back, edited through its own entry, and undone.
TEST_F(MainExchangeTest, ValuesTypedInTheDialogBecomeTheData) {
    kurvimat::session::Session& session = win->session();
    RecordSweep(*win, 300, 600);
    const int recorded = session.store().Data.Count;
    ASSERT_GT(recorded, 0);
    // Answers the dialog the action opens (its own event loop) with act.
    const auto withDialog = [this](QAction* action, const std::function<void(ValuesDialog&)>& act) {
        bool seen = false;
        QTimer::singleShot(0, win.get(), [&] {
            auto* dialog = qobject_cast<ValuesDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            EXPECT_EQ(dialog->objectName(), QStringLiteral("Wertetabelle"));
            seen = true;
            act(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        action->trigger();
        EXPECT_TRUE(seen);
    };
    const auto set = [](ValuesDialog& d, int row, int column, const QString& text) {
        auto* grid = Child<QTableWidget>(d, "TabelleWerte");
        grid->setItem(row, column, new QTableWidgetItem(text));
    };
    QAction* enter = Child<QAction>(*win, "ActionNeueWertetabelle");
    QAction* edit = Child<QAction>(*win, "ActionWerteBearbeiten");
    ASSERT_TRUE(enter && edit);
    win->UpdateMenuActions();
    EXPECT_FALSE(edit->isEnabled());

    // A bad cell keeps the dialog open with its message, and nothing changes.
    withDialog(enter, [&](ValuesDialog& d) {
        set(d, 2, 0, QStringLiteral("1"));
        set(d, 2, 1, QStringLiteral("eins"));
        Click(Child<QPushButton>(d, "ButtonUebernehmen"));
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(Child<QLabel>(d, "LabelFehler")->text().contains(QStringLiteral("keine Zahl")));
    });
    EXPECT_EQ(session.store().Data.Count, recorded);

    // Typed names, one row typed, four pasted from the second row on, a third column added.
    withDialog(enter, [&](ValuesDialog& d) {
        Click(Child<QPushButton>(d, "ButtonSpalteHinzufuegen"));
        const QString cells[3][2] = {{"l", "m"}, {"T", "s"}, {"n", ""}};
        for (int c = 0; c < 3; ++c)
            for (int r = 0; r < 2; ++r)
                set(d, r, c, cells[c][r]);
        set(d, 2, 0, QStringLiteral("0,2"));
        set(d, 2, 1, QStringLiteral("0,897"));
        set(d, 2, 2, QStringLiteral("10"));
        Child<QTableWidget>(d, "TabelleWerte")->setCurrentCell(3, 0);
        d.paste(QStringLiteral("0,4\t1,27\t10\r\n0,6\t1,55\r\n0,8\t1,79\t10\n1\t2,006\t10\n"));
        Click(Child<QPushButton>(d, "ButtonUebernehmen"));
        EXPECT_FALSE(d.isVisible());
    });
    const kurvimat::acquisition::StoredPoints& data = session.store().Data;
    ASSERT_EQ(data.Count, 5);
    EXPECT_EQ(data.ExactA, (std::vector<double>{0.2, 0.4, 0.6, 0.8, 1}));
    EXPECT_EQ(data.ExactB, (std::vector<double>{0.897, 1.27, 1.55, 1.79, 2.006}));
    EXPECT_EQ(data.DefA, QStringLiteral("l in m"));
    EXPECT_EQ(data.DefB, QStringLiteral("T in s"));
    EXPECT_EQ(session.view().mode, PlotMode::AAsX);
    EXPECT_TRUE(session.held());
    win->UpdateMenuActions();
    EXPECT_TRUE(edit->isEnabled());
    const std::vector<QuantityColumn> typed = session.enteredColumns();
    ASSERT_EQ(typed.size(), 3u);
    EXPECT_EQ(typed[2].header, QStringLiteral("n"));
    EXPECT_TRUE(std::isnan(typed[2].values[2]));

    // Edited: the dialog shows the table; the change is one run's, undone in one step.
    const int runs = session.journal().runs().size();
    withDialog(edit, [&](ValuesDialog& d) {
        auto* grid = Child<QTableWidget>(d, "TabelleWerte");
        EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("T"));
        EXPECT_EQ(grid->item(1, 0)->text(), QStringLiteral("m"));
        EXPECT_EQ(grid->item(3, 1)->text(), QStringLiteral("1,27"));
        set(d, 3, 1, QStringLiteral("1,3"));
        Click(Child<QPushButton>(d, "ButtonUebernehmen"));
    });
    EXPECT_EQ(data.ExactB[1], 1.3);
    EXPECT_EQ(session.journal().runs().size(), runs);
    win->UpdateMenuActions();
    EXPECT_TRUE(Child<QAction>(*win, "ActionRueckgaengig")
                    ->text()
                    .contains(QStringLiteral("Werte bearbeiten")));
    Child<QAction>(*win, "ActionRueckgaengig")->trigger();
    EXPECT_EQ(session.enteredColumns(), typed);

    // Copied and pasted back: the same table.
    const QString text = CopiedData(*win);
    Click(Child<QPushButton>(*win, "ButtonDatenLoeschen"));
    QGuiApplication::clipboard()->setText(text);
    Click(Child<QPushButton>(*win, "ButtonDatenEinfuegen"));
    EXPECT_EQ(session.enteredColumns(), typed);
}
