#include <algorithm>
#include <string>

#include "cli_common.h"
#include "clips/descriptor_block.h"
#include "support/fw_error.h"

namespace fw::cli {

namespace {

int getDescriptor(const QStringList& args)
{
    if (args.size() != 1)
        throw UsageError("descriptor get takes one FILE");
    TAVISTREAM stream(QStringLiteral("AVI"));
    openClip(stream, args[0]);
    writeStdout(readDescriptor(stream) + "\n");
    return kExitOk;
}

// Characters that would break the block's line and section structure: a carriage return or
// line feed splits the entry, a zero byte ends the stored text, "[" ends the section for every
// later lookup, "]" and "=" make the header or the name ambiguous.
void checkText(const std::string& text, const char* what, const std::string& also_forbidden)
{
    if (text.find_first_of(std::string("\r\n\0", 3) + also_forbidden) != std::string::npos)
        throw UsageError(
            std::string(what) + " must not contain line breaks or any of \"" + also_forbidden + "\"");
}

int setDescriptor(const QStringList& args)
{
    if (args.size() != 4)
        throw UsageError("descriptor set takes FILE SECTION NAME VALUE");
    const std::string section = args[1].toStdString();
    const std::string name = args[2].toStdString();
    const std::string value = args[3].toStdString();
    if (section.empty() || name.empty())
        throw UsageError("SECTION and NAME must not be empty");
    checkText(section, "SECTION", "[]");
    checkText(name, "NAME", "[]=");
    checkText(value, "VALUE", "[");

    TAVISTREAM stream(QStringLiteral("AVI"));
    openClip(stream, args[0]);
    int32_t chunk_size = -1;
    std::string block = readDescriptor(stream, &chunk_size);
    SetDescriptorValue(block, section, name, value);
    // An existing chunk is rewritten in place at its own size (a foreign file may hold a short
    // one), a new chunk holds 2048 bytes: storing a longer block would silently drop its tail.
    const int32_t room = chunk_size >= 0 ? std::min(chunk_size, kDescriptorChunkSize) : kDescriptorChunkSize;
    if (block.size() > static_cast<size_t>(room))
        throw Error(QStringLiteral("The descriptor block would be %1 bytes long; this clip holds at most %2")
                        .arg(block.size())
                        .arg(room));
    const auto chunk = DescriptorChunkBytes(block);
    stream.Close();
    if (!stream.WriteData(kDescriptorChunkId, chunk.data(), kDescriptorChunkSize))
        throw Error(args[0] + QStringLiteral(": the descriptor block could not be written"));
    return kExitOk;
}

int runDescriptor(const QStringList& words)
{
    CommandLine command(kDescriptorCommand,
        QStringLiteral("get prints the clip's descriptor block as stored (lines end with a carriage\n"
                       "return). set sets one entry of it, e.g. \"Timing\" \"Frame Rate\" \"2000\", in\n"
                       "place; the block holds at most as many bytes as the clip's chunk (2048 in a\n"
                       "new one)."));
    command.addPositional(
        QStringLiteral("get|set"), QStringLiteral("What to do."), QStringLiteral("get|set"));
    command.addPositional(QStringLiteral("FILE"), QStringLiteral("An AVI or KFS clip."));
    command.addPositional(QStringLiteral("SECTION"), QStringLiteral("set: the section, e.g. Timing."),
        QStringLiteral("[SECTION"));
    command.addPositional(QStringLiteral("NAME"), QStringLiteral("set: the entry's name."));
    command.addPositional(
        QStringLiteral("VALUE"), QStringLiteral("set: its new value."), QStringLiteral("VALUE]"));
    if (!command.parse(words))
        return kExitOk;
    const QStringList args = command.positionals();
    if (args.isEmpty())
        throw UsageError("descriptor needs get or set");
    const QStringList rest = args.mid(1);
    if (args[0] == QStringLiteral("get"))
        return getDescriptor(rest);
    if (args[0] == QStringLiteral("set"))
        return setDescriptor(rest);
    throw UsageError("descriptor needs get or set");
}

} // namespace

const CliCommand kDescriptorCommand { "descriptor",
    "descriptor get FILE | descriptor set FILE SECTION NAME VALUE",
    "Print the clip's descriptor block as stored (lines end with a carriage return), or set\n"
    "      one entry of it, e.g. \"Timing\" \"Frame Rate\" \"2000\".",
    runDescriptor };

} // namespace fw::cli
