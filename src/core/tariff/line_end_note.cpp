#include "core/tariff/line_end_note.h"

#include "core/text/number_text.h"

namespace lumivane {

std::string bareLineFeedNote(const BareLineFeeds& lines)
{
    if (lines.count == 0)
        return {};
    const std::string first = std::to_string(lines.firstLine);
    if (lines.count == 1)
        return "1 line ends in a bare LF instead of CR LF, line " + first + "; it was read as a line of its own";
    return formatGrouped(static_cast<double>(lines.count), 0) +
           " lines end in a bare LF instead of CR LF, the first line " + first + "; each was read as a line of its own";
}

}  // namespace lumivane
