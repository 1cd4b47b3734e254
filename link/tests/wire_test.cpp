// Frame decoding: partial input, limits and resynchronisation.
#include "link/wire/frame.h"
#include "link/wire/payload.h"

#include <gtest/gtest.h>

namespace korvan::link::wire {
namespace {

std::vector<uint8_t> frameBytes(uint16_t type, uint32_t id, std::vector<uint8_t> payload)
{
    return encodeFrame(type, id, payload);
}

TEST(FrameDecoder, AssemblesFramesFedByteByByte)
{
    const std::vector<uint8_t> bytes = frameBytes(0x11, 7, {1, 2, 3});
    FrameDecoder decoder;
    Frame frame;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        decoder.feed({&bytes[i], 1});
        ASSERT_EQ(decoder.next(frame), DecodeStatus::NeedMore) << i;
    }
    decoder.feed({&bytes.back(), 1});
    ASSERT_EQ(decoder.next(frame), DecodeStatus::Frame);
    EXPECT_EQ(frame.type, 0x11);
    EXPECT_EQ(frame.id, 7u);
    EXPECT_EQ(frame.payload, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(decoder.hasPartial());
}

TEST(FrameDecoder, RefusesBadHeadersBeforeBufferingTheirPayload)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
        DecodeStatus status;
    };
    const std::vector<Case> cases = {
        {"bad magic in the first byte", {'X'}, DecodeStatus::BadMagic},
        {"bad magic in a full header",
         {'K', 'V', 'L', 'X', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         DecodeStatus::BadMagic},
        {"flags", {'K', 'V', 'L', 'K', 1, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DecodeStatus::BadFlags},
        {"length above the limit",
         {'K', 'V', 'L', 'K', 1, 0, 0, 0, 0, 0, 0, 0, 65, 0, 0, 0},
         DecodeStatus::TooLarge},
    };
    for (const Case& c : cases) {
        FrameDecoder decoder(64);
        decoder.feed(c.bytes);
        Frame frame;
        EXPECT_EQ(decoder.next(frame), c.status) << c.what;
    }
}

TEST(FrameDecoder, SkipsNoiseToTheNextFrame)
{
    std::vector<uint8_t> bytes = {'n', 'o', 'K', 'V', 'i', 's', 'e'};
    const std::vector<uint8_t> frame = frameBytes(0x01, 3, {9});
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    FrameDecoder decoder;
    decoder.feed(bytes);
    Frame out;
    int skips = 0;
    DecodeStatus status;
    while ((status = decoder.next(out)) == DecodeStatus::BadMagic && skips < 10) {
        decoder.skipToNextMagic();
        ++skips;
    }
    ASSERT_EQ(status, DecodeStatus::Frame);
    EXPECT_EQ(out.id, 3u);
}

TEST(FrameDecoder, HoldsWhatArrivedNotWhatTheHeaderAnnounces)
{
    constexpr uint32_t kAnnounced = 16u * 1024u * 1024u;
    std::vector<uint8_t> header(kHeaderSize);
    PayloadWriter::storeU32(header.data(), kFrameMagic);
    header[4] = 0x40; // DownloadRom
    PayloadWriter::storeU32(header.data() + 12, kAnnounced);
    FrameDecoder decoder;
    decoder.feed(header);
    Frame frame;
    ASSERT_EQ(decoder.next(frame), DecodeStatus::NeedMore);
    EXPECT_EQ(decoder.announcedLength(), kAnnounced);
    EXPECT_LT(decoder.reserved(), 1024u) << "a header alone costs its own bytes";

    // In read-sized pieces: the room stays within half again of what came.
    const std::vector<uint8_t> chunk(64 * 1024, 0x5A);
    std::size_t arrived = kHeaderSize;
    while (arrived + chunk.size() <= kHeaderSize + kAnnounced) {
        decoder.feed(chunk);
        arrived += chunk.size();
        ASSERT_LE(decoder.reserved(), arrived + arrived / 2 + chunk.size()) << arrived;
        ASSERT_LE(decoder.reserved(), kHeaderSize + kAnnounced) << arrived;
        if (arrived < kHeaderSize + kAnnounced) {
            ASSERT_EQ(decoder.next(frame), DecodeStatus::NeedMore);
        }
    }
    decoder.feed(std::vector<uint8_t>(kHeaderSize + kAnnounced - arrived, 0x5A));
    ASSERT_EQ(decoder.next(frame), DecodeStatus::Frame);
    EXPECT_EQ(frame.payload.size(), kAnnounced);
    EXPECT_EQ(frame.payload.back(), 0x5A);
    EXPECT_FALSE(decoder.hasPartial());
    EXPECT_EQ(decoder.reserved(), 0u) << "the buffer went with the frame";
}

TEST(FrameDecoder, SeveralFramesInOneReadAndTheStartOfTheNext)
{
    std::vector<uint8_t> bytes = frameBytes(0x11, 1, std::vector<uint8_t>(200000, 1));
    const std::vector<uint8_t> second = frameBytes(0x12, 2, {7});
    bytes.insert(bytes.end(), second.begin(), second.end());
    const std::vector<uint8_t> third = frameBytes(0x13, 3, {8, 9});
    bytes.insert(bytes.end(), third.begin(), third.begin() + 5);
    FrameDecoder decoder;
    decoder.feed(bytes);
    Frame frame;
    ASSERT_EQ(decoder.next(frame), DecodeStatus::Frame);
    EXPECT_EQ(frame.payload.size(), 200000u);
    ASSERT_EQ(decoder.next(frame), DecodeStatus::Frame);
    EXPECT_EQ(frame.id, 2u);
    EXPECT_EQ(decoder.next(frame), DecodeStatus::NeedMore);
    EXPECT_TRUE(decoder.hasPartial());
    EXPECT_LT(decoder.reserved(), 1024u) << "a large frame's room is not kept for a small one";
    decoder.feed(std::span(third).subspan(5));
    ASSERT_EQ(decoder.next(frame), DecodeStatus::Frame);
    EXPECT_EQ(frame.payload, (std::vector<uint8_t>{8, 9}));
}

TEST(PayloadReader, FailsForGoodOnShortInput)
{
    const std::vector<uint8_t> bytes = {5, 0, 0, 0, 'a', 'b'};
    PayloadReader in(bytes);
    EXPECT_EQ(in.text(100), "");
    EXPECT_FALSE(in.ok());
    EXPECT_EQ(in.u32(), 0u);
    PayloadReader limited(bytes);
    limited.text(4);
    EXPECT_FALSE(limited.ok()) << "a length above the caller's limit fails";
}

} // namespace
} // namespace korvan::link::wire
