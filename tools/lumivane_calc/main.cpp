// lumivane-calc: the window's calculation run without the window, for scripts
// and for checking a site's logs on a machine with no desktop.
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <string>
#include <string_view>
#include <vector>

#include "lumivane_calc/calc_command.h"
#include "lumivane_calc/calc_options.h"
#include "core/text/app_facts.h"

namespace {

constexpr int kUsageError = 2;

void complain(const std::string& message)
{
    const std::string line = "lumivane-calc: " + lumivane::terminalLine(message) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// The whole text in one write, so a reader never sees half a run.
bool writeAll(const std::string& text)
{
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        return false;
    return std::fflush(stdout) == 0;
}

}  // namespace

static int run(int argc, char** argv)
{
#ifdef _WIN32
    // The text already holds the line ends it promises ("\n"); no translation on the way out.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // Arguments are taken as the bytes given, so file names reach the engine untouched.
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto parsed = lumivane::parseCalcOptions(args);
    if (!parsed) {
        complain(parsed.error().reason);
        return kUsageError;
    }
    if (const auto known =
            lumivane::checkReportsFolderKnown(*parsed, std::getenv("HOME"), std::getenv("XDG_DATA_HOME"));
        !known && !parsed->help && !parsed->version) {
        complain(known.error().reason);
        return kUsageError;
    }
    if (parsed->help)
        return writeAll(lumivane::calcUsageText()) ? 0 : 1;
    if (parsed->version)
        return writeAll(std::string("lumivane-calc ") + lumivane::versionText() + "\n") ? 0 : 1;

    // Only reports need the application object (to find the templates beside
    // the program or under share/lumivane); the store is addressed by name and
    // needs none, so a plain run skips its set-up, the C library's locale
    // included. No GUI is started.
    std::optional<QCoreApplication> app;
    if (parsed->exportReports)
        app.emplace(argc, argv);
    const lumivane::CalcCommandOutcome outcome = lumivane::runCalcCommand(*parsed);
    for (const std::string& warning : outcome.warnings)
        complain("warning: " + warning);
    const bool written = writeAll(outcome.output);
    for (const std::string& problem : outcome.problems)
        complain(problem);
    if (!written) {
        complain("the results could not be written to standard output");
        return 1;
    }
    return outcome.exitStatus;
}

// Whatever goes wrong unexpectedly (memory running out included) ends the run
// with one line and status 1, never with an abort and nothing said.
int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        complain("out of memory");
    } catch (const std::exception& e) {
        complain(std::string("unexpected failure: ") + e.what());
    } catch (...) {
        complain("unexpected failure");
    }
    return 1;
}
