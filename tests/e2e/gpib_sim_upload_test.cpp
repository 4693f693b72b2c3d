// Whole frame uploads as each processor sends them: the EM 1012 read one byte per call, the HS
// 4540 in one read of its window plus five bytes; the frames show the moving pattern.

#include "e2e/gpib_sim_fixture.h"

namespace fw::e2e {

namespace {

constexpr long kEmUploadBytes = 46044; // 156 header bytes + 192 lines of 239
constexpr long kEmHeaderBytes = 156;
constexpr int kEmLineLength = 239;

// The documented pattern: background 40 + (x + 2y) mod 128, a bar of 240 twelve columns wide
// starting at column 3 × frame (modulo the sensor width).
int expectedPixel(int sensor_width, int x, int y, int frame)
{
    const int bar_left = ((frame * 3) % sensor_width + sensor_width) % sensor_width;
    const int from_bar = ((x - bar_left) % sensor_width + sensor_width) % sensor_width;
    return from_bar < 12 ? 240 : 40 + (x + 2 * y) % 128;
}

class GpibSimUploadTest : public GpibSimFixture {
protected:
    void PositionTo(int ud, std::int32_t frame)
    {
        std::vector<std::uint8_t> command = { 0x26 };
        const auto number = bigEndian32(frame);
        command.insert(command.end(), number.begin(), number.end());
        ASSERT_EQ(Command(ud, command) & 0xA0, 0);
    }

    std::vector<std::uint8_t> EmFrame(int em, std::int32_t frame)
    {
        PositionTo(em, frame);
        EXPECT_EQ(driver().ibtmo(em, 13), kCmpl);
        EXPECT_EQ(Command(em, { 0x17 }) & 0xA0, 0);
        int last_status = 0;
        std::vector<std::uint8_t> bytes = UploadOneByteAtATime(em, kEmUploadBytes, last_status);
        EXPECT_EQ(last_status & kEnd, kEnd) << "EOI with the last byte";
        return bytes;
    }
};

TEST_F(GpibSimUploadTest, EmUploadIsHeaderAndImageOfTheChosenFrame)
{
    const int em = FindOk("DEV7");
    const std::vector<std::uint8_t> frame = EmFrame(em, 5);

    ASSERT_EQ(static_cast<long>(frame.size()), kEmUploadBytes);
    EXPECT_EQ(fromBigEndian(frame, 0, 4), 5);
    EXPECT_EQ(fromBigEndian(frame, 4, 2), 192);
    EXPECT_EQ(fromBigEndian(frame, 6, 2), kEmLineLength);
    for (int y : { 0, 100, 191 })
        for (int x : { 0, 15, 20, 238 })
            EXPECT_EQ(frame[static_cast<std::size_t>(kEmHeaderBytes + y * kEmLineLength + x)],
                expectedPixel(kEmLineLength, x, y, 5))
                << x << "," << y;

    std::uint8_t after[4] = {};
    EXPECT_EQ(driver().ibrd(em, after, 4) & kEnd, kEnd);
    EXPECT_EQ(driver().ThreadIbcntl(), 1) << "nothing but the idle line feed follows the upload";
    EXPECT_EQ(PollReady(em) & 0xA0, 0);
}

TEST_F(GpibSimUploadTest, FramesOfARecordingDiffer)
{
    const int em = FindOk("DEV7");
    const std::vector<std::uint8_t> first = EmFrame(em, -20);
    const std::vector<std::uint8_t> later = EmFrame(em, 10);
    ASSERT_EQ(first.size(), later.size());
    EXPECT_NE(std::vector<std::uint8_t>(first.begin() + kEmHeaderBytes, first.end()),
        std::vector<std::uint8_t>(later.begin() + kEmHeaderBytes, later.end()));
}

TEST_F(GpibSimUploadTest, HsUploadIsItsWindowBetweenFrameNumberAndTrailingByte)
{
    const int hs = FindOk("DEV8");
    PositionTo(hs, 300);
    ASSERT_EQ(Command(hs, { 0x18 }) & 0xA0, 0);

    const Transfer full = Read(hs, 65541);
    ASSERT_EQ(full.bytes.size(), 65541u) << "4 + 256 x 256 + 1";
    EXPECT_EQ(full.status & (kErr | kEnd), kEnd);
    EXPECT_EQ(fromBigEndian(full.bytes, 0, 4), 300);
    EXPECT_EQ(full.bytes[4 + 10 * 256 + 7], expectedPixel(256, 7, 10, 300));
    EXPECT_EQ(full.bytes.back(), '\n');
    // Stored from byte 156 of the client's buffer, the reply ends at byte 65697.
    EXPECT_EQ(156 + full.bytes.size(), 65697u);

    ASSERT_EQ(Command(hs, { 0x29, 64, 96, 191, 159 }) & 0xA0, 0);
    ASSERT_EQ(Command(hs, { 0x18 }) & 0xA0, 0);
    const Transfer window = Read(hs, 65541);
    ASSERT_EQ(window.bytes.size(), 4u + 64 * 128 + 1);
    EXPECT_EQ(window.bytes[4], expectedPixel(256, 64, 96, 300)) << "sensor coordinates of the window";
}

TEST_F(GpibSimUploadTest, ShortReadsLeaveTheRestForTheNextRead)
{
    const int hs = FindOk("DEV8");
    ASSERT_EQ(Command(hs, { 0x18 }) & 0xA0, 0);
    const Transfer head = Read(hs, 1000);
    EXPECT_EQ(head.bytes.size(), 1000u);
    EXPECT_EQ(head.status & (kErr | kEnd), 0);
    const Transfer rest = Read(hs, 100000);
    EXPECT_EQ(rest.bytes.size(), 65541u - 1000);
    EXPECT_EQ(rest.status & kEnd, kEnd);
}

} // namespace

} // namespace fw::e2e
