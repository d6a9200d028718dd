#include "core/meterdata/line_splitter.h"

namespace lumivane {
char lineEndOf(std::string_view bytes) { return bytes.find('\r') == std::string_view::npos ? '\n' : '\r'; }

std::size_t lineEndAt(std::string_view bytes, std::size_t from, char lineEnd)
{
    if (from >= bytes.size())
        return bytes.size();
    const char* const start = bytes.data() + from;
    const void* hit = std::memchr(start, lineEnd, bytes.size() - from);
    const std::size_t end = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - bytes.data()) : bytes.size();
    if (lineEnd != '\r')
        return end;
    for (std::size_t at = from; at < end; ++at) {
        const void* lineFeed = std::memchr(bytes.data() + at, '\n', end - at);
        if (lineFeed == nullptr)
            break;
        at = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - bytes.data());
        if (endsLineAlone(bytes.data() + at, at))
            return at;
    }
    return end;
}

std::size_t nextLineStart(std::string_view bytes, std::size_t from, char lineEnd)
{
    const std::size_t end = lineEndAt(bytes, from, lineEnd);
    if (end >= bytes.size())
        return bytes.size();
    std::size_t after = end + 1;
    if (bytes[end] == '\r' && after < bytes.size() && bytes[after] == '\n')
        ++after;
    return after;
}

LineCursor::LineCursor(std::string_view bytes) : bytes_(bytes), end_(lineEndOf(bytes)) {}

bool LineCursor::next(std::string_view& line)
{
    if (done_ || pos_ >= bytes_.size())
        return false;
    const std::size_t end = lineEndAt(bytes_, pos_, end_);
    line = bytes_.substr(pos_, end - pos_);
    if (end == bytes_.size()) {
        done_ = true;
        return true;
    }
    pos_ = nextLineStart(bytes_, end, end_);
    return true;
}

void LineFields::split(std::string_view line, char separator)
{
    // One pass over the bytes: lines are short, so a plain loop beats a
    // library search per field.
    count = 0;
    const char* p = line.data();
    const char* const end = p + line.size();
    const char* start = p;
    for (; p != end; ++p) {
        if (*p != separator)
            continue;
        field[count++] = std::string_view(start, static_cast<std::size_t>(p - start));
        start = p + 1;
        if (count == kKept) {
            count = kKept + 1;
            return;
        }
    }
    field[count++] = std::string_view(start, static_cast<std::size_t>(end - start));
}

FieldCursor::FieldCursor(std::string_view bytes, char separator, char lineEnd, std::size_t readableBefore)
    : data_(bytes.data()), size_(bytes.size()), readableBefore_(readableBefore), separator_(separator), end_(lineEnd)
{
#ifdef LUMIVANE_FIELD_CURSOR_SSE2
    separatorBlock_ = _mm_set1_epi8(separator_);
    endBlock_ = _mm_set1_epi8(end_);
    lineFeedBlock_ = _mm_set1_epi8('\n');
#else
    separatorBlock_ = 0x0101010101010101ULL * static_cast<unsigned char>(separator_);
    endBlock_ = 0x0101010101010101ULL * static_cast<unsigned char>(end_);
    lineFeedBlock_ = 0x0101010101010101ULL * static_cast<unsigned char>('\n');
#endif
}

std::uint64_t FieldCursor::tailHits(std::size_t& at) const
{
    std::uint64_t found = 0;
    for (unsigned k = 0; at < size_; ++k, ++at)
        if (data_[at] == separator_ || data_[at] == end_ || data_[at] == '\n')
            found |= std::uint64_t{1} << (k * kBitsPerByte + kBitsPerByte - 1);
    return found;
}

}  // namespace lumivane
