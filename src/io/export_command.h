// The program's command line: exports a document, an image or a folder of frames without a
// window and without a display.
//
//   quillmoth --export OUT [--frames A-B] [--scale P] [--format F] [--strip|--sequence]
//             [--fps N] [--no-loop] [--dither D] [--quality Q] [--lossy] INPUT
//   quillmoth --help | --version
//
// Only OUT (or, for a sequence, its numbered files) is written; the help and the version go to
// standard output, every message to standard error, and a failure ends with a non-zero status.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/document.h"
#include "document/view_state.h"
#include "io/animation_export.h"

namespace qm {

// Exit statuses.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;  // the input could not be read or the file not written
constexpr int kExitUsage = 2;   // the command line itself is wrong

// True when the arguments ask for the command line rather than the window: one of them is
// --export (or --export=OUT), --help, -h or --version.
bool isCommandLine(int argc, const char* const* argv);

struct ExportCommand {
    enum class Action { Export, Help, Version } action = Action::Export;
    std::string output;
    std::string input;
    std::optional<ExportFormat> format;  // from --format, --strip or --sequence
    std::optional<int> firstFrame, lastFrame;
    int scalePercent = 100;
    std::optional<int> fps;
    AnimationEncodeOptions encode;
};

// Reads the arguments after the program name. nullopt with a message for a wrong command line.
std::optional<ExportCommand> parseExportCommand(const std::vector<std::string>& args,
                                                std::string& error);

// The document an input gives: a .qmd document, an image (a one-layer document of its size), or
// a folder of frames (its png, bmp, jpg and tga files in natural order, "2" before "10",
// imported as frames 1, 2, ... into a document of the first frame's size). nullopt with a
// message when it cannot be read, or when a layer or frame file of it cannot. The view state is
// the frame settings the document was saved with (a folder's: its frames as the range).
struct ExportInput {
    Document doc;
    ViewState view;
};
std::optional<ExportInput> loadExportInput(const std::string& input, std::string& error);

// Runs the command line: the whole program when isCommandLine. Returns the exit status.
int runCommandLine(int argc, const char* const* argv, std::string_view version);

}  // namespace qm
