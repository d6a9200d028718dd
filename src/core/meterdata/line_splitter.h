#pragma once
// The line splitter of the meter log reader: lines and their fields found in
// the bytes in place, nothing allocated per line. Owned by the meter log
// reader (meter_log_reader.h), which every walk of a file goes through; the
// pre-scan and the tariff engine share it.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/meterdata/per_line.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define LUMIVANE_FIELD_CURSOR_SSE2 1
#endif

namespace lumivane {

// The byte that ends the lines of a file: CR, or LF when the file holds no CR.
char lineEndOf(std::string_view bytes);

// Whether the LF at `lf` ends a line of its own in a file whose lines end in
// CR: it is not the LF of a CR LF, nor of the CR NUL LF of UTF-16 text (which
// reads as before, its line numbers as an editor shows them). `readableBefore`
// bytes before it may be looked at.
inline bool endsLineAlone(const char* lf, std::size_t readableBefore)
{
    if (readableBefore >= 1 && lf[-1] == '\r')
        return false;
    return !(readableBefore >= 2 && lf[-1] == '\0' && lf[-2] == '\r');
}

// Where the line that holds `from` ends (its CR or LF), or the size when it is
// the last line. In a file whose lines end in CR, a bare LF ends a line too:
// a file that mixes CR LF and LF loses no line to the next.
std::size_t lineEndAt(std::string_view bytes, std::size_t from, char lineEnd);

// Just after the end of the line that holds `from` (a CR LF is one end); the size when there is none.
std::size_t nextLineStart(std::string_view bytes, std::size_t from, char lineEnd);

// The lines of a file that end in a bare LF where the file's lines end in CR:
// how many, and the number of the first (counted from 1 where the count began).
struct BareLineFeeds {
    std::size_t count = 0;
    std::size_t firstLine = 0;

    void note(std::size_t line)
    {
        if (count++ == 0)
            firstLine = line;
    }
    // Adds the tally of a later stretch whose line 1 is line `offset + 1` here.
    void add(const BareLineFeeds& later, std::size_t offset)
    {
        if (later.count > 0 && count == 0)
            firstLine = later.firstLine + offset;
        count += later.count;
    }
};

// The lines of a file: ends are CR LF, CR or a bare LF; a file without any CR is split at LF.
class LineCursor {
public:
    explicit LineCursor(std::string_view bytes);

    // The next line without its end; false after the last line.
    bool next(std::string_view& line);

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    char end_;
    bool done_ = false;
};

// The first fields of a line; fields beyond the fifth are counted, not kept.
struct LineFields {
    static constexpr int kKept = 5;
    std::string_view field[kKept];
    int count = 0;  // capped at kKept + 1

    // Splits one line at `separator` into the fields above.
    void split(std::string_view line, char separator);
};

// The lines of a file split into their fields in one pass over the bytes:
// the same lines as LineCursor, each split as LineFields::split would.
// A block of bytes is tested at once for the separator and both line end
// bytes (16 with SSE2, else 8 in a word), so a line of 30 bytes costs two or
// four block tests instead of a look at every byte.
class FieldCursor {
public:
    FieldCursor(std::string_view bytes, char separator) : FieldCursor(bytes, separator, lineEndOf(bytes)) {}
    // A part of a file, with the line end of the whole file; `readableBefore`
    // bytes of the file before the part may be looked at.
    FieldCursor(std::string_view bytes, char separator, char lineEnd, std::size_t readableBefore = 0);

    // The lines that ended in a bare LF so far, numbered from this cursor's first line.
    const BareLineFeeds& bareLineFeeds() const { return bare_; }

    // The bytes from the next line on, and the line end: a caller may read a
    // line of a fixed shape itself, then skipLine past it.
    std::string_view rest() const { return std::string_view(data_ + pos_, size_ - pos_); }
    char lineEnd() const { return end_; }
    // Where the next line starts, from the start of the bytes.
    std::size_t position() const { return pos_; }
    // Moves on to `at`, the start of a line `lines` lines on, read elsewhere.
    void jumpTo(std::size_t at, std::size_t lines)
    {
        pos_ = at;
        lines_ += lines;
    }

    // Moves past the next line, whose CR or LF is `length` bytes from its start.
    LUMIVANE_PER_LINE void skipLine(std::size_t length)
    {
        prefetchAhead();
        ++lines_;
        pos_ = afterLineEnd(pos_ + length);
    }

    // The fields of the next line; false after the last line.
    bool next(LineFields& fields)
    {
        if (pos_ >= size_)
            return false;
        prefetchAhead();
        ++lines_;
        std::size_t fieldStart = pos_;
        int count = 0;
        std::size_t at = pos_;
        while (at < size_) {
            const std::size_t block = at;
            std::uint64_t found = hitsFrom(at);
            while (found != 0) {
                const std::size_t i = block + (static_cast<std::size_t>(std::countr_zero(found)) / kBitsPerByte);
                found &= found - 1;
                // Only separators and line ends are hits.
                if (data_[i] != separator_) {
                    if (data_[i] != end_) {
                        if (!endsLineAlone(data_ + i, i + readableBefore_))
                            continue;
                        bare_.note(lines_);
                    }
                    finishLine(fields, count, fieldStart, i);
                    pos_ = afterLineEnd(i);
                    return true;
                }
                keepField(fields, count, fieldStart, i);
            }
        }
        // The last line needs no end.
        finishLine(fields, count, fieldStart, size_);
        pos_ = size_;
        return true;
    }

private:
#ifdef LUMIVANE_FIELD_CURSOR_SSE2
    static constexpr std::size_t kBlock = 16;
    static constexpr unsigned kBitsPerByte = 1;  // one mask bit per byte
#else
    static constexpr std::size_t kBlock = 8;
    static constexpr unsigned kBitsPerByte = 8;  // the high bit of each byte
#endif
    static constexpr std::size_t kPrefetchAhead = 2048;

    // A mapped file is walked straight from the page cache, so its bytes are
    // asked for well ahead of the walk.
    LUMIVANE_PER_LINE void prefetchAhead() const
    {
#if defined(__GNUC__) || defined(__clang__)
        if (size_ - pos_ > kPrefetchAhead)
            __builtin_prefetch(data_ + pos_ + kPrefetchAhead);
#elif defined(LUMIVANE_FIELD_CURSOR_SSE2)
        if (size_ - pos_ > kPrefetchAhead)
            _mm_prefetch(data_ + pos_ + kPrefetchAhead, _MM_HINT_T0);
#endif
    }

    // The separators and line ends of the block at `at`, one mark per byte
    // (bit k * kBitsPerByte + kBitsPerByte - 1 for byte k); moves `at` past the block.
    std::uint64_t hitsFrom(std::size_t& at) const
    {
        if (size_ - at >= kBlock) {
            const std::uint64_t found = blockHits(data_ + at);
            at += kBlock;
            return found;
        }
        return tailHits(at);
    }

#ifdef LUMIVANE_FIELD_CURSOR_SSE2
    std::uint64_t blockHits(const char* p) const
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(bytes, endBlock_), _mm_cmpeq_epi8(bytes, lineFeedBlock_));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, separatorBlock_), ends);
        return static_cast<std::uint32_t>(_mm_movemask_epi8(hits));
    }
#else
    static constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    // 0x80 in every byte of x that is zero, 0 elsewhere; exact, no borrow between bytes.
    static std::uint64_t zeroBytes(std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); }
    static std::uint64_t byteSwapped(std::uint64_t x)
    {
        std::uint64_t out = 0;
        for (int i = 0; i < 8; ++i, x >>= 8)
            out = (out << 8) | (x & 0xFF);
        return out;
    }
    std::uint64_t blockHits(const char* p) const
    {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if constexpr (std::endian::native == std::endian::big)
            word = byteSwapped(word);
        return zeroBytes(word ^ separatorBlock_) | zeroBytes(word ^ endBlock_) | zeroBytes(word ^ lineFeedBlock_);
    }
#endif

    // The last bytes, fewer than a block, looked at one by one.
    std::uint64_t tailHits(std::size_t& at) const;

    // Keeps the field that ends at `i`; fields beyond the fifth are counted, not kept.
    void keepField(LineFields& fields, int& count, std::size_t& fieldStart, std::size_t i) const
    {
        if (count >= LineFields::kKept)
            return;
        fields.field[count++] = std::string_view(data_ + fieldStart, i - fieldStart);
        fieldStart = i + 1;
        if (count == LineFields::kKept)
            count = LineFields::kKept + 1;
    }

    void finishLine(LineFields& fields, int count, std::size_t fieldStart, std::size_t lineEnd) const
    {
        if (count < LineFields::kKept)
            fields.field[count++] = std::string_view(data_ + fieldStart, lineEnd - fieldStart);
        fields.count = count;
    }

    // Where the next line starts after the line end at `i` (a CR LF counts as one end).
    LUMIVANE_PER_LINE std::size_t afterLineEnd(std::size_t i) const
    {
        std::size_t skip = i + 1;
        if (data_[i] == '\r' && skip < size_ && data_[skip] == '\n')
            ++skip;
        return skip;
    }

    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::size_t readableBefore_;
    std::size_t lines_ = 0;
    BareLineFeeds bare_;
    char separator_;
    char end_;
#ifdef LUMIVANE_FIELD_CURSOR_SSE2
    __m128i separatorBlock_;
    __m128i endBlock_;
    __m128i lineFeedBlock_;
#else
    std::uint64_t separatorBlock_;
    std::uint64_t endBlock_;
    std::uint64_t lineFeedBlock_;
#endif
};

}  // namespace lumivane
