#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "log/animated_icon.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>(v >> (8 * i) & 0xff);
}

// An icon file holding one image of the given size.
std::string IconFile(size_t imageSize) {
    std::string f("\0\0\1\0\1\0", 6);
    f += std::string(8, '\0');
    Put32(f, static_cast<uint32_t>(imageSize));
    Put32(f, 22);
    return f + std::string(imageSize, 'i');
}

std::string Chunk(const std::string& id, const std::string& body) {
    std::string c = id;
    Put32(c, static_cast<uint32_t>(body.size()));
    c += body;
    if (body.size() & 1) c += '\0';
    return c;
}

std::string Ani(const std::vector<std::string>& icons, uint32_t rate) {
    std::string header;
    Put32(header, 36);
    Put32(header, static_cast<uint32_t>(icons.size()));
    for (int i = 0; i < 5; ++i) Put32(header, 0);
    Put32(header, rate);
    Put32(header, 1);
    std::string frames = "fram";
    for (const auto& icon : icons) frames += Chunk("icon", icon);
    const std::string body = "ACON" + Chunk("anih", header) + Chunk("LIST", frames);
    std::string file = "RIFF";
    Put32(file, static_cast<uint32_t>(body.size()));
    return file + body;
}

TEST(AnimatedIcon, TheProgramsOwnPicture) {
    const std::string bytes = ReadFile(ZANT_SOURCE_DIR "/src/resources/tvani.ani");
    AnimatedIcon icon;
    ASSERT_TRUE(ParseAnimatedIcon(bytes, icon));
    EXPECT_EQ(icon.frames.size(), 8u);
    EXPECT_EQ(icon.jiffies, 9u);
    for (const auto& frame : icon.frames) {
        ASSERT_LE(frame.offset + frame.size, bytes.size());
        EXPECT_EQ(bytes[frame.offset], 40);      // each frame's image begins with its header
        EXPECT_EQ(bytes[frame.offset + 4], 32);  // 32 pixels wide
    }
}

TEST(AnimatedIcon, FramesAndRateOfAMadeFile) {
    const std::string bytes = Ani({IconFile(41), IconFile(100), IconFile(64)}, 12);
    AnimatedIcon icon;
    ASSERT_TRUE(ParseAnimatedIcon(bytes, icon));
    ASSERT_EQ(icon.frames.size(), 3u);
    EXPECT_EQ(icon.jiffies, 12u);
    EXPECT_EQ(icon.frames[1].size, 100u);
    EXPECT_EQ(bytes.substr(icon.frames[1].offset, 100), std::string(100, 'i'));
}

TEST(AnimatedIcon, RejectsWhatIsNotOne) {
    const std::string good = Ani({IconFile(50)}, 6);
    const std::string cases[] = {
        "",
        "RIFF",
        good.substr(0, good.size() / 2),  // cut short
        "RIFX" + good.substr(4),
        Ani({}, 6),              // no frames
        Ani({IconFile(10)}, 6),  // an image too small to be one
    };
    for (const auto& bytes : cases) {
        AnimatedIcon icon;
        EXPECT_FALSE(ParseAnimatedIcon(bytes, icon)) << bytes.size();
    }
    // An icon entry that claims more bytes than its chunk holds.
    std::string lying = IconFile(50);
    lying[14] = static_cast<char>(0xff);
    AnimatedIcon icon;
    EXPECT_FALSE(ParseAnimatedIcon(Ani({lying}, 6), icon));
}

}  // namespace
