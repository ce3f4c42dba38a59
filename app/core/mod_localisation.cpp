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

#include <iterator>

namespace vellumo {

using OperationsFichiers::IniRead;

namespace {

constexpr const char* kIndexProperty = "Index";

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

QString withLineBreaks(QString text) {
    return text.replace(u'|', QStringLiteral("\r\n"));
}

} // namespace

modLocalisation::modLocalisation(QString programFolder) : programFolder_(std::move(programFolder)) {}

QString modLocalisation::LanguageFile(const QString& language) const {
    return OperationsFichiers::PathWithSlash(programFolder_) + QStringLiteral("Lng/") + language +
           QStringLiteral(".lng");
}

QString modLocalisation::GetControlIndex(const QObject* control) {
    if (!control)
        return QString();
    const QVariant index = control->property(kIndexProperty);
    bool ok = false;
    const int value = index.toInt(&ok);
    return index.isValid() && ok ? QString::number(value) : QString();
}

void modLocalisation::SetControlIndex(QObject* control, int index) {
    control->setProperty(kIndexProperty, index);
}

void modLocalisation::ApplyLanguage(QWidget* window, const QString& language) const {
    if (!window)
        return;
    const QString file = LanguageFile(language);
    const QString section = window->objectName();
    auto read = [&](const QString& key) { return IniRead(section, key, QString(), file); };

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
        const QString key = control->objectName() + GetControlIndex(control);
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

void modLocalisation::LoadStrings(const QString& language) {
    const QString file = LanguageFile(language);
    if (!LanguageStrings_)
        LanguageStrings_.emplace();
    std::vector<QString>& table = *LanguageStrings_;
    for (int id = 1; id <= MaxStringId; ++id) {
        QString value =
            IniRead(QStringLiteral("Strings"), QStringLiteral("String") + QString::number(id), QString(), file);
        if (value == QStringLiteral("###END###"))
            break;
        if (table.size() < static_cast<std::size_t>(id) + 2)
            table.resize(static_cast<std::size_t>(id) + 2);
        table[static_cast<std::size_t>(id)] = std::move(value);
    }
}

QString modLocalisation::GetString(std::int16_t id, const QString& defaultText) const {
    if (LanguageStrings_ && id >= 0 && static_cast<std::size_t>(id) < LanguageStrings_->size()) {
        const QString& text = (*LanguageStrings_)[static_cast<std::size_t>(id)];
        if (!text.isEmpty())
            return withLineBreaks(text);
    }
    return withLineBreaks(defaultText);
}

QLocale modLocalisation::Locale() const {
    return QLocale(GetString(72, QStringLiteral("fr_FR")).trimmed());
}

QString modLocalisation::ButtonText(int answer) const {
    // Message 49 + answer, French by default as every text of the program.
    static constexpr const char* kDefaults[] = {"OK",       "Annuler", "&Abandonner", "&Réessayer",
                                                "&Ignorer", "&Oui",    "&Non"};
    if (answer < 1 || answer > static_cast<int>(std::size(kDefaults)))
        return QString();
    return GetString(static_cast<std::int16_t>(49 + answer), QString::fromUtf8(kDefaults[answer - 1]));
}

} // namespace vellumo
