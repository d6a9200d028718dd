#include "platform/bus_error_guard.h"

#include <QtGlobal>

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

#ifdef Q_OS_UNIX
namespace {

// The handler looks up the faulting address among the mappings being
// watched; any other bus error goes to the handler that was there before,
// or ends the program.
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

// Lays zero pages over the watched mapping from the faulting page on; true when it is ours and covered.
bool coverCutMapping(std::uintptr_t address)
{
    for (GuardedMapping& mapping : guarded) {
        const std::uintptr_t begin = mapping.begin.load();
        const std::uintptr_t end = mapping.end.load();
        if (begin == 0 || address < begin || address >= end)
            continue;
        const std::uintptr_t from = address & ~(pageSize - 1);
        const std::uintptr_t to = (end + pageSize - 1) & ~(pageSize - 1);
        // mmap is a plain system call here, safe in a handler in practice.
        // The page address comes from the fault's own address: the cast is the point.
        void* zeros = ::mmap(reinterpret_cast<void*>(from), to - from, PROT_READ,  // NOLINT(performance-no-int-to-ptr)
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros == MAP_FAILED)
            return false;
        mapping.cut = true;
        return true;
    }
    return false;
}

void onBusError(int signal, siginfo_t* info, void* context)
{
    // The interrupted code may be about to read errno; the calls below must not change it.
    const ErrnoKeeper keepErrno;
    // A fault (not a signal sent by another process) in one of ours: the
    // faulting read is retried and now reads zeros.
    if (info->si_code > 0 && coverCutMapping(reinterpret_cast<std::uintptr_t>(info->si_addr)))
        return;
    // Not ours: back to the earlier handler. A fault then recurs on return
    // and meets it; a signal that was sent is passed on.
    ::sigaction(SIGBUS, &previousBusAction, nullptr);
    if (info->si_code > 0)
        return;
    if ((previousBusAction.sa_flags & SA_SIGINFO) == 0)
        ::raise(SIGBUS);
    else if (previousBusAction.sa_sigaction)
        previousBusAction.sa_sigaction(signal, info, context);
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

}  // namespace

bool BusErrorGuard::watch(const void* data, std::size_t size)
{
    release();
    installBusHandler();
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        bool taken = false;
        if (!guarded[slot].claimed.compare_exchange_strong(taken, true))
            continue;
        guarded[slot].cut = false;
        // The end before the begin: the handler never sees a begin without its end.
        guarded[slot].end = begin + size;
        guarded[slot].begin = begin;
        slot_ = slot;
        return true;
    }
    return false;
}

void BusErrorGuard::release()
{
    if (slot_ < 0)
        return;
    guarded[slot_].begin = 0;
    guarded[slot_].end = 0;
    guarded[slot_].claimed = false;
    slot_ = -1;
}

bool BusErrorGuard::wasCut() const { return slot_ >= 0 && guarded[slot_].cut.load(); }
#else
// Elsewhere an open, mapped file cannot be cut short by another program.
bool BusErrorGuard::watch(const void*, std::size_t)
{
    slot_ = 0;
    return true;
}
void BusErrorGuard::release() { slot_ = -1; }
bool BusErrorGuard::wasCut() const { return false; }
#endif

}  // namespace lumivane
