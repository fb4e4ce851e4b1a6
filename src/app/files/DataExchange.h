// Data exchange: the stored points and the snapshot as measurement text, through the hidden
// buffer MemoExchange, the clipboard and text files. What a read text does to the points is
// the session's decision; this shows it.
#pragma once

#include "MeasurementText.h"
#include "Session.h"

#include <QCoreApplication>
#include <QString>

#include <functional>

namespace kurvimat::display {
struct DisplayControls;
}
struct MainControls;
struct PlotViewData;
class QWidget;

// What the exchange asks of the window: its signal groups.
class ExchangeHost {
public:
    // Puts the definition line in the channel's box in force; a rejected one is said.
    virtual void ApplySignalA(bool reevaluate) = 0;
    virtual void ApplySignalB(bool reevaluate) = 0;

protected:
    ~ExchangeHost() = default;
};

// Loaded points keep what they are: their axes name the definition or label they came with,
// and take in their extremes, whatever definition is applied over them. Nothing for recorded
// points.
void TitleLoadedAxes(const kurvimat::acquisition::MeasurementStore& store, PlotViewData& view);
// The right axis's title and colour: of the further column it shows where B is not shown in
// the time plot (RightAxisColumn), else B's again. True when they changed.
bool TitleRightAxis(const kurvimat::acquisition::MeasurementStore& store, PlotViewData& view,
                    const kurvimat::display::DisplayControls& controls);

class DataExchange {
    // The window's texts: the exchange speaks as the window.
    Q_DECLARE_TR_FUNCTIONS(TFormMain)

public:
    // window: the parent of the dialogs.
    DataExchange(QWidget& window, kurvimat::session::Session& session, PlotViewData& view,
                 const MainControls& controls, ExchangeHost& host);

    // The data or the snapshot as text; the TAB text also into the buffer.
    QString WriteText(bool snapshot, kurvimat::exchange::TableLayout layout);
    // False when nothing was written (cancelled, or the file could not be written).
    // The text in the layout asked for: TAB text to copy, TAB or CSV by the file's name.
    bool SaveOrCopy(bool toFile,
                    const std::function<QString(kurvimat::exchange::TableLayout)>& write);
    // Fills the buffer from the file `path`, one asked for when it is empty, or the clipboard;
    // false when nothing could be read, which has then been said.
    bool ReadIntoBuffer(bool fromFile, const QString& path = {});
    // The buffer's points become the data or the snapshot as the session decides, which is
    // then shown: a refusal, the definitions they bring, the axes, what the reading left out.
    // True when the points were taken.
    bool TakeBuffer(bool snapshot);
    // A table the user typed becomes the data as the session decides (an edit: the one it
    // replaces), then shown as loaded points are. False when refused (said).
    bool TakeEntered(const std::vector<kurvimat::signals::QuantityColumn>& columns, bool edit);
    // What the last TakeBuffer has to say of the text (its separator, what it left out), said
    // once the caller held the points: a box's own event loop would let the next sweep in.
    void ShowReport();

private:
    // "Die Datei <path>" or "Die Zwischenablage", for messages.
    QString SourceName() const;

    QWidget& window_;
    kurvimat::session::Session& session_;
    PlotViewData& view_;
    const MainControls& controls_;
    ExchangeHost& host_;
    QString report_;
    QString text_; // the exact text of the last exchange (MemoExchange shows it)
    kurvimat::session::LoadSource from_ = kurvimat::session::LoadSource::File;
    QString fileName_; // of the last text read from a file
};
