// Placeholder substitution with an arbitrary template and arbitrary values:
// the rule itself, the bill and the reports menu.
//
// The input is split at NUL bytes: the first piece is the template, the
// second a placeholder, the third its value; further pieces become the
// menu's link lists (paths and costs) and the bill's file label.
//
// Checks beyond memory safety:
//   - substitutePlaceholder keeps the templates' rule (text before the first
//     occurrence, the value, then the text up to a second occurrence), checked
//     against a plain second implementation of that rule;
//   - a bill or menu is refused exactly when a placeholder is missing at its
//     turn, and a refused one has no text;
//   - a filled bill or menu never grows beyond its template and values.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/reports/bill_report.h"
#include "core/text/html_text.h"
#include "core/reports/reports_menu.h"
#include "fuzz_support.h"

using namespace lumivane;
using lumivane::fuzz::check;

namespace {

std::vector<std::string_view> splitAtNul(std::string_view input)
{
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t nul = input.find('\0');
        pieces.push_back(input.substr(0, nul));
        if (nul == std::string_view::npos || pieces.size() == 12)
            return pieces;
        input.remove_prefix(nul + 1);
    }
}

// The rule written out another way, to hold the real one against.
std::string referenceSubstitution(const std::string& text, std::string_view placeholder, std::string_view value,
                                  bool& found)
{
    const std::size_t at = placeholder.empty() ? std::string::npos : text.find(placeholder);
    found = at != std::string::npos;
    if (!found)
        return text;
    const std::size_t rest = at + placeholder.size();
    return text.substr(0, at) + std::string(value) + text.substr(rest, text.find(placeholder, rest) - rest);
}

std::string_view pieceOr(const std::vector<std::string_view>& pieces, std::size_t i, std::string_view fallback)
{
    return i < pieces.size() ? pieces[i] : fallback;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto pieces = splitAtNul(input);
    const std::string templateText(pieces[0]);

    // The rule on its own.
    const std::string_view placeholder = pieceOr(pieces, 1, "%title");
    const std::string_view value = pieceOr(pieces, 2, "VALUE");
    std::string substituted = templateText;
    bool expectedFound = false;
    const std::string expected = referenceSubstitution(templateText, placeholder, value, expectedFound);
    const bool found = substitutePlaceholder(substituted, placeholder, value);
    check(found == expectedFound, "placeholder found differs from the rule");
    check(substituted == expected, "substitution differs from the rule");

    // The bill, with figures that fill some rows.
    FileFigures figures;
    figures.fromText = "05/03/2012 00:00";
    figures.dayUnits[5] = figures.dayTotal = 12.5;
    figures.nightUnits[6] = figures.nightTotal = 3;
    SettingsRecord settings;
    DateScope scope;
    scope.enabled = (size & 1) != 0;
    const std::string label = "logs/" + std::string(pieceOr(pieces, 3, "site1.csv"));
    const BillInputs inputs{label,       &figures, &settings, &scope, pieceOr(pieces, 4, "05/12/2026"),
                            pieceOr(pieces, 5, "OFFICE-PC"), "/reports/"};
    const auto bill = fillBill(templateText, inputs);
    if (bill) {
        check(bill->figures.billPath.rfind("/reports/", 0) == 0, "bill path outside the reports folder");
        check(bill->text.size() <= templateText.size() + 64 * 1024 + 16 * input.size(), "bill grew without bound");
    } else {
        check(!bill.error().reason.empty(), "refused bill without a reason");
    }

    // The menu, with link lists taken from the input.
    ReportLinkLists lists;
    for (std::size_t i = 6; i + 1 < pieces.size(); i += 2) {
        BillFigures entry;
        entry.billPath = std::string(pieces[i]);
        entry.billTotalCost = std::string(pieces[i + 1]);
        entry.billDayCost = "1,234.50";
        entry.billNightCost = std::string(pieces[i + 1]);
        lists.add(entry);
    }
    const auto menu = fillReportsMenu(templateText, lists, "05/12/2026", "OFFICE-PC");
    if (menu) {
        check(menu->size() <= templateText.size() + 64 * 1024 + 64 * input.size(), "menu grew without bound");
    } else {
        check(!menu.error().reason.empty(), "refused menu without a reason");
    }

    // What the pages get from outside is escaped: no markup and no placeholder survives.
    const std::string escaped = htmlEscape(value);
    check(escaped.find_first_of("<>\"'%") == std::string::npos, "escaped text keeps markup");
    const std::string url = fileUrl(value);
    check(url.rfind("file://", 0) == 0 && url.find_first_of("<>\"' ") == std::string::npos,
          "file URL keeps characters that need encoding", url);
    return 0;
}
