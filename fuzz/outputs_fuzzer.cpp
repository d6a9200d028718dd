// One meter log of arbitrary bytes rendered every way a run renders it: the
// results text, the bill, the CSV and the JSON, whole or month by month.
//
// The first input byte chooses how; the rest is the file (site1.csv):
//   bits 0-1  date scope: off, or one of three (one across a month end)
//   bit 2     every month on its own
//   bit 3     night-heavy hours and a multiplier of 2.5
//   bit 4     prices of 0.09 for both tariffs, where halves of a penny are common
//
// Checks: the bill's units and costs are the text's; the CSV's rows are the
// period's days, their kWh add up to the block's and each row's total is the
// sum of its costs; the JSON's costs are the text's; months add up to the
// whole log (the last reading in scope less the first).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/meterdata/date_scope_rules.h"
#include "core/meterdata/meter_log_reader.h"
#include "core/reports/bill_report.h"
#include "core/reports/day_figures_csv.h"
#include "core/tariff/calculation_run.h"
#include "core/tariff/tariff_engine.h"
#include "core/text/number_text.h"
#include "fuzz_support.h"
#include "lumivane_calc/calc_json.h"

using namespace lumivane;
using lumivane::fuzz::check;

namespace {

std::vector<std::string> split(std::string_view text, std::string_view separator)
{
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + separator.size();
    }
}

// "    Day Total: 1.500 kWh, £0.24" -> {"1.500", "0.24"}.
std::pair<std::string, std::string> textFigures(const std::string& text, std::string_view line)
{
    const std::size_t at = text.find(line);
    check(at != std::string::npos, "no line in the text", std::string(line));
    const std::size_t start = at + line.size();
    const std::size_t kwh = text.find(" kWh, \xC2\xA3", start);
    const std::size_t end = text.find("\r\n", kwh);
    return {text.substr(start, kwh - start), text.substr(kwh + 8, end - kwh - 8)};
}

// The first number after `"name":` from `from` on; `from` moves past it.
double jsonMember(const std::string& json, std::string_view name, std::size_t& from)
{
    const std::string key = "\"" + std::string(name) + "\":";
    from = json.find(key, from);
    check(from != std::string::npos, "no member in the JSON", key);
    from += key.size();
    return json.compare(from, 4, "null") == 0 ? NAN : std::strtod(json.c_str() + from, nullptr);
}

// Every bill placeholder, so the filled text splits into their values.
constexpr std::string_view kBillTemplate = "%title|%premises|%period|%calc|%totals|%dayhours|%nighthours|%dayunits|"
                                           "%daycost|%daytotal|%nightunits|%nightcost|%nighttotal|%totaltotal|"
                                           "%todaysdate";

void checkBlock(const FileOutcome& o, const SettingsRecord& settings, const DateScope& scope)
{
    const auto day = textFigures(o.text, "    Day Total: ");
    const auto night = textFigures(o.text, "    Night Total: ");
    const BillInputs inputs{"site1.csv", &o.figures, &settings, &scope, "d", "pc", "/r/"};
    const auto bill = fillBill(kBillTemplate, inputs);
    check(bill.ok(), "bill not filled");
    const std::vector<std::string> v = split(bill->text, "|");
    check(v[7] == day.first && v[9] == day.second && v[10] == night.first && v[12] == night.second,
          "the bill's figures are not the text's", o.text + bill->text);
    check(v[13] == formatMoney(moneyTextValue(day.second) + moneyTextValue(night.second)),
          "the bill's total is not the sum of its costs", bill->text);

    const std::vector<std::string> rows = split(dayFiguresCsv(o.figures, o.period, settings), "\r\n");
    const int days = o.period.year == 0 ? 0 : o.period.endDay - o.period.startDay + 1;
    check(rows.size() == static_cast<std::size_t>(days) + 1, "CSV rows are not the period's days", o.period.text);
    double kwh = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> f = split(rows[i], ",");
        kwh += std::strtod(f[1].c_str(), nullptr) + std::strtod(f[2].c_str(), nullptr);
        const double costs = std::strtod(f[3].c_str(), nullptr) + std::strtod(f[4].c_str(), nullptr);
        check(formatUngrouped(costs, 2) == f[5], "a CSV row's total is not the sum of its costs", rows[i]);
    }
    const double total = o.figures.dayTotal + o.figures.nightTotal;
    if (std::isfinite(total) && std::fabs(total) < 1e9)
        check(std::fabs(kwh - total) <= 0.001 * static_cast<double>(rows.size()) + 1e-6,
              "CSV rows do not add up to the block", std::to_string(kwh) + " vs " + std::to_string(total));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    SettingsRecord settings;
    if (mode & 8) {
        settings.settingsFromHours = 19;
        settings.settingsToHours = 5;
        settings.settingsMultiplier = 2.5;
    }
    if (mode & 16)
        settings.settingsDayCost = settings.settingsNightCost = 0.09;
    const DateScope scopes[4] = {
        {}, {true, "28", "2", "2012", "7"}, {true, "30", "12", "2024", "5"}, {true, "1", "3", "2012", "40"}};
    const DateScope scope = scopes[mode & 3];
    const bool eachMonth = (mode & 4) != 0;

    const std::string path = (lumivane::fuzz::scratchFolder() / "site1.csv").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    GraphState graph;
    CalculationRun run(settings, ReportEnvironment{}, graph, defaultGraphPalette());
    std::vector<FileOutcome> blocks;
    if (eachMonth)
        blocks = run.calculateFileByMonth(path, scope);
    else
        blocks.push_back(run.calculateFile(path, scope, nullptr));

    CalcJsonRun json;
    double sum = 0;
    bool whole = true;
    for (const FileOutcome& o : blocks) {
        whole = whole && o.calculated;
        if (!o.calculated)
            continue;
        checkBlock(o, settings, scope);
        sum += o.figures.dayTotal + o.figures.nightTotal;
        json.files.push_back({path, o, "", ""});
    }
    CalcOptions options;
    options.scope = scope;
    options.eachMonth = eachMonth;
    const std::string document = calcJsonDocument(options, settings, json);
    std::size_t at = document.find("\"files\"");
    for (const CalcJsonFile& file : json.files) {
        const double dayCost = jsonMember(document, "dayCost", at);
        const double nightCost = jsonMember(document, "nightCost", at);
        const auto day = textFigures(file.outcome.text, "    Day Total: ");
        const auto night = textFigures(file.outcome.text, "    Night Total: ");
        if (std::isfinite(dayCost) && std::isfinite(nightCost))
            check(formatMoney(dayCost) == day.second && formatMoney(nightCost) == night.second,
                  "the JSON's costs are not the text's", file.outcome.text);
    }

    // Month by month, the steps of the whole log telescope to its last reading less its first.
    if (eachMonth && whole && !json.files.empty()) {
        const auto rule = scopeRuleOf(scope);
        const auto shape = engineShapeOf(bytes, path);
        double first = NAN;
        double last = NAN;
        std::size_t readings = 0;
        if (rule && shape) {
            const auto walked =
                walkMeterReadings(bytes, *shape, true, *rule, [&](const MeterReading& r) -> Expected<void> {
                    const auto value = parseMeterValue(r.valueText);
                    if (value) {
                        first = std::isnan(first) ? *value : first;
                        last = *value;
                        ++readings;
                    }
                    return {};
                });
            const double expected = (last - first) * settings.settingsMultiplier;
            const double scale = (std::fabs(first) + std::fabs(last) + 1) * static_cast<double>(readings);
            if (walked && std::isfinite(expected) && std::isfinite(sum) && scale < 1e12)
                check(std::fabs(sum - expected) <= 1e-9 * scale * 8 + 1e-9, "the months do not add up to the log",
                      std::to_string(sum) + " vs " + std::to_string(expected));
        }
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return 0;
}
