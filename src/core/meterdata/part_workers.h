#pragma once
// The threads that read the parts of a file's stretches: started once for the
// walk of a file and kept, so a stretch costs no thread start, and each part
// slot is read on the same thread into the same records, whose pages are then
// already there.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace lumivane {

class ReadingFilter;
struct ParsedPart;

// One part to read: its bytes, how many bytes of the file before it may be
// looked at, the filter it copies, and the records it fills.
struct PartJob {
    std::string_view bytes;
    char lineEnd = '\n';
    std::size_t readableBefore = 0;
    const ReadingFilter* like = nullptr;
    ParsedPart* out = nullptr;
};

class PartWorkers {
public:
    using Reader = void (*)(const PartJob&);
    // Up to `slots` threads, each calling `read` for the jobs of its slot; a
    // slot that gets no thread (none to be had) is read by the caller at once.
    PartWorkers(std::size_t slots, Reader read);
    ~PartWorkers();
    PartWorkers(const PartWorkers&) = delete;
    PartWorkers& operator=(const PartWorkers&) = delete;

    // Hands `job` to the thread of `slot`; the slot's last job must be done.
    void submit(std::size_t slot, const PartJob& job);
    // Waits until every job handed on so far is done.
    void waitAll();

private:
    void serve(std::size_t slot);

    Reader read_;
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::vector<std::optional<PartJob>> jobs_;
    std::size_t outstanding_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace lumivane
