#include "app/ui/activated_dialog.h"

#include <QCloseEvent>
#include <QEvent>
#include <QShowEvent>
#include <QTimer>

namespace vellumo {

void ActivatedDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void ActivatedDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void ActivatedDialog::reject() {
    close();
}

void ActivatedDialog::closeEvent(QCloseEvent* event) {
    if (Form_QueryUnload())
        event->accept();
    else
        event->ignore();
}

} // namespace vellumo
