// The blocks a file adds as the window and lumivane-calc ask for them: every
// month on its own, or the file as one block whose bars can be kept and drawn later.
#include <gtest/gtest.h>

#include "core/graph/bar_recording.h"
#include "core/tariff/file_blocks.h"
#include "core/graph/recording_bar_sink.h"
#include "support/run_fixture.h"

using lumivane::test::RecordingBarSink;
using lumivane::test::RunFixture;

namespace {
std::vector<std::string> textsOf(const std::vector<lumivane::FileOutcome>& blocks)
{
    std::vector<std::string> texts;
    for (const auto& block : blocks)
        texts.push_back(block.text);
    return texts;
}
}  // namespace

TEST(FileBlocks, EachMonthIsTheMonthlyBookingAndOneBlockKeepsTheBarsItDraws)
{
    const std::string log = RunFixture::meterLog("thirteen_months.csv");
    RunFixture asked, direct;
    auto askedRun = asked.run();
    auto directRun = direct.run();
    RecordingBarSink none;
    const auto months = lumivane::calculateFileBlocks(askedRun, log, {}, true, &none);
    EXPECT_EQ(textsOf(months), textsOf(directRun.calculateFileByMonth(log, {})));
    EXPECT_GE(months.size(), 13u);
    EXPECT_TRUE(none.bars.empty());

    const std::string graphLog = RunFixture::meterLog("graph_unequal_steps.csv");
    lumivane::BarRecording kept;
    RecordingBarSink drawn, replayed;
    const auto one = lumivane::calculateFileBlocks(askedRun, graphLog, {}, false, &kept);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one.front().text, directRun.calculateFile(graphLog, {}, &drawn).text);
    kept.replayInto(replayed);
    EXPECT_FALSE(drawn.bars.empty());
    EXPECT_EQ(replayed.bars, drawn.bars);
}
