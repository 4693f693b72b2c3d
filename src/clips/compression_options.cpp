#include "clips/compression_options.h"

#include "support/settings_store.h"

namespace fw {

namespace {

const QString kFallbackSection = QStringLiteral("Codec");

} // namespace

uint32_t HandlerCode(const QString& handler)
{
    const QByteArray bytes = handler.left(4).toLatin1();
    uint32_t code = 0;
    for (int i = 0; i < bytes.size(); ++i)
        code |= uint32_t(uint8_t(bytes[i])) << (8 * i);
    return code;
}

QString HandlerText(uint32_t code)
{
    QString text;
    for (int i = 0; i < 4; ++i) {
        const char c = char((code >> (8 * i)) & 0xff);
        if (c == 0)
            break;
        text += QChar::fromLatin1(c);
    }
    return text;
}

CompressionOptions LoadCompression(const SettingsStore& store, const QString& section)
{
    const QString from = store.sectionExists(section) ? section : kFallbackSection;
    CompressionOptions options;
    options.options_ok = store.readBool(from, QStringLiteral("OptionsOK"), false);
    options.fccHandler
        = HandlerCode(store.readString(from, QStringLiteral("Handler"), QStringLiteral("iv32")));
    options.dwKeyFrameEvery = uint32_t(store.readInteger(from, QStringLiteral("KeyFrameEvery"), 0));
    options.dwQuality = uint32_t(store.readInteger(from, QStringLiteral("Quality"), int(kMaxQuality)));
    options.dwFlags = uint32_t(store.readInteger(from, QStringLiteral("Flags"), int(kCompressValid)));
    return options;
}

void StoreCompression(SettingsStore& store, const QString& section, const CompressionOptions& options)
{
    store.writeBool(section, QStringLiteral("OptionsOK"), options.options_ok);
    store.writeString(section, QStringLiteral("Handler"), HandlerText(options.fccHandler));
    store.writeInteger(section, QStringLiteral("KeyFrameEvery"), int(options.dwKeyFrameEvery));
    store.writeInteger(section, QStringLiteral("Quality"), int(options.dwQuality));
    store.writeInteger(section, QStringLiteral("Flags"), int(options.dwFlags));
}

} // namespace fw
