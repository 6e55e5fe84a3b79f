// The menu bar, the popup menus and the keyboard accelerators as data: the Qt window builds its
// menus from these tables, and the headless runner sends the same ids.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qm {

struct MenuEntry {
    enum class Kind : uint8_t { Menu, EndMenu, Item, Separator };
    Kind kind = Kind::Item;
    int id = -1;                     // command id of an item; -1 for menus and separators
    const char* key = "";            // dictionary key of the text; "" for literal texts
    const char* defaultText = "";    // built-in text (or the literal text)
    const char* label = "";          // shortcut caption shown right-aligned (no effect)
    bool disabled = false;
    bool checkable = false;
};

// The menu bar in order: Menu ... EndMenu brackets (nested for submenus).
std::span<const MenuEntry> mainMenuTable();
// Popup 1 (animation-layer kinds) and popup 2 (blend modes).
std::span<const MenuEntry> layerKindPopupTable();
std::span<const MenuEntry> blendModePopupTable();

// Virtual key codes used by the accelerators and canvas keys.
namespace vk {
constexpr int Control = 0x11, Space = 0x20, Escape = 0x1B, Home = 0x24, F12 = 0x7B;
constexpr int Add = 0x6B, Subtract = 0x6D, Multiply = 0x6A, Divide = 0x6F;
constexpr int OemClose = 0xDD, OemTilde = 0xC0;
// The main keyboard's "+" ("=" unshifted on some layouts), ",", "-" and ".".
constexpr int OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE;
}  // namespace vk

struct Accelerator {
    int key = 0;  // virtual key code; letters are their upper-case ASCII code
    bool ctrl = false, alt = false, shift = false;
    int id = 0;   // command id sent
};

std::span<const Accelerator> acceleratorTable();

}  // namespace qm
