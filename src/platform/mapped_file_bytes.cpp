#include "platform/mapped_file_bytes.h"

#include <QByteArray>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace lumivane {
namespace {

constexpr const char* kCutShort = "the file was cut short by another program while it was being read";

#ifdef Q_OS_UNIX
// Reading a mapped page that lies wholly past the file's end raises SIGBUS.
// The handler below looks up the faulting address among the mappings being
// walked; for one of ours it lays zero pages over the rest of the mapping, so
// the walk finishes on harmless bytes, and marks the mapping as cut. Any other
// bus error goes to the handler that was there before, or ends the program.
struct GuardedMapping {
    std::atomic<bool> claimed{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> cut{false};
};

struct ErrnoKeeper {
    int saved = errno;
    ~ErrnoKeeper() { errno = saved; }
};

constexpr int kGuardSlots = 4;
GuardedMapping guarded[kGuardSlots];
std::uintptr_t pageSize = 4096;
struct sigaction previousBusAction;
std::once_flag handlerInstalled;

void onBusError(int signal, siginfo_t* info, void* context)
{
    // The interrupted code may be about to read errno; the calls below must not change it.
    const ErrnoKeeper keepErrno;
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (info->si_code > 0) {  // raised by a fault, not sent by another process
        for (GuardedMapping& mapping : guarded) {
            const std::uintptr_t begin = mapping.begin.load();
            const std::uintptr_t end = mapping.end.load();
            if (begin == 0 || address < begin || address >= end)
                continue;
            const std::uintptr_t from = address & ~(pageSize - 1);
            const std::uintptr_t to = (end + pageSize - 1) & ~(pageSize - 1);
            // mmap is a plain system call here, safe in a handler in practice.
            void* zeros = ::mmap(reinterpret_cast<void*>(from), to - from, PROT_READ,
                                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            if (zeros != MAP_FAILED) {
                mapping.cut = true;
                return;  // the faulting read is retried and now reads zeros
            }
        }
    }
    // Not ours: back to the earlier handler. A fault then recurs on return
    // and meets it; a signal that was sent is passed on.
    ::sigaction(SIGBUS, &previousBusAction, nullptr);
    if (info->si_code <= 0) {
        if (previousBusAction.sa_flags & SA_SIGINFO) {
            if (previousBusAction.sa_sigaction)
                previousBusAction.sa_sigaction(signal, info, context);
        } else {
            ::raise(SIGBUS);
        }
    }
}

void installBusHandler()
{
    std::call_once(handlerInstalled, [] {
        pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusAction);
    });
}

// A free slot now watching [data, data + size), or -1 when all are taken.
int guardMapping(const uchar* data, qint64 size)
{
    installBusHandler();
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        bool taken = false;
        if (!guarded[slot].claimed.compare_exchange_strong(taken, true))
            continue;
        guarded[slot].cut = false;
        // The end before the begin: the handler never sees a begin without its end.
        guarded[slot].end = begin + static_cast<std::uintptr_t>(size);
        guarded[slot].begin = begin;
        return slot;
    }
    return -1;
}

void unguardMapping(int slot)
{
    guarded[slot].begin = 0;
    guarded[slot].end = 0;
    guarded[slot].claimed = false;
}

bool mappingWasCut(int slot)
{
    return guarded[slot].cut.load();
}
#else
// Elsewhere an open, mapped file cannot be cut short by another program.
int guardMapping(const uchar*, qint64) { return 0; }
void unguardMapping(int) {}
bool mappingWasCut(int) { return false; }
#endif

}  // namespace

MappedFileBytes::~MappedFileBytes()
{
    release();
}

void MappedFileBytes::release()
{
    // The file stays open while mapped; on Windows that also keeps it from
    // being replaced under the walk. It is let go before the next file.
    if (guardSlot_ >= 0)
        unguardMapping(guardSlot_);
    guardSlot_ = -1;
    if (mapped_)
        file_.unmap(mapped_);
    mapped_ = nullptr;
    mappedSize_ = 0;
    if (file_.isOpen())
        file_.close();
}

std::optional<ReadError> MappedFileBytes::read(const std::string& path, std::string_view& bytes)
{
    release();
    const QString name = QFile::decodeName(QByteArray::fromRawData(path.data(), static_cast<qsizetype>(path.size())));
    // Only regular files with bytes are mapped: a folder, a pipe or a device
    // cannot be, and an empty file has nothing to map. Those, and any file
    // the system refuses to map, take the buffered read, which also words
    // every error the same way as before.
    // A mapping costs page-table work for every file walked; the buffer costs
    // a page fault per 4 KiB when it is first filled and nothing for later
    // files that fit. So the first file of a run and large files are mapped,
    // and further small files (a run over many month logs) reuse the buffer.
    const QFileInfo info(name);
    if (info.isFile() && info.size() > 0 && (!mappedBefore_ || info.size() > kLargeFile)) {
        file_.setFileName(name);
        if (file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            const qint64 size = file_.size();
            if (size > 0)
                mapped_ = file_.map(0, size);
            // A mapping that cannot be watched for a cut is not lent out.
            if (mapped_ && (guardSlot_ = guardMapping(mapped_, size)) < 0) {
                file_.unmap(mapped_);
                mapped_ = nullptr;
            }
            if (mapped_) {
                mappedBefore_ = true;
                mappedSize_ = size;
                bytes = std::string_view(reinterpret_cast<const char*>(mapped_), static_cast<std::size_t>(size));
                return std::nullopt;
            }
            file_.close();
        }
    }
    return fallback_.read(path, bytes);
}

std::optional<ReadError> MappedFileBytes::confirmLastRead()
{
    if (!mapped_)
        return std::nullopt;
    // A cut inside the last page raises no fault; the size still tells.
    if (mappingWasCut(guardSlot_) || file_.size() < mappedSize_)
        return ReadError{0, kCutShort};
    return std::nullopt;
}

}  // namespace lumivane
