#pragma once
// The HTML bill of one calculated file.
#include <string>
#include <string_view>
#include <vector>

#include "core/reports/file_figures.h"
#include "core/reports/ledger.h"
#include "core/meterdata/date_scope.h"
#include "core/settings/settings_record.h"
#include "core/text/expected.h"

namespace lumivane {

// What the bill hands to the run for the reports menu.
struct BillFigures {
    std::string billPath;
    std::string billTotalCost;  // what the bill asks for: VAT included when it is billed
    std::string billDayCost;
    std::string billNightCost;
    std::string billPeriod = {};   // the bill's period text, for menus that show it
    bool renamedFromMenu = false;  // the bill's own name was the menu's, so "-bill" was added
    // What a person should look at before sending it: "negative", "nothing booked", "see notes".
    std::vector<std::string> billMarks = {};
};

struct BillInputs {
    std::string_view fileLabel;
    const FileFigures* figures = nullptr;
    const SettingsRecord* settings = nullptr;
    const DateScope* scope = nullptr;
    std::string_view shortDate;  // the clock's short date
    std::string_view computerName;
    std::string_view reportsFolder;                       // ends with the separator
    std::string_view titleSuffix = {};                    // appended to the title ("-2012-03" for one month of a log)
    const std::vector<std::string>* notes = nullptr;      // the file's data notes, for "%notes"
    std::string_view fileName = {};                       // the bill's file name; "" for billFileNameOf's
    const std::vector<std::string>* runInputs = nullptr;  // files the bill must not replace
};

struct BillText {
    std::string text;
    BillFigures figures;
};

// The value of a money text such as "1,234.50"; 0 when it is no number.
double moneyTextValue(std::string_view text);

// The file name of the label before its first ".csv" (exact case), or the
// whole name when nothing comes before it, in upper case by Unicode's rules.
std::string billTitleOf(std::string_view fileLabel);

// The bill's file name: the title and ".html", or the title and "-bill.html"
// when that would be the reports menu's name in any case (`renamed` says which),
// since a case-insensitive file system would let the menu replace the bill.
// Leading dots are dropped, so no bill is a hidden file.
std::string billFileNameOf(std::string_view title, bool& renamed);

// The template filled in table order, then "%chart", "%notes" and "%reads"
// when the template has them, and "%billing" (required once a standing charge
// or VAT is set); or the placeholder it lacks.
Expected<BillText> fillBill(std::string_view templateText, const BillInputs& inputs);

// Reads the template, fills it and writes the bill to billPath; the bill's
// figures, or the path and the reason.
Expected<BillFigures> writeBill(const std::string& templatePath, const BillInputs& inputs);

}  // namespace lumivane
