// A meter log that another program cuts short while a run walks it. The
// window and lumivane-calc map large logs into memory; on this platform a
// mapped page past the file's new end is a bus error, which must end the
// file's calculation with a clear line, not the whole program. Each case runs
// in a child process, so a bus error shows as the child's way of ending.
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/tariff/calculation_run.h"
#include "platform/mapped_file_bytes.h"
#include "support/fixed_clock.h"
#include "support/temp_dir.h"

using namespace lumivane;

namespace {

// Exit codes of a child whose check failed.
constexpr int kNotMapped = 4;
constexpr int kWrongOutcome = 3;

// The window's reader, with another program cutting the log to `keep` bytes
// just after it was mapped, before the walk has read it.
class CutShortAfterMapping : public FileBytesReader {
public:
    explicit CutShortAfterMapping(off_t keep) : keep_(keep) {}

    Expected<std::string_view> read(const std::string& path) override
    {
        auto bytes = mapped_.read(path);
        mappedIt = mapped_.lastReadWasMapped();
        const off_t size = bytes ? static_cast<off_t>(bytes->size()) : 0;
        if (::truncate(path.c_str(), keep_ < 0 ? size + keep_ : keep_) != 0)
            mappedIt = false;
        return bytes;
    }
    Expected<void> confirmLastRead() override { return mapped_.confirmLastRead(); }

    bool mappedIt = false;

private:
    off_t keep_;
    MappedFileBytes mapped_;
};

// 16 MB of readings: large enough to be mapped.
std::string writeLargeLog(const test::TempDir& dir)
{
    const std::string path = (dir.path() / "site1.csv").string();
    std::ofstream out(path, std::ios::binary);
    out << "Status,Timestamp,Value\r\n";
    std::string day;
    for (int minute = 0; minute < 24 * 60; ++minute)
        day += "0,05/03/2012 " + std::to_string(minute / 60) + ":" + (minute % 60 < 10 ? "0" : "") +
               std::to_string(minute % 60) + "," + std::to_string(1000 + minute) + "\r\n";
    for (std::size_t written = 0; written < 16u << 20; written += day.size())
        out << day;
    return path;
}

// Runs `body` in a child and returns its wait status.
int inChild(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return status;
}

QString describe(int status)
{
    if (WIFSIGNALED(status))
        return QStringLiteral("ended by %1").arg(QString::fromLocal8Bit(strsignal(WTERMSIG(status))));
    if (WIFEXITED(status))
        return QStringLiteral("exit code %1").arg(WEXITSTATUS(status));
    return QStringLiteral("status %1").arg(status);
}

}  // namespace

class MappedLogFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void logCutShortWhileMappedEndsTheFileNotTheProgram_data()
    {
        QTest::addColumn<int>("keep");
        // Pages wholly past the new end fault; a cut within the last page does not.
        QTest::newRow("cut to nothing") << 0;
        QTest::newRow("cut by one reading") << -10;
    }

    void logCutShortWhileMappedEndsTheFileNotTheProgram()
    {
        QFETCH(int, keep);
        test::TempDir dir;
        const std::string path = writeLargeLog(dir);
        const int status = inChild([&] {
            test::FixedClock clock;
            SettingsRecord settings;
            GraphState graph;
            CutShortAfterMapping files(keep);
            CalculationRun run(settings,
                               ReportEnvironment{dir.path().string() + "/", dir.path().string() + "/", &clock, "PC"},
                               graph, defaultGraphPalette(), &files);
            const FileOutcome out = run.calculateFile(path, DateScope{}, nullptr);
            if (!files.mappedIt)
                return kNotMapped;
            const std::string expected =
                "/site1.csv: the file was cut short by another program while it was being read";
            const bool reported = !out.calculated && out.error.size() > expected.size() &&
                                  out.error.compare(out.error.size() - expected.size(), expected.size(), expected) == 0 &&
                                  run.grandDayUnits() == 0 && run.grandNightUnits() == 0;
            if (!reported)
                std::fprintf(stderr, "outcome: %s\n", out.text.c_str());
            return reported ? 0 : kWrongOutcome;
        });
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(describe(status)));
    }

    void logLeftAloneIsConfirmedAfterTheWalk()
    {
        test::TempDir dir;
        const std::string path = writeLargeLog(dir);
        MappedFileBytes files;
        QVERIFY(files.read(path).ok());
        QVERIFY(files.lastReadWasMapped());
        // A logger appending while the walk goes on does not spoil the part mapped.
        std::ofstream(path, std::ios::app | std::ios::binary) << "0,06/03/2012 0:00,9999\r\n";
        QVERIFY(files.confirmLastRead().ok());
    }

    void busErrorsThatAreNotAboutAWalkedLogStillEndTheProgram()
    {
        test::TempDir dir;
        const std::string path = writeLargeLog(dir);
        const std::string other = (dir.path() / "other.bin").string();
        std::ofstream(other, std::ios::binary) << std::string(1 << 16, 'x');

        // A mapping of someone else's, cut short and read: the guard must not hide it.
        const int fault = inChild([&] {
            MappedFileBytes files;
            if (!files.read(path) || !files.lastReadWasMapped())
                return kNotMapped;
            const int fd = ::open(other.c_str(), O_RDONLY);
            auto* page = static_cast<volatile const char*>(::mmap(nullptr, 1 << 16, PROT_READ, MAP_SHARED, fd, 0));
            if (page == MAP_FAILED || ::truncate(other.c_str(), 0) != 0)
                return kNotMapped;
            return page[1 << 15] == 'x' ? kWrongOutcome : kWrongOutcome + 1;
        });
        QVERIFY2(WIFSIGNALED(fault) && WTERMSIG(fault) == SIGBUS, qPrintable(describe(fault)));

        // A bus error signal sent by another process is not swallowed either.
        const int sent = inChild([&] {
            MappedFileBytes files;
            if (!files.read(path) || !files.lastReadWasMapped())
                return kNotMapped;
            ::kill(::getpid(), SIGBUS);
            return kWrongOutcome;
        });
        QVERIFY2(WIFSIGNALED(sent) && WTERMSIG(sent) == SIGBUS, qPrintable(describe(sent)));
    }
};

int main(int argc, char** argv)
{
    // Children here end by bus errors on purpose; the test library's crash
    // handler would otherwise print a debugger stack trace for each.
    std::vector<char*> args(argv, argv + argc);
    args.push_back(const_cast<char*>("-nocrashhandler"));
    int count = static_cast<int>(args.size());
    QCoreApplication app(count, args.data());
    MappedLogFaultsTest test;
    return QTest::qExec(&test, count, args.data());
}
#include "mapped_log_faults_test.moc"
