#pragma once

#include "VirtualHidDevice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <memory>
#include <thread>

using kurvimat::hid::VirtualHidDevice;

// Runs the event loop until `done` holds. The deadline only keeps a broken build from hanging
// the suite; no result depends on it.
template <typename Predicate> bool pumpUntil(Predicate done) {
    QDeadlineTimer guard(20000);
    while (!done()) {
        if (guard.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Waits without running the event loop, for states another thread reaches.
template <typename Predicate> bool spinUntil(Predicate done) {
    QDeadlineTimer guard(20000);
    while (!done()) {
        if (guard.hasExpired()) return false;
        std::this_thread::yield();
    }
    return true;
}

inline void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

inline std::shared_ptr<VirtualHidDevice>
makeDevice(std::u16string product = u"Widget", std::uint16_t input = 9, std::uint16_t output = 9) {
    auto device = std::make_shared<VirtualHidDevice>();
    device->attributes = {0x1234, 0x5678, 0x0100};
    device->product = std::move(product);
    device->serial = u"SN-1";
    device->caps.UsagePage = 0xFF00;
    device->caps.Usage = 1;
    device->caps.InputReportByteLength = input;
    device->caps.OutputReportByteLength = output;
    return device;
}
