// What the terminal sends, read into keys, text and mouse events.
#include "terminal_input.h"

#include "user/input.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using desktop::TerminalButton;
using desktop::TerminalEvent;
using desktop::TerminalInputReader;
using desktop::TerminalKey;
using desktop::TerminalMouse;
using platform::user::kAlt;
using platform::user::kControl;
using platform::user::kShift;

constexpr UINT kF5 = VK_F1 + 4;

std::vector<TerminalEvent> Read(const std::string& bytes) {
    TerminalInputReader reader;
    reader.Feed(bytes);
    reader.Flush();
    return reader.Take();
}

struct KeyCase {
    const char* name;
    std::string bytes;
    TerminalKey key;
};

TEST(TerminalInputTest, KeysFromCharactersAndEscapeSequences) {
    const KeyCase cases[] = {
        {"letter", "a", {'A', 0, 'a'}},
        {"capital", "A", {'A', kShift, 'A'}},
        {"digit", "7", {'7', 0, '7'}},
        {"shifted digit", "!", {'1', kShift, '!'}},
        {"punctuation", "/", {0xBF, 0, '/'}},
        {"space", " ", {VK_SPACE, 0, ' '}},
        {"tab", "\t", {VK_TAB, 0, '\t'}},
        {"enter", "\r", {VK_RETURN, 0, '\r'}},
        {"backspace", "\x7f", {VK_BACK, 0, 0x08}},
        {"ctrl+t", "\x14", {'T', kControl, 0x14}},
        {"escape alone", "\x1b", {VK_ESCAPE, 0, 0x1B}},
        {"up", "\x1b[A", {VK_UP, 0, 0}},
        {"down, application mode", "\x1bOB", {VK_DOWN, 0, 0}},
        {"shift+right", "\x1b[1;2C", {VK_RIGHT, kShift, 0}},
        {"ctrl+left", "\x1b[1;5D", {VK_LEFT, kControl, 0}},
        {"home", "\x1b[H", {VK_HOME, 0, 0}},
        {"end, vt220", "\x1b[4~", {VK_END, 0, 0}},
        {"delete", "\x1b[3~", {VK_DELETE, 0, 0}},
        {"page up with ctrl", "\x1b[5;5~", {VK_PRIOR, kControl, 0}},
        {"shift+tab", "\x1b[Z", {VK_TAB, kShift, '\t'}},
        {"f1", "\x1bOP", {VK_F1, 0, 0}},
        {"f1, Linux console", "\x1b[[A", {VK_F1, 0, 0}},
        {"f5", "\x1b[15~", {kF5, 0, 0}},
        {"shift+f10", "\x1b[21;2~", {VK_F10, kShift, 0}},
        {"shift+f10, Linux console", "\x1b[34~", {VK_F10, kShift, 0}},
        {"menu key", "\x1b[29~", {VK_APPS, 0, 0}},
        {"alt+x", "\x1bx", {'X', kAlt, 'x'}},
        {"alt+shift+f",
         "\x1b"
         "F",
         {'F', kAlt | kShift, 'F'}},
        {"alt+[ alone", "\x1b[", {0xDB, kAlt, '['}},
        {"keypad enter", "\x1bOM", {VK_RETURN, 0, '\r'}},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto events = Read(c.bytes);
        ASSERT_EQ(events.size(), 1u);
        ASSERT_EQ(events[0].kind, TerminalEvent::Kind::Key);
        EXPECT_EQ(events[0].key.vk, c.key.vk);
        EXPECT_EQ(events[0].key.modifiers, c.key.modifiers);
        EXPECT_EQ(events[0].key.ch, c.key.ch);
    }
}

struct MouseCase {
    const char* name;
    std::string bytes;
    TerminalMouse mouse;
};

TEST(TerminalInputTest, MouseReportsInSgrAndX10Form) {
    const MouseCase cases[] = {
        {"left press", "\x1b[<0;10;5M", {TerminalButton::Left, true, false, 9, 4, 0}},
        {"left release", "\x1b[<0;10;5m", {TerminalButton::Left, false, false, 9, 4, 0}},
        {"right press", "\x1b[<2;1;1M", {TerminalButton::Right, true, false, 0, 0, 0}},
        {"drag with the left button",
         "\x1b[<32;3;4M",
         {TerminalButton::Left, false, true, 2, 3, 0}},
        {"move, no button", "\x1b[<35;3;4M", {TerminalButton::None, false, true, 2, 3, 0}},
        {"wheel", "\x1b[<65;7;7M", {TerminalButton::WheelDown, true, false, 6, 6, 0}},
        {"shift+click", "\x1b[<4;2;2M", {TerminalButton::Left, true, false, 1, 1, kShift}},
        {"beyond column 223", "\x1b[<0;300;2M", {TerminalButton::Left, true, false, 299, 1, 0}},
        {"x10 press", "\x1b[M !!", {TerminalButton::Left, true, false, 0, 0, 0}},
        {"x10 release", "\x1b[M#*%", {TerminalButton::None, false, false, 9, 4, 0}},
    };
    for (const MouseCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto events = Read(c.bytes);
        ASSERT_EQ(events.size(), 1u);
        ASSERT_EQ(events[0].kind, TerminalEvent::Kind::Mouse);
        EXPECT_EQ(events[0].mouse, c.mouse);
    }
}

TEST(TerminalInputTest, TextBeyondAsciiAndSeveralEventsInOneRead) {
    const auto events = Read("a\xc3\xa9\xe6\x97\xa5\x1b[B");
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].key.vk, static_cast<UINT>('A'));
    ASSERT_EQ(events[1].kind, TerminalEvent::Kind::Text);
    EXPECT_EQ(events[1].text, "\xc3\xa9\xe6\x97\xa5"); // é and a CJK character, together
    EXPECT_EQ(events[2].key.vk, static_cast<UINT>(VK_DOWN));
}

// A read can end anywhere in a sequence; the rest completes it, and only a
// lone ESC that nothing follows is the Escape key.
TEST(TerminalInputTest, SequencesCutBetweenReads) {
    const std::vector<std::vector<std::string>> splits = {
        {"\x1b", "[A"},        {"\x1b[", "A"},     {"\x1b[<0;1", "0;5M"},
        {"\x1b[M", " !", "!"}, {"\x1b[21;", "2~"},
    };
    for (const auto& parts : splits) {
        TerminalInputReader reader;
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            reader.Feed(parts[i]);
            EXPECT_TRUE(reader.Incomplete()) << parts[i];
            EXPECT_TRUE(reader.Take().empty());
        }
        reader.Feed(parts.back());
        EXPECT_FALSE(reader.Incomplete());
        EXPECT_EQ(reader.Take().size(), 1u) << parts[0];
    }

    TerminalInputReader reader;
    reader.Feed("\xc3");
    EXPECT_TRUE(reader.Incomplete());
    reader.Feed("\xa9");
    const auto text = reader.Take();
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].text, "\xc3\xa9");
}

// Replies and sequences the desktop never asked for, and broken ones, are
// dropped without taking the keys after them.
TEST(TerminalInputTest, UnknownAndBrokenSequencesAreDropped) {
    const std::string dropped[] = {
        "\x1b[?1;2c",        // a terminal's reply to a query
        "\x1b[I",            // focus in
        "\x1b[200~",         // start of a paste
        "\x1b[99999999999A", // an overlong parameter: still the Up key
        "\x1b[12",           // cut off for good
        "\xff",              // no character starts so
    };
    for (const std::string& bytes : dropped) {
        // Enter after it: also the end of a sequence that never ended.
        const auto events = Read(bytes + "\r");
        ASSERT_FALSE(events.empty()) << bytes;
        EXPECT_EQ(events.back().key.vk, static_cast<UINT>(VK_RETURN)) << bytes;
        EXPECT_LE(events.size(), 2u) << bytes;
    }
}

// Any bytes, cut anywhere: nothing reads outside the buffer (the sanitizer
// build checks), and Flush always ends an incomplete sequence.
TEST(TerminalInputTest, RandomBytesInRandomPieces) {
    std::mt19937 random(1234);
    const std::string alphabet = "\x1b[O<;M~m0123456789AZabc\xc3\xa9\xe6\x97\x80\xff \r\t";
    for (int round = 0; round < 2000; ++round) {
        TerminalInputReader reader;
        const int pieces = 1 + static_cast<int>(random() % 5);
        for (int p = 0; p < pieces; ++p) {
            std::string bytes;
            const int length = static_cast<int>(random() % 12);
            for (int i = 0; i < length; ++i)
                bytes += alphabet[random() % alphabet.size()];
            reader.Feed(bytes);
            reader.Take();
        }
        reader.Flush();
        reader.Take();
        EXPECT_FALSE(reader.Incomplete());
    }
}

} // namespace
