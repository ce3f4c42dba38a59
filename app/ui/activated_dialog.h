#pragma once
// ActivatedDialog: a dialog whose work starts when it is first activated (the peer scan, the network
// browser). Form_Activate runs on every activation; the window decides what a second one does. The
// offscreen platform does not always activate a window, so the first show counts as an activation
// too, once the window has painted. Closing, by the close box or by Escape, goes through
// Form_QueryUnload, which may refuse it.

#include <QDialog>

class QCloseEvent;
class QEvent;
class QShowEvent;

namespace vellumo {

class ActivatedDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    virtual void Form_Activate() = 0;
    virtual bool Form_QueryUnload() = 0;
    // Escape closes the window as its close box does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace vellumo
