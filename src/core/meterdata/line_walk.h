#pragma once
// The walk of one thread over a file's lines: each data line through the
// reading filter, each reading to the caller, in file order.
#include <cstddef>

#include "core/meterdata/line_splitter.h"
#include "core/meterdata/reading_filter.h"
#include "core/text/expected.h"

namespace lumivane {

// A walk's visitor that can take the usual lines that follow a reading
// straight from the bytes: takeUsualLines(lines, lineNumber, limit, filter)
// moves `lines` past those it took and leaves any other line to the walk.
template <class OnReading>
concept TakesUsualLines = requires(OnReading& visitor, FieldCursor& lines, std::size_t& lineNumber, std::size_t limit,
                                   const ReadingFilter& filter)
{
    visitor.takeUsualLines(lines, lineNumber, limit, filter);
};

// Walks the lines from where `lines` stands up to the line that starts at
// byte `limit` (or the end), calling onReading(const MeterReading&) for each
// reading in scope; `lineNumber` counts the lines walked so far, header lines
// included. An error of a line, or of onReading, stops the walk and is returned.
template <class OnReading>
Expected<void> walkLinesUpTo(FieldCursor& lines, std::size_t& lineNumber, std::size_t limit, ReadingFilter& filter,
                             OnReading& onReading)
{
    const LayoutShape& shape = filter.shape();
    LineFields fields;
    MeterReading reading;
    Error error;
    while (lines.position() < limit) {
        if (lineNumber >= shape.headerLines) {
            if (const std::size_t length = filter.takeFixed(lines.rest(), lines.lineEnd(), lineNumber + 1, reading)) {
                lines.skipLine(length);
                ++lineNumber;
                if (auto stop = onReading(static_cast<const MeterReading&>(reading)); !stop)
                    return stop;
                if constexpr (TakesUsualLines<OnReading>)
                    onReading.takeUsualLines(lines, lineNumber, limit, filter);
                continue;
            }
        }
        if (!lines.next(fields))
            break;
        ++lineNumber;
        if (lineNumber <= shape.headerLines)
            continue;
        if (fields.count < 2)
            continue;
        switch (filter.take(fields, lineNumber, reading, error)) {
        case ReadingFilter::Result::Skip: break;
        case ReadingFilter::Result::Error: return error;
        case ReadingFilter::Result::Reading:
            if (auto stop = onReading(static_cast<const MeterReading&>(reading)); !stop)
                return stop;
            break;
        }
    }
    return {};
}

}  // namespace lumivane
