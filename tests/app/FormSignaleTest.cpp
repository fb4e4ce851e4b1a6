// The signal list editor: its file, the definition lists and taking lines over.
#include "AppTestSupport.h"

#include "widgets/TComboBox.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

using FormSignaleTest = WindowTest;

TEST_F(FormSignaleTest, ListCountsFollowTheFile) {
    struct Row {
        const char* name;
        bool writeFile;
        QByteArray bytes;
        int entries;
        QByteArray beside = {}; // a list beside the program: read while there is no own one
    };
    const Row rows[] = {
        {"no file: one empty user line", false, {}, 10},
        {"two lines", true, "Rohwert: D\r\nDoppelt (V): 2*U [0;10]\r\n", 11},
        {"LF and CR line ends", true, "a: 1\nb: 2\rc: 3", 12},
        {"empty file", true, "", 9},
        {"starting list beside the program", false, {}, 11, "a: 1\r\nb: 2\r\n"},
        {"own list before the one beside", true, "a: 1\r\n", 10, "x: 1\r\ny: 2\r\nz: 3\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(IniPath());
        QFile::remove(StartingListPath());
        if (r.writeFile) WriteFile(IniPath(), r.bytes);
        if (!r.beside.isEmpty()) {
            QDir().mkpath(QFileInfo(StartingListPath()).absolutePath());
            WriteFile(StartingListPath(), r.beside);
        }
        CreateWindows();
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->count(), r.entries);
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->count(), r.entries);
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->itemText(8), QString());
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->itemText(0),
                  QStringLiteral("Spannung, unkalibriert (V): U"));
        EXPECT_EQ(editor->MemoSignaleFix->toPlainText().split('\n').size(), 8);
        // The shown text stays when the lists are rebuilt.
        EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->Text(),
                  QStringLiteral("Spannung unkalibriert (V): U"));
        // OK writes the user's own list; the one beside the program stays as it was.
        editor->show();
        QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
        EXPECT_EQ(ReadFile(IniPath()).count('\n'), r.entries - 9);
        if (!r.beside.isEmpty()) {
            EXPECT_EQ(ReadFile(StartingListPath()), r.beside);
        }
    }
}

TEST_F(FormSignaleTest, UserEntriesApplyLikeBuiltInOnes) {
    WriteFile(IniPath(), "Rohwert: D\r\nDoppelt (V): 2*U [0;10]\r\n");
    CreateWindows();
    PickEntry(Child<TComboBox>(*win, "ComboBoxA"), 10);
    EXPECT_EQ(win->session().store().FormulaA, QStringLiteral("2*U"));
    EXPECT_FLOAT_EQ(win->session().store().DefMaxA, 10);
    EXPECT_FALSE(Child<QCheckBox>(*win, "CheckBoxSkalaAauto")->isChecked());
}

TEST_F(FormSignaleTest, ClosingWritesTheFileAndRefreshesTheLists) {
    // Without a file the one empty line is written.
    editor->show();
    EXPECT_TRUE(editor->close());
    EXPECT_EQ(ReadFile(IniPath()), QByteArray("\r\n"));

    editor->show();
    editor->MemoSignale->setPlainText(QStringLiteral("Winkel (°): r*360\nx: 1\n"));
    QTest::mouseClick(editor->ButtonOK, Qt::LeftButton);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(ReadFile(IniPath()), QByteArray("Winkel (\xB0): r*360\r\nx: 1\r\n"));
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->count(), 11);
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxB")->itemText(9),
              QStringLiteral("Winkel (°): r*360"));

    // Deleting every line leaves the built-in entries and an empty file.
    editor->show();
    editor->MemoSignale->clear();
    editor->close();
    EXPECT_EQ(ReadFile(IniPath()), QByteArray());
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->count(), 9);
}

TEST_F(FormSignaleTest, FileThatCannotBeWrittenKeepsTheWindowOpen) {
    // The file's folder is a file.
    WriteFile(dir.filePath(QStringLiteral("block")), "x");
    editor = std::make_unique<TFormSignale>(dir.filePath(QStringLiteral("block/Signale.ini")));
    ConnectSignalEditor(*win, *editor);
    editor->MemoSignale->setPlainText(QStringLiteral("a: 1\n"));
    editor->show();
    EXPECT_FALSE(editor->close());
    EXPECT_TRUE(editor->isVisible());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(
        dialogs.errors[0].contains(QStringLiteral("Signale.ini\" kann nicht erstellt werden.")));
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->count(), 10); // lists not refreshed
    editor->hide();
}

TEST_F(FormSignaleTest, OpenEditorKeepsItsLinesWhenTheProgramEnds) {
    struct Row {
        const char* name;
        bool writable;
    };
    for (const Row r : {Row{"writable", true}, Row{"file cannot be written", false}}) {
        SCOPED_TRACE(r.name);
        CreateWindows();
        dialogs.errors.clear();
        if (!r.writable) {
            WriteFile(dir.filePath(QStringLiteral("block")), "x");
            editor = std::make_unique<TFormSignale>(dir.filePath(QStringLiteral("block/x.ini")));
            ConnectSignalEditor(*win, *editor);
        }
        editor->show();
        editor->MemoSignale->setPlainText(QStringLiteral("neu: 1\n"));
        EXPECT_TRUE(win->close());
        // The close that ends the program is never refused.
        EXPECT_TRUE(editor->close());
        if (r.writable)
            EXPECT_EQ(ReadFile(IniPath()), QByteArray("neu: 1\r\n"));
        else
            EXPECT_EQ(dialogs.errors.size(), 1);
    }
}

TEST_F(FormSignaleTest, TakesOverOnlyTypedLines) {
    // A picked entry is already in the list, also one whose interval turns the auto box off.
    for (int index : {3, 6, 7, 2}) {
        SCOPED_TRACE(index);
        PickEntry(Child<TComboBox>(*win, "ComboBoxA"), index);
        QTest::mouseClick(editor->ButtonA, Qt::LeftButton);
        EXPECT_EQ(editor->Lines(), QStringList{QString()});
    }
    // A typed line is added at the end.
    TypeDefinition(Child<TComboBox>(*win, "ComboBoxA"), QStringLiteral("Neu (V): U/2"));
    QTest::mouseClick(editor->ButtonA, Qt::LeftButton);
    EXPECT_EQ(editor->Lines(), (QStringList{QString(), QStringLiteral("Neu (V): U/2")}));
    // Signal B's button takes B's line (program-set text counts as typed).
    TypeAndEnter(Child<QLineEdit>(*win, "EditFormelB"), QStringLiteral("U*2"));
    QTest::mouseClick(editor->ButtonB, Qt::LeftButton);
    EXPECT_EQ(editor->Lines().size(), 3);
    EXPECT_EQ(editor->Lines().last(), Child<TComboBox>(*win, "ComboBoxB")->Text());
    // The lists change only when the editor closes.
    EXPECT_EQ(Child<TComboBox>(*win, "ComboBoxA")->count(), 10);
}

TEST(SignalFileLocation, InTheUsersConfigurationFolderNeverBesideTheProgram) {
    const QString path = TFormSignale::DefaultFilePath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Kurvimat/Signale.ini"))) << path.toStdString();
    // The test program's folder (the build tree) is writable, and still not used.
    EXPECT_NE(QFileInfo(path).absolutePath(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(QFileInfo(TFormSignale::StartingListPath()).absolutePath(),
              QCoreApplication::applicationDirPath());
}

} // namespace
