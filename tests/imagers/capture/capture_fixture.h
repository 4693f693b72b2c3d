#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QTemporaryDir>

#include "imagers/capture/capture_test_support.h"
#include "imagers/capture/capture_thread.h"
#include "imagers/imaq/imaq.h"
#include "imagers/imaq/imaq_sim_fixture.h"

namespace fw {

// A capture thread on the simulated grabber (64 x 48 pixels unless a test says otherwise), its
// reports recorded, its waits immediate, and what it holds of the library counted. Every test
// ends with the thread joined and nothing of the grabber still held.
class CaptureThreadTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSimulatorEnvironment();
        GrabberLedger::Reset();
        GrabberLedger::Install(imaq_);
        ASSERT_TRUE(dir_.isValid());
    }

    void TearDown() override
    {
        if (thread_) {
            thread_->Join();
            EXPECT_TRUE(thread_->Finished());
        }
        EXPECT_EQ(GrabberLedger::OpenBuffers(), 0);
        EXPECT_EQ(GrabberLedger::OpenSessions(), 0);
        EXPECT_EQ(GrabberLedger::OpenInterfaces(), 0);
        EXPECT_EQ(imaq_.LoadCount(), 0);
    }

    TCaptureThread& MakeThread(const char* interface_name = "img0")
    {
        thread_ = std::make_unique<TCaptureThread>(imaq_, QString::fromLatin1(interface_name),
            recorder_.Callbacks(), std::make_unique<ImmediateWaits>(waits_));
        return *thread_;
    }

    TCaptureThread& StartThread(const char* interface_name = "img0")
    {
        MakeThread(interface_name).Start();
        return *thread_;
    }

    bool ReachStage(CaptureStage stage)
    {
        return recorder_.WaitFor([&] { return thread_->Stage() == stage; });
    }

    // Captures into `name` as the window does: pause, settings, file name, resume; waits for
    // the end of the capture.
    std::optional<CaptureCompletion> Capture(
        const char* name, int32_t frames, const std::function<void(TCaptureThread&)>& settings = {})
    {
        if (!ReachStage(CaptureStage::csLiveMode)) {
            return std::nullopt;
        }
        thread_->RequestPause();
        if (!recorder_.WaitFor([&] { return thread_->PauseAcknowledged(); })) {
            return std::nullopt;
        }
        thread_->SetFramesRequested(frames);
        if (settings) {
            settings(*thread_);
        }
        const int completions = recorder_.CompletionCount();
        thread_->SetOutputFile(Path(name));
        thread_->Resume();
        if (!recorder_.WaitFor([&] { return recorder_.CompletionCount() > completions; })) {
            return std::nullopt;
        }
        return recorder_.Completion();
    }

    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    TIMAQ imaq_ { nullptr, QStringLiteral(FW_IMAQ_SIM_LIBRARY) };
    CaptureRecorder recorder_;
    std::shared_ptr<ImmediateWaits::Log> waits_ = std::make_shared<ImmediateWaits::Log>();
    std::unique_ptr<TCaptureThread> thread_;
    QTemporaryDir dir_;
};

} // namespace fw
