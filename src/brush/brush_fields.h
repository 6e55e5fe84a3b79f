// The fields of BrushSettings, listed once: the preset file's reader and writer and the state
// dump loop over this table.
#pragma once

#include <cstdint>
#include <span>

#include "brush/brush_settings.h"
#include "platform/key_value_file.h"

namespace qm {

// What a preset key does besides being read or written as a plain value.
enum class PresetRole : uint8_t {
    Plain,
    PaintColour,     // written only while the save-colour switch is on
    SelectedColour,  // read from "color" only when it holds a number; the colours then change
    Water,           // once read: with mixing off, the paint colour follows the selected colour
    TipFolder,       // once read: the tip folder in use becomes a copy of it
};

struct BrushField {
    const char* name;  // the member's name: its preset key (unless presetKey) and dump key
    FieldOf<BrushSettings> member;
    uint8_t presetWritten = 0;       // position among the keys a preset is written with; 0: never
    uint8_t presetRead = 0;          // position among the keys a preset is read with; 0: never
    FieldDefault presetAbsent = {};  // what a preset without the key gives
    PresetRole role = PresetRole::Plain;
    const char* presetKey = nullptr;  // the key read, when it is not the name
    const char* formerKey = nullptr;  // read when the key is absent (older files)
};

// Every field of BrushSettings, in declaration order.
std::span<const BrushField> brushFields();

// The rows a preset is read with, in reading order, and those it is written with, in writing
// order.
std::span<const BrushField* const> presetReadFields();
std::span<const BrushField* const> presetWrittenFields();

}  // namespace qm
