#include "app/core/mod_localisation.h"

#include "app/core/text_ids.h"
#include "operations_fichiers/operations_fichiers.h"

#include <QDir>
#include <QVariant>

#include <iterator>

namespace vellumo {

using OperationsFichiers::IniRead;

namespace {

constexpr const char* kIndexProperty = "Index";

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

QStringList modLocalisation::Languages() const {
    const QDir folder(OperationsFichiers::PathWithSlash(programFolder_) + QStringLiteral("Lng"));
    // The pattern matches without regard to case, as the file system's does; the order is the
    // file system's own.
    QStringList languages;
    for (QString name : folder.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Unsorted)) {
        name.replace(QStringLiteral(".lng"), QString()); // exact case: "X.LNG" keeps its extension
        if (name.compare(QStringLiteral("application"), Qt::CaseInsensitive) != 0)
            languages << name;
    }
    return languages;
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
    return QLocale(GetString(txt::InterfaceLocale, QStringLiteral("fr_FR")).trimmed());
}

QString modLocalisation::ButtonText(int answer) const {
    // Messages 50 to 56 (ButtonTextBase + answer), French by default as every text of the program.
    static constexpr const char* kDefaults[] = {"OK",       "Annuler", "&Abandonner", "&Réessayer",
                                                "&Ignorer", "&Oui",    "&Non"};
    if (answer < 1 || answer > static_cast<int>(std::size(kDefaults)))
        return QString();
    return GetString(static_cast<txt::Id>(txt::ButtonTextBase + answer), QString::fromUtf8(kDefaults[answer - 1]));
}

} // namespace vellumo
