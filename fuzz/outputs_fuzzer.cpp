// One meter log of arbitrary bytes rendered every way a run renders it: the
// results text, the bill, the CSV and the JSON, whole or month by month.
//
// The first input byte chooses how; the rest is the file (site1.csv):
//   bits 0-1  date scope: off, or one of three (one across a month end)
//   bit 2     every month on its own
//   bit 3     night-heavy hours and a multiplier of 2.5
//   bit 4     prices of 0.09 for both tariffs, where halves of a penny are common
//   bit 5     a standing charge of £0.4512 a day and 5 % VAT
//
// Checks: the bill's units and costs are the text's, its total the sum of its
// costs; the CSV's rows are the period's days, their kWh add up to the block's
// (unless a reading of 1e12 or more swallows the others' kWh when added)
// and each row's total is the sum of its costs; the JSON's kWh and costs are the text's;
// the standing charge and VAT lines are the same in the text, the bill, the JSON and the CSV;
// months add up to the whole log (its last reading in scope less its first), unless
// the no-reading value started it afresh.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "core/meterdata/date_scope_rules.h"
#include "core/reports/bill_report.h"
#include "core/reports/day_figures_csv.h"
#include "core/tariff/calculation_run.h"
#include "core/tariff/register_rules.h"
#include "core/text/number_text.h"
#include "fuzz_support.h"
#include "lumivane_calc/calc_json.h"

using namespace lumivane;
using lumivane::fuzz::check;

namespace {

// The length of the number at the start of `t` ("-1,234.500", "2e-3", "null"), 0 when none is there.
std::size_t numberAt(std::string_view t)
{
    if (t.starts_with("null"))
        return 4;
    std::size_t i = t.starts_with('-') ? 1 : 0;
    const auto digits = [&t](std::size_t at, std::string_view also = "") {
        while (at < t.size() && (std::isdigit(static_cast<unsigned char>(t[at])) || also.find(t[at]) != also.npos))
            ++at;
        return at;
    };
    if (i >= t.size() || !std::isdigit(static_cast<unsigned char>(t[i])))
        return 0;
    i = digits(i, ",");
    if (i + 1 < t.size() && t[i] == '.' && std::isdigit(static_cast<unsigned char>(t[i + 1])))
        i = digits(i + 1);
    std::size_t e = i + 1 < t.size() && t[i] == 'e' && (t[i + 1] == '-' || t[i + 1] == '+') ? i + 2 : i + 1;
    if (i < t.size() && t[i] == 'e' && e < t.size() && std::isdigit(static_cast<unsigned char>(t[e])))
        i = digits(e);
    return i;
}

// The numbers of a text in order ("1,234.500" is one), or only those right after one of `keys`.
std::vector<double> numbers(std::string_view text, std::initializer_list<std::string_view> keys = {})
{
    std::vector<double> out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t at = keys.size() == 0 ? i : std::string_view::npos;
        for (const std::string_view key : keys)
            if (text.substr(i).starts_with(key))
                at = i + key.size();
        const std::size_t length = at == std::string_view::npos ? 0 : numberAt(text.substr(at));
        if (length == 0) {
            ++i;
            continue;
        }
        const std::string_view number = text.substr(at, length);
        out.push_back(number == "null" ? NAN : moneyTextValue(number));
        i = at + length;
    }
    return out;
}

// `exactSums`: no reading so large that adding it to the others loses their kWh.
void checkBlock(const FileOutcome& o, const SettingsRecord& settings, const DateScope& scope, const std::string& json,
                bool exactSums)
{
    // Day kWh and cost, night kWh and cost: the text's own figures.
    const std::vector<double> text = numbers(o.text.substr(o.text.find("Day Total:")), {"Total: ", "\xC2\xA3"});
    const auto bill = fillBill("%dayunits %daytotal %nightunits %nighttotal %totaltotal %title %premises %period "
                               "%calc %totals %dayhours %nighthours %daycost %nightcost %todaysdate %billing",
                               {"site1.csv", &o.figures, &settings, &scope, "d", "pc", "/r/"});
    const std::vector<double> b = numbers(bill->text.substr(0, bill->text.find(" SITE1")));
    check(b[0] == text[0] && b[1] == text[1] && b[2] == text[2] && b[3] == text[3],
          "the bill's figures are not the text's", o.text + bill->text);
    check(b[4] == roundAsShown(b[1] + b[3], 2), "the bill's total is not the sum of its costs", bill->text);
    // Day kWh, night kWh, day cost, night cost, as the JSON writes them.
    const std::vector<double> j = numbers(json, {"\"dayKwh\":", "\"nightKwh\":", "\"dayCost\":", "\"nightCost\":"});
    check(j.size() == 4 &&
              (std::isnan(j[2]) || (j[0] == text[0] && j[1] == text[2] && j[2] == text[1] && j[3] == text[3])),
          "the JSON's figures are not the text's", json);

    const std::string csv = dayFiguresCsv(o.figures, o.period, settings);
    // A billed CSV ends with a row of totals, after the days.
    const std::size_t totalRow = settings.settingsStandingCharge != 0 ? csv.rfind("\ntotal,") : std::string::npos;
    const std::vector<double> cells = numbers(csv.substr(0, totalRow), {","});  // no header or date follows a comma
    const int days = o.period.year == 0 ? 0 : o.period.endDay - o.period.startDay + 1;
    check(cells.size() == static_cast<std::size_t>(days) * 5, "CSV rows are not the period's days", o.period.text);
    double kwh = 0;
    for (std::size_t i = 0; i + 4 < cells.size(); i += 5) {
        kwh += cells[i] + cells[i + 1];
        check(cells[i + 4] == roundAsShown(cells[i + 2] + cells[i + 3], 2), "a CSV row's total is not its costs'", csv);
    }
    if (settings.settingsStandingCharge != 0) {
        // Standing charge, total before VAT, VAT, the total with it: text, bill, JSON and CSV.
        const auto t = numbers(o.text.substr(o.text.find("Standing charge:")), {", \xC2\xA3", ": \xC2\xA3"});
        const auto c = numbers(csv.substr(std::min(totalRow, csv.size())), {","});
        const auto bj = numbers(json, {"\"standingCharge\":", "\"totalBeforeVat\":", "\"vat\":", "\"totalWithVat\":"});
        check(t.size() == 4 && numbers(bill->text, {"<td>&pound;"}) == t && (bj == t || std::isnan(bj[0])) &&
                  c.size() == 8 && c[5] == t[0] && c[6] == t[2] && c[7] == t[3] &&
                  t[1] == roundAsShown(b[4] + t[0], 2) && t[3] == roundAsShown(t[1] + t[2], 2),
              "the standing charge and VAT do not agree", o.text + bill->text + json + csv);
    }
    const double total = o.figures.dayTotal + o.figures.nightTotal;
    if (exactSums && std::fabs(total) < 1e9)
        check(std::fabs(kwh - total) <= 0.001 * days + 1e-6, "CSV rows do not add up to the block", csv);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    SettingsRecord settings;
    if (mode & 8) {
        settings.settingsFromHours = 19;
        settings.settingsToHours = 5;
        settings.settingsMultiplier = 2.5;
    }
    if (mode & 16)
        settings.settingsDayCost = settings.settingsNightCost = 0.09;
    if (mode & 32) {
        settings.settingsStandingCharge = 0.4512;
        settings.settingsVATRate = 5;
    }
    const DateScope scopes[4] = {
        {}, {true, "28", "2", "2012", "7"}, {true, "30", "12", "2024", "5"}, {true, "1", "3", "2012", "40"}};
    CalcOptions options;
    options.scope = scopes[mode & 3];
    options.eachMonth = (mode & 4) != 0;

    const std::string path = (lumivane::fuzz::scratchFolder() / "site1.csv").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    GraphState graph;
    CalculationRun run(settings, ReportEnvironment{}, graph, defaultGraphPalette());
    const std::vector<FileOutcome> blocks = options.eachMonth
                                                ? run.calculateFileByMonth(path, options.scope)
                                                : std::vector{run.calculateFile(path, options.scope, nullptr)};
    // The readings in scope as numbers (NaN for a value that is none).
    const auto rule = scopeRuleOf(options.scope);
    const auto shape = engineShapeOf(bytes, path);
    std::vector<double> v;
    double largest = 0;
    bool restarted = false;  // the no-reading value breaks the chain of steps on purpose
    const auto walk = [&](const MeterReading& r) -> Expected<void> {
        v.push_back(parseMeterValue(r.valueText).value_or(NAN));
        restarted = restarted || v.back() == kNoReadingValue;
        largest = std::max(largest, std::fabs(v.back()));
        return {};
    };
    const bool walked = rule && shape && walkMeterReadings(bytes, *shape, true, *rule, walk);
    double sum = 0;
    bool whole = true;
    for (const FileOutcome& o : blocks) {
        whole = whole && o.calculated;
        if (!o.calculated)
            continue;
        CalcJsonRun json;
        json.files.push_back({path, o, "", ""});
        const std::string document = calcJsonDocument(options, settings, json);
        const std::size_t files = document.find("\"files\"");
        checkBlock(o, settings, options.scope, document.substr(files, document.find("\"totals\"") - files),
                   walked && largest < 1e12);
        sum += o.figures.dayTotal + o.figures.nightTotal;
    }
    // Month by month, the steps of the whole log add up to its last reading in scope less its first.
    if (options.eachMonth && whole && walked && v.size() > 1 && !restarted) {
        const double expected = (v.back() - v.front()) * settings.settingsMultiplier;
        // Every reading counts: a huge one between small ones swallows their steps when added.
        const double scale = (largest + 1) * static_cast<double>(v.size());
        if (std::isfinite(expected) && scale < 1e12)
            check(std::fabs(sum - expected) <= 1e-8 * scale, "the months do not add up to the log",
                  std::to_string(sum));
    }
    return 0;
}
