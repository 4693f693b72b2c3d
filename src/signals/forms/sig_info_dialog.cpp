#include "signals/forms/sig_info_dialog.h"

#include <cmath>
#include <optional>

#include <QDoubleValidator>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace fw {

namespace {

// Numbers are written and read the way signal files write them, whatever the user's locale.
std::optional<double> NumberIn(const QLineEdit* edit)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(edit->text().trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString NumberText(double value)
{
    return QLocale::c().toString(value, 'g', 10);
}

QLineEdit* NumberEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    auto* validator = new QDoubleValidator(edit);
    validator->setLocale(QLocale::c());
    validator->setNotation(QDoubleValidator::ScientificNotation);
    edit->setValidator(validator);
    return edit;
}

} // namespace

TSigInfoDlg::TSigInfoDlg(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SigInfoDlg"));
    setWindowTitle(QStringLiteral("Signal Information"));

    freq_edit_ = NumberEdit(QStringLiteral("FreqEN"), this);
    first_sample_edit_ = NumberEdit(QStringLiteral("FirstSampMSEN"), this);
    name_edit_ = new QLineEdit(this);
    name_edit_->setObjectName(QStringLiteral("SigNameEdit"));
    axis_edit_ = new QLineEdit(this);
    axis_edit_->setObjectName(QStringLiteral("AxisEN"));
    time_label_ = new QLabel(QStringLiteral("Time Column"), this);
    time_label_->setObjectName(QStringLiteral("TimeLB"));
    time_spin_ = new QSpinBox(this);
    time_spin_->setObjectName(QStringLiteral("TimeSpin"));
    time_spin_->setRange(0, 2);
    // The column is found in the file; the dialog only shows it.
    time_spin_->setReadOnly(true);
    ok_button_ = new QPushButton(QStringLiteral("OK"), this);
    ok_button_->setObjectName(QStringLiteral("OKBtn"));
    ok_button_->setDefault(true);
    auto* cancel_button = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_button->setObjectName(QStringLiteral("CancelBtn"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Sampling Frequency (Hz)"), freq_edit_);
    fields->addRow(QStringLiteral("Time of First Sample (mS)"), first_sample_edit_);
    fields->addRow(QStringLiteral("Signal Name"), name_edit_);
    fields->addRow(QStringLiteral("Axis Label"), axis_edit_);
    fields->addRow(time_label_, time_spin_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_button_);
    buttons->addWidget(cancel_button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    for (QLineEdit* edit : { freq_edit_, first_sample_edit_, name_edit_, axis_edit_ })
        connect(edit, &QLineEdit::textChanged, this, &TSigInfoDlg::FieldsChanged);
    connect(ok_button_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_button, &QPushButton::clicked, this, &QDialog::reject);
    FieldsChanged();
}

void TSigInfoDlg::SetInfo(const SigInfo& info)
{
    setWindowTitle(info.signal_name + QStringLiteral(" Signal Info"));
    freq_edit_->setText(NumberText(info.frequency_hz));
    first_sample_edit_->setText(NumberText(info.first_sample_ms));
    name_edit_->setText(info.signal_name);
    axis_edit_->setText(info.axis_label);
    time_column_ = info.time_column;
    const bool timed = info.time_column != TimeColumn::None;
    time_spin_->setValue(static_cast<int>(info.time_column));
    if (!timed)
        time_spin_->clear();
    time_spin_->setEnabled(timed);
    time_label_->setEnabled(timed);
    FieldsChanged();
}

SigInfo TSigInfoDlg::Info() const
{
    SigInfo info;
    info.frequency_hz = NumberIn(freq_edit_).value_or(0.0);
    info.first_sample_ms = NumberIn(first_sample_edit_).value_or(0.0);
    info.signal_name = name_edit_->text();
    info.axis_label = axis_edit_->text();
    info.time_column = time_column_;
    return info;
}

bool TSigInfoDlg::Execute(SigInfo& info)
{
    SetInfo(info);
    if (exec() != QDialog::Accepted)
        return false;
    info = Info();
    return true;
}

void TSigInfoDlg::FieldsChanged()
{
    const std::optional<double> frequency = NumberIn(freq_edit_);
    ok_button_->setEnabled(frequency && *frequency > 0.0 && NumberIn(first_sample_edit_)
        && !name_edit_->text().isEmpty() && !axis_edit_->text().isEmpty());
}

void InstallSigInfoDialog(QWidget* parent)
{
    SetSigInfoAsker([owner = QPointer<QWidget>(parent)](SigInfo& info) {
        TSigInfoDlg dialog(owner.data());
        return dialog.Execute(info);
    });
}

} // namespace fw
