// lumivane-bench-gen: writes realistic meter logs of the three layouts the
// calculation reads, for the benchmark and the bundled samples.
//
// The meter is cumulative (kWh). The load follows a small commercial site:
// a night base load, a morning ramp, a working-day plateau and an evening
// fall, lighter at weekends, with some noise. Output is deterministic for a
// given seed, so generated files can be compared across runs.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum class Layout { Plain, Gateway, Logger };

struct Options {
    Layout layout = Layout::Plain;
    int day = 1, month = 3, year = 2012;
    int startMinute = 0;  // minutes after midnight of the first reading
    long long intervalSeconds = 1800;
    long long lines = -1;  // readings; -1 = as many as `days` holds
    int days = 31;
    double startReading = 10000.0;
    double baseKw = 2.0;
    double peakKw = 12.0;
    int decimals = 3;
    long long badStatusEvery = 0;  // every Nth reading carries status 1 (0 = never)
    long long longFormEvery = 0;   // gateway: every Nth reading in the long form (0 = never)
    unsigned seed = 2012;
    std::string out;  // empty = standard output
};

const char* const kUsage = "Usage: lumivane-bench-gen [options]\n"
                           "  --layout plain|gateway|logger   file layout (default plain)\n"
                           "  --start D/M/YYYY                date of the first reading (default 1/3/2012)\n"
                           "  --start-time HH:MM              time of the first reading (default 00:00)\n"
                           "  --interval-minutes N            reading interval (default 30)\n"
                           "  --interval-seconds N            reading interval in seconds\n"
                           "  --days N                        span in days (default 31), or\n"
                           "  --lines N                       number of readings\n"
                           "  --start-reading X               first meter reading in kWh (default 10000)\n"
                           "  --base-kw X --peak-kw X         night base load and working-day load (2 and 12)\n"
                           "  --decimals N                    decimals of the readings, 0 to 6 (default 3)\n"
                           "  --bad-status-every N            every Nth reading has status 1 (plain, gateway)\n"
                           "  --long-form-every N             gateway: every Nth reading in the long form\n"
                           "  --seed N                        noise seed (default 2012)\n"
                           "  --out FILE                      write to FILE instead of standard output\n";

bool fail(const std::string& message)
{
    std::fprintf(stderr, "lumivane-bench-gen: %s\n", message.c_str());
    return false;
}

template <typename T>
bool number(std::string_view text, T& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc)
            return fail("option " + std::string(name) + " needs a value");
        const std::string_view v = argv[++i];
        bool ok = true;
        if (name == "--layout") {
            if (v == "plain")
                o.layout = Layout::Plain;
            else if (v == "gateway")
                o.layout = Layout::Gateway;
            else if (v == "logger")
                o.layout = Layout::Logger;
            else
                ok = false;
        } else if (name == "--start") {
            ok = std::sscanf(argv[i], "%d/%d/%d", &o.day, &o.month, &o.year) == 3;
        } else if (name == "--start-time") {
            int h = 0, m = 0;
            ok = std::sscanf(argv[i], "%d:%d", &h, &m) == 2 && h >= 0 && h < 24 && m >= 0 && m < 60;
            o.startMinute = h * 60 + m;
        } else if (name == "--interval-minutes") {
            ok = number(v, o.intervalSeconds) && o.intervalSeconds > 0;
            o.intervalSeconds *= 60;
        } else if (name == "--interval-seconds") {
            ok = number(v, o.intervalSeconds) && o.intervalSeconds > 0;
        } else if (name == "--days") {
            ok = number(v, o.days) && o.days > 0;
        } else if (name == "--lines") {
            ok = number(v, o.lines) && o.lines >= 0;
        } else if (name == "--start-reading") {
            ok = number(v, o.startReading);
        } else if (name == "--base-kw") {
            ok = number(v, o.baseKw) && o.baseKw >= 0;
        } else if (name == "--peak-kw") {
            ok = number(v, o.peakKw) && o.peakKw >= 0;
        } else if (name == "--decimals") {
            ok = number(v, o.decimals) && o.decimals >= 0 && o.decimals <= 6;
        } else if (name == "--bad-status-every") {
            ok = number(v, o.badStatusEvery) && o.badStatusEvery >= 0;
        } else if (name == "--long-form-every") {
            ok = number(v, o.longFormEvery) && o.longFormEvery >= 0;
        } else if (name == "--seed") {
            ok = number(v, o.seed);
        } else if (name == "--out") {
            o.out = std::string(v);
        } else {
            return fail("unknown option " + std::string(name) + " (see --help)");
        }
        if (!ok)
            return fail("bad value for " + std::string(name) + ": " + std::string(v));
    }
    const std::chrono::year_month_day start{std::chrono::year{o.year}, std::chrono::month{unsigned(o.month)},
                                            std::chrono::day{unsigned(o.day)}};
    if (!start.ok())
        return fail("--start is not a calendar date");
    if (o.lines < 0)
        o.lines = static_cast<long long>(o.days) * 86400 / o.intervalSeconds;
    return true;
}

// Share of the working-day load in use at this time of day (0 night .. 1 plateau).
double occupancy(double hourOfDay, bool weekend)
{
    double share;
    if (hourOfDay < 6.0 || hourOfDay >= 20.0)
        share = 0.0;
    else if (hourOfDay < 8.5)
        share = (hourOfDay - 6.0) / 2.5;
    else if (hourOfDay < 17.0)
        share = 1.0 - 0.15 * std::exp(-((hourOfDay - 12.75) * (hourOfDay - 12.75)) / 0.5);  // lunch dip
    else
        share = (20.0 - hourOfDay) / 3.0;
    return weekend ? share * 0.25 : share;
}

class LineWriter {
public:
    explicit LineWriter(std::FILE* file) : file_(file) { buffer_.reserve(kChunk + 256); }
    ~LineWriter() { flush(); }
    void text(std::string_view s) { buffer_.append(s); }
    void ch(char c) { buffer_.push_back(c); }
    void twoDigits(int v)
    {
        buffer_.push_back(char('0' + v / 10));
        buffer_.push_back(char('0' + v % 10));
    }
    void integer(long long v)
    {
        char digits[24];
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v);
        buffer_.append(digits, end);
    }
    // A fixed-point number from its value scaled by 10^decimals.
    void fixed(long long scaled, int decimals)
    {
        long long power = 1;
        for (int i = 0; i < decimals; ++i)
            power *= 10;
        integer(scaled / power);
        if (decimals == 0)
            return;
        buffer_.push_back('.');
        long long fraction = scaled % power;
        for (long long p = power / 10; p > 0; p /= 10) {
            buffer_.push_back(char('0' + fraction / p));
            fraction %= p;
        }
    }
    void endLine()
    {
        buffer_.append("\r\n");
        if (buffer_.size() >= kChunk)
            flush();
    }
    bool flush()
    {
        const bool ok = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
        buffer_.clear();
        ok_ = ok_ && ok;
        return ok_;
    }
    bool ok() const { return ok_; }

private:
    static constexpr std::size_t kChunk = 1 << 20;
    std::FILE* file_;
    std::string buffer_;
    bool ok_ = true;
};

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void header(LineWriter& w, const Options& o)
{
    switch (o.layout) {
    case Layout::Plain:
        w.text("Status,Timestamp,Value");
        w.endLine();
        break;
    case Layout::Gateway:
        for (const char* line :
             {"Gateway Name,Gateway SN,Gateway IP Address,Gateway MAC Address",
              "Plant Room GW,GW0412-1187,10.10.10.10,00:80:F4:12:34:56",
              "Device Name,Device Local ID,Device Type Name,Device Type ID", "Main Incomer,1,Energy Meter,EM6400",
              "Topic ID,Register Name,Units,Scale", "1,Active Energy Import,kWh,1",
              "Error,UTC Offset (minutes),Local Time Stamp,Register Name,Value"}) {
            w.text(line);
            w.endLine();
        }
        break;
    case Layout::Logger:
        for (const char* line :
             {"IRIO Data Logger Export", "Unit\t4", "Site\tWorkshop Unit 4", "Channel\t1",
              "Quantity\tActive Energy Import", "Units\tkWh", "Firmware\t2.07", "Timestamp\tValue"}) {
            w.text(line);
            w.endLine();
        }
        break;
    }
}

bool generate(const Options& o, std::FILE* file)
{
    using namespace std::chrono;
    LineWriter w(file);
    header(w, o);

    std::mt19937 noise(o.seed);
    std::normal_distribution<double> jitter(0.0, 0.08);
    std::uniform_int_distribution<int> acquisitionMs(0, 9999);

    const sys_days firstDay{year_month_day{year{o.year}, month{unsigned(o.month)}, day{unsigned(o.day)}}};
    sys_seconds moment = firstDay + minutes{o.startMinute};
    const bool withSeconds = o.intervalSeconds % 60 != 0 || o.layout == Layout::Logger;
    const double intervalHours = double(o.intervalSeconds) / 3600.0;
    double scale = 1.0;
    for (int i = 0; i < o.decimals; ++i)
        scale *= 10.0;
    double reading = o.startReading;

    for (long long n = 0; n < o.lines; ++n, moment += seconds{o.intervalSeconds}) {
        const sys_days today = floor<days>(moment);
        const year_month_day date{today};
        const hh_mm_ss<seconds> time{moment - today};
        const int h = int(time.hours().count()), m = int(time.minutes().count()), s = int(time.seconds().count());
        const bool weekend = weekday{today}.c_encoding() == 0 || weekday{today}.c_encoding() == 6;

        // Energy of the interval ending now, booked into the cumulative register.
        if (n > 0) {
            const double hourOfDay = h + m / 60.0;
            const double kw =
                (o.baseKw + (o.peakKw - o.baseKw) * occupancy(hourOfDay, weekend)) * std::max(0.0, 1.0 + jitter(noise));
            reading += kw * intervalHours;
        }
        const long long scaled = std::llround(reading * scale);
        const bool badStatus = o.badStatusEvery > 0 && n > 0 && n % o.badStatusEvery == 0;
        const bool longForm =
            o.layout == Layout::Gateway && o.longFormEvery > 0 && n > 0 && n % o.longFormEvery == o.longFormEvery / 2;

        auto dayFirstStamp = [&] {
            w.twoDigits(int(unsigned(date.day())));
            w.ch('/');
            w.twoDigits(int(unsigned(date.month())));
            w.ch('/');
            w.integer(int(date.year()));
            w.ch(' ');
            w.twoDigits(h);
            w.ch(':');
            w.twoDigits(m);
            if (withSeconds) {
                w.ch(':');
                w.twoDigits(s);
            }
        };

        switch (o.layout) {
        case Layout::Plain:
            w.ch(badStatus ? '1' : '0');
            w.ch(',');
            dayFirstStamp();
            w.ch(',');
            w.fixed(scaled, o.decimals);
            break;
        case Layout::Gateway:
            if (longForm) {
                // Lines from the meter's own buffer: serial in the first field, the
                // acquisition time a few seconds after the interval, with milliseconds.
                const int ms = acquisitionMs(noise);
                w.text("EM6400-0412,0,");
                w.twoDigits(int(unsigned(date.day())));
                w.ch('-');
                w.text(kMonths[unsigned(date.month()) - 1]);
                w.ch('-');
                w.integer(int(date.year()));
                w.ch(' ');
                w.twoDigits(h);
                w.ch(':');
                w.twoDigits(m);
                w.ch(':');
                w.twoDigits(ms / 1000);
                w.ch('.');
                w.ch(char('0' + ms % 1000 / 100));
                w.twoDigits(ms % 100);
            } else {
                w.ch(badStatus ? '1' : '0');
                w.text(",0,");
                dayFirstStamp();
            }
            w.text(",Active Energy Import,");
            w.fixed(scaled, o.decimals);
            break;
        case Layout::Logger:
            dayFirstStamp();
            w.ch('\t');
            w.fixed(scaled, o.decimals);
            break;
        }
        w.endLine();
    }
    return w.flush();
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options))
        return 2;
    std::FILE* file = stdout;
    if (!options.out.empty()) {
        file = std::fopen(options.out.c_str(), "wb");
        if (!file) {
            std::fprintf(stderr, "lumivane-bench-gen: cannot write %s: %s\n", options.out.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    const bool ok = generate(options, file);
    const bool closed = file == stdout ? std::fflush(file) == 0 : std::fclose(file) == 0;
    if (!ok || !closed) {
        std::fprintf(stderr, "lumivane-bench-gen: writing failed: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
