#include <gtest/gtest.h>

#include <QObject>
#include <QTemporaryDir>

#include "clips/avi_encoders.h"
#include "clips/avi_stream.h"
#include "clips/compression_options.h"
#include "support/settings_store.h"

namespace fw {
namespace {

class CompressionOptionsTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    SettingsStore store_ { dir_.filePath("settings.ini") };
};

TEST_F(CompressionOptionsTest, NothingStoredGivesTheLoadedDefaults)
{
    // Neither the section nor "Codec" exists: everything comes from the loaded defaults.
    const CompressionOptions loaded = LoadCompression(store_, "AVI");
    EXPECT_EQ(loaded.fccType, fourcc('v', 'i', 'd', 's'));
    EXPECT_EQ(loaded.fccHandler, fourcc('i', 'v', '3', '2'));
    EXPECT_EQ(loaded.dwKeyFrameEvery, 0u);
    EXPECT_EQ(loaded.dwQuality, 10000u);
    EXPECT_EQ(loaded.dwFlags, 8u);
    EXPECT_FALSE(loaded.options_ok);
}

TEST_F(CompressionOptionsTest, StoreThenLoadKeepsEveryStoredField)
{
    CompressionOptions options;
    options.fccHandler = fourcc('M', 'J', 'P', 'G');
    options.dwKeyFrameEvery = 15;
    options.dwQuality = 7500;
    options.dwFlags = 12;
    options.options_ok = true;
    options.dwBytesPerSecond = 999; // not stored
    StoreCompression(store_, "AVI", options);

    const CompressionOptions back = LoadCompression(store_, "AVI");
    EXPECT_EQ(back.fccHandler, options.fccHandler);
    EXPECT_EQ(back.dwKeyFrameEvery, 15u);
    EXPECT_EQ(back.dwQuality, 7500u);
    EXPECT_EQ(back.dwFlags, 12u);
    EXPECT_TRUE(back.options_ok);
    EXPECT_EQ(back.dwBytesPerSecond, 0u);
    EXPECT_EQ(store_.readString("AVI", "Handler"), "MJPG");
}

TEST_F(CompressionOptionsTest, MissingSectionFallsBackToCodecButStoreWritesOwnSection)
{
    store_.writeString("Codec", "Handler", "FFV1");
    store_.writeBool("Codec", "OptionsOK", true);
    store_.writeString("Kinetic Frame Sequence", "Handler", "HFYU");

    // The KFS section exists, so it is not used for AVI; AVI falls back to "Codec".
    EXPECT_EQ(LoadCompression(store_, "AVI").fccHandler, fourcc('F', 'F', 'V', '1'));
    EXPECT_TRUE(LoadCompression(store_, "AVI").options_ok);
    EXPECT_EQ(LoadCompression(store_, "Kinetic Frame Sequence").fccHandler, fourcc('H', 'F', 'Y', 'U'));
    // An existing section is read as it is, even where it lacks values "Codec" has.
    EXPECT_FALSE(LoadCompression(store_, "Kinetic Frame Sequence").options_ok);

    TAVISTREAM stream("AVI");
    stream.LoadCompression(store_);
    stream.StoreCompression(store_);
    EXPECT_TRUE(store_.sectionExists("AVI"));
    EXPECT_EQ(store_.readString("Codec", "Handler"), "FFV1");
    EXPECT_EQ(store_.readString("AVI", "Handler"), "FFV1");
}

TEST_F(CompressionOptionsTest, HandlerKeepsFirstFourCharactersZeroPadded)
{
    EXPECT_EQ(HandlerCode("MJPGX"), fourcc('M', 'J', 'P', 'G'));
    EXPECT_EQ(HandlerCode("cv"), fourcc('c', 'v', 0, 0));
    EXPECT_EQ(HandlerCode(""), 0u);
    EXPECT_EQ(HandlerCode("DIB "), kUncompressedCode);
    EXPECT_EQ(HandlerText(fourcc('c', 'v', 0, 0)), "cv");
    EXPECT_EQ(HandlerText(kUncompressedCode), "DIB ");

    store_.writeString("AVI", "Handler", "XVIDEO");
    EXPECT_EQ(LoadCompression(store_, "AVI").fccHandler, fourcc('X', 'V', 'I', 'D'));
}

TEST(AviEncodersTest, StoredCodeWithoutEncoderFallsBackInsteadOfFailing)
{
    EXPECT_FALSE(HasAviEncoder(fourcc('i', 'v', '3', '2')));
    const AviEncoder& chosen = PreselectedAviEncoder(fourcc('i', 'v', '3', '2'));
    EXPECT_TRUE(HasAviEncoder(chosen.code));
    if (HasAviEncoder(fourcc('M', 'J', 'P', 'G'))) {
        EXPECT_EQ(chosen.code, fourcc('M', 'J', 'P', 'G'));
    }
    if (HasAviEncoder(fourcc('F', 'F', 'V', '1'))) {
        EXPECT_EQ(PreselectedAviEncoder(fourcc('F', 'F', 'V', '1')).code, fourcc('F', 'F', 'V', '1'));
    }
}

TEST(AviEncodersTest, CodesMatchAsFourCharactersInEitherCase)
{
    const AviEncoder* uncompressed = MatchAviEncoder(QStringLiteral("dib"));
    ASSERT_NE(uncompressed, nullptr);
    EXPECT_EQ(uncompressed->code, kUncompressedCode);
    EXPECT_EQ(MatchAviEncoder(QStringLiteral("DIB ")), uncompressed);
    EXPECT_EQ(AviEncoderCodeText(kUncompressedCode), QStringLiteral("DIB"));
    for (const AviEncoder& encoder : AviEncoders()) {
        const QString text = AviEncoderCodeText(encoder.code);
        EXPECT_EQ(MatchAviEncoder(text), &encoder) << text.toStdString();
        EXPECT_EQ(MatchAviEncoder(text.toLower()), &encoder) << text.toStdString();
    }
    for (const char* text : { "", "MJPGX", "iv32", " DIB", "MJP" })
        EXPECT_EQ(MatchAviEncoder(QString::fromLatin1(text)), nullptr) << text;
}

TEST(AviEncodersTest, QualityMapsOntoTheWholeQuantiserScale)
{
    EXPECT_EQ(QuantiserForQuality(10000), 1);
    EXPECT_EQ(QuantiserForQuality(0), 31);
    EXPECT_EQ(QuantiserForQuality(5000), 16);
    // Values beyond the scale, as a hand-edited store may hold, stay at the best quantiser.
    EXPECT_EQ(QuantiserForQuality(uint32_t(-5)), 1);
}

class CompressionChooserTest : public ::testing::Test {
protected:
    void TearDown() override { SetCompressionChooser(nullptr); }
};

TEST_F(CompressionChooserTest, StreamAsksInstalledChooserAndMarksOptionsConfirmed)
{
    TAVISTREAM stream("AVI");
    SetCompressionChooser(nullptr);
    EXPECT_FALSE(stream.ChooseCompression(nullptr));
    EXPECT_FALSE(stream.CompressOptions().options_ok);

    // The asking window reaches the chooser untouched, so its dialog can sit over it.
    static QObject* asked_by = nullptr;
    SetCompressionChooser([](QObject* owner, TAVISTREAM&, CompressionOptions& options) {
        asked_by = owner;
        options.fccHandler = kUncompressedCode;
        return true;
    });
    QObject window;
    EXPECT_TRUE(stream.ChooseCompression(&window));
    EXPECT_EQ(asked_by, &window);
    EXPECT_TRUE(stream.CompressOptions().options_ok);
    EXPECT_EQ(stream.CompressOptions().fccHandler, kUncompressedCode);

    SetCompressionChooser([](QObject*, TAVISTREAM&, CompressionOptions&) { return false; });
    stream.CompressOptions().options_ok = false;
    EXPECT_FALSE(stream.ChooseCompression(nullptr));
    EXPECT_FALSE(stream.CompressOptions().options_ok);
}

} // namespace
} // namespace fw
