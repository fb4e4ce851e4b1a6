// Start sizes of the secondary windows, kept within the screen (a small or scaled one).
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QSize>
#include <QWidget>

/// Resizes w to wanted, or to nine tenths of the screen's free area where that is smaller.
inline void ResizeWithinScreen(QWidget* w, QSize wanted) {
    if (const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen())
        wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
    w->resize(wanted);
}
