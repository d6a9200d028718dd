#pragma once
// Whole-file reads and writes of the reports: importInput and exportOutput.
#include <string>

namespace lumivane {

// The reports menu's file name in the reports folder.
inline constexpr const char* kReportsMenuName = "menu.html";

struct ImportedText {
    bool ok = false;
    std::string text;   // the whole content, line ends as they stand
    std::string error;  // names the path and the reason, when not ok
};

// The whole content of a file as bytes.
ImportedText importInput(const std::string& fname);

// Writes rBody and CR LF to rFile, replacing it whole: the bytes go to a
// temporary file of this write's own beside it ("<rFile>.<tag>.part") that is
// then renamed into place, so the target is never left half-written, even with
// two writers at once. "" on success, else the path and the reason.
std::string exportOutput(const std::string& rBody, const std::string& rFile);

}  // namespace lumivane
