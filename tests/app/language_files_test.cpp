// The language files that ship in the program folder: every message id in use has a text, and the
// reference file holds exactly the built-in French defaults (which also proves it is Windows-1252).
#include "app/mod_localisation.h"

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

struct Message {
    std::int16_t id;
    const char* french; // UTF-8 here; the built-in default of the message
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
    {90, "Réception interrompue (%1) : nouvelle tentative en cours..."},
    {91, "Vellumo ne peut pas démarrer : le fichier %1 ne peut pas être ouvert (%2)."},
};

TEST(LanguageFiles, EnglishTranslatesEveryMessage) {
    modLocalisation loc(VELLUMO_SOURCE_DIR "/data");
    loc.LoadStrings("English");
    ASSERT_TRUE(loc.LanguageStrings().has_value());
    EXPECT_LE(loc.LanguageStrings()->size(), 200u); // the end marker (String199) was found
    for (const auto& m : kMessages) {
        const QString english = loc.GetString(m.id, "<missing>");
        EXPECT_NE(english, "<missing>") << m.id;
        EXPECT_NE(english, QString::fromUtf8(m.french).replace("|", "\r\n")) << m.id; // translated
    }
    // Blanks the code appends text to survive the trimming of values.
    EXPECT_TRUE(loc.GetString(9, "").endsWith("Version "));
    EXPECT_TRUE(loc.GetString(14, "").contains("\r\n"));
}

TEST(LanguageFiles, ReferenceFileHoldsTheFrenchDefaults) {
    modLocalisation loc(VELLUMO_SOURCE_DIR "/data");
    loc.LoadStrings("Application");
    modLocalisation none(VELLUMO_SOURCE_DIR "/data");
    for (const auto& m : kMessages) {
        const QString french = QString::fromUtf8(m.french);
        EXPECT_EQ(loc.GetString(m.id, "<missing>"), none.GetString(m.id, french)) << m.id;
    }
}

} // namespace
