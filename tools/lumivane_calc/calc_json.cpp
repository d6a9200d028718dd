#include "lumivane_calc/calc_json.h"

#include "core/meterdata/date_scope_rules.h"
#include "core/reports/bill_report.h"
#include "core/text/file_label.h"
#include "core/reports/file_figures.h"
#include "core/reports/ledger.h"
#include "core/text/app_facts.h"
#include "core/text/display_text.h"
#include "core/text/json_text.h"
#include "core/text/number_text.h"

namespace lumivane {
namespace {

// The value the money format shows, so scripts see the pennies the text shows;
// a cost that is no number stays one, and is written null.
double pennies(double value) { return roundAsShown(value, 2); }
double thousandths(double value) { return roundAsShown(value, 3); }

// "2012-03-01T14:30:00" for a reading's timestamp text; "" when it is none.
std::string isoTimestamp(std::string_view text)
{
    const auto stamp = parseTimestamp(text);
    if (!stamp)
        return {};
    const int second = stamp->secondOfDay;
    const auto two = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return isoDateText(stamp->year, stamp->month, stamp->day) + "T" + two(second / 3600) + ":" +
           two(second % 3600 / 60) + ":" + two(second % 60);
}

// Bytes that are not UTF-8 would be lost to U+FFFD: such a path is given in hex too.
std::string hexBytes(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += kHex[static_cast<unsigned char>(c) >> 4];
        out += kHex[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

bool isUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = static_cast<unsigned char>(text[i]) < 0x80 ? 1 : utf8SequenceLength(text.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

// Members written one after another, the commas taken care of.
class JsonObject {
public:
    JsonObject& raw(std::string_view name, std::string_view json)
    {
        text_ += (text_.size() > 1 ? "," : "") + jsonString(name) + ":" + std::string(json);
        return *this;
    }
    JsonObject& text(std::string_view name, std::string_view value) { return raw(name, jsonString(value)); }
    // The text, or null when it is "".
    JsonObject& textOrNull(std::string_view name, std::string_view value)
    {
        return value.empty() ? raw(name, "null") : text(name, value);
    }
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

// kWh and costs as the results text shows them, each total rounded once: a
// script reading 62.269000000000005 where the text says 62.269 would be told
// two figures by one run.
JsonObject& energyAndCosts(JsonObject& object, double day, double night, const SettingsRecord& s)
{
    return object.number("dayKwh", thousandths(day))
        .number("nightKwh", thousandths(night))
        .number("totalKwh", thousandths(day + night))
        .number("dayCost", pennies(day * s.settingsDayCost))
        .number("nightCost", pennies(night * s.settingsNightCost))
        .number("totalCost", pennies(day * s.settingsDayCost + night * s.settingsNightCost));
}

// The standing charge and VAT as the bill shows them; nothing when they are not billed,
// so a document without them reads as before.
JsonObject& billedCharges(JsonObject& object, const LedgerCharges& c)
{
    if (!c.billed)
        return object;
    return object.number("standingDays", c.standingDays)
        .number("standingCharge", c.standingCharge)
        .number("totalBeforeVat", c.totalBeforeVat)
        .number("vat", c.vat)
        .number("totalWithVat", c.totalWithVat);
}

std::string registerRead(const RegisterRead& read)
{
    if (!read.present)
        return "null";
    return JsonObject()
        .number("value", read.value)
        .text("timestamp", read.timestampText)
        .textOrNull("timestampIso", isoTimestamp(read.timestampText))
        .str();
}

std::string fileObject(const CalcJsonFile& file, const SettingsRecord& settings)
{
    const FileOutcome& o = file.outcome;
    JsonObject object;
    object.text("path", file.path).text("label", fileLabelOf(file.path));
    if (!isUtf8(file.path))
        object.text("pathHex", hexBytes(file.path));
    if (!o.calculated)
        return object.text("error", o.status ? std::string() : o.status.error().reason).str();
    if (!o.month.empty())
        object.text("month", o.month);
    object.text("title", o.title)
        .text("period", o.period.text)
        .textOrNull("periodStart", o.period.startIso)
        .textOrNull("periodEnd", o.period.endIso)
        .text("from", o.figures.fromText)
        .textOrNull("fromIso", isoTimestamp(o.figures.fromText))
        .text("to", o.figures.toText)
        .textOrNull("toIso", isoTimestamp(o.figures.toText));
    energyAndCosts(object, o.figures.dayTotal, o.figures.nightTotal, settings);
    billedCharges(object, o.charges)
        .raw("openingRead", registerRead(o.figures.openingRead))
        .raw("closingRead", registerRead(o.figures.closingRead));
    if (o.billWritten)
        object.text("bill", o.billPath);
    else if (!o.status)
        object.text("billError", o.status.error().reason);
    if (!file.csvPath.empty())
        object.text("csv", file.csvPath);
    else if (!file.csvError.empty())
        object.text("csvError", file.csvError);
    if (!o.figures.notes.empty())
        object.raw("notes", textArray(o.figures.notes));
    return object.str();
}

}  // namespace

std::string calcJsonDocument(const CalcOptions& options, const SettingsRecord& s, const CalcJsonRun& run)
{
    JsonObject scope;
    scope.text("from", options.scope.dayText + "/" + options.scope.monthText + "/" + options.scope.yearText);
    if (const auto rule = scopeRuleOf(options.scope); rule && rule->enabled) {
        const CalendarStamp first = civilFromDays(rule->startDay);
        const CalendarStamp last = civilFromDays(rule->startDay + rule->days - 1);
        scope.text("fromIso", isoDateText(first.year, first.month, first.day))
            .text("toIso", isoDateText(last.year, last.month, last.day));
    }
    scope.number("days", static_cast<double>(parseWholeNumber(options.scope.daysText).value_or(0)));
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
    billedCharges(totals, run.grandCharges);

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
