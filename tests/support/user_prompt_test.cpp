#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include "support/user_prompt.h"

namespace fw {
namespace {

class UserPrompt : public ::testing::Test {
protected:
    void TearDown() override { installPrompt(nullptr); }
};

TEST_F(UserPrompt, ScriptedAnswersInOrderThenFirstOfferedButton)
{
    ScriptedPrompt scripted;
    installPrompt(&scripted);
    scripted.queueAnswer(PromptButton::No);
    EXPECT_FALSE(confirm("Delete it?"));
    EXPECT_EQ(askUser(PromptKind::Warning, "", "Abort?",
                  PromptButton::Abort | PromptButton::Retry | PromptButton::Ignore),
        PromptButton::Abort);
    ASSERT_EQ(scripted.texts(), (QStringList { "Delete it?", "Abort?" }));
    EXPECT_EQ(scripted.questions()[0].kind, PromptKind::Confirmation);
    installPrompt(nullptr);
}

TEST_F(UserPrompt, WorkerThreadQuestionsAreAnsweredOnTheMainThread)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    ScriptedPrompt scripted;
    scripted.queueAnswer(PromptButton::Retry);
    installPrompt(&scripted);
    PromptButton answer = PromptButton::None;
    QThread* worker = QThread::create([&] {
        answer
            = askUser(PromptKind::Error, "Save", "Frame 3 failed", PromptButton::Abort | PromptButton::Retry);
    });
    QObject::connect(worker, &QThread::finished, &app, &QCoreApplication::quit);
    worker->start();
    app.exec();
    worker->wait();
    delete worker;
    EXPECT_EQ(answer, PromptButton::Retry);
    EXPECT_EQ(scripted.texts(), QStringList { "Frame 3 failed" });
    installPrompt(nullptr);
}

} // namespace
} // namespace fw
