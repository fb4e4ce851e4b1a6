#pragma once

#include "HidTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kurvimat::hid {

/// The operating system's HID service as the device layer needs it. Every call returns a
/// failure value instead of throwing. `read`, `cancelRead`, `open`, `close` and the queue
/// length calls may come from a reading thread; everything else runs on the GUI thread.
class HidPlatform {
public:
    using Handle = std::int64_t;
    static constexpr Handle InvalidHandle = -1;

    enum class Access {
        ReadWrite, ///< general handle
        QueryOnly, ///< no access rights: attributes, strings and capabilities only
        ReadOnly,  ///< the reading thread's handle
    };

    struct ReadResult {
        enum class Status { Data, Timeout, Cancelled, Gone };
        Status status = Status::Timeout;
        std::size_t bytes = 0;
        /// Reports dropped on this handle's queue since the previous read.
        std::uint32_t lost = 0;
    };

    virtual ~HidPlatform() = default;

    /// False when the HID service cannot be used at all: then there are no devices.
    virtual bool available() const = 0;
    /// The HID interfaces present now; nullopt when the platform gives no list.
    virtual std::optional<std::vector<THidPnPInfo>> enumerate() = 0;

    virtual Handle open(const QString& devicePath, Access access) = 0;
    virtual void close(Handle handle) = 0;

    virtual bool getAttributes(Handle handle, THidAttributes& attributes) = 0;
    /// The string functions fill at most `units` UTF-16 units; the caller zeroes the buffer.
    virtual bool getProductString(Handle handle, char16_t* buffer, std::size_t units) = 0;
    virtual bool getSerialNumberString(Handle handle, char16_t* buffer, std::size_t units) = 0;
    /// Index 0 is the device's list of language ids.
    virtual bool getIndexedString(Handle handle, unsigned index, char16_t* buffer,
                                  std::size_t units) = 0;
    virtual bool getCaps(Handle handle, THidCaps& caps) = 0;

    virtual bool setNumInputBuffers(Handle handle, std::uint32_t count) = 0;
    virtual bool getNumInputBuffers(Handle handle, std::uint32_t& count) = 0;

    /// Waits at most `timeoutMs` for one input report; buffer[0] is always the report ID.
    virtual ReadResult read(Handle handle, std::uint8_t* buffer, std::size_t length,
                            int timeoutMs) = 0;
    /// Makes the read pending on `handle` (or the next one) return `Cancelled` at once.
    virtual void cancelRead(Handle handle) = 0;

    virtual bool hasSetOutputReport() const = 0;
    virtual bool setOutputReport(Handle handle, const std::uint8_t* data, std::size_t length) = 0;

    /// Called on the GUI thread whenever the set of HID device nodes may have changed.
    virtual void setChangeHandler(std::function<void()> handler) = 0;

    /// Error code of the last failed call on the calling thread.
    virtual std::uint32_t lastError() const = 0;
};

/// The platform of the system the program runs on (udev + hidraw on Linux).
std::shared_ptr<HidPlatform> makeSystemHidPlatform();

} // namespace kurvimat::hid
