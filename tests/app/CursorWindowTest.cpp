// The measuring cursors in the main window at the screen's pixel ratio: pressing, dragging,
// the pointer's value, the wheel, the readout's place and menu, copying. The same tests run at
// ratio 1 and, with QT_SCALE_FACTOR=2, at ratio 2 (tests/app/CMakeLists.txt).
#include "AppTestSupport.h"

#include "plot/MainCursors.h"
#include "plot/ReadoutBox.h"
#include "widgets/TPaintBox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace kurvimat::analysis;
using namespace kurvimat::display;

namespace {

using ScaledWindowTest = WindowTest;

void Wheel(QWidget* w, QPointF at, int delta) {
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

// One second of the demo's sine on A, a falling line on B, 5 ms apart, on a time axis 0 .. 1 s.
void StoreSine(TFormMain& win) {
    for (int i = 0; i < 200; ++i) {
        win.session().store().Data.T[i] = i * 0.005f;
        win.session().store().Data.A[i] =
            static_cast<float>(2.5 + 1.5 * std::sin(2 * 3.14159265358979 * i * 0.005));
        win.session().store().Data.B[i] = 4 - i * 0.005f;
    }
    win.session().store().Data.Count = 200;
    PlotOf(win).Scales().T.RangeStart = 0;
    PlotOf(win).Scales().T.RangeEnd = 1;
    PlotOf(win).State().Changes.AxesChanged = PlotOf(win).State().Changes.PlotDirty = true;
    win.Timer1Timer();
}

// Where the plot image's device column of time t and a row lie in the paint box's logical
// pixels, as the mouse gives them.
struct PlotPixels {
    TFormMain& win;
    double ratio() const { return PlotOf(win).State().Geometry.Scale; }
    double column(double t) const { // time axis 0 .. 1 s
        return 1 + t * (PlotOf(win).Image().width() - 3);
    }
    QPointF at(double t, double rowFraction) const {
        const PaintGeometry& g = PlotOf(win).State().Geometry;
        return {(g.px(PlotLeftMargin) + column(t)) / g.Scale,
                (g.px(PlotTopMargin) + rowFraction * PlotOf(win).Image().height()) / g.Scale};
    }
    // The logical column of a drawn cursor at time t.
    double logicalX(double t) const {
        return (PlotOf(win).State().Geometry.px(PlotLeftMargin) + column(t)) / ratio();
    }
};

TEST_F(ScaledWindowTest, ImagesAreDrawnAtTheScreensRatio) {
    const double expected = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                                : 1.0;
    EXPECT_DOUBLE_EQ(Child<TPaintBox>(*win, "PaintBoxData")->devicePixelRatioF(), expected);
    EXPECT_DOUBLE_EQ(PlotOf(*win).State().Geometry.Scale, expected);
    EXPECT_EQ(PlotOf(*win).PlotSize(),
              PlotOf(*win).State().Geometry.logical(PlotOf(*win).Image().size()));
}

TEST_F(ScaledWindowTest, CursorsMeasureOnThePlotAndTheWheelZoomsBack) {
    StoreSine(*win);
    MainCursors& m = *PlotOf(*win).Measuring();
    TPaintBox* box = Child<TPaintBox>(*win, "PaintBoxData");
    const PlotPixels plot{*win};

    // The context menu switches the time cursors on, at a third and two thirds; the readout
    // lies inside the plot.
    std::unique_ptr<QMenu> menu(m.CreateMenu());
    menu->actions().at(0)->trigger();
    EXPECT_TRUE(PlotOf(*win).Cursors().timeSpan().Enabled);
    win->Timer1Timer();
    ASSERT_TRUE(m.LabelMesswerte->isVisible());
    const QRect plotRect(box->geometry().topLeft() + QPoint(PlotLeftMargin, PlotTopMargin),
                         PlotOf(*win).PlotSize());
    EXPECT_TRUE(plotRect.contains(m.LabelMesswerte->geometry()))
        << m.LabelMesswerte->x() << "," << m.LabelMesswerte->y();
    EXPECT_EQ(PlotOf(*win).State().Cursors.Vertical, true);

    // The tangent's entry draws the tangents at t1 (a third of a second: the sine falls at
    // 3 pi cos(2 pi / 3) V/s, B at 1 V/s) and reads out their slope; again, and they are gone.
    const auto tangentRows = [&m] {
        return std::count_if(m.LabelMesswerte->rows().begin(), m.LabelMesswerte->rows().end(),
                             [](const auto& r) { return r.Label == "Steigung bei t1"; });
    };
    QAction* tangent = Child<QAction>(*win, "ActionTangente");
    EXPECT_TRUE(menu->actions().contains(tangent));
    for (const bool on : {true, false}) {
        tangent->trigger();
        const CursorMarks& drawn = PlotOf(*win).State().Cursors;
        EXPECT_EQ(tangentRows(), on ? 1 : 0);
        ASSERT_EQ(drawn.Tangents[0] && drawn.Tangents[1], on);
        if (on) {
            EXPECT_NEAR(drawn.Tangents[0]->Slope, -1.5 * std::numbers::pi, 0.05);
            EXPECT_NEAR(drawn.Tangents[1]->Slope, -1, 1e-4);
        }
    }

    // Pressing on t2 grabs t2, not a zoom box and not t1: dragged to 0.75 s, then t1 to 0.25 s.
    Drag(box, plot.at(2.0 / 3, 0.5), plot.at(0.75, 0.5));
    EXPECT_NEAR(PlotOf(*win).Cursors().X[1], 0.75, 0.005);
    EXPECT_NEAR(PlotOf(*win).Cursors().X[0], 1.0 / 3, 1e-9);
    Drag(box, plot.at(1.0 / 3, 0.3), plot.at(0.25, 0.3));
    EXPECT_NEAR(PlotOf(*win).Cursors().X[0], 0.25, 0.005);
    EXPECT_NEAR(PlotOf(*win).Cursors().X[1], 0.75, 0.005);
    EXPECT_EQ(PlotOf(*win).Scales().T.RangeStart, 0); // no zoom box came of it
    EXPECT_EQ(PlotOf(*win).Scales().T.RangeEnd, 1);
    EXPECT_FALSE(PlotOf(*win).State().ZoomBoxActive);
    // A press a few pixels beside a line still catches it, half way between the two nothing.
    const double beside = 3 * plot.ratio() / (PlotOf(*win).Image().width() - 3); // 3 logical pixels
    Drag(box, plot.at(0.25 + beside, 0.4), plot.at(0.3, 0.4));
    EXPECT_NEAR(PlotOf(*win).Cursors().X[0], 0.3, 0.005);
    Drag(box, plot.at(0.3, 0.4), plot.at(0.25, 0.4));
    Drag(box, plot.at(0.5, 0.2), plot.at(0.6, 0.8));
    EXPECT_NEAR(PlotOf(*win).Cursors().X[0], 0.25, 0.005);
    EXPECT_NEAR(PlotOf(*win).Cursors().X[1], 0.75, 0.005);
    EXPECT_LT(PlotOf(*win).Scales().T.RangeEnd - PlotOf(*win).Scales().T.RangeStart,
              0.2); // that one zoomed
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(PlotOf(*win).Scales().T.RangeEnd, 1);

    // The arrow key moves the active one (t1) to the next stored point.
    PlotOf(*win).Cursors().X[0] = 0.2501;
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_FLOAT_EQ(static_cast<float>(PlotOf(*win).Cursors().X[0]),
                    win->session().store().Data.T[51]);
    QTest::keyClick(box, Qt::Key_Left);
    EXPECT_FLOAT_EQ(static_cast<float>(PlotOf(*win).Cursors().X[0]),
                    win->session().store().Data.T[50]);

    // The pointer over the data names the nearest point; outside the data nothing.
    for (const double t : {0.5, 0.1, 0.95}) {
        SCOPED_TRACE(t);
        SendMouse(box, QEvent::MouseMove, plot.at(t, 0.05), Qt::NoButton, Qt::NoButton);
        EXPECT_TRUE(m.LabelZeiger->isVisible());
        const QString expected =
            QStringLiteral("t = %1 ms").arg(static_cast<int>(std::lround(t * 1000)));
        EXPECT_TRUE(m.LabelZeiger->text().startsWith(expected))
            << m.LabelZeiger->text().toStdString();
    }
    SendMouse(box, QEvent::MouseMove, QPointF(5, 5), Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(m.LabelZeiger->isVisible());

    // A wheel notch zooms time about the pointer: the cursor under it stays there, and stays
    // at its time; Backspace goes back.
    win->Timer1Timer();
    Wheel(box, QPointF(plot.logicalX(0.25), plot.at(0.25, 0.5).y()), 120);
    EXPECT_NEAR(PlotOf(*win).Scales().T.RangeEnd - PlotOf(*win).Scales().T.RangeStart, 0.8, 1e-3);
    EXPECT_NEAR(PlotOf(*win).Cursors().X[0], 0.25, 0.005);
    const double shownAt =
        (PlotOf(*win).State().Geometry.px(PlotLeftMargin) +
         PlotColumn(PlotOf(*win).Cursors().X[0], PlotOf(*win).Scales().T.RangeStart,
                    PlotOf(*win).Scales().T.RangeEnd, PlotOf(*win).Image().width())) /
        plot.ratio();
    EXPECT_NEAR(shownAt, plot.logicalX(0.25), 1.0);
    EXPECT_EQ(PlotOf(*win).Scales().A.RangeEnd, 5);
    win->Timer1Timer();
    EXPECT_TRUE(Child<TImage>(*win, "ImageUntenFull")->isVisibleTo(win.get()));
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(PlotOf(*win).Scales().T.RangeStart, 0);
    EXPECT_EQ(PlotOf(*win).Scales().T.RangeEnd, 1);
}

TEST_F(ScaledWindowTest, ReadoutBoxOpensTheMenuFoldsAndIsCopiedFromAnywhere) {
    StoreSine(*win);
    // A snapshot of the same points: two columns more.
    std::copy_n(win->session().store().Data.T, 200, win->session().store().Snap.T);
    std::copy_n(win->session().store().Data.A, 200, win->session().store().Snap.A);
    std::copy_n(win->session().store().Data.B, 200, win->session().store().Snap.B);
    win->session().store().Snap.Count = 200;
    MainCursors& m = *PlotOf(*win).Measuring();
    PlotOf(*win).Cursors().setVerticalOn(true, 0, 1);
    PlotOf(*win).Cursors().setHorizontalOn(true, 0, 5);
    m.Changed();
    win->Timer1Timer();
    ReadoutBox* box = m.LabelMesswerte;
    ASSERT_TRUE(box->isVisible());
    const QSize plot = PlotOf(*win).PlotSize();
    const auto rows = [box] { return static_cast<int>(box->rows().size()); };
    // The whole readout where it fits a third of the plot, else the cursor positions alone.
    const int shownRows = rows();
    if (2 * box->width() > plot.width() || 3 * box->height() > 2 * plot.height())
        ADD_FAILURE() << "the readout covers more than a third: " << box->width() << "x"
                      << box->height() << " of " << plot.width() << "x" << plot.height();
    // A double click folds it to the positions and opens it again.
    SendMouse(box, QEvent::MouseButtonDblClick, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton);
    const int folded = rows();
    EXPECT_NE(folded, shownRows);
    EXPECT_TRUE(std::any_of(box->rows().begin(), box->rows().end(),
                            [](const ReadoutBox::ShownRow& r) {
                                return r.Label.startsWith(QStringLiteral("y1"));
                            }));
    SendMouse(box, QEvent::MouseButtonDblClick, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton);
    EXPECT_NE(rows(), folded);

    // A right click on the box opens the plot's menu.
    const QPointF inBox(box->width() / 2.0, box->height() / 2.0);
    EXPECT_EQ(PopupsWhile([&] {
                  SendMouse(box, QEvent::MouseButtonPress, inBox, Qt::RightButton,
                            Qt::RightButton);
                  SendMouse(box, QEvent::MouseButtonRelease, inBox, Qt::RightButton,
                            Qt::NoButton);
              }),
              1);

    // Ctrl+C copies the readout whichever control has the focus; a text field copies its own
    // selection.
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
    Child<QPushButton>(*win, "ButtonTrigger")->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(Child<QPushButton>(*win, "ButtonTrigger"), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), ReadoutText(m.Table()));
    QLineEdit* edit = Child<QLineEdit>(*win, "EditFormelA");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), edit->text());
    // Without cursors there is nothing to copy: the clipboard keeps what it had.
    PlotOf(*win).Cursors().setVerticalOn(false, 0, 1);
    PlotOf(*win).Cursors().setHorizontalOn(false, 0, 5);
    m.Changed();
    Child<QPushButton>(*win, "ButtonTrigger")->setFocus();
    QTest::keyClick(Child<QPushButton>(*win, "ButtonTrigger"), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), edit->text());
}

TEST_F(ScaledWindowTest, RangeReadoutAndCursorReadoutLeaveEachOtherFree) {
    StoreSine(*win);
    MainCursors& m = *PlotOf(*win).Measuring();
    PlotOf(*win).Cursors().setVerticalOn(true, 0, 1);
    m.Changed();
    ReadoutBox* box = m.LabelMesswerte;
    ASSERT_TRUE(box->isVisible());
    // The user drags the cursor readout to where the range readout appears.
    const QPoint grip(4, 4);
    const QPoint target = Child<QPlainTextEdit>(*win, "MemoAnalysis")->geometry().center();
    SendMouse(box, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    SendMouse(box, QEvent::MouseMove, grip + target - box->pos(), Qt::NoButton, Qt::LeftButton);
    SendMouse(box, QEvent::MouseButtonRelease, grip, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(box->geometry().contains(target));

    const QPoint centre = Child<TShape>(*win, "ShapeAnalysis")->rect().center();
    SendMouse(Child<TShape>(*win, "ShapeAnalysis"), QEvent::MouseButtonPress, centre, Qt::LeftButton,
              Qt::LeftButton);
    ASSERT_TRUE(Child<QPlainTextEdit>(*win, "MemoAnalysis")->isVisible());
    EXPECT_FALSE(Child<QPlainTextEdit>(*win, "MemoAnalysis")->geometry().intersects(box->geometry()))
        << "range " << Child<QPlainTextEdit>(*win, "MemoAnalysis")->x() << ","
        << Child<QPlainTextEdit>(*win, "MemoAnalysis")->y() << " "
        << Child<QPlainTextEdit>(*win, "MemoAnalysis")->width() << "x"
        << Child<QPlainTextEdit>(*win, "MemoAnalysis")->height() << ", cursors " << box->x() << ","
        << box->y() << " " << box->width() << "x" << box->height() << " in "
        << Child<QWidget>(*win, "Panelmitte")->width() << "x"
        << Child<QWidget>(*win, "Panelmitte")->height();
    SendMouse(Child<TShape>(*win, "ShapeAnalysis"), QEvent::MouseButtonRelease, centre, Qt::LeftButton,
              Qt::NoButton);
}

// The spectrum of the demo's 1 Hz sine at 10 ms: its peak at 1 Hz on the plot and in the
// readout; the window from the menu; copying and the picture; the time plot's ranges wait.
TEST_F(ScaledWindowTest, SpectrumShowsThePeakAndLeavesTheTimePlotAsItWas) {
    for (int i = 0; i < 400; ++i) {
        win->session().store().Data.T[i] = i * 0.01f;
        win->session().store().Data.A[i] =
            static_cast<float>(2.5 + 1.5 * std::sin(2 * 3.14159265358979 * i * 0.01));
        win->session().store().Data.B[i] = 4 - i * 0.001f;
    }
    win->session().store().Data.Count = 400;
    // A further quantity of A's unit, half of A: its spectrum beside A's.
    auto half = kurvimat::signals::QuantityColumn::named(QStringLiteral("P (V)"));
    for (int i = 0; i < 400; ++i)
        half.values.push_back(0.5 * win->session().store().Data.A[i]);
    win->session().store().Data.Columns = {half};
    PlotOf(*win).Scales().T.RangeStart = 0;
    PlotOf(*win).Scales().T.RangeEnd = 4;
    PlotOf(*win).State().Changes.AxesChanged = PlotOf(*win).State().Changes.PlotDirty = true;
    win->Timer1Timer();
    const ScaleRanges timeRanges = CaptureRanges(PlotOf(*win).Scales());
    MainCursors& m = *PlotOf(*win).Measuring();

    // Reached from the keyboard like the other mode boxes.
    QCheckBox* box = Child<QCheckBox>(*win, "CheckBoxSpektrum");
    EXPECT_TRUE(box->focusPolicy() & Qt::TabFocus);
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClick(box, Qt::Key_Space);
    ASSERT_TRUE(box->isChecked());
    win->Timer1Timer();
    EXPECT_NE(&PlotOf(*win).PlotStore(), &win->session().store());
    EXPECT_TRUE(PlotOf(*win).PlotScales().Bottom->Title.startsWith(QStringLiteral("Frequenz")));
    EXPECT_EQ(PlotOf(*win).State().Cursors.XNames, CursorMarks::Names::Spectrum);
    EXPECT_NEAR(PlotOf(*win).State().Cursors.X[0], 1, 0.125);
    ASSERT_TRUE(m.LabelMesswerte->isVisible());
    const auto cell = [&](const QString& label, int column) {
        for (const ReadoutRow& r : m.Table())
            if (r.Label == label && column < r.Cells.size()) return CellText(r.Cells[column]);
        return QString();
    };
    EXPECT_EQ(cell(QStringLiteral("A"), 0), QStringLiteral("1 Hz"));
    EXPECT_EQ(cell(QStringLiteral("A"), 1), QStringLiteral("1,5 V"));
    // P's spectrum on the same frequencies: half of A's peak at 1 Hz, drawn in its colour.
    const kurvimat::acquisition::StoredPoints& spectrum = PlotOf(*win).PlotStore().Data;
    ASSERT_EQ(spectrum.Further().size(), 1u);
    for (int k = 0; k < spectrum.Count; ++k)
        if (std::fabs(spectrum.T[k] - 1) < 1e-3)
            EXPECT_NEAR(spectrum.Further()[0].values[std::size_t(k)], 0.5 * spectrum.A[k], 1e-3);
    int ofP = 0;
    for (int y = 0; y < PlotOf(*win).Image().height(); ++y)
        for (int x = 0; x < PlotOf(*win).Image().width(); ++x)
            ofP += PlotOf(*win).Image().pixel(x, y) == PaletteMask::FurtherColumn(0).Core;
    EXPECT_GT(ofP, 0);

    // On the canvas the blue curve's top is at 1 Hz.
    const QImage& canvas = Child<TPaintBox>(*win, "PaintBoxData")->Canvas();
    const PaintGeometry& g = PlotOf(*win).State().Geometry;
    const QRect plotArea(g.px(PlotLeftMargin) + 1, g.px(PlotTopMargin) + 1,
                         PlotOf(*win).Image().width() - 2, PlotOf(*win).Image().height() - 2);
    QPoint top(-1, canvas.height());
    for (int y = plotArea.top(); y <= plotArea.bottom() && top.x() < 0; ++y)
        for (int x = plotArea.left(); x <= plotArea.right(); ++x) {
            const QRgb c = canvas.pixel(x, y);
            if (qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60) {
                top = {x, y};
                break;
            }
        }
    const Tscale& f = *PlotOf(*win).PlotScales().Bottom;
    const double oneHertz = g.px(PlotLeftMargin) +
                            PlotColumn(1, f.RangeStart, f.RangeEnd, PlotOf(*win).Image().width());
    EXPECT_NEAR(top.x(), oneHertz, 3 * g.weight() + 1);

    // The rectangular window from the plot's menu.
    std::unique_ptr<QMenu> menu(m.CreateMenu());
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << a->text();
    EXPECT_EQ(captions.indexOf(QStringLiteral("Hann-Fenster")), 0);
    EXPECT_TRUE(menu->actions().at(0)->isChecked());
    EXPECT_TRUE(captions.contains(QStringLiteral("Bild kopieren")));
    EXPECT_TRUE(captions.filter(QStringLiteral("Ausgleichskurve")).isEmpty());
    menu->actions().at(1)->trigger();
    EXPECT_EQ(cell(QStringLiteral("Fenster"), 0), QStringLiteral("Rechteck"));

    // Copied and pictured as shown.
    m.CopyReadout();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), ReadoutText(m.Table()));
    win->Timer1Timer();
    const QRect plotPlace(QPoint(g.px(PlotLeftMargin), g.px(PlotTopMargin)),
                          PlotOf(*win).Image().size());
    const QImage picture = win->report().PlotPictureImage(static_cast<int>(g.Scale));
    EXPECT_EQ(picture.copy(plotPlace.adjusted(0, 0, -plotPlace.width() / 2, 0)),
              canvas.copy(plotPlace.adjusted(0, 0, -plotPlace.width() / 2, 0)));

    // A wheel notch zooms the frequency axis, not the time axis; the XY choice leaves the
    // spectrum, and the time plot has the ranges it had.
    const double span = f.RangeEnd - f.RangeStart;
    Wheel(Child<TPaintBox>(*win, "PaintBoxData"), QPointF(200, 150), 120);
    EXPECT_LT(f.RangeEnd - f.RangeStart, span);
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxBXY"), Qt::LeftButton);
    EXPECT_FALSE(box->isChecked());
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxBXY"), Qt::LeftButton);
    win->Timer1Timer();
    EXPECT_EQ(&PlotOf(*win).PlotStore(), &win->session().store());
    EXPECT_EQ(CaptureRanges(PlotOf(*win).Scales()), timeRanges);
    EXPECT_FALSE(PlotOf(*win).State().Cursors.Vertical); // no peak lines on the time plot

    // From an XY mode: one choice of all, and beneath the spectrum the time runs below again.
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxAXY"), Qt::LeftButton);
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_FALSE(Child<QCheckBox>(*win, "CheckBoxAXY")->isChecked());
    EXPECT_EQ(PlotOf(*win).Mode(), PlotMode::Spectrum);
    EXPECT_EQ(PlotOf(*win).Scales().Bottom, &PlotOf(*win).Scales().T);
}

} // namespace
