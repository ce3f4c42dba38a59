#pragma once
// frmOptions: the options dialog. It edits the settings of AppSettings: the five yes/no options, the
// port and the network password (the access key every peer shares), writes them to "Vellumo.ini" and
// has the settings read back from the file. Made and shown by the main window (its options menu
// entry and toolbar, and "A propos...." on the third tab); it deletes itself when closed, so every
// opening reads the file afresh. It keeps no state beyond its controls.
//
// What it writes (the file format itself is AppSettings'):
//
//   control                      | section   | key              | written as
//   -----------------------------|-----------|------------------|-------------------------------------
//   txtPort                      | [Server]  | Port             | the box's text; "32666" when the box
//                                |           |                  | holds no leading number or 0
//   txtPass                      | [Server]  | Key              | EncryptWithFixedKey of the typed key
//   Option1(i) / Option2(i), i=0 | [Vellumo] | IsAlwaysOnTop    | "1" for Oui, "0" for Non
//                            i=1 |           | StartWithWindows |
//                            i=2 |           | CryptAll         |
//                            i=3 |           | ShowBalloon      |
//                            i=4 |           | IconizeAfterSend |
//
// Invariants: Apply writes nothing unless the port box names a port from 1 to 65535 (after the
// "32666" replacement), so the file never receives a port the program cannot use; the password box
// holds at most MaxKeyLength characters, the longest key whose ciphertext the settings file gives back
// whole.
//
// The listening server keeps its port until the next start: when Apply changes the port to one the
// server does not listen on, an information box (text 126) says so.

#include "app/core/mod_vellumo.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace vellumo {

class ControlLoader;
class PushButton;

class frmOptions : public QWidget {
    Q_OBJECT
public:
    static constexpr int RowCount = 5;
    // The settings file reads back at most 254 characters: the ciphertext of 108 characters fits.
    static constexpr int MaxKeyLength = 108;

    frmOptions(modVellumo& state, ControlLoader& loader, QWidget* parent = nullptr);

    void Form_Load();
    // Writes the settings and has them read back; false when the port was refused and nothing written.
    bool cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void Image2_Click();

    // The port the station's server is set to listen on (none: the port box is not compared).
    void setServerPort(std::function<std::int32_t()> serverPort) { serverPort_ = std::move(serverPort); }

    // The leading number of a text, as a basic Val reads it (blanks, a sign, digits); 0 for none.
    static double LeadingNumber(const QString& text);
    // "Version : " and major.minor.revision of the program.
    static QString VersionText();

    // The controls, for the main window (the tab to open on) and the tests.
    QTabWidget& tabs() { return *SSTab1; }
    QRadioButton& option1(int i) { return *Option1.at(static_cast<std::size_t>(i)); }
    QRadioButton& option2(int i) { return *Option2.at(static_cast<std::size_t>(i)); }
    QLineEdit& port() { return *txtPort; }
    QLineEdit& pass() { return *txtPass; }
    QLabel& version() { return *Version; }
    PushButton& okButton() { return *cmdOK; }
    PushButton& cancelButton() { return *cmdCancel; }
    PushButton& applyButton() { return *cmdApply; }

private:
    void buildWindow(ControlLoader& loader);
    QWidget* buildOptionsTab();
    QWidget* buildSecurityTab();
    QWidget* buildInfosTab();
    void writeSettings();

    modVellumo& state_;
    QTabWidget* SSTab1 = nullptr;
    std::array<QGroupBox*, RowCount> Frame1{};
    std::array<QRadioButton*, RowCount> Option1{};
    std::array<QRadioButton*, RowCount> Option2{};
    QLineEdit* txtPort = nullptr;
    QLineEdit* txtPass = nullptr;
    QToolButton* Image2 = nullptr;
    QLabel* Version = nullptr;
    PushButton* cmdOK = nullptr;
    PushButton* cmdCancel = nullptr;
    PushButton* cmdApply = nullptr;
    std::function<std::int32_t()> serverPort_;
};

} // namespace vellumo
