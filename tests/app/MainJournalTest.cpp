// The window's session journal and experiment file: a whole experiment saved, changed and
// opened again, refused files, a journal folder that cannot be written, the recovery question,
// and the demo program killed mid-sweep.
#include "AppTestSupport.h"

#include "Clock.h"
#include "ExperimentFile.h"
#include "HidPlatformVirtual.h"
#include "Journal.h"
#include "Recovery.h"
#include "VirtualInstrument.h"
#include "dialogs/TFormHardware.h"
#include "widgets/TComboBox.h"
#include "window/MainInstrument.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <functional>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::hid;

using namespace kurvimat::session;

namespace {

// Points the user records with values that rise over the sweep, so that a fit means something.
void RecordRising(TFormMain& w, int start) {
    const int reportsPerPoint = w.session().store().IntervalMs / 5;
    Feed(w, start, 900 - start, w.session().store().PreTrigger * reportsPerPoint);
    QTest::mouseClick(Child<QPushButton>(w, "ButtonTrigger"), Qt::LeftButton);
    for (int i = w.session().store().PreTrigger; i < w.session().store().PointCount; ++i)
        Feed(w, start + i, 900 - start - i / 2, reportsPerPoint);
}

// Points the windows' journal at another folder for the life of the object (main set one).
struct JournalFolder {
    explicit JournalFolder(const QString& path) {
        qputenv("KURVIMAT_DATA_DIR", path.toLocal8Bit());
    }
    ~JournalFolder() { qputenv("KURVIMAT_DATA_DIR", old); }
    QByteArray old = qgetenv("KURVIMAT_DATA_DIR");
};

// What differs between two experiments, for the failure message.
std::string Differences(const Experiment& a, const Experiment& b) {
    QStringList d;
    const auto value = [](const SettingValue& v) {
        return std::visit([](const auto& x) { return QVariant::fromValue(x).toString(); }, v);
    };
    for (const auto& [key, v] : a.settings) {
        const auto it = b.settings.find(key);
        if (it == b.settings.end() || it->second != v)
            d << key + u' ' + value(v) + QStringLiteral(" / ") +
                     (it == b.settings.end() ? QStringLiteral("-") : value(it->second));
    }
    if (a.data != b.data) d << QStringLiteral("data");
    if (a.snapshot != b.snapshot) d << QStringLiteral("snapshot");
    if (a.runs != b.runs) {
        QStringList ids;
        for (const auto* runs : {&a.runs, &b.runs})
            for (const auto& r : *runs) ids << QString::number(r.id) + u' ' + r.name;
        d << QStringLiteral("runs %1 / %2: ").arg(a.runs.size()).arg(b.runs.size()) + ids.join(u'|');
    }
    if (a.definitionA != b.definitionA || a.definitionB != b.definitionB)
        d << QStringLiteral("definitions");
    return d.join(QStringLiteral(", ")).toStdString();
}

// An opened run gets the session's next id: what it is, not which number it has, must come back.
Experiment WithoutRunIds(Experiment e) {
    for (auto& r : e.runs) r.id = 0;
    return e;
}

class MainJournalTest : public WindowTest {};

TEST_F(MainJournalTest, ExperimentComesBackWholeAndRefusedFilesChangeNothing) {
    // An experiment as a teacher prepares it: the instrument's settings, timing, trigger,
    // definitions, display choices, a snapshot, the data, cursors and a fit.
    TInstrumentLink link(*win, std::make_shared<HidPlatformVirtual>());
    TFormHardware& hardware = link.FormHardware();
    hardware.RadioButtonAmid->click();
    hardware.RadioButtonBhigh->click();
    hardware.CheckBoxPullUpB->click();
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), 4); // 10 ms
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamples"), 0);      // 100 points
    Child<QRadioButton>(*win, "RadioButtonEinzel")->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonTriggerChannel"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonTriggerRichtung"), Qt::LeftButton);
    win->session().store().TriggerLevel = 700;
    win->session().store().PreTrigger = 30;
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Weg (cm): 10*U [0;60]"));
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxB"), QStringLiteral("Kraft (N): 2*U"));
    RecordRising(*win, 100);
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonSchnappschuss"), Qt::LeftButton);
    RecordRising(*win, 300);
    Child<QCheckBox>(*win, "CheckBoxMinuten")->setChecked(true);
    Child<QCheckBox>(*win, "CheckBoxBXY")->setChecked(true);
    Child<QCheckBox>(*win, "CheckBoxBXY")->setChecked(false);
    PlotOf(*win).Cursors().setVerticalOn(true, PlotOf(*win).Scales().T.RangeStart,
                                         PlotOf(*win).Scales().T.RangeEnd);
    win->report().FitOnPlot(false, FitModel::Linear, 0, 0.5);
    win->report().FitOnPlot(true, FitModel::Linear, 0, 0.5);
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    ASSERT_EQ(win->report().FitDrawings().size(), 2u); // A's stays beside B's
    dialogs.typedText = QStringLiteral("Federpendel");
    Child<QAction>(*win, "ActionTitel")->trigger();
    dialogs.typedText = QStringLiteral("m = 0,25 kg\nD = 12 N/m");
    Child<QAction>(*win, "ActionNotiz")->trigger();
    ASSERT_EQ(win->session().notes().size(), 2);
    ASSERT_EQ(win->session().store().Data.Count, 100);
    ASSERT_GT(win->session().store().Snap.Count, 0);

    const Experiment saved = win->experiments().CurrentExperiment();
    const QString data = CopiedData(*win);
    const QString path = dir.filePath(QStringLiteral("versuch.kurvimat"));
    dialogs.saveName = path;
    EXPECT_FALSE(win->session().experimentSaved());
    Child<QAction>(*win, "ActionVersuchSpeichern")->trigger();
    ASSERT_TRUE(QFileInfo::exists(path)) << dialogs.errors.join('\n').toStdString();
    EXPECT_TRUE(win->session().experimentSaved());
    EXPECT_TRUE(dialogs.filters.last().contains(QStringLiteral("*.kurvimat")));

    // Saving under a name that exists asks first; No keeps the old file.
    const QByteArray bytes = ReadFile(path);
    dialogs.answerYes = false;
    Child<QAction>(*win, "ActionVersuchSpeichernUnter")->trigger();
    EXPECT_EQ(dialogs.questions.size(), 1);

    // Everything changed back to other values.
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), 3);
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamples"), 2);
    Child<QRadioButton>(*win, "RadioButtonAuto")->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonTriggerChannel"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonTriggerRichtung"), Qt::LeftButton);
    win->session().store().TriggerLevel = 300;
    win->session().store().PreTrigger = 10;
    Child<QCheckBox>(*win, "CheckBoxSchnappschuss")
        ->setChecked(!Child<QCheckBox>(*win, "CheckBoxSchnappschuss")->isChecked());
    PlotOf(*win).Cursors().setVerticalOn(false, 0, 1);
    hardware.RadioButtonAlow->click();
    hardware.CheckBoxBoff->click();
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonSSLoeschen"), Qt::LeftButton);
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Spannung (V): U"));
    Child<QCheckBox>(*win, "CheckBoxMinuten")->setChecked(false);
    Child<QCheckBox>(*win, "CheckBoxAXY")->setChecked(true);
    Child<QAction>(*win, "ActionFitEntfernen")->trigger();
    win->session().setNotes({});
    RecordRising(*win, 500);
    const Experiment changed = win->experiments().CurrentExperiment();
    const QString changedData = CopiedData(*win);
    ASSERT_FALSE(changed == saved);

    const QString refusedUnchanged = QStringLiteral("bleiben unverändert");
    const auto patched = [&](int offset, QByteArray with) {
        QByteArray b = bytes;
        b.replace(offset, with.size(), with);
        return b;
    };
    struct Case {
        const char* what;
        QByteArray file;
        const char* message; // empty: opened
    } const cases[] = {
        {"a newer version", patched(60, QByteArray("\0\0\0\x63", 4)), "neueren Kurvimat-Version"},
        {"another program's database", patched(68, QByteArray("\0\0\0\x07", 4)),
         "keine Kurvimat-Versuchsdatei"},
        {"a truncated file", bytes.left(bytes.size() / 2), "beschädigt oder unvollständig"},
        {"a measurement text", QByteArray("Zeit in s\tU (V)\r\n0\t1\r\n"),
         "keine Kurvimat-Versuchsdatei"},
        {"the saved experiment", bytes, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = dir.filePath(QStringLiteral("offen.kurvimat"));
        WriteFile(file, c.file);
        dialogs.errors.clear();
        dialogs.openName = file;
        Child<QAction>(*win, "ActionVersuchOeffnen")->trigger();
        if (*c.message) {
            ASSERT_EQ(dialogs.errors.size(), 1);
            EXPECT_TRUE(dialogs.errors[0].contains(QString::fromUtf8(c.message)))
                << dialogs.errors[0].toStdString();
            EXPECT_TRUE(dialogs.errors[0].contains(refusedUnchanged));
            EXPECT_TRUE(win->experiments().CurrentExperiment() == changed)
                << Differences(win->experiments().CurrentExperiment(), changed);
            EXPECT_EQ(CopiedData(*win), changedData);
            continue;
        }
        EXPECT_EQ(dialogs.errors, QStringList());
        EXPECT_EQ(win->report().Notes().Boxes().size(), 2u);
        EXPECT_EQ(win->report().FitDrawings().size(), 2u);
        EXPECT_TRUE(WithoutRunIds(win->experiments().CurrentExperiment()) == WithoutRunIds(saved))
            << Differences(WithoutRunIds(win->experiments().CurrentExperiment()), WithoutRunIds(saved));
        EXPECT_EQ(CopiedData(*win), data);
        // What the controls show, not only what the file reads back as.
        EXPECT_TRUE(Child<TComboBox>(*win, "ComboBoxSamplingRate")
                        ->Text()
                        .startsWith(QStringLiteral("10 ms")));
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxSamples")->Text(), QStringLiteral("100"));
        EXPECT_TRUE(Child<QRadioButton>(*win, "RadioButtonEinzel")->isChecked());
        EXPECT_TRUE(Child<QPushButton>(*win, "ButtonReset")
                        ->isEnabled()); // held: the points wait for "Trigger"
        EXPECT_EQ(Child<QPushButton>(*win, "ButtonTriggerChannel")->text(), QStringLiteral("B"));
        EXPECT_EQ(Child<QPushButton>(*win, "ButtonTriggerRichtung")->text(), QStringLiteral("-"));
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(),
                  QStringLiteral("Weg (cm): 10*U [0;60]"));
        EXPECT_TRUE(Child<QCheckBox>(*win, "CheckBoxMinuten")->isChecked());
        EXPECT_FALSE(Child<QCheckBox>(*win, "CheckBoxAXY")->isChecked());
        EXPECT_TRUE(PlotOf(*win).Cursors().VerticalOn);
        EXPECT_TRUE(PlotOf(*win).ShownFit().has_value());
        EXPECT_TRUE(win->session().experimentSaved());
        EXPECT_TRUE(hardware.RadioButtonAmid->isChecked());
        EXPECT_TRUE(hardware.RadioButtonBhigh->isChecked());
        EXPECT_FALSE(hardware.CheckBoxBoff->isChecked());
        EXPECT_TRUE(hardware.CheckBoxPullUpB->isChecked());
        // The opened points are recorded ones: a new formula evaluates them again.
        const std::vector<float> before(win->session().store().Data.A,
                                        win->session().store().Data.A + 100);
        TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"),
                       QStringLiteral("Weg (cm): 20*U [0;60]"));
        for (int i = 0; i < 100; ++i)
            ASSERT_NEAR(win->session().store().Data.A[i], 2 * before[i], 1e-4) << "point " << i;
    }
    // The file the program starts with opens without asking about the first sweeps before it.
    Child<QRadioButton>(*win, "RadioButtonAuto")->setChecked(true);
    RecordRising(*win, 300);
    ASSERT_FALSE(win->session().experimentSaved());
    dialogs.questions.clear();
    dialogs.answerYes = false; // a journal left by another test in this process stays unrestored
    win->experiments().StartSession(path);
    for (const QString& question : dialogs.questions)
        EXPECT_FALSE(question.contains(QStringLiteral("gespeichert werden"))) << question.toStdString();
    EXPECT_TRUE(win->session().experimentSaved());
    // A definition that does not compile: the file opens, it is said once, the box shows the
    // line marked to be mended, and the channel keeps the definition in force.
    Experiment broken = saved;
    broken.definitionA = QStringLiteral("Weg (cm): 10*");
    const QString brokenFile = dir.filePath(QStringLiteral("kaputt.kurvimat"));
    ASSERT_FALSE(writeExperiment(brokenFile, broken).has_value());
    const QString inForce = win->session().store().AppliedDefA;
    dialogs.errors.clear();
    dialogs.openName = brokenFile;
    Child<QAction>(*win, "ActionVersuchOeffnen")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1) << dialogs.errors.join('|').toStdString();
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("Die Formel von Signal A ist fehlerhaft")));
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(), broken.definitionA);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->lineEdit()->property("rejectedText").toString(),
              broken.definitionA);
    EXPECT_EQ(win->session().store().AppliedDefA, inForce);
    EXPECT_EQ(win->session().store().AppliedDefB, saved.definitionB);

    // Closed as saved: the next start has nothing to offer.
    // The writer makes the file; under load that may take longer than the steps above.
    const QString journal = win->session().journal().path();
    ASSERT_TRUE(win->session().journal().persistent());
    ASSERT_TRUE(QFileInfo::exists(journal));
    win->close();
    EXPECT_FALSE(QFileInfo::exists(journal));
}

TEST_F(MainJournalTest, TitleNamesTheFileCtrlSSavesToItRecentAndDropOpen) {
    QFile::remove(QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                      .filePath(QStringLiteral("Kurvimat.ini")));
    const QString pendel = dir.filePath(QStringLiteral("Pendel.kurvimat"));
    const QString feder = dir.filePath(QStringLiteral("Feder.kurvimat"));
    const QString text = dir.filePath(QStringLiteral("messung.txt"));
    WriteFile(text, "Zeit in s\tU (V)\r\n0\t1\r\n0,5\t2\r\n1\t3\r\n");
    const QString huge = dir.filePath(QStringLiteral("riesig.txt"));
    WriteFile(huge, "Zeit in s\tU (V)\r\n");
    ASSERT_TRUE(QFile(huge).resize(64 * 1024 * 1024)); // sparse: no disk space taken
    const auto action = [this](const char* name) {
        return [this, name] { Child<QAction>(*win, name)->trigger(); };
    };
    const auto drop = [this](const QString& path) {
        return [this, path] {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(path)});
            QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(win.get(), &enter);
            ASSERT_TRUE(enter.isAccepted());
            QDropEvent dropped(QPointF(500, 300), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(win.get(), &dropped);
            QCoreApplication::processEvents();
        };
    };
    const auto recent = [this](int n) {
        return [this, n] {
            QMenu* menu = Child<QMenu>(*win, "MenuZuletzt");
            emit menu->aboutToShow();
            menu->actions().at(n)->trigger();
        };
    };
    struct Row {
        const char* what;
        std::function<void()> step;
        QString answer;    // the file dialog's answer
        bool asked;        // a file dialog was shown
        const char* title; // after the next tick
        QStringList recent;
        int points = -1; // the current data's, where it matters
        const char* error = "";
        bool held = false; // what was opened stays until "Weiter"
    } const rows[] = {
        {"a new session", [] {}, {}, false, "Unbenannt – Kurvimat", {}},
        {"Ctrl+S without a file asks",
         action("ActionVersuchSpeichern"),
         pendel,
         true,
         "Pendel.kurvimat – Kurvimat",
         {pendel}},
        {"a sweep is unsaved",
         [this] { RecordRising(*win, 100); },
         {},
         false,
         "Pendel.kurvimat* – Kurvimat",
         {pendel}},
        {"Ctrl+S saves to the file",
         action("ActionVersuchSpeichern"),
         {},
         false,
         "Pendel.kurvimat – Kurvimat",
         {pendel}},
        {"Ctrl+Shift+S asks",
         action("ActionVersuchSpeichernUnter"),
         feder,
         true,
         "Feder.kurvimat – Kurvimat",
         {feder, pendel}},
        {"the second recent one",
         recent(1),
         {},
         false,
         "Pendel.kurvimat – Kurvimat",
         {pendel, feder},
         -1,
         "",
         true},
        {"Weiter",
         action("ActionStoppWeiter"),
         {},
         false,
         "Pendel.kurvimat – Kurvimat",
         {pendel, feder}},
        {"a text dropped on the window",
         drop(text),
         {},
         false,
         "Pendel.kurvimat* – Kurvimat",
         {pendel, feder},
         3,
         "",
         true},
        {"a huge file dropped on the window",
         drop(huge),
         {},
         false,
         "Pendel.kurvimat* – Kurvimat",
         {pendel, feder},
         3,
         "zu groß für einen Messwerttext",
         true},
        {"an experiment dropped on the window",
         drop(feder),
         {},
         false,
         "Feder.kurvimat – Kurvimat",
         {feder, pendel},
         -1,
         "",
         true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        dialogs.filters.clear();
        dialogs.errors.clear();
        dialogs.saveName = r.answer;
        r.step();
        win->Timer1Timer();
        EXPECT_EQ(dialogs.errors.size(), *r.error ? 1 : 0);
        if (*r.error && !dialogs.errors.isEmpty()) {
            EXPECT_TRUE(dialogs.errors[0].contains(QString::fromUtf8(r.error)));
        }
        EXPECT_EQ(dialogs.filters.size(), r.asked ? 1 : 0);
        EXPECT_EQ(win->windowTitle(), QString::fromUtf8(r.title));
        EXPECT_EQ(win->experiments().Recent(), r.recent);
        if (r.points >= 0) {
            EXPECT_EQ(win->session().store().Data.Count, r.points);
        }
        EXPECT_EQ(win->session().held(), r.held);
    }
    // "Speichern unter" began in the folder of the session's file, with its name.
    EXPECT_EQ(dialogs.starts, (QStringList{QString(), pendel}));
    // Ctrl+S wrote the sweep into Pendel.kurvimat, which had none.
    const ExperimentRead saved = readExperiment(pendel);
    ASSERT_TRUE(saved.experiment && saved.experiment->data);
    EXPECT_GT(saved.experiment->data->size(), 0);
    // A file gone since leaves the recent list.
    ASSERT_TRUE(QFile::remove(pendel));
    emit Child<QMenu>(*win, "MenuZuletzt")->aboutToShow();
    EXPECT_EQ(win->experiments().Recent(), QStringList{feder});
    EXPECT_EQ(Child<QMenu>(*win, "MenuZuletzt")->actions().size(), 1);
    // The held instrument's caption stays beside the file's name.
    auto platform = std::make_shared<HidPlatformVirtual>();
    TInstrumentLink link(*win, platform);
    platform->plug(std::make_shared<VirtualInstrument>());
    ASSERT_TRUE(QTest::qWaitFor([this] { return win->HeldInstrument() != nullptr; }, 10000));
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Feder.kurvimat – Kurvimat 1.3 (VK-0001)"));
}

// "*" says that the session differs from its file: each change a teacher makes marks it, a
// change taken back or saved clears it; what was opened stays held; shown runs and a run's fit
// come back with the file, and closing with changes saves into it.
TEST_F(MainJournalTest, StarMeansDiffersFromTheFileAndTheFileKeepsWhatWasShown) {
    MainRuns* runs = win->findChild<MainRuns*>();
    ASSERT_NE(runs, nullptr);
    RecordRising(*win, 100);
    Child<QAction>(*win, "ActionMessreiheBehalten")->trigger(); // kept and shown
    const qint64 kept = win->session().journal().runs().runs().back().id;
    RecordRising(*win, 300);
    const auto& keptPoints = win->session().journal().runs().find(kept)->points;
    const double t0 = keptPoints.times()[0], t1 = keptPoints.times()[keptPoints.size() - 1];
    win->report().FitRunOnPlot(kept, false, FitModel::Linear, t0, t1);
    ASSERT_TRUE(PlotOf(*win).ShownFit() && PlotOf(*win).ShownFit()->RunId == kept);
    const QString path = dir.filePath(QStringLiteral("aufbau.kurvimat"));
    dialogs.saveName = path;
    Child<QAction>(*win, "ActionVersuchSpeichern")->trigger();
    const auto starred = [this] {
        win->Timer1Timer();
        return win->windowTitle().startsWith(QStringLiteral("aufbau.kurvimat*"));
    };
    ASSERT_FALSE(starred());

    // The runs are hidden and the fit removed: the file brings them back, held.
    runs->SetShown(kept, false);
    EXPECT_TRUE(starred());
    dialogs.saveChoice = Dialogs::SaveChoice::Discard;
    dialogs.openName = path;
    Child<QAction>(*win, "ActionVersuchOeffnen")->trigger();
    ASSERT_EQ(win->session().journal().runs().size(), 1);
    const qint64 opened = win->session().journal().runs().runs()[0].id;
    EXPECT_TRUE(runs->IsShown(opened));
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    EXPECT_EQ(PlotOf(*win).ShownFit()->RunId, opened);
    EXPECT_TRUE(win->session().held());
    const int points = win->session().store().Data.Count;
    Feed(*win, 700, 100, 400); // the instrument goes on; the opened points stay
    EXPECT_EQ(win->session().store().Data.Count, points);
    EXPECT_FALSE(starred());

    const auto edit = [this](const char* name, const char* text) {
        return [this, name, text] {
            TypeAndEnter(Child<QLineEdit>(*win, name), QString::fromLatin1(text));
        };
    };
    const auto click = [this](const char* name) {
        return [this, name] { Child<QAbstractButton>(*win, name)->click(); };
    };
    struct Row {
        const char* what;
        std::function<void()> change, back; // back: none, then Ctrl+S clears the "*"
    } const rows[] = {
        {"a scale", edit("EditSkalaAmax", "4"), {}},
        {"auto range", click("CheckBoxSkalaBauto"), {}},
        {"Zeit in min", click("CheckBoxMinuten"), click("CheckBoxMinuten")},
        {"the trigger edge", click("ButtonTriggerRichtung"), click("ButtonTriggerRichtung")},
        {"the trigger mode", click("RadioButtonNormal"), {}},
        {"the time cursors", [this] { Child<QAction>(*win, "ActionZeitcursor")->trigger(); }, {}},
        // Its fit goes with it: shown again, the run differs from the file still.
        {"a shown run", [=] { runs->SetShown(opened, false); }, {}},
        {"a run shown again", [=] { runs->SetShown(opened, true); }, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.change();
        EXPECT_TRUE(starred());
        EXPECT_TRUE(win->experiments().HasUnsavedWork());
        if (r.back)
            r.back();
        else
            Child<QAction>(*win, "ActionVersuchSpeichern")->trigger();
        EXPECT_FALSE(starred());
    }

    // Closing with a change asks about the file, and Speichern saves it there.
    TypeAndEnter(Child<QLineEdit>(*win, "EditSkalaAmax"), QStringLiteral("3"));
    dialogs.questions.clear();
    dialogs.filters.clear();
    dialogs.saveChoice = Dialogs::SaveChoice::Save;
    EXPECT_TRUE(win->close());
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(
        dialogs.questions[0].startsWith(QStringLiteral("Die Änderungen an aufbau.kurvimat")));
    EXPECT_TRUE(dialogs.filters.isEmpty()); // no file asked for
    const ExperimentRead read = readExperiment(path);
    ASSERT_TRUE(read.experiment);
    EXPECT_EQ(settingAs<double>(read.experiment->settings, setting::AxisAMax), 3.0);
    EXPECT_EQ(settingAs<QString>(read.experiment->settings, setting::ShownRuns),
              QStringLiteral("0"));
}

// A fit whose cursors hold no point says so; too few points between them is another matter.
TEST_F(MainJournalTest, FitBetweenCursorsOutsideThePointsSaysSo) {
    RecordRising(*win, 100);
    Child<QAction>(*win, "ActionMessreiheBehalten")->trigger();
    const qint64 run = win->session().journal().runs().runs().back().id;
    const MeasurementStore& s = win->session().store();
    const double first = s.Data.T[0], last = s.Data.T[s.Data.Count - 1];
    const double step = s.Data.T[1] - s.Data.T[0];
    struct Row {
        const char* what;
        bool ofRun;
        double from, to;
        const char* error;
    } const rows[] = {
        {"after the last point", false, last + 1, last + 2,
         "Die Cursor liegen außerhalb der Messpunkte"},
        {"before the first point", false, first - 2, first - 1,
         "Die Cursor liegen außerhalb der Messpunkte"},
        {"between two points", false, first + step * 0.25, first + step * 0.75,
         "Die Cursor liegen außerhalb der Messpunkte"},
        {"one point between", false, first - step * 0.5, first + step * 0.5,
         "Zu wenige Messpunkte"},
        {"a run, after its last point", true, last + 1, last + 2,
         "Die Cursor liegen außerhalb der Messpunkte"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        PlotOf(*win).Cursors().setVerticalOn(true, r.from, r.to);
        PlotOf(*win).Cursors().X = {r.from, r.to};
        dialogs.errors.clear();
        const auto [from, to] = win->report().FitSpan();
        if (r.ofRun)
            win->report().FitRunOnPlot(run, false, FitModel::Linear, from, to);
        else
            win->report().FitOnPlot(false, FitModel::Linear, from, to);
        ASSERT_EQ(dialogs.errors.size(), 1);
        EXPECT_TRUE(dialogs.errors[0].startsWith(QString::fromUtf8(r.error)))
            << dialogs.errors[0].toStdString();
    }
}

TEST_F(MainJournalTest, FolderThatCannotBeWrittenIsSaidOnceAndRecordingGoesOn) {
    // A file where the folder's parent should be: no user can write there, root neither.
    WriteFile(dir.filePath(QStringLiteral("datei")), "x");
    const JournalFolder folder(dir.filePath(QStringLiteral("datei/Sitzungen")));
    CreateWindows();
    for (int sweep = 0; sweep < 2; ++sweep) {
        RecordSweep(*win, 300, 600);
        for (int tick = 0; tick < 3; ++tick)
            win->Timer1Timer();
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("nicht gesichert werden")));
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("im Speicher weiter")));
    EXPECT_EQ(win->session().store().Data.Count, win->session().store().PointCount);
    EXPECT_EQ(win->session().journal().recordingSize(), win->session().store().PointCount);
}

TEST_F(MainJournalTest, RecoveryAsksOnceAndRestoresOrTrashes) {
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "restore" : "discard");
        const QString folder = dir.filePath(yes ? QStringLiteral("ja") : QStringLiteral("nein"));
        SystemClock clock;
        {
            // A program that ended without saving: its journal stays behind.
            Journal left(folder, clock);
            kurvimat::session::Run header;
            header.intervalMs = 10;
            header.pointCount = 50;
            left.beginRecording(header);
            std::vector<SamplePoint> points;
            for (int i = 0; i < 40; ++i)
                points.push_back({float(i) * 0.01f, float(i), float(2 * i)});
            left.appendPoints(points);
            ASSERT_TRUE(left.sync());
        }
        const JournalFolder env(folder);
        CreateWindows();
        dialogs.questions.clear();
        dialogs.answerYes = yes;
        const int runsBefore = win->session().journal().runs().size();
        win->experiments().StartSession({});
        ASSERT_EQ(dialogs.questions.size(), 1);
        EXPECT_TRUE(dialogs.questions[0].contains(QStringLiteral("hat eine laufende Aufzeichnung")));
        EXPECT_TRUE(dialogs.questions[0].contains(QStringLiteral("Verworfene Sitzungen")));
        EXPECT_EQ(win->session().journal().runs().size(), runsBefore + (yes ? 1 : 0));
        if (yes) {
            EXPECT_EQ(win->session().journal().runs().runs().back().points.size(), 40);
        }
        EXPECT_EQ(QDir(folder + QStringLiteral("/Papierkorb")).entryList(QDir::Files).size(),
                  yes ? 0 : 1);
        // Asked once: the next start finds nothing.
        win->experiments().StartSession({});
        EXPECT_EQ(dialogs.questions.size(), 1);
        // Nothing of this session is left for the next one to offer.
        win->session().journal().finish();
    }
}

// A session the user has not saved, under accident: a file opened over it (asked as closing
// asks; what it replaces goes to the Papierkorb), its journal deleted while recording (a new
// one is begun with what is in memory, said once).
TEST_F(MainJournalTest, UnsavedSessionUnderAccident) {
    using Choice = Dialogs::SaveChoice;
    Experiment e;
    kurvimat::session::Run fromFile;
    fromFile.name = QStringLiteral("Aus der Datei");
    fromFile.points =
        PointSet(PointSet::Origin::Loaded, true, false, QStringLiteral("U (V): U"), {});
    for (int i = 0; i < 30; ++i)
        fromFile.points.append({i * 0.1f, float(i)});
    e.runs.push_back(fromFile);
    const QString file = dir.filePath(QStringLiteral("offen.kurvimat"));
    ASSERT_EQ(writeExperiment(file, e), std::nullopt);
    struct Row {
        const char* name;
        Choice answer;
        const char* saveAs;
        bool opens;
    } const rows[] = {
        {"open over unsaved runs: cancel", Choice::Cancel, "", false},
        {"open over unsaved runs: discard", Choice::Discard, "", true},
        {"open over unsaved runs: save first", Choice::Save, "vorher.kurvimat", true},
        {"delete the journal while recording", Choice::Cancel, "", false},
        {"rename the journal while recording", Choice::Cancel, "", false},
    };
    int n = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const QString folder = dir.filePath(QStringLiteral("j%1").arg(++n));
        const JournalFolder env(folder);
        CreateWindows();
        RecordSweep(*win, 600, 300);
        Child<QAction>(*win, "ActionMessreiheBehalten")->trigger();
        RecordSweep(*win, 500, 200);
        ASSERT_TRUE(win->session().journal().persistent()); // made by its writer by now
        const QString journal = win->session().journal().path();
        const int runsBefore = win->session().journal().runs().size();
        dialogs.questions.clear();
        dialogs.errors.clear();
        const bool renamed = QByteArray(r.name).startsWith("rename");
        if (renamed || QByteArray(r.name).startsWith("delete")) {
            // Mid-sweep: some points handed over, the journal then deleted by someone.
            QTest::mouseClick(Child<QPushButton>(*win, "ButtonTrigger"), Qt::LeftButton);
            Feed(*win, 400, 100, 40);
            win->Timer1Timer();
            ASSERT_TRUE(
                renamed
                    ? QFile::rename(journal, folder + QStringLiteral("/umbenannt.kurvimat-journal"))
                    : QFile::remove(journal));
            QElapsedTimer waited;
            waited.start();
            while (win->session().journal().path() == journal && waited.elapsed() < 6000) {
                win->Timer1Timer();
                QTest::qWait(50);
            }
            QCoreApplication::processEvents();
            EXPECT_NE(win->session().journal().path(), journal);
            ASSERT_EQ(dialogs.errors.size(), 1);
            EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("gelöscht oder ersetzt")));
            EXPECT_FALSE(QFile::exists(journal + QStringLiteral("-wal")));
            // The renamed copy is of the same session: offered once, not beside the new one.
            EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.kurvimat-journal")}).size(),
                      renamed ? 2 : 1);
            const int recorded = win->session().store().Data.Count;
            win.reset(); // as a crash would leave it: the new journal is found at the next start
            SystemClock clock;
            Recovery recovery(folder, clock);
            EXPECT_EQ(recovery.facts().runs, runsBefore);
            EXPECT_TRUE(recovery.facts().recording);
            ASSERT_TRUE(recovery.found());
            Journal next(dir.filePath(QStringLiteral("next%1").arg(n)), clock);
            recovery.restoreInto(next);
            EXPECT_EQ(next.runs().runs().back().points.size(), recorded);
            next.finish();
            continue;
        }
        dialogs.saveChoice = r.answer;
        dialogs.saveName = *r.saveAs ? dir.filePath(QString::fromLatin1(r.saveAs)) : QString();
        dialogs.openName = file;
        Child<QAction>(*win, "ActionVersuchOeffnen")->trigger();
        ASSERT_EQ(dialogs.questions.size(), 1);
        EXPECT_TRUE(
            dialogs.questions[0].contains(QStringLiteral("bevor offen.kurvimat geöffnet")));
        const auto& runs = win->session().journal().runs().runs();
        EXPECT_EQ(runs.size() == 1 && runs[0].name == fromFile.name, r.opens);
        if (!r.opens) {
            EXPECT_EQ(int(runs.size()), runsBefore);
            EXPECT_TRUE(QFile::exists(journal));
            continue;
        }
        EXPECT_FALSE(win->experiments().HasUnsavedWork());
        EXPECT_EQ(QFile::exists(dialogs.saveName), *r.saveAs != 0);
        // The replaced session waits in the Papierkorb, whole.
        EXPECT_FALSE(QFile::exists(journal));
        int trashed = 0;
        {
            SystemClock clock;
            trashed = Recovery(folder + QStringLiteral("/Papierkorb"), clock).runCount();
        }
        EXPECT_GE(trashed, runsBefore);
        // "Verworfene Sitzungen …" brings them back beside the file's.
        dialogs.answerYes = true;
        Child<QAction>(*win, "ActionVerworfeneSitzungen")->trigger();
        EXPECT_EQ(win->session().journal().runs().size(), 1 + trashed);
        dialogs.answerYes = false;
    }
}

// The demo program records from its virtual instrument at 10 ms in "dauer" (an experiment named
// on its command line says so) and is killed with SIGKILL mid-sweep; every point it had stored
// one second before comes back.
TEST(DemoCrashTest, SigkillMidSweepLosesAtMostTheLastSecond) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Experiment e;
    e.definitionA = QStringLiteral("Spannung (V): U");
    e.definitionB = QStringLiteral("Spannung (V): U");
    e.settings[setting::IntervalMs] = qint64(10);
    e.settings[setting::PointCount] = qint64(5000);
    e.settings[setting::TriggerMode] = qint64(TriggerMode::Dauer);
    const QString file = dir.filePath(QStringLiteral("dauer.kurvimat"));
    ASSERT_EQ(writeExperiment(file, e), std::nullopt);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KURVIMAT_DATA_DIR"), dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("KURVIMAT_JOURNAL_PROGRESS"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(KURVIMAT_DEMO), {file});
    ASSERT_TRUE(child.waitForStarted());

    SystemClock clock;
    std::vector<std::pair<int, qint64>> fed; // points stored, steady ms; of the last recording
    qint64 killedAt = 0;
    while (killedAt == 0 && child.waitForReadyRead(10000)) {
        while (child.canReadLine()) {
            int count = 0;
            long long ms = 0;
            if (std::sscanf(child.readLine().constData(), "KURVIMAT-FED %d %lld", &count, &ms) != 2)
                continue;
            if (!fed.empty() && count < fed.back().first) fed.clear(); // a new sweep began
            fed.emplace_back(count, qint64(ms));
        }
        if (!fed.empty() && clock.steadyMs() - fed.front().second >= 2500) {
            killedAt = clock.steadyMs();
            child.kill(); // SIGKILL
        }
    }
    child.waitForFinished();
    ASSERT_GT(killedAt, 0) << "the program stopped reporting";
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    child.readAll();

    int mustHave = 0;
    for (const auto& [count, ms] : fed)
        if (ms <= killedAt - 1000) mustHave = count;
    ASSERT_GT(mustHave, 0);
    Recovery recovery(dir.filePath(QStringLiteral("data")), clock);
    ASSERT_EQ(recovery.runCount(), 1);
    Journal next(dir.filePath(QStringLiteral("next")), clock);
    recovery.restoreInto(next);
    const kurvimat::session::Run& run = next.runs().runs().at(0);
    EXPECT_EQ(run.intervalMs, 10);
    EXPECT_EQ(run.pointCount, 5000);
    EXPECT_GE(run.points.size(), mustHave);
    EXPECT_LE(run.points.size(), fed.back().first);
    ASSERT_TRUE(run.points.recorded());
    for (int i = 1; i < run.points.size(); ++i)
        if (std::abs(run.points.times()[i] - run.points.times()[i - 1] - 0.01f) > 1e-4f) {
            ADD_FAILURE() << "point " << i << " is not one interval after the one before";
            break;
        }
    next.finish();
}

} // namespace
