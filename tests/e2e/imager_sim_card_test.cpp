#include <gtest/gtest.h>

#include "e2e/imager_sim_probe.h"

namespace fw::e2e {
namespace {

constexpr char kImager[] = "127.0.0.23";

// The PC card of one simulated HG 2000, driven with plain frames.
class ImagerSimCardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_.start({ "--udp", QStringLiteral("%1:4:1").arg(kImager) }))
            << sim_.errorOutput().constData();
        ASSERT_EQ(Result("#010102"), "01");
    }

    std::optional<Datagram> Ask(const QByteArray& text)
    {
        return probe_.transact(text, kImager, sim_.port());
    }
    QByteArray Result(const QByteArray& text)
    {
        const std::optional<Datagram> reply = Ask(text);
        return reply ? reply->data.mid(3, 2) : "none";
    }

    // The listing of the directory the card path names, every part joined: its lines.
    QList<QByteArray> Listing(const QByteArray& path)
    {
        EXPECT_EQ(Result("#0157" + path), "01");
        QList<QByteArray> lines;
        std::optional<Datagram> part = Ask("#0156/X");
        for (int parts = 0; part && parts < 100; ++parts) {
            QList<QByteArray> part_lines = part->data.split('\r');
            EXPECT_EQ(part_lines.takeFirst(), "{START}");
            const QByteArray end = part_lines.size() >= 2 ? part_lines[part_lines.size() - 2] : "";
            lines += part_lines.mid(0, part_lines.size() - 2);
            if (end != "<MORE>")
                break;
            part = Ask("#0156");
        }
        return lines;
    }

    // The entry line of a name ("README.TXT" as "README    TXT"), or empty.
    static QByteArray Entry(const QList<QByteArray>& lines, const QByteArray& name)
    {
        const qsizetype dot = name.indexOf('.');
        const QByteArray columns
            = dot < 0 ? name.leftJustified(10) : name.left(dot).leftJustified(10) + name.mid(dot + 1);
        for (const QByteArray& line : lines) {
            if (line.startsWith(columns.leftJustified(13)))
                return line;
        }
        return {};
    }

    static qint64 FreeBytes(const QList<QByteArray>& lines)
    {
        return lines.isEmpty() ? -1 : lines.last().trimmed().split(' ').first().toLongLong();
    }

    SimProcess sim_;
    UdpProbe probe_;
};

TEST_F(ImagerSimCardTest, RootListingNamesTheCardAndLaysEntriesOutInColumns)
{
    EXPECT_EQ(Ask("#0157")->data, "#010157[ROOT]\r");
    const QList<QByteArray> root = Listing("\\");
    ASSERT_GE(root.size(), 4);
    EXPECT_EQ(root[0], "[ROOT]");
    EXPECT_EQ(root[1], "HGCARD");
    const QByteArray readme = Entry(root, "README.TXT");
    ASSERT_FALSE(readme.isEmpty());
    EXPECT_EQ(readme.mid(13, 20), "  01-15-24  10:29:58");
    EXPECT_EQ(readme.mid(33).trimmed(), "412");
    EXPECT_EQ(Entry(root, "DOWNLOAD").mid(33).trimmed(), "<DIR>");
    EXPECT_TRUE(root[root.size() - 2].endsWith(" bytes"));
    EXPECT_TRUE(root.last().endsWith(" bytes free"));

    // Another directory starts with its path; a path that names nothing lists the root.
    const QList<QByteArray> download = Listing("DOWNLOAD\\");
    EXPECT_EQ(download.value(0), "\\DOWNLOAD");
    EXPECT_FALSE(Entry(download, "OLD").isEmpty());
    EXPECT_EQ(Listing("/download/old").value(0), "\\DOWNLOAD\\OLD");
    EXPECT_EQ(Listing("NOWHERE\\").value(0), "[ROOT]");
    EXPECT_EQ(Ask("#0157")->data, "#010157NOWHERE\\\r") << "the path reads back as written";
}

TEST_F(ImagerSimCardTest, DirectoriesAreMadeAndRemovedByName)
{
    EXPECT_EQ(Ask("#0158FOLDER.1\\")->data, "#010158\r");
    EXPECT_EQ(Result("#0158DOWNLOAD\\NEW"), "01");
    EXPECT_EQ(Entry(Listing("\\"), "FOLDER.1").mid(33).trimmed(), "<DIR>");
    EXPECT_FALSE(Entry(Listing("DOWNLOAD"), "NEW").isEmpty());

    EXPECT_EQ(Result("#0158FOLDER.1"), "28") << "exists";
    EXPECT_EQ(Result("#0158VERYLONGNAME"), "28") << "not an 8.3 name";
    EXPECT_EQ(Result("#0158NOWHERE\\NEW"), "29") << "no parent";
    EXPECT_EQ(Result("#0158"), "15");

    // "59" removes a directory of the directory the card path names.
    ASSERT_EQ(Result("#0157DOWNLOAD\\"), "01");
    EXPECT_EQ(Result("#0159NEW"), "01");
    EXPECT_EQ(Result("#0159FOLDER.1"), "29") << "not in DOWNLOAD";
    EXPECT_EQ(Result("#0159OLD"), "28") << "not empty";
    ASSERT_EQ(Result("#0157\\"), "01");
    EXPECT_EQ(Result("#0159FOLDER.1"), "01");
    const QList<QByteArray> root = Listing("\\");
    EXPECT_TRUE(Entry(root, "FOLDER.1").isEmpty());
    EXPECT_TRUE(Entry(Listing("DOWNLOAD"), "NEW").isEmpty());
}

TEST_F(ImagerSimCardTest, DeletingRemovesFilesButNeverDirectories)
{
    const qint64 free_at_start = FreeBytes(Listing("\\"));
    EXPECT_EQ(Result("#015ADOWNLOAD\\OLD\\*.*"), "01");
    EXPECT_TRUE(Entry(Listing("DOWNLOAD\\OLD"), "NOTES.TXT").isEmpty());
    ASSERT_EQ(Result("#0157DOWNLOAD"), "01");
    EXPECT_EQ(Result("#0159OLD"), "01") << "emptied first";

    // A file, with or without a separator after it, and a directory's files.
    EXPECT_EQ(Result("#015ADOWNLOAD\\F00000.BAY\\"), "01");
    EXPECT_EQ(Result("#015AREADME.TXT"), "01");
    EXPECT_EQ(Result("#015AREADME.TXT"), "29");
    EXPECT_EQ(Result("#015ADOWNLOAD\\"), "01");
    QList<QByteArray> root = Listing("\\");
    EXPECT_FALSE(Entry(root, "DOWNLOAD").isEmpty());
    EXPECT_TRUE(Entry(Listing("DOWNLOAD"), "F00001.BAY").isEmpty());
    EXPECT_EQ(FreeBytes(root), free_at_start + 96 + 412 + 2 * 197632);

    // Patterns: "F*.BAY" keeps the other files; the root path deletes every file of the root.
    EXPECT_EQ(Result("#015A\\F*.BAY"), "01");
    root = Listing("\\");
    EXPECT_TRUE(Entry(root, "F00002.BAY").isEmpty());
    EXPECT_FALSE(Entry(root, "SESS0001.CFG").isEmpty());
    EXPECT_EQ(Result("#015A\\"), "01");
    root = Listing("\\");
    EXPECT_TRUE(Entry(root, "SESS0001.DAT").isEmpty());
    EXPECT_FALSE(Entry(root, "DOWNLOAD").isEmpty());
}

} // namespace
} // namespace fw::e2e
