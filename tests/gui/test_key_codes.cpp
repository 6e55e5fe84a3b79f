#include <gtest/gtest.h>

#include "gui/key_codes.h"

namespace qm {
namespace {

TEST(KeyCodes, QtKeysMapToVirtualKeyCodes) {
    struct Case {
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        int vk;
    };
    const Case cases[] = {
        {Qt::Key_B, Qt::NoModifier, 'B'},
        {Qt::Key_K, Qt::ShiftModifier, 'K'},
        {Qt::Key_Control, Qt::ControlModifier, vk::Control},
        {Qt::Key_Space, Qt::NoModifier, vk::Space},
        {Qt::Key_Escape, Qt::NoModifier, vk::Escape},
        {Qt::Key_Home, Qt::NoModifier, vk::Home},
        {Qt::Key_F12, Qt::NoModifier, vk::F12},
        // The numeric pad is told apart by Qt's keypad modifier.
        {Qt::Key_Plus, Qt::KeypadModifier, vk::Add},
        {Qt::Key_Minus, Qt::KeypadModifier, vk::Subtract},
        {Qt::Key_Asterisk, Qt::KeypadModifier, vk::Multiply},
        {Qt::Key_Slash, Qt::KeypadModifier, vk::Divide},
        {Qt::Key_5, Qt::KeypadModifier, 0x65},
        {Qt::Key_Plus, Qt::ShiftModifier, 0xBB},  // main keyboard "+" is the "=" key
        {Qt::Key_Minus, Qt::NoModifier, 0xBD},
        {Qt::Key_5, Qt::NoModifier, '5'},
        {Qt::Key_Percent, Qt::ShiftModifier, '5'},
        // The brush-size keys, shifted or not.
        {Qt::Key_BracketRight, Qt::NoModifier, vk::OemClose},
        {Qt::Key_BraceRight, Qt::ShiftModifier, vk::OemClose},
        {Qt::Key_QuoteLeft, Qt::NoModifier, vk::OemTilde},
        {Qt::Key_AsciiTilde, Qt::ShiftModifier, vk::OemTilde},
        {Qt::Key_unknown, Qt::NoModifier, 0},
        {Qt::Key_Eacute, Qt::NoModifier, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(virtualKeyFromQt(c.qtKey, c.modifiers), c.vk) << std::hex << c.qtKey;
}

TEST(KeyCodes, AcceleratorsBecomeKeySequences) {
    EXPECT_EQ(acceleratorSequence({'S', true, true, false, 10}),
              QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_S));
    EXPECT_EQ(acceleratorSequence({'S', true, false, true, 11}),
              QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_S));
    EXPECT_EQ(acceleratorSequence({vk::Escape, false, false, false, 17}),
              QKeySequence(Qt::Key_Escape));
    EXPECT_EQ(acceleratorSequence({vk::F12, false, false, false, 70}), QKeySequence(Qt::Key_F12));
    EXPECT_EQ(acceleratorSequence({vk::Add, false, false, false, 39}),
              QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    EXPECT_TRUE(acceleratorSequence({0xFF, false, false, false, 1}).isEmpty());
    // Every key of the program's table has a sequence.
    for (const Accelerator& a : acceleratorTable())
        EXPECT_FALSE(acceleratorSequence(a).isEmpty()) << "id " << a.id;
}

}  // namespace
}  // namespace qm
