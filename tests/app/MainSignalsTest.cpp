// Applying signal definitions through the combo boxes, the edits and the auto range box.
#include "AppTestSupport.h"

#include "widgets/TComboBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <cctype>
#include <string>

namespace {

using MainSignalsTest = WindowTest;

struct ApplyRow {
    const char* line;
    const char* name;
    const char* unit;
    float min, max;
    const char* minText;
    const char* maxText;
    bool autoRange;
    const char* title;
};

class ApplyThroughCombo : public WindowTest, public ::testing::WithParamInterface<ApplyRow> {};

TEST_P(ApplyThroughCombo, SetsPartsRangeAndTitle) {
    const ApplyRow& r = GetParam();
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QString::fromUtf8(r.line));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    EXPECT_EQ(win->session().store().NameA, QString::fromUtf8(r.name));
    EXPECT_EQ(win->session().store().UnitA, QString::fromUtf8(r.unit));
    EXPECT_EQ(Child<QLineEdit>(*win, "EditSignalA")->text(), QString::fromUtf8(r.name));
    EXPECT_FLOAT_EQ(win->session().store().DefMinA, r.min);
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, r.max);
    EXPECT_EQ(Child<QLineEdit>(*win, "EditSkalaAmin")->text(), QString::fromUtf8(r.minText));
    EXPECT_EQ(Child<QLineEdit>(*win, "EditSkalaAmax")->text(), QString::fromUtf8(r.maxText));
    EXPECT_EQ(Child<QCheckBox>(*win, "CheckBoxSkalaAauto")->isChecked(), r.autoRange);
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().A.RangeStart, r.min);
    EXPECT_DOUBLE_EQ(PlotOf(*win).Scales().A.RangeEnd, r.max);
    EXPECT_EQ(PlotOf(*win).Scales().A.Title, QString::fromUtf8(r.title));
    // Signal B is left alone.
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->Text(),
              QStringLiteral("Spannung unkalibriert (V): U"));
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, ApplyThroughCombo,
    ::testing::Values(
        ApplyRow{"Temperatur (°C): 3000*298.15/(3000+ln(1/x-1)*298.15)-273.15 [0;100]",
                 "Temperatur", "°C", 0, 100, "0", "100", false, "Temperatur in °C"},
        ApplyRow{"Spannung (V): U", "Spannung", "V", 0, 5, "0", "5", true, "Spannung in <vf>V"},
        ApplyRow{"Anteil (%): x*100", "Anteil", "%", 0, 100, "0", "100", true, "Anteil in %"},
        // Division by zero at raw 0: the inset probes give 20, the top 1.
        ApplyRow{"Kehrwert: 1/X", "Kehrwert", "", 1, 20, "20", "1", true, "Kehrwert"},
        ApplyRow{"Konstante: 5", "Konstante", "", 0, 10, "5", "5", true, "Konstante"},
        ApplyRow{"Temperatur, unkalibriert (°C): "
                 "1/(1/298,15+ln(47/(5/U-1)/50)/3950)-273,15 [0;100]",
                 "Temperatur, unkalibriert", "°C", 0, 100, "0", "100", false,
                 "Temperatur, unkalibriert in °C"}),
    [](const ::testing::TestParamInfo<ApplyRow>& info) {
        std::string name;
        for (const char* c = info.param.name; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
        return name;
    });

TEST_F(MainSignalsTest, EmptyNinthEntryHidesTheSignal) {
    PickEntry(Child<TComboBox>(*win, "ComboBoxA"), 8);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->ItemIndex(), 8);
    EXPECT_FALSE(Child<QCheckBox>(*win, "CheckBoxKanalA")->isChecked());
    EXPECT_TRUE(win->session().store().FormulaA.isEmpty());
    EXPECT_FLOAT_EQ(win->session().store().DefMinA, -1);
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 1);
    // Any other entry shows it again and applies it.
    PickEntry(Child<TComboBox>(*win, "ComboBoxA"), 2); // "relativer Anteil (%): r*100"
    EXPECT_TRUE(Child<QCheckBox>(*win, "CheckBoxKanalA")->isChecked());
    EXPECT_EQ(win->session().store().UnitA, QStringLiteral("%"));
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 100);
}

TEST_F(MainSignalsTest, TwoArgumentCallIsRejectedAndTheOldRangeStays) {
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Anteil (%): x*100"));
    ASSERT_FLOAT_EQ(win->session().store().DefMaxA, 100);
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Maximum (V): max(U,1)"));
    ASSERT_EQ(dialogs.errors.size(), 1) << dialogs.errors.join("|").toStdString();
    EXPECT_TRUE(dialogs.errors.front().startsWith(
        QStringLiteral("Die Formel von Signal A ist fehlerhaft: unverst\u00E4ndliche Schreibweise "
                       "an Stelle ")));
    EXPECT_TRUE(dialogs.errors.front().endsWith(QStringLiteral(" (max(U,1)).")));
    // The box keeps the typed line for correcting; the edits, range and title show what is in
    // force.
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), QStringLiteral("Maximum (V): max(U,1)"));
    EXPECT_EQ(Child<QLineEdit>(*win, "EditFormelA")->text(), QStringLiteral("x*100"));
    EXPECT_EQ(Child<QLineEdit>(*win, "EditSkalaAmax")->text(), QStringLiteral("100"));
    EXPECT_FLOAT_EQ(win->session().store().DefMinA, 0);
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 100);
    EXPECT_EQ(PlotOf(*win).Scales().A.Title, QStringLiteral("Anteil in %"));
    // The channel keeps measuring with the formula in force, and says so.
    RecordSweep(*win, 512, 0);
    EXPECT_NEAR(win->session().store().Data.A[win->session().store().PreTrigger],
                512 * 100 / 1023.0, 1e-3);
    EXPECT_EQ(win->session().store().Data.DefA, QStringLiteral("Anteil (%): x*100"));
    // The window still works: a valid definition applies.
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Spannung (V): U"));
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 5);
}

TEST_F(MainSignalsTest, EditsRebuildTheLine) {
    struct Row {
        const char* name;
        const char* edit;
        const char* text;
        const char* line;
        bool autoRange;
        float min, max;
    };
    const Row rows[] = {
        {"explicit minimum", "EditSkalaAmin", "-1", "Spannung unkalibriert (V): U [-1;5]", false,
         -1, 5},
        {"new unit", "EditEinheitA", "mV", "Spannung unkalibriert (mV): U [-1;5]", false, -1, 5},
        {"empty maximum turns auto on", "EditSkalaAmax", "", "Spannung unkalibriert (mV): U ", true,
         0, 5},
        {"formula", "EditFormelA", "U*1000", "Spannung unkalibriert (mV): U*1000 ", true, 0, 5000},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TypeAndEnter(Child<QLineEdit>(*win, r.edit), QString::fromUtf8(r.text));
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), QString::fromUtf8(r.line));
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->ItemIndex(), -1);
        EXPECT_EQ(Child<QCheckBox>(*win, "CheckBoxSkalaAauto")->isChecked(), r.autoRange);
        EXPECT_FLOAT_EQ(win->session().store().DefMinA, r.min);
        EXPECT_FLOAT_EQ(win->session().store().DefMaxA, r.max);
    }
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// Enter keeps a probed range automatic: ends shown in formula order, widened or rounded.
TEST_F(MainSignalsTest, EnterKeepsAnAutomaticRangeAutomatic) {
    for (const QString line : {"Kehrwert: 1/X", "Konstante: 5", "Pi (V): U*3.14159"}) {
        SCOPED_TRACE(line.toStdString());
        TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), line);
        const float min = win->session().store().DefMinA, max = win->session().store().DefMaxA;
        TypeAndEnter(Child<QLineEdit>(*win, "EditSignalA"),
                     Child<QLineEdit>(*win, "EditSignalA")->text());
        EXPECT_TRUE(Child<QCheckBox>(*win, "CheckBoxSkalaAauto")->isChecked());
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), line + ' ');
        EXPECT_EQ(win->session().store().DefMinA, min);
        EXPECT_EQ(win->session().store().DefMaxA, max);
    }
}

TEST_F(MainSignalsTest, AutoBoxSwitchesBetweenProbedAndExplicitRange) {
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"),
                   QStringLiteral("Anteil (%): x*100 [10;20]"));
    ASSERT_FALSE(Child<QCheckBox>(*win, "CheckBoxSkalaAauto")->isChecked());
    ASSERT_FLOAT_EQ(win->session().store().DefMaxA, 20);
    // Checking it drops the interval and probes the formula.
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxSkalaAauto"), Qt::LeftButton);
    EXPECT_TRUE(Child<QCheckBox>(*win, "CheckBoxSkalaAauto")->isChecked());
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), QStringLiteral("Anteil (%): x*100 "));
    EXPECT_FLOAT_EQ(win->session().store().DefMinA, 0);
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 100);
    // Unchecking it writes the range shown into the line.
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxSkalaAauto"), Qt::LeftButton);
    EXPECT_FALSE(Child<QCheckBox>(*win, "CheckBoxSkalaAauto")->isChecked());
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(),
              QStringLiteral("Anteil (%): x*100 [0;100]"));
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 100);
}

TEST_F(MainSignalsTest, DefinitionChangeEvaluatesStoredPointsAgain) {
    RecordSweep(*win, 1023, 0);
    ASSERT_EQ(win->session().store().Data.Count, win->session().store().PointCount);
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Rohwert: D"));
    EXPECT_FLOAT_EQ(win->session().store().Data.A[0], 1023);
    EXPECT_FLOAT_EQ(win->session().store().Data.MaxA, 1023);
    // The header names the definition the values were computed with.
    EXPECT_TRUE(CopiedData(*win).startsWith(QStringLiteral("Zeit in s\tRohwert: D\t")));
    // Only the range changed: the stored points are not evaluated again.
    win->session().store().Data.A[0] = 7;
    TypeAndEnter(Child<QLineEdit>(*win, "EditSkalaAmax"), QStringLiteral("2000"));
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 2000);
    EXPECT_FLOAT_EQ(win->session().store().Data.A[0], 7);
}

// Enter, also the keypad's, in the box applies the typed line at once and once; a rejected one
// is said in German, with the parser's words as the detail.
TEST_F(MainSignalsTest, EnterInTheBoxAppliesTheTypedLine) {
    struct Row {
        const char* line;
        const char* error; // start of the one message, or nullptr
        const char* unit;
        float max;
    };
    const Row rows[] = {
        {"Weg (cm): U*10", nullptr, "cm", 50},
        {"Weg (cm): U*((", "Die Formel von Signal B ist fehlerhaft: Klammer fehlt an Stelle 4 (U*(().",
         "cm", 50},
        {"10*(U", "Die Formel von Signal B ist fehlerhaft: Klammer fehlt an Stelle 5 (10*(U).", "", 5},
        {"Weg (cm): U)*2", "Die Formel von Signal B ist fehlerhaft: Klammer fehlt an Stelle 2 (U)*2).",
         "", 5},
        {"Druck (hPa): U*200 [0;1000]", nullptr, "hPa", 1000},
        {"Zahl: U+Foo", "Die Formel von Signal B ist fehlerhaft: ", "", 5},
    };
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(r.line) + (enter == Qt::Key_Enter ? " keypad" : ""));
            dialogs.errors.clear();
            TypeDefinition(Child<TComboBox>(*win, "ComboBoxB"), QStringLiteral("Spannung (V): U"),
                           enter);
            ASSERT_EQ(win->session().store().FormulaB, QStringLiteral("U"));
            TypeDefinition(Child<TComboBox>(*win, "ComboBoxB"), QString::fromUtf8(r.line), enter);
            if (r.error) {
                ASSERT_EQ(dialogs.errors.size(), 1) << dialogs.errors.join('|').toStdString();
                EXPECT_TRUE(dialogs.errors[0].startsWith(QString::fromUtf8(r.error)))
                    << dialogs.errors[0].toStdString();
                // German only; the parser's own words are the box's folded detail.
                EXPECT_FALSE(dialogs.errors[0].contains(QStringLiteral("Formelparser")));
                ASSERT_EQ(dialogs.details.size(), 1);
                EXPECT_TRUE(dialogs.details[0].startsWith(QStringLiteral("Meldung des Formelparsers: ")));
                dialogs.details.clear();
                EXPECT_EQ(win->session().store().FormulaB, QStringLiteral("U"));
                // Every control shows the definition in force but the typed line, tinted.
                EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->Text(), QString::fromUtf8(r.line));
                EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->lineEdit()->palette().color(QPalette::Base),
                          QColor(255, 242, 179));
                EXPECT_EQ(Child<QLineEdit>(*win, "EditFormelB")->text(), QStringLiteral("U"));
                EXPECT_EQ(Child<QLineEdit>(*win, "EditSkalaBmax")->text(), QStringLiteral("5"));
                // Mending it keeps it marked until it is applied.
                QTest::keyClick(Child<TComboBox>(*win, "ComboBoxB"), Qt::Key_Space);
                EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->lineEdit()->palette().color(QPalette::Base),
                          QColor(255, 242, 179));
            } else {
                EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('|').toStdString();
                EXPECT_EQ(win->session().store().UnitB, QString::fromUtf8(r.unit));
                EXPECT_FLOAT_EQ(win->session().store().DefMaxB, r.max);
                EXPECT_EQ(win->session().store().AppliedDefB, QString::fromUtf8(r.line));
            }
        }
    }
}

// Enter in a range edit after the formula or unit was changed (without Enter) applies the new
// formula to the stored points too: only a change of the interval alone keeps them.
TEST_F(MainSignalsTest, RangeEnterEvaluatesAgainWhenMoreThanTheIntervalChanged) {
    struct Row {
        const char* name;
        const char* formula; // typed into EditFormelA without Enter, or nullptr
        const char* unit;    // typed into EditEinheitA without Enter, or nullptr
        float first;         // Data.A[0] afterwards
        const char* title;
    };
    const Row rows[] = {
        {"interval alone", nullptr, nullptr, 7, "Spannung unkalibriert in <vf>V"},
        {"formula", "U*200", "hPa", 1000, "Spannung unkalibriert in hPa"},
        {"unit alone", nullptr, "mV", 5, "Spannung unkalibriert in mV"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"),
                       QStringLiteral("Spannung unkalibriert (V): U"));
        RecordSweep(*win, 1023, 0);
        win->session().store().Data.A[0] = 7; // a value only a re-evaluation changes
        if (r.formula) Child<QLineEdit>(*win, "EditFormelA")->setText(QString::fromUtf8(r.formula));
        if (r.unit) Child<QLineEdit>(*win, "EditEinheitA")->setText(QString::fromUtf8(r.unit));
        TypeAndEnter(Child<QLineEdit>(*win, "EditSkalaAmax"), QStringLiteral("2000"));
        EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 2000);
        EXPECT_FLOAT_EQ(win->session().store().Data.A[0], r.first);
        EXPECT_EQ(PlotOf(*win).Scales().A.Title, QString::fromUtf8(r.title));
        if (r.first != 7) {
            EXPECT_EQ(win->session().store().Data.DefA, win->session().store().AppliedDefA);
        }
    }
}

} // namespace
