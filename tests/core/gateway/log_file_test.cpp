#include <gtest/gtest.h>

#include <filesystem>

#include "core/gateway/log_file.h"
#include "support/temp_dir.h"

using namespace lumivane;

TEST(LogFile, AppendsRecordsKeepingCrLfAndCreatesMissingFile)
{
    test::TempDir dir;
    const auto path = dir.path() / "pulsedata.txt";
    ASSERT_TRUE(appendLogRecord(path, "one\r\n").ok());
    ASSERT_TRUE(appendLogRecord(path, "two\r\n").ok());
    EXPECT_EQ(test::readFile(path), "one\r\ntwo\r\n");
}

// What is already there stays byte for byte: LogFaults.ExistingLinesAreNeverRewrittenByAppending.

TEST(LogFile, UnopenableLogReportsPathAndReason)
{
    test::TempDir dir;
    const auto path = dir.path() / "missing-folder" / "pulsedata.txt";
    const auto result = appendLogRecord(path, "x\r\n");
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find(path.string()), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("No such file or directory"), std::string::npos) << result.error;
    EXPECT_FALSE(std::filesystem::exists(path));
}
