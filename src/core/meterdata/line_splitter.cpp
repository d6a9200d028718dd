#include "core/meterdata/line_splitter.h"

namespace lumivane {
char lineEndOf(std::string_view bytes) { return bytes.find('\r') == std::string_view::npos ? '\n' : '\r'; }

LineCursor::LineCursor(std::string_view bytes) : rest_(bytes), end_(lineEndOf(bytes)) {}

bool LineCursor::next(std::string_view& line)
{
    if (done_ || rest_.empty())
        return false;
    const void* hit = std::memchr(rest_.data(), end_, rest_.size());
    if (!hit) {
        line = rest_;
        done_ = true;
        return true;
    }
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(hit) - rest_.data());
    line = rest_.substr(0, length);
    std::size_t skip = length + 1;
    if (end_ == '\r' && skip < rest_.size() && rest_[skip] == '\n')
        ++skip;
    rest_.remove_prefix(skip);
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

FieldCursor::FieldCursor(std::string_view bytes, char separator, char lineEnd)
    : data_(bytes.data()), size_(bytes.size()), separator_(separator), end_(lineEnd)
{
#ifdef LUMIVANE_FIELD_CURSOR_SSE2
    separatorBlock_ = _mm_set1_epi8(separator_);
    endBlock_ = _mm_set1_epi8(end_);
#else
    separatorBlock_ = 0x0101010101010101ULL * static_cast<unsigned char>(separator_);
    endBlock_ = 0x0101010101010101ULL * static_cast<unsigned char>(end_);
#endif
}

std::uint64_t FieldCursor::tailHits(std::size_t& at) const
{
    std::uint64_t found = 0;
    for (unsigned k = 0; at < size_; ++k, ++at)
        if (data_[at] == separator_ || data_[at] == end_)
            found |= std::uint64_t{1} << (k * kBitsPerByte + kBitsPerByte - 1);
    return found;
}

}  // namespace lumivane
