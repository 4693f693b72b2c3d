#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "imagers/hg/card_names.h"
#include "imagers/hg/imager_file_tree.h"

// Texts in failure messages as text.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace fw {
namespace {

// Listing lines as an imager lays them out: name in columns 1-8, extension in 11-13, the date
// and time up to column 33, then the size or "<DIR>".
QString Line(const QString& name, const QString& rest)
{
    const QString stem = name.section('.', 0, 0);
    const QString extension = name.section('.', 1);
    return stem.leftJustified(8) + "  " + extension.leftJustified(3) + "  01-15-24  10:30:12" + rest;
}
QString Dir(const QString& name)
{
    return Line(name, "       <DIR>");
}
QString File(const QString& name)
{
    return Line(name, "         412");
}

// The owner's side: records every card operation and answers listings from a table.
class FakeCard {
public:
    explicit FakeCard(TImagerFileTree& tree)
        : tree_(tree)
    {
        tree.list_directory = [this](const QString& path) {
            calls << "list " + path;
            tree_.Fill(listings[path]);
        };
        tree.delete_path = [this](const QString& path) { calls << "delete " + path; };
        tree.remove_directory
            = [this](const QString& parent, const QString& name) { calls << "rmdir " + parent + " " + name; };
        tree.make_directory = [this](const QString& path) { calls << "mkdir " + path; };
    }

    std::map<QString, QStringList> listings;
    QStringList calls;

private:
    TImagerFileTree& tree_;
};

QStringList ChildTexts(const TCardNode& node)
{
    QStringList texts;
    for (int i = 0; i < node.ChildCount(); ++i)
        texts << node.Child(i)->Text();
    return texts;
}

QStringList ChildNames(const TCardNode& node)
{
    QStringList names;
    for (int i = 0; i < node.ChildCount(); ++i)
        names << node.Child(i)->Name();
    return names;
}

// ---- Names --------------------------------------------------------------------------------

TEST(CardNames, ListingLinesGiveTheNameFromTheirColumnsAndTheRestFromColumn34)
{
    EXPECT_EQ(CardEntryName(File("F00000.BAY")), "F00000.BAY");
    EXPECT_EQ(CardEntryName(Dir("DOWNLOAD")), "DOWNLOAD");
    EXPECT_EQ(CardEntryText(Dir("OLD")), "OLD        <DIR>");
    EXPECT_EQ(CardNodeName(CardEntryText(File("A.B"))), "A.B");
    // Short and hostile lines give what their columns hold.
    EXPECT_EQ(CardEntryName("README"), "README");
    EXPECT_EQ(CardEntryText("README"), "README ");
    EXPECT_EQ(CardEntryName(""), "");
    EXPECT_EQ(CardNodeName("PC Card"), "PC Card");
    EXPECT_EQ(CardNodeName("HGCARD   free"), "HGCARD");
}

TEST(CardNames, TypedDirectoryNamesAreCutTo83)
{
    const std::pair<const char*, const char*> cases[] = {
        { "long name.text", "LONGNAME.TEX" },
        { "verylongname.dat", "VERYLON~.DAT" },
        { "  trip 01  ", "TRIP01" },
        { "abcdefgh.i", "ABCDEFGH.I" },
        { "abcdefghi.j", "ABCDEFG~.J" },
        { "verylongname", "VERYLON~" },
        { "   ", "" },
    };
    for (const auto& [typed, name] : cases)
        EXPECT_EQ(CardDirectoryName(typed), name) << typed;
}

TEST(CardNames, PathsJoinWithOneSeparator)
{
    EXPECT_EQ(CardPathComponents("\\DOWNLOAD\\\\OLD\\"), QStringList({ "DOWNLOAD", "OLD" }));
    EXPECT_EQ(JoinCardPath("DOWNLOAD\\", "*.*"), "DOWNLOAD\\*.*");
    EXPECT_EQ(JoinCardPath("DOWNLOAD", "*.*"), "DOWNLOAD\\*.*");
    EXPECT_EQ(CardCommandPath(""), "\\");
}

// ---- Building the tree from listings ---------------------------------------------------------

TEST(ImagerFileTree, StartsAsAnUnlistedCard)
{
    TImagerFileTree tree;
    const TCardNode& root = tree.Root();
    EXPECT_EQ(root.Text(), "PC Card");
    EXPECT_EQ(root.Kind(), CardNodeKind::UnlistedDirectory);
    EXPECT_EQ(ChildTexts(root), QStringList { "<DRIVE UNAVAILABLE>" });
    EXPECT_EQ(TImagerFileTree::ImageIndex(root), 3);
    EXPECT_EQ(TImagerFileTree::Path(root), "");
}

TEST(ImagerFileTree, RootListingNamesTheCardAndSortsDirectoriesFirst)
{
    TImagerFileTree tree;
    tree.Fill({ "[ROOT]", "HGCARD", File("README.TXT"), Dir("SESS2"), File("F00000.BAY"), Dir("DOWNLOAD") });
    const TCardNode& root = tree.Root();
    EXPECT_EQ(root.Text(), "HGCARD");
    EXPECT_EQ(root.Kind(), CardNodeKind::ListedDirectory);
    EXPECT_EQ(ChildNames(root), QStringList({ "DOWNLOAD", "SESS2", "F00000.BAY", "README.TXT" }));

    const TCardNode& download = *root.Child(0);
    EXPECT_EQ(download.Kind(), CardNodeKind::UnlistedDirectory);
    EXPECT_EQ(ChildTexts(download), QStringList { "<place holder>" });
    EXPECT_EQ(TImagerFileTree::ImageIndex(download), 0);
    EXPECT_EQ(TImagerFileTree::ImageIndex(*root.Child(2)), 4) << "a frame file";
    EXPECT_EQ(TImagerFileTree::ImageIndex(*root.Child(3)), 2);
    EXPECT_EQ(TImagerFileTree::Path(download), "DOWNLOAD\\");

    // Listing the card again replaces its entries; an empty listing changes nothing.
    tree.Fill({ "[ROOT]", "PC Card", File("ONLY.TXT") });
    EXPECT_EQ(root.Text(), "PC Card");
    EXPECT_EQ(ChildNames(root), QStringList { "ONLY.TXT" });
    tree.Fill({});
    EXPECT_EQ(ChildNames(root), QStringList { "ONLY.TXT" });
}

TEST(ImagerFileTree, PathLineFindsOrAddsTheListedDirectory)
{
    TImagerFileTree tree;
    tree.Fill({ "\\DOWNLOAD\\OLD", File("NOTES.TXT"), Dir("DEEP") });
    TCardNode* download = tree.Root().DirectoryNamed("DOWNLOAD");
    ASSERT_TRUE(download);
    EXPECT_EQ(ChildNames(tree.Root()), QStringList { "DOWNLOAD" }) << "no <DRIVE UNAVAILABLE> beside it";
    EXPECT_EQ(download->Kind(), CardNodeKind::UnlistedDirectory) << "its own entries are still unknown";
    const TCardNode* old = download->DirectoryNamed("OLD");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->Kind(), CardNodeKind::ListedDirectory);
    EXPECT_EQ(ChildNames(*old), QStringList({ "DEEP", "NOTES.TXT" }));
    EXPECT_EQ(TImagerFileTree::Path(*old->Child(0)), "DOWNLOAD\\OLD\\DEEP\\");

    // Listing the card keeps nothing of it; the same path again reuses the nodes.
    tree.Fill({ "\\DOWNLOAD\\OLD", File("OTHER.TXT") });
    EXPECT_EQ(tree.Root().ChildCount(), 1);
    EXPECT_EQ(ChildNames(*old), QStringList { "OTHER.TXT" });
    EXPECT_EQ(tree.Locate("download\\old\\other.txt"), old->Child(0));
}

TEST(ImagerFileTree, ListingsWithoutEntriesOrWithStrayLinesStaySound)
{
    TImagerFileTree tree;
    tree.Fill({ "[ROOT]" });
    EXPECT_EQ(tree.Root().Text(), "PC Card");
    EXPECT_EQ(tree.Root().ChildCount(), 0);
    tree.Fill({ "[ROOT]", "HGCARD", "", "          ", ".", "..", "X" });
    EXPECT_EQ(ChildNames(tree.Root()), QStringList { "X" });
    tree.Fill({ "\\\\", File("TOP.TXT") });
    EXPECT_EQ(ChildNames(tree.Root()), QStringList { "TOP.TXT" }) << "a path of no names is the card";
}

// ---- Expanding and browsing -----------------------------------------------------------------

TEST(ImagerFileTree, ExpandingListsOnlyDirectoriesNotListedYet)
{
    TImagerFileTree tree;
    FakeCard card(tree);
    card.listings["\\"] = { "[ROOT]", "HGCARD", Dir("DOWNLOAD"), File("README.TXT") };
    card.listings["DOWNLOAD\\"] = { "\\DOWNLOAD", File("F00000.BAY") };

    EXPECT_EQ(tree.Expand(tree.Root()), &tree.Root());
    TCardNode* download = tree.Root().DirectoryNamed("DOWNLOAD");
    ASSERT_TRUE(download);
    EXPECT_EQ(tree.Expand(*download), download);
    EXPECT_EQ(TImagerFileTree::ImageIndex(*download), 1);
    tree.Collapse(*download);
    EXPECT_EQ(TImagerFileTree::ImageIndex(*download), 0);
    tree.Expand(*download);
    EXPECT_EQ(tree.Expand(*tree.Locate("README.TXT")), nullptr) << "files do not expand";
    EXPECT_EQ(card.calls, QStringList({ "list \\", "list DOWNLOAD\\" }));
}

TEST(ImagerFileTree, ExpandingSurvivesAListingThatReplacesTheNode)
{
    TImagerFileTree tree;
    FakeCard card(tree);
    card.listings["\\"] = { "[ROOT]", "HGCARD", Dir("GONE") };
    tree.Expand(tree.Root());
    // The imager answers with the card instead, which no longer holds the directory.
    card.listings["GONE\\"] = { "[ROOT]", "HGCARD", File("README.TXT") };
    EXPECT_EQ(tree.Expand(*tree.Locate("GONE")), nullptr);
    EXPECT_EQ(ChildNames(tree.Root()), QStringList { "README.TXT" });
}

TEST(ImagerFileTree, FollowingAStartPathExpandsEachDirectoryFound)
{
    TImagerFileTree tree;
    FakeCard card(tree);
    card.listings["\\"] = { "[ROOT]", "HGCARD", Dir("DOWNLOAD") };
    card.listings["DOWNLOAD\\"] = { "\\DOWNLOAD", Dir("OLD") };
    card.listings["DOWNLOAD\\OLD\\"] = { "\\DOWNLOAD\\OLD" };

    EXPECT_EQ(TImagerFileTree::Path(tree.Follow("\\download\\old\\missing\\")), "DOWNLOAD\\OLD\\");
    EXPECT_EQ(card.calls, QStringList({ "list \\", "list DOWNLOAD\\", "list DOWNLOAD\\OLD\\" }));
    EXPECT_TRUE(tree.Locate("DOWNLOAD")->Expanded());
    EXPECT_EQ(&tree.Follow("\\"), &tree.Root());
}

// ---- New folder and rename ------------------------------------------------------------------

TEST(ImagerFileTree, NewFolderIsNumberedAfterTheFoldersPresent)
{
    TImagerFileTree tree;
    FakeCard card(tree);
    card.listings["\\"] = { "[ROOT]", "HGCARD", Dir("DOWNLOAD") };
    card.listings["DOWNLOAD\\"] = { "\\DOWNLOAD", Dir("FOLDER.1"), Dir("FOLDER.2"), File("F00000.BAY") };
    tree.Expand(tree.Root());

    // A file selected: the folder goes into its directory, which is listed first.
    tree.Expand(*tree.Locate("DOWNLOAD"));
    TCardNode& folder = tree.NewFolder(*tree.Locate("DOWNLOAD\\F00000.BAY"));
    EXPECT_EQ(folder.Text(), "FOLDER.3");
    EXPECT_EQ(folder.Kind(), CardNodeKind::UnlistedDirectory);
    EXPECT_EQ(
        ChildNames(*folder.Parent()), QStringList({ "FOLDER.1", "FOLDER.2", "FOLDER.3", "F00000.BAY" }));
    EXPECT_EQ(card.calls.last(), "mkdir DOWNLOAD\\FOLDER.3\\");

    // Counting would give a name already there once an earlier folder has gone.
    tree.Delete(*tree.Locate("DOWNLOAD\\FOLDER.1"));
    EXPECT_EQ(tree.NewFolder(*tree.Locate("DOWNLOAD")).Text(), "FOLDER.4");
    EXPECT_EQ(tree.NewFolder(tree.Root()).Text(), "FOLDER.1");
    EXPECT_EQ(card.calls.last(), "mkdir FOLDER.1\\");
}

TEST(ImagerFileTree, OnlyEmptyDirectoriesBelowTheCardTakeANewName)
{
    TImagerFileTree tree;
    tree.Fill({ "[ROOT]", "HGCARD", Dir("FULL"), File("README.TXT") });
    tree.Fill({ "\\EMPTY" });
    const auto refusal = [&](const QString& path) {
        return TImagerFileTree::RenameRefusalText(TImagerFileTree::RenameRefusal(*tree.Locate(path)));
    };
    EXPECT_EQ(refusal(""), "Imager cannot rename PC Card Volume");
    EXPECT_EQ(refusal("README.TXT"), "Imager cannot rename files");
    EXPECT_EQ(refusal("FULL"), "Directory must be empty to be Renamed") << "not listed: maybe not empty";
    EXPECT_EQ(refusal("EMPTY"), "");
}

TEST(ImagerFileTree, RenameRemovesTheOldDirectoryAndMakesTheNewOne)
{
    TImagerFileTree tree;
    FakeCard card(tree);
    tree.Fill({ "[ROOT]", "HGCARD", Dir("DOWNLOAD"), Dir("OTHER") });
    tree.Fill({ "\\DOWNLOAD", Dir("NEWDIR") });
    TCardNode& newdir = *tree.Locate("DOWNLOAD\\NEWDIR");

    EXPECT_TRUE(tree.Rename(newdir, "long name.text"));
    EXPECT_EQ(newdir.Text(), "LONGNAME.TEX        <DIR>");
    EXPECT_TRUE(tree.Rename(newdir, "verylongname.dat"));
    EXPECT_EQ(newdir.Name(), "VERYLON~.DAT");
    TCardNode& top = *tree.Locate("OTHER");
    EXPECT_TRUE(tree.Rename(top, "a"));
    EXPECT_EQ(ChildNames(tree.Root()), QStringList({ "A", "DOWNLOAD" })) << "sorted again";
    EXPECT_EQ(card.calls,
        QStringList({ "rmdir DOWNLOAD\\ NEWDIR", "mkdir DOWNLOAD\\LONGNAME.TEX",
            "rmdir DOWNLOAD\\ LONGNAME.TEX", "mkdir DOWNLOAD\\VERYLON~.DAT", "rmdir \\ OTHER", "mkdir A" }));

    // No name left, the same name, a sibling's name, the card and files: nothing is sent.
    card.calls.clear();
    EXPECT_FALSE(tree.Rename(top, "  "));
    EXPECT_FALSE(tree.Rename(top, "a"));
    EXPECT_FALSE(tree.Rename(top, "download"));
    EXPECT_FALSE(tree.Rename(tree.Root(), "card"));
    EXPECT_TRUE(card.calls.isEmpty());
    EXPECT_EQ(top.Name(), "A");
}

// ---- Delete ---------------------------------------------------------------------------------

TEST(ImagerFileTree, DeleteAsksByKind)
{
    TImagerFileTree tree;
    tree.Fill({ "[ROOT]", "HGCARD", Dir("DOWNLOAD"), File("README.TXT") });
    EXPECT_EQ(TImagerFileTree::DeleteQuestion(tree.Root()), "Delete ALL FILES On PC Card Drive HGCARD?");
    EXPECT_EQ(TImagerFileTree::DeleteQuestion(*tree.Locate("DOWNLOAD")), "Delete Directory DOWNLOAD?");
    EXPECT_EQ(TImagerFileTree::DeleteQuestion(*tree.Locate("README.TXT")), "Delete File README.TXT?");
    EXPECT_EQ(TImagerFileTree::DeleteQuestion(*tree.Locate("DOWNLOAD")->Child(0)), "") << "a place holder";
}

TEST(ImagerFileTree, DeletingADirectoryEmptiesAndRemovesItsSubdirectoriesFirst)
{
    TImagerFileTree tree;
    FakeCard card(tree);
    tree.Fill({ "[ROOT]", "HGCARD", Dir("DOWNLOAD"), File("README.TXT") });
    card.listings["DOWNLOAD\\"] = { "\\DOWNLOAD", Dir("B"), File("F00000.BAY"), Dir("A") };
    card.listings["DOWNLOAD\\A\\"] = { "\\DOWNLOAD\\A", File("X.BAY") };
    card.listings["DOWNLOAD\\B\\"] = { "\\DOWNLOAD\\B" };

    tree.Delete(*tree.Locate("DOWNLOAD"));
    EXPECT_EQ(card.calls,
        QStringList({ "list DOWNLOAD\\", "list DOWNLOAD\\A\\", "list DOWNLOAD\\B\\",
            "delete DOWNLOAD\\A\\*.*", "rmdir DOWNLOAD\\ A", "delete DOWNLOAD\\B\\*.*", "rmdir DOWNLOAD\\ B",
            "delete DOWNLOAD\\", "rmdir \\ DOWNLOAD" }));
    EXPECT_EQ(ChildNames(tree.Root()), QStringList { "README.TXT" });
}

TEST(ImagerFileTree, NestedDirectoriesGoDeepestFirst)
{
    TImagerFileTree tree;
    FakeCard card(tree);
    tree.Fill({ "[ROOT]", "HGCARD", Dir("TOP") });
    card.listings["TOP\\"] = { "\\TOP", Dir("MID") };
    card.listings["TOP\\MID\\"] = { "\\TOP\\MID", Dir("LOW") };
    card.listings["TOP\\MID\\LOW\\"] = { "\\TOP\\MID\\LOW" };

    tree.Delete(*tree.Locate("TOP"));
    EXPECT_EQ(card.calls,
        QStringList({ "list TOP\\", "list TOP\\MID\\", "list TOP\\MID\\LOW\\", "delete TOP\\MID\\LOW\\*.*",
            "rmdir TOP\\MID\\ LOW", "delete TOP\\MID\\*.*", "rmdir TOP\\ MID", "delete TOP\\",
            "rmdir \\ TOP" }));
}

TEST(ImagerFileTree, DeletingTheCardEmptiesItButKeepsTheRoot)
{
    TImagerFileTree tree;
    FakeCard card(tree);
    card.listings["\\"] = { "[ROOT]", "HGCARD", Dir("EMPTY"), File("README.TXT") };
    card.listings["EMPTY\\"] = { "\\EMPTY" };

    tree.Delete(tree.Root());
    EXPECT_EQ(card.calls,
        QStringList({ "list \\", "list EMPTY\\", "delete EMPTY\\*.*", "rmdir \\ EMPTY", "delete \\" }));
    EXPECT_EQ(tree.Root().Text(), "HGCARD");
    EXPECT_EQ(tree.Root().ChildCount(), 0);
    EXPECT_TRUE(tree.Root().Expanded());

    // A file goes by its own path, with nothing to remove.
    tree.Fill({ "[ROOT]", "HGCARD", File("README.TXT") });
    card.calls.clear();
    tree.Delete(*tree.Locate("README.TXT"));
    EXPECT_EQ(card.calls, QStringList { "delete README.TXT\\" });
    EXPECT_EQ(tree.Root().ChildCount(), 0);
}

} // namespace
} // namespace fw
