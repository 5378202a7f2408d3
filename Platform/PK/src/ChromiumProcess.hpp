#pragma once

// The browser process: launched in a fresh folder with its DevTools pipe on fd 3 and fd 4,
// and reaped again. Owned by the Chromium backend; main thread only.

#include <PK/ChromiumBrowserBackend.hpp>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace PK::Chromium {

// An owned file descriptor, closed when it goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) noexcept : _fd(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : _fd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const noexcept { return _fd; }
    bool IsValid() const noexcept { return _fd >= 0; }
    int Release() noexcept;
    void Reset() noexcept;

private:
    int _fd = -1;
};

class Process {
public:
    // Makes the folders and starts the browser; throws ChromiumStartError when it cannot.
    explicit Process(const ChromiumOptions& options);
    // Waits for the exit (the caller has closed the pipe by then), kills the process group
    // when it takes longer than the exit timeout, reaps it and removes the folder.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Our end of the DevTools channel (a socket: writes cannot raise SIGPIPE); once.
    FileDescriptor TakeChannel();
    pid_t GetId() const noexcept { return _pid; }
    const std::filesystem::path& GetFolder() const noexcept { return _folder; }
    const std::filesystem::path& GetProfileFolder() const noexcept { return _profile; }

    // Waits up to `timeout` for the process to end; true when it has ended (and is reaped).
    bool WaitForExit(std::chrono::milliseconds timeout);
    // "exited with status 1", "killed by signal 9", or "is still running".
    std::string DescribeState();
    // The end of the browser's own output, for error messages.
    std::string OutputTail(std::size_t maxBytes) const;

private:
    void MakeFolders(const ChromiumOptions& options);
    void Spawn(const ChromiumOptions& options, int childChannel);
    bool Reap(bool block);

    std::filesystem::path _folder;
    std::filesystem::path _profile;
    std::filesystem::path _outputLog;
    std::filesystem::path _executable;
    std::chrono::milliseconds _exitTimeout;
    FileDescriptor _channel;
    FileDescriptor _pidFd;
    pid_t _pid = -1;
    bool _reaped = false;
    int _status = 0;
};

} // namespace PK::Chromium
