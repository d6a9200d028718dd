// Every committed fuzz input, the seed corpora and the inputs that once made a
// fuzz target fail, run through the targets' own checks in the ordinary test
// build: a fault that comes back fails here, with or without libFuzzer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "support/temp_dir.h"

extern "C" int fuzzMeterLog(const std::uint8_t* data, std::size_t size);
extern "C" int fuzzGatewayDocuments(const std::uint8_t* data, std::size_t size);
extern "C" int fuzzPlaceholder(const std::uint8_t* data, std::size_t size);
extern "C" int fuzzSettingsText(const std::uint8_t* data, std::size_t size);
extern "C" int fuzzModemDialogue(const std::uint8_t* data, std::size_t size);
extern "C" int fuzzOutputs(const std::uint8_t* data, std::size_t size);

// An input that breaks a target's invariant aborts the test with its reason;
// a target without inputs would pass unseen, so each must have some.
TEST(FuzzReplay, EveryCommittedInputPassesItsTargetsChecks)
{
    const std::pair<const char*, int (*)(const std::uint8_t*, std::size_t)> targets[] = {
        {"meter_log_fuzzer", fuzzMeterLog},           {"gateway_documents_fuzzer", fuzzGatewayDocuments},
        {"placeholder_fuzzer", fuzzPlaceholder},      {"settings_text_fuzzer", fuzzSettingsText},
        {"modem_dialogue_fuzzer", fuzzModemDialogue}, {"outputs_fuzzer", fuzzOutputs}};
    const std::filesystem::path source(LUMIVANE_SOURCE_DIR);
    for (const auto& [target, entry] : targets) {
        std::vector<std::filesystem::path> files;
        for (const auto& folder :
             {source / "fuzz" / "corpus" / target, source / "tests" / "data" / "fuzz-regressions" / target})
            if (std::filesystem::is_directory(folder))
                for (const auto& file : std::filesystem::directory_iterator(folder))
                    files.push_back(file.path());
        std::sort(files.begin(), files.end());
        EXPECT_FALSE(files.empty()) << target;
        for (const auto& file : files) {
            const std::string bytes = lumivane::test::readFile(file);
            EXPECT_EQ(entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0) << file;
        }
    }
}
