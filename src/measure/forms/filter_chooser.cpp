#include "measure/forms/filter_chooser.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "measure/forms/qm_controls.h"

namespace fw {

namespace {

struct KindItem {
    FilterKind kind;
    const char* caption;
};

constexpr KindItem kItems[] = {
    { FilterKind::None, "None" },
    { FilterKind::Butterworth, "Butterworth" },
    { FilterKind::Cfc60, "CFC 60" },
    { FilterKind::Cfc180, "CFC 180" },
    { FilterKind::Cfc600, "CFC 600" },
    { FilterKind::Cfc1000, "CFC 1000" },
    { FilterKind::Auto, "Automatic" },
};

constexpr double kFirstCutoffHz = 50.0;

} // namespace

FilterChooser::FilterChooser(const QString& prefix, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    kinds_ = new QComboBox(this);
    kinds_->setObjectName(prefix + QStringLiteral("FilterCB"));
    for (const KindItem& item : kItems)
        kinds_->addItem(QString::fromLatin1(item.caption), int(item.kind));
    cutoff_ = NumberEdit(this, "");
    cutoff_->setObjectName(prefix + QStringLiteral("CutoffEN"));
    cutoff_->setText(GeneralText(kFirstCutoffHz));
    cutoff_->setMaximumWidth(80);
    layout->addWidget(kinds_, 1);
    layout->addWidget(cutoff_);
    layout->addWidget(new QLabel(QStringLiteral("Hz"), this));
    KindChosen();
    connect(kinds_, &QComboBox::currentIndexChanged, this, [this] {
        KindChosen();
        if (!filling_)
            emit Changed();
    });
    connect(cutoff_, &QLineEdit::editingFinished, this, [this] {
        if (!filling_ && Choice().kind == FilterKind::Butterworth)
            emit Changed();
    });
}

void FilterChooser::KindChosen()
{
    cutoff_->setEnabled(FilterKind(kinds_->currentData().toInt()) == FilterKind::Butterworth);
}

FilterChoice FilterChooser::Choice() const
{
    const FilterKind kind = FilterKind(kinds_->currentData().toInt());
    return { kind, kind == FilterKind::Butterworth ? NumberIn(cutoff_) : 0.0 };
}

void FilterChooser::SetChoice(const FilterChoice& choice)
{
    filling_ = true;
    SelectData(kinds_, int(choice.kind));
    if (choice.kind == FilterKind::Butterworth)
        cutoff_->setText(GeneralText(choice.cutoff_hz));
    KindChosen();
    filling_ = false;
}

} // namespace fw
