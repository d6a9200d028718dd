// Meter logs that are no meter logs: a folder, an empty file, random binary
// bytes, and one enormous line without a line end. Each gets one error line
// or a calculation, never a crash, a hang or memory beyond one copy of the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#ifdef __linux__
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/tariff/calculation_run.h"
#include "support/fixed_clock.h"
#include "support/temp_dir.h"

using namespace lumivane;
using lumivane::test::FixedClock;
using lumivane::test::TempDir;

namespace {

const char* kGoodLog = "Status,Timestamp,Value\r\n"
                       "0,01/03/2012 00:00,1000\r\n"
                       "0,01/03/2012 12:00,1012.5\r\n"
                       "0,31/03/2012 23:30,1015.5\r\n";

struct RunFixture {
    TempDir dir;
    FixedClock clock;
    SettingsRecord settings;
    GraphState graph;
    GraphPalette palette = defaultGraphPalette();
    std::string reports;

    RunFixture()
    {
        settings.settingsExport = 1;
        reports = (dir.path() / "reports").string() + "/";
        std::filesystem::create_directories(reports);
    }
    ReportEnvironment environment() const { return {reports, LUMIVANE_RESOURCES_DIR, &clock, "OFFICE-PC"}; }
    bool reportsHoldTemporaryFiles() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(reports))
            if (entry.path().extension() == ".part")
                return true;
        return false;
    }
};

}  // namespace

// A file that cannot be calculated is one line naming it and why, then the
// empty line; nothing is booked or written, and the next file is calculated.
TEST(MeterLogFaults, MeterLogThatIsAFolderEmptyOrMissingIsOneErrorLineAndTheRunGoesOn)
{
    RunFixture r;
    std::filesystem::create_directories(r.dir.path() / "logs" / "site1.csv");
    r.dir.write("logs/empty.csv", "");
    const std::pair<const char*, const char*> cases[] = {
        {"logs/site1.csv", "the path is a folder"},
        {"logs/empty.csv", "the file is empty"},
        {"logs/gone.csv", "No such file or directory"},
    };
    CalculationRun run(r.settings, r.environment(), r.graph, r.palette);
    for (const auto& [label, reason] : cases) {
        SCOPED_TRACE(label);
        const FileOutcome out = run.calculateFile((r.dir.path() / label).string(), DateScope{}, nullptr);
        EXPECT_FALSE(out.calculated);
        EXPECT_FALSE(out.billWritten);
        EXPECT_EQ(out.error.rfind(std::string(label) + ": ", 0), 0u) << out.error;
        EXPECT_NE(out.error.find(reason), std::string::npos) << out.error;
        EXPECT_EQ(out.text, out.error + "\r\n\r\n");
    }
    EXPECT_TRUE(std::filesystem::is_empty(r.reports));

    const FileOutcome good = run.calculateFile(r.dir.write("logs/site2.csv", kGoodLog), DateScope{}, nullptr);
    EXPECT_TRUE(good.calculated);
    EXPECT_TRUE(good.billWritten);
    EXPECT_DOUBLE_EQ(run.grandDayUnits(), 12.5);
}

TEST(MeterLogFaults, RandomBinaryBytesWithNulNeverBreakTheRun)
{
    RunFixture r;
    std::mt19937 random(20121205);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 16 * 1024);
    CalculationRun run(r.settings, r.environment(), r.graph, r.palette);
    int calculated = 0;
    for (int i = 0; i < 60; ++i) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : bytes)
            c = static_cast<char>(byte(random));
        // Every third file has a usual first line, so its data lines get read too.
        if (i % 3 == 0)
            bytes.insert(0, "Status,Timestamp,Value\r\n0,01/03/2012 00:00,5\r\n");
        const std::string name = (i % 2 == 0 ? "bin" + std::to_string(i) + ".csv" : "bin" + std::to_string(i) + ".IRIO.txt");
        const FileOutcome out = run.calculateFile(r.dir.write("logs/" + name, bytes), DateScope{}, nullptr);
        if (out.calculated) {
            ++calculated;
            EXPECT_TRUE(out.billWritten) << out.error;
        } else {
            EXPECT_EQ(out.text, out.error + "\r\n\r\n");
        }
    }
    EXPECT_GT(calculated, 0);
    EXPECT_TRUE(run.buildReportsMenu().ok());
    EXPECT_FALSE(r.reportsHoldTemporaryFiles());

    // The run is no worse for it: a good file afterwards is calculated as ever.
    const double before = run.grandDayUnits();
    const FileOutcome good = run.calculateFile(r.dir.write("logs/site1.csv", kGoodLog), DateScope{}, nullptr);
    EXPECT_TRUE(good.calculated);
    EXPECT_DOUBLE_EQ(run.grandDayUnits() - before, 12.5);
}

#ifdef __linux__
namespace {

// The process's peak resident set, in kB, as the kernel keeps it.
long peakResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

}  // namespace

TEST(MeterLogFaults, TwoHundredMegabyteLineWithoutLineEndNeedsOneCopyOfTheFileAndEnds)
{
    RunFixture r;
    constexpr std::size_t kSize = 200u * 1024 * 1024;
    const auto path = r.dir.path() / "logs" / "huge.csv";
    std::filesystem::create_directories(path.parent_path());
    {
        // Fields but no line end anywhere: the whole file is the header line.
        std::string chunk;
        while (chunk.size() < 1024 * 1024)
            chunk += "12345,67890,";
        chunk.resize(1024 * 1024);
        std::ofstream out(path, std::ios::binary);
        for (std::size_t written = 0; written < kSize; written += chunk.size())
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        ASSERT_TRUE(out.good());
    }

    // The run happens in a child process, so its peak memory is its own; an
    // alarm ends a child that hangs.
    struct Report {
        long growthKb;
        bool calculated, billWritten, menuWritten;
        std::size_t textSize;
    } report{};
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(180);
        const long before = peakResidentKilobytes();
        CalculationRun run(r.settings, r.environment(), r.graph, r.palette);
        const FileOutcome out = run.calculateFile(path.string(), DateScope{}, nullptr);
        const bool menu = run.buildReportsMenu().ok();
        report = {peakResidentKilobytes() - before, out.calculated, out.billWritten, menu, out.text.size()};
        _exit(write(pipeFds[1], &report, sizeof report) == static_cast<ssize_t>(sizeof report) ? 0 : 2);
    }
    close(pipeFds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    const ssize_t got = read(pipeFds[0], &report, sizeof report);
    close(pipeFds[0]);
    ASSERT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        << "the run over a 200 MB line did not end within three minutes";
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child ended with status " << status;
    ASSERT_EQ(got, static_cast<ssize_t>(sizeof report));

    // A line with no line end is the header line: the file is calculated with no readings.
    EXPECT_TRUE(report.calculated);
    EXPECT_TRUE(report.billWritten);
    EXPECT_TRUE(report.menuWritten);
    EXPECT_LT(report.textSize, 1024u) << "the results text carries the line";
    // One copy of the file in memory, nothing per line or per field on top.
    const long limitKb = static_cast<long>(kSize / 1024) + 64 * 1024;
    RecordProperty("peak_growth_kb", static_cast<int>(report.growthKb));
    EXPECT_LE(report.growthKb, limitKb) << "peak memory grew by " << report.growthKb / 1024 << " MB for a "
                                        << kSize / (1024 * 1024) << " MB file";
    std::filesystem::remove(path);
}
#endif
