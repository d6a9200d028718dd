#include "core/tariff/booking_ahead.h"

#include <new>
#include <system_error>

#include "core/meterdata/date_scope_rules.h"

namespace lumivane {

bool BookingJob::sameAs(const BookingJob& other) const
{
    return path == other.path && byMonth == other.byMonth && keepSteps == other.keepSteps &&
           scaleGraph == other.scaleGraph && scope.enabled == other.scope.enabled &&
           scope.dayText == other.scope.dayText && scope.monthText == other.scope.monthText &&
           scope.yearText == other.scope.yearText && scope.daysText == other.scope.daysText;
}

BookedFile bookFile(const BookingJob& job, const SettingsRecord& settings, FileBytesReader& files)
{
    BookedFile booked;
    if (job.byMonth) {
        // A scope that cannot be read is named before the file is.
        if (const auto rule = scopeRuleOf(job.scope); !rule)
            booked.months = rule.error();
        else if (const auto bytes = files.read(job.path); !bytes)
            booked.months = bytes.error();
        else if (booked.months = bookMeterLogFileByMonth(*bytes, job.path, job.scope, settings); booked.months)
            if (auto lost = files.confirmLastRead(); !lost)
                booked.months = lost.error();
        return booked;
    }
    const auto bytes = files.read(job.path);
    if (!bytes) {
        booked.booking.figures = bytes.error();
        return booked;
    }
    booked.booking = bookMeterLogFile(*bytes, job.path, job.scope, settings, job.keepSteps, job.scaleGraph);
    // Figures from bytes that changed under the walk are no figures at all.
    if (auto lost = files.confirmLastRead(); !lost)
        booked.booking.figures = lost.error();
    return booked;
}

BookingAhead::BookingAhead(std::vector<BookingJob> jobs, const SettingsRecord& settings, const FileBytesReader& files,
                           unsigned threads)
    : jobs_(std::move(jobs)), settings_(settings), window_(std::size_t{threads} * 2), booked_(jobs_.size()),
      failures_(jobs_.size())
{
    // A thread that cannot be started leaves its share to the others and to the run's own thread.
    try {
        for (unsigned i = 1; i < threads && i < jobs_.size(); ++i)
            threads_.emplace_back([this, &files] {
                std::unique_ptr<FileBytesReader> own;
                try {
                    own = files.another();
                } catch (const std::bad_alloc&) {
                    return;  // claimed nothing yet: the others book its share
                }
                bookAhead(*own);
            });
    } catch (const std::system_error&) {
    }
}

BookingAhead::~BookingAhead()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void BookingAhead::bookOne(std::size_t at, FileBytesReader& files, std::unique_lock<std::mutex>& lock)
{
    lock.unlock();
    std::optional<BookedFile> booked;
    std::exception_ptr failure;
    try {
        booked = bookFile(jobs_[at], settings_, files);
    } catch (...) {
        failure = std::current_exception();
    }
    lock.lock();
    booked_[at] = std::move(booked);
    failures_[at] = failure;
    changed_.notify_all();
}

bool BookingAhead::canStartAnother() const { return claimed_ < jobs_.size() && claimed_ < next_ + window_; }

void BookingAhead::bookAhead(FileBytesReader& files)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || canStartAnother(); });
        if (stopping_)
            return;
        bookOne(claimed_++, files, lock);
    }
}

std::optional<BookedFile> BookingAhead::take(const BookingJob& job, FileBytesReader& files)
{
    std::unique_lock lock(mutex_);
    if (next_ >= jobs_.size() || !jobs_[next_].sameAs(job))
        return std::nullopt;
    const std::size_t at = next_;
    if (claimed_ <= at) {
        // No thread has started it: book it here rather than wait.
        claimed_ = at + 1;
        ++next_;
        lock.unlock();
        changed_.notify_all();
        return bookFile(job, settings_, files);
    }
    // While another thread books it, this one books a later file rather than wait.
    while (!booked_[at] && !failures_[at]) {
        if (canStartAnother())
            bookOne(claimed_++, files, lock);
        else
            changed_.wait(lock);
    }
    ++next_;
    std::optional<BookedFile> booked = std::move(booked_[at]);
    booked_[at].reset();
    const std::exception_ptr failure = failures_[at];
    lock.unlock();
    changed_.notify_all();
    if (failure)
        std::rethrow_exception(failure);
    return booked;
}

}  // namespace lumivane
