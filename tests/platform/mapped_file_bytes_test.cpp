// Meter logs mapped into memory: the same bytes, errors and run text as the
// buffered read, and a log cut short by another program under the walk ends
// that file's calculation, not the program (a mapped page past the end is a bus error).
#include "platform/mapped_file_bytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <future>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/meterdata/file_bytes_reader.h"
#include "support/run_fixture.h"

using namespace lumivane;
using lumivane::test::RunFixture;

namespace {

// A log of `megabytes` of readings: large enough to be mapped.
std::string largeLog(const RunFixture& f, std::size_t megabytes)
{
    const std::string path = f.file("large.csv", "");
    std::ofstream out(path, std::ios::binary);
    out << "Status,Timestamp,Value\r\n";
    for (std::size_t i = 0; i * 27 < megabytes << 20; ++i)
        out << "0,05/03/2012 " << 10 + i % 9 << ":" << 10 + i % 50 << "," << 1000 + i << "\r\n";
    return path;
}

std::string readWith(FileBytesReader& reader, const std::string& path)
{
    const auto bytes = reader.read(path);
    return bytes ? std::string(*bytes) : "line " + std::to_string(bytes.error().line) + ": " + bytes.error().reason;
}

// The mapped reader with another program cutting the log to `keep` bytes
// (negative: that many fewer) just after it was mapped.
class CutShortAfterMapping : public FileBytesReader {
public:
    explicit CutShortAfterMapping(off_t keep) : keep_(keep) {}
    Expected<std::string_view> read(const std::string& path) override
    {
        auto bytes = mapped_.read(path);
        if (!bytes || !mapped_.lastReadWasMapped() ||
            ::truncate(path.c_str(), keep_ < 0 ? bytes->size() + keep_ : keep_) != 0)
            std::_Exit(3);
        return bytes;
    }
    Expected<void> confirmLastRead() override { return mapped_.confirmLastRead(); }

private:
    off_t keep_;
    MappedFileBytes mapped_;
};

}  // namespace

TEST(MappedFileBytes, ReadsAndRunsLikeTheBufferedRead)
{
    RunFixture f;
    // Every file with bytes is mapped, the others take the buffered read; each
    // read replaces the bytes of the one before.
    const std::vector<std::string> paths{
        RunFixture::meterLog("plain_site1.csv"), f.file("empty.csv", ""), f.file("one.csv", "x"),
        f.dir.path().string() + "/missing",      f.dir.path().string(),   largeLog(f, 5)};
    MappedFileBytes mapped;
    BufferedFileBytes buffered;
    for (const std::string& path : paths)
        EXPECT_EQ(readWith(mapped, path), readWith(buffered, path)) << path;
    auto runText = [&](FileBytesReader* files) {
        CalculationRun run = f.run(files);
        std::string text = run.headerText();
        for (const std::string& path : paths)
            text += run.calculateFile(path, DateScope{}, nullptr).text;
        return text + run.grandTotalsText();
    };
    MappedFileBytes forRun;
    EXPECT_EQ(runText(&forRun), runText(nullptr));
}

// A pipe with no writer is refused by what the opened file is, and opening it does
// not wait for a writer. (The buffered read: the calculation run's unreadable files.)
TEST(MappedFileBytes, PipeIsRefusedWithoutWaitingForAWriter)
{
    RunFixture f;
    const std::string fifo = f.dir.path().string() + "/fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    MappedFileBytes mapped;
    auto reading = std::async(std::launch::async, [&] { return readWith(mapped, fifo); });
    if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the read waits for a writer";
        ::close(::open(fifo.c_str(), O_WRONLY));  // lets the blocked open go on
    }
    EXPECT_EQ(reading.get(), "line 0: the path is a device, a pipe or a socket, not a file");
}

TEST(MappedFileBytesDeathTest, LogCutShortWhileMappedEndsTheFileNotTheProgram)
{
    // Pages wholly past the new end fault; a cut within the last page does not.
    for (const off_t keep : {off_t(0), off_t(-10)}) {
        RunFixture f;
        const std::string path = largeLog(f, 16);
        EXPECT_EXIT(
            {
                CutShortAfterMapping files(keep);
                CalculationRun run = f.run(&files);
                const FileOutcome out = run.calculateFile(path, DateScope{}, nullptr);
                const bool reported =
                    !out.calculated && run.grandDayUnits() == 0 &&
                    out.status.error().reason.ends_with(
                        "large.csv: the file was cut short by another program while it was being read");
                std::fprintf(stderr, "%s", out.text.c_str());
                std::_Exit(reported ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << keep;
    }
    // A logger appending during the walk does not spoil the part mapped.
    RunFixture f;
    const std::string path = largeLog(f, 5);
    MappedFileBytes grown;
    ASSERT_TRUE(grown.read(path));
    std::ofstream(path, std::ios::app) << "0,06/03/2012 0:00,9999\r\n";
    EXPECT_TRUE(grown.confirmLastRead());
}

// The guard takes only faults of the walked mapping: others still end the program.
TEST(MappedFileBytesDeathTest, OtherBusErrorsStillEndTheProgram)
{
    RunFixture f;
    const std::string path = largeLog(f, 5);
    const std::string other = f.file("other.bin", std::string(1 << 16, 'x'));
    MappedFileBytes files;
    ASSERT_TRUE(files.read(path));
    ASSERT_TRUE(files.lastReadWasMapped());
    EXPECT_EXIT(
        {
            auto* page = static_cast<volatile const char*>(
                ::mmap(nullptr, 1 << 16, PROT_READ, MAP_SHARED, ::open(other.c_str(), O_RDONLY), 0));
            if (page != MAP_FAILED && ::truncate(other.c_str(), 0) == 0)
                std::_Exit(page[1 << 15]);
        },
        ::testing::KilledBySignal(SIGBUS), "");
    EXPECT_EXIT(::kill(::getpid(), SIGBUS), ::testing::KilledBySignal(SIGBUS), "");
}
