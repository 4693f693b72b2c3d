#include "measure/forms/qm_objects_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "measure/forms/filter_chooser.h"
#include "measure/forms/polymarker.h"
#include "measure/motion_data_base.h"
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

QMObjectsPage::QMObjectsPage(TMotionDataBase& db, QWidget* parent)
    : QWidget(parent)
    , db_(db)
{
    setObjectName(QStringLiteral("Objects"));
    auto* layout = new QHBoxLayout(this);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("ObjectTree"));
    tree_->setHeaderHidden(true);
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    layout->addWidget(tree_, 1);

    auto* side = new QVBoxLayout;
    auto* create = new QGroupBox(QStringLiteral("New Object"), this);
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

    auto* rename = new QPushButton(QStringLiteral("Rename"), this);
    rename->setObjectName(QStringLiteral("RenameBtn"));
    auto* remove = new QPushButton(QStringLiteral("Delete"), this);
    remove->setObjectName(QStringLiteral("DeleteBtn"));
    auto* clear = new QPushButton(QStringLiteral("Reset Object for Recollection"), this);
    clear->setObjectName(QStringLiteral("ClearBtn"));
    side->addWidget(rename);
    side->addWidget(remove);
    side->addWidget(clear);
    side->addWidget(BuildProperties());
    side->addStretch();
    layout->addLayout(side);

    connect(rename, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* item = tree_->currentItem())
            tree_->editItem(item);
    });
    connect(remove, &QPushButton::clicked, this, &QMObjectsPage::DeleteSelectedObject);
    connect(clear, &QPushButton::clicked, this, &QMObjectsPage::ClearSelectedObject);
    connect(tree_, &QTreeWidget::itemChanged, this, &QMObjectsPage::ObjectRenamed);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &QMObjectsPage::ShowObjectProperties);
    connect(colour_spin_, &QSpinBox::valueChanged, this, &QMObjectsPage::ObjectPropertyChanged);
    connect(marker_spin_, &QSpinBox::valueChanged, this, &QMObjectsPage::ObjectPropertyChanged);
    connect(filter_, &FilterChooser::Changed, this, &QMObjectsPage::ObjectFilterChanged);
    ShowObjectProperties();
}

QWidget* QMObjectsPage::BuildProperties()
{
    auto* properties = new QGroupBox(QStringLiteral("Properties"), this);
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
    filter_ = new FilterChooser(QString(), properties);
    filter_status_ = new QLabel(properties);
    filter_status_->setObjectName(QStringLiteral("FilterStatusLbl"));
    filter_status_->setWordWrap(true);
    grid->addWidget(new QLabel(QStringLiteral("Filter"), properties), 2, 0);
    grid->addWidget(filter_, 2, 1, 1, 2);
    grid->addWidget(filter_status_, 3, 0, 1, 3);
    return properties;
}

TObjDef* QMObjectsPage::SelectedObject() const
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

void QMObjectsPage::RefillObjectTree(const TObjDef* select)
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

void QMObjectsPage::NewObject(SampleClass sample_class)
{
    TObjDef& def = db_.NewObject(sample_class);
    RefillObjectTree(&def);
    emit ObjectsChanged();
}

void QMObjectsPage::ObjectRenamed(QTreeWidgetItem* item)
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
    RefillObjectTree(def);
    emit ObjectsChanged();
}

void QMObjectsPage::DeleteSelectedObject()
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
    RefillObjectTree(nullptr);
    emit ObjectDeleted(is_reference);
}

void QMObjectsPage::ClearSelectedObject()
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
    emit SamplesCleared();
}

void QMObjectsPage::ShowObjectProperties()
{
    const TObjDef* def = SelectedObject();
    const bool was_filling = filling_;
    filling_ = true;
    colour_spin_->setEnabled(def);
    marker_spin_->setEnabled(def);
    filter_->setEnabled(def);
    if (def) {
        colour_spin_->setValue(def->ColourIndex());
        marker_spin_->setValue(def->Polymarker());
        colour_swatch_->setToolTip(ObjectColourName(def->ColourIndex()));
        filter_->SetChoice(def->Filter());
    }
    filter_status_->setText(def ? def->Columns().FilterStatus() : QString());
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

void QMObjectsPage::ObjectFilterChanged()
{
    TObjDef* def = SelectedObject();
    if (filling_ || !def)
        return;
    def->SetFilter(filter_->Choice());
    filter_status_->setText(def->Columns().FilterStatus());
    emit FilterChanged();
}

void QMObjectsPage::ObjectPropertyChanged()
{
    TObjDef* def = SelectedObject();
    if (filling_ || !def)
        return;
    def->SetColourIndex(colour_spin_->value());
    def->SetPolymarker(marker_spin_->value());
    ShowObjectProperties();
    emit LooksChanged();
}

} // namespace fw
