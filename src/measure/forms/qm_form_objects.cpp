#include "measure/forms/qm_form.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "measure/forms/polymarker.h"
#include "shell/forms/display_form.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr int kObjectRole = Qt::UserRole + 1;

QString samplesQuestion(const TObjDef& def, const QString& ending)
{
    return QStringLiteral("There are ") + QString::number(def.Samples().size())
        + QStringLiteral(" samples collected.  ") + ending;
}

QIcon iconOf(SampleClass sample_class)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::darkBlue, 2));
    switch (sample_class) {
    case SampleClass::Line:
        painter.drawLine(2, 13, 13, 2);
        break;
    case SampleClass::Angle:
        painter.drawLine(2, 13, 13, 13);
        painter.drawLine(2, 13, 11, 3);
        break;
    default:
        painter.setBrush(Qt::darkBlue);
        painter.drawEllipse(QPointF(8, 8), 3, 3);
        break;
    }
    return QIcon(pixmap);
}

} // namespace

QWidget* TQMForm::BuildObjectsPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Objects"));
    auto* layout = new QHBoxLayout(page);
    tree_ = new QTreeWidget(page);
    tree_->setObjectName(QStringLiteral("ObjectTree"));
    tree_->setHeaderHidden(true);
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    layout->addWidget(tree_, 1);

    auto* side = new QVBoxLayout;
    auto* create = new QGroupBox(QStringLiteral("New Object"), page);
    auto* create_layout = new QVBoxLayout(create);
    struct NewButton {
        const char* name;
        const char* caption;
        SampleClass sample_class;
    };
    for (const NewButton& button : { NewButton { "NewPointBtn", "Point", SampleClass::Point },
             NewButton { "NewLineBtn", "Line and Absolute Angle", SampleClass::Line },
             NewButton { "NewAngleBtn", "Two Lines and Relative Angle", SampleClass::Angle } }) {
        auto* push = new QPushButton(QString::fromLatin1(button.caption), create);
        push->setObjectName(QString::fromLatin1(button.name));
        push->setIcon(iconOf(button.sample_class));
        const SampleClass sample_class = button.sample_class;
        connect(push, &QPushButton::clicked, this, [this, sample_class] { NewObject(sample_class); });
        create_layout->addWidget(push);
    }
    side->addWidget(create);

    auto* rename = new QPushButton(QStringLiteral("Rename"), page);
    rename->setObjectName(QStringLiteral("RenameBtn"));
    auto* remove = new QPushButton(QStringLiteral("Delete"), page);
    remove->setObjectName(QStringLiteral("DeleteBtn"));
    auto* clear = new QPushButton(QStringLiteral("Reset Object for Recollection"), page);
    clear->setObjectName(QStringLiteral("ClearBtn"));
    side->addWidget(rename);
    side->addWidget(remove);
    side->addWidget(clear);

    auto* properties = new QGroupBox(QStringLiteral("Properties"), page);
    auto* grid = new QGridLayout(properties);
    colour_swatch_ = new QLabel(properties);
    colour_swatch_->setObjectName(QStringLiteral("ColorSwatch"));
    colour_swatch_->setFixedSize(24, 24);
    colour_swatch_->setAutoFillBackground(true);
    colour_spin_ = new QSpinBox(properties);
    colour_spin_->setObjectName(QStringLiteral("ColorSpin"));
    colour_spin_->setRange(0, kObjectColourCount - 1);
    colour_spin_->setWrapping(false);
    marker_preview_ = new QLabel(properties);
    marker_preview_->setObjectName(QStringLiteral("MarkerPreview"));
    marker_preview_->setFixedSize(24, 24);
    marker_spin_ = new QSpinBox(properties);
    marker_spin_->setObjectName(QStringLiteral("MarkerSpin"));
    marker_spin_->setRange(0, kPolymarkerCount - 1);
    marker_spin_->setWrapping(false);
    grid->addWidget(new QLabel(QStringLiteral("Colour"), properties), 0, 0);
    grid->addWidget(colour_swatch_, 0, 1);
    grid->addWidget(colour_spin_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Marker"), properties), 1, 0);
    grid->addWidget(marker_preview_, 1, 1);
    grid->addWidget(marker_spin_, 1, 2);
    side->addWidget(properties);
    side->addStretch();
    layout->addLayout(side);

    connect(rename, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* item = tree_->currentItem())
            tree_->editItem(item);
    });
    connect(remove, &QPushButton::clicked, this, &TQMForm::DeleteSelectedObject);
    connect(clear, &QPushButton::clicked, this, &TQMForm::ClearSelectedObject);
    connect(tree_, &QTreeWidget::itemChanged, this, &TQMForm::ObjectRenamed);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &TQMForm::ShowObjectProperties);
    connect(colour_spin_, &QSpinBox::valueChanged, this, &TQMForm::ObjectPropertyChanged);
    connect(marker_spin_, &QSpinBox::valueChanged, this, &TQMForm::ObjectPropertyChanged);
    ShowObjectProperties();
    return page;
}

TObjDef* TQMForm::SelectedObject() const
{
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!item)
        return nullptr;
    auto* def = static_cast<TObjDef*>(item->data(0, kObjectRole).value<void*>());
    for (TObjDef* existing : db_.UserObjects())
        if (existing == def)
            return def;
    return nullptr;
}

void TQMForm::RefillObjectTree(const TObjDef* select)
{
    const bool was_filling = filling_;
    filling_ = true;
    tree_->clear();
    QTreeWidgetItem* selected = nullptr;
    for (TObjDef* def : db_.UserObjects()) {
        auto* item = new QTreeWidgetItem(tree_, QStringList { def->Name() });
        item->setData(0, kObjectRole, QVariant::fromValue(static_cast<void*>(def)));
        item->setIcon(0, iconOf(def->Class()));
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        if (def == select)
            selected = item;
    }
    tree_->sortItems(0, Qt::AscendingOrder);
    filling_ = was_filling;
    if (selected)
        tree_->setCurrentItem(selected);
    ShowObjectProperties();
}

void TQMForm::RefillReferenceChoice()
{
    const QString chosen = reference_object_->currentText();
    filling_ = true;
    reference_object_->clear();
    for (const TObjDef* def : db_.UserObjects())
        reference_object_->addItem(def->Name());
    const int index = reference_object_->findText(chosen);
    reference_object_->setCurrentIndex(std::max(index, 0));
    filling_ = false;
}

void TQMForm::NewObject(SampleClass sample_class)
{
    TObjDef& def = db_.NewObject(sample_class);
    RefillReferenceChoice();
    RefillObjectTree(&def);
    RefreshSheet();
    UpdatePrediction();
}

void TQMForm::ObjectRenamed(QTreeWidgetItem* item)
{
    if (filling_ || !item)
        return;
    auto* def = static_cast<TObjDef*>(item->data(0, kObjectRole).value<void*>());
    if (!def)
        return;
    const QString name = item->text(0).trimmed();
    try {
        if (name.isEmpty())
            throw Error(QStringLiteral("An object needs a name."));
        db_.RenameObject(*def, name);
    } catch (const Error& failure) {
        showError(failure.message());
        filling_ = true;
        item->setText(0, def->Name());
        filling_ = false;
        return;
    }
    RefillReferenceChoice();
    RefillObjectTree(def);
    RefreshSheet();
}

void TQMForm::DeleteSelectedObject()
{
    TObjDef* def = SelectedObject();
    if (!def)
        return;
    const bool is_reference = db_.Referencer().Moving() && db_.Referencer().ReferenceObject() == def;
    if (!def->Samples().empty() || is_reference) {
        const QString caption = QStringLiteral("Delete ") + def->Name().toUpper()
            + (is_reference ? QStringLiteral(" Reference Object") : QStringLiteral(" Collection Object"));
        if (askUser(PromptKind::Confirmation, caption,
                samplesQuestion(*def, QStringLiteral("Delete object and all samples?")),
                PromptButton::Ok | PromptButton::Cancel)
            != PromptButton::Ok)
            return;
    }
    db_.DeleteObject(*def);
    if (is_reference) {
        filling_ = true;
        image_point_->setChecked(true);
        filling_ = false;
        ReferenceChanged();
    }
    target_object_ = 1;
    target_point_ = 0;
    RefillReferenceChoice();
    RefillObjectTree(nullptr);
    RefreshSheet();
    UpdatePrediction();
    display_.RefreshPicture();
}

void TQMForm::ClearSelectedObject()
{
    TObjDef* def = SelectedObject();
    if (!def)
        return;
    if (!def->Samples().empty()
        && askUser(PromptKind::Confirmation,
               QStringLiteral("Clear ") + def->Name().toUpper() + QStringLiteral(" Samples"),
               samplesQuestion(*def, QStringLiteral("Clear all collected samples?")),
               PromptButton::Ok | PromptButton::Cancel)
            != PromptButton::Ok)
        return;
    db_.ClearObject(*def);
    RefreshSheet();
    UpdatePrediction();
    display_.RefreshPicture();
}

void TQMForm::ShowObjectProperties()
{
    const TObjDef* def = SelectedObject();
    const bool was_filling = filling_;
    filling_ = true;
    colour_spin_->setEnabled(def);
    marker_spin_->setEnabled(def);
    if (def) {
        colour_spin_->setValue(def->ColourIndex());
        marker_spin_->setValue(def->Polymarker());
        colour_swatch_->setToolTip(ObjectColourName(def->ColourIndex()));
    }
    const QColor colour = def ? ColourOfBgr(def->Colour()) : palette().color(QPalette::Window);
    colour_swatch_->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid gray;").arg(colour.name()));
    QPixmap marker(24, 24);
    marker.fill(Qt::white);
    if (def) {
        QPainter painter(&marker);
        DrawPolymarker(painter, def->Polymarker(), QPointF(10, 10), 20, colour);
    }
    marker_preview_->setPixmap(marker);
    filling_ = was_filling;
}

void TQMForm::ObjectPropertyChanged()
{
    TObjDef* def = SelectedObject();
    if (filling_ || !def)
        return;
    def->SetColourIndex(colour_spin_->value());
    def->SetPolymarker(marker_spin_->value());
    ShowObjectProperties();
    display_.RefreshPicture();
}

} // namespace fw
