#include "lumivane_calc/calc_json.h"

#include "core/meterdata/date_scope_rules.h"
#include "core/reports/bill_report.h"
#include "core/text/file_label.h"
#include "core/text/app_facts.h"
#include "core/text/json_text.h"
#include "core/text/number_text.h"

namespace lumivane {
namespace {

// The value the money format shows, so scripts see the pennies the text shows.
double pennies(double value) { return moneyTextValue(formatMoney(value)); }

// Members written one after another, the commas taken care of.
class JsonObject {
public:
    JsonObject& raw(std::string_view name, std::string_view json)
    {
        text_ += (text_.size() > 1 ? "," : "") + jsonString(name) + ":" + std::string(json);
        return *this;
    }
    JsonObject& text(std::string_view name, std::string_view value) { return raw(name, jsonString(value)); }
    JsonObject& number(std::string_view name, double value) { return raw(name, jsonNumber(value)); }
    JsonObject& flag(std::string_view name, bool value) { return raw(name, value ? "true" : "false"); }
    std::string str() const { return text_ + "}"; }

private:
    std::string text_ = "{";
};

std::string textArray(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (const std::string& item : items)
        out += (out.size() > 1 ? "," : "") + jsonString(item);
    return out + "]";
}

// kWh as booked; costs as the results text rounds them, the total rounded once.
JsonObject& energyAndCosts(JsonObject& object, double day, double night, const SettingsRecord& s)
{
    return object.number("dayKwh", day)
        .number("nightKwh", night)
        .number("totalKwh", day + night)
        .number("dayCost", pennies(day * s.settingsDayCost))
        .number("nightCost", pennies(night * s.settingsNightCost))
        .number("totalCost", pennies(day * s.settingsDayCost + night * s.settingsNightCost));
}

std::string fileObject(const CalcJsonFile& file, const SettingsRecord& settings)
{
    const FileOutcome& o = file.outcome;
    JsonObject object;
    object.text("path", file.path).text("label", fileLabelOf(file.path));
    if (!o.calculated)
        return object.text("error", o.error).str();
    if (!o.month.empty())
        object.text("month", o.month);
    object.text("title", o.title)
        .text("period", o.period.text)
        .text("from", o.figures.fromText)
        .text("to", o.figures.toText);
    energyAndCosts(object, o.figures.dayTotal, o.figures.nightTotal, settings);
    if (o.billWritten)
        object.text("bill", o.billPath);
    else if (!o.error.empty())
        object.text("billError", o.error);
    if (!file.csvPath.empty())
        object.text("csv", file.csvPath);
    if (!o.figures.notes.empty())
        object.raw("notes", textArray(o.figures.notes));
    return object.str();
}

}  // namespace

std::string calcJsonDocument(const CalcOptions& options, const SettingsRecord& s, const CalcJsonRun& run)
{
    JsonObject scope;
    scope.text("from", options.scope.dayText + "/" + options.scope.monthText + "/" + options.scope.yearText)
        .number("days", static_cast<double>(parseWholeNumber(options.scope.daysText).value_or(0)));
    JsonObject settings;
    settings.number("dayCost", s.settingsDayCost)
        .number("nightCost", s.settingsNightCost)
        .number("multiplier", s.settingsMultiplier)
        .number("fromHour", s.settingsFromHours)
        .number("toHour", s.settingsToHours)
        .raw("scope", options.scope.enabled ? scope.str() : "null")
        .flag("eachMonth", options.eachMonth)
        .flag("export", options.exportReports);

    std::string files = "[";
    std::vector<std::string> bills;
    for (const CalcJsonFile& file : run.files) {
        files += (files.size() > 1 ? "," : "") + fileObject(file, s);
        if (file.outcome.billWritten)
            bills.push_back(file.outcome.billPath);
    }
    files += "]";
    JsonObject totals;
    energyAndCosts(totals, run.grandDayUnits, run.grandNightUnits, s);

    JsonObject document;
    document.text("program", "lumivane-calc")
        .text("version", versionText())
        .raw("settings", settings.str())
        .raw("files", files)
        .raw("totals", totals.str())
        .raw("bills", textArray(bills))
        .raw("menu", run.menuPath.empty() ? std::string("null") : jsonString(run.menuPath))
        .raw("problems", textArray(run.problems));
    return document.str() + "\n";
}

}  // namespace lumivane
