<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>Artwork</name>
    <message>
        <source>Baud Rate:</source>
        <translation>Baudrate:</translation>
    </message>
    <message>
        <source>Water Quality Meter</source>
        <translation>Wasserqualitätsmessgerät</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Communication Port:</source>
        <translation>Schnittstelle:</translation>
    </message>
    <message>
        <source>Port Settings:</source>
        <translation>Anschluss:</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Empfangen</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Seach</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Software version 3.0</source>
        <translation>Softwareversion 3.0</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Interval Recording:</source>
        <translation>Messintervall:</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Diagramm</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>Messwert</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
</context>
<context>
    <name>BitmapButton</name>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Empfangen</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Search for ports</source>
        <translation>Nach Schnittstellen suchen</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Diagramm</translation>
    </message>
    <message>
        <source>Back to the table</source>
        <translation>Zurück zur Tabelle</translation>
    </message>
</context>
<context>
    <name>COrbekDlg</name>
    <message>
        <source>Port scaning</source>
        <translation>Schnittstellen suchen</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Empfangen</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>AUS</translation>
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
        <translation>Diagramm</translation>
    </message>
</context>
<context>
    <name>Line</name>
    <message>
        <source>cannot send: the port is not open</source>
        <translation>Senden nicht möglich: die Schnittstelle ist nicht geöffnet</translation>
    </message>
    <message>
        <source>cannot send to %1: %2</source>
        <translation>Senden an %1 nicht möglich: %2</translation>
    </message>
    <message>
        <source>cannot read: the port is not open</source>
        <translation>Lesen nicht möglich: die Schnittstelle ist nicht geöffnet</translation>
    </message>
    <message>
        <source>cannot set %1 on %2: %3</source>
        <translation>%1 kann an %2 nicht eingestellt werden: %3</translation>
    </message>
    <message>
        <source>no port has been chosen</source>
        <translation>es wurde keine Schnittstelle gewählt</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>%1 bytes were still waiting to leave</source>
        <translation>%1 Bytes warteten noch darauf, gesendet zu werden</translation>
    </message>
    <message>
        <source>the device is in use by another program (%1)</source>
        <translation>das Gerät wird von einem anderen Programm verwendet (%1)</translation>
    </message>
    <message>
        <source>%1, process %2</source>
        <translation>%1, Prozess %2</translation>
    </message>
    <message>
        <source>the device is in use by another program</source>
        <translation>das Gerät wird von einem anderen Programm verwendet</translation>
    </message>
    <message>
        <source>the device is not there</source>
        <translation>das Gerät ist nicht vorhanden</translation>
    </message>
    <message>
        <source>the device is in use or may not be opened</source>
        <translation>das Gerät ist belegt oder darf nicht geöffnet werden</translation>
    </message>
    <message>
        <source>the port is open already</source>
        <translation>die Schnittstelle ist bereits geöffnet</translation>
    </message>
    <message>
        <source>the port is not open</source>
        <translation>die Schnittstelle ist nicht geöffnet</translation>
    </message>
    <message>
        <source>the device did not take what was sent</source>
        <translation>das Gerät hat das Gesendete nicht angenommen</translation>
    </message>
    <message>
        <source>the device could not be read</source>
        <translation>das Gerät konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>the device stopped answering or was unplugged</source>
        <translation>das Gerät antwortet nicht mehr oder wurde abgezogen</translation>
    </message>
    <message>
        <source>the device does not support this setting</source>
        <translation>das Gerät unterstützt diese Einstellung nicht</translation>
    </message>
    <message>
        <source>the device did not answer in time</source>
        <translation>das Gerät hat nicht rechtzeitig geantwortet</translation>
    </message>
</context>
<context>
    <name>PortDiscovery</name>
    <message>
        <source>Port cannot be found</source>
        <translation>Keine Schnittstelle gefunden</translation>
    </message>
    <message>
        <source>Warnning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Found a port on your computer</source>
        <translation>Eine Schnittstelle auf diesem Computer gefunden</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>Found the %1 ports on your computer</source>
        <translation>%1 Schnittstellen auf diesem Computer gefunden</translation>
    </message>
    <message>
        <source>
No permission to open %1: add your user to the dialout group (sudo usermod -aG dialout $USER) and log in again.</source>
        <translation>
Keine Berechtigung, %1 zu öffnen: Fügen Sie Ihren Benutzer der Gruppe dialout hinzu (sudo usermod -aG dialout $USER) und melden Sie sich neu an.</translation>
    </message>
    <message>
        <source>
No permission to open %1, which the dialout group may not open either: an administrator must grant access, for example with a udev rule that gives the device to the dialout group.</source>
        <translation>
Keine Berechtigung, %1 zu öffnen, und auch die Gruppe dialout darf es nicht: Ein Administrator muss den Zugriff erlauben, etwa mit einer udev-Regel, die das Gerät der Gruppe dialout gibt.</translation>
    </message>
</context>
<context>
    <name>ReadingsTable</name>
    <message>
        <source>No.</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Date and Time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>Messwert</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
</context>
<context>
    <name>SampleDetails</name>
    <message>
        <source>Sample ID</source>
        <translation>Proben-ID</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Bearbeiter</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Probe serial number</source>
        <translation>Seriennummer der Sonde</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
</context>
<context>
    <name>Save</name>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>Kann %1 nicht speichern: %2</translation>
    </message>
    <message>
        <source>%1 is on a read-only file system</source>
        <translation>%1 liegt auf einem schreibgeschützten Dateisystem</translation>
    </message>
    <message>
        <source>the name is too long</source>
        <translation>der Name ist zu lang</translation>
    </message>
    <message>
        <source>no permission to create files in %1</source>
        <translation>keine Berechtigung, in %1 Dateien anzulegen</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>der Ordner %1 existiert nicht</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>es ist ein Ordner</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>es ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>die Datei ist schreibgeschützt</translation>
    </message>
    <message>
        <source>no permission to write to it</source>
        <translation>keine Berechtigung, sie zu schreiben</translation>
    </message>
    <message>
        <source>%1; the saved content is complete in %2</source>
        <translation>%1; der gespeicherte Inhalt ist vollständig in %2</translation>
    </message>
    <message>
        <source>the file is saved, but its folder could not be synced to the disk (%1), so a power cut could still undo the save</source>
        <translation>die Datei ist gespeichert, aber ihr Ordner konnte nicht auf die Platte geschrieben werden (%1); ein Stromausfall könnte das Speichern noch rückgängig machen</translation>
    </message>
    <message>
        <source>%1 belongs to another user in the shared folder %2, so it is not written through</source>
        <translation>%1 gehört im gemeinsamen Ordner %2 einem anderen Benutzer und wird daher nicht beschrieben</translation>
    </message>
    <message>
        <source>the file</source>
        <translation>die Datei</translation>
    </message>
    <message>
        <source>the link</source>
        <translation>die Verknüpfung</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>die Platte ist voll</translation>
    </message>
    <message>
        <source>the file would be larger than the file size limit (ulimit -f) allows</source>
        <translation>die Datei wäre größer, als die Dateigrößengrenze (ulimit -f) erlaubt</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>keine Berechtigung</translation>
    </message>
    <message>
        <source>no such file or folder</source>
        <translation>keine solche Datei und kein solcher Ordner</translation>
    </message>
    <message>
        <source>the file system is read-only</source>
        <translation>das Dateisystem ist schreibgeschützt</translation>
    </message>
    <message>
        <source>the device reported an input/output error</source>
        <translation>das Gerät meldete einen Ein-/Ausgabefehler</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>PDF report (*.pdf)</source>
        <translation>PDF-Bericht (*.pdf)</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG-Bild (*.png)</translation>
    </message>
    <message>
        <source>SVG drawing (*.svg)</source>
        <translation>SVG-Grafik (*.svg)</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF-Dokument (*.pdf)</translation>
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
        <translation>Übertragungsbericht</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Made</source>
        <translation>Erstellt</translation>
    </message>
    <message>
        <source>Meter time</source>
        <translation>Gerätezeit</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>Probe</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistik</translation>
    </message>
    <message>
        <source>Series</source>
        <translation>Reihe</translation>
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
        <translation>Mittelwert</translation>
    </message>
    <message>
        <source>Std. deviation</source>
        <translation>Standardabw.</translation>
    </message>
    <message>
        <source>(no unit)</source>
        <translation>(ohne Einheit)</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
    <message>
        <source>No readings.</source>
        <translation>Keine Messwerte.</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>[… cut here: the whole text is in the saved files]</source>
        <translation>[… hier gekürzt: der ganze Text steht in den gespeicherten Dateien]</translation>
    </message>
    <message>
        <source>Out of step</source>
        <translation>Außer Takt</translation>
    </message>
    <message>
        <source>rows</source>
        <translation>Zeilen</translation>
    </message>
    <message>
        <source>Lost on the line</source>
        <translation>Auf der Leitung verloren</translation>
    </message>
    <message>
        <source>before rows</source>
        <translation>vor den Zeilen</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>%1: “%2” to “%3”, %4</source>
        <translation>%1: „%2“ zu „%3“, %4</translation>
    </message>
    <message>
        <source>* out of step, left out of the statistics; +n: n readings lost on the line before the row</source>
        <translation>* außer Takt, nicht in der Statistik; +n: n Messwerte vor der Zeile auf der Leitung verloren</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>Probe %1</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Empfangen</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Geprüft</translation>
    </message>
</context>
<context>
    <name>WindowArchive</name>
    <message>
        <source>The restored transfer is not archived: %1</source>
        <translation>Die wiederhergestellte Übertragung ist nicht archiviert: %1</translation>
    </message>
    <message>
        <source>Transfer %1</source>
        <translation>Übertragung %1</translation>
    </message>
    <message>
        <source>What waited to be archived (%1) went into the archive %2.</source>
        <translation>Was auf die Archivierung wartete (%1), ist jetzt im Archiv %2.</translation>
    </message>
    <message>
        <source>%1 waits to be archived but cannot be read; it is left where it is.</source>
        <translation>%1 wartet auf die Archivierung, kann aber nicht gelesen werden; es bleibt, wo es ist.</translation>
    </message>
    <message>
        <source>%1 is not archived yet (%2); it waits in %3 and goes into the archive at the next chance.</source>
        <translation>%1 ist noch nicht archiviert (%2); sie wartet in %3 und kommt bei nächster Gelegenheit ins Archiv.</translation>
    </message>
    <message>
        <source>%1 may not be archived: %2</source>
        <translation>%1 ist womöglich nicht archiviert: %2</translation>
    </message>
    <message>
        <source>The save of %1</source>
        <translation>Das Speichern von %1</translation>
    </message>
    <message>
        <source>The change of the details</source>
        <translation>Die Änderung der Angaben</translation>
    </message>
    <message>
        <source>The review</source>
        <translation>Die Prüfung</translation>
    </message>
</context>
<context>
    <name>orbek::COrbekDlg</name>
    <message>
        <source>1 transfer kept aside by earlier runs (from %1) is in %2.</source>
        <translation>1 zurückgelegte Übertragung früherer Sitzungen (vom %1) liegt in %2.</translation>
    </message>
    <message>
        <source>%1 transfers kept aside by earlier runs (the oldest from %2) are in %3.</source>
        <translation>%1 zurückgelegte Übertragungen früherer Sitzungen (die älteste vom %2) liegen in %3.</translation>
    </message>
    <message>
        <source>orbek-log --decode turns each into a file; remove them once they are saved elsewhere.

Open the folder?</source>
        <translation>orbek-log --decode macht aus jeder eine Datei; entfernen Sie sie, sobald sie anderswo gespeichert sind.

Ordner öffnen?</translation>
    </message>
    <message>
        <source>The %1 readings the table showed were not exported; %2.</source>
        <translation>Die %1 Messwerte der Tabelle wurden nicht exportiert; %2.</translation>
    </message>
    <message>
        <source>Chart of the readings</source>
        <translation>Diagramm der Messwerte</translation>
    </message>
    <message>
        <source>Readings %1 to %2 shown; the last: %3 at %4.</source>
        <translation>Messwerte %1 bis %2 gezeigt; der letzte: %3 bei %4.</translation>
    </message>
    <message>
        <source>Receiving: 1 reading so far</source>
        <translation>Empfang: bisher 1 Messwert</translation>
    </message>
    <message>
        <source>Receiving: %1 readings so far</source>
        <translation>Empfang: bisher %1 Messwerte</translation>
    </message>
    <message>
        <source>Transfer ended: 1 reading</source>
        <translation>Übertragung beendet: 1 Messwert</translation>
    </message>
    <message>
        <source>Transfer ended: %1 readings</source>
        <translation>Übertragung beendet: %1 Messwerte</translation>
    </message>
    <message>
        <source>Transfer started</source>
        <translation>Übertragung begonnen</translation>
    </message>
    <message>
        <source>Statistics: %1</source>
        <translation>Statistik: %1</translation>
    </message>
    <message>
        <source>This choice could not be saved in %1, so it may not hold.</source>
        <translation>Diese Wahl konnte nicht in %1 gespeichert werden und gilt womöglich nicht.</translation>
    </message>
    <message>
        <source> (but it could not be synced to the disk: %1, so a power cut now could lose its last second)</source>
        <translation> (sie konnte aber nicht auf die Platte geschrieben werden: %1; ein Stromausfall jetzt könnte ihre letzte Sekunde kosten)</translation>
    </message>
    <message>
        <source>Orbek</source>
        <translation>Orbek</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>One row a reading: its number, the meter&apos;s date and time, the measured value and the temperature</source>
        <translation>Eine Zeile je Messwert: Nummer, Datum und Uhrzeit des Geräts, Messwert und Temperatur</translation>
    </message>
    <message>
        <source>The measured value (green, solid line) and the temperature (red, dashed line) against the reading&apos;s number</source>
        <translation>Messwert (grün, durchgezogen) und Temperatur (rot, gestrichelt) über der Nummer des Messwerts</translation>
    </message>
    <message>
        <source>Sample Details...</source>
        <translation>Probendetails...</translation>
    </message>
    <message>
        <source>Save Report as PDF...</source>
        <translation>Bericht als PDF speichern...</translation>
    </message>
    <message>
        <source>Save Chart as Picture...</source>
        <translation>Diagramm als Bild speichern...</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistik</translation>
    </message>
    <message>
        <source>Transfer (n %1): %2</source>
        <translation>Übertragung (n %1): %2</translation>
    </message>
    <message>
        <source>Chart (n %1): %2</source>
        <translation>Diagramm (n %1): %2</translation>
    </message>
    <message>
        <source>The details are kept for this transfer but not for the next start: %1.</source>
        <translation>Die Angaben gelten für diese Übertragung, aber nicht für den nächsten Start: %1.</translation>
    </message>
    <message>
        <source>the window</source>
        <translation>das Fenster</translation>
    </message>
    <message>
        <source>The report has been saved as %1.</source>
        <translation>Der Bericht wurde als %1 gespeichert.</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>The chart has been saved as %1.</source>
        <translation>Das Diagramm wurde als %1 gespeichert.</translation>
    </message>
    <message>
        <source>An unexpected error stopped this action.</source>
        <translation>Ein unerwarteter Fehler hat diese Aktion abgebrochen.</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads, and are offered again at the next start.</source>
        <translation>Die Messwerte können nicht als %1 aufbewahrt werden: %2. Sie bleiben in %3, das orbek-log --decode liest, und werden beim nächsten Start erneut angeboten.</translation>
    </message>
    <message>
        <source>; the restored readings stay in %1 and are offered again at the next start.</source>
        <translation>; die wiederhergestellten Messwerte bleiben in %1 und werden beim nächsten Start erneut angeboten.</translation>
    </message>
    <message>
        <source>No. %1
%2
%3</source>
        <translation>Nr. %1
%2
%3</translation>
    </message>
    <message>
        <source>No. %1
%2
%3
%4</source>
        <translation>Nr. %1
%2
%3
%4</translation>
    </message>
    <message>
        <source>Select a port</source>
        <translation>Wählen Sie eine Schnittstelle</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Port is closed</source>
        <translation>Schnittstelle ist geschlossen</translation>
    </message>
    <message>
        <source>Port is connected</source>
        <translation>Schnittstelle ist verbunden</translation>
    </message>
    <message>
        <source>The meter has not connected to computer</source>
        <translation>Das Messgerät ist nicht mit dem Computer verbunden</translation>
    </message>
    <message>
        <source>The connection to %1 was lost. The readings received so far are kept.</source>
        <translation>Die Verbindung zu %1 ist unterbrochen. Die bisher empfangenen Messwerte bleiben erhalten.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Every reading of the transfer has been saved in %1.</source>
        <translation>Alle Messwerte der Übertragung wurden in %1 gespeichert.</translation>
    </message>
    <message>
        <source>Connecting is failed</source>
        <translation>Verbindung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Data has been exported into Excel file</source>
        <translation>Die Daten wurden in eine Excel-Datei exportiert</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row: they are on the workbook&apos;s Data sheets, not on Sheet1.</source>
        <translation>Die Messwerte %1 bis %2 kamen nach der letzten Tabellenzeile: Sie stehen auf den Data-Blättern der Arbeitsmappe, nicht auf Sheet1.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1 for the journal</source>
        <translation>Der Ordner %1 für das Journal kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>; this transfer is not kept should Orbek stop.</source>
        <translation>; diese Übertragung geht verloren, falls Orbek abbricht.</translation>
    </message>
    <message>
        <source>no journal keeps them</source>
        <translation>kein Journal bewahrt sie auf</translation>
    </message>
    <message>
        <source>WARNING! All data will be lost if the windows closed</source>
        <translation>WARNUNG! Alle Daten gehen verloren, wenn das Fenster geschlossen wird</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row; %3.</source>
        <translation>Die Messwerte %1 bis %2 kamen nach der letzten Tabellenzeile; %3.</translation>
    </message>
    <message>
        <source>Orbek was not closed normally. %1 readings of its last transfer were found; the last one arrived on %2.

Restore them?

(No keeps them in %3, which orbek-log --decode reads.)</source>
        <translation>Orbek wurde nicht normal beendet. %1 Messwerte der letzten Übertragung wurden gefunden; der letzte kam am %2.

Wiederherstellen?

(Nein bewahrt sie in %3 auf, das orbek-log --decode liest.)</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads.</source>
        <translation>Die Messwerte können nicht als %1 aufbewahrt werden: %2. Sie bleiben in %3, das orbek-log --decode liest.</translation>
    </message>
    <message>
        <source>every reading of this transfer is kept in %1, which orbek-log --decode reads</source>
        <translation>alle Messwerte dieser Übertragung sind in %1 aufbewahrt, das orbek-log --decode liest</translation>
    </message>
    <message>
        <source>Ask for Sample Details at Receive</source>
        <translation>Beim Empfangen nach Probendetails fragen</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>Probe %1</translation>
    </message>
    <message>
        <source>Are the readings to come still of this sample?

%1

Yes keeps these details; No lets you change them first.</source>
        <translation>Gehören die kommenden Messwerte noch zu dieser Probe?

%1

Ja behält diese Angaben; Nein lässt Sie sie zuerst ändern.</translation>
    </message>
    <message>
        <source>Sample Details</source>
        <translation>Probendetails</translation>
    </message>
    <message>
        <source>Most of the records received carry neither a real date nor a value the meter defines: they do not look like a meter&apos;s readings. Is the baud rate right?</source>
        <translation>Die meisten empfangenen Datensätze enthalten weder ein echtes Datum noch einen Wert, den das Messgerät kennt: Sie sehen nicht wie Messwerte des Geräts aus. Ist die Baudrate richtig?</translation>
    </message>
    <message>
        <source>History...</source>
        <translation>Verlauf...</translation>
    </message>
    <message>
        <source>Mark as Reviewed...</source>
        <translation>Als geprüft markieren...</translation>
    </message>
    <message>
        <source> (%1 to %2)</source>
        <translation> (%1 bis %2)</translation>
    </message>
    <message>
        <source>Reason for the change</source>
        <translation>Grund der Änderung</translation>
    </message>
    <message>
        <source>Why do the details of this transfer change? The archive keeps the old and the new text with your reason.</source>
        <translation>Warum ändern sich die Angaben dieser Übertragung? Das Archiv bewahrt den alten und den neuen Text mit Ihrem Grund auf.</translation>
    </message>
    <message>
        <source>The details stay as they were: a change needs its reason.</source>
        <translation>Die Angaben bleiben unverändert: Eine Änderung braucht ihren Grund.</translation>
    </message>
    <message>
        <source>Transfers are not archived (orbek --no-archive).</source>
        <translation>Übertragungen werden nicht archiviert (orbek --no-archive).</translation>
    </message>
    <message>
        <source>A transfer is running; open the history once it has ended.</source>
        <translation>Eine Übertragung läuft; öffnen Sie den Verlauf, wenn sie beendet ist.</translation>
    </message>
    <message>
        <source>Archived transfer of %1, sample %2 (%3): read-only</source>
        <translation>Archivierte Übertragung vom %1, Probe %2 (%3): schreibgeschützt</translation>
    </message>
    <message>
        <source>Only a transfer that has ended and is in the archive can be reviewed.</source>
        <translation>Nur eine beendete, archivierte Übertragung kann geprüft werden.</translation>
    </message>
    <message>
        <source>Marked as reviewed by %1 (%2).</source>
        <translation>Als geprüft markiert von %1 (%2).</translation>
    </message>
    <message>
        <source>The stop command may not have reached the meter (%1); it may still be sending</source>
        <translation>Der Stoppbefehl hat das Messgerät womöglich nicht erreicht (%1); es sendet vielleicht noch</translation>
    </message>
    <message>
        <source>The stop command could not be sent to %1: %2</source>
        <translation>Der Stoppbefehl konnte nicht an %1 gesendet werden: %2</translation>
    </message>
    <message>
        <source>Reading from or writing to %1 failed: %2</source>
        <translation>Lesen von oder Schreiben auf %1 ist fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>Cannot write the journal %1 from reading %2 on: %3; the bytes wait in memory (up to %4) until it takes them</source>
        <translation>Das Journal %1 kann ab Messwert %2 nicht geschrieben werden: %3; die Bytes warten im Speicher (bis zu %4), bis es sie aufnimmt</translation>
    </message>
    <message>
        <source>The journal %1 still cannot be written (%2) and the memory set aside for it is full: readings from %3 on are not kept in it</source>
        <translation>Das Journal %1 kann weiterhin nicht geschrieben werden (%2) und der dafür reservierte Speicher ist voll: Messwerte ab %3 werden darin nicht aufbewahrt</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step.</source>
        <translation>Die Datensätze des Messgeräts gerieten auf der Leitung aus dem Takt und wurden wieder in Takt gebracht.</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step (%1 times).</source>
        <translation>Die Datensätze des Messgeräts gerieten auf der Leitung aus dem Takt und wurden wieder in Takt gebracht (%1-mal).</translation>
    </message>
    <message>
        <source>Row %1 may show wrong readings.</source>
        <translation>Zeile %1 kann falsche Messwerte zeigen.</translation>
    </message>
    <message>
        <source>Rows %1 may show wrong readings.</source>
        <translation>Die Zeilen %1 können falsche Messwerte zeigen.</translation>
    </message>
    <message>
        <source>before the first row</source>
        <translation>vor der ersten Zeile</translation>
    </message>
    <message>
        <source>after row %1</source>
        <translation>nach Zeile %1</translation>
    </message>
    <message>
        <source>1 reading was lost (%1).</source>
        <translation>1 Messwert ging verloren (%1).</translation>
    </message>
    <message>
        <source>%1 readings were lost (%2).</source>
        <translation>%1 Messwerte gingen verloren (%2).</translation>
    </message>
    <message>
        <source>1 byte was skipped; every other reading is as the meter sent it.</source>
        <translation>1 Byte wurde übersprungen; alle anderen Messwerte sind so, wie das Messgerät sie gesendet hat.</translation>
    </message>
    <message>
        <source>%1 bytes were skipped; every other reading is as the meter sent it.</source>
        <translation>%1 Bytes wurden übersprungen; alle anderen Messwerte sind so, wie das Messgerät sie gesendet hat.</translation>
    </message>
</context>
<context>
    <name>orbek::CTchart1</name>
    <message>
        <source>Cannot save %1: a picture&apos;s name must end in .png, .svg or .pdf</source>
        <translation>%1 kann nicht gespeichert werden: Der Name eines Bildes muss auf .png, .svg oder .pdf enden</translation>
    </message>
    <message>
        <source>The chart cannot be drawn: %1</source>
        <translation>Das Diagramm kann nicht gezeichnet werden: %1</translation>
    </message>
</context>
<context>
    <name>orbek::HistoryDialog</name>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Sample, operator, location, probe or note</source>
        <translation>Probe, Bediener, Ort, Sonde oder Notiz</translation>
    </message>
    <message>
        <source>&amp;Search:</source>
        <translation>&amp;Suchen:</translation>
    </message>
    <message>
        <source>&amp;to</source>
        <translation>&amp;bis</translation>
    </message>
    <message>
        <source>Archived transfers</source>
        <translation>Archivierte Übertragungen</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Begonnen</translation>
    </message>
    <message>
        <source>Sample ID</source>
        <translation>Proben-ID</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Bearbeiter</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Verloren</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Einheiten</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message numerus="yes">
        <source>%n transfer(s) in %1</source>
        <translation>
            <numerusform>%n Übertragung in %1</numerusform>
            <numerusform>%n Übertragungen in %1</numerusform>
        </translation>
    </message>
    <message>
        <source>The archive cannot be read: %1</source>
        <translation>Das Archiv kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Started &amp;from:</source>
        <translation>Begonnen &amp;vom:</translation>
    </message>
</context>
<context>
    <name>orbek::ReviewDialog</name>
    <message>
        <source>Mark as Reviewed</source>
        <translation>Als geprüft markieren</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Geprüft</translation>
    </message>
    <message>
        <source>Approved</source>
        <translation>Freigegeben</translation>
    </message>
    <message>
        <source>Rejected</source>
        <translation>Abgelehnt</translation>
    </message>
    <message>
        <source>&amp;Reviewer:</source>
        <translation>&amp;Prüfer:</translation>
    </message>
    <message>
        <source>&amp;Meaning:</source>
        <translation>&amp;Bedeutung:</translation>
    </message>
    <message>
        <source>The review is kept in the archive&apos;s audit trail with your name and the time; it cannot be changed afterwards.</source>
        <translation>Die Prüfung wird mit Ihrem Namen und der Zeit im Prüfpfad des Archivs aufbewahrt; sie kann danach nicht geändert werden.</translation>
    </message>
</context>
<context>
    <name>orbek::SampleDetailsDialog</name>
    <message>
        <source>Sample Details</source>
        <translation>Probendetails</translation>
    </message>
    <message>
        <source>%1:</source>
        <translation>%1:</translation>
    </message>
    <message>
        <source>cannot create the folder %1</source>
        <translation>der Ordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>It holds a control character; only line breaks and tabs can be kept.</source>
        <translation>Er enthält ein Steuerzeichen; nur Zeilenumbrüche und Tabulatoren bleiben erhalten.</translation>
    </message>
    <message>
        <source>It holds a control character, which cannot be kept.</source>
        <translation>Er enthält ein Steuerzeichen, das nicht erhalten bleiben kann.</translation>
    </message>
    <message>
        <source>It is longer than the %L1 characters a workbook&apos;s cell holds.</source>
        <translation>Er ist länger als die %L1 Zeichen, die eine Zelle einer Arbeitsmappe fasst.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
</TS>
