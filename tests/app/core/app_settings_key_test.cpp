// The access key as the settings hold it: enciphered under the fixed key, exactly as stored, and
// deciphered only where the key itself is needed.
#include "app/core/app_settings.h"

#include "cipher/mod_crypt_carrowmere.h"
#include "operations_fichiers/operations_fichiers.h"
#include "tests/support/fake_registry.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

class AccessKey : public ::testing::Test {
protected:
    // What the options dialog does with a typed key, then a load.
    QString storeAndLoad(const QString& typed) {
        OperationsFichiers::IniWrite("Server", "Key", EncryptWithFixedKey(typed), settings.SettingsFile());
        settings.LoadAtStartUp(true, registry);
        return DecryptWithFixedKey(settings.Key);
    }
    test::ScriptedUiHooks hooks;
    ScopedUiHooks installed{hooks};
    QTemporaryDir dir;
    AppSettings settings{dir.path()};
    test::FakeRegistry registry;
};

TEST_F(AccessKey, TypedKeyComesBackThroughTheFile) {
    for (const QString& typed : {QStringLiteral("s3cret"), QStringLiteral("clé d'accès ¤€"), QString(108, u'k')}) {
        EXPECT_EQ(storeAndLoad(typed), typed) << typed.toStdString();
        EXPECT_NE(settings.Key, typed); // held enciphered
    }
}

TEST_F(AccessKey, KeyLongerThanTheReadBufferNoLongerDeciphers) {
    const QString typed(109, u'k');
    EXPECT_GT(EncryptWithFixedKey(typed).size(), 254);
    EXPECT_EQ(settings.Key.size(), AppSettings::DefaultKey().size());
    EXPECT_NE(storeAndLoad(typed), typed);
    EXPECT_EQ(settings.Key.size(), 254);
}

TEST_F(AccessKey, EmptyTypedKeyMeansTheDefaultKey) {
    EXPECT_EQ(EncryptWithFixedKey(""), "");
    const QString deciphered = storeAndLoad("");
    EXPECT_EQ(settings.Key, AppSettings::DefaultKey());
    EXPECT_EQ(deciphered, DecryptWithFixedKey(AppSettings::DefaultKey()));
}

TEST_F(AccessKey, TwoInstallationsWithoutAKeyShareOne) {
    QTemporaryDir other;
    AppSettings second(other.path());
    settings.LoadAtStartUp(true, registry);
    second.LoadAtStartUp(true, registry);
    EXPECT_EQ(settings.Key, second.Key);
    // The receiver compares deciphered keys; the sender sends a fresh ciphertext of its own.
    const QString header = EncryptWithFixedKey(DecryptWithFixedKey(second.Key));
    EXPECT_NE(header, second.Key);
    EXPECT_EQ(DecryptWithFixedKey(header), DecryptWithFixedKey(settings.Key));
    EXPECT_FALSE(DecryptWithFixedKey(settings.Key).isEmpty());
}

} // namespace
