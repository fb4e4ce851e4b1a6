#pragma once

#include "HidPlatform.h"

#include <cstddef>
#include <cstdint>

namespace kurvimat::hid {

/// One read of a hidraw file: waits up to `timeoutMs` with poll() on `fd` and on `cancelFd`
/// (an eventfd; a signal on it is consumed and gives `Cancelled`). POLLERR, POLLHUP and
/// POLLNVAL mean the device is gone. Without numbered reports the kernel delivers bare data;
/// a report ID byte 0 is put in front so that buffer[0] is always the report ID.
HidPlatform::ReadResult readHidraw(int fd, int cancelFd, bool numberedReports, std::uint8_t* buffer,
                                   std::size_t length, int timeoutMs);

} // namespace kurvimat::hid
