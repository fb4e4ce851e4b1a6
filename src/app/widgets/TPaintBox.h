// A paint box: a widget with a persistent RGB32 canvas that the drawing code paints into;
// a repaint request only copies the canvas to the screen.
#pragma once

#include <QImage>
#include <QWidget>

#include <vector>

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);

    // The drawing surface in device pixels (the widget's size times the screen's pixel
    // ratio); it follows the widget's size, also before the first show, when Qt has not yet
    // sent the resize event. A canvas that changes size starts white.
    QImage& Canvas() {
        FitCanvas();
        return FCanvas;
    }
    // Repaints the parts of the canvas (device pixels) that changed.
    void UpdateCanvas(const std::vector<QRect>& changed);
    // Device pixels of a logical size at a pixel ratio (never empty).
    static QSize DeviceSize(QSize logical, qreal ratio);

Q_SIGNALS:
    void MouseDown(QMouseEvent* event);
    void MouseMove(QMouseEvent* event);
    void MouseUp(QMouseEvent* event);
    void DblClick(QMouseEvent* event);
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void FitCanvas();
    QImage FCanvas;
};

// A small clickable picture (the axis buttons and the decoration images).
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return FPicture; }

Q_SIGNALS:
    void MouseDown(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage FPicture;
};

// A line or rectangle shape of one colour.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr, QColor color = Qt::black);

Q_SIGNALS:
    void MouseDown(QMouseEvent* event);
    void MouseUp(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor FColor;
};
