#include "THidDeviceController.h"

#include "THidDevice.h"

#include <QMetaObject>

#include <algorithm>

namespace kurvimat::hid {

THidDeviceController::THidDeviceController(std::shared_ptr<HidPlatform> platform, QObject* owner)
    : QObject(owner), platform_(std::move(platform)) {
    if (!platform_ || !platform_->available()) return;
    platform_->setChangeHandler([this] { DeviceChangeNotification(0); });
    // Posted, not run: no device is reported while the owner is still being constructed.
    QMetaObject::invokeMethod(
        this, [this] { DeviceChangeNotification(-1); }, Qt::QueuedConnection);
}

THidDeviceController::~THidDeviceController() {
    OnDeviceChange = nullptr;
    onDeviceUnplug_ = nullptr; // devices keep theirs: claimed ones still hear of the unplug
    if (platform_ && platform_->available()) platform_->setChangeHandler(nullptr);
    for (auto& device : deviceList_) {
        device->controller_ = nullptr;
        if (device->Claimed()) {
            try {
                device->unplug();
            } catch (...) {
                // An unplug handler failed; the other devices must still be released.
            }
        }
    }
    deviceList_.clear();
    for (auto& device : retired_)
        device->controller_ = nullptr;
    retired_.clear();
}

std::vector<THidDevice*> THidDeviceController::DeviceList() const {
    std::vector<THidDevice*> list;
    list.reserve(deviceList_.size());
    for (const auto& device : deviceList_)
        list.push_back(device.get());
    return list;
}

void THidDeviceController::DeviceChangeNotification(int param) {
    if (changeInProgress_) {
        // Not processed now (handlers may pump events during a change); one catch-up
        // enumeration follows, because on Linux no second notification may ever come.
        missedChange_ = true;
        return;
    }
    lastChangeParam_ = param;
    changeInProgress_ = true;
    struct Reset {
        THidDeviceController* self;
        ~Reset() {
            self->changeInProgress_ = false;
            if (self->missedChange_) {
                self->missedChange_ = false;
                QMetaObject::invokeMethod(
                    self, [c = self] { c->DeviceChangeNotification(0); }, Qt::QueuedConnection);
            }
        }
    } reset{this};
    DeviceChange();
}

std::vector<std::unique_ptr<THidDevice>> THidDeviceController::enumerateDevices() {
    std::vector<std::unique_ptr<THidDevice>> devices;
    if (!platform_ || !platform_->available()) return devices;
    const auto interfaces = platform_->enumerate();
    if (!interfaces) return devices;
    for (const THidPnPInfo& info : *interfaces) {
        try {
            devices.push_back(std::make_unique<THidDevice>(this, *platform_, info));
        } catch (const std::exception&) {
            // This interface is skipped; the others are still listed.
        }
    }
    return devices;
}

void THidDeviceController::raiseWithInEvent(const THidPlugEvent& event, THidDevice* device) {
    if (!event) return;
    device->inEvent_ = true;
    struct Clear {
        THidDevice* d;
        ~Clear() { d->inEvent_ = false; }
    } clear{device};
    event(device);
}

void THidDeviceController::DeviceChange() {
    bool changed = lastChangeParam_ == -1;
    auto fresh = enumerateDevices();
    const auto inFresh = [&fresh](const QString& devInst) {
        return std::any_of(fresh.rbegin(), fresh.rend(),
                           [&](const auto& d) { return d->PnPInfo().DevInst == devInst; });
    };

    for (std::size_t i = deviceList_.size(); i-- > 0;) {
        if (i >= deviceList_.size()) continue; // a handler shortened the list
        THidDevice* device = deviceList_[i].get();
        // A device that already left was reported then; reporting it on every later change
        // would repeat its removal forever.
        if (!device->Present() || inFresh(device->PnPInfo().DevInst)) continue;
        device->unplug();
        raiseWithInEvent(OnRemoval, device);
        // Claimed or not, a device that left is dropped: kept, every re-plug of any HID
        // device would add an object for the life of the program.
        auto it = std::find_if(deviceList_.begin(), deviceList_.end(),
                               [device](const auto& d) { return d.get() == device; });
        if (it != deviceList_.end()) {
            retired_.push_back(std::move(*it));
            deviceList_.erase(it);
        }
        changed = true;
    }

    for (auto& candidate : fresh) {
        const bool known = std::any_of(deviceList_.begin(), deviceList_.end(), [&](const auto& d) {
            return d->Present() && d->PnPInfo().DevInst == candidate->PnPInfo().DevInst;
        });
        if (known) {
            candidate->controller_ = nullptr;
            candidate.reset();
        }
    }

    for (auto& candidate : fresh) {
        if (!candidate) continue;
        THidDevice* device = candidate.get();
        deviceList_.push_back(std::move(candidate));
        raiseWithInEvent(OnArrival, device);
        changed = true;
    }

    if (changed && OnDeviceChange) OnDeviceChange(this);
    if (!retired_.empty())
        QMetaObject::invokeMethod(
            this, [this] { disposeRetired(); }, Qt::QueuedConnection);
}

void THidDeviceController::disposeRetired() {
    // The unplug and removal handlers had their chance to let go of these devices. One whose
    // reader is still being served (a handler pumping events) waits for a later round.
    bool waiting = false;
    for (auto it = retired_.begin(); it != retired_.end();) {
        if ((*it)->midHandOff()) {
            waiting = true;
            ++it;
            continue;
        }
        (*it)->controller_ = nullptr;
        it = retired_.erase(it);
    }
    if (waiting)
        QMetaObject::invokeMethod(
            this, [this] { disposeRetired(); }, Qt::QueuedConnection);
}

bool THidDeviceController::ClaimNext(THidDevice*& HidDev) {
    for (const auto& device : deviceList_) {
        if (!device->Claimed()) {
            device->claimed_ = true;
            device->startReadThread();
            HidDev = device.get();
            return true;
        }
    }
    HidDev = nullptr;
    return false;
}

void THidDeviceController::Enumerate() {
    if (!OnEnumerate) return;
    for (std::size_t i = 0; i < deviceList_.size(); ++i)
        if (!OnEnumerate(deviceList_[i].get(), static_cast<int>(i))) break;
}

void THidDeviceController::SetOnDeviceUnplug(THidPlugEvent handler) {
    for (auto& device : deviceList_)
        if (device->unplugFromController_) device->unplugHandler_ = handler;
    onDeviceUnplug_ = std::move(handler);
}

void THidDeviceController::SetOnDeviceData(THidDataEvent handler) {
    for (auto& device : deviceList_) {
        if (device->dataFromController_) {
            device->SetDataHandler(handler);
            device->dataFromController_ = true;
        }
    }
    onDeviceData_ = std::move(handler);
}

void THidDeviceController::SetOnDeviceDataError(THidDataErrorEvent handler) {
    for (auto& device : deviceList_)
        if (device->errorFromController_) device->errorHandler_ = handler;
    onDeviceDataError_ = std::move(handler);
}

void THidDeviceController::SetDevThreadSleepTime(int ms) {
    for (auto& device : deviceList_)
        if (device->WaitSlice() == devThreadSleepTime_) device->SetWaitSlice(ms);
    devThreadSleepTime_ = ms;
}

} // namespace kurvimat::hid
