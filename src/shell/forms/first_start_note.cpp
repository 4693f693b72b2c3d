#include "shell/forms/first_start_note.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace fw {

namespace {

constexpr int kNoteTextWidth = 470;

const char* const kNoteText
    = "<b>New to Framewright?</b> Open the sample clips with <b>File | Open Sample Clips...</b>: "
      "several clips opened together play in step, <b>Tools | Quick Measure</b> measures motion "
      "on them and the signal files graph beside the video. Without a camera, <b>Tools | Demo "
      "Devices</b> starts simulated imagers to attach, download and save from. The manual "
      "(<b>Help | Help Topics</b>) describes every window.";

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

TFirstStartNote::TFirstStartNote(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("FirstStartNote"));
    setFrameShape(QFrame::StyledPanel);
    auto* text = new QLabel(QLatin1String(kNoteText), this);
    text->setObjectName(QStringLiteral("FirstStartText"));
    text->setWordWrap(true);
    text->setFixedWidth(kNoteTextWidth);

    auto* samples = MakeButton(this, "OpenSamplesBtn", QStringLiteral("Open Sample Clips..."));
    auto* manual = MakeButton(this, "ManualBtn", QStringLiteral("Help Topics"));
    auto* off = MakeButton(this, "NoteOffBtn", QStringLiteral("Don't Show Again"));
    connect(samples, &QPushButton::clicked, this, &TFirstStartNote::openSamplesRequested);
    connect(manual, &QPushButton::clicked, this, &TFirstStartNote::manualRequested);
    connect(off, &QPushButton::clicked, this, &TFirstStartNote::turnedOff);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(samples);
    buttons->addWidget(manual);
    buttons->addStretch(1);
    buttons->addWidget(off);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
}

} // namespace fw
