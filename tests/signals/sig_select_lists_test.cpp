#include "signals/sig_select_lists.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace fw {
namespace {

class SigSelectListsTest : public ::testing::Test {
protected:
    void Load(int count)
    {
        for (int i = 0; i < count; ++i)
            lists_.AddSource({ QStringLiteral("s%1").arg(i), nullptr });
    }
    QStringList Names(SigList list) const
    {
        QStringList names;
        for (const SignalEntry& entry : lists_.List(list))
            names << entry.name;
        return names;
    }

    SigSelectLists lists_;
};

TEST_F(SigSelectListsTest, AMoveStopsAtTheLimitLeavingTheRestInTheSource)
{
    Load(9);
    lists_.Move(SigList::Separate, { 0, 1, 2, 3 });
    lists_.Move(SigList::Overlay, { 0, 1, 2, 3, 4 });
    // Taken bottom first: the two lowest of the rows asked for go in, the others stay.
    EXPECT_EQ(Names(SigList::Overlay), QStringList({ "s8", "s7" }));
    EXPECT_EQ(lists_.ChosenCount(), kMaxGraphSignals);
    EXPECT_TRUE(lists_.Full());
    EXPECT_EQ(Names(SigList::Source), QStringList({ "s4", "s5", "s6" }));
    EXPECT_FALSE(lists_.CanMove(1));
    EXPECT_FALSE(lists_.CanMoveAll());
    lists_.MoveAll(SigList::Separate);
    EXPECT_EQ(lists_.ChosenCount(), kMaxGraphSignals);
    EXPECT_EQ(Names(SigList::Source).size(), 3);
}

TEST_F(SigSelectListsTest, RowsThatDoNotExistOrRepeatAreIgnored)
{
    Load(3);
    lists_.Move(SigList::Separate, { 2, -1, 7, 2 });
    EXPECT_EQ(Names(SigList::Separate), QStringList({ "s2" }));
    lists_.MoveBack(SigList::Separate, { 1, 0, 0 });
    EXPECT_EQ(Names(SigList::Source), QStringList({ "s0", "s1", "s2" }));
    lists_.RemoveSource({ 5, 1, 1, -2 });
    EXPECT_EQ(Names(SigList::Source), QStringList({ "s0", "s2" }));
}

TEST_F(SigSelectListsTest, TheSourceIsNeverATarget)
{
    Load(2);
    lists_.Move(SigList::Source, { 0 });
    lists_.MoveBack(SigList::Source, { 0 });
    lists_.MoveBackAll(SigList::Source);
    EXPECT_EQ(Names(SigList::Source), QStringList({ "s0", "s1" }));
    EXPECT_FALSE(lists_.CanMoveBack(SigList::Source, 1));
    EXPECT_FALSE(lists_.CanAccept());
}

} // namespace
} // namespace fw
