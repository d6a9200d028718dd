// The pulse and alarm logs when their folder goes away, turns into something
// else, or the disk is full: each record that cannot be written is reported
// with the path, later records go on, and lines already written stay as they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/gateway/log_file.h"
#include "support/temp_dir.h"

using namespace lumivane;
using lumivane::test::readFile;
using lumivane::test::TempDir;

TEST(LogFaults, LogsFolderRemovedWhileRunningIsReportedAndLaterRecordsGoOn)
{
    TempDir dir;
    const auto logs = dir.path() / "logs";
    std::filesystem::create_directories(logs);
    const auto log = logs / "alarmdata.txt";
    ASSERT_TRUE(appendLogRecord(log, "first\r\n").ok());

    // The folder goes away under the running program.
    const std::string kept = readFile(log);
    std::filesystem::remove_all(logs);
    const LogAppendResult lost = appendLogRecord(log, "second\r\n");
    ASSERT_FALSE(lost.ok());
    EXPECT_NE(lost.error.find(log.string()), std::string::npos) << lost.error;
    // Nothing recreates the folder behind the operator's back.
    EXPECT_FALSE(std::filesystem::exists(logs));

    // Once the folder is back (restored by the operator, say, with its old lines), appending goes on after them.
    std::filesystem::create_directories(logs);
    dir.write("logs/alarmdata.txt", kept);
    ASSERT_TRUE(appendLogRecord(log, "third\r\n").ok());
    EXPECT_EQ(readFile(log), "first\r\nthird\r\n");
}

// A file where the logs folder should be, or a folder where the log should be:
// reported with the log's path, and what is there is left as it is.
TEST(LogFaults, LogsFolderThatIsAFileOrLogThatIsAFolderIsReportedAndLeftAsItIs)
{
    TempDir dir;
    const std::string blocker = dir.write("logs", "not a folder");
    std::filesystem::create_directories(dir.path() / "pulsedata.txt" / "inside");
    for (const auto& log : {std::filesystem::path(blocker) / "pulsedata.txt", dir.path() / "pulsedata.txt"}) {
        const LogAppendResult result = appendLogRecord(log, "S1=1, S2=2, DT=x\r\n");
        ASSERT_FALSE(result.ok()) << log;
        EXPECT_NE(result.error.find(log.string()), std::string::npos) << result.error;
    }
    EXPECT_EQ(readFile(blocker), "not a folder");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "pulsedata.txt" / "inside"));
}

TEST(LogFaults, ExistingLinesAreNeverRewrittenByAppending)
{
    TempDir dir;
    // Old lines as another program or an older version may have left them:
    // LF only, a last line without a line end, bytes outside ASCII.
    const std::string old = "S1=1, S2=2, DT=01/01/2026 00:00:00\r\nodd line\n\xA3 42\r\nno end";
    const auto log = dir.write("pulsedata.txt", old);
    std::string expected = old;
    for (int i = 0; i < 200; ++i) {
        const std::string record = "S1=" + std::to_string(i) + ", S2=0, DT=05/12/2026 14:03:27\r\n";
        ASSERT_TRUE(appendLogRecord(log, record).ok());
        expected += record;
    }
    EXPECT_EQ(readFile(log), expected);
}

#ifdef __linux__
TEST(LogFaults, FullDiskIsReportedNotSwallowed)
{
    // /dev/full takes the open and refuses every write, as a full disk does.
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    const LogAppendResult result = appendLogRecord("/dev/full", "S1=1, S2=2, DT=x\r\n");
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find("/dev/full"), std::string::npos) << result.error;
}
#endif
