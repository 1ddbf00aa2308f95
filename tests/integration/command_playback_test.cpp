// The command interpreter over the real engine, rendered offline: what the mixer's
// command texts make a listener hear.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/test_media.h"
#include "platform/command_interpreter.h"

namespace {

using enginetest::OfflineRig;

constexpr int kRate = 48000;

class CommandPlayback : public ::testing::Test {
  protected:
    std::string send(const std::string& command) {
        std::string answer;
        EXPECT_EQ(interpreter.execute(command, answer), 0u) << command;
        return answer;
    }
    uint32_t codeOf(const std::string& command) {
        std::string answer;
        return interpreter.execute(command, answer);
    }
    // The mixer's own load: open, play the whole file, speed, then the volume routine.
    void loadAsTheMixerDoes(const std::string& path, const std::string& alias, int level) {
        send("open " + path + " type MPEGVideo Alias " + alias + " parent 0 Style 1073741824");
        send("set " + alias + " time format frames");
        const std::string length = send("status " + alias + " length");
        send("play " + alias + " from 0 to " + length);
        send("set " + alias + " speed 1000");
        send("setaudio " + alias + " Volume to " + std::to_string(level));
    }

    OfflineRig rig{kRate, 256};
    platform::CommandInterpreter interpreter{*rig.engine};
};

TEST_F(CommandPlayback, SetaudioLevelsEachChannelLinearly) {
    send("open " + enginetest::wav48() + " alias a");
    send("setaudio a left volume to 500");
    send("setaudio a right volume to 250");
    send("play a");
    const std::vector<float> mix = rig.render(kRate / 2);
    const double left = enginetest::rms(mix, 0, kRate / 10, kRate / 2);
    const double right = enginetest::rms(mix, 1, kRate / 10, kRate / 2);
    const double full = 0.5 / std::sqrt(2.0);  // the tone's amplitude is 0.5
    EXPECT_NEAR(left / full, 0.5, 0.03);
    EXPECT_NEAR(right / full, 0.25, 0.03);
    EXPECT_EQ(send("status a volume"), "375");
}

TEST_F(CommandPlayback, ADeckLoadedUnderAClosedCrossfaderIsSilentFromItsFirstSample) {
    loadAsTheMixerDoes(enginetest::wav48(), "b", 0);
    const std::vector<float> mix = rig.render(kRate / 4);
    size_t at = 0;
    EXPECT_EQ(enginetest::largestStep(mix, &at), 0.0f) << "sound at sample " << at / 2;
    EXPECT_EQ(send("status b mode"), "playing");
}

TEST_F(CommandPlayback, SpeedScalesThePitchOfTheTone) {
    loadAsTheMixerDoes(enginetest::wav48(), "a", 1000);
    send("set a speed 1500");
    const std::vector<float> mix = rig.render(kRate);
    EXPECT_NEAR(enginetest::measureFrequency(mix, 0, kRate, kRate / 2, kRate), 1500.0, 15.0);
}

// Below about 19 kHz the slowest speed needs more than the resampler's 256-fold ratio: it
// is refused, not played faster than asked while `status speed` claims it.
TEST_F(CommandPlayback, ASpeedTheFileCannotReachIsRefusedAndTheOldOneKept) {
    const std::string low = enginetest::makeMedia(
        "tone8k.wav", enginetest::toneInput(100, 0.5, 2, 8000) + " -c:a pcm_s16le");
    send("open " + low + " alias a");
    EXPECT_EQ(codeOf("set a speed 10"), 282u);
    EXPECT_EQ(send("status a speed"), "1000");
    send("set a speed 24");
    send("play a");
    rig.render(kRate);
    EXPECT_EQ(send("status a position"), "24");
}

// The mix takes 256 devices: one more is refused rather than reported playing in silence.
TEST_F(CommandPlayback, TheDeviceBeyondWhatTheMixTakesIsRefused) {
    const std::string path = enginetest::makeMedia(
        "short48.wav", enginetest::toneInput(1000, 0.5, 0.5, kRate) + " -c:a pcm_s16le");
    for (int i = 0; i < 256; ++i) {
        send("open " + path + " alias d" + std::to_string(i));
        rig.render(256);  // the callback takes each new device, as in real time
    }
    EXPECT_EQ(codeOf("open " + path + " alias one-more"), 264u);
    send("close d0");
    rig.render(512);
    send("open " + path + " alias one-more");
    send("play one-more");
    rig.render(kRate / 10 + 256);  // a fresh start waits one period
    EXPECT_EQ(send("status one-more position"), "100");
}

TEST_F(CommandPlayback, SeekPlayPauseLeavesTheDevicePausedAtTheTarget) {
    loadAsTheMixerDoes(enginetest::mp3Cbr(), "a", 1000);
    rig.render(kRate / 10);
    send("seek a to 1500");
    send("Play a");
    send("Pause a");
    EXPECT_EQ(send("status a mode"), "paused");
    EXPECT_EQ(send("status a position"), "1500");
    rig.render(kRate / 10);
    EXPECT_EQ(send("status a position"), "1500");
}

TEST_F(CommandPlayback, PlayToTheReportedLengthIsAcceptedForEveryLength) {
    for (const double seconds : {0.0011, 0.5, 1.0005, 1.2344, 2.71828}) {
        const std::string name = "len" + std::to_string(seconds);
        for (const std::string& path :
             {enginetest::makeMedia(name + ".wav", enginetest::toneInput(440, 0.3, seconds, 44100)),
              enginetest::makeMedia(
                  name + ".mp3", "-i " + enginetest::makeMedia(
                                             name + "-src.wav",
                                             enginetest::toneInput(440, 0.3, seconds, 44100)))}) {
            send("open " + path + " alias t");
            for (const char* format : {"ms", "frames"}) {
                send(std::string("set t time format ") + format);
                const std::string length = send("status t length");
                EXPECT_EQ(codeOf("play t from 0 to " + length), 0u) << path << " " << length;
                EXPECT_EQ(codeOf("play t from 0 to " + std::to_string(std::stol(length) + 1)),
                          282u);
            }
            send("close t");
        }
    }
}

TEST_F(CommandPlayback, CloseGivesTheAliasBackAtOnce) {
    loadAsTheMixerDoes(enginetest::wav48(), "c", 1000);
    rig.render(kRate / 20);
    send("Close c");
    loadAsTheMixerDoes(enginetest::wav44(), "c", 1000);
    EXPECT_EQ(send("status c mode"), "playing");
    EXPECT_EQ(codeOf("open " + enginetest::wav44() + " alias C"), 289u);
}

}  // namespace
