#include "app/windows/dialogs/frm_net_work_explorer.h"

#include "app/ui/push_button.h"
#include "app/ui/window_translation.h"
#include "platform/hosting/hosted_control.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/runtime/windows1252.h"
#include "platform/widgets/top_most.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vellumo {

frmNetWorkExplorer::frmNetWorkExplorer(modVellumo& state, ControlLoader& loader, QWidget* parent)
    : ActivatedDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmNetWorkExplorer"));
    setWindowTitle(Caption());
    resize(340, 420);

    auto* layout = new QVBoxLayout(this);
    tvw = new QTreeWidget(this);
    tvw->setObjectName(QStringLiteral("tvw"));
    tvw->setColumnCount(1);
    tvw->header()->hide();
    tvw->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvw->setIconSize(QSize(16, 16));
    // A click on a node's check box toggles it already: tvw_Click leaves that node alone.
    connect(tvw, &QTreeWidget::itemPressed, this, [this](QTreeWidgetItem* item) {
        pressed_.clear();
        pressed_.insert(item, item->checkState(0));
    });
    connect(tvw, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const auto was = pressed_.constFind(item);
        const bool boxClicked = was != pressed_.cend() && *was != item->checkState(0);
        pressed_.clear();
        const Qt::CheckState keep = item->checkState(0);
        tvw_Click();
        if (boxClicked)
            item->setCheckState(0, keep);
    });
    layout->addWidget(tvw, 1);

    auto* buttons = new QHBoxLayout;
    TeskButtonConcept1 = new PushButton(loader, QStringLiteral("TeskButtonConcept1"), QString(), this);
    TeskButtonConcept1->setFixedWidth(32);
    TeskButtonConcept1->setToolTip(QStringLiteral("Actualiser"));
    // The button has no caption, only its picture: the usual reload one, on the library's button (its
    // PictureNormal) as on a stand-in.
    const QIcon reload = style()->standardIcon(QStyle::SP_BrowserReload);
    if (auto* standIn = TeskButtonConcept1->findChild<QPushButton*>())
        standIn->setIcon(reload);
    if (HostedControl* control = TeskButtonConcept1->control()) {
        try {
            control->putProperty(PushButton::DispIdPictureNormal, PropertyValue(reload.pixmap(16, 16).toImage()));
        } catch (const RuntimeError&) {
        }
    }
    TeskButtonConcept1->setClick([this] { TeskButtonConcept1_Click(); });
    buttons->addWidget(TeskButtonConcept1);
    buttons->addStretch(1);
    Btn_Valider = new PushButton(loader, QStringLiteral("Btn_Valider"), QStringLiteral("&Valider"), this);
    Btn_Valider->setClick([this] { Btn_Valider_Click(); });
    buttons->addWidget(Btn_Valider);
    Btn_Annuler = new PushButton(loader, QStringLiteral("Btn_Annuler"), QStringLiteral("&Annuler"), this);
    Btn_Annuler->setClick([this] { Btn_Annuler_Click(); });
    buttons->addWidget(Btn_Annuler);
    Btn_Valider->setFixedSize(96, 28);
    Btn_Annuler->setFixedSize(96, 28);
    layout->addLayout(buttons);

    Form_Load();
}

frmNetWorkExplorer::~frmNetWorkExplorer() {
    *alive_ = false;
    // An enumeration cut short by the window's end leaves no hourglass behind.
    for (; enumerating_ > 0; --enumerating_)
        QApplication::restoreOverrideCursor();
}

QString frmNetWorkExplorer::ParseName(const QString& name) {
    const qsizetype slash = name.lastIndexOf(u'\\');
    return slash < 0 ? name : name.mid(slash + 1);
}

QString frmNetWorkExplorer::PtrToString(const QByteArray& pointer) {
    if (pointer.isNull())
        return QString();
    const qsizetype nul = pointer.indexOf('\0');
    return cp1252::decode(nul < 0 ? QByteArrayView(pointer) : QByteArrayView(pointer).first(nul));
}

QIcon frmNetWorkExplorer::picture(int image) const {
    switch (image) {
    case 2:
        return style()->standardIcon(QStyle::SP_DirIcon); // domain or workgroup
    case 3:
        return style()->standardIcon(QStyle::SP_ComputerIcon);
    case 4:
        return style()->standardIcon(QStyle::SP_DriveHDIcon); // disk share
    case 5:
        return style()->standardIcon(QStyle::SP_FileDialogDetailedView); // printer share
    default:
        return style()->standardIcon(QStyle::SP_DriveNetIcon); // providers, whatever their display type
    }
}

// ---- load, activation, unload ---------------------------------------------------------------------

void frmNetWorkExplorer::Form_Load() {
    if (!state_.Settings.CurrentLanguage.isEmpty())
        ApplyLanguage(state_.Localisation, this, state_.Settings.CurrentLanguage);
    tvw->hide();
    activated_ = false;
}

void frmNetWorkExplorer::Form_Activate() {
    if (activated_ || unloaded_)
        return;
    // Set first: the events that run below may activate the window again.
    activated_ = true;
    if (state_.Settings.IsAlwaysOnTop)
        SetTopMost(this);
    repaint();
    const unsigned generation = generation_;
    if (!yieldTo(generation))
        return;
    clearTree();
    tvw->show();
    for (int i = 0; i <= 100; ++i)
        if (!yieldTo(generation))
            return;
    EnumNetwork(true, 1);
}

bool frmNetWorkExplorer::Form_QueryUnload() {
    state_.OpenedFromCompose = false;
    unloaded_ = true;
    ++generation_; // an enumeration under way stops at its next node
    return true;
}

// ---- enumeration ----------------------------------------------------------------------------------

bool frmNetWorkExplorer::yieldTo(unsigned generation) {
    const std::shared_ptr<bool> alive = alive_;
    ui().doEvents();
    return *alive && !unloaded_ && generation_ == generation;
}

void frmNetWorkExplorer::clearTree() {
    keys_.clear();
    pressed_.clear();
    tvw->clear();
}

QTreeWidgetItem* frmNetWorkExplorer::addNode(QTreeWidgetItem* parent, const QString& key, const QString& text,
                                             int image, const QString& tag) {
    if (keys_.contains(key))
        return nullptr;
    auto* item = parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(tvw, {text});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    item->setIcon(0, picture(image));
    item->setData(0, ImageRole, image);
    item->setData(0, TagRole, tag);
    item->setData(0, KeyRole, key);
    item->setExpanded(true);
    keys_.insert(key, item);
    return item;
}

void frmNetWorkExplorer::EnumNetwork(bool onlyWindowsNetwork, std::int16_t maxLevel) {
    const unsigned generation = ++generation_;
    const std::shared_ptr<bool> alive = alive_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++enumerating_;
    const auto done = [&] {
        if (!*alive)
            return; // the destructor gave the pointer back
        --enumerating_;
        QApplication::restoreOverrideCursor();
    };

    if (!yieldTo(generation)) {
        done();
        return;
    }
    clearTree();

    int error = netres::NoError;
    std::unique_ptr<NetEnumeration> enumeration = networkNeighbourhood().OpenEnum(nullptr, error);
    std::vector<NetResource> records;
    if (enumeration && enumeration->EnumResource(-1, records) == netres::NoError) {
        for (const NetResource& record : records) {
            const QString name = ParseName(PtrToString(record.lpRemoteName));
            const int image = static_cast<int>(record.dwDisplayType) + 1;
            QTreeWidgetItem* node = nullptr;
            if (onlyWindowsNetwork) {
                if (name == QLatin1String(netres::WindowsNetwork))
                    node = addNode(nullptr, name, name, image, QString());
            } else {
                node = addNode(nullptr, name, name, image, QString());
                if (node && !yieldTo(generation))
                    break;
            }
            if (node && (record.dwUsage & netres::UsageContainer) &&
                !EnumContainer(record, name, 0, maxLevel, generation))
                break;
        }
    }
    enumeration.reset();
    done();
}

bool frmNetWorkExplorer::EnumContainer(const NetResource& resource, const QString& parentKey, std::int16_t level,
                                       std::int16_t maxLevel, unsigned generation) {
    int error = netres::NoError;
    std::unique_ptr<NetEnumeration> enumeration = networkNeighbourhood().OpenEnum(&resource, error);
    if (!enumeration)
        return true;
    std::vector<NetResource> records;
    if (enumeration->EnumResource(-1, records) != netres::NoError)
        return true;
    for (const NetResource& record : records) {
        QTreeWidgetItem* parent = keys_.value(parentKey);
        if (!parent)
            return true; // the parent is gone: nothing more goes below it
        const QString name = ParseName(PtrToString(record.lpRemoteName));
        const int image = record.dwType == netres::TypeAny && record.dwDisplayType == netres::DisplayDomain
                              ? 2
                              : static_cast<int>(record.dwType) + 3;
        const QString tag = record.dwType == netres::TypeAny
                                ? name
                                : QStringLiteral("\\\\") + parent->data(0, TagRole).toString() + u'\\' + name;
        const QString key = parentKey + name;
        QTreeWidgetItem* node = addNode(parent, key, name, image, tag);
        if (!node)
            continue;
        if (!yieldTo(generation))
            return false;
        if (level < maxLevel && (record.dwUsage & netres::UsageContainer) &&
            !EnumContainer(record, key, static_cast<std::int16_t>(level + 1), maxLevel, generation))
            return false;
    }
    return true;
}

// ---- the tree and the buttons ---------------------------------------------------------------------

void frmNetWorkExplorer::tvw_Click() {
    for (QTreeWidgetItem* item : tvw->selectedItems())
        if (item->data(0, ImageRole).toInt() == ComputerImage)
            item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void frmNetWorkExplorer::TeskButtonConcept1_Click() {
    clearTree();
    const std::shared_ptr<bool> alive = alive_;
    ui().doEvents();
    if (!*alive || unloaded_)
        return;
    EnumNetwork(true, 1);
}

void frmNetWorkExplorer::Btn_Valider_Click() {
    QString list;
    // Depth first is the order the nodes were added in.
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        if (item->checkState(0) == Qt::Checked && item->data(0, ImageRole).toInt() == ComputerImage)
            list += item->text(0) + u';';
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i));
    };
    for (int i = 0; i < tvw->topLevelItemCount(); ++i)
        walk(tvw->topLevelItem(i));

    if (state_.OpenedFromCompose) {
        if (composeRecipients_)
            composeRecipients_(list);
    } else if (openCompose_) {
        openCompose_(list);
    }
    close();
}

void frmNetWorkExplorer::Btn_Annuler_Click() {
    close();
}

} // namespace vellumo
