#pragma once
// One calculation run's surroundings in a fresh folder: the settings, the graph,
// a reports folder, a fixed clock, and templates (tests/data/templates) that
// carry every placeholder once, each on a line "KEY=%placeholder" of its own.
#include <filesystem>
#include <string>

#include "core/tariff/calculation_run.h"
#include "support/fixed_clock.h"
#include "support/temp_dir.h"

namespace lumivane::test {

struct RunFixture {
    TempDir dir;
    FixedClock clock{"05/12/2026"};
    SettingsRecord settings;
    GraphState graph;
    GraphPalette palette = defaultGraphPalette();
    std::string reports = (dir.path() / "reports").string() + "/";
    std::string program = (testDataDir() / "templates").string() + "/";

    RunFixture() { std::filesystem::create_directories(reports); }
    ReportEnvironment environment() const { return {reports, program, &clock, "OFFICE-PC"}; }
    CalculationRun run(FileBytesReader* files = nullptr) { return {settings, environment(), graph, palette, files}; }
    // A committed meter log of tests/data/meterlogs.
    static std::string meterLog(const std::string& name) { return (testDataDir() / "meterlogs" / name).string(); }
    static std::string billTemplate() { return readFile(testDataDir() / "templates" / "billtemplate.html"); }
    static std::string menuTemplate() { return readFile(testDataDir() / "templates" / "menutemplate.html"); }
    // Writes a file below the fixture's folder; returns its path.
    std::string file(const std::string& name, const std::string& bytes) const { return dir.write(name, bytes); }
};

// The value after "KEY=" up to the line end in a filled test template.
inline std::string templateLine(const std::string& text, const std::string& key)
{
    const std::size_t start = text.find("\r\n" + key + "=");
    if (start == std::string::npos)
        return "<missing " + key + ">";
    const std::size_t from = start + 3 + key.size();
    return text.substr(from, text.find("\r\n", from) - from);
}

}  // namespace lumivane::test
