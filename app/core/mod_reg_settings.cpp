#include "app/core/mod_reg_settings.h"

#include "platform/runtime/runtime_error.h"
#include "platform/settings/registry.h"

namespace vellumo {

namespace {

const QString kSource = QStringLiteral("modRegSettings");

// Blanks only, as the names are typed.
QString trimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.sliced(b, e - b);
}

} // namespace

void SaveRegSetting(Registry& registry, const QString& AppName, const QString& Section, const QString& Key,
                    const QString& Value) {
    const QString app = trimBlanks(AppName);
    const QString section = trimBlanks(Section);
    if (app.isEmpty())
        throw RuntimeError(err::object(1000), kSource, QStringLiteral("AppName doit être renseigné"));
    if (section.isEmpty())
        throw RuntimeError(err::object(1001), kSource, QStringLiteral("Section doit être renseigné"));
    if (trimBlanks(Key).isEmpty())
        throw RuntimeError(err::object(1002), kSource, QStringLiteral("Key doit être renseigné"));
    const QString subKey = QStringLiteral("SOFTWARE\\") + app + u'\\' + section;
    if (const long r = registry.createKey(subKey))
        throw RuntimeError(err::object(2000 + static_cast<std::int32_t>(r)), kSource,
                           QStringLiteral("Could not open/create registry section"));
    if (const long r = registry.setStringValue(subKey, Key, Value))
        throw RuntimeError(err::object(2000 + static_cast<std::int32_t>(r)), kSource,
                           QStringLiteral("Impossible d'écrire la clef de registre"));
}

} // namespace vellumo
