#include "imagers/imager_find.h"

#include <gtest/gtest.h>

#include "imagers/hg/shared_driver.h"
#include "imagers/imager_test_support.h"
#include "support/fw_error.h"

namespace fw {
namespace {

class ImagerFindTest : public ::testing::Test {
protected:
    // A search that answers with the given imagers and records the scratch entry.
    TImagerSearch Answering(std::vector<HGFoundImager> imagers)
    {
        return [this, imagers](
                   const TAttacher& scratch, const std::function<void(const HGFoundImager&)>& found) {
            ++searches_;
            scratch_ = scratch;
            for (const HGFoundImager& imager : imagers)
                found(imager);
            return int(imagers.size());
        };
    }

    TFindRequest On(const QString& port, int kind = ikHG2000, int baud_rate = 9600) const
    {
        return TFindRequest { kind, ports_->Find(port), baud_rate };
    }

    QStringList Selected() const
    {
        QStringList names;
        for (int row : list_.SelectedRows())
            names << list_.Entry(row).name;
        return names;
    }

    test::PromptScope prompt_;
    std::unique_ptr<TPortList> ports_ = test::MakePorts();
    TImagerList list_ { *ports_ };
    int searches_ = 0;
    TAttacher scratch_;
};

const HGFoundImager kFirst { 1, 0, "10.0.0.1", "Kodak HG 2000" };
const HGFoundImager kSecond { 2, 2, "10.0.0.2", "Kodak HG 2000" };

TEST_F(ImagerFindTest, TwoImagersFoundBecomeTwoEntriesNamedAfterTheirKind)
{
    list_.Add("Old", "Kodak RO;Ethernet;10.0.0.9;9");
    list_.SelectOnly(0);
    EXPECT_EQ(RunImagerFind(list_, On("Ethernet"), Answering({ kFirst, kSecond })), FindOutcome::Searched);
    EXPECT_EQ(list_.Count(), 3);
    EXPECT_EQ(list_.Entry(list_.RowOf("Kodak HG 2000 #1")).Value(), "Kodak HG 2000;Ethernet;10.0.0.1;1;9600");
    EXPECT_EQ(
        list_.Entry(list_.RowOf("Kodak HG 2000 #2")).Value(), "Kodak HG 2000;Ethernet;10.0.0.2;2;38400");
    EXPECT_EQ(Selected(), QStringList({ "Kodak HG 2000 #1", "Kodak HG 2000 #2" }));
    EXPECT_EQ(prompt_->texts(), QStringList({ "2 Imager(s) Found on Ethernet" }));
    // The search link is made for the chosen kind and port, identifier 0 and no address.
    EXPECT_EQ(scratch_.kind, ikHG2000);
    EXPECT_EQ(scratch_.port, ports_->Find("Ethernet"));
    EXPECT_EQ(scratch_.identifier, 0);
    EXPECT_EQ(scratch_.ip_address, "");
}

TEST_F(ImagerFindTest, FindingTwiceAddsNoDuplicates)
{
    RunImagerFind(list_, On("Ethernet"), Answering({ kFirst, kSecond }));
    list_.ClearSelection();
    RunImagerFind(list_, On("Ethernet"), Answering({ kSecond, kFirst }));
    EXPECT_EQ(list_.Count(), 2);
    EXPECT_EQ(Selected(), QStringList({ "Kodak HG 2000 #1", "Kodak HG 2000 #2" }));
}

TEST_F(ImagerFindTest, OnTheNetworkTheAddressTellsImagersApart)
{
    RunImagerFind(list_, On("Ethernet"), Answering({ kFirst }));
    HGFoundImager moved = kFirst;
    moved.ip_text = "10.0.0.77";
    RunImagerFind(list_, On("Ethernet"), Answering({ moved }));
    ASSERT_EQ(list_.Count(), 2);
    EXPECT_EQ(Selected(), QStringList({ "Kodak HG 2000 #1 (2)" }));
    EXPECT_EQ(list_.Entry(1).ip_address, "10.0.0.77");

    // On a serial line the address does not count: the entry is selected, not added again.
    prompt_->clear();
    RunImagerFind(list_, On("Direct to ttyS0"), Answering({ moved }));
    EXPECT_EQ(list_.Count(), 2);
    EXPECT_EQ(prompt_->texts(), QStringList({ "1 Imager(s) Found on Direct to ttyS0" }));
}

TEST_F(ImagerFindTest, AnImagerFoundOnASerialPortGetsTheRateItReports)
{
    const HGFoundImager on_line { 12, 3, "", "Roper CR 2000" };
    RunImagerFind(list_, On("Direct to ttyUSB0", ikCR2000, 115200), Answering({ on_line }));
    EXPECT_EQ(list_.Entry(0).name, "Roper CR 2000 #12");
    EXPECT_EQ(list_.Entry(0).Value(), "Roper CR 2000;Direct to ttyUSB0;;12;115200");
    EXPECT_EQ(scratch_.baud_rate, 115200);

    // A rate index the table does not have leaves the line's default rate.
    const HGFoundImager odd { 13, 9, "", "Roper CR 2000" };
    RunImagerFind(list_, On("Direct to ttyUSB0", ikCR2000), Answering({ odd }));
    EXPECT_EQ(list_.Entry(1).baud_rate, 9600);
}

TEST_F(ImagerFindTest, NothingFoundIsSaid)
{
    list_.Add("Old", "Kodak RO;Ethernet;10.0.0.9;9");
    list_.SelectOnly(0);
    RunImagerFind(list_, On("Ethernet"), Answering({}));
    EXPECT_EQ(prompt_->texts(), QStringList({ "No Imagers Found on Ethernet" }));
    EXPECT_TRUE(Selected().isEmpty());
}

TEST_F(ImagerFindTest, AnAttachedImagerOnThePortIsOnlyDisturbedWhenTheUserAgrees)
{
    const int row = list_.Add("Live", "Kodak HG 2000;Ethernet;10.0.0.1;1");
    list_.Entry(row).attached = true;
    const QString question = "An Imager is currently attached using Ethernet.\n"
                             "Find operation could disrupt communications.\n"
                             "Are you sure you want to perform Find Imagers?";
    prompt_->queueAnswer(PromptButton::Cancel);
    EXPECT_EQ(RunImagerFind(list_, On("Ethernet"), Answering({ kSecond })), FindOutcome::Stopped);
    EXPECT_EQ(searches_, 0);
    ASSERT_EQ(prompt_->questions().size(), 1u);
    EXPECT_EQ(prompt_->questions()[0].kind, PromptKind::Warning);
    EXPECT_EQ(prompt_->questions()[0].text, question);
    EXPECT_EQ(prompt_->questions()[0].buttons, PromptButton::Ok | PromptButton::Cancel);

    prompt_->clear();
    prompt_->queueAnswer(PromptButton::Ok);
    EXPECT_EQ(RunImagerFind(list_, On("Ethernet"), Answering({ kSecond })), FindOutcome::Searched);
    EXPECT_EQ(searches_, 1);
    // Another port is not disturbed: no question.
    prompt_->clear();
    RunImagerFind(list_, On("Direct to ttyS0"), Answering({}));
    EXPECT_EQ(prompt_->texts(), QStringList({ "No Imagers Found on Direct to ttyS0" }));
}

TEST_F(ImagerFindTest, ASerialLineKeepsTheRateOfItsAttachedImagers)
{
    const int row = list_.Add("Live", "Kodak RO;Direct to ttyS0;;1;19200");
    list_.Entry(row).attached = true;
    prompt_->setFallback(PromptButton::Ok);
    EXPECT_EQ(RunImagerFind(list_, On("Direct to ttyS0", ikRO, 38400), Answering({})), FindOutcome::Stopped);
    EXPECT_EQ(searches_, 0);
    ASSERT_EQ(prompt_->questions().size(), 2u);
    EXPECT_EQ(prompt_->questions()[1].kind, PromptKind::Error);
    EXPECT_EQ(prompt_->questions()[1].text,
        "An Imager is attached to Comm Port Direct to ttyS0 at 19200 baud.\n"
        "Changing the baud rate would disrupt communications.\n"
        "All Imagers on a link must be at the same baud rate.");

    EXPECT_EQ(RunImagerFind(list_, On("Direct to ttyS0", ikRO, 19200), Answering({})), FindOutcome::Searched);
}

TEST_F(ImagerFindTest, ALinkThatCannotBeMadeIsReportedAndChangesNothing)
{
    list_.Add("Old", "Kodak RO;Ethernet;10.0.0.9;9");
    list_.SelectOnly(0);
    const TImagerSearch failing
        = [](const TAttacher&, const std::function<void(const HGFoundImager&)>&) -> int {
        throw Error("Socket Error 98: bind");
    };
    EXPECT_EQ(RunImagerFind(list_, On("Ethernet"), failing), FindOutcome::Stopped);
    ASSERT_EQ(prompt_->questions().size(), 1u);
    EXPECT_EQ(prompt_->questions()[0].kind, PromptKind::Error);
    EXPECT_EQ(prompt_->questions()[0].text, "Socket Error 98: bind");
    EXPECT_EQ(list_.Count(), 1);

    // Without links the search says so and leaves the selection alone.
    prompt_->clear();
    EXPECT_EQ(RunImagerFind(list_, On("Ethernet"), TImagerSearch()), FindOutcome::Stopped);
    EXPECT_EQ(prompt_->texts(), QStringList({ "This version cannot search Ethernet for imagers yet." }));
    EXPECT_EQ(Selected(), QStringList({ "Old" }));
}

TEST_F(ImagerFindTest, ImaqInterfacesAreListedWithoutASearch)
{
    list_.Add("Old", "Kodak RO;Ethernet;10.0.0.9;9");
    list_.SelectOnly(0);
    EXPECT_EQ(RunImagerFind(list_, On("Ethernet", ikIMAQ), Answering({ kFirst })), FindOutcome::Searched);
    EXPECT_EQ(searches_, 0);
    EXPECT_EQ(Selected(), QStringList({ "NI-IMAQ: img0" }));
    EXPECT_EQ(list_.Entry(list_.RowOf("NI-IMAQ: img0")).Value(), "NI-IMAQ;img0;;;");
    RunImagerFind(list_, On("Ethernet", ikIMAQ), Answering({}));
    EXPECT_EQ(list_.Count(), 2);
    EXPECT_TRUE(prompt_->texts().isEmpty());
}

} // namespace
} // namespace fw
