#include "core/meterdata/part_workers.h"

#include <system_error>

namespace lumivane {

PartWorkers::PartWorkers(std::size_t slots, Reader read) : read_(read), jobs_(slots)
{
    for (std::size_t slot = 0; slot < slots; ++slot) {
        try {
            threads_.emplace_back(&PartWorkers::serve, this, slot);
        } catch (const std::system_error&) {
            break;  // the slots without a thread are read by the caller
        }
    }
}

PartWorkers::~PartWorkers()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    // A job being read is finished first; one not yet begun is dropped with the walk.
    for (std::thread& thread : threads_)
        thread.join();
}

void PartWorkers::submit(std::size_t slot, const PartJob& job)
{
    if (slot >= threads_.size()) {
        read_(job);
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        jobs_[slot] = job;
        ++outstanding_;
    }
    work_.notify_all();
}

void PartWorkers::waitAll()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return outstanding_ == 0; });
}

void PartWorkers::serve(std::size_t slot)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [&] { return stopping_ || jobs_[slot].has_value(); });
        if (stopping_)
            return;
        const PartJob job = *jobs_[slot];
        lock.unlock();
        read_(job);
        lock.lock();
        jobs_[slot].reset();
        if (--outstanding_ == 0)
            done_.notify_all();
    }
}

}  // namespace lumivane
