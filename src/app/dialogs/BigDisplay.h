// "Großanzeige": the live readouts of both channels (name, value, unit) in digits as large as
// the window allows, for a projector; dark on demand for a darkened room, full screen on F11.
#pragma once

#include <QString>
#include <QWidget>

namespace kurvimat::acquisition {
struct Readouts;
}

class QLabel;
class QPushButton;

class BigDisplay : public QWidget {
    Q_OBJECT
public:
    explicit BigDisplay(QWidget* parent = nullptr);

    /// The readouts as the main window's labels show them ("2,5 V"); a tick that refreshed
    /// nothing changes nothing.
    void setReadouts(const kurvimat::acquisition::Readouts& readouts);
    /// The names of the channels' signals; an empty one shows as "Kanal A" or "Kanal B".
    void setNames(const QString& nameA, const QString& nameB);

    void setDark(bool dark);
    bool dark() const { return dark_; }
    /// Full screen and back (F11; Escape leaves it).
    void toggleFullScreen();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Channel {
        QLabel* name;
        QLabel* value;
        QLabel* unit;
    };
    Channel makeChannel(char channel);
    void setValue(Channel& channel, const QString& readout);
    void place();
    void paint();

    Channel channels_[2];
    QPushButton* darkButton_;
    QPushButton* fullButton_;
    bool dark_ = false;
};
