#include "THidDeviceReadThread.h"

#include "THidDevice.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>

namespace kurvimat::hid {

THidDeviceReadThread::THidDeviceReadThread(THidDevice* device, std::size_t reportLength)
    : device_(device), buffer_(reportLength) {
    worker_ = std::thread([this] { run(); });
}

THidDeviceReadThread::~THidDeviceReadThread() {
    try {
        stop();
    } catch (...) {
        // A handler failed during the final hand-off; nothing can report it from here.
    }
}

bool THidDeviceReadThread::ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

bool THidDeviceReadThread::handOffPending() const {
    std::lock_guard lock(mutex_);
    return pending_ != Request::None;
}

void THidDeviceReadThread::requestTermination() {
    {
        std::lock_guard lock(mutex_);
        terminate_ = true;
    }
    cv_.notify_all();
    device_->cancelPendingRead();
}

void THidDeviceReadThread::stop() {
    if (!worker_.joinable()) return;
    requestTermination();
    // Inside our own hand-off the worker waits for this very call to return: it cannot end
    // before, and serving it again would only spin. It delivers nothing more once asked.
    if (serving_) return;
    std::exception_ptr failure;
    std::unique_lock lock(mutex_);
    while (!ended_) {
        cv_.wait(lock, [this] { return ended_ || pending_ != Request::None; });
        if (!ended_ && pending_ != Request::None) {
            // The worker is blocked in a hand-off; it can only end once we run it.
            lock.unlock();
            try {
                serve();
            } catch (...) {
                if (!failure) failure = std::current_exception();
            }
            lock.lock();
        }
    }
    lock.unlock();
    worker_.join();
    if (failure) std::rethrow_exception(failure);
}

bool THidDeviceReadThread::waitSlice(int ms) {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return terminate_.load(); });
    return !terminate_;
}

void THidDeviceReadThread::run() {
    while (!terminate_) {
        std::fill(buffer_.begin(), buffer_.end(), 0);
        std::uint32_t error = 0;
        const HidPlatform::Handle handle = device_->acquireReadHandle(error);
        if (handle == HidPlatform::InvalidHandle) {
            lastError_.store(error);
            if (terminate_) break;
            handOff(Request::Error);
            // Waiting one slice keeps a device that cannot be read from spinning this thread
            // and flooding the GUI thread until its owner removes the handler.
            waitSlice(device_->WaitSlice());
            continue;
        }
        HidPlatform::ReadResult result;
        do {
            result = device_->platform_.read(handle, buffer_.data(), buffer_.size(),
                                             device_->WaitSlice());
        } while (result.status == HidPlatform::ReadResult::Status::Timeout && !terminate_);
        device_->releaseReadHandle(handle, result.status == HidPlatform::ReadResult::Status::Gone);
        if (terminate_) break;
        if (result.status == HidPlatform::ReadResult::Status::Data && result.bytes > 0) {
            bytesRead_ = std::min(result.bytes, buffer_.size());
            lost_ = result.lost;
            handOff(Request::Report);
        } else if (result.status == HidPlatform::ReadResult::Status::Gone) {
            waitSlice(device_->WaitSlice());
        }
    }
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    cv_.notify_all();
}

void THidDeviceReadThread::handOff(Request request) {
    std::unique_lock lock(mutex_);
    pending_ = request;
    lock.unlock();
    cv_.notify_all(); // a GUI thread waiting in stop() serves it from there
    // Posted to this object: if it is destroyed first, Qt drops the call with it.
    QMetaObject::invokeMethod(
        this, [this] { serve(); }, Qt::QueuedConnection);
    lock.lock();
    cv_.wait(lock, [this] { return pending_ == Request::None; });
}

void THidDeviceReadThread::serve() {
    Request request;
    {
        std::lock_guard lock(mutex_);
        request = pending_;
    }
    if (request == Request::None || serving_) return;
    serving_ = true;
    struct Done {
        THidDeviceReadThread* self;
        ~Done() {
            self->serving_ = false;
            {
                std::lock_guard lock(self->mutex_);
                self->pending_ = Request::None;
            }
            self->cv_.notify_all();
        }
    } done{this};
    if (request == Request::Report)
        device_->deliverReport(buffer_.data(), bytesRead_, lost_);
    else
        device_->deliverError(lastError_.load());
}

} // namespace kurvimat::hid
