// The qmscript language: one command a line, "#" starts a comment line, strings in double
// quotes with \" and \\ escapes, numbers decimal or 0x hex. Parsing checks every line before
// anything runs, so a bad script stops with its line number and changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/app.h"
#include "shell/events.h"

namespace qm::script {

enum class Op {
    CanvasSize,
    Menu,
    Control,
    Down,
    Move,
    Up,
    KeyDown,
    KeyUp,
    Wheel,
    AnswerFile,
    AnswerCancel,
    AnswerYes,
    AnswerNo,
    AnswerText,
    AnswerColour,
    AnswerPopup,  // the item of the next popup menu, by its command id
    Playback,
    WriteCanvas,
    WriteLayer,
    ExpectLayer,
    ExpectCanvas,
    WriteState,
    Clipboard,
    CloseWindow,   // the close box of window a (0: the main window)
    CancelTask,    // the next long task is cancelled at its a-th progress report
    ExpectFile,    // paths[0] exists and holds the format named by text ("" for any)
    ExpectNoFile,  // paths[0] does not exist
};

struct Command {
    int line = 0;
    Op op = Op::Menu;
    int64_t a = 0, b = 0, c = 0;  // numbers: sizes, ids, coordinates, counts, colour channels
    bool shift = false, ctrl = false, alt = false;
    std::vector<std::string> paths;  // answer-file paths; write-* file
    std::string text;                // answer-text
    // control
    std::optional<int> state;
    std::optional<int> tick;  // the check box of the list's current item: 0 or 1
    std::optional<std::string> gadgetText;
    ControlEventType event = ControlEventType::Change;
    // The buttons held during the event ("button NAME", once per button held).
    bool leftHeld = false, rightHeld = false, middleHeld = false;
    // down / move / up from a pen: "pressure P" (0..1), "tilt X Y" (degrees), "eraser".
    bool pen = false;
    double pressure = 1.0;
    double tiltX = 0, tiltY = 0;
    bool hasTilt = false;
    bool eraser = false;
};

struct ParseResult {
    std::vector<Command> commands;
    std::string error;  // "line N: ..." when the script is bad
};

ParseResult parseScript(std::string_view text);

}  // namespace qm::script
