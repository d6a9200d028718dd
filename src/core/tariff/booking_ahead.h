#pragma once
// The next files of a run booked on other threads while the run applies the
// earlier ones in file order. Booking a file is a pure function of its bytes,
// path, scope and settings, so a file booked ahead gives exactly what it
// would have given in its turn.
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/meterdata/date_scope.h"
#include "core/meterdata/file_bytes_reader.h"
#include "core/settings/settings_record.h"
#include "core/tariff/file_booking.h"

namespace lumivane {

// One file as the run asks for it: as one block (with its steps kept for
// bars or not) or month by month.
struct BookingJob {
    std::string path;
    DateScope scope;
    bool byMonth = false;
    bool keepSteps = false;
    bool scaleGraph = true;  // false: no graph is ever shown, so its pre-scan is skipped

    bool sameAs(const BookingJob& other) const;
};

// What booking a file gave: `booking` for one block, `months` month by month.
struct BookedFile {
    FileBooking booking;
    Expected<std::vector<MonthFigures>> months = failure("not booked");
};

// Reads the job's file through `files`, books it, and checks the bytes stayed the file's.
BookedFile bookFile(const BookingJob& job, const SettingsRecord& settings, FileBytesReader& files);

class BookingAhead {
public:
    // `threads` - 1 threads book ahead, each through a reader like `files`
    // (which must outlive this); the thread that takes the bookings books its
    // own when none has started it, and later ones while it waits.
    // At most twice `threads` files are booked and not yet taken.
    BookingAhead(std::vector<BookingJob> jobs, const SettingsRecord& settings, const FileBytesReader& files,
                 unsigned threads);
    // Bookings not taken are dropped; the threads finish the file they are on.
    ~BookingAhead();
    BookingAhead(const BookingAhead&) = delete;
    BookingAhead& operator=(const BookingAhead&) = delete;

    // The booking of the next job when that is `job`, booked through `files`
    // when no thread has started it; none when the run asks for another file.
    std::optional<BookedFile> take(const BookingJob& job, FileBytesReader& files);

private:
    // What a thread of its own does: book the next file not yet started, again and again.
    void bookAhead(FileBytesReader& files);
    // Books job `at` with the lock released, then stores what it gave.
    void bookOne(std::size_t at, FileBytesReader& files, std::unique_lock<std::mutex>& lock);
    bool canStartAnother() const;

    const std::vector<BookingJob> jobs_;
    const SettingsRecord settings_;
    const std::size_t window_;
    std::vector<std::optional<BookedFile>> booked_;
    std::vector<std::exception_ptr> failures_;
    std::size_t next_ = 0;     // the job the run takes next
    std::size_t claimed_ = 0;  // jobs before this one are started
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};

}  // namespace lumivane
