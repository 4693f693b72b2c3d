#include "shell/forms/wright_viewer.h"

#include <memory>

#include "clips/bayer.h"
#include "clips/tiff_avi.h"
#include "shell/forms/child_form.h"
#include "shell/forms/image_preview.h"
#include "shell/forms/ro_preview.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

// The message names the file unless the reason already does.
Error NamingTheFile(const QString& file_name, const Error& failure)
{
    if (failure.message().contains(file_name))
        return failure;
    return Error(file_name + QLatin1Char('\r') + failure.message());
}

PromptButton AskAboutUnsortableBayName(const QString& question)
{
    return askUser(PromptKind::Warning, QString(), question, PromptButton::Cancel | PromptButton::Ignore);
}

// Brings the preview of a folder forward when one is open; true when there was one.
bool FocusChildTitled(const std::vector<TChildForm*>& children, const QString& title)
{
    for (TChildForm* child : children) {
        if (child->Title() != title)
            continue;
        TChildForm* shown = child->OwnerChild() ? child->OwnerChild() : child;
        if (shown->isHidden()) // saving: the clip window shows the progress
            shown = child;
        shown->raise();
        shown->activateWindow();
        return true;
    }
    return false;
}

} // namespace

void TWrightViewer::OpenSequence(const QString& file_name, OpenFileType type)
{
    const bool bayer = type == OpenFileType::Bay;
    const QString title
        = DirectoryOf(file_name) + (bayer ? QStringLiteral("*.bay") : QStringLiteral("*.tif"));
    if (FocusChildTitled(Children(), title))
        return;
    try {
        if (bayer) {
            auto source = std::make_unique<TBayer>();
            source->SetUnsortableNameQuestion(AskAboutUnsortableBayName);
            source->Open(file_name);
            // A first file that is missing or of no BAY size has been reported by the source.
            if (source->FrameCount() == 0)
                return;
            new TROPreview(MakeChildContext(), std::move(source), file_name, title);
        } else {
            auto source = std::make_unique<TTIFFAVI>();
            source->Open(file_name);
            new TImagePreview(MakeChildContext(), std::move(source), file_name, title);
        }
    } catch (const Error& failure) {
        throw NamingTheFile(file_name, failure);
    }
    last_file_name_ = file_name;
    emit fileOpened(file_name);
}

} // namespace fw
