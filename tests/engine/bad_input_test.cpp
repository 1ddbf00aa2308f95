// Bad input gives a clear error at open, or a device that plays what it can and stops;
// never a crash, never a hang.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "test_media.h"
#include "util/log.h"

namespace enginetest {
namespace {

using engine::Mode;
using engine::OpenError;

std::string writeFile(const std::string& name, const std::string& bytes) {
    const std::string path = mediaFolder() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class BadInput : public ::testing::Test {
  protected:
    OpenError openError(const std::string& path) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = rig.engine->open(path, 0);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, std::chrono::seconds(3)) << path;
        return result.error;
    }
    // Opens (when it opens at all) and plays to the end; the device must stop.
    void playsThroughOrRefuses(const std::string& path) {
        const auto result = rig.engine->open(path, 0);
        if (result.error != OpenError::None) {
            EXPECT_TRUE(result.error == OpenError::InvalidFile) << path;
            return;
        }
        const int64_t length = rig.engine->lengthMs(result.device);
        rig.engine->play(result.device, 0, length);
        rig.render(static_cast<size_t>(length * 48 + 48000));
        EXPECT_EQ(rig.engine->mode(result.device), Mode::Stopped) << path;
        EXPECT_EQ(rig.engine->positionMs(result.device), length) << path;
    }
    OfflineRig rig;
};

TEST_F(BadInput, MissingFile) {
    EXPECT_EQ(openError(mediaFolder() + "/missing.mp3"), OpenError::FileNotFound);
}

TEST_F(BadInput, EmptyFile) {
    EXPECT_EQ(openError(writeFile("empty.mp3", "")), OpenError::InvalidFile);
}

TEST_F(BadInput, TheLogSaysWhyAFileDoesNotOpenInFFmpegsWords) {
    const std::string path = writeFile("broken.wav", std::string("RIFF\x24\0\0\0WAVEjunkjunk", 20));
    useful::SetLogEnabled(true);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(openError(path), OpenError::InvalidFile);
    const std::string log = ::testing::internal::GetCapturedStderr();
    useful::SetLogEnabled(false);
    EXPECT_NE(log.find("[open] " + path + ": reading the format failed: Invalid data found"),
              std::string::npos)
        << log;
}

TEST_F(BadInput, TextNamedLikeASong) {
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += "This is not a song, it is line " + std::to_string(i) + " of a text file.\n";
    }
    EXPECT_EQ(openError(writeFile("text.mp3", text)), OpenError::InvalidFile);
    EXPECT_EQ(openError(writeFile("text.wma", text)), OpenError::InvalidFile);
    EXPECT_EQ(openError(writeFile("text.mp4", text)), OpenError::InvalidFile);
}

// A 16-bit stereo WAV header stating `rate`, then `frames` of silence.
std::string wavWithRate(uint32_t rate, uint32_t frames) {
    std::string bytes;
    const auto field = [&bytes](uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    bytes += "RIFF";
    field(36 + frames * 4, 4);
    bytes += "WAVEfmt ";
    field(16, 4);
    field(1, 2);  // PCM
    field(2, 2);
    field(rate, 4);
    field(rate * 4, 4);
    field(4, 2);
    field(16, 2);
    bytes += "data";
    field(frames * 4, 4);
    return bytes + std::string(frames * 4, '\0');
}

TEST_F(BadInput, SampleRateBeyondWhatTheResamplerReaches) {
    EXPECT_EQ(openError(writeFile("20-MHz.wav", wavWithRate(20'000'000, 20'000))),
              OpenError::InvalidFile);
    EXPECT_EQ(openError(writeFile("12-MHz.wav", wavWithRate(12'000'000, 12'000))),
              OpenError::None);  // 250 times the output's rate: within reach
}

TEST_F(BadInput, Folder) {
    const std::string folder = mediaFolder() + "/folder.mp3";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(openError(folder), OpenError::FileNotFound);
}

TEST_F(BadInput, Fifo) {
    const std::string fifo = mediaFolder() + "/fifo.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(openError(fifo), OpenError::FileNotFound);
}

TEST_F(BadInput, DeviceNodeNamedLikeASong) {
    const std::string link = mediaFolder() + "/zero.mp3";
    std::filesystem::create_symlink("/dev/zero", link);
    EXPECT_EQ(openError(link), OpenError::FileNotFound);
    EXPECT_EQ(openError("/dev/zero"), OpenError::FileNotFound);
}

TEST_F(BadInput, TruncatedFiles) {
    for (const auto& source : {mp3Cbr(), m4aAac(), wav44(), wma(), midiSong()}) {
        const std::string bytes = readFile(source);
        for (size_t keep : {bytes.size() / 2, bytes.size() / 10, size_t{100}}) {
            const std::string name = "cut-" + std::to_string(keep) + "-" +
                                     std::filesystem::path(source).filename().string();
            playsThroughOrRefuses(writeFile(name, bytes.substr(0, keep)));
        }
    }
}

TEST_F(BadInput, BitFlippedFiles) {
    std::mt19937 random(7);
    for (const auto& source : {mp3Vbr(), m4aAac(), wma(), aviVideo()}) {
        std::string bytes = readFile(source);
        for (int round = 0; round < 3; ++round) {
            std::string damaged = bytes;
            for (int flip = 0; flip < 40; ++flip) {
                const size_t at =
                    std::uniform_int_distribution<size_t>(0, damaged.size() - 1)(random);
                damaged[at] = static_cast<char>(damaged[at] ^ (1 << (flip % 8)));
            }
            const std::string name = "flipped-" + std::to_string(round) + "-" +
                                     std::filesystem::path(source).filename().string();
            playsThroughOrRefuses(writeFile(name, damaged));
        }
    }
}

TEST_F(BadInput, FileDeletedWhilePlaying) {
    const std::string copy = mediaFolder() + "/deleted.mp3";
    std::filesystem::copy_file(mp3Cbr(), copy, std::filesystem::copy_options::overwrite_existing);
    const auto result = rig.engine->open(copy, 0);
    ASSERT_EQ(result.error, OpenError::None);
    const int64_t length = rig.engine->lengthMs(result.device);
    rig.engine->play(result.device, 0, length);
    rig.render(4800);
    std::filesystem::remove(copy);
    rig.render(static_cast<size_t>(length * 48));
    EXPECT_EQ(rig.engine->mode(result.device), Mode::Stopped);
    EXPECT_EQ(rig.engine->positionMs(result.device), length);
}

TEST_F(BadInput, FileTruncatedWhilePlaying) {
    const std::string copy = mediaFolder() + "/shrinking.mp3";
    std::filesystem::copy_file(mp3Cbr(), copy, std::filesystem::copy_options::overwrite_existing);
    const auto result = rig.engine->open(copy, 0);
    ASSERT_EQ(result.error, OpenError::None);
    const int64_t length = rig.engine->lengthMs(result.device);
    rig.engine->seek(result.device, 100);
    std::filesystem::resize_file(copy, 2000);
    rig.engine->play(result.device, 2000, length);
    rig.render(static_cast<size_t>(length * 48));
    EXPECT_EQ(rig.engine->mode(result.device), Mode::Stopped);
}

}  // namespace
}  // namespace enginetest
