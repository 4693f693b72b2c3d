#include "imagers/forms/hg_form_session.h"

#include "imagers/attacher.h"
#include "imagers/hg/hg_setup_values.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

THGSetupSession::THGSetupSession(THGCommLayer& link, QWidget& window)
    : link_(link)
    , window_(window)
    , imager_state_(link.ImagerState())
{
}

bool THGSetupSession::RecordingPresent() const
{
    return HGRecordingPresent(imager_state_);
}

bool THGSetupSession::Guarded(const std::function<void()>& action)
{
    if (busy_depth_ > 0) {
        qCInfo(lcImagers) << "setup action ignored: the window is talking to the imager";
        return false;
    }
    ++busy_depth_;
    try {
        action();
    } catch (const Error& failure) {
        qCWarning(lcImagers) << "setup action failed:" << failure.message();
        showError(failure.message());
    }
    --busy_depth_;
    return true;
}

bool THGSetupSession::ConfirmClearRecording()
{
    if (!RecordingPresent())
        return true;
    const PromptButton answer = askUser(PromptKind::Confirmation, {},
        QStringLiteral("Images Present in Memory.\nClear All Recorded Images?"),
        PromptButton::Ok | PromptButton::Cancel);
    if (answer != PromptButton::Ok)
        return false;
    Command(hgcmd::kErase);
    link_.WaitIdle();
    imager_state_ = link_.ImagerState();
    return true;
}

void THGSetupSession::Command(int command)
{
    link_.StartCommand(csStatus, command);
}

void THGSetupSession::StopIfPlaying()
{
    if (imager_state_ != 6)
        return;
    Command(hgcmd::kStop);
    link_.WaitIdle();
}

QStringList THGSetupSession::RecordedFrames() const
{
    const HGRecordedRange range = link_.GetRecordedRange();
    QStringList frames;
    frames.reserve(range.count);
    for (int i = 0; i < range.count; ++i)
        frames << QString::number(range.first + i);
    return frames;
}

QString THGSetupSession::InterfaceName() const
{
    if (entry_ && !entry_->PortText().isEmpty())
        return entry_->PortText();
    return QStringLiteral("Ethernet");
}

} // namespace fw
