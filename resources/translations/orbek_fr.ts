<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>Artwork</name>
    <message>
        <source>Baud Rate:</source>
        <translation>Débit :</translation>
    </message>
    <message>
        <source>Water Quality Meter</source>
        <translation>Mesureur de qualité d&apos;eau</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connecter</translation>
    </message>
    <message>
        <source>Communication Port:</source>
        <translation>Port série :</translation>
    </message>
    <message>
        <source>Port Settings:</source>
        <translation>Port :</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Recevoir</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>Seach</source>
        <translation>Chercher</translation>
    </message>
    <message>
        <source>Software version 3.0</source>
        <translation>Logiciel version 3.0</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Déconnecter</translation>
    </message>
    <message>
        <source>Interval Recording:</source>
        <translation>Intervalle :</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Graphique</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Retour</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>Valeur mesurée</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
</context>
<context>
    <name>BitmapButton</name>
    <message>
        <source>Connect</source>
        <translation>Connecter</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Déconnecter</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Recevoir</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>Search for ports</source>
        <translation>Chercher les ports</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Graphique</translation>
    </message>
    <message>
        <source>Back to the table</source>
        <translation>Retour au tableau</translation>
    </message>
</context>
<context>
    <name>COrbekDlg</name>
    <message>
        <source>Port scaning</source>
        <translation>Recherche des ports</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connecter</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Recevoir</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>Désactivé</translation>
    </message>
    <message>
        <source>10 sec.</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>30 sec.</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>1 min.</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>10 min.</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>30 min.</source>
        <translation>30 min</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Graphique</translation>
    </message>
</context>
<context>
    <name>Line</name>
    <message>
        <source>cannot send: the port is not open</source>
        <translation>envoi impossible : le port n&apos;est pas ouvert</translation>
    </message>
    <message>
        <source>cannot send to %1: %2</source>
        <translation>impossible d&apos;envoyer à %1 : %2</translation>
    </message>
    <message>
        <source>cannot read: the port is not open</source>
        <translation>lecture impossible : le port n&apos;est pas ouvert</translation>
    </message>
    <message>
        <source>cannot set %1 on %2: %3</source>
        <translation>impossible de régler %1 sur %2 : %3</translation>
    </message>
    <message>
        <source>no port has been chosen</source>
        <translation>aucun port n&apos;a été choisi</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>impossible d&apos;ouvrir %1 : %2</translation>
    </message>
    <message>
        <source>%1 bytes were still waiting to leave</source>
        <translation>%1 octets attendaient encore d&apos;être envoyés</translation>
    </message>
    <message>
        <source>the device is in use by another program (%1)</source>
        <translation>l&apos;appareil est utilisé par un autre programme (%1)</translation>
    </message>
    <message>
        <source>%1, process %2</source>
        <translation>%1, processus %2</translation>
    </message>
    <message>
        <source>the device is in use by another program</source>
        <translation>l&apos;appareil est utilisé par un autre programme</translation>
    </message>
    <message>
        <source>the device is not there</source>
        <translation>l&apos;appareil est absent</translation>
    </message>
    <message>
        <source>the device is in use or may not be opened</source>
        <translation>l&apos;appareil est occupé ou ne peut pas être ouvert</translation>
    </message>
    <message>
        <source>the port is open already</source>
        <translation>le port est déjà ouvert</translation>
    </message>
    <message>
        <source>the port is not open</source>
        <translation>le port n&apos;est pas ouvert</translation>
    </message>
    <message>
        <source>the device did not take what was sent</source>
        <translation>l&apos;appareil n&apos;a pas accepté ce qui a été envoyé</translation>
    </message>
    <message>
        <source>the device could not be read</source>
        <translation>l&apos;appareil n&apos;a pas pu être lu</translation>
    </message>
    <message>
        <source>the device stopped answering or was unplugged</source>
        <translation>l&apos;appareil ne répond plus ou a été débranché</translation>
    </message>
    <message>
        <source>the device does not support this setting</source>
        <translation>l&apos;appareil ne prend pas en charge ce réglage</translation>
    </message>
    <message>
        <source>the device did not answer in time</source>
        <translation>l&apos;appareil n&apos;a pas répondu à temps</translation>
    </message>
</context>
<context>
    <name>PortDiscovery</name>
    <message>
        <source>Port cannot be found</source>
        <translation>Aucun port trouvé</translation>
    </message>
    <message>
        <source>Warnning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Found a port on your computer</source>
        <translation>Un port trouvé sur cet ordinateur</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Found the %1 ports on your computer</source>
        <translation>%1 ports trouvés sur cet ordinateur</translation>
    </message>
    <message>
        <source>
No permission to open %1: add your user to the dialout group (sudo usermod -aG dialout $USER) and log in again.</source>
        <translation>
Pas le droit d&apos;ouvrir %1 : ajoutez votre utilisateur au groupe dialout (sudo usermod -aG dialout $USER) et reconnectez-vous.</translation>
    </message>
    <message>
        <source>
No permission to open %1, which the dialout group may not open either: an administrator must grant access, for example with a udev rule that gives the device to the dialout group.</source>
        <translation>
Pas le droit d&apos;ouvrir %1, que le groupe dialout ne peut pas ouvrir non plus : un administrateur doit en donner l&apos;accès, par exemple par une règle udev qui donne le périphérique au groupe dialout.</translation>
    </message>
</context>
<context>
    <name>ReadingsTable</name>
    <message>
        <source>No.</source>
        <translation>N°</translation>
    </message>
    <message>
        <source>Date and Time</source>
        <translation>Date et heure</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>Valeur mesurée</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
</context>
<context>
    <name>SampleDetails</name>
    <message>
        <source>Sample ID</source>
        <translation>Identifiant de l&apos;échantillon</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Opérateur</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Probe serial number</source>
        <translation>Numéro de série de la sonde</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Note</translation>
    </message>
</context>
<context>
    <name>Save</name>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>Impossible d&apos;enregistrer %1 : %2</translation>
    </message>
    <message>
        <source>%1 is on a read-only file system</source>
        <translation>%1 est sur un système de fichiers en lecture seule</translation>
    </message>
    <message>
        <source>the name is too long</source>
        <translation>le nom est trop long</translation>
    </message>
    <message>
        <source>no permission to create files in %1</source>
        <translation>pas la permission de créer des fichiers dans %1</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>le dossier %1 n&apos;existe pas</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>c&apos;est un dossier</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>ce n&apos;est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>le fichier est en lecture seule</translation>
    </message>
    <message>
        <source>no permission to write to it</source>
        <translation>pas la permission d&apos;y écrire</translation>
    </message>
    <message>
        <source>%1; the saved content is complete in %2</source>
        <translation>%1 ; le contenu enregistré est complet dans %2</translation>
    </message>
    <message>
        <source>the file is saved, but its folder could not be synced to the disk (%1), so a power cut could still undo the save</source>
        <translation>le fichier est enregistré, mais son dossier n&apos;a pas pu être écrit sur le disque (%1) : une coupure de courant pourrait encore annuler l&apos;enregistrement</translation>
    </message>
    <message>
        <source>%1 belongs to another user in the shared folder %2, so it is not written through</source>
        <translation>%1 appartient à un autre utilisateur dans le dossier partagé %2 : on n&apos;écrit donc pas à travers</translation>
    </message>
    <message>
        <source>the file</source>
        <translation>le fichier</translation>
    </message>
    <message>
        <source>the link</source>
        <translation>le lien</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>le disque est plein</translation>
    </message>
    <message>
        <source>the file would be larger than the file size limit (ulimit -f) allows</source>
        <translation>le fichier dépasserait la taille maximale permise (ulimit -f)</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>permission refusée</translation>
    </message>
    <message>
        <source>no such file or folder</source>
        <translation>aucun fichier ou dossier de ce nom</translation>
    </message>
    <message>
        <source>the file system is read-only</source>
        <translation>le système de fichiers est en lecture seule</translation>
    </message>
    <message>
        <source>the device reported an input/output error</source>
        <translation>le périphérique a signalé une erreur d&apos;entrée/sortie</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>PDF report (*.pdf)</source>
        <translation>Rapport PDF (*.pdf)</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>Image PNG (*.png)</translation>
    </message>
    <message>
        <source>SVG drawing (*.svg)</source>
        <translation>Dessin SVG (*.svg)</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>Document PDF (*.pdf)</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV (*.csv)</translation>
    </message>
</context>
<context>
    <name>TransferReport</name>
    <message>
        <source>Transfer report</source>
        <translation>Rapport de transfert</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Mesures</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Made</source>
        <translation>Créé le</translation>
    </message>
    <message>
        <source>Meter time</source>
        <translation>Heure de l&apos;appareil</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 à %2</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>Échantillon</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistiques</translation>
    </message>
    <message>
        <source>Series</source>
        <translation>Série</translation>
    </message>
    <message>
        <source>n</source>
        <translation>n</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>Moyenne</translation>
    </message>
    <message>
        <source>Std. deviation</source>
        <translation>Écart type</translation>
    </message>
    <message>
        <source>(no unit)</source>
        <translation>(sans unité)</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valeur</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
    <message>
        <source>No readings.</source>
        <translation>Aucune mesure.</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Page %1 sur %2</translation>
    </message>
    <message>
        <source>[… cut here: the whole text is in the saved files]</source>
        <translation>[… coupé ici : le texte entier est dans les fichiers enregistrés]</translation>
    </message>
    <message>
        <source>Out of step</source>
        <translation>Désynchronisées</translation>
    </message>
    <message>
        <source>rows</source>
        <translation>lignes</translation>
    </message>
    <message>
        <source>Lost on the line</source>
        <translation>Perdues sur la ligne</translation>
    </message>
    <message>
        <source>before rows</source>
        <translation>avant les lignes</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Modifié</translation>
    </message>
    <message>
        <source>%1: “%2” to “%3”, %4</source>
        <translation>%1 : « %2 » en « %3 », %4</translation>
    </message>
    <message>
        <source>* out of step, left out of the statistics; +n: n readings lost on the line before the row</source>
        <translation>* désynchronisée, exclue des statistiques ; +n : n mesures perdues sur la ligne avant la ligne</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>Échantillon %1</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Reçu</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Vérifié</translation>
    </message>
</context>
<context>
    <name>WindowArchive</name>
    <message>
        <source>The restored transfer is not archived: %1</source>
        <translation>Le transfert restauré n&apos;est pas archivé : %1</translation>
    </message>
    <message>
        <source>Transfer %1</source>
        <translation>Le transfert %1</translation>
    </message>
    <message>
        <source>What waited to be archived (%1) went into the archive %2.</source>
        <translation>Ce qui attendait d&apos;être archivé (%1) est entré dans l&apos;archive %2.</translation>
    </message>
    <message>
        <source>%1 waits to be archived but cannot be read; it is left where it is.</source>
        <translation>%1 attend d&apos;être archivé mais ne peut pas être lu ; il reste où il est.</translation>
    </message>
    <message>
        <source>%1 is not archived yet (%2); it waits in %3 and goes into the archive at the next chance.</source>
        <translation>%1 n&apos;est pas encore archivé (%2) ; il attend dans %3 et entrera dans l&apos;archive à la prochaine occasion.</translation>
    </message>
    <message>
        <source>%1 may not be archived: %2</source>
        <translation>%1 n&apos;est peut-être pas archivé : %2</translation>
    </message>
    <message>
        <source>The save of %1</source>
        <translation>L&apos;enregistrement de %1</translation>
    </message>
    <message>
        <source>The change of the details</source>
        <translation>La modification des détails</translation>
    </message>
    <message>
        <source>The review</source>
        <translation>La vérification</translation>
    </message>
</context>
<context>
    <name>orbek::COrbekDlg</name>
    <message>
        <source>1 transfer kept aside by earlier runs (from %1) is in %2.</source>
        <translation>1 transfert mis de côté par des sessions précédentes (du %1) se trouve dans %2.</translation>
    </message>
    <message>
        <source>%1 transfers kept aside by earlier runs (the oldest from %2) are in %3.</source>
        <translation>%1 transferts mis de côté par des sessions précédentes (le plus ancien du %2) se trouvent dans %3.</translation>
    </message>
    <message>
        <source>orbek-log --decode turns each into a file; remove them once they are saved elsewhere.

Open the folder?</source>
        <translation>orbek-log --decode transforme chacun en fichier ; supprimez-les une fois enregistrés ailleurs.

Ouvrir le dossier ?</translation>
    </message>
    <message>
        <source>The %1 readings the table showed were not exported; %2.</source>
        <translation>Les %1 mesures du tableau n&apos;ont pas été exportées ; %2.</translation>
    </message>
    <message>
        <source>Chart of the readings</source>
        <translation>Graphique des mesures</translation>
    </message>
    <message>
        <source>Readings %1 to %2 shown; the last: %3 at %4.</source>
        <translation>Mesures %1 à %2 affichées ; la dernière : %3 à %4.</translation>
    </message>
    <message>
        <source>Receiving: 1 reading so far</source>
        <translation>Réception : 1 mesure pour l&apos;instant</translation>
    </message>
    <message>
        <source>Receiving: %1 readings so far</source>
        <translation>Réception : %1 mesures pour l&apos;instant</translation>
    </message>
    <message>
        <source>Transfer ended: 1 reading</source>
        <translation>Transfert terminé : 1 mesure</translation>
    </message>
    <message>
        <source>Transfer ended: %1 readings</source>
        <translation>Transfert terminé : %1 mesures</translation>
    </message>
    <message>
        <source>Transfer started</source>
        <translation>Transfert commencé</translation>
    </message>
    <message>
        <source>Statistics: %1</source>
        <translation>Statistiques : %1</translation>
    </message>
    <message>
        <source>This choice could not be saved in %1, so it may not hold.</source>
        <translation>Ce choix n&apos;a pas pu être enregistré dans %1 ; il pourrait ne pas être conservé.</translation>
    </message>
    <message>
        <source> (but it could not be synced to the disk: %1, so a power cut now could lose its last second)</source>
        <translation> (mais il n&apos;a pas pu être écrit sur le disque : %1 ; une coupure de courant maintenant pourrait en perdre la dernière seconde)</translation>
    </message>
    <message>
        <source>Orbek</source>
        <translation>Orbek</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Mesures</translation>
    </message>
    <message>
        <source>One row a reading: its number, the meter&apos;s date and time, the measured value and the temperature</source>
        <translation>Une ligne par mesure : son numéro, la date et l&apos;heure de l&apos;appareil, la valeur mesurée et la température</translation>
    </message>
    <message>
        <source>The measured value (green, solid line) and the temperature (red, dashed line) against the reading&apos;s number</source>
        <translation>La valeur mesurée (verte, trait plein) et la température (rouge, en tirets) selon le numéro de la mesure</translation>
    </message>
    <message>
        <source>Sample Details...</source>
        <translation>Détails de l&apos;échantillon...</translation>
    </message>
    <message>
        <source>Save Report as PDF...</source>
        <translation>Enregistrer le rapport en PDF...</translation>
    </message>
    <message>
        <source>Save Chart as Picture...</source>
        <translation>Enregistrer le graphique en image...</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistiques</translation>
    </message>
    <message>
        <source>Transfer (n %1): %2</source>
        <translation>Transfert (n %1) : %2</translation>
    </message>
    <message>
        <source>Chart (n %1): %2</source>
        <translation>Graphique (n %1) : %2</translation>
    </message>
    <message>
        <source>The details are kept for this transfer but not for the next start: %1.</source>
        <translation>Les détails valent pour ce transfert mais pas pour le prochain démarrage : %1.</translation>
    </message>
    <message>
        <source>the window</source>
        <translation>la fenêtre</translation>
    </message>
    <message>
        <source>The report has been saved as %1.</source>
        <translation>Le rapport a été enregistré sous %1.</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>The chart has been saved as %1.</source>
        <translation>Le graphique a été enregistré sous %1.</translation>
    </message>
    <message>
        <source>An unexpected error stopped this action.</source>
        <translation>Une erreur inattendue a arrêté cette action.</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads, and are offered again at the next start.</source>
        <translation>Impossible de mettre les mesures de côté sous %1 : %2. Elles restent dans %3, que lit orbek-log --decode, et seront proposées au prochain démarrage.</translation>
    </message>
    <message>
        <source>; the restored readings stay in %1 and are offered again at the next start.</source>
        <translation> ; les mesures restaurées restent dans %1 et seront proposées au prochain démarrage.</translation>
    </message>
    <message>
        <source>No. %1
%2
%3</source>
        <translation>N° %1
%2
%3</translation>
    </message>
    <message>
        <source>No. %1
%2
%3
%4</source>
        <translation>N° %1
%2
%3
%4</translation>
    </message>
    <message>
        <source>Select a port</source>
        <translation>Choisissez un port</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Port is closed</source>
        <translation>Le port est fermé</translation>
    </message>
    <message>
        <source>Port is connected</source>
        <translation>Le port est connecté</translation>
    </message>
    <message>
        <source>The meter has not connected to computer</source>
        <translation>L&apos;appareil n&apos;est pas connecté à l&apos;ordinateur</translation>
    </message>
    <message>
        <source>The connection to %1 was lost. The readings received so far are kept.</source>
        <translation>La connexion à %1 a été perdue. Les mesures reçues jusqu&apos;ici sont conservées.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Every reading of the transfer has been saved in %1.</source>
        <translation>Toutes les mesures du transfert ont été enregistrées dans %1.</translation>
    </message>
    <message>
        <source>Connecting is failed</source>
        <translation>La connexion a échoué</translation>
    </message>
    <message>
        <source>Data has been exported into Excel file</source>
        <translation>Les données ont été exportées dans un fichier Excel</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row: they are on the workbook&apos;s Data sheets, not on Sheet1.</source>
        <translation>Les mesures %1 à %2 sont arrivées après la dernière ligne du tableau : elles sont sur les feuilles Data du classeur, pas sur Sheet1.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1 for the journal</source>
        <translation>Impossible de créer le dossier %1 du journal</translation>
    </message>
    <message>
        <source>; this transfer is not kept should Orbek stop.</source>
        <translation> ; ce transfert n&apos;est pas conservé si Orbek s&apos;arrête.</translation>
    </message>
    <message>
        <source>no journal keeps them</source>
        <translation>aucun journal ne les garde</translation>
    </message>
    <message>
        <source>WARNING! All data will be lost if the windows closed</source>
        <translation>ATTENTION ! Toutes les données seront perdues si la fenêtre se ferme</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row; %3.</source>
        <translation>Les mesures %1 à %2 sont arrivées après la dernière ligne du tableau ; %3.</translation>
    </message>
    <message>
        <source>Orbek was not closed normally. %1 readings of its last transfer were found; the last one arrived on %2.

Restore them?

(No keeps them in %3, which orbek-log --decode reads.)</source>
        <translation>Orbek ne s&apos;est pas fermé normalement. %1 mesures de son dernier transfert ont été trouvées ; la dernière est arrivée le %2.

Les restaurer ?

(Non les garde dans %3, que lit orbek-log --decode.)</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads.</source>
        <translation>Impossible de mettre les mesures de côté sous %1 : %2. Elles restent dans %3, que lit orbek-log --decode.</translation>
    </message>
    <message>
        <source>every reading of this transfer is kept in %1, which orbek-log --decode reads</source>
        <translation>toutes les mesures de ce transfert sont gardées dans %1, que lit orbek-log --decode</translation>
    </message>
    <message>
        <source>Ask for Sample Details at Receive</source>
        <translation>Demander les détails de l&apos;échantillon à la réception</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>Échantillon %1</translation>
    </message>
    <message>
        <source>Are the readings to come still of this sample?

%1

Yes keeps these details; No lets you change them first.</source>
        <translation>Les mesures à venir sont-elles toujours de cet échantillon ?

%1

Oui garde ces détails ; Non vous permet d&apos;abord de les modifier.</translation>
    </message>
    <message>
        <source>Sample Details</source>
        <translation>Détails de l&apos;échantillon</translation>
    </message>
    <message>
        <source>Most of the records received carry neither a real date nor a value the meter defines: they do not look like a meter&apos;s readings. Is the baud rate right?</source>
        <translation>La plupart des enregistrements reçus ne portent ni une vraie date ni une valeur que l&apos;appareil définit : ils ne ressemblent pas à des mesures de l&apos;appareil. Le débit en bauds est-il le bon ?</translation>
    </message>
    <message>
        <source>History...</source>
        <translation>Historique...</translation>
    </message>
    <message>
        <source>Mark as Reviewed...</source>
        <translation>Marquer comme vérifié...</translation>
    </message>
    <message>
        <source> (%1 to %2)</source>
        <translation> (%1 à %2)</translation>
    </message>
    <message>
        <source>Reason for the change</source>
        <translation>Motif de la modification</translation>
    </message>
    <message>
        <source>Why do the details of this transfer change? The archive keeps the old and the new text with your reason.</source>
        <translation>Pourquoi les détails de ce transfert changent-ils ? L&apos;archive conserve l&apos;ancien et le nouveau texte avec votre motif.</translation>
    </message>
    <message>
        <source>The details stay as they were: a change needs its reason.</source>
        <translation>Les détails restent inchangés : une modification exige un motif.</translation>
    </message>
    <message>
        <source>Transfers are not archived (orbek --no-archive).</source>
        <translation>Les transferts ne sont pas archivés (orbek --no-archive).</translation>
    </message>
    <message>
        <source>A transfer is running; open the history once it has ended.</source>
        <translation>Un transfert est en cours ; ouvrez l&apos;historique une fois qu&apos;il est terminé.</translation>
    </message>
    <message>
        <source>Archived transfer of %1, sample %2 (%3): read-only</source>
        <translation>Transfert archivé du %1, échantillon %2 (%3) : lecture seule</translation>
    </message>
    <message>
        <source>Only a transfer that has ended and is in the archive can be reviewed.</source>
        <translation>Seul un transfert terminé et archivé peut être vérifié.</translation>
    </message>
    <message>
        <source>Marked as reviewed by %1 (%2).</source>
        <translation>Marqué comme vérifié par %1 (%2).</translation>
    </message>
    <message>
        <source>The stop command may not have reached the meter (%1); it may still be sending</source>
        <translation>La commande d&apos;arrêt n&apos;a peut-être pas atteint l&apos;appareil (%1) ; il envoie peut-être encore</translation>
    </message>
    <message>
        <source>The stop command could not be sent to %1: %2</source>
        <translation>La commande d&apos;arrêt n&apos;a pas pu être envoyée à %1 : %2</translation>
    </message>
    <message>
        <source>Reading from or writing to %1 failed: %2</source>
        <translation>La lecture ou l&apos;écriture sur %1 a échoué : %2</translation>
    </message>
    <message>
        <source>Cannot write the journal %1 from reading %2 on: %3; the bytes wait in memory (up to %4) until it takes them</source>
        <translation>Impossible d&apos;écrire le journal %1 à partir de la mesure %2 : %3 ; les octets attendent en mémoire (jusqu&apos;à %4) qu&apos;il les accepte</translation>
    </message>
    <message>
        <source>The journal %1 still cannot be written (%2) and the memory set aside for it is full: readings from %3 on are not kept in it</source>
        <translation>Le journal %1 ne peut toujours pas être écrit (%2) et la mémoire réservée est pleine : les mesures à partir de %3 n&apos;y sont pas conservées</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step.</source>
        <translation>Les enregistrements de l&apos;appareil se sont décalés sur la ligne et ont été recalés.</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step (%1 times).</source>
        <translation>Les enregistrements de l&apos;appareil se sont décalés sur la ligne et ont été recalés (%1 fois).</translation>
    </message>
    <message>
        <source>Row %1 may show wrong readings.</source>
        <translation>La ligne %1 peut afficher des mesures erronées.</translation>
    </message>
    <message>
        <source>Rows %1 may show wrong readings.</source>
        <translation>Les lignes %1 peuvent afficher des mesures erronées.</translation>
    </message>
    <message>
        <source>before the first row</source>
        <translation>avant la première ligne</translation>
    </message>
    <message>
        <source>after row %1</source>
        <translation>après la ligne %1</translation>
    </message>
    <message>
        <source>1 reading was lost (%1).</source>
        <translation>1 mesure a été perdue (%1).</translation>
    </message>
    <message>
        <source>%1 readings were lost (%2).</source>
        <translation>%1 mesures ont été perdues (%2).</translation>
    </message>
    <message>
        <source>1 byte was skipped; every other reading is as the meter sent it.</source>
        <translation>1 octet a été ignoré ; toutes les autres mesures sont telles que l&apos;appareil les a envoyées.</translation>
    </message>
    <message>
        <source>%1 bytes were skipped; every other reading is as the meter sent it.</source>
        <translation>%1 octets ont été ignorés ; toutes les autres mesures sont telles que l&apos;appareil les a envoyées.</translation>
    </message>
</context>
<context>
    <name>orbek::CTchart1</name>
    <message>
        <source>Cannot save %1: a picture&apos;s name must end in .png, .svg or .pdf</source>
        <translation>Impossible d&apos;enregistrer %1 : le nom d&apos;une image doit finir par .png, .svg ou .pdf</translation>
    </message>
    <message>
        <source>The chart cannot be drawn: %1</source>
        <translation>Le graphique ne peut pas être tracé : %1</translation>
    </message>
</context>
<context>
    <name>orbek::HistoryDialog</name>
    <message>
        <source>History</source>
        <translation>Historique</translation>
    </message>
    <message>
        <source>Sample, operator, location, probe or note</source>
        <translation>Échantillon, opérateur, lieu, sonde ou note</translation>
    </message>
    <message>
        <source>&amp;Search:</source>
        <translation>&amp;Rechercher :</translation>
    </message>
    <message>
        <source>&amp;to</source>
        <translation>&amp;au</translation>
    </message>
    <message>
        <source>Archived transfers</source>
        <translation>Transferts archivés</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Début</translation>
    </message>
    <message>
        <source>Sample ID</source>
        <translation>Identifiant de l&apos;échantillon</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Opérateur</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Mesures</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Perdues</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Unités</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Ouvrir</translation>
    </message>
    <message numerus="yes">
        <source>%n transfer(s) in %1</source>
        <translation>
            <numerusform>%n transfert dans %1</numerusform>
            <numerusform>%n transferts dans %1</numerusform>
        </translation>
    </message>
    <message>
        <source>The archive cannot be read: %1</source>
        <translation>L&apos;archive ne peut pas être lue : %1</translation>
    </message>
    <message>
        <source>Started &amp;from:</source>
        <translation>Commencé &amp;du :</translation>
    </message>
</context>
<context>
    <name>orbek::ReviewDialog</name>
    <message>
        <source>Mark as Reviewed</source>
        <translation>Marquer comme vérifié</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Vérifié</translation>
    </message>
    <message>
        <source>Approved</source>
        <translation>Approuvé</translation>
    </message>
    <message>
        <source>Rejected</source>
        <translation>Rejeté</translation>
    </message>
    <message>
        <source>&amp;Reviewer:</source>
        <translation>&amp;Vérificateur :</translation>
    </message>
    <message>
        <source>&amp;Meaning:</source>
        <translation>&amp;Signification :</translation>
    </message>
    <message>
        <source>The review is kept in the archive&apos;s audit trail with your name and the time; it cannot be changed afterwards.</source>
        <translation>La vérification est conservée dans la piste d&apos;audit de l&apos;archive avec votre nom et l&apos;heure ; elle ne peut plus être modifiée ensuite.</translation>
    </message>
</context>
<context>
    <name>orbek::SampleDetailsDialog</name>
    <message>
        <source>Sample Details</source>
        <translation>Détails de l&apos;échantillon</translation>
    </message>
    <message>
        <source>%1:</source>
        <translation>%1 :</translation>
    </message>
    <message>
        <source>cannot create the folder %1</source>
        <translation>impossible de créer le dossier %1</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>impossible d&apos;écrire %1</translation>
    </message>
    <message>
        <source>It holds a control character; only line breaks and tabs can be kept.</source>
        <translation>Il contient un caractère de contrôle ; seuls les sauts de ligne et les tabulations sont conservés.</translation>
    </message>
    <message>
        <source>It holds a control character, which cannot be kept.</source>
        <translation>Il contient un caractère de contrôle, qui ne peut pas être conservé.</translation>
    </message>
    <message>
        <source>It is longer than the %L1 characters a workbook&apos;s cell holds.</source>
        <translation>Il dépasse les %L1 caractères que contient une cellule de classeur.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
</context>
</TS>
