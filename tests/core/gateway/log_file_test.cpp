// The pulse and alarm logs: one record appended per open-write-close. What is
// there stays byte for byte; a record that cannot be written is reported with
// the log's path, nothing is created behind the operator's back, and later records go on.
#include "core/gateway/log_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

using namespace lumivane;
using lumivane::test::readFile;

TEST(LogFile, AppendsAfterWhatIsThereAndNeverRewritesIt)
{
    test::TempDir dir;
    // Old lines as another program may have left them: LF only, bytes outside ASCII, no last line end.
    const std::string old = "S1=1, S2=2, DT=01/01/2026 00:00:00\r\nodd line\n\xA3 42\r\nno end";
    const auto log = dir.write("logs/pulsedata.txt", old);
    ASSERT_TRUE(appendLogRecord(log, "one\r\n").ok());
    ASSERT_TRUE(appendLogRecord(log, "two\r\n").ok());
    EXPECT_EQ(readFile(log), old + "one\r\ntwo\r\n");
}

TEST(LogFile, RecordThatCannotBeWrittenIsReportedAndLaterRecordsGoOn)
{
    test::TempDir dir;
    const auto logs = dir.path() / "logs";
    const std::string blocker = dir.write("blocker", "not a folder");
    std::filesystem::create_directories(dir.path() / "folder.txt" / "inside");
    for (const std::filesystem::path& log : {logs / "alarmdata.txt", std::filesystem::path(blocker) / "pulsedata.txt",
                                             dir.path() / "folder.txt", std::filesystem::path("/dev/full")}) {
        if (log == "/dev/full" && !std::filesystem::exists(log))
            continue;  // /dev/full takes the open and refuses every write, as a full disk does
        const Expected<void> result = appendLogRecord(log, "S1=1, S2=2, DT=x\r\n");
        ASSERT_FALSE(result) << log;
        EXPECT_NE(result.error().reason.find(log.string()), std::string::npos) << result.error().reason;
    }
    EXPECT_FALSE(std::filesystem::exists(logs));
    EXPECT_EQ(readFile(blocker), "not a folder");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "folder.txt" / "inside"));
    std::filesystem::create_directories(logs);  // the folder is back
    ASSERT_TRUE(appendLogRecord(logs / "alarmdata.txt", "third\r\n").ok());
    EXPECT_EQ(readFile(logs / "alarmdata.txt"), "third\r\n");
}
