// The language files that ship in the program folder: every message id in use has a text in the
// reference file, in English and in French; the reference file and French hold exactly the built-in
// French defaults (which also proves they are Windows-1252); French has every key English has, so
// that choosing French after English gives back every design text.
#include "app/core/mod_localisation.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/runtime/windows1252.h"

#include <QFile>

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace vellumo;

namespace {

struct Message {
    std::int16_t id;
    const char* french;             // UTF-8 here; the built-in default of the message
    bool sameInEnglish = false;     // a text that reads the same in both languages
    const char* inFrench = nullptr; // the French file's text, where the built-in one is not French
};

const Message kMessages[] = {
    {1, "En attente de message..."},
    {2, "L'aide d'Vellumo n'est pas|disponible dans cette version..."},
    {3, "Aide"},
    {4, "Êtes-vous sûr de vouloir supprimer la liste des correspondants favoris ? "},
    {5, "Impossible de se connecter aux serveurs Carrowmere. |Vérifiez votre connection Internet. "},
    {6, "Erreur de connection..."},
    {7, "Répertoire de Maintenance inaccessible. Ré-essayez ultérieurement"},
    {8, "La mise à jour n'est pas retrouvée sur les serveurs Carrowmere. |Veuiller contacter Carrowmere"},
    {9, "Vous disposez de la dernère version d'Vellumo : Version "},
    {10, "Voulez vous retélécharger cette version ?"},
    {11, "Mise à jour..."},
    {12, "La mise à jour d'Vellumo à été téléchargée dans le dossier : "},
    {13, "Voulez-vous l'installer maintenant ? "},
    {14, "Êtes-vous sûr de vouloir quitter Vellumo ? |Vous ne pourrez plus recevoir de message."},
    {15, "Quitter Vellumo ..."},
    {16, "Êtes-vous sur de vouloir détruire ce message ? "},
    {17, "Supprimer un message..."},
    {20, "Êtes-vous sûr de voulour supprimer les messages |antérieurs au %1 ?"},
    {21, "Les messages antérieurs au %1 seront supprimés"},
    {30, "Impossible d'envoyer le message."},
    {31, "Erreur"},
    {32, "Clic droit pour supprimer un item..."},
    {33, "Voulez vous supprimer cet item de la liste ? "},
    {34, "Supprimer un Item..."},
    {35, "à reçu le message"},
    {36, "n'a pas reçu le message"},
    {37, "ne semble pas connecté"},
    {38, "ne présente pas son adress IP !"},
    {40, "a refusé le message : la clé d'accès n'est pas la même sur les deux postes"},
    {41, "Ce message ne peut pas être envoyé : il contient le texte réservé « #Separator# ».|Retirez-le, puis "
         "envoyez à nouveau."},
    // The standard buttons of message boxes, by answer (49 + answer).
    {50, "OK", true},
    {51, "Annuler"},
    {52, "&Abandonner"},
    {53, "&Réessayer"},
    {54, "&Ignorer"},
    {55, "&Oui"},
    {56, "&Non"},
    // Start-up failures: the port (by cause), the message database.
    {57, "Le port %1 est déjà utilisé : aucun message ne peut être reçu."},
    {58, "L'accès au port %1 est refusé : aucun message ne peut être reçu."},
    {59, "L'adresse d'écoute du port %1 n'est pas disponible : aucun message ne peut être reçu."},
    {60, "Le port %1 ne peut pas être ouvert (erreur %2) : aucun message ne peut être reçu."},
    {61, "Base de messages inaccessible : "},
    {62, "Base de messages inaccessible."},
    // Purge and options.
    {63, "La purge de la base de messages a échoué : "},
    {64, "Purge terminée : %1 message(s) reçu(s) et %2 message(s) envoyé(s) supprimé(s)."},
    {65, "Le port de communication doit être un nombre entier de 1 à 65535."},
    {66, "Les options n'ont pas pu être enregistrées : "},
    {67, "Les options n'ont pas pu être enregistrées."},
    // The sender's network failure; the peer scan's list.
    {68, "Erreur : "},
    {69, "Erreur réseau"},
    {70, " ne semble pas connecté !"},
    {71, "Utilisateurs connectés"},
    // The locale of the interface's dates and calendars.
    {72, "fr_FR"},
    // The one box whose built-in text is English: the French file gives it in French.
    {73, "You must relaunch Vellumo for the new language to be available|Vellumo will stop and restart.", true,
     "Vous devez relancer Vellumo pour que la nouvelle langue soit disponible|Vellumo va s'arrêter et redémarrer."},
    {90, "Réception interrompue (%1) : nouvelle tentative en cours..."},
    {91, "Vellumo ne peut pas démarrer : le fichier %1 ne peut pas être ouvert (%2)."},
    {100, "[…] Ce message est trop long pour être affiché en entier : la suite n'est pas affichée."},
    {101, "Ce message est trop volumineux pour être envoyé : %1 Mo, pour %2 Mo au plus.|Raccourcissez le texte ou "
          "retirez des images."},
    // A send to several stations, and why a connection failed (after the station's name).
    {120, "%1 sur %2 postes ont reçu le message"},
    {121, "n'accepte pas la connexion : Vellumo n'y est peut-être pas démarré"},
    {122, "ne répond pas dans le délai"},
    {123, "a coupé la connexion avant de répondre"},
    {124, "ne peut pas être joint"},
    // A paste beyond the size cap, a port changed in the options, a document no program opens.
    {125, "Ce qui est collé rendrait le message trop volumineux pour être envoyé : %1 Mo, pour %2 Mo au plus.|Rien "
          "n'a été collé."},
    {126, "Le port %1 sera pris au prochain démarrage de Vellumo : d'ici là, les messages arrivent toujours sur le "
          "port %2."},
    {127, "Aucun programme ne sait ouvrir ce document :|%1"},
};

// The keys of a language file as "[section]key", read as the program reads it (Windows-1252).
std::set<QString> keysOf(const char* language) {
    QFile file(QStringLiteral(VELLUMO_SOURCE_DIR "/data/Lng/") + QString::fromLatin1(language) +
               QStringLiteral(".lng"));
    std::set<QString> keys;
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    QString section;
    for (const QString& line : cp1252::decode(file.readAll()).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(u'[')) {
            section = line.mid(1, line.indexOf(u']') - 1);
        } else if (!line.startsWith(u';') && line.contains(u'=')) {
            keys.insert(u'[' + section + u']' + line.left(line.indexOf(u'=')));
        }
    }
    return keys;
}

TEST(LanguageFiles, EnglishTranslatesEveryMessage) {
    modLocalisation loc(VELLUMO_SOURCE_DIR "/data");
    loc.LoadStrings("English");
    ASSERT_TRUE(loc.LanguageStrings().has_value());
    EXPECT_EQ(loc.LanguageStrings()->size(), 200u); // the end marker was found at 199
    for (const auto& m : kMessages) {
        const QString english = loc.GetString(m.id, "<missing>");
        EXPECT_NE(english, "<missing>") << m.id;
        if (!m.sameInEnglish) {
            EXPECT_NE(english, QString::fromUtf8(m.french).replace("|", "\r\n")) << m.id; // translated
        }
    }
    // Blanks the code appends text to survive the trimming of values.
    EXPECT_TRUE(loc.GetString(9, "").endsWith("Version "));
    EXPECT_TRUE(loc.GetString(14, "").contains("\r\n"));
}

class FrenchDefaults : public ::testing::TestWithParam<const char*> {};

TEST_P(FrenchDefaults, HoldEveryMessageAsBuiltIn) {
    modLocalisation loc(VELLUMO_SOURCE_DIR "/data");
    loc.LoadStrings(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(loc.LanguageStrings().has_value());
    EXPECT_EQ(loc.LanguageStrings()->size(), 200u);
    modLocalisation none(VELLUMO_SOURCE_DIR "/data");
    const bool frenchFile = QString::fromLatin1(GetParam()) == QStringLiteral("French");
    for (const auto& m : kMessages) {
        const QString french = QString::fromUtf8(m.french);
        const QString expected =
            frenchFile && m.inFrench
                ? modLocalisation(VELLUMO_SOURCE_DIR "/data").GetString(m.id, QString::fromUtf8(m.inFrench))
                : none.GetString(m.id, french);
        EXPECT_EQ(loc.GetString(m.id, "<missing>"), expected) << m.id;
        // Present in the file itself, not only by falling back on the default.
        EXPECT_FALSE(OperationsFichiers::IniRead(QStringLiteral("Strings"), QStringLiteral("String%1").arg(m.id),
                                                 QString(), loc.LanguageFile(QString::fromLatin1(GetParam())))
                         .isEmpty())
            << m.id;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, FrenchDefaults, ::testing::Values("Application", "French"),
                         [](const auto& info) { return std::string(info.param); });

TEST(LanguageFiles, FrenchHasEveryKeyOfEnglish) {
    const std::set<QString> english = keysOf("English");
    const std::set<QString> french = keysOf("French");
    ASSERT_GT(english.size(), 100u);
    for (const QString& key : english)
        EXPECT_TRUE(french.count(key)) << key.toStdString();
    for (const QString& key : french)
        EXPECT_TRUE(english.count(key)) << key.toStdString();
}

TEST(LanguageFiles, EveryMessageHasItsButtonCaption) {
    modLocalisation english(VELLUMO_SOURCE_DIR "/data");
    english.LoadStrings("English");
    modLocalisation none(VELLUMO_SOURCE_DIR "/data");
    const std::pair<int, const char*> expected[] = {{1, "OK"},      {2, "Cancel"}, {3, "&Abort"}, {4, "&Retry"},
                                                    {5, "&Ignore"}, {6, "&Yes"},   {7, "&No"}};
    for (const auto& [answer, caption] : expected)
        EXPECT_EQ(english.ButtonText(answer), QString::fromLatin1(caption)) << answer;
    EXPECT_EQ(none.ButtonText(6), QStringLiteral("&Oui"));
    EXPECT_EQ(none.ButtonText(4), QString::fromUtf8("&Réessayer"));
    EXPECT_TRUE(none.ButtonText(0).isEmpty());
    EXPECT_TRUE(none.ButtonText(8).isEmpty());
}

} // namespace
