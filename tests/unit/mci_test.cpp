// MCI's "waveaudio" device under the virtual clock: the end-of-sound
// notification after the file's length, stopping and closing before it,
// and the errors for files that cannot be played.
#include <windows.h>
#include <mmsystem.h>

#include "test_frontend.h"
#include "test_machine.h"
#include "test_windows.h"

#include "host/clock.h"
#include "host/trace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> traceLines;
void CollectTrace(const std::string& line) { traceLines.push_back(line); }

void Put32(std::string* s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s->push_back(static_cast<char>(v >> (8 * i)));
}
void Put16(std::string* s, uint16_t v) {
    s->push_back(static_cast<char>(v));
    s->push_back(static_cast<char>(v >> 8));
}

// A PCM WAVE file of `frames` 16-bit samples per channel at 22050 Hz; an
// 18-byte format chunk when `longFormat`, as some writers make them.
std::string Wave(uint32_t frames, uint16_t channels = 1, bool longFormat = false) {
    const uint32_t data = frames * 2 * channels;
    std::string s = "RIFF";
    Put32(&s, 36 + data + (longFormat ? 2 : 0));
    s += "WAVEfmt ";
    Put32(&s, longFormat ? 18 : 16);
    Put16(&s, 1);
    Put16(&s, channels);
    Put32(&s, 22050);
    Put32(&s, 22050 * 2 * channels);
    Put16(&s, 2 * channels);
    Put16(&s, 16);
    if (longFormat) Put16(&s, 0);
    s += "data";
    Put32(&s, data);
    s.append(data, '\0');
    return s;
}

class MciTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Received().clear();
        traceLines.clear();
        platform::SetTraceSink(CollectTrace);
        window_ = CreateRecordingParent();
    }
    void TearDown() override {
        mciSendCommandA(MCI_ALL_DEVICE_ID, MCI_CLOSE, MCI_WAIT, 0);
        DestroyWindow(window_);
        platform::SetTraceSink(nullptr);
    }
    void PutFile(const std::string& name, const std::string& bytes) {
        std::ofstream(machine_.DriveC() / "Program Files/Orbiq" / name, std::ios::binary) << bytes;
    }
    MCIERROR Open(const char* path, MCIDEVICEID* id) {
        MCI_OPEN_PARMSA p{};
        p.lpstrDeviceType = "waveaudio";
        p.lpstrElementName = path;
        MCIERROR rc = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT,
                                      reinterpret_cast<DWORD_PTR>(&p));
        *id = p.wDeviceID;
        return rc;
    }
    MCIERROR Play(MCIDEVICEID id) {
        MCI_PLAY_PARMS p{reinterpret_cast<DWORD_PTR>(window_), 0, 0};
        return mciSendCommandA(id, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&p));
    }
    std::vector<Recorded> Notes() { return ReceivedOf(window_, MM_MCINOTIFY); }
    void Let(uint32_t ms) {
        platform::ClockAdvance(ms);
        Pump();
    }

    TempMachine machine_;
    ScriptedFrontEnd frontEnd_;
    HWND window_ = nullptr;
};

TEST_F(MciTest, PlayNotifiesWhenTheSoundsTimeHasPassed) {
    PutFile("tone.wav", Wave(11025, 1, true)); // half a second
    MCIDEVICEID id = 0;
    ASSERT_EQ(Open("C:\\Program Files\\Orbiq\\tone.wav", &id), 0u);
    ASSERT_NE(id, 0u);
    ASSERT_EQ(Play(id), 0u);
    Let(499);
    EXPECT_TRUE(Notes().empty());
    Let(1);
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_EQ(Notes()[0].wParam, static_cast<WPARAM>(MCI_NOTIFY_SUCCESSFUL));
    EXPECT_EQ(static_cast<MCIDEVICEID>(Notes()[0].lParam), id);

    // The program's end-of-sound step: stop and close raise nothing more.
    EXPECT_EQ(mciSendCommandA(id, MCI_STOP, MCI_WAIT, 0), 0u);
    EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, MCI_WAIT, 0), 0u);
    Let(1000);
    EXPECT_EQ(Notes().size(), 1u);
    EXPECT_EQ(mciSendCommandA(id, MCI_STOP, MCI_WAIT, 0),
              static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));

    ASSERT_GE(traceLines.size(), 2u);
    EXPECT_NE(traceLines[0].find(R"("ev": "mci")"), std::string::npos) << traceLines[0];
    EXPECT_NE(traceLines[0].find(R"("command": "open")"), std::string::npos);
    EXPECT_NE(traceLines[0].find(R"(tone.wav")"), std::string::npos);
}

TEST_F(MciTest, StopOrCloseBeforeTheEndAborts) {
    PutFile("four.wav", Wave(22050, 4)); // one second, four channels
    for (UINT command : {MCI_STOP, MCI_CLOSE}) {
        Received().clear();
        MCIDEVICEID id = 0;
        ASSERT_EQ(Open("C:\\Program Files\\Orbiq\\four.wav", &id), 0u);
        ASSERT_EQ(Play(id), 0u);
        Let(300);
        ASSERT_EQ(mciSendCommandA(id, command, MCI_WAIT, 0), 0u);
        Pump();
        ASSERT_EQ(Notes().size(), 1u);
        EXPECT_EQ(Notes()[0].wParam, static_cast<WPARAM>(MCI_NOTIFY_ABORTED));
        Let(2000);
        EXPECT_EQ(Notes().size(), 1u) << "no success after an abort";
        mciSendCommandA(id, MCI_CLOSE, MCI_WAIT, 0);
    }
}

TEST_F(MciTest, PlayWaitTakesTheSoundsTime) {
    PutFile("tone.wav", Wave(22050 / 4));
    MCIDEVICEID id = 0;
    ASSERT_EQ(Open("tone.wav", &id), 0u) << "relative to the program's directory";
    const uint32_t start = platform::ClockNow();
    ASSERT_EQ(mciSendCommandA(id, MCI_PLAY, MCI_WAIT, 0), 0u);
    EXPECT_EQ(platform::ClockNow() - start, 250u);
}

TEST_F(MciTest, FilesThatCannotBePlayed) {
    PutFile("empty.wav", "");
    PutFile("text.wav", "this is not a sound");
    std::string noData = Wave(100).substr(0, 36);
    PutFile("nodata.wav", noData);
    std::string adpcm = Wave(100);
    adpcm[20] = 2;
    PutFile("adpcm.wav", adpcm);
    const struct {
        const char* path;
        MCIERROR error;
        const char* text;
    } cases[] = {
        {"C:\\Program Files\\Orbiq\\missing.wav", MCIERR_FILE_NOT_FOUND,
         "Cannot find the specified file. Make sure the path and filename are correct."},
        {"C:\\Program Files\\Orbiq\\empty.wav", MCIERR_INVALID_FILE,
         "The specified file cannot be played on the specified MCI device. The file may be "
         "corrupt, or not in the correct format."},
        {"C:\\Program Files\\Orbiq\\text.wav", MCIERR_INVALID_FILE, nullptr},
        {"C:\\Program Files\\Orbiq\\nodata.wav", MCIERR_INVALID_FILE, nullptr},
        {"C:\\Program Files\\Orbiq\\adpcm.wav", MCIERR_INVALID_FILE, nullptr},
        {"D:\\elsewhere.wav", MCIERR_FILE_NOT_FOUND, nullptr},
    };
    for (const auto& c : cases) {
        MCIDEVICEID id = 77;
        EXPECT_EQ(Open(c.path, &id), c.error) << c.path;
        if (c.text != nullptr) {
            char text[256];
            ASSERT_TRUE(mciGetErrorStringA(c.error, text, sizeof text));
            EXPECT_STREQ(text, c.text);
        }
    }
    MCI_OPEN_PARMSA p{};
    p.lpstrDeviceType = "cdaudio";
    EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&p)),
              static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_NAME));
    char text[8] = "x";
    EXPECT_FALSE(mciGetErrorStringA(12345, text, sizeof text));
    EXPECT_STREQ(text, "");
    // A short buffer gets the beginning of the text.
    ASSERT_TRUE(mciGetErrorStringA(MCIERR_FILE_NOT_FOUND, text, sizeof text));
    EXPECT_STREQ(text, "Cannot ");
}

// Format fields out of range, and chunks that lie about their length: the
// device refuses the file, or plays only the samples the file really holds.
TEST_F(MciTest, FormatFieldsOutOfRangeAreRefused) {
    auto with16 = [](size_t at, uint16_t v) {
        std::string w = Wave(100);
        w[at] = static_cast<char>(v);
        w[at + 1] = static_cast<char>(v >> 8);
        return w;
    };
    auto with32 = [](size_t at, uint32_t v) {
        std::string w = Wave(100);
        for (int i = 0; i < 4; ++i) w[at + i] = static_cast<char>(v >> (8 * i));
        return w;
    };
    const struct {
        const char* name;
        std::string bytes;
    } refused[] = {
        {"channels 0", with16(22, 0)},
        {"channels 9", with16(22, 9)},
        {"rate 0", with32(24, 0)},
        {"rate 192001", with32(24, 192001)},
        {"block align 0", with16(32, 0)},
        {"block align not channels times bytes", with16(32, 3)},
        {"bits 0", with16(34, 0)},
        {"bits 12", with16(34, 12)},
        {"format chunk of 8 bytes", with32(16, 8)},
        {"data before any format", "RIFF\x10\0\0\0WAVEdata\x04\0\0\0abcd"},
    };
    for (const auto& c : refused) {
        PutFile("bad.wav", c.bytes);
        MCIDEVICEID id = 0;
        EXPECT_EQ(Open("C:\\Program Files\\Orbiq\\bad.wav", &id),
                  static_cast<MCIERROR>(MCIERR_INVALID_FILE))
            << c.name;
    }

    // A data chunk that claims far more than the file holds plays what is
    // there: 100 frames at 22050 Hz are 5 ms.
    PutFile("long.wav", with32(40, 0x7FFFFFF0));
    MCIDEVICEID id = 0;
    ASSERT_EQ(Open("C:\\Program Files\\Orbiq\\long.wav", &id), 0u);
    ASSERT_EQ(Play(id), 0u);
    Let(4);
    EXPECT_TRUE(Notes().empty());
    Let(100);
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_EQ(Notes()[0].wParam, static_cast<WPARAM>(MCI_NOTIFY_SUCCESSFUL));
}

} // namespace
