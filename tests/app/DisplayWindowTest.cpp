// The display inside the main window: streamed data reaching the plot canvas, the mouse on the
// plot and axis buttons, the plot-mode and channel boxes, the hidden analysis readout.
#include "AppTestSupport.h"
#include "CurveFit.h"
#include "ExperimentFile.h"

#include "HidPlatformVirtual.h"
#include "QuantityAxes.h"
#include "VirtualInstrument.h"
#include "dialogs/UserFitDialog.h"
#include "plot/MainCursors.h"
#include "plot/ReadoutBox.h"
#include "widgets/TPaintBox.h"
#include "window/MainInstrument.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace kurvimat::analysis;
using namespace kurvimat::display;
using namespace kurvimat::hid;

namespace {

using DisplayWindowTest = WindowTest;

// Pixels of the plot image area on the plot's canvas that are clearly channel A's blue.
int BluePlotPixels(TFormMain& win) {
    const QImage& canvas = Child<TPaintBox>(win, "PaintBoxData")->Canvas();
    const QSize plot = PlotOf(win).Image().size();
    int n = 0;
    for (int y = PlotTopMargin; y < PlotTopMargin + plot.height() && y < canvas.height(); ++y)
        for (int x = PlotLeftMargin; x < PlotLeftMargin + plot.width() && x < canvas.width(); ++x) {
            const QRgb c = canvas.pixel(x, y);
            if (qBlue(c) > 200 && qRed(c) < 100 && qGreen(c) < 100) ++n;
        }
    return n;
}

TEST_F(DisplayWindowTest, StreamedDataReachesThePlotCanvas) {
    win->Timer1Timer();
    ASSERT_GT(PlotOf(*win).Image().size().width(), 0);
    EXPECT_EQ(BluePlotPixels(*win), 0);

    auto platform = std::make_shared<HidPlatformVirtual>();
    TInstrumentLink link(*win, platform);
    platform->plug(std::make_shared<VirtualInstrument>());
    ASSERT_TRUE(QTest::qWaitFor([&] { return win->session().store().Data.Count >= 40; }, 10000));
    link.Shutdown();
    win->Timer1Timer();
    EXPECT_GT(BluePlotPixels(*win), 40);
}

TEST_F(DisplayWindowTest, StripDrawnBeforeTheFirstShowFillsItsPaintBox) {
    TFormMain hidden;
    Child<QTimer>(hidden, "TimerTakt")->stop();
    ASSERT_FALSE(hidden.isVisible());
    ASSERT_EQ(PlotOf(hidden).RawStripImage().size(),
              Child<TPaintBox>(hidden, "PaintBoxRoh")->size());
    EXPECT_EQ(Child<TPaintBox>(hidden, "PaintBoxRoh")->Canvas(),
              PlotOf(hidden).RawStripImage().toRgb32());
}

TEST_F(DisplayWindowTest, CanvasThatChangesSizeKeepsNoOldPixels) {
    win->Timer1Timer();
    for (const QSize by : {QSize(-120, -60), QSize(150, 80)}) {
        SCOPED_TRACE(by.width());
        win->resize(win->size() + by);
        QCoreApplication::processEvents();
        for (TPaintBox* box :
             {Child<TPaintBox>(*win, "PaintBoxData"), Child<TPaintBox>(*win, "PaintBoxMittel")}) {
            const QImage& canvas = box->Canvas();
            QImage white(canvas.size(), QImage::Format_RGB32);
            white.fill(Qt::white);
            EXPECT_EQ(canvas, white);
        }
        win->Timer1Timer(); // everything drawn again at the new size
    }
}

// The buttons below the plot cover none of the bottom axis's labels, in time and XY modes.
TEST_F(DisplayWindowTest, BottomAxisButtonsLeaveTheLabelsFree) {
    for (bool xy : {false, true}) {
        SCOPED_TRACE(xy ? "A as x" : "time");
        if (xy) QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxAXY"), Qt::LeftButton);
        win->Timer1Timer();
        const QImage& canvas = Child<TPaintBox>(*win, "PaintBoxData")->Canvas();
        const TRect& b = PlotOf(*win).State().BottomAxisRect;
        for (TImage* image :
             {Child<TImage>(*win, "ImageUntenAuto"), Child<TImage>(*win, "ImageUntenAutoOff"),
              Child<TImage>(*win, "ImageUntenFull"), Child<TImage>(*win, "ImageUntenFullOn")}) {
            const QRect r =
                image->geometry().translated(-Child<TPaintBox>(*win, "PaintBoxData")->pos());
            // Label ink: dark pixels below the ticks, in the button's columns.
            for (int y = b.Top + 10; y < r.top() + r.height() && y < canvas.height(); ++y)
                for (int x = std::max(r.left(), 0); x <= r.right() && x < canvas.width(); ++x)
                    if (qGray(canvas.pixel(x, y)) < 100) {
                        EXPECT_LT(y, r.top()) << "label ink under the button at " << x;
                        break;
                    }
        }
    }
}

TEST_F(DisplayWindowTest, ZoomBoxOnThePlotNarrowsTheLeftScale) {
    win->Timer1Timer();
    const double start = PlotOf(*win).Scales().Left->RangeStart,
                 end = PlotOf(*win).Scales().Left->RangeEnd;
    ASSERT_LT(start, end);
    const QSize plot = PlotOf(*win).Image().size();
    const QPoint origin(PlotLeftMargin, PlotTopMargin);
    Drag(Child<TPaintBox>(*win, "PaintBoxData"),
         origin + QPoint(plot.width() / 4, plot.height() / 4),
         origin + QPoint(plot.width() / 2, plot.height() / 2));
    const double zoomedStart = PlotOf(*win).Scales().Left->RangeStart,
                 zoomedEnd = PlotOf(*win).Scales().Left->RangeEnd;
    EXPECT_LT(zoomedEnd - zoomedStart, (end - start) * 0.5);
    EXPECT_GE(zoomedStart, start);
    EXPECT_LE(zoomedEnd, end);
    // A zoomed strip offers its full range; the button brings it back.
    win->Timer1Timer();
    EXPECT_TRUE(Child<TImage>(*win, "ImageLinksFull")->isVisible());
    EXPECT_FALSE(Child<TImage>(*win, "ImageLinksFullOn")->isVisible());
    SendMouse(Child<TImage>(*win, "ImageLinksFull"), QEvent::MouseButtonPress, QPoint(2, 2),
              Qt::LeftButton, Qt::LeftButton);
    EXPECT_GT(PlotOf(*win).Scales().Left->RangeEnd - PlotOf(*win).Scales().Left->RangeStart,
              zoomedEnd - zoomedStart);
    EXPECT_FALSE(Child<TImage>(*win, "ImageLinksFull")->isVisible());
    EXPECT_TRUE(Child<TImage>(*win, "ImageLinksFullOn")->isVisible());
}

TEST_F(DisplayWindowTest, DraggingOnTheMeanStripMovesTheTrigger) {
    TPaintBox* box = Child<TPaintBox>(*win, "PaintBoxMittel");
    const int w = box->width(), h = box->height();
    SendMouse(box, QEvent::MouseButtonPress, QPoint(w / 4, h / 4), Qt::LeftButton, Qt::LeftButton);
    const int level = win->session().store().TriggerLevel, pre = win->session().store().PreTrigger;
    EXPECT_GT(level, 512); // higher up is a higher level
    SendMouse(box, QEvent::MouseMove, QPoint(3 * w / 4, 3 * h / 4), Qt::NoButton, Qt::LeftButton);
    EXPECT_LT(win->session().store().TriggerLevel, 512);
    EXPECT_GT(win->session().store().PreTrigger, pre);
    SendMouse(box, QEvent::MouseButtonRelease, QPoint(3 * w / 4, 3 * h / 4), Qt::LeftButton,
              Qt::NoButton);
    // Once released, moving over the strip leaves the trigger alone.
    const int released = win->session().store().TriggerLevel;
    SendMouse(box, QEvent::MouseMove, QPoint(w / 4, h / 4), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(win->session().store().TriggerLevel, released);
}

Tscale* ScaleNamed(const ScaleSet& s, char name) {
    return name == 'A' ? &s.A : name == 'B' ? &s.B : name == 'T' ? &s.T : &s.X;
}

TEST_F(DisplayWindowTest, XyBoxesChooseTheStripsAndExcludeEachOther) {
    struct Row {
        const char* name;
        std::vector<bool> clickB; // true: click "Kanal B als x", false: "Kanal A als x"
        bool bxy, axy;
        char left, right, bottom; // the scale each strip shows: A, B, T or X
    };
    const Row rows[] = {
        {"B as x", {true}, true, false, 'A', 'X', 'B'},
        {"A as x", {false}, false, true, 'X', 'B', 'A'},
        {"A after B", {true, false}, false, true, 'X', 'B', 'A'},
        {"B twice", {true, true}, false, false, 'A', 'B', 'T'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CreateWindows();
        for (bool b : row.clickB)
            QTest::mouseClick(b ? Child<QCheckBox>(*win, "CheckBoxBXY")
                                : Child<QCheckBox>(*win, "CheckBoxAXY"),
                              Qt::LeftButton);
        EXPECT_EQ(Child<QCheckBox>(*win, "CheckBoxBXY")->isChecked(), row.bxy);
        EXPECT_EQ(Child<QCheckBox>(*win, "CheckBoxAXY")->isChecked(), row.axy);
        EXPECT_EQ(PlotOf(*win).Scales().Left, ScaleNamed(PlotOf(*win).Scales(), row.left));
        EXPECT_EQ(PlotOf(*win).Scales().Right, ScaleNamed(PlotOf(*win).Scales(), row.right));
        EXPECT_EQ(PlotOf(*win).Scales().Bottom, ScaleNamed(PlotOf(*win).Scales(), row.bottom));
    }
}

TEST_F(DisplayWindowTest, OneChannelStaysShown) {
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxKanalA"), Qt::LeftButton);
    EXPECT_FALSE(Child<QCheckBox>(*win, "CheckBoxKanalA")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(*win, "CheckBoxKanalB")->isChecked());
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxKanalB"), Qt::LeftButton);
    EXPECT_FALSE(Child<QCheckBox>(*win, "CheckBoxKanalB")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(*win, "CheckBoxKanalA")->isChecked());
}

// P = U·I of recorded points: with B not shown, the right axis is P's, titled in its colour,
// and the curve is drawn; with B shown again, B's axis comes back and P has one of its own.
TEST_F(DisplayWindowTest, AQuantityTakesTheRightAxisWhileBIsHidden) {
    RecordSweep(*win, 600, 300);
    ASSERT_FALSE(win->session().setQuantities(
        {{QStringLiteral("P"), QStringLiteral("W"), QStringLiteral("A*B")}}, {}));
    const auto curvePixels = [this] {
        const IndexedImage& image = PlotOf(*win).Image();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == PaletteMask::FurtherColumn(0).Core;
        return n;
    };
    win->Timer1Timer();
    const QString titleB = PlotOf(*win).Scales().B.Title;
    EXPECT_EQ(PlotOf(*win).State().ExtraAxes, 1);
    EXPECT_GT(curvePixels(), 0);
    for (const bool hidden : {true, false}) {
        QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxKanalB"), Qt::LeftButton);
        win->Timer1Timer();
        EXPECT_EQ(PlotOf(*win).Scales().B.Title,
                  hidden ? kurvimat::signals::SignalTitle(QStringLiteral("P"), QStringLiteral("W")) : titleB);
        EXPECT_EQ(PlotOf(*win).State().ExtraAxes, hidden ? 0 : 1);
        EXPECT_GT(curvePixels(), 0);
    }

    // P fitted with a line over time: the least-squares line of its values, drawn in P's dark
    // shade while P is drawn, and kept in the experiment by P's header.
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxKanalB"), Qt::LeftButton);
    QMenu* fits = Child<QMenu>(*win, "MenuAusgleichskurve");
    emit fits->aboutToShow();
    QStringList captions;
    for (QAction* a : fits->actions())
        captions << a->text();
    EXPECT_TRUE(captions.contains(QStringLiteral("Ausgleichskurve P in W"))) << captions.join('|').toStdString();
    const kurvimat::acquisition::StoredPoints& data = win->session().store().Data;
    const std::vector<double>& p = data.Further()[0].values;
    double st = 0, sp = 0, stt = 0, stp = 0;
    const int n = data.Count;
    for (int i = 0; i < n; ++i) {
        st += data.T[i], sp += p[std::size_t(i)];
        stt += double(data.T[i]) * data.T[i], stp += double(data.T[i]) * p[std::size_t(i)];
    }
    const double slope = (n * stp - st * sp) / (n * stt - st * st);
    win->report().FitColumnOnPlot(0, FitModel::Linear, data.T[0], data.T[n - 1]);
    ASSERT_TRUE(PlotOf(*win).ShownFit() && PlotOf(*win).ShownFit()->Result.Converged);
    const FitResult& line = PlotOf(*win).ShownFit()->Result;
    EXPECT_NEAR(FitValue(line, 1) - FitValue(line, 0), slope, 1e-9 * std::fabs(slope) + 1e-12);
    win->RefreshDisplay();
    int shaded = 0;
    const IndexedImage& image = PlotOf(*win).Image();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            shaded += image.pixel(x, y) == PaletteMask::FurtherFit(0);
    EXPECT_GT(shaded, 0);
    const auto kept = win->experiments().CurrentExperiment().settings;
    ASSERT_TRUE(kept.count(QLatin1String(kurvimat::session::setting::ColumnFit)));
    EXPECT_TRUE(std::get<QString>(kept.at(QLatin1String(kurvimat::session::setting::ColumnFit)))
                    .startsWith(data.Further()[0].header + u'\t'));

    // Ansicht ▸ Rechte Achse: B or a quantity of another unit than A's, by hand; kept by header.
    ASSERT_FALSE(win->session().setQuantities(
        {{QStringLiteral("P"), QStringLiteral("W"), QStringLiteral("A*B")},
         {QStringLiteral("G"), QStringLiteral("S"), QStringLiteral("B/A")}},
        {}));
    QMenu* right = Child<QMenu>(*win, "MenuRechteAchse");
    const auto pick = [&](const QString& caption) {
        emit right->aboutToShow();
        for (QAction* a : right->actions())
            if (a->text() == caption) return a->trigger(), true;
        return false;
    };
    for (const auto& [caption, title] :
         {std::pair(QStringLiteral("G in S"), kurvimat::signals::SignalTitle(QStringLiteral("G"), QStringLiteral("S"))),
          std::pair(QStringLiteral("P in W"), kurvimat::signals::SignalTitle(QStringLiteral("P"), QStringLiteral("W"))),
          std::pair(QStringLiteral("Kanal B"), titleB)}) {
        ASSERT_TRUE(pick(caption)) << caption.toStdString();
        win->Timer1Timer();
        EXPECT_EQ(PlotOf(*win).Scales().B.Title, title) << caption.toStdString();
        emit right->aboutToShow();
        for (QAction* a : right->actions())
            EXPECT_EQ(a->isChecked(), a->text() == caption) << a->text().toStdString();
    }
    ASSERT_TRUE(pick(QStringLiteral("G in S")));
    EXPECT_FALSE(Child<QCheckBox>(*win, "CheckBoxKanalB")->isChecked());
    EXPECT_EQ(std::get<QString>(win->experiments().CurrentExperiment().settings.at(
                  QLatin1String(kurvimat::session::setting::RightAxis))),
              QStringLiteral("G (S)"));

    // Both come back from the file: the axis's quantity, and the fit of P by its header.
    win->report().FitColumnOnPlot(0, FitModel::Linear, data.T[0], data.T[n - 1]);
    const QString path = dir.filePath(QStringLiteral("achsen.kurvimat"));
    ASSERT_TRUE(win->experiments().SaveExperiment(path));
    ASSERT_TRUE(pick(QStringLiteral("P in W")));
    win->report().RemoveFit();
    ASSERT_TRUE(win->experiments().OpenExperiment(path));
    win->Timer1Timer();
    EXPECT_EQ(PlotOf(*win).Scales().B.Title,
              kurvimat::signals::SignalTitle(QStringLiteral("G"), QStringLiteral("S")));
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    EXPECT_EQ(PlotOf(*win).ShownFit()->Column, 0);
    EXPECT_NEAR(FitValue(PlotOf(*win).ShownFit()->Result, 1) - FitValue(PlotOf(*win).ShownFit()->Result, 0),
                slope, 1e-9 * std::fabs(slope) + 1e-12);
}

// A position s read from a text, v = ABL(s;T), a_ = ABL(v;T), j = ABL(a_;T): s on the left, v on
// the right, a_ and j on axes of their own; a_'s in its colour over its values, with its curve,
// its fit, its readout, in the picture and in print. Without them, plot, buttons, canvas and
// picture are as before.
TEST_F(DisplayWindowTest, AThirdUnitGetsAnAxisOfItsOwn) {
    QString text = QStringLiteral("t in s\ts in m\r\n");
    for (int i = 0; i <= 40; ++i) // s = 0.2 + 0.8 t + 0.75 t²: a_ is 1.5, 0.75 at the ends
        text += QStringLiteral("%1\t%2\r\n").arg(i / 10.0).arg(0.2 + 0.08 * i + 0.0075 * i * i);
    QGuiApplication::clipboard()->setText(text.replace(u'.', u','));
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonDatenEinfuegen"), Qt::LeftButton);
    win->Timer1Timer();
    const QSize plainPlot = PlotOf(*win).Image().size();
    const QImage plain = win->report().PlotPictureImage(2);
    const QImage& canvas = Child<TPaintBox>(*win, "PaintBoxData")->Canvas();
    const QImage plainCanvas = canvas.copy();
    Tscale& right = PlotOf(*win).Scales().B;
    const std::pair rightRange(right.RangeStart, right.RangeEnd);
    const int buttonX = Child<TImage>(*win, "ImageRechtsAuto")->x();
    const auto q = [](const char* text) { return QString::fromUtf8(text); };
    ASSERT_FALSE(win->session().setQuantities({{q("v"), q("m/s"), q("ABL(s;T)")},
                                               {q("a_"), q("m/s²"), q("ABL(v;T)")},
                                               {q("j"), q("m/s³"), q("ABL(a_;T)")}},
                                              {}));
    win->Timer1Timer();
    const DisplayState& state = PlotOf(*win).State();
    const Tscale& axis = state.ExtraScales[0];
    ASSERT_EQ(state.ExtraAxes, 2); // a_, then the jerk j
    EXPECT_EQ(right.Title, kurvimat::signals::SignalTitle(q("v"), q("m/s")));
    EXPECT_EQ(axis.Title, kurvimat::signals::SignalTitle(q("a_"), q("m/s²")));
    EXPECT_EQ(axis.TitleColor,
              QColor(PlotOf(*win).Colours().rgb(PaletteMask::FurtherColumn(1).Core)));
    EXPECT_NEAR(axis.RangeStart, 0.7, 1e-6); // 0.75 out to a step of 0.1
    EXPECT_NEAR(axis.RangeEnd, 1.5, 1e-6);
    const IndexedImage& image = PlotOf(*win).Image();
    EXPECT_EQ(image.width(), plainPlot.width() - 2 * ExtraAxisWidth);
    EXPECT_EQ(Child<TImage>(*win, "ImageRechtsAuto")->x(), buttonX - 2 * ExtraAxisWidth);
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            drawn += image.pixel(x, y) == PaletteMask::FurtherColumn(1).Core;
    EXPECT_GT(drawn, image.width() / 2);

    // A line through a_: drawn along its values on a_'s axis; the readout gives a_ in m/s².
    win->report().FitColumnOnPlot(1, FitModel::Linear, 0, 4);
    ASSERT_TRUE(PlotOf(*win).ShownFit() && PlotOf(*win).ShownFit()->Result.Converged);
    PlotOf(*win).Cursors().setVerticalOn(true, 0, 4);
    win->Timer1Timer();
    EXPECT_TRUE(ReadoutText(PlotOf(*win).Measuring()->Table()).contains(q("m/s²")));
    PlotOf(*win).Cursors().setVerticalOn(false, 0, 4);
    win->Timer1Timer();
    const Tscale& time = PlotOf(*win).Scales().T;
    int along = 0;
    for (int x = int(PlotColumn(0, time.RangeStart, time.RangeEnd, image.width())),
             end = int(PlotColumn(4, time.RangeStart, time.RangeEnd, image.width()));
         x < end; ++x) {
        const double t =
            time.RangeStart + (x - 1) * (time.RangeEnd - time.RangeStart) / (image.width() - 3);
        const int row = int(PlotRow(FitValue(PlotOf(*win).ShownFit()->Result, t), axis.RangeStart,
                                    axis.RangeEnd, image.height()));
        for (int y = std::max(0, row - 2); y <= row + 2; ++y)
            along += image.pixel(x, y) == PaletteMask::FurtherFit(1);
    }
    EXPECT_GT(along, image.width() / 2);
    int titled = 0; // the axis in the picture at 2x, right of v's
    const QImage twice = win->report().PlotPictureImage(2);
    for (int y = 0; y < twice.height(); ++y)
        for (int x = 2 * axis.Bounds.Left; x < 2 * axis.Bounds.Right; ++x)
            titled += twice.pixel(x, y) == axis.TitleColor.rgb();
    EXPECT_GT(titled, 40);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("drei-achsen.pdf")));
    EXPECT_TRUE(win->report().PrintPlot(printer));

    win->report().RemoveFit();
    ASSERT_FALSE(win->session().setQuantities({}, {}));
    win->Timer1Timer();
    EXPECT_EQ(state.ExtraAxes, 0);
    EXPECT_EQ(PlotOf(*win).Image().size(), plainPlot);
    EXPECT_EQ(Child<TImage>(*win, "ImageRechtsAuto")->x(), buttonX);
    right.RangeStart = rightRange.first, right.RangeEnd = rightRange.second; // v widened it
    PlotOf(*win).PlotChanges().AxesChanged = PlotOf(*win).PlotChanges().PlotDirty = true;
    win->Timer1Timer();
    EXPECT_TRUE(canvas == plainCanvas);
    EXPECT_TRUE(win->report().PlotPictureImage(2) == plain);
}

// T² over l: a calculated quantity over a read one, sorted by x, fitted by a line over x (the
// least-squares slope in s²/m); the choice is kept in the file; x = t is the time plot again.
TEST_F(DisplayWindowTest, QuantitiesOverAQuantity) {
    const double l[] = {0.8, 0.2, 0.6, 0.4, 1.0}, period[] = {1.80, 0.90, 1.55, 1.27, 2.01};
    QString text = QStringLiteral("t in s\tl in m\tT in s\r\n");
    for (int i = 0; i < 5; ++i)
        text += QStringLiteral("%1\t%2\t%3\r\n").arg(i).arg(l[i]).arg(period[i]).replace(u'.', u',');
    QGuiApplication::clipboard()->setText(text);
    QTest::mouseClick(Child<QPushButton>(*win, "ButtonDatenEinfuegen"), Qt::LeftButton);
    ASSERT_EQ(win->session().store().Data.Count, 5);
    ASSERT_FALSE(win->session().setQuantities(
        {{QStringLiteral("T2"), QStringLiteral("s^2"), QStringLiteral("B^2")},
         {QStringLiteral("T3"), QStringLiteral("s^2"), QStringLiteral("2*B^2")}}, {}));
    const std::vector<QuantityRef> refs = QuantityRefs(win->session().store().Data);
    ASSERT_EQ(refs.size(), 5u);
    win->ShowQuantities({QStringLiteral("A"), refs[3].Key, {}, {}});
    win->Timer1Timer();
    const kurvimat::acquisition::StoredPoints& shown = PlotOf(*win).PlotStore().Data;
    ASSERT_EQ(shown.Count, 5);
    EXPECT_TRUE(std::is_sorted(shown.T, shown.T + 5));
    EXPECT_FLOAT_EQ(shown.A[0], float(0.90 * 0.90));
    EXPECT_EQ(PlotOf(*win).PlotScales().Bottom->Title, refs[1].Title());
    EXPECT_EQ(PlotOf(*win).PlotScales().Left->Title, refs[3].Title());

    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < 5; ++i) {
        const double y = period[i] * period[i];
        sx += l[i], sy += y, sxx += l[i] * l[i], sxy += l[i] * y;
    }
    const double slope = (5 * sxy - sx * sy) / (5 * sxx - sx * sx);
    win->report().FitOnPlot(false, FitModel::Linear, 0, 2);
    ASSERT_TRUE(PlotOf(*win).ShownFit() && PlotOf(*win).ShownFit()->Result.Converged);
    const FitResult& line = PlotOf(*win).ShownFit()->Result;
    EXPECT_NEAR(FitValue(line, 1) - FitValue(line, 0), slope, 1e-5 * slope);
    const QStringList readout = PlotFitReadout(*PlotOf(*win).ShownFit(), PlotOf(*win).PlotStore());
    ASSERT_GE(readout.size(), 3);
    EXPECT_EQ(readout[1], QStringLiteral("y = a·x + b"));
    EXPECT_TRUE(readout[2].contains(QStringLiteral("s^2/m"))) << readout[2].toStdString();
    // Cursors of its own along x: the slope of T² between them in s²/m, near the fitted one.
    Child<QAction>(*win, "ActionZeitcursor")->trigger();
    EXPECT_FALSE(PlotOf(*win).Cursors().VerticalOn); // the time plot's wait
    const ReadoutTable cursors = Child<MainCursors>(*win, "Measuring")->Table();
    const auto rowOf = [&cursors](const QString& label) {
        const auto it = std::find_if(cursors.begin(), cursors.end(),
                                     [&](const ReadoutRow& r) { return r.Label == label; });
        return it == cursors.end() ? ReadoutRow{} : *it;
    };
    ASSERT_EQ(rowOf(QStringLiteral("x1")).Cells.size(), 1);
    EXPECT_EQ(rowOf(QStringLiteral("x1")).Cells[0].Unit, QStringLiteral("m"));
    const ReadoutRow secant = rowOf(QStringLiteral("Steigung \u0394y/\u0394x"));
    ASSERT_FALSE(secant.Cells.isEmpty());
    EXPECT_EQ(secant.Cells[0].Unit, QStringLiteral("s^2/m"));
    ASSERT_TRUE(secant.Cells[0].Value.has_value());
    EXPECT_NEAR(*secant.Cells[0].Value, slope, 0.1 * slope);
    win->RefreshDisplay();
    int fitted = 0;
    const IndexedImage& image = PlotOf(*win).Image();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            fitted += image.pixel(x, y) == PaletteMask::FitA;
    EXPECT_GT(fitted, 0);

    const QString path = dir.filePath(QStringLiteral("pendel.kurvimat"));
    ASSERT_TRUE(win->experiments().SaveExperiment(path));
    const auto kept = win->experiments().CurrentExperiment().settings;
    win->ShowQuantities({QStringLiteral("t"), {}, {}, {}});
    EXPECT_EQ(win->session().view().mode, PlotMode::Normal);
    EXPECT_EQ(PlotOf(*win).PlotScales().Bottom, &PlotOf(*win).Scales().T);
    ASSERT_TRUE(win->experiments().OpenExperiment(path));
    win->Timer1Timer();
    EXPECT_EQ(win->session().view().mode, PlotMode::Quantities);
    EXPECT_EQ(PlotOf(*win).PlotScales().Left->Title, refs[3].Title());
    // The fit comes back with it, and a second save keeps what the first one did.
    ASSERT_TRUE(PlotOf(*win).ShownFit() && PlotOf(*win).ShownFit()->Mode == PlotMode::Quantities);
    EXPECT_NEAR(FitValue(PlotOf(*win).ShownFit()->Result, 1) - FitValue(PlotOf(*win).ShownFit()->Result, 0),
                slope, 1e-5 * slope);
    const auto again = win->experiments().CurrentExperiment().settings;
    for (const char* key : {kurvimat::session::setting::MoreFits, kurvimat::session::setting::QuantityAxes})
        EXPECT_EQ(again.at(QLatin1String(key)), kept.at(QLatin1String(key))) << key;
    const QString copy = dir.filePath(QStringLiteral("pendel2.kurvimat"));
    ASSERT_TRUE(win->experiments().SaveExperiment(copy));
    EXPECT_EQ(ReadFile(copy), ReadFile(path));

    // A second quantity of T2's unit shares its axis, drawn in its own colour.
    win->ShowQuantities({QStringLiteral("A"), refs[3].Key, {}, {refs[4].Key}});
    win->Timer1Timer();
    win->RefreshDisplay();
    int second = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            second += image.pixel(x, y) == PaletteMask::FurtherColumn(0).Core;
    EXPECT_GT(second, 0);
}

TEST_F(DisplayWindowTest, TimeInMinutesRetitlesTheTimeAxis) {
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxMinuten"), Qt::LeftButton);
    EXPECT_EQ(PlotOf(*win).Scales().T.Title, TimeTitleMinutes());
    QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxMinuten"), Qt::LeftButton);
    EXPECT_EQ(PlotOf(*win).Scales().T.Title, TimeTitleSeconds());
}

TEST_F(DisplayWindowTest, HotSpotShowsTheReadoutWhileHeld) {
    win->Timer1Timer();
    const QPoint centre = Child<TShape>(*win, "ShapeAnalysis")->rect().center();
    SendMouse(Child<TShape>(*win, "ShapeAnalysis"), QEvent::MouseButtonPress, centre, Qt::LeftButton,
              Qt::LeftButton);
    EXPECT_TRUE(Child<QPlainTextEdit>(*win, "MemoAnalysis")->isVisible());
    EXPECT_EQ(
        Child<QPlainTextEdit>(*win, "MemoAnalysis")->toPlainText(),
        AnalysisLines(PlotOf(*win).Scales().A, PlotOf(*win).Scales().B).join(QLatin1Char('\n')));
    EXPECT_EQ(Child<QPlainTextEdit>(*win, "MemoAnalysis")->verticalScrollBar()->maximum(),
              0); // all eight lines in view
    EXPECT_EQ(Child<QPlainTextEdit>(*win, "MemoAnalysis")->horizontalScrollBar()->maximum(), 0);
    SendMouse(Child<TShape>(*win, "ShapeAnalysis"), QEvent::MouseButtonRelease, centre, Qt::LeftButton,
              Qt::NoButton);
    EXPECT_FALSE(Child<QPlainTextEdit>(*win, "MemoAnalysis")->isVisible());

    // The hidden button toggles the same readout.
    Child<QPushButton>(*win, "ButtonAnalyse")->click();
    EXPECT_TRUE(Child<QPlainTextEdit>(*win, "MemoAnalysis")->isVisible());
    Child<QPushButton>(*win, "ButtonAnalyse")->click();
    EXPECT_FALSE(Child<QPlainTextEdit>(*win, "MemoAnalysis")->isVisible());
}

// Stored points of a cooling on B (0.8 V + 3.2 V·e^(-t/120 s)) and a line on A, as a finished
// sweep leaves them.
void StoreCooling(TFormMain& win, int count) {
    for (int i = 0; i < count; ++i) {
        const float t = 0.5f * static_cast<float>(i);
        win.session().store().Data.T[i] = t;
        win.session().store().Data.A[i] = 0.01f * t;
        win.session().store().Data.B[i] = static_cast<float>(0.8 + 3.2 * std::exp(-t / 120.0));
    }
    win.session().store().Data.Count = count;
    PlotOf(win).State().Changes.PlotDirty = true;
}

// Pixels of the plot image that only the fitted curve of B and its readout produce.
int FitPixelsOfB(const TFormMain& win) {
    // The plot found once: a search by name for each pixel took most of the test's time.
    const IndexedImage& image = PlotOf(win).Image();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == PaletteIndex::FitTextB;
    return n;
}

TEST_F(DisplayWindowTest, FitOfTheCoolingIsDrawnUntilTheDataChange) {
    StoreCooling(*win, 500);
    win->RefreshDisplay();
    EXPECT_EQ(FitPixelsOfB(*win), 0);

    win->report().FitOnPlot(true, FitModel::Exponential, 0, 250);
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    EXPECT_NEAR(PlotOf(*win).ShownFit()->Result.P[2], 120, 0.1);
    win->RefreshDisplay();
    const int fitted = FitPixelsOfB(*win);
    EXPECT_GT(fitted, PlotOf(*win).Image().width());
    // Its box follows "Zeit in min" (τ in minutes) without a new fit, and back.
    for (const int expected : {-1, fitted}) {
        QTest::mouseClick(Child<QCheckBox>(*win, "CheckBoxMinuten"), Qt::LeftButton);
        win->RefreshDisplay();
        if (expected < 0) EXPECT_NE(FitPixelsOfB(*win), fitted);
        else EXPECT_EQ(FitPixelsOfB(*win), expected);
    }
    // The picture carries the fit as well.
    const QImage picture = win->report().PlotPictureImage(1);
    EXPECT_EQ(picture.copy(QRect({PlotLeftMargin, PlotTopMargin}, PlotOf(*win).Image().size())),
              Child<TPaintBox>(*win, "PaintBoxData")
                  ->Canvas()
                  .copy(QRect({PlotLeftMargin, PlotTopMargin}, PlotOf(*win).Image().size())));

    // Values re-evaluated under another definition, or a new point: the fit no longer belongs
    // to the data and goes.
    win->session().store().Data.B[100] += 0.25f;
    PlotOf(*win).State().Changes.PlotDirty = true;
    win->RefreshDisplay();
    EXPECT_EQ(FitPixelsOfB(*win), 0);
    EXPECT_FALSE(PlotOf(*win).ShownFit().has_value());
    win->report().FitOnPlot(true, FitModel::Exponential, 0, 250);
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    StoreCooling(*win, 501);
    win->RefreshDisplay();
    EXPECT_EQ(FitPixelsOfB(*win), 0);
    EXPECT_FALSE(PlotOf(*win).ShownFit().has_value());

    // Made while a sweep runs: of the points so far, kept while the sweep adds more, and said.
    StoreCooling(*win, 300);
    win->session().store().TriggerPos = 0;
    win->report().FitOnPlot(true, FitModel::Exponential, 0, 250);
    StoreCooling(*win, 400);
    win->RefreshDisplay();
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    EXPECT_GT(FitPixelsOfB(*win), PlotOf(*win).Image().width());
    const QStringList readout = PlotFitReadout(*PlotOf(*win).ShownFit(), win->session().store());
    EXPECT_TRUE(readout.contains(QStringLiteral("300 Messpunkte")));
    EXPECT_TRUE(readout.last().startsWith(QStringLiteral("während der Messung")));
    win->session().store().Data.B[10] += 0.25f;
    win->RefreshDisplay();
    EXPECT_FALSE(PlotOf(*win).ShownFit().has_value());
    win->session().store().TriggerPos = -1;

    // Two points cannot carry an exponential: said once, nothing drawn.
    win->report().FitOnPlot(true, FitModel::Exponential, 0, 0.5);
    EXPECT_FALSE(PlotOf(*win).ShownFit().has_value());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("Zu wenige Messpunkte")));
}

// The fit menus list every model of the table; "Eigene Funktion …" asks for the formula, keeps
// the dialog open with the reason while it is refused, and fits what it is given.
TEST_F(DisplayWindowTest, OwnFunctionIsAskedForAndFitted) {
    StoreCooling(*win, 500);
    win->RefreshDisplay();
    win->UpdateMenuActions();
    QAction* own = nullptr;
    QStringList texts;
    for (QAction* a : Child<QMenu>(*win, "MenuFitB")->actions()) {
        texts << a->text();
        if (a->text().startsWith(QStringLiteral("Eigene Funktion"))) own = a;
    }
    for (const char* entry : {"Parabel  y = a·t² + b·t + c", "Potenzfunktion  y = a·tⁿ",
                              "Eigene Funktion …  y = f(x)"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(entry))) << entry;
    ASSERT_NE(own, nullptr);
    // Fitted over the visible span.
    PlotOf(*win).Scales().Bottom->RangeStart = 0;
    PlotOf(*win).Scales().Bottom->RangeEnd = 250;
    own->trigger();
    auto* dialog = win->findChild<UserFitDialog*>(QStringLiteral("FormEigeneFunktion"));
    ASSERT_NE(dialog, nullptr);
    Child<QLineEdit>(*dialog, "EditFunktion")->setText(QStringLiteral("a+b*EXP(-x/tau"));
    const std::pair<const char*, const char*> rows[] = {{"a", "1"}, {"b", "2,5"}, {"tau", "100"}};
    for (int k = 0; k < 3; ++k) {
        dialog->findChild<QLineEdit*>(QStringLiteral("EditName%1").arg(k + 1))
            ->setText(rows[k].first);
        dialog->findChild<QLineEdit*>(QStringLiteral("EditStart%1").arg(k + 1))
            ->setText(rows[k].second);
    }
    dialog->accept();
    EXPECT_FALSE(dialog->isHidden());
    EXPECT_TRUE(Child<QLabel>(*dialog, "LabelFehler")->text().startsWith("Klammer fehlt"));
    EXPECT_FALSE(PlotOf(*win).ShownFit().has_value());
    Child<QLineEdit>(*dialog, "EditFunktion")->setText(QStringLiteral("a+b*EXP(-x/tau)"));
    dialog->accept();
    EXPECT_EQ(dialogs.errors, QStringList());
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    const FitResult& fit = PlotOf(*win).ShownFit()->Result;
    EXPECT_EQ(fit.Model, FitModel::User);
    ASSERT_EQ(fit.ParameterCount, 3);
    EXPECT_NEAR(fit.P[0], 0.8, 1e-3);
    EXPECT_NEAR(fit.P[1], 3.2, 1e-3);
    EXPECT_NEAR(fit.P[2], 120, 0.1);
    win->RefreshDisplay();
    EXPECT_GT(FitPixelsOfB(*win), PlotOf(*win).Image().width());
    // An experiment keeps the formula with its names and start values.
    const auto settings = win->experiments().CurrentExperiment().settings;
    const auto kept = kurvimat::session::readFitSetting(
        std::get<QString>(settings.at(QString::fromLatin1(kurvimat::session::setting::Fit))));
    ASSERT_TRUE(kept && kept->user);
    EXPECT_EQ(kept->model, FitModel::User);
    EXPECT_EQ(*kept->user, (UserFitModel{QStringLiteral("a+b*EXP(-x/tau)"),
                                         {QStringLiteral("a"), QStringLiteral("b"),
                                          QStringLiteral("tau")},
                                         {1, 2.5, 100}}));
}

TEST_F(DisplayWindowTest, PictureIsCopiedSavedAndPrinted) {
    StoreCooling(*win, 300);
    win->RefreshDisplay();
    const QSize box = Child<TPaintBox>(*win, "PaintBoxData")->size();

    Child<QAction>(*win, "ActionBildKopieren")->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), box);

    // ".png" is appended when the name has none; the size is the one chosen.
    dialogs.saveName = dir.filePath(QStringLiteral("Abkühlung"));
    Child<QMenu>(*win, "MenuBildSpeichern")->actions().at(1)->trigger();
    QImageReader saved(dir.filePath(QStringLiteral("Abkühlung.png")));
    EXPECT_EQ(saved.format(), "png");
    EXPECT_EQ(saved.size(), box * 2);
    dialogs.saveName = dir.filePath(QStringLiteral("fehlt/bild.PNG"));
    Child<QMenu>(*win, "MenuBildSpeichern")->actions().at(0)->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("Datei \"")));
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("bild.PNG\" kann nicht erstellt")));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("druck.pdf")));
    EXPECT_TRUE(win->report().PrintPlot(printer));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_TRUE(ReadFile(printer.outputFileName()).startsWith("%PDF"));
}

TEST_F(DisplayWindowTest, TitleAndNotesAreMovedUndoneAndDrawnInPicturesAndPrint) {
    StoreCooling(*win, 300);
    win->RefreshDisplay();
    PlotReport& report = win->report();
    const QImage plain = report.PlotPictureImage(2);
    dialogs.typedText = QStringLiteral("Abkühlung von Wasser");
    Child<QAction>(*win, "ActionTitel")->trigger();
    dialogs.typedText = QStringLiteral("  Raumtemperatur 21 °C\n ");
    Child<QAction>(*win, "ActionNotiz")->trigger();
    const kurvimat::session::PlotNotes& notes = win->session().notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_TRUE(notes[0].title);
    EXPECT_EQ(notes[1].text, QStringLiteral("Raumtemperatur 21 °C"));
    ASSERT_EQ(report.Notes().Boxes().size(), 2u);

    // Drawn into the picture where the window shows them, at the picture's scale.
    const QImage noted = report.PlotPictureImage(2);
    ASSERT_EQ(noted.size(), plain.size());
    for (const QPointer<QWidget>& box : report.Notes().Boxes()) {
        const QRect at(box->geometry().topLeft() * 2, box->size() * 2);
        EXPECT_NE(noted.copy(at), plain.copy(at)) << box->objectName().toStdString();
    }

    // Dragged: the note stands where it was dropped, as a fraction of the plot; undo puts it back.
    QWidget* note = report.Notes().Boxes()[1];
    const double x = notes[1].x;
    const QPoint from = note->pos();
    QTest::mousePress(note, Qt::LeftButton, {}, QPoint(3, 3));
    QMouseEvent drag(QEvent::MouseMove, QPointF(43, 23), note->mapToGlobal(QPointF(43, 23)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(note, &drag);
    QTest::mouseRelease(note, Qt::LeftButton, {}, QPoint(43, 23));
    const QSize canvas = Child<TPaintBox>(*win, "PaintBoxData")->size();
    EXPECT_DOUBLE_EQ(notes[1].x, double(from.x() + 40) / canvas.width());
    EXPECT_DOUBLE_EQ(notes[1].y, double(from.y() + 20) / canvas.height());
    win->UpdateMenuActions();
    EXPECT_EQ(Child<QAction>(*win, "ActionRueckgaengig")->text(),
              QStringLiteral("&Rückgängig: Notizen ändern"));
    Child<QAction>(*win, "ActionRueckgaengig")->trigger();
    EXPECT_EQ(notes[1].x, x);
    EXPECT_EQ(report.Notes().Boxes()[1]->pos(), from);

    // Printed with the title at the top; an empty text takes a note away.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("bericht.pdf")));
    EXPECT_TRUE(report.PrintPlot(printer));
    Child<QCheckBox>(*win, "CheckBoxKanalB")->setChecked(false);
    EXPECT_TRUE(report.PrintPlot(printer)); // the right axis left out
    dialogs.typedText = QString();
    report.Notes().EditNote(1);
    EXPECT_EQ(dialogs.shownText, QStringLiteral("Raumtemperatur 21 °C"));
    EXPECT_EQ(notes.size(), 1u);
}

TEST_F(DisplayWindowTest, ContextMenuOffersTheFitsOfTheMode) {
    StoreCooling(*win, 100);
    const auto captions = [this] {
        const std::unique_ptr<QMenu> menu(PlotOf(*win).Measuring()->CreateMenu());
        QStringList out;
        for (QAction* a : menu->actions())
            out << a->text();
        return out;
    };
    QStringList normal = captions();
    // The plot has one menu: the cursors' entries, then the report's.
    std::unique_ptr<QMenu> plotMenu(PlotOf(*win).Measuring()->CreateMenu());
    QStringList both;
    for (QAction* a : plotMenu->actions())
        both << a->text();
    EXPECT_EQ(both.indexOf(QStringLiteral("Zeitcursor t1, t2")), 0);
    EXPECT_GT(both.indexOf(QStringLiteral("Bild kopieren")), both.indexOf(QStringLiteral("Zeitcursor t1, t2")));
    EXPECT_EQ(both.filter(QStringLiteral("Ausgleichskurve B")).size(), 1);
    // A right click opens it once.
    win->show();
    const QPoint inPlot(PlotLeftMargin + 100, PlotTopMargin + 100);
    EXPECT_EQ(PopupsWhile([&] {
                  SendMouse(Child<TPaintBox>(*win, "PaintBoxData"), QEvent::MouseButtonPress,
                            inPlot, Qt::RightButton, Qt::RightButton);
                  SendMouse(Child<TPaintBox>(*win, "PaintBoxData"), QEvent::MouseButtonRelease,
                            inPlot, Qt::RightButton, Qt::NoButton);
              }),
              1);

    // With the time cursors on, the fit runs between them: 10 s .. 40 s of the cooling.
    PlotOf(*win).Cursors().setVerticalOn(true, 0, 50);
    PlotOf(*win).Cursors().X = {40, 10};
    plotMenu.reset(PlotOf(*win).Measuring()->CreateMenu());
    for (QAction* a : plotMenu->actions())
        if (a->text().startsWith(QStringLiteral("Ausgleichskurve B")))
            for (QAction* m : a->menu()->actions())
                if (m->text().startsWith(QStringLiteral("Exponentielle"))) m->trigger();
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    EXPECT_GE(PlotOf(*win).ShownFit()->Result.XMin, 10);
    EXPECT_LE(PlotOf(*win).ShownFit()->Result.XMax, 40);
    EXPECT_EQ(PlotOf(*win).ShownFit()->Result.PointCount, 61);
    EXPECT_NEAR(PlotOf(*win).ShownFit()->Result.P[2], 120, 0.5);
    PlotOf(*win).Cursors().setVerticalOn(false, 0, 50);
    EXPECT_TRUE(normal.contains(QStringLiteral("Bild kopieren")));
    EXPECT_TRUE(normal.contains(QStringLiteral("Drucken …")));
    EXPECT_EQ(normal.filter(QStringLiteral("Ausgleichskurve A")).size(), 1);
    EXPECT_EQ(normal.filter(QStringLiteral("Ausgleichskurve B")).size(), 1);
    EXPECT_FALSE(normal.contains(QStringLiteral("Ausgleichskurve entfernen")));

    Child<QCheckBox>(*win, "CheckBoxBXY")->setChecked(true);
    const QStringList xy = captions();
    EXPECT_TRUE(xy.contains(QStringLiteral("Ausgleichsgerade  y = m·x + b")));
    EXPECT_TRUE(xy.filter(QStringLiteral("Ausgleichskurve A")).isEmpty());
    // A over B: A = 0.01·t against a falling B is fitted as a line in V per V.
    win->report().FitOnPlot(false, FitModel::XYLinear, PlotOf(*win).Scales().Bottom->RangeStart,
                            PlotOf(*win).Scales().Bottom->RangeEnd);
    ASSERT_TRUE(PlotOf(*win).ShownFit().has_value());
    EXPECT_FALSE(PlotOf(*win).ShownFit()->ChannelB);
    EXPECT_EQ(PlotOf(*win).ShownFit()->Result.Model, FitModel::XYLinear);
    EXPECT_TRUE(captions().contains(QStringLiteral("Ausgleichskurve entfernen")));
}

} // namespace
