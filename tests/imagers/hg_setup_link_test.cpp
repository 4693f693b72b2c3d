#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <set>

#include "imagers/attacher.h"
#include "imagers/hg/hg_comm_layer.h"
#include "imagers/hg/hg_identifier_change.h"
#include "imagers/imager_setup.h"
#include "imagers/imager_test_support.h"

namespace fw {
namespace {

// Imagers on one line, each answering only at its own identifier: attach, status, temperature,
// and the identifier register, which moves the imager to the number written (answering from it).
class LineLink : public THGCommLayer {
public:
    LineLink(uint8_t identifier, std::set<int> imagers)
        : THGCommLayer(identifier, 3000)
        , imagers_(std::move(imagers))
    {
    }
    ~LineLink() override { EndWorker(); }

    QList<QByteArray> Sent() const
    {
        const std::lock_guard lock(mutex_);
        return sent_;
    }
    std::set<int> Imagers() const
    {
        const std::lock_guard lock(mutex_);
        return imagers_;
    }

protected:
    void FlushInput() override { }
    void Broadcast(const QByteArray& frame) override { Transact(frame); }
    void Transact(const QByteArray& frame) override
    {
        QByteArray reply;
        {
            const std::lock_guard lock(mutex_);
            sent_ << frame.chopped(1);
            const int to = frame.mid(1, 2).toInt(nullptr, 16);
            if (imagers_.count(to) == 0) {
                SetResultCode(hgresult::kNotResponding);
                throw Error("Socket I/O Timed Out");
            }
            reply = Answer(to, frame.mid(3, 2), frame.mid(5, frame.size() - 6));
        }
        std::memcpy(ReceiveBuffer(), reply.constData(), size_t(reply.size()));
        ReplyReceived(size_t(reply.size()));
    }

private:
    QByteArray Answer(int to, const QByteArray& code, const QByteArray& argument)
    {
        QByteArray from = QByteArray::number(to, 16).toUpper().rightJustified(2, '0');
        QByteArray payload;
        if (code == "01")
            payload = "0421050100000000000000000000";
        else if (code == "40")
            payload = "05";
        else if (code == "50")
            payload = "1E";
        else if (code == "65")
            payload = "00";
        else if (code == "52" && !argument.isEmpty()) {
            imagers_.erase(to);
            imagers_.insert(argument.toInt(nullptr, 16));
            from = argument;
        }
        return "#" + from + "01" + code + payload + '\r';
    }

    mutable std::mutex mutex_;
    std::set<int> imagers_;
    QList<QByteArray> sent_;
};

TEST(HGIdentifierChangeTest, AFreeNumberIsWrittenAndTheLinkFollows)
{
    LineLink link(1, { 1 });
    ASSERT_TRUE(link.Identify(false));
    EXPECT_EQ(ChangeHGIdentifier(link, 7), HGIdentifierChange::Changed);
    EXPECT_EQ(link.Identifier(), 7);
    EXPECT_EQ(link.Imagers(), std::set<int>({ 7 }));
    EXPECT_TRUE(link.Sent().contains("#070102")) << "the number was tried first";
    EXPECT_TRUE(link.Sent().contains("#015207"));
    EXPECT_TRUE(link.Identify(false)) << "the imager answers at its new number";
}

TEST(HGIdentifierChangeTest, ATakenNumberIsNotWrittenAndTheLinkGoesBack)
{
    LineLink link(1, { 1, 2 });
    ASSERT_TRUE(link.Identify(false));
    EXPECT_EQ(ChangeHGIdentifier(link, 2), HGIdentifierChange::Taken);
    EXPECT_EQ(link.Identifier(), 1);
    EXPECT_EQ(link.Imagers(), std::set<int>({ 1, 2 }));
    const QList<QByteArray> sent = link.Sent();
    EXPECT_GT(sent.lastIndexOf("#010102"), sent.indexOf("#020102")) << "identified again at its own number";
    for (const QByteArray& frame : sent)
        EXPECT_FALSE(frame.startsWith("#0152")) << frame.constData();
    EXPECT_EQ(HGIdentifierTakenText(2, "Ethernet"), "Another Imager #2 is active on the Ethernet interface.");
}

TEST(HGIdentifierChangeTest, NumbersAboveAByteAreCappedAndTheOwnNumberChangesNothing)
{
    LineLink link(1, { 1 });
    ASSERT_TRUE(link.Identify(false));
    EXPECT_EQ(ChangeHGIdentifier(link, 300), HGIdentifierChange::Changed);
    EXPECT_TRUE(link.Sent().contains("#0152FF")) << "300 is written as 255";
    EXPECT_EQ(link.Identifier(), 255);
    const qsizetype sent = link.Sent().size();
    EXPECT_EQ(ChangeHGIdentifier(link, 255), HGIdentifierChange::Unchanged);
    EXPECT_EQ(link.Sent().size(), sent);
}

class ImagerSetupTest : public ::testing::Test {
protected:
    ImagerSetupTest()
    {
        entry_.name = "HG #1";
        entry_.kind = ikHG2000;
        entry_.identifier = 1;
        actions_.open_link = [this](const TAttacher& entry) {
            return std::make_unique<LineLink>(uint8_t(entry.identifier), imagers_);
        };
        actions_.show_setup = [this](THGCommLayer& link, TAttacher& entry) {
            shown_on_ = link.Identifier();
            entry.identifier = 9;
            return change_;
        };
    }

    test::PromptScope prompt_;
    TAttacher entry_;
    TImagerSetupActions actions_;
    std::set<int> imagers_ { 1 };
    int shown_on_ = -1;
    bool change_ = true;
};

TEST_F(ImagerSetupTest, AnAnsweringImagerGetsTheWindowWhichMayChangeTheEntry)
{
    EXPECT_EQ(RunImagerSetup(entry_, false, actions_), SetupOutcome::Changed);
    EXPECT_EQ(shown_on_, 1);
    EXPECT_EQ(entry_.identifier, 9);
    change_ = false;
    entry_.identifier = 1;
    EXPECT_EQ(RunImagerSetup(entry_, false, actions_), SetupOutcome::Unchanged);
    EXPECT_TRUE(prompt_->texts().isEmpty());
}

TEST_F(ImagerSetupTest, ASilentImagerGetsNoWindow)
{
    imagers_.clear();
    EXPECT_EQ(RunImagerSetup(entry_, true, actions_), SetupOutcome::NotResponding);
    EXPECT_EQ(shown_on_, -1);
    EXPECT_EQ(prompt_->texts(), QStringList({ "Imager is not Responding" }));
    EXPECT_EQ(prompt_->questions().front().kind, PromptKind::Information);
}

TEST_F(ImagerSetupTest, ALinkThatCannotBeMadeIsReported)
{
    actions_.open_link = [](const TAttacher&) -> std::unique_ptr<THGCommLayer> {
        throw Error("Imager HG #1 has no interface.");
    };
    EXPECT_EQ(RunImagerSetup(entry_, false, actions_), SetupOutcome::NoLink);
    EXPECT_EQ(prompt_->texts(), QStringList({ "Imager HG #1 has no interface." }));
}

} // namespace
} // namespace fw
