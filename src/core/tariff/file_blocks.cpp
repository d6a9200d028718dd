#include "core/tariff/file_blocks.h"

namespace lumivane {

std::vector<FileOutcome> calculateFileBlocks(CalculationRun& run, const std::string& path, const DateScope& scope,
                                             bool eachMonth, BarSink* bars)
{
    if (eachMonth)
        return run.calculateFileByMonth(path, scope);
    std::vector<FileOutcome> blocks;
    blocks.push_back(run.calculateFile(path, scope, bars));
    return blocks;
}

}  // namespace lumivane
