#include "imagers/attach_loop.h"

#include <gtest/gtest.h>

#include "imagers/imager_test_support.h"
#include "support/fw_error.h"

namespace fw {
namespace {

// Links stand in as null pointers: the loop hands on whatever the links make.
class AttachLoopTest : public ::testing::Test {
protected:
    AttachLoopTest()
    {
        actions_.begin = [this](const TAttacher& entry) { events_ << "begin " + entry.CheckingText(); };
        actions_.end = [this] { events_ << "end"; };
        actions_.links.open = [this](const TAttacher& entry, std::function<void(bool)> attached_changed) {
            events_ << "link " + entry.name;
            if (entry.name.contains("refused"))
                throw Error("Socket Error 13: sendto");
            reporters_.push_back(std::move(attached_changed));
            return std::unique_ptr<THGCommLayer>();
        };
        actions_.links.find
            = [](const TAttacher&, const std::function<void(const HGFoundImager&)>&) { return 0; };
        actions_.open_hg_download = [this](const TAttacher& entry, std::unique_ptr<THGCommLayer>) {
            events_ << "download " + entry.DownloadTitle() + " " + entry.LinkText();
        };
        actions_.open_em_download = [this](const TAttacher& entry, const QString& address) {
            events_ << "processor " + entry.DownloadTitle() + " " + address;
            if (entry.name.contains("silent"))
                throw Error("Imager Not Opened: GPIB Error: No Listeners");
        };
        actions_.open_capture = [this](const TAttacher& entry, const QString& interface_name) {
            events_ << "capture " + entry.DownloadTitle() + " " + interface_name;
            if (entry.name.contains("broken"))
                throw Error("Error creating Video display form.");
        };
    }

    void Flag(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            list_.SetSelected(list_.RowOf(name), true);
        list_.MarkForAttach();
    }

    test::PromptScope prompt_;
    std::unique_ptr<TPortList> ports_ = test::MakePorts();
    TImagerList list_ { *ports_ };
    TAttachActions actions_;
    QStringList events_;
    std::vector<std::function<void(bool)>> reporters_;
};

TEST_F(AttachLoopTest, EachKindGoesItsWayInListOrder)
{
    list_.Add("b HG", "Kodak HG 2000;Ethernet;10.0.0.2;2");
    list_.Add("a EM", "Kodak EM 1012;GPIB0");
    list_.Add("c HRC", "Kodak HRC;GPIB1");
    list_.Add("d grabber", "NI-IMAQ;img0");
    list_.Add("e HS", "Kodak 4540;GPIB-ENET;10.0.0.4");
    list_.Add("f odd", "Unknown;GPIB2");
    Flag({ "a EM", "b HG", "c HRC", "d grabber", "e HS", "f odd" });
    AttachFlagged(list_, actions_);

    EXPECT_EQ(events_,
        QStringList(
            { "begin Checking for a EM - Kodak EM 1012 on GPIB0", "processor (Kodak EM 1012) a EM GPIB0:DEV7",
                "end", "begin Checking for b HG - Kodak HG 2000 on Ethernet at IP 10.0.0.2", "link b HG",
                "download (Kodak HG 2000) b HG Ethernet:10.0.0.2", "end",
                "begin Checking for c HRC - Kodak HRC on GPIB1", "end",
                "begin Checking for d grabber - NI-IMAQ on img0", "capture (NI-IMAQ) d grabber img0", "end",
                "begin Checking for e HS - Kodak 4540 on GPIB-ENET at IP 10.0.0.4",
                "processor (Kodak 4540) e HS GPIB0:DEV8", "end",
                "begin Checking for f odd - Unknown on GPIB2", "end" }));
    EXPECT_EQ(prompt_->texts(),
        QStringList({ "Imager Type Kodak HRC via GPIB1 is not supported in this version.",
            "Imager Type Unknown via GPIB2 is not supported in this version." }));
    for (const auto& question : prompt_->questions())
        EXPECT_EQ(question.kind, PromptKind::Information);
}

TEST_F(AttachLoopTest, ALinkThatCannotBeMadeIsReportedAndTheOthersGoOn)
{
    list_.Add("a refused", "Kodak RO;Ethernet;10.0.0.1;1");
    list_.Add("b fine", "Kodak RO;Ethernet;10.0.0.2;2");
    Flag({ "a refused", "b fine" });
    AttachFlagged(list_, actions_);
    EXPECT_EQ(events_.filter("download").size(), 1);
    EXPECT_EQ(events_.filter("end").size(), 2);
    ASSERT_EQ(prompt_->questions().size(), 1u);
    EXPECT_EQ(prompt_->questions()[0].kind, PromptKind::Error);
    EXPECT_EQ(prompt_->questions()[0].text, "Socket Error 13: sendto");
}

TEST_F(AttachLoopTest, AProcessorThatCannotBeReachedIsReportedAndTheOthersGoOn)
{
    list_.Add("a silent", "Kodak EM 1012;GPIB1");
    list_.Add("b fine", "Kodak 4540;GPIB0");
    Flag({ "a silent", "b fine" });
    AttachFlagged(list_, actions_);
    EXPECT_EQ(events_.filter("processor"),
        QStringList(
            { "processor (Kodak EM 1012) a silent GPIB1:DEV7", "processor (Kodak 4540) b fine GPIB0:DEV8" }));
    EXPECT_EQ(events_.filter("end").size(), 2);
    ASSERT_EQ(prompt_->questions().size(), 1u);
    EXPECT_EQ(prompt_->questions()[0].kind, PromptKind::Error);
    EXPECT_EQ(prompt_->questions()[0].text, "Imager Not Opened: GPIB Error: No Listeners");
}

TEST_F(AttachLoopTest, AGrabberOpensOnTheInterfaceOfItsPortAndAFailureIsReported)
{
    list_.Add("NI-IMAQ: img0", "NI-IMAQ;img0");
    list_.Add("broken grabber", "NI-IMAQ;img0");
    list_.Add("missing grabber", "NI-IMAQ;img7"); // an interface the library no longer reports
    Flag({ "NI-IMAQ: img0", "broken grabber", "missing grabber" });
    AttachFlagged(list_, actions_);
    // In list order; a name that holds the kind already titles the window alone.
    EXPECT_EQ(events_.filter("capture"),
        QStringList({ "capture (NI-IMAQ) broken grabber img0", "capture NI-IMAQ: img0 img0" }));
    EXPECT_EQ(events_.filter("end").size(), 2);
    ASSERT_EQ(prompt_->questions().size(), 1u);
    EXPECT_EQ(prompt_->questions()[0].kind, PromptKind::Error);
    EXPECT_EQ(prompt_->questions()[0].text, "Error creating Video display form.");

    actions_.open_capture = nullptr;
    events_.clear();
    list_.MarkForAttach();
    AttachFlagged(list_, actions_);
    EXPECT_EQ(events_.filter("capture").size(), 0);
    EXPECT_EQ(prompt_->texts().mid(1),
        QStringList({ "This version cannot attach NI-IMAQ imagers yet.",
            "This version cannot attach NI-IMAQ imagers yet." }));
}

TEST_F(AttachLoopTest, TheLinkTellsTheEntryWhileTheEntryExists)
{
    list_.Add("cam", "Kodak RO;Ethernet;10.0.0.1;1");
    Flag({ "cam" });
    AttachFlagged(list_, actions_);
    ASSERT_EQ(reporters_.size(), 1u);
    reporters_[0](true);
    EXPECT_TRUE(list_.Entry(0).attached);
    list_.MarkForAttach();
    EXPECT_TRUE(list_.FlaggedForAttach().empty()); // attached entries are not attached again
    reporters_[0](false);
    EXPECT_FALSE(list_.Entry(0).attached);

    // The user deleted the entry; the link's last report goes nowhere.
    list_.Remove(0);
    reporters_[0](false);
}

TEST_F(AttachLoopTest, WithoutLinksHGEntriesAreRefusedPlainly)
{
    list_.Add("cam", "Roper HG 2000-TX;Ethernet;10.0.0.1;1");
    Flag({ "cam" });
    actions_.links = TImagerLinks();
    AttachFlagged(list_, actions_);
    EXPECT_EQ(prompt_->texts(), QStringList({ "This version cannot attach Roper HG 2000-TX imagers yet." }));
    EXPECT_EQ(events_.filter("download").size(), 0);
}

TEST_F(AttachLoopTest, WithoutADownloadWindowProcessorsAreRefusedPlainly)
{
    list_.Add("em", "Kodak EM 1012;GPIB0");
    Flag({ "em" });
    actions_.open_em_download = nullptr;
    AttachFlagged(list_, actions_);
    EXPECT_EQ(prompt_->texts(), QStringList({ "This version cannot attach Kodak EM 1012 imagers yet." }));
    EXPECT_EQ(events_.filter("processor").size(), 0);
}

} // namespace
} // namespace fw
