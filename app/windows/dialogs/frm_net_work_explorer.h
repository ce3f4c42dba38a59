#pragma once
// frmNetWorkExplorer: the network browser. Lists the Windows network's provider, its workgroups or
// domains and the computers in them as a tree with check boxes (from networkNeighbourhood(),
// platform/lan/network_neighbourhood.h); on validation the names of the checked computers, each followed
// by ";", become the compose window's recipients line.
//
// Made afresh for each opening: the compose window sets OpenedFromCompose and shows it modally, the
// main window shows it modeless. The first activation enumerates; refresh enumerates again at any
// time. The enumeration lets the event loop run after each node, so a refresh, a validation or a close
// can come in the middle of it: a newer enumeration or the close stops the older one at its next
// node, and a node whose parent has gone is not added.
//
// Nodes (image, by the index of the window's pictures; tag):
//
//   resource                                | key                | image             | tag
//   ----------------------------------------|--------------------|-------------------|----------------
//   provider (top level)                    | its name           | dwDisplayType + 1 | none
//   domain: dwType 0, dwDisplayType 1       | parent key + name  | 2                 | name
//   other dwType 0 (computers, containers)  | parent key + name  | 3 (a computer)    | name
//   disk share (dwType 1)                   | parent key + name  | 4                 | \\ parent tag \ name
//   printer share (dwType 2)                | parent key + name  | 5                 | \\ parent tag \ name
//
// name is ParseName of the remote name (\\PC01 gives PC01). A record whose key is already in the tree
// (domain AB with computer C beside domain A with computer BC) gets no node and no children.

#include "app/core/mod_vellumo.h"
#include "app/ui/activated_dialog.h"
#include "platform/lan/network_neighbourhood.h"

#include <QHash>

#include <cstdint>
#include <functional>
#include <memory>

class QTreeWidget;
class QTreeWidgetItem;

namespace vellumo {

class ControlLoader;
class PushButton;

class frmNetWorkExplorer : public ActivatedDialog {
    Q_OBJECT
public:
    static QString Caption() { return QStringLiteral("Explorateur réseau"); }
    // Item data roles of the tree's nodes.
    static constexpr int ImageRole = Qt::UserRole;
    static constexpr int TagRole = Qt::UserRole + 1;
    static constexpr int KeyRole = Qt::UserRole + 2;
    static constexpr int ComputerImage = 3;

    frmNetWorkExplorer(modVellumo& state, ControlLoader& loader, QWidget* parent = nullptr);
    ~frmNetWorkExplorer() override;

    // Where Valider puts the list ("PC01;PC02;", empty when none is checked). Opened from the compose
    // window: its recipients line is replaced. Opened from the main window: the compose window is
    // shown modeless (made when there is none), its recipients line replaced, its editor focused.
    void setComposeRecipients(std::function<void(const QString& recipients)> set) {
        composeRecipients_ = std::move(set);
    }
    void setOpenCompose(std::function<void(const QString& recipients)> open) { openCompose_ = std::move(open); }

    // The text after the last "\" (all of it when there is none; empty when it ends with "\").
    static QString ParseName(const QString& name);
    // A NUL-terminated ANSI string; a null one gives the empty text.
    static QString PtrToString(const QByteArray& pointer);

    void Form_Load();
    void Form_Activate() override;
    bool Form_QueryUnload() override;
    void TeskButtonConcept1_Click();
    // Toggles the check mark of every selected computer node (image 3).
    void tvw_Click();
    void Btn_Valider_Click();
    void Btn_Annuler_Click();
    void EnumNetwork(bool onlyWindowsNetwork, std::int16_t maxLevel);

    // For the tests.
    QTreeWidget& tree() { return *tvw; }
    QTreeWidgetItem* node(const QString& key) const { return keys_.value(key); }
    bool enumerating() const { return enumerating_ > 0; }

private:
    // False when the enumeration of generation must stop (newer one, window closed).
    bool EnumContainer(const NetResource& resource, const QString& parentKey, std::int16_t level, std::int16_t maxLevel,
                       unsigned generation);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& key, const QString& text, int image,
                             const QString& tag);
    void clearTree();
    // Yields once; false when the enumeration of generation must stop.
    bool yieldTo(unsigned generation);
    QIcon picture(int image) const;

    modVellumo& state_;
    std::function<void(const QString&)> composeRecipients_;
    std::function<void(const QString&)> openCompose_;

    QTreeWidget* tvw = nullptr;
    PushButton* Btn_Valider = nullptr;
    PushButton* Btn_Annuler = nullptr;
    PushButton* TeskButtonConcept1 = nullptr;

    QHash<QString, QTreeWidgetItem*> keys_;
    QHash<QTreeWidgetItem*, Qt::CheckState> pressed_;
    bool activated_ = false;
    bool unloaded_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    unsigned generation_ = 0;
    int enumerating_ = 0;
};

} // namespace vellumo
