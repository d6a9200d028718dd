// Placeholder substitution with an arbitrary template and arbitrary values:
// the rule itself, the bill and the reports menu.
//
// The input is split at NUL bytes: the first piece is the template, the
// second a placeholder, the third its value; further pieces become the
// bill's file label and the menu's link lists (paths and costs).
//
// Checks beyond memory safety:
//   - substitutePlaceholder keeps the templates' rule: text before the first
//     occurrence, the value, then the text up to a second occurrence;
//   - a bill or menu is refused with a reason and no text, or filled without
//     an error and without growing beyond its template and values;
//   - what the pages get from outside is escaped.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/reports/bill_report.h"
#include "core/reports/reports_menu.h"
#include "core/text/html_text.h"
#include "fuzz_support.h"

using namespace lumivane;
using lumivane::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> pieces;
    while (pieces.size() < 12) {
        pieces.push_back(input.substr(0, input.find('\0')));
        if (input.find('\0') == std::string_view::npos)
            break;
        input.remove_prefix(input.find('\0') + 1);
    }
    auto piece = [&](std::size_t i, std::string_view fallback) { return i < pieces.size() ? pieces[i] : fallback; };
    const std::string templateText(pieces[0]);
    const std::string_view placeholder = piece(1, "%title"), value = piece(2, "VALUE");

    std::string substituted = templateText;
    const bool found = substitutePlaceholder(substituted, placeholder, value);
    const std::size_t at = placeholder.empty() ? std::string::npos : templateText.find(placeholder);
    check(found == (at != std::string::npos), "placeholder found differs from the rule");
    if (found) {
        const std::string rest = templateText.substr(at + placeholder.size());
        check(substituted == templateText.substr(0, at) + std::string(value) + rest.substr(0, rest.find(placeholder)),
              "substitution differs from the rule");
    } else {
        check(substituted == templateText, "substitution without a placeholder changed the text");
    }

    FileFigures figures;
    figures.fromText = "05/03/2012 00:00";
    figures.dayUnits[5] = figures.dayTotal = 12.5;
    figures.nightUnits[6] = figures.nightTotal = 3;
    SettingsRecord settings;
    DateScope scope;
    scope.enabled = (size & 1) != 0;
    const std::string label = "logs/" + std::string(piece(3, "site1.csv"));
    const auto bill = fillBill(
        templateText, {label, &figures, &settings, &scope, piece(4, "05/12/2026"), piece(5, "OFFICE-PC"), "/reports/"});
    check(bill ? bill->figures.billPath.starts_with("/reports/") : !bill.error().reason.empty(),
          "bill refused without a reason, or filled outside the reports folder");
    check(!bill || bill->text.size() <= templateText.size() + 64 * 1024 + 16 * size, "bill grew without bound");

    ReportLinkLists lists;
    for (std::size_t i = 6; i + 1 < pieces.size(); i += 2)
        lists.add({.billPath = std::string(pieces[i]),
                   .billTotalCost = std::string(pieces[i + 1]),
                   .billDayCost = "1,234.50",
                   .billNightCost = std::string(pieces[i + 1])});
    const auto menu = fillReportsMenu(templateText, lists, "05/12/2026", "OFFICE-PC");
    check(menu || !menu.error().reason.empty(), "menu refused without a reason");
    check(!menu || menu->size() <= templateText.size() + 64 * 1024 + 64 * size, "menu grew without bound");

    check(htmlEscape(value).find_first_of("<>\"'%") == std::string::npos, "escaped text keeps markup");
    const std::string url = fileUrl(value);
    check(url.starts_with("file://") && url.find_first_of("<>\"' ") == std::string::npos,
          "file URL keeps characters that need encoding", url);
    return 0;
}
