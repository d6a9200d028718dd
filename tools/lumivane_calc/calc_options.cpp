#include "lumivane_calc/calc_options.h"

#include <optional>

#include "core/meterdata/date_scope_rules.h"
#include "core/settings/settings_record.h"

namespace lumivane {
namespace {

bool allDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Digits only, at most `maxDigits` of them (so the value cannot overflow).
std::optional<int> wholeNumber(std::string_view text, std::size_t maxDigits)
{
    if (!allDigits(text) || text.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// An argument echoed in a message: quoted, and kept on one line.
std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text)
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return out + "\"";
}

std::string typeDescription(SettingType type)
{
    switch (type) {
    case SettingType::Double: return "a decimal number";
    case SettingType::Int16: return "a number from -32768 to 32767";
    case SettingType::Boolean: return "True, False or a number";
    case SettingType::Text: return "a text";
    }
    return "a text";
}

// The three texts of D/M/YYYY, kept as typed, when they name a real calendar day.
std::optional<DateScope> parseFrom(std::string_view text)
{
    const auto first = text.find('/');
    if (first == std::string_view::npos)
        return std::nullopt;
    const auto second = text.find('/', first + 1);
    if (second == std::string_view::npos || text.find('/', second + 1) != std::string_view::npos)
        return std::nullopt;
    const std::string_view dayText = text.substr(0, first);
    const std::string_view monthText = text.substr(first + 1, second - first - 1);
    const std::string_view yearText = text.substr(second + 1);
    // Field widths as in the window: DD, MM and YYYY.
    const auto day = wholeNumber(dayText, 2);
    const auto month = wholeNumber(monthText, 2);
    const auto year = yearText.size() == 4 ? wholeNumber(yearText, 4) : std::nullopt;
    if (!day || !month || !year)
        return std::nullopt;
    DateScope scope;
    scope.enabled = true;
    scope.dayText = std::string(dayText);
    scope.monthText = std::string(monthText);
    scope.yearText = std::string(yearText);
    // Exactly the starts a run takes (no year 0, for one), so a start the run
    // would refuse for every file is a usage error instead.
    DateScope probe = scope;
    probe.daysText = "1";
    if (!scopeRuleOf(probe))
        return std::nullopt;
    return scope;
}

// What is wrong with the command line, if anything.
using Problem = std::optional<std::string>;

// --help or --version anywhere wins over every other argument.
std::optional<CalcOptions> helpOrVersion(const std::vector<std::string_view>& args)
{
    for (std::string_view arg : args) {
        const bool help = arg == "--help" || arg == "-h";
        if (help || arg == "--version") {
            CalcOptions options;
            options.help = help;
            options.version = !help;
            return options;
        }
    }
    return std::nullopt;
}

// --set KEY=VALUE: a known key and a text its type takes.
Problem applySet(std::string_view value, CalcOptions& options)
{
    const auto eq = value.find('=');
    if (eq == std::string_view::npos)
        return "--set " + quoted(value) + " is not KEY=VALUE";
    const std::string_view key = value.substr(0, eq);
    const std::string_view text = value.substr(eq + 1);
    const SettingKey* setting = findSettingKey(key);
    if (!setting)
        return "--set: there is no setting named " + quoted(key) + " (names are exact case, e.g. DayCost)";
    if (!settingTextFits(setting->type, text))
        return "--set: " + std::string(key) + " takes " + typeDescription(setting->type) + ", not " + quoted(text);
    // Keys the dialog checks on Apply are checked alike here.
    if (setting->control == SettingControl::NumberBox)
        if (const std::string problem = settingRangeProblem(*setting, text); !problem.empty())
            return "--set: " + std::string(key) + ": " + problem;
    options.overrides.emplace_back(std::string(key), std::string(text));
    return std::nullopt;
}

// The command line as it is read, argument by argument.
class OptionReader {
public:
    OptionReader(const std::vector<std::string_view>& args, CalcOptions& options) : args_(args), options_(options) {}

    // Reads every argument; the first problem stops the reading.
    Problem readAll()
    {
        for (next_ = 0; next_ < args_.size();) {
            const std::string_view arg = args_[next_++];
            if (arg.empty() || arg.front() != '-')
                options_.files.emplace_back(arg);
            else if (arg == "--export")
                options_.exportReports = true;
            else if (arg == "--each-month")
                options_.eachMonth = true;
            else if (arg == "--json")
                options_.json = true;
            else if (Problem problem = takeValueOption(arg))
                return problem;
        }
        return std::nullopt;
    }

    // What the options say together, once all are read.
    Problem checkTogether()
    {
        if (daysText_) {
            if (Problem problem = takeDays(*daysText_))
                return problem;
        }
        if (!options_.reportsDir.empty() && !options_.exportReports)
            return "--reports-dir needs --export (nothing is written without it)";
        if (options_.files.empty())
            return "no meter log file given (see --help)";
        if (options_.files.size() > static_cast<std::size_t>(kMaxCalcFiles))
            return std::to_string(options_.files.size()) + " files given; at most " + std::to_string(kMaxCalcFiles) +
                   " can be calculated in one run";
        return std::nullopt;
    }

private:
    // Options with a value take it from "--name=value" or from the next argument.
    Problem takeValueOption(std::string_view arg)
    {
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--from" && name != "--days" && name != "--set" && name != "--reports-dir" && name != "--csv")
            return "unknown option " + quoted(arg) + " (see --help)";
        if (!value) {
            if (next_ >= args_.size())
                return "option " + std::string(name) + " needs a value (see --help)";
            value = args_[next_++];
        }
        return applyValueOption(name, *value);
    }

    Problem applyValueOption(std::string_view name, std::string_view value)
    {
        if (name == "--from") {
            const auto scope = parseFrom(value);
            if (!scope)
                return "--from " + quoted(value) + " is not a calendar date written D/M/YYYY";
            options_.scope = *scope;
            return std::nullopt;
        }
        if (name == "--days") {
            daysText_ = value;
            return std::nullopt;
        }
        if (name == "--set")
            return applySet(value, options_);
        if (name == "--csv") {
            if (value.empty())
                return "--csv needs a folder name";
            options_.csvDir = std::string(value);
            return std::nullopt;
        }
        if (value.empty())
            return "--reports-dir needs a folder name";
        options_.reportsDir = std::string(value);
        return std::nullopt;
    }

    // The last --days given, checked once --from is known.
    Problem takeDays(std::string_view text)
    {
        const auto days = wholeNumber(text, 9);
        if (!days || *days < 1 || *days > kMaxScopeDays)
            return "--days " + quoted(text) + " is not a whole number from 1 to " + std::to_string(kMaxScopeDays);
        if (!options_.scope.enabled)
            return "--days needs --from (the scope starts on a date)";
        options_.scope.daysText = std::to_string(*days);
        return std::nullopt;
    }

    const std::vector<std::string_view>& args_;
    CalcOptions& options_;
    std::size_t next_ = 0;
    std::optional<std::string_view> daysText_;
};

}  // namespace

Expected<CalcOptions> parseCalcOptions(const std::vector<std::string_view>& args)
{
    if (auto early = helpOrVersion(args))
        return std::move(*early);
    CalcOptions options;
    OptionReader reader(args, options);
    if (Problem problem = reader.readAll())
        return failure(std::move(*problem));
    if (Problem problem = reader.checkTogether())
        return failure(std::move(*problem));
    return options;
}

const std::string* findOverride(const CalcOptions& options, std::string_view key)
{
    const std::string* found = nullptr;
    for (const auto& [name, text] : options.overrides)
        if (name == key)
            found = &text;
    return found;
}

Expected<void> checkReportsFolderKnown(const CalcOptions& options, const char* home, const char* xdgDataHome)
{
    const auto set = [](const char* value) { return value && *value; };
    if (options.exportReports && options.reportsDir.empty() && !set(home) && !set(xdgDataHome))
        return failure("--export needs --reports-dir here: neither HOME nor XDG_DATA_HOME is set, so there is no "
                       "per-user reports folder");
    return {};
}

std::string calcUsageText()
{
    return R"(Usage: lumivane-calc [--from D/M/YYYY] [--days N] [--set KEY=VALUE]... [--export] [--reports-dir DIR]
                     [--each-month] [--csv DIR] [--json] FILE...

Calculates day and night consumption and its cost for up to 36 meter log files
with the settings of the Lumivane window, and prints the text that the
window's results area holds after the same run (header, one block per file,
grand totals).

Options:
  --from D/M/YYYY    calculate whole days only, starting on this date (day
                     first; day and month of one or two digits, a four-digit
                     year)
  --days N           with --from: length of the scope in days, 1 to 99
                     (default 7)
  --set KEY=VALUE    use VALUE for the setting KEY in this run only; nothing is
                     saved. KEY is exact case: DayCost, NightCost, Multiplier,
                     FromHour, ToHour, StandingCharge (pounds per day),
                     VATRate (percent), ... (may be repeated)
  --export           also write one HTML bill per file and menu.html; no
                     browser is opened. Without --export no file is written,
                     whatever the stored Export setting says
  --reports-dir DIR  with --export: write the reports into DIR (created if
                     missing) instead of the per-user reports folder
  --each-month       calculate every calendar month of each file as its own
                     block (labelled with the month), bill (TITLE-YYYY-MM)
                     and menu entry; a step across a month's end is booked
                     on the later reading's day, so the months add up to the
                     whole log
  --csv DIR          write the per-day figures of every file (every month
                     with --each-month) to DIR/TITLE.csv (created if missing)
  --json             print one JSON document instead of the text (see
                     lumivane-calc(1) for its fields)
  --help             show this text
  --version          show the version

Settings come from the same per-user store as the window. Arguments that begin
with "-" are options; write ./-name for a file whose name begins with "-".

Exit status: 0 every file calculated; 1 a file could not be calculated or a
report could not be written; 2 the command line is wrong.
)";
}

}  // namespace lumivane
