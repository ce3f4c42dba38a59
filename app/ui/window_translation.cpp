#include "app/ui/window_translation.h"

#include "app/core/mod_localisation.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/runtime/runtime_error.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QPointer>
#include <QTabWidget>
#include <QWidget>

#include <vector>

namespace vellumo {

namespace {

// Translation runs with errors ignored: a tab or button the control refuses is skipped.
void invokeIgnoringErrors(QObject* control, const char* method, int i, const QString& value) {
    try {
        QMetaObject::invokeMethod(control, method, Qt::DirectConnection, Q_ARG(int, i), Q_ARG(QString, value));
    } catch (const RuntimeError&) {
    }
}

bool hasProperty(const QObject* o, const char* name) {
    return o->metaObject()->indexOfProperty(name) >= 0;
}

void setCaption(QObject* control, const QString& text) {
    if (hasProperty(control, "Caption"))
        control->setProperty("Caption", text);
    else if (auto* b = qobject_cast<QAbstractButton*>(control))
        b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(control))
        l->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(control))
        g->setTitle(text);
    else if (auto* m = qobject_cast<QMenu*>(control))
        m->setTitle(text);
    else if (auto* a = qobject_cast<QAction*>(control))
        a->setText(text);
    // Anything else has no caption: nothing to set.
}

void setToolTip(QObject* control, const QString& text) {
    if (hasProperty(control, "ToolTipText"))
        control->setProperty("ToolTipText", text);
    else if (auto* w = qobject_cast<QWidget*>(control))
        w->setToolTip(text);
    else if (auto* a = qobject_cast<QAction*>(control))
        a->setToolTip(text);
}

bool isControl(const QObject* o) {
    const QString name = o->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
           (o->isWidgetType() || qobject_cast<const QAction*>(o));
}

} // namespace

void ApplyLanguage(const modLocalisation& localisation, QWidget* window, const QString& language) {
    if (!window)
        return;
    const QString file = localisation.LanguageFile(language);
    const QString section = window->objectName();
    auto read = [&](const QString& key) { return OperationsFichiers::IniRead(section, key, QString(), file); };

    if (const QString v = read(QStringLiteral("Form")); !v.isEmpty())
        window->setWindowTitle(v);
    if (const QString v = read(QStringLiteral("ToolTipText")); !v.isEmpty())
        setToolTip(window, v);

    // Setting a caption may make or remove objects below the control (a library button rebuilds its
    // parts): every control is held weakly and skipped once gone.
    std::vector<QPointer<QObject>> controls;
    for (QObject* o : window->findChildren<QObject*>())
        controls.emplace_back(o);
    for (const QPointer<QObject>& held : controls) {
        QObject* control = held.data();
        if (!control || !isControl(control))
            continue;
        const QString key = control->objectName() + modLocalisation::GetControlIndex(control);
        if (auto* tabs = qobject_cast<QTabWidget*>(control)) {
            for (int i = 0; i < tabs->count(); ++i) {
                if (const QString v = read(key + QStringLiteral("Tab") + QString::number(i)); !v.isEmpty())
                    tabs->setTabText(i, v);
            }
        } else if (hasProperty(control, "Tabs")) {
            const int count = control->property("Tabs").toInt();
            for (int i = 0; i < count; ++i) {
                if (const QString v = read(key + QStringLiteral("Tab") + QString::number(i)); !v.isEmpty())
                    invokeIgnoringErrors(control, "setTabCaption", i, v);
            }
        } else if (hasProperty(control, "ButtonCount")) {
            const int count = control->property("ButtonCount").toInt();
            for (int i = 0; i <= count; ++i) {
                const QString n = QString::number(i);
                if (const QString v = read(key + QStringLiteral("ButtonCaption") + n); !v.isEmpty())
                    invokeIgnoringErrors(control, "setButtonCaption", i, v);
                if (const QString v = read(key + QStringLiteral("ButtonToolTipText") + n); !v.isEmpty())
                    invokeIgnoringErrors(control, "setButtonToolTipText", i, v);
            }
        } else if (const QString v = read(key); !v.isEmpty()) {
            setCaption(control, v);
        }
        if (const QString v = read(key + QStringLiteral("ToolTipText")); !v.isEmpty())
            setToolTip(control, v);
    }
}

} // namespace vellumo
