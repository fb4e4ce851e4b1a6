#include "HidrawRead.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace kurvimat::hid {

HidPlatform::ReadResult readHidraw(int fd, int cancelFd, bool numberedReports, std::uint8_t* buffer,
                                   std::size_t length, int timeoutMs) {
    using Status = HidPlatform::ReadResult::Status;
    const std::size_t offset = numberedReports ? 0 : 1;
    if (fd < 0 || length <= offset) return {Status::Gone, 0, 0};
    pollfd fds[2] = {{fd, POLLIN, 0}, {cancelFd, POLLIN, 0}};
    const int ready = ::poll(fds, cancelFd >= 0 ? 2 : 1, timeoutMs);
    if (ready < 0) return {errno == EINTR ? Status::Timeout : Status::Gone, 0, 0};
    if (ready == 0) return {Status::Timeout, 0, 0};
    if (cancelFd >= 0 && (fds[1].revents & POLLIN)) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto consumed = ::read(cancelFd, &count, sizeof count);
        return {Status::Cancelled, 0, 0};
    }
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return {Status::Gone, 0, 0};
    const ssize_t n = ::read(fd, buffer + offset, length - offset);
    if (n < 0) return {errno == EAGAIN || errno == EINTR ? Status::Timeout : Status::Gone, 0, 0};
    if (n == 0) return {Status::Gone, 0, 0};
    if (offset) buffer[0] = 0;
    return {Status::Data, static_cast<std::size_t>(n) + offset, 0};
}

} // namespace kurvimat::hid
