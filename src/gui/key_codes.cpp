#include "gui/key_codes.h"

#include <array>

namespace qm {
namespace {

struct KeyPair {
    int qtKey;
    int vk;
};

// Keys outside the letter and digit runs. Shifted punctuation maps to its unshifted key, since a
// virtual key code names the key, not the character.
constexpr std::array kMainKeys{
    KeyPair{Qt::Key_Backspace, 0x08},
    KeyPair{Qt::Key_Tab, 0x09},
    KeyPair{Qt::Key_Backtab, 0x09},
    KeyPair{Qt::Key_Return, 0x0D},
    KeyPair{Qt::Key_Enter, 0x0D},
    KeyPair{Qt::Key_Shift, 0x10},
    KeyPair{Qt::Key_Control, vk::Control},
    KeyPair{Qt::Key_Alt, 0x12},
    KeyPair{Qt::Key_Pause, 0x13},
    KeyPair{Qt::Key_CapsLock, 0x14},
    KeyPair{Qt::Key_Escape, vk::Escape},
    KeyPair{Qt::Key_Space, vk::Space},
    KeyPair{Qt::Key_PageUp, 0x21},
    KeyPair{Qt::Key_PageDown, 0x22},
    KeyPair{Qt::Key_End, 0x23},
    KeyPair{Qt::Key_Home, vk::Home},
    KeyPair{Qt::Key_Left, 0x25},
    KeyPair{Qt::Key_Up, 0x26},
    KeyPair{Qt::Key_Right, 0x27},
    KeyPair{Qt::Key_Down, 0x28},
    KeyPair{Qt::Key_Insert, 0x2D},
    KeyPair{Qt::Key_Delete, 0x2E},
    KeyPair{Qt::Key_Semicolon, 0xBA},
    KeyPair{Qt::Key_Colon, 0xBA},
    KeyPair{Qt::Key_Plus, 0xBB},  // first: an accelerator on this key is a "+"
    KeyPair{Qt::Key_Equal, 0xBB},
    KeyPair{Qt::Key_Comma, 0xBC},
    KeyPair{Qt::Key_Less, 0xBC},
    KeyPair{Qt::Key_Minus, 0xBD},
    KeyPair{Qt::Key_Underscore, 0xBD},
    KeyPair{Qt::Key_Period, 0xBE},
    KeyPair{Qt::Key_Greater, 0xBE},
    KeyPair{Qt::Key_Slash, 0xBF},
    KeyPair{Qt::Key_Question, 0xBF},
    KeyPair{Qt::Key_QuoteLeft, vk::OemTilde},
    KeyPair{Qt::Key_AsciiTilde, vk::OemTilde},
    KeyPair{Qt::Key_BracketLeft, 0xDB},
    KeyPair{Qt::Key_BraceLeft, 0xDB},
    KeyPair{Qt::Key_Backslash, 0xDC},
    KeyPair{Qt::Key_Bar, 0xDC},
    KeyPair{Qt::Key_BracketRight, vk::OemClose},
    KeyPair{Qt::Key_BraceRight, vk::OemClose},
    KeyPair{Qt::Key_Apostrophe, 0xDE},
    KeyPair{Qt::Key_QuoteDbl, 0xDE},
};

// Keys of the numeric pad, which Qt reports with the keypad modifier.
constexpr std::array kPadKeys{
    KeyPair{Qt::Key_Asterisk, vk::Multiply},
    KeyPair{Qt::Key_Plus, vk::Add},
    KeyPair{Qt::Key_Minus, vk::Subtract},
    KeyPair{Qt::Key_Period, 0x6E},
    KeyPair{Qt::Key_Comma, 0x6E},
    KeyPair{Qt::Key_Slash, vk::Divide},
    KeyPair{Qt::Key_Enter, 0x0D},
};

template <size_t N>
int lookup(const std::array<KeyPair, N>& table, int qtKey) {
    for (const KeyPair& pair : table)
        if (pair.qtKey == qtKey) return pair.vk;
    return 0;
}

template <size_t N>
int reverseLookup(const std::array<KeyPair, N>& table, int vkCode) {
    for (const KeyPair& pair : table)
        if (pair.vk == vkCode) return pair.qtKey;
    return 0;
}

// Shifted digits on the US layout, so Shift+1 is still key "1".
constexpr std::array kShiftedDigits{
    KeyPair{Qt::Key_ParenRight, '0'},  KeyPair{Qt::Key_Exclam, '1'},
    KeyPair{Qt::Key_At, '2'},          KeyPair{Qt::Key_NumberSign, '3'},
    KeyPair{Qt::Key_Dollar, '4'},      KeyPair{Qt::Key_Percent, '5'},
    KeyPair{Qt::Key_AsciiCircum, '6'}, KeyPair{Qt::Key_Ampersand, '7'},
    KeyPair{Qt::Key_Asterisk, '8'},    KeyPair{Qt::Key_ParenLeft, '9'},
};

}  // namespace

int virtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 0x60 + (qtKey - Qt::Key_0);
        if (const int code = lookup(kPadKeys, qtKey)) return code;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 0x70 + (qtKey - Qt::Key_F1);
    if (const int code = lookup(kMainKeys, qtKey)) return code;
    return lookup(kShiftedDigits, qtKey);
}

QKeySequence acceleratorSequence(const Accelerator& accelerator) {
    const int code = accelerator.key;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    if (code >= 'A' && code <= 'Z') {
        key = Qt::Key_A + (code - 'A');
    } else if (code >= '0' && code <= '9') {
        key = Qt::Key_0 + (code - '0');
    } else if (code >= 0x70 && code <= 0x87) {
        key = Qt::Key_F1 + (code - 0x70);
    } else if (code >= 0x60 && code <= 0x69) {
        key = Qt::Key_0 + (code - 0x60);
        modifiers |= Qt::KeypadModifier;
    } else if (const int pad = reverseLookup(kPadKeys, code); pad && code != 0x0D) {
        key = pad;
        modifiers |= Qt::KeypadModifier;
    } else {
        key = reverseLookup(kMainKeys, code);
    }
    if (key == 0) return {};
    if (accelerator.ctrl) modifiers |= Qt::ControlModifier;
    if (accelerator.alt) modifiers |= Qt::AltModifier;
    if (accelerator.shift) modifiers |= Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(modifiers, Qt::Key(key)));
}

}  // namespace qm
