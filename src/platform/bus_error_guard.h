#pragma once
// The bus-error guard of mapped meter logs. Owned by MappedFileBytes, which
// lends out a file's mapping to the walk: another program may cut the file
// short meanwhile, and on POSIX systems reading a page past the new end
// raises SIGBUS. While a mapping is watched, such a fault lays zero pages over
// the rest of it, so the walk finishes on harmless bytes, and marks it as cut.
#include <cstddef>

namespace lumivane {

class BusErrorGuard {
public:
    BusErrorGuard() = default;
    ~BusErrorGuard() { release(); }
    BusErrorGuard(const BusErrorGuard&) = delete;
    BusErrorGuard& operator=(const BusErrorGuard&) = delete;

    // Starts watching [data, data + size) (stopping any earlier watch); false
    // when no watch is free, and then the mapping must not be lent out.
    bool watch(const void* data, std::size_t size);

    // Stops watching; a guard that watches nothing is left as it is.
    void release();

    // Whether a read of the watched range met the end of a file cut short.
    bool wasCut() const;

private:
    int slot_ = -1;
};

}  // namespace lumivane
