#pragma once
// The ids of the program's messages in the [Strings] section of a language file ("String<id>"), one
// name each, as GetString takes them. The numbers are those of the language files and never change;
// the French text beside each call is its default. Ids 18, 19, 22 to 29, 39, 42 to 49, 74 to 89,
// 92 to 99 and 128 to 139 are not used (110 to 119 are kept for the windows' keyboard and focus texts).

#include <cstdint>

namespace vellumo::txt {

using Id = std::int16_t;

// Start-up, the main window and quitting.
inline constexpr Id Waiting = 1;              // "En attente de message..."
inline constexpr Id HelpText = 2;             // "L'aide d'Vellumo n'est pas|disponible ..."
inline constexpr Id HelpTitle = 3;            // "Aide"
inline constexpr Id DeleteFavouritesAsk = 4;  // "Êtes-vous sûr de vouloir supprimer la liste ..."
inline constexpr Id QuitAsk = 14;             // "Êtes-vous sûr de vouloir quitter Vellumo ? ..."
inline constexpr Id QuitTitle = 15;           // "Quitter Vellumo ..."
inline constexpr Id DeleteMessageAsk = 16;    // "Êtes-vous sur de vouloir détruire ce message ? "
inline constexpr Id DeleteMessageTitle = 17;  // "Supprimer un message..."
inline constexpr Id PortInUse = 57;           // "Le port %1 est déjà utilisé : ..."
inline constexpr Id PortRefused = 58;         // "L'accès au port %1 est refusé : ..."
inline constexpr Id PortAddressMissing = 59;  // "L'adresse d'écoute du port %1 n'est pas disponible : ..."
inline constexpr Id PortFailed = 60;          // "Le port %1 ne peut pas être ouvert (erreur %2) : ..."
inline constexpr Id StoreUnreachableAt = 61;  // "Base de messages inaccessible : " (and the reason)
inline constexpr Id StoreUnreachable = 62;    // "Base de messages inaccessible."
inline constexpr Id PurgeDone = 64;           // "Purge terminée : %1 message(s) reçu(s) et %2 ..."
inline constexpr Id RestartForLanguage = 73;  // "You must relaunch Vellumo for the new language ..."
inline constexpr Id ListenerInterrupted = 90; // "Réception interrompue (%1) : nouvelle tentative ..."
inline constexpr Id LockFailed = 91;          // "Vellumo ne peut pas démarrer : le fichier %1 ..."
inline constexpr Id CutNotice = 100;          // what the viewer says under a message shown in part

// The online update.
inline constexpr Id UpdateNoConnection = 5;    // "Impossible de se connecter aux serveurs Carrowmere. ..."
inline constexpr Id UpdateConnectionTitle = 6; // "Erreur de connection..."
inline constexpr Id UpdateFolderMissing = 7;   // "Répertoire de Maintenance inaccessible. ..."
inline constexpr Id UpdateNotFound = 8;        // "La mise à jour n'est pas retrouvée sur les serveurs ..."
inline constexpr Id UpdateLatest = 9;          // "Vous disposez de la dernère version d'Vellumo : Version "
inline constexpr Id UpdateDownloadAgain = 10;  // "Voulez vous retélécharger cette version ?"
inline constexpr Id UpdateTitle = 11;          // "Mise à jour..."
inline constexpr Id UpdateDownloaded = 12;     // "La mise à jour d'Vellumo à été téléchargée dans le dossier : "
inline constexpr Id UpdateInstallAsk = 13;     // "Voulez-vous l'installer maintenant ? "

// The purge.
inline constexpr Id PurgeAsk = 20;    // "Êtes-vous sûr de voulour supprimer les messages |antérieurs au %1 ?"
inline constexpr Id PurgeLabel = 21;  // "Les messages antérieurs au %1 seront supprimés"
inline constexpr Id PurgeFailed = 63; // "La purge de la base de messages a échoué : "

// Composing and sending.
inline constexpr Id NoFreeSender = 30;         // "Impossible d'envoyer le message."
inline constexpr Id ErrorTitle = 31;           // "Erreur"
inline constexpr Id FavouritesToolTip = 32;    // "Clic droit pour supprimer un item..."
inline constexpr Id RemoveFavouriteAsk = 33;   // "Voulez vous supprimer cet item de la liste ? "
inline constexpr Id RemoveFavouriteTitle = 34; // "Supprimer un Item..."
inline constexpr Id Delivered = 35;            // "à reçu le message"
inline constexpr Id NotDelivered = 36;         // "n'a pas reçu le message"
inline constexpr Id NotConnected = 37;         // "ne semble pas connecté"
inline constexpr Id NoAddress = 38;            // "ne présente pas son adress IP !"
inline constexpr Id KeyRefused = 40;           // "a refusé le message : la clé d'accès n'est pas la même ..."
inline constexpr Id HoldsSeparator = 41;       // "Ce message ne peut pas être envoyé : il contient ..."
inline constexpr Id NetworkErrorPrefix = 68;   // "Erreur : "
inline constexpr Id NetworkErrorTitle = 69;    // "Erreur réseau"
inline constexpr Id NetworkNotConnected = 70;  // " ne semble pas connecté !"
inline constexpr Id MessageTooLarge = 101;     // "Ce message est trop volumineux ..."

// The outcome of a send to several stations, and the causes of a failed connection, after the
// station's name.
inline constexpr Id StationsReceived = 120;  // "%1 sur %2 postes ont reçu le message"
inline constexpr Id ConnectionRefused = 121; // "n'accepte pas la connexion : Vellumo n'y est peut-être pas démarré"
inline constexpr Id NoAnswerInTime = 122;    // "ne répond pas dans le délai"
inline constexpr Id ConnectionCut = 123;     // "a coupé la connexion avant de répondre"
inline constexpr Id Unreachable = 124;       // "ne peut pas être joint"
// A paste that would pass the message size cap.
inline constexpr Id PasteTooLarge = 125; // "Ce qui est collé rendrait le message trop volumineux ..."

// The options.
inline constexpr Id PortNotANumber = 65;         // "Le port de communication doit être un nombre entier ..."
inline constexpr Id OptionsNotSavedBecause = 66; // "Les options n'ont pas pu être enregistrées : "
inline constexpr Id OptionsNotSaved = 67;        // "Les options n'ont pas pu être enregistrées."
inline constexpr Id PortAtNextStart = 126;       // "Le port %1 sera pris au prochain démarrage ..."

// Opening a document.
inline constexpr Id NoProgramForDocument = 127; // "Aucun programme ne sait ouvrir ce document : ..."

// The peer scan.
inline constexpr Id ConnectedUsers = 71; // "Utilisateurs connectés"

// The interface: the locale of calendars and dates, and the captions of a box's standard buttons,
// by the answer they give (1 OK ... 7 No): ButtonTextBase + answer, 50 to 56.
inline constexpr Id InterfaceLocale = 72; // "fr_FR"
inline constexpr Id ButtonTextBase = 49;

} // namespace vellumo::txt
