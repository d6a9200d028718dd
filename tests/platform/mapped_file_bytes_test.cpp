#include "platform/mapped_file_bytes.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/tariff/calculation_run.h"
#include "core/meterdata/file_bytes_reader.h"
#include "support/temp_dir.h"

using namespace lumivane;
using lumivane::test::TempDir;
using lumivane::test::testDataDir;

namespace {

// The committed logs of all three layouts, CR LF and LF only.
std::vector<std::string> layoutFixtures()
{
    std::vector<std::string> paths;
    for (const char* name : {"plain_site1.csv", "plain_site1_lf.csv", "gateway_export.csv", "long_form.csv",
                             "unit4.IRIO.txt"})
        paths.push_back((testDataDir() / "meterlogs" / name).string());
    return paths;
}

struct ReadOutcome {
    std::string bytes;
    std::optional<Error> error;
};

ReadOutcome readWith(FileBytesReader& reader, const std::string& path)
{
    ReadOutcome out;
    const auto bytes = reader.read(path);
    if (bytes)
        out.bytes.assign(*bytes);
    else
        out.error = bytes.error();
    return out;
}

void expectSameRead(const ReadOutcome& mapped, const ReadOutcome& buffered, const std::string& path)
{
    SCOPED_TRACE(path);
    EXPECT_EQ(mapped.bytes, buffered.bytes);
    ASSERT_EQ(mapped.error.has_value(), buffered.error.has_value());
    if (mapped.error) {
        EXPECT_EQ(mapped.error->line, buffered.error->line);
        EXPECT_EQ(mapped.error->reason, buffered.error->reason);
    }
}

}  // namespace

TEST(MappedFileBytes, GivesTheSameBytesAndErrorsAsTheBufferedRead)
{
    TempDir dir;
    std::vector<std::string> paths = layoutFixtures();
    paths.push_back(dir.write("empty.csv", ""));
    paths.push_back(dir.write("lf.csv", "S,T,V\n0,05/03/2012 08:00,1\n0,05/03/2012 09:00,3\n"));
    paths.push_back(dir.write("cr.csv", "S,T,V\r0,05/03/2012 08:00,1\r0,05/03/2012 09:00,3"));
    paths.push_back(dir.write("one byte.csv", "x"));
    paths.push_back((dir.path() / "missing.csv").string());
    paths.push_back(dir.path().string());

    MappedFileBytes mapped;
    BufferedFileBytes buffered;
    for (const std::string& path : paths)
        expectSameRead(readWith(mapped, path), readWith(buffered, path), path);
    // Reading again with the same readers replaces the earlier file's bytes.
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        expectSameRead(readWith(mapped, *it), readWith(buffered, *it), *it);
}

TEST(MappedFileBytes, MapsTheFirstAndLargeFilesAndReadsSmallLaterOnesIntoTheBuffer)
{
    TempDir dir;
    MappedFileBytes reader;
    auto readOk = [&](const std::string& path) {
        const auto read = reader.read(path);
        EXPECT_TRUE(read) << path;
        return read ? *read : std::string_view();
    };
    std::string_view bytes = readOk(dir.write("a.csv", "S,T,V\r\n"));
    EXPECT_TRUE(reader.lastReadWasMapped());
    EXPECT_EQ(bytes, "S,T,V\r\n");

    // Once a file was mapped, small files reuse the buffer; large ones are mapped.
    bytes = readOk(dir.write("b.csv", "S,T,V\r\n0,05/03/2012 08:00,1\r\n"));
    EXPECT_FALSE(reader.lastReadWasMapped());
    EXPECT_EQ(bytes, "S,T,V\r\n0,05/03/2012 08:00,1\r\n");
    std::string large = "S,T,V\r\n";
    while (large.size() <= (std::size_t{5} << 20))
        large += "0,05/03/2012 08:00,1234.5\r\n";
    bytes = readOk(dir.write("large.csv", large));
    EXPECT_TRUE(reader.lastReadWasMapped());
    EXPECT_EQ(bytes, large);

    bytes = readOk(dir.write("empty.csv", ""));
    EXPECT_FALSE(reader.lastReadWasMapped());
    EXPECT_TRUE(bytes.empty());
    // A folder or a missing file fails as the buffered read does (above).
}

TEST(MappedFileBytes, CalculationRunGivesTheSameTextMappedOrBuffered)
{
    TempDir dir;
    std::vector<std::string> paths = layoutFixtures();
    paths.push_back(dir.write("logs/empty.csv", ""));
    paths.push_back((dir.path() / "logs" / "missing.csv").string());
    paths.push_back((dir.path() / "logs").string());

    auto runText = [&](FileBytesReader* files) {
        GraphState graph;
        const GraphPalette palette = defaultGraphPalette();
        ReportEnvironment environment{(dir.path() / "reports").string() + "/", dir.path().string() + "/", nullptr,
                                      "PC"};
        CalculationRun run(SettingsRecord{}, environment, graph, palette, files);
        std::string text = run.headerText();
        for (const std::string& path : paths)
            text += run.calculateFile(path, DateScope{}, nullptr).text;
        return text + run.grandTotalsText() + std::to_string(graph.graphColourIndex);
    };
    MappedFileBytes mapped;
    const std::string viaMapping = runText(&mapped);
    EXPECT_EQ(viaMapping, runText(nullptr));
    EXPECT_NE(viaMapping.find("empty.csv: the file is empty"), std::string::npos);
}
