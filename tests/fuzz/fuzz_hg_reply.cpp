// Reads arbitrary bytes as imager replies and directory listings, and builds the file browser's
// card tree from the listings. The reply check must agree with itself (raw data is never a framed
// reply; a framed reply starts with "#"), and no parser may read outside the bytes it was given.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QByteArray>
#include <QStringList>

#include "imagers/hg/hg_protocol.h"
#include "imagers/hg/imager_file_tree.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<fw::HGReplyContext> Contexts(const uint8_t* data, size_t size)
{
    // The identifier the layer expects comes from the bytes where a reply carries it, or not.
    const uint8_t own = size > 2 ? uint8_t(data[1] ^ data[2]) : 0x0A;
    std::vector<fw::HGReplyContext> contexts;
    for (const char* code : { "40", "WB", "DL", "54", "", "L" }) {
        fw::HGReplyContext context;
        context.identifier = own;
        context.sent_code = code;
        contexts.push_back(context);
    }
    contexts[2].more_download_state = true;
    contexts[4].raw_data_state = true;
    contexts[5].identifier = 0x0A;
    return contexts;
}

void CheckReply(const uint8_t* data, size_t size)
{
    for (const fw::HGReplyContext& context : Contexts(data, size)) {
        const fw::HGReplyCheck check = fw::CheckHGReply(data, size, context);
        if (check.raw_data) {
            Check(!check.accepted && check.result == fw::hgresult::kSuccess);
        } else if (check.accepted) {
            Check(size >= 7 && data[0] == '#' && check.result <= fw::hgresult::kUndocumented);
        } else {
            Check(check.result == fw::hgresult::kUnexpected);
        }
    }
}

void ParsePayloads(const QByteArray& bytes)
{
    for (const size_t offset : { size_t(0), size_t(7), size_t(9), size_t(bytes.size()), size_t(-1) }) {
        if (const std::optional<fw::HGAttachReply> attach = fw::ParseHGAttachReply(bytes, offset))
            Check(attach->state >= 0 && attach->state <= fw::kImagerStateUnknown);
        for (const int digits : { 0, 2, 4, 6, 8, 9 })
            fw::ParseHGHex(bytes, offset, digits);
        Check(fw::HGPayloadText(bytes, offset).size() <= bytes.size());
    }
}

// Every node of the file browser's tree answers for its path and image.
void WalkTree(const fw::TCardNode& node)
{
    fw::TImagerFileTree::Path(node);
    Check(fw::TImagerFileTree::ImageIndex(node) <= 4);
    for (int i = 0; i < node.ChildCount(); ++i)
        WalkTree(*node.Child(i));
}

void FillTree(const QStringList& listing, const QStringList& more)
{
    fw::TImagerFileTree tree;
    tree.Fill(listing);
    tree.Fill(more);
    WalkTree(tree.Root());
    tree.Delete(tree.Root());
    Check(tree.Root().ChildCount() == 0);
}

void TakeListings(const QByteArray& bytes)
{
    QStringList list;
    fw::TakeHGListingDatagram(bytes, list);
    fw::TakeHGListingDatagram(bytes, list);
    QStringList lines;
    for (const QByteArray& line : bytes.split('\r'))
        fw::TakeHGListingLine(line + '\r', lines);
    FillTree(list, lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckReply(data, size);
    // Prefixes: every truncation of a reply, each in a buffer of its own size.
    for (size_t length = 0; length <= size && length <= 32; ++length) {
        const std::vector<uint8_t> prefix(data, data + length);
        CheckReply(prefix.data(), prefix.size());
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ParsePayloads(bytes);
    TakeListings(bytes);
    return 0;
}
