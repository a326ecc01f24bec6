#pragma once
// Reading and writing the program's private Unix sockets (copy data to a running copy, the
// phone tool's requests): every wait bounded by a deadline, every peer checked to be us.

#include <sys/un.h>

#include <chrono>
#include <cstddef>
#include <string>

namespace platform::socket_io {

using Clock = std::chrono::steady_clock;

enum class Io { done, failed, stopped };

// what + ": " + the text of errno.
std::string errno_text(const std::string& what);
// Milliseconds until deadline, 0 once it has passed.
int ms_left(Clock::time_point deadline);
// Waits until fd is ready for events, the deadline passes, or (when wake is not -1) the wake
// pipe becomes readable (stopped).
Io wait_ready(int fd, short events, int wake, Clock::time_point deadline);
// All of size bytes, or failed (peer closed, error, deadline) or stopped.
Io read_exact(int fd, void* buffer, size_t size, int wake, Clock::time_point deadline);
bool write_exact(int fd, const void* buffer, size_t size, Clock::time_point deadline);
// The process at the other end runs as our user.
bool peer_is_us(int fd);
// Fills addr with path; false when the path does not fit.
bool socket_address(const std::string& path, sockaddr_un& addr);
// Connects fd to addr, trying again while the listener's backlog is full until the deadline.
bool connect_until(int fd, const sockaddr_un& addr, Clock::time_point deadline);
void close_fd(int& fd);

}  // namespace platform::socket_io
