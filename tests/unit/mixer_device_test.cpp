// The mixer access of the mixer pages: the slider arithmetic over every
// pair of positions, and the line search, value exchange and recording
// source selection on the machine's card mixer.
#include <windows.h>
#include <mmsystem.h>

#include "mixer/mixer_device.h"

#include "test_machine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

MixerLineRecord StereoRecord() {
    MixerLineRecord record{};
    record.line.cChannels = 2;
    record.balance = BALANCE_CENTRE;
    return record;
}

// Every volume position with every balance position: the levels give back
// the volume position, and (unless both are silent) the balance position.
TEST(MixerDeviceArithmetic, EveryPositionPairRoundTrips) {
    for (DWORD volume = 0; volume <= VOLUME_SLIDER_MAX; ++volume) {
        for (DWORD balance = 0; balance <= BALANCE_SLIDER_MAX; ++balance) {
            SCOPED_TRACE("volume " + std::to_string(volume) + " balance " + std::to_string(balance));
            MixerLineRecord record = StereoRecord();
            SliderToLevels(&record, balance, TRUE);
            SliderToLevels(&record, volume, FALSE);
            const DWORD level = (15 - volume) * 4369;
            EXPECT_EQ(GetLevel(&record), level);
            EXPECT_EQ(LevelToPosition(GetLevel(&record)), volume);
            // The side the balance leans to carries the whole level.
            if (balance <= BALANCE_CENTRE) {
                EXPECT_EQ(record.volume[0], level);
            }
            if (balance >= BALANCE_CENTRE) {
                EXPECT_EQ(record.volume[1], level);
            }

            record.balance = 99;  // must be worked out again from the levels
            if (volume == VOLUME_SLIDER_MAX) {
                EXPECT_FALSE(LevelsToBalance(&record));
                EXPECT_EQ(record.balance, 99u);
            } else {
                EXPECT_TRUE(LevelsToBalance(&record));
                EXPECT_EQ(record.balance, balance);
            }
        }
    }
}

TEST(MixerDeviceArithmetic, BalanceEndsSilenceOneSide) {
    MixerLineRecord record = StereoRecord();
    record.volume[0] = 30000;
    record.volume[1] = 50000;
    SliderToLevels(&record, 0, TRUE);
    EXPECT_EQ(record.volume[0], 50000u);  // the louder of the two
    EXPECT_EQ(record.volume[1], 0u);
    SliderToLevels(&record, BALANCE_SLIDER_MAX, TRUE);
    EXPECT_EQ(record.volume[0], 0u);
    EXPECT_EQ(record.volume[1], 50000u);
}

TEST(MixerDeviceArithmetic, BottomKeepsBalanceAndMovingUpRestoresIt) {
    MixerLineRecord record = StereoRecord();
    SliderToLevels(&record, 5, FALSE);
    SliderToLevels(&record, 9, TRUE);
    SliderToLevels(&record, VOLUME_SLIDER_MAX, FALSE);
    EXPECT_EQ(record.volume[0], 0u);
    EXPECT_EQ(record.volume[1], 0u);
    EXPECT_FALSE(LevelsToBalance(&record));
    EXPECT_EQ(record.balance, 9u);
    SliderToLevels(&record, 2, FALSE);
    EXPECT_EQ(record.volume[0], 13u * 4369);
    EXPECT_EQ(record.volume[1], (9u * 13 * 4369) >> 4);
    ASSERT_TRUE(LevelsToBalance(&record));
    EXPECT_EQ(record.balance, 9u);
}

TEST(MixerDeviceArithmetic, OneChannelLineIgnoresBalance) {
    MixerLineRecord record{};
    record.line.cChannels = 1;
    record.balance = BALANCE_CENTRE;
    record.volume[1] = 777;  // unused on one channel
    for (DWORD volume = 0; volume <= VOLUME_SLIDER_MAX; ++volume) {
        SliderToLevels(&record, volume, FALSE);
        EXPECT_EQ(record.volume[0], (15 - volume) * 4369);
        EXPECT_EQ(GetLevel(&record), record.volume[0]);
        EXPECT_EQ(LevelToPosition(GetLevel(&record)), volume);
    }
    SliderToLevels(&record, 0, TRUE);
    EXPECT_EQ(record.volume[0], 0u);
    EXPECT_EQ(record.volume[1], 777u);
    EXPECT_EQ(record.balance, static_cast<DWORD>(BALANCE_CENTRE));
    EXPECT_FALSE(LevelsToBalance(&record));
}

// Positions outside the sliders' ranges would wrap the unsigned arithmetic
// into levels no mixer accepts; they count as the nearest end.
TEST(MixerDeviceArithmetic, OutOfRangeInputStaysInRange) {
    MixerLineRecord record = StereoRecord();
    SliderToLevels(&record, 40, FALSE);
    EXPECT_EQ(GetLevel(&record), 0u);
    SliderToLevels(&record, 0, FALSE);
    SliderToLevels(&record, 1000, TRUE);
    EXPECT_EQ(record.balance, static_cast<DWORD>(BALANCE_SLIDER_MAX));
    EXPECT_EQ(record.volume[0], 0u);
    EXPECT_EQ(record.volume[1], 65535u);
    EXPECT_EQ(LevelToPosition(0xFFFFFFFF), 0u);
}

// ---------------------------------------------------------------------------
// On the machine's card mixer.

class MixerDeviceTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (mixer_ != NULL) CloseMixer(mixer_);
    }
    void Set(const char* key, const char* value) {
        std::string error;
        ASSERT_TRUE(machine_->settings().Set("mixer", key, value, &error)) << error;
    }
    HMIXER Open() {
        mixer_ = OpenMixer(NULL, 0);
        return mixer_;
    }

    TempMachine machine_;
    HMIXER mixer_ = NULL;
};

TEST_F(MixerDeviceTest, AuxiliarySearchOnPlaybackNeedsWaveOutputBelow) {
    struct Case {
        const char* sources;
        BOOL found;
        DWORD lineId;
    } cases[] = {
        {"wave,synth,cd,mic,linein", TRUE, 0x00010000},
        {"linein:5,wave:3,linein:7", TRUE, 7},
        {"wave:8,linein:6", FALSE, 0},
        {"linein,wave,synth", FALSE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sources);
        Set("playback_sources", c.sources);
        ASSERT_NE(Open(), nullptr);
        MixerLineRecord record{};
        EXPECT_EQ(FindLine(mixer_, &record, MIXER_AUXILIARY_SOURCE,
                           MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0),
                  c.found);
        if (c.found) {
            EXPECT_EQ(record.line.dwLineID, c.lineId);
        }
        CloseMixer(mixer_);
        mixer_ = NULL;
    }
}

TEST_F(MixerDeviceTest, WaveInSearchTakesTheExactLineId) {
    for (const char* sources : {"mix,mic,cd,linein", "linein,cd,mic,mix"}) {
        SCOPED_TRACE(sources);
        Set("record_sources", sources);
        ASSERT_NE(Open(), nullptr);
        for (DWORD id : {0x00020001u, 0x00010001u}) {
            MixerLineRecord record{};
            ASSERT_TRUE(FindLine(mixer_, &record, MIXER_AUXILIARY_SOURCE,
                                 MIXERLINE_COMPONENTTYPE_DST_WAVEIN, id));
            EXPECT_EQ(record.line.dwLineID, id);
        }
        CloseMixer(mixer_);
        mixer_ = NULL;
    }
    Set("record_sources", "mic,cd,linein");
    ASSERT_NE(Open(), nullptr);
    MixerLineRecord record{};
    EXPECT_FALSE(FindLine(mixer_, &record, MIXER_AUXILIARY_SOURCE,
                          MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 0x00020001));
}

TEST_F(MixerDeviceTest, VolumeAndMuteGoThroughTheLine) {
    ASSERT_NE(Open(), nullptr);
    MixerLineRecord wave{};
    ASSERT_TRUE(FindLine(mixer_, &wave, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT,
                         MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0));
    ASSERT_TRUE(GetLineControls(mixer_, &wave));
    ASSERT_TRUE(GetVolume(mixer_, &wave));
    EXPECT_EQ(wave.volume[0], 52428u);
    EXPECT_EQ(wave.volume[1], 52428u);
    wave.volume[0] = 1000;
    wave.volume[1] = 2000;
    wave.switchValue = 1;
    EXPECT_TRUE(SetVolume(mixer_, &wave));
    EXPECT_TRUE(SetMute(mixer_, &wave));

    MixerLineRecord again = wave;
    again.volume[0] = again.volume[1] = again.switchValue = 0;
    ASSERT_TRUE(GetVolume(mixer_, &again));
    ASSERT_TRUE(GetMute(mixer_, &again));
    EXPECT_EQ(again.volume[0], 1000u);
    EXPECT_EQ(again.volume[1], 2000u);
    EXPECT_EQ(again.switchValue, 1u);

    // The master line's own mute is not the wave line's.
    MixerLineRecord master{};
    ASSERT_TRUE(FindLine(mixer_, &master, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                         MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0));
    ASSERT_TRUE(GetLineControls(mixer_, &master));
    ASSERT_TRUE(GetMute(mixer_, &master));
    EXPECT_EQ(master.switchValue, 0u);
}

// The recording source: the row's item is the first item name contained
// in the row's line name, and a write selects it alone.
TEST_F(MixerDeviceTest, RecordSelectionIsExclusive) {
    ASSERT_NE(Open(), nullptr);
    const DWORD types[] = {MIXER_AUXILIARY_SOURCE, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                           MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXER_AUXILIARY_SOURCE};
    const DWORD ids[] = {0x00020001, 0, 0, 0x00010001};
    MixerLineRecord rows[4] = {};
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(FindLine(mixer_, &rows[i], types[i], MIXERLINE_COMPONENTTYPE_DST_WAVEIN, ids[i]));

    auto selected = [&]() {
        std::string marks;
        for (MixerLineRecord& row : rows) {
            row.switchValue = 7;
            EXPECT_TRUE(GetRecordSelect(mixer_, &row));
            marks += row.switchValue ? '1' : '0';
        }
        return marks;
    };
    EXPECT_EQ(selected(), "0100");  // a new machine records the microphone
    rows[2].switchValue = 1;
    EXPECT_TRUE(SetRecordSelect(mixer_, &rows[2]));
    EXPECT_EQ(selected(), "0010");
    rows[3].switchValue = 1;
    EXPECT_TRUE(SetRecordSelect(mixer_, &rows[3]));
    EXPECT_EQ(selected(), "0001");

    // A line whose name holds no item name has no item to read or write.
    MixerLineRecord stranger = rows[0];
    strcpy(stranger.line.szName, "Telephone");
    stranger.switchValue = 1;
    EXPECT_FALSE(GetRecordSelect(mixer_, &stranger));
    EXPECT_FALSE(SetRecordSelect(mixer_, &stranger));
    EXPECT_EQ(selected(), "0001");
}

TEST_F(MixerDeviceTest, NoMultiplexerMeansNoSelection) {
    Set("record_mux", "0");
    ASSERT_NE(Open(), nullptr);
    MixerLineRecord mic{};
    ASSERT_TRUE(FindLine(mixer_, &mic, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                         MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 0));
    mic.switchValue = 5;
    EXPECT_FALSE(GetRecordSelect(mixer_, &mic));
    EXPECT_EQ(mic.switchValue, 5u);
}

TEST_F(MixerDeviceTest, DeviceChoice) {
    struct Case {
        const char* devices;
        const char* cardDevice;
        const char* brokenDevice;
        UINT expected;
        bool opens;
    } cases[] = {
        {"2", "1", "", 1, true},
        {"3", "2", "0", 2, true},  // a device that cannot be read is skipped
        {"0", "0", "", 0, false},  // no device: device 0, which does not open
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.devices);
        Set("devices", c.devices);
        Set("card_device", c.cardDevice);
        if (*c.brokenDevice) Set("broken_device", c.brokenDevice);
        EXPECT_EQ(FindMixerDevice(), c.expected);
        HMIXER mixer = OpenMixer(NULL, c.expected);
        EXPECT_EQ(mixer != NULL, c.opens);
        if (mixer != NULL) CloseMixer(mixer);
    }
}

}  // namespace
