// The table, the big display, the help window and the dialogs beside them, each on its own.
#include "AppTestSupport.h"

#include "PointSet.h"
#include "Run.h"
#include "SamplePipeline.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/BigDisplay.h"
#include "dialogs/FormulaVariablesDialog.h"
#include "help/GuideText.h"
#include "help/HelpWindow.h"
#include "tables/PointSetTableSource.h"
#include "tables/PointTableModel.h"
#include "tables/StoreTableSource.h"
#include "tables/TableWindow.h"
#include "widgets/TComboBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace kurvimat::acquisition;
using namespace kurvimat::exchange;

namespace {

using kurvimat::session::PointSet;
using SessionRun = kurvimat::session::Run;
using kurvimat::session::RunList;
using kurvimat::session::SamplePoint;
using TablePartsTest = WindowTest;

QStringList Lines(const QString& text) {
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty()) lines.removeLast();
    return lines;
}

QString Cell(const PointTableModel& model, int row, int column, int role = Qt::DisplayRole) {
    return model.data(model.index(row, column), role).toString();
}

// What the table shows is what "Daten kopieren" writes, field for field, with "–" for a B the
// points do not have; the whole table copied is that text.
TEST_F(TablePartsTest, StoreRowsAreTheCopiedDataText) {
    struct Row {
        const char* name;
        std::function<void()> make;
        QString titleA, titleB; // the headers' first lines
        QStringList further = {}; // the first lines of the further columns' headers
    };
    const Row rows[] = {
        {"recorded sweep", [this] { RecordSweep(*win, 600, 300); }, QStringLiteral("A in V"),
         QStringLiteral("B")},
        {"recorded under a six-digit definition",
         [this] {
             TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"),
                            QStringLiteral("Druck (hPa): 100000+U*1000"));
             RecordSweep(*win, 600, 300);
         },
         QStringLiteral("A in hPa"), QStringLiteral("B")},
        {"loaded without B",
         [this] {
             const QString path = dir.filePath(QStringLiteral("a.txt"));
             WriteFile(path, "Zeit\tTemperatur (\xB0"
                             "C)\r\n0,5\t21,25\r\n12,125\t-3,5E-05\r\n");
             dialogs.openName = path;
             QTest::mouseClick(Child<QPushButton>(*win, "ButtonDatenLaden"), Qt::LeftButton);
         },
         QStringLiteral("A in \u00B0C"), QStringLiteral("B")},
        {"loaded with further columns",
         [this] {
             const QString path = dir.filePath(QStringLiteral("b.txt"));
             WriteFile(path, "Zeit in s\tU (V)\tT\tI (mA)\tP in mW\t\xE2\x80\xAE"
                             "R\r\n"
                             "0\t1\t2\t3,5\t\t-1\r\n1\t2\t3\t1,000E-07\t7\t0\r\n");
             dialogs.openName = path;
             QTest::mouseClick(Child<QPushButton>(*win, "ButtonDatenLaden"), Qt::LeftButton);
             // Copied back as it was read.
             EXPECT_EQ(CopiedData(*win), QString::fromUtf8(ReadFile(path)));
         },
         QStringLiteral("A in V"),
         QStringLiteral("B"),
         {QStringLiteral("I in mA"), QStringLiteral("P in mW"),
          QStringLiteral("R")}}, // a turn of direction is not shown
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CreateWindows();
        row.make();
        PointTableModel model;
        model.setSource(std::make_shared<StoreTableSource>(win->session().store()));
        const QStringList lines = Lines(CopiedData(*win));
        ASSERT_EQ(model.rowCount(), lines.size() - 1);
        ASSERT_GT(model.rowCount(), 1);
        const QStringList header = lines[0].split(u'\t');
        EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), row.titleA + u'\n' + header[1]);
        EXPECT_TRUE(model.headerData(2, Qt::Horizontal).toString().startsWith(row.titleB));
        for (int r = 0; r < model.rowCount(); ++r) {
            const QStringList fields = lines[r + 1].split(u'\t');
            EXPECT_EQ(Cell(model, r, 0), fields[0]) << r;
            EXPECT_EQ(Cell(model, r, 1), fields[1]) << r;
            EXPECT_EQ(Cell(model, r, 2),
                      win->session().store().Data.HasB ? fields[2] : QStringLiteral("\u2013"))
                << r;
            for (int c = 3; c < fields.size(); ++c)
                EXPECT_EQ(Cell(model, r, c), fields[c]) << r << ' ' << c;
        }
        ASSERT_EQ(model.columnCount(), 3 + row.further.size());
        for (int c = 0; c < row.further.size(); ++c)
            EXPECT_EQ(model.headerData(3 + c, Qt::Horizontal).toString().section(u'\n', 0, 0),
                      row.further[c]);
        std::vector<int> all(std::size_t(model.rowCount()));
        std::iota(all.begin(), all.end(), 0);
        EXPECT_EQ(model.measurementText(all), lines.join(QStringLiteral("\r\n")) + "\r\n");
    }
}

PointSet TenthsOfSeconds(int points, bool hasB = true) {
    PointSet set(PointSet::Origin::Recorded, true, hasB, QStringLiteral("Spannung (V): U"),
                 QStringLiteral("Temperatur (\u00B0C): U*100"));
    for (int i = 0; i < points; ++i)
        set.append(SamplePoint{0.1f * float(i), std::sin(float(i)), 20.0f + 0.01f * float(i)});
    return set;
}

TEST(PointTable, RowsBetweenTheCursorTimesAreHighlighted) {
    struct Row {
        double t1, t2;
        int first, last; // highlighted rows; first -1 for none
    };
    const Row rows[] = {
        {2.05, 4.05, 21, 40}, {4.05, 2.05, 21, 40},  {-5, 0.05, 0, 0},
        {3.01, 3.02, -1, -1}, {9.85, 100.0, 99, 99},
    };
    const PointSet set = TenthsOfSeconds(100);
    PointTableModel model;
    model.setSource(std::make_shared<PointSetTableSource>(set));
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.t1 << " ... " << row.t2);
        model.setHighlight(row.t1, row.t2);
        for (int r = 0; r < model.rowCount(); ++r) {
            const bool expected = r >= row.first && r <= row.last;
            EXPECT_EQ(model.highlighted(r), expected) << r;
            EXPECT_EQ(model.data(model.index(r, 1), Qt::BackgroundRole).isValid(), expected) << r;
        }
    }
    model.clearHighlight();
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::BackgroundRole).isValid());
}

// A recording grows by rows inserted behind the others: a view at the end follows it, one that
// was scrolled back keeps its place and selection. A set that starts over resets the table.
TEST(PointTable, AGrowingSetInsertsRowsAndANewSweepStartsOver) {
    struct Step {
        const char* name;
        int keep, add; // points kept of the set before, points appended
        int inserted;  // rows inserted (first row), -1 for none
        bool reset;
    };
    const Step steps[] = {
        {"ten points more", -1, 10, 1000, false},
        {"nothing new", -1, 0, -1, false},
        {"emptied, the table not yet told", 0, 0, -1, false},
        {"a new sweep", 0, 5, -1, true},
        {"its next point", -1, 1, 5, false},
    };
    PointSet set = TenthsOfSeconds(1000);
    TableWindow window;
    window.show();
    window.model().setSource(std::make_shared<PointSetTableSource>(set));
    QTableView* view = window.view();
    for (const bool atEnd : {true, false}) {
        SCOPED_TRACE(atEnd ? "view at the end" : "view scrolled back");
        set = TenthsOfSeconds(1000);
        window.model().pointsReplaced();
        QCoreApplication::processEvents();
        view->selectRow(3);
        if (atEnd) view->scrollToBottom();
        QCoreApplication::processEvents();
        bool wasReset = false;
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            QSignalSpy inserted(&window.model(), &QAbstractItemModel::rowsInserted);
            QSignalSpy reset(&window.model(), &QAbstractItemModel::modelReset);
            PointSet grown = TenthsOfSeconds(step.keep < 0 ? set.size() : step.keep);
            for (int i = 0; i < step.add; ++i)
                grown.append(SamplePoint{100.0f + float(i), 1, 2});
            set = grown;
            if (set.empty()) { // a paint before the table hears of it reads no stale points
                EXPECT_FALSE(window.model().data(window.model().index(900, 0)).isValid());
                continue;
            }
            window.model().pointsAppended();
            QCoreApplication::processEvents();
            EXPECT_EQ(window.model().rowCount(), set.size());
            EXPECT_EQ(reset.count(), step.reset ? 1 : 0);
            ASSERT_EQ(inserted.count(), step.inserted < 0 ? 0 : 1);
            if (step.inserted >= 0) {
                EXPECT_EQ(inserted[0][1].toInt(), step.inserted);
            }
            wasReset = wasReset || step.reset;
            if (step.reset) continue;
            const QScrollBar* bar = view->verticalScrollBar();
            EXPECT_EQ(bar->value(), atEnd ? bar->maximum() : 0);
            EXPECT_EQ(view->selectionModel()->isRowSelected(3), !wasReset);
        }
    }
}

TEST(TableWindow, CopiesTheSelectedRowsAsTheMeasurementTextWritesThem) {
    struct Row {
        const char* name;
        bool hasB;
        std::vector<int> clicked; // rows clicked, with Ctrl after the first
        bool exact = false;       // loaded epoch seconds and eight-digit counts, kept as read
    };
    const Row rows[] = {
        {"one row", true, {4}},
        {"rows apart", true, {7, 2, 3}},
        {"without B", false, {0, 99}},
        {"loaded as read", true, {4, 1}, true},
    };
    std::vector<double> epochs, counts;
    for (int i = 0; i < 100; ++i)
        epochs.push_back(1709288100.0 + i), counts.push_back(99999999.0 - i);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PointSet set = row.exact ? PointSet::loaded(true, "Zeit", "N", epochs, counts, counts)
                                       : TenthsOfSeconds(100, row.hasB);
        TableWindow window;
        window.show();
        window.model().setSource(std::make_shared<PointSetTableSource>(set));
        QTableView* view = window.view();
        QGuiApplication::clipboard()->setText(QStringLiteral("vorher"));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("vorher"));
        for (std::size_t i = 0; i < row.clicked.size(); ++i) {
            const QModelIndex cell = window.model().index(row.clicked[i], 0);
            view->scrollTo(cell);
            QTest::mouseClick(view->viewport(), Qt::LeftButton,
                              i == 0 ? Qt::NoModifier : Qt::ControlModifier,
                              view->visualRect(cell).center());
        }
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);

        const MeasurementTextFormat format = PointSetTableSource(set).textFormat();
        const QStringList whole =
            Lines(row.exact ? formatMeasurementText(set.definitionA(), set.definitionB(),
                                                    set.exactTimes(), set.exactValuesA(),
                                                    set.exactValuesB(), format)
                            : formatMeasurementText(set.definitionA(), set.definitionB(),
                                                    set.times(), set.valuesA(), set.valuesB(),
                                                    format));
        if (row.exact) {
            EXPECT_EQ(whole[5].toStdString(), "1709288104\t99999995\t99999995");
            EXPECT_EQ(window.model().index(4, 0).data().toString(), QStringLiteral("1709288104"));
        }
        std::vector<int> sorted = row.clicked;
        std::sort(sorted.begin(), sorted.end());
        QString expected = whole[0] + QStringLiteral("\r\n");
        for (const int r : sorted)
            expected += whole[r + 1] + QStringLiteral("\r\n");
        EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    }
}

TEST(TableWindow, AChosenRunThatGoesGivesWayToTheCurrentData) {
    TableWindow window;
    QSignalSpy chosen(&window, &TableWindow::choiceChanged);
    window.setRuns({{3, QStringLiteral("Messreihe 3")}, {5, QStringLiteral("Tee mit Deckel")}});
    auto* box = window.findChild<QComboBox*>(QStringLiteral("ComboBoxTabelle"));
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), QStringLiteral("aktuelle Daten"));
    PickEntry(box, 2);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].toLongLong(), 5);
    window.setRuns({{5, QStringLiteral("Tee")}});
    EXPECT_EQ(window.choice(), 5);
    window.setRuns({{3, QStringLiteral("Messreihe 3")}});
    EXPECT_EQ(window.choice(), TableWindow::CurrentData);
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_EQ(chosen[1][0].toLongLong(), TableWindow::CurrentData);
}

// A run is read where it is now: its list moves it when it grows, and deletes it. (gtest's
// fixtures have a Run() of their own.)
TEST(PointTable, ARunIsLookedUpWhereverItsListKeepsIt) {
    RunList runs;
    SessionRun run;
    run.points = TenthsOfSeconds(10);
    const qint64 id = runs.add(run);
    PointTableModel model;
    model.setSource(std::make_shared<PointSetTableSource>([&runs, id] {
        const SessionRun* found = runs.find(id);
        return found ? &found->points : nullptr;
    }));
    ASSERT_EQ(model.rowCount(), 10);
    const QString last = Cell(model, 9, 1);
    for (int i = 0; i < 50; ++i)
        runs.add(run);
    EXPECT_EQ(Cell(model, 9, 1), last);
    runs.remove(id);
    EXPECT_FALSE(model.data(model.index(9, 1)).isValid());
    model.pointsAppended();
    EXPECT_EQ(model.rowCount(), 0);
}

QString Text(const QWidget& w, const QString& name) {
    const auto* label = w.findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("(fehlt)");
}

TEST(BigDisplay, ShowsTheReadoutsAsLargeAsTheyFit) {
    struct Row {
        QString a, b, nameA, nameB;
        QString valueA, unitA, valueB, unitB, shownNameA;
    };
    const Row rows[] = {
        {"2,51 V", "21,3 \u00B0C", "Spannung", "Temperatur", "2,51", "V", "21,3", "\u00B0C",
         "Spannung"},
        {"512", "-1,23E-05 mA", "", "Strom", "512", "", "-1,23E-05", "mA", "Kanal A"},
        {"0 %", "1230 m/s\u00B2", "Anteil", "", "0", "%", "1230", "m/s\u00B2", "Anteil"},
    };
    BigDisplay big;
    big.show();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.a.toStdString());
        Readouts r;
        r.refreshed = true;
        r.a.value = row.a;
        r.b.value = row.b;
        big.setNames(row.nameA, row.nameB);
        big.setReadouts(r);
        EXPECT_EQ(Text(big, "LabelGrossWertA"), row.valueA);
        EXPECT_EQ(Text(big, "LabelGrossEinheitA"), row.unitA);
        EXPECT_EQ(Text(big, "LabelGrossWertB"), row.valueB);
        EXPECT_EQ(Text(big, "LabelGrossEinheitB"), row.unitB);
        EXPECT_EQ(Text(big, "LabelGrossNameA"), row.shownNameA);
        Readouts stale; // a tick that refreshed nothing
        stale.a.value = stale.b.value = QStringLiteral("9");
        big.setReadouts(stale);
        EXPECT_EQ(Text(big, "LabelGrossWertA"), row.valueA);

        int previous = 0;
        for (const QSize size : {QSize(400, 250), QSize(1600, 1000)}) {
            big.resize(size);
            QCoreApplication::processEvents();
            const auto* value = big.findChild<QLabel*>(QStringLiteral("LabelGrossWertB"));
            const auto* unit = big.findChild<QLabel*>(QStringLiteral("LabelGrossEinheitB"));
            EXPECT_GT(value->font().pixelSize(), previous);
            previous = value->font().pixelSize();
            EXPECT_TRUE(big.rect().contains(value->geometry())) << size.width();
            EXPECT_TRUE(big.rect().contains(unit->geometry())) << size.width();
            EXPECT_GE(value->width(), value->sizeHint().width());
        }
    }
}

TEST(BigDisplay, DarkOnCtrlDAndFullScreenOnF11UntilEscape) {
    BigDisplay big;
    big.show();
    big.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&big));
    const QColor light = big.palette().color(QPalette::Window);
    QTest::keyClick(&big, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(big.dark());
    EXPECT_LT(big.palette().color(QPalette::Window).lightness(), light.lightness());
    QTest::mouseClick(big.findChild<QPushButton*>(QStringLiteral("ButtonDunkel")), Qt::LeftButton);
    EXPECT_FALSE(big.dark());
    QTest::keyClick(&big, Qt::Key_F11);
    EXPECT_TRUE(big.windowState() & Qt::WindowFullScreen);
    QTest::keyClick(&big, Qt::Key_Escape);
    EXPECT_FALSE(big.windowState() & Qt::WindowFullScreen);
}

TEST(HelpWindow, OpensAtTheSectionOfAnAnchor) {
    struct Row {
        const char* anchor;
        QString heading;
    };
    const Row rows[] = {
        {"trigger", QStringLiteral("2. Die Triggerarten")},
        {"tabelle", QStringLiteral("13. Tabelle und Gro\u00DFanzeige")},
        {"formeln", QStringLiteral("16. Die Formelsprache")},
        {"", QStringLiteral("Kurvimat \u2013 Anleitung")},
    };
    HelpWindow help;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.anchor);
        help.showAnchor(QString::fromLatin1(row.anchor));
        QCoreApplication::processEvents();
        const QTextBrowser* browser = help.browser();
        EXPECT_EQ(browser->cursorForPosition(QPoint(8, 8)).block().text().trimmed().toStdString(),
                  row.heading.toStdString());
    }
}

TEST(HelpWindow, FindsWordsForwardAndBackAndSaysWhatItDoesNotFind) {
    struct Row {
        QString word;
        bool found;
    };
    const Row rows[] = {
        {QStringLiteral("Papierkorb"), true},
        {QStringLiteral("udev"), true},
        {QStringLiteral("Quaxelbrumm"), false},
    };
    HelpWindow help;
    help.showAnchor(QString());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    auto* search = help.findChild<QLineEdit*>(QStringLiteral("EditSuchen"));
    const QTextBrowser* browser = help.browser();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.word.toStdString());
        QTest::keyClick(&help, Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(search->hasFocus());
        QTest::keyClicks(search, row.word);
        QTest::keyClick(search, Qt::Key_Return);
        const QTextCursor first = browser->textCursor();
        EXPECT_EQ(first.selectedText().compare(row.word, Qt::CaseInsensitive) == 0, row.found);
        EXPECT_EQ(Text(help, "LabelNichtGefunden").isEmpty(), row.found);
        if (!row.found) {
            EXPECT_EQ(Text(help, "LabelNichtGefunden"),
                      QStringLiteral("\u201E%1\u201C nicht gefunden").arg(row.word));
            continue;
        }
        QTest::keyClick(search, Qt::Key_F3);
        const int next = browser->textCursor().selectionStart();
        EXPECT_NE(next, first.selectionStart());
        QTest::keyClick(search, Qt::Key_F3, Qt::ShiftModifier);
        EXPECT_EQ(browser->textCursor().selectionStart(), first.selectionStart());
    }
}

TEST(Guide, FormulaVariablesAndTheAboutBoxComeFromOneSource) {
    const QList<FormulaVariable> variables = FormulaVariables();
    QStringList names;
    for (const FormulaVariable& v : variables) {
        names << v.name;
        EXPECT_GT(v.meaning.size(), 8) << v.name.toStdString();
    }
    EXPECT_EQ(names.join(u' '), QStringLiteral("U D r X Y T A B"));

    FormulaVariablesDialog dialog;
    const QString shown = dialog.browser()->toPlainText();
    for (const FormulaVariable& v : variables)
        EXPECT_TRUE(shown.simplified().contains(v.meaning)) << v.name.toStdString();
    for (const char* part : {"Funktionen", "SQRT(x)", "MOD", "hoch vor Punkt vor Strich"})
        EXPECT_TRUE(shown.contains(QString::fromUtf8(part))) << part;
    EXPECT_FALSE(shown.contains(QStringLiteral("Rechenfehler"))); // the next subsection

    const QString about = AboutDialog::text();
    EXPECT_TRUE(about.contains(QStringLiteral("Version " KURVIMAT_VERSION)));
    EXPECT_TRUE(about.contains(QStringLiteral("GPL-3.0-or-later")));
}

} // namespace
