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
