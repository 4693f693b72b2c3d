#include "shell/clip_open_message.h"

#include <gtest/gtest.h>

#include "clips/compression_options.h"

namespace fw {
namespace {

TEST(ClipOpenMessageTest, DriverHintTakesTheLastMatchingEntry)
{
    EXPECT_EQ(ClipDriverHint(fourcc('m', 'r', 'l', 'e')), QString("MRLE - Microsoft RLE"));
    EXPECT_EQ(ClipDriverHint(fourcc(' ', 'R', '3', '.')), QString("IV32 - Intel Indeo\u00AE R3.2"));
    EXPECT_EQ(ClipDriverHint(fourcc('X', 'V', 'I', 'D')), QString("XVID"));
}

TEST(ClipOpenMessageTest, FailureNamesTheDriverOnlyWhenTheHeaderWasRead)
{
    EXPECT_EQ(ClipOpenFailureMessage("/a/b.kfs", false, fourcc('X', 'V', 'I', 'D'), "Boom"),
        QString("File /a/b.kfs\rBoom"));
    EXPECT_EQ(ClipOpenFailureMessage("/a/b.avi", true, fourcc('I', 'V', '5', '0'), "Boom"),
        QString("File /a/b.avi requires driver IV50 - Intel Indeo\u00AE Video 5.0\rBoom"));
}

} // namespace
} // namespace fw
