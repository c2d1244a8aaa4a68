<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>AlertDialog</name>
    <message>
        <source>Workflow Exists</source>
        <translation>Workflow existiert bereits</translation>
    </message>
    <message>
        <source>A workflow named &apos;%1&apos; already exists. Do you want to overwrite it?</source>
        <translation>Ein Workflow namens „%1“ existiert bereits. Möchten Sie ihn überschreiben?</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Überschreiben</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>No Mail Program</source>
        <translation>Kein E-Mail-Programm</translation>
    </message>
    <message>
        <source>No mail program is set up to write the message. Please write to this address instead:
%1</source>
        <translation>Es ist kein E-Mail-Programm eingerichtet, mit dem die Nachricht geschrieben werden kann. Bitte schreiben Sie stattdessen an diese Adresse:
%1</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Add Files...</source>
        <translation>Dateien hinzufügen...</translation>
    </message>
    <message>
        <source>Show Window</source>
        <translation>Fenster anzeigen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Some Files Were Not Shown</source>
        <translation>Einige Dateien wurden nicht angezeigt</translation>
    </message>
    <message numerus="yes">
        <source>%n item(s) in “%1” could not be listed for choosing and were not added: their names are not valid UTF-8 text. To add them, drag them from the file manager onto the window.</source>
        <translation>
            <numerusform>%n Objekt in „%1“ konnte nicht zur Auswahl angezeigt werden und wurde nicht hinzugefügt: Sein Name ist kein gültiger UTF-8-Text. Ziehen Sie es aus dem Dateimanager auf das Fenster, um es hinzuzufügen.</numerusform>
            <numerusform>%n Objekte in „%1“ konnten nicht zur Auswahl angezeigt werden und wurden nicht hinzugefügt: Ihre Namen sind kein gültiger UTF-8-Text. Ziehen Sie sie aus dem Dateimanager auf das Fenster, um sie hinzuzufügen.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>AppcastParser</name>
    <message>
        <source> (line %1)</source>
        <translation> (Zeile %1)</translation>
    </message>
    <message>
        <source>The update feed is too large.</source>
        <translation>Der Update-Feed ist zu groß.</translation>
    </message>
    <message>
        <source>The update feed contains a document type declaration, which is not allowed.</source>
        <translation>Der Update-Feed enthält eine Dokumenttyp-Deklaration, die nicht erlaubt ist.</translation>
    </message>
    <message>
        <source>The update feed is not an RSS feed.</source>
        <translation>Der Update-Feed ist kein RSS-Feed.</translation>
    </message>
    <message>
        <source>The update feed lists too many releases.</source>
        <translation>Der Update-Feed führt zu viele Versionen auf.</translation>
    </message>
    <message>
        <source>The update feed could not be read: </source>
        <translation>Der Update-Feed konnte nicht gelesen werden: </translation>
    </message>
</context>
<context>
    <name>BatchMover</name>
    <message>
        <source>The file was replaced by another item since it was added.</source>
        <translation>Die Datei wurde seit dem Hinzufügen durch ein anderes Objekt ersetzt.</translation>
    </message>
    <message>
        <source>The file no longer exists.</source>
        <translation>Die Datei ist nicht mehr vorhanden.</translation>
    </message>
    <message>
        <source>The drive or network folder holding this file is no longer connected.</source>
        <translation>Das Laufwerk oder der Netzwerkordner mit dieser Datei ist nicht mehr verbunden.</translation>
    </message>
</context>
<context>
    <name>BriskletApp</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Add Files...</source>
        <translation>Dateien hinzufügen...</translation>
    </message>
    <message>
        <source>Close Window</source>
        <translation>Fenster schließen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Hide Sidebar</source>
        <translation>Seitenleiste ausblenden</translation>
    </message>
    <message>
        <source>Show Sidebar</source>
        <translation>Seitenleiste einblenden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Contact Support</source>
        <translation>Support kontaktieren</translation>
    </message>
    <message>
        <source>About Brisklet</source>
        <translation>Über Brisklet</translation>
    </message>
    <message>
        <source>Brisklet %1</source>
        <translation>Brisklet %1</translation>
    </message>
    <message>
        <source>Rename many files at once: stack rename operations, see every new name before anything changes, and undo the last batches.</source>
        <translation>Viele Dateien auf einmal umbenennen: Umbenennungsschritte kombinieren, jeden neuen Namen sehen, bevor sich etwas ändert, und die letzten Umbenennungen rückgängig machen.</translation>
    </message>
</context>
<context>
    <name>CheckForUpdatesMenuItem</name>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>No update feed is set up for this copy of Brisklet, so it cannot check for updates.</source>
        <translation>Für diese Brisklet-Installation ist kein Update-Feed eingerichtet, daher kann nicht nach Updates gesucht werden.</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message>
        <source>Show Sidebar</source>
        <translation>Seitenleiste einblenden</translation>
    </message>
    <message>
        <source>Show the workflow sidebar</source>
        <translation>Die Workflow-Seitenleiste einblenden</translation>
    </message>
    <message>
        <source>Workflows and Files</source>
        <translation>Workflows und Dateien</translation>
    </message>
</context>
<context>
    <name>DiskChecks</name>
    <message>
        <source>An item with this name already exists</source>
        <translation>Ein Objekt mit diesem Namen ist bereits vorhanden</translation>
    </message>
    <message>
        <source>The folder cannot be written</source>
        <translation>In den Ordner kann nicht geschrieben werden</translation>
    </message>
</context>
<context>
    <name>ErrorDetailsSheet</name>
    <message>
        <source>Issues Found</source>
        <translation>Probleme gefunden</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) with problems</source>
        <translation>
            <numerusform>%n Datei mit Problemen</numerusform>
            <numerusform>%n Dateien mit Problemen</numerusform>
        </translation>
    </message>
    <message>
        <source>Files with problems</source>
        <translation>Dateien mit Problemen</translation>
    </message>
</context>
<context>
    <name>FileInfoReader</name>
    <message>
        <source>This file could not be opened.</source>
        <translation>Diese Datei konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>This is not a regular file.</source>
        <translation>Dies ist keine gewöhnliche Datei.</translation>
    </message>
    <message>
        <source>This file is damaged.</source>
        <translation>Diese Datei ist beschädigt.</translation>
    </message>
</context>
<context>
    <name>FileInfoStep</name>
    <message>
        <source>Reading file info…</source>
        <translation>Dateiinformationen werden gelesen …</translation>
    </message>
    <message>
        <source>No date taken in this file</source>
        <translation>Kein Aufnahmedatum in dieser Datei</translation>
    </message>
    <message>
        <source>No date modified for this file</source>
        <translation>Kein Änderungsdatum für diese Datei</translation>
    </message>
    <message>
        <source>No camera model in this file</source>
        <translation>Kein Kameramodell in dieser Datei</translation>
    </message>
    <message>
        <source>No image size in this file</source>
        <translation>Keine Bildgröße in dieser Datei</translation>
    </message>
    <message>
        <source>No artist in this file</source>
        <translation>Kein Interpret in dieser Datei</translation>
    </message>
    <message>
        <source>No album in this file</source>
        <translation>Kein Album in dieser Datei</translation>
    </message>
    <message>
        <source>No title in this file</source>
        <translation>Kein Titel in dieser Datei</translation>
    </message>
    <message>
        <source>No track number in this file</source>
        <translation>Keine Titelnummer in dieser Datei</translation>
    </message>
    <message>
        <source>No year in this file</source>
        <translation>Kein Jahr in dieser Datei</translation>
    </message>
    <message>
        <source>Enter a date format.</source>
        <translation>Geben Sie ein Datumsformat ein.</translation>
    </message>
    <message>
        <source>“%1” is not part of a date. Put other text in single quotes.</source>
        <translation>„%1“ ist kein Teil eines Datums. Setzen Sie anderen Text in einfache Anführungszeichen.</translation>
    </message>
    <message>
        <source>A quote is not closed. Put text in single quotes.</source>
        <translation>Ein Anführungszeichen ist nicht geschlossen. Setzen Sie Text in einfache Anführungszeichen.</translation>
    </message>
</context>
<context>
    <name>FileListBar</name>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add files to rename</source>
        <translation>Dateien zum Umbenennen hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove selected files</source>
        <translation>Ausgewählte Dateien entfernen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Clear all files</source>
        <translation>Alle Dateien aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Deselect All</source>
        <translation>Auswahl aufheben</translation>
    </message>
    <message>
        <source>Deselect all files</source>
        <translation>Auswahl aller Dateien aufheben</translation>
    </message>
    <message>
        <source>Click to see details</source>
        <translation>Klicken, um Details anzuzeigen</translation>
    </message>
    <message>
        <source>conflict</source>
        <translation>Konflikt(e)</translation>
    </message>
    <message>
        <source>error</source>
        <translation>Fehler</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source>Clear All Files?</source>
        <translation>Alle Dateien entfernen?</translation>
    </message>
    <message numerus="yes">
        <source>This will remove all %n file(s) from the list. This action cannot be undone.</source>
        <translation>
            <numerusform>Damit wird %n Datei aus der Liste entfernt. Dies kann nicht rückgängig gemacht werden.</numerusform>
            <numerusform>Damit werden alle %n Dateien aus der Liste entfernt. Dies kann nicht rückgängig gemacht werden.</numerusform>
        </translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Problem details</source>
        <translation>Problemdetails</translation>
    </message>
    <message>
        <source>Sort</source>
        <translation>Sortieren</translation>
    </message>
    <message>
        <source>Put the files in order</source>
        <translation>Dateien ordnen</translation>
    </message>
</context>
<context>
    <name>FileListModel</name>
    <message>
        <source>Name after each step:</source>
        <extracomment>Heads the tooltip of a file row, above one line per step.</extracomment>
        <translation>Name nach jedem Schritt:</translation>
    </message>
    <message>
        <source>%1. %2: %3</source>
        <extracomment>One step in a file row&apos;s tooltip: its number, its mode, the name it leaves.</extracomment>
        <translation>%1. %2: %3</translation>
    </message>
</context>
<context>
    <name>FileRowAnnouncement</name>
    <message>
        <source>%1, %2, %3</source>
        <extracomment>A row of the file list as read aloud: current name, new name, status.</extracomment>
        <translation>%1, %2, %3</translation>
    </message>
    <message>
        <source>ready</source>
        <translation>bereit</translation>
    </message>
    <message>
        <source>conflict</source>
        <translation>Konflikt</translation>
    </message>
    <message>
        <source>conflict: %1</source>
        <translation>Konflikt: %1</translation>
    </message>
    <message>
        <source>error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>error: %1</source>
        <translation>Fehler: %1</translation>
    </message>
    <message>
        <source>renamed</source>
        <translation>umbenannt</translation>
    </message>
</context>
<context>
    <name>InlineOperationEditor</name>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Regular Expression</source>
        <translation>Regulärer Ausdruck</translation>
    </message>
    <message>
        <source>Trim</source>
        <translation>Kürzen</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>Anhängen</translation>
    </message>
    <message>
        <source>Prepend</source>
        <translation>Voranstellen</translation>
    </message>
    <message>
        <source>Change Case</source>
        <translation>Groß-/Kleinschreibung</translation>
    </message>
    <message>
        <source>Sequence</source>
        <translation>Nummerierung</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>Remove this operation</source>
        <translation>Diesen Schritt entfernen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Insert File Info</source>
        <translation>Dateiinfo einfügen</translation>
    </message>
</context>
<context>
    <name>LeftAlignedFileListView</name>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
</context>
<context>
    <name>ManageWorkflowsSheet</name>
    <message>
        <source>Manage Workflows</source>
        <translation>Workflows verwalten</translation>
    </message>
    <message numerus="yes">
        <source>%n saved workflow(s)</source>
        <translation>
            <numerusform>%n gespeicherter Workflow</numerusform>
            <numerusform>%n gespeicherte Workflows</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ModernFileDropZone</name>
    <message>
        <source>Drop files here</source>
        <translation>Dateien hierher ziehen</translation>
    </message>
    <message>
        <source>or click the Add button</source>
        <translation>oder auf „Hinzufügen“ klicken</translation>
    </message>
</context>
<context>
    <name>MoveJournal</name>
    <message>
        <source>Could not write the recovery record in %1: %2 Nothing was renamed.</source>
        <translation>Der Wiederherstellungseintrag in %1 konnte nicht geschrieben werden: %2 Es wurde nichts umbenannt.</translation>
    </message>
</context>
<context>
    <name>NameValidation</name>
    <message>
        <source>Contains invalid characters (: / \)</source>
        <translation>Enthält ungültige Zeichen (: / \)</translation>
    </message>
    <message>
        <source>Filename cannot be empty</source>
        <translation>Der Dateiname darf nicht leer sein</translation>
    </message>
    <message>
        <source>Duplicate filename</source>
        <translation>Doppelter Dateiname</translation>
    </message>
    <message>
        <source>Filename cannot be “.” or “..”</source>
        <translation>Der Dateiname darf nicht „.“ oder „..“ sein</translation>
    </message>
    <message>
        <source>Filename is too long (over 255 bytes)</source>
        <translation>Der Dateiname ist zu lang (über 255 Byte)</translation>
    </message>
</context>
<context>
    <name>OperationParametersEditor</name>
    <message>
        <source>First</source>
        <translation>Erstes</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>Letztes</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Spaces</source>
        <translation>Leerzeichen</translation>
    </message>
    <message>
        <source>Custom characters</source>
        <translation>Eigene Zeichen</translation>
    </message>
    <message>
        <source>First/last characters</source>
        <translation>Erste/letzte Zeichen</translation>
    </message>
    <message>
        <source>Leading</source>
        <translation>Am Anfang</translation>
    </message>
    <message>
        <source>Trailing</source>
        <translation>Am Ende</translation>
    </message>
    <message>
        <source>Both</source>
        <translation>Beide</translation>
    </message>
    <message>
        <source>Before name</source>
        <translation>Vor dem Namen</translation>
    </message>
    <message>
        <source>After name</source>
        <translation>Nach dem Namen</translation>
    </message>
    <message>
        <source>UPPERCASE</source>
        <translation>GROSSBUCHSTABEN</translation>
    </message>
    <message>
        <source>lowercase</source>
        <translation>kleinbuchstaben</translation>
    </message>
    <message>
        <source>Title Case</source>
        <translation>Wortanfänge Groß</translation>
    </message>
    <message>
        <source>camelCase</source>
        <translation>camelCase</translation>
    </message>
    <message>
        <source>snake_case</source>
        <translation>snake_case</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Text to find</source>
        <translation>Zu suchender Text</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen durch</translation>
    </message>
    <message>
        <source>Replacement text</source>
        <translation>Ersatztext</translation>
    </message>
    <message>
        <source>Occurrence</source>
        <translation>Vorkommen</translation>
    </message>
    <message>
        <source>Case sensitive</source>
        <translation>Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>Pattern</source>
        <translation>Muster</translation>
    </message>
    <message>
        <source>Regular expression</source>
        <translation>Regulärer Ausdruck</translation>
    </message>
    <message>
        <source>Replace With</source>
        <translation>Ersetzen durch</translation>
    </message>
    <message>
        <source>Replacement</source>
        <translation>Ersetzung</translation>
    </message>
    <message>
        <source>Trim Type</source>
        <translation>Art des Kürzens</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>Anzahl</translation>
    </message>
    <message>
        <source>Characters</source>
        <translation>Zeichen</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Append Text</source>
        <translation>Text anhängen</translation>
    </message>
    <message>
        <source>Text to add at end</source>
        <translation>Text, der am Ende angefügt wird</translation>
    </message>
    <message>
        <source>Before extension</source>
        <translation>Vor der Dateiendung</translation>
    </message>
    <message>
        <source>Prepend Text</source>
        <translation>Text voranstellen</translation>
    </message>
    <message>
        <source>Text to add at start</source>
        <translation>Text, der am Anfang eingefügt wird</translation>
    </message>
    <message>
        <source>Case Type</source>
        <translation>Schreibweise</translation>
    </message>
    <message>
        <source>Use original names</source>
        <translation>Ursprüngliche Namen verwenden</translation>
    </message>
    <message>
        <source>Base Name</source>
        <translation>Basisname</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Starting Number</source>
        <translation>Startnummer</translation>
    </message>
    <message>
        <source>Number of Digits</source>
        <translation>Anzahl der Stellen</translation>
    </message>
    <message>
        <source>Padding: </source>
        <translation>Stellen: </translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>e.g., space (default)</source>
        <translation>z. B. Leerzeichen (Standard)</translation>
    </message>
    <message>
        <source>Date Taken</source>
        <translation>Aufnahmedatum</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Änderungsdatum</translation>
    </message>
    <message>
        <source>Camera Model</source>
        <translation>Kameramodell</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>Bildgröße</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Track Number</source>
        <translation>Titelnummer</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Davor</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Danach</translation>
    </message>
    <message>
        <source>Instead</source>
        <translation>Stattdessen</translation>
    </message>
    <message>
        <source>Flag the file</source>
        <translation>Datei markieren</translation>
    </message>
    <message>
        <source>Use date modified</source>
        <translation>Änderungsdatum verwenden</translation>
    </message>
    <message>
        <source>Insert</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Date Format</source>
        <translation>Datumsformat</translation>
    </message>
    <message>
        <source>Where</source>
        <translation>Wo</translation>
    </message>
    <message>
        <source>Separator</source>
        <translation>Trennzeichen</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keines</translation>
    </message>
    <message>
        <source>If Missing</source>
        <translation>Falls nicht vorhanden</translation>
    </message>
    <message>
        <source>e.g., yyyy-MM-dd</source>
        <translation>z. B. yyyy-MM-dd</translation>
    </message>
    <message>
        <source>Date format presets</source>
        <translation>Vorlagen für das Datumsformat</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Vorlagen</translation>
    </message>
    <message>
        <source>%1  (%2)</source>
        <extracomment>A date format preset: the pattern, then today&apos;s date written in it.</extracomment>
        <translation>%1  (%2)</translation>
    </message>
    <message>
        <source>Today: %1</source>
        <translation>Heute: %1</translation>
    </message>
</context>
<context>
    <name>PosixFileMover</name>
    <message>
        <source>“.” and “..” cannot be used as names.</source>
        <translation>„.“ und „..“ können nicht als Namen verwendet werden.</translation>
    </message>
    <message>
        <source>An item named “%1” already exists.</source>
        <translation>Ein Objekt namens „%1“ ist bereits vorhanden.</translation>
    </message>
    <message>
        <source>Permission denied.</source>
        <translation>Zugriff verweigert.</translation>
    </message>
    <message>
        <source>The file no longer exists.</source>
        <translation>Die Datei ist nicht mehr vorhanden.</translation>
    </message>
    <message>
        <source>The folder no longer exists.</source>
        <translation>Der Ordner ist nicht mehr vorhanden.</translation>
    </message>
    <message>
        <source>This file system does not allow the character %1 in names.</source>
        <translation>Dieses Dateisystem erlaubt das Zeichen %1 nicht in Namen.</translation>
    </message>
    <message>
        <source>The name is too long for this file system.</source>
        <translation>Der Name ist für dieses Dateisystem zu lang.</translation>
    </message>
    <message>
        <source>The folder is read-only.</source>
        <translation>Der Ordner ist schreibgeschützt.</translation>
    </message>
    <message>
        <source>The name contains a character that is not allowed.</source>
        <translation>Der Name enthält ein unzulässiges Zeichen.</translation>
    </message>
    <message>
        <source>The file is on another disk.</source>
        <translation>Die Datei liegt auf einem anderen Laufwerk.</translation>
    </message>
    <message>
        <source>The folder is full.</source>
        <translation>Der Ordner ist voll.</translation>
    </message>
    <message>
        <source>The drive or network folder holding this file is not responding (input/output error).</source>
        <translation>Das Laufwerk oder der Netzwerkordner mit dieser Datei antwortet nicht (Ein-/Ausgabefehler).</translation>
    </message>
    <message>
        <source>The network folder holding this file is no longer there (stale file handle).</source>
        <translation>Der Netzwerkordner mit dieser Datei ist nicht mehr vorhanden (veralteter Datei-Handle).</translation>
    </message>
    <message>
        <source>The drive or network folder holding this file is no longer connected.</source>
        <translation>Das Laufwerk oder der Netzwerkordner mit dieser Datei ist nicht mehr verbunden.</translation>
    </message>
    <message>
        <source>The folder holding this file no longer exists, or its drive was disconnected.</source>
        <translation>Der Ordner mit dieser Datei ist nicht mehr vorhanden, oder sein Laufwerk wurde getrennt.</translation>
    </message>
    <message>
        <source>The connection to the drive or network folder holding this file broke off during the rename; the file may already have its new name.</source>
        <translation>Die Verbindung zum Laufwerk oder Netzwerkordner mit dieser Datei brach beim Umbenennen ab; die Datei hat vielleicht schon ihren neuen Namen.</translation>
    </message>
</context>
<context>
    <name>ProblemRowDelegate</name>
    <message>
        <source>Would rename to:</source>
        <translation>Würde umbenannt in:</translation>
    </message>
</context>
<context>
    <name>RecoveryReport</name>
    <message>
        <source>Some Files Need Your Attention</source>
        <translation>Einige Dateien erfordern Ihre Aufmerksamkeit</translation>
    </message>
    <message>
        <source>Interrupted Renaming Was Completed</source>
        <translation>Unterbrochenes Umbenennen wurde abgeschlossen</translation>
    </message>
    <message>
        <source>Brisklet was stopped while it renamed files.</source>
        <translation>Brisklet wurde beendet, während es Dateien umbenannte.</translation>
    </message>
    <message numerus="yes">
        <source>Brisklet was stopped while it renamed files, %n times.</source>
        <translation>
            <numerusform>Brisklet wurde %n-mal beendet, während es Dateien umbenannte.</numerusform>
            <numerusform>Brisklet wurde %n-mal beendet, während es Dateien umbenannte.</numerusform>
        </translation>
    </message>
    <message>
        <source>No file was left under a temporary name. Files renamed before the stop keep their new names; the others keep their old ones.</source>
        <translation>Keine Datei ist unter einem vorübergehenden Namen zurückgeblieben. Dateien, die vor dem Abbruch umbenannt wurden, behalten ihre neuen Namen, die übrigen ihre alten.</translation>
    </message>
    <message>
        <source>1 file set aside during the renaming now has the new name.</source>
        <translation>1 Datei, die beim Umbenennen beiseitegelegt wurde, hat jetzt den neuen Namen.</translation>
    </message>
    <message numerus="yes">
        <source>%n files set aside during the renaming now have the new name.</source>
        <translation>
            <numerusform>%n Datei, die beim Umbenennen beiseitegelegt wurde, hat jetzt den neuen Namen.</numerusform>
            <numerusform>%n Dateien, die beim Umbenennen beiseitegelegt wurden, haben jetzt den neuen Namen.</numerusform>
        </translation>
    </message>
    <message>
        <source>1 file set aside during the renaming has the old name again.</source>
        <translation>1 Datei, die beim Umbenennen beiseitegelegt wurde, hat wieder den alten Namen.</translation>
    </message>
    <message numerus="yes">
        <source>%n files set aside during the renaming have the old name again.</source>
        <translation>
            <numerusform>%n Datei, die beim Umbenennen beiseitegelegt wurde, hat wieder den alten Namen.</numerusform>
            <numerusform>%n Dateien, die beim Umbenennen beiseitegelegt wurden, haben wieder den alten Namen.</numerusform>
        </translation>
    </message>
    <message>
        <source>To make room, 1 file of the interrupted batch was renamed as planned.</source>
        <translation>Um Platz zu schaffen, wurde 1 Datei der unterbrochenen Umbenennung wie geplant umbenannt.</translation>
    </message>
    <message numerus="yes">
        <source>To make room, %n files of the interrupted batch were renamed as planned.</source>
        <translation>
            <numerusform>Um Platz zu schaffen, wurde %n Datei der unterbrochenen Umbenennung wie geplant umbenannt.</numerusform>
            <numerusform>Um Platz zu schaffen, wurden %n Dateien der unterbrochenen Umbenennung wie geplant umbenannt.</numerusform>
        </translation>
    </message>
    <message>
        <source>• “%1” in %2 is the file “%3” (to be named “%4”)</source>
        <translation>• „%1“ in %2 ist die Datei „%3“ (soll „%4“ heißen)</translation>
    </message>
    <message numerus="yes">
        <source>• and %n more</source>
        <translation>
            <numerusform>• und %n weitere</numerusform>
            <numerusform>• und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>1 file could not be given a name back, because other items now have both the old and the new name. Nothing was replaced; rename it yourself:
</source>
        <translation>1 Datei konnte keinen ihrer Namen zurückerhalten, weil andere Objekte jetzt sowohl den alten als auch den neuen Namen tragen. Nichts wurde ersetzt; benennen Sie sie selbst um:
</translation>
    </message>
    <message numerus="yes">
        <source>%n files could not be given a name back, because other items now have both the old and the new name. Nothing was replaced; rename them yourself:
</source>
        <translation>
            <numerusform>%n Datei konnte keinen ihrer Namen zurückerhalten, weil andere Objekte jetzt sowohl den alten als auch den neuen Namen tragen. Nichts wurde ersetzt; benennen Sie sie selbst um:
</numerusform>
            <numerusform>%n Dateien konnten keinen ihrer Namen zurückerhalten, weil andere Objekte jetzt sowohl den alten als auch den neuen Namen tragen. Nichts wurde ersetzt; benennen Sie sie selbst um:
</numerusform>
        </translation>
    </message>
    <message>
        <source>A record of an interrupted renaming could not be read; it was kept as:
</source>
        <translation>Die Aufzeichnung einer unterbrochenen Umbenennung konnte nicht gelesen werden; sie wurde aufbewahrt als:
</translation>
    </message>
</context>
<context>
    <name>RegexProblem</name>
    <message>
        <source>Missing closing bracket ]</source>
        <translation>Schließende eckige Klammer ] fehlt</translation>
    </message>
    <message>
        <source>Missing closing parenthesis )</source>
        <translation>Schließende runde Klammer ) fehlt</translation>
    </message>
    <message>
        <source>Closing parenthesis ) without an opening one</source>
        <translation>Schließende runde Klammer ) ohne öffnende</translation>
    </message>
    <message>
        <source>Nothing before %1 to repeat</source>
        <translation>Vor %1 steht nichts zum Wiederholen</translation>
    </message>
    <message>
        <source>Syntax error</source>
        <translation>Syntaxfehler</translation>
    </message>
    <message>
        <source>Unknown or incomplete escape sequence</source>
        <translation>Unbekannte oder unvollständige Escape-Sequenz</translation>
    </message>
    <message>
        <source>Unknown Unicode property or character class</source>
        <translation>Unbekannte Unicode-Eigenschaft oder Zeichenklasse</translation>
    </message>
    <message>
        <source>Feature not supported</source>
        <translation>Funktion wird nicht unterstützt</translation>
    </message>
    <message>
        <source>Number too large</source>
        <translation>Zahl zu groß</translation>
    </message>
    <message>
        <source>Incomplete repetition count {min,max}</source>
        <translation>Unvollständige Wiederholungsangabe {min,max}</translation>
    </message>
    <message>
        <source>Maximum smaller than minimum in {min,max}</source>
        <translation>Maximum kleiner als Minimum in {min,max}</translation>
    </message>
    <message>
        <source>Back reference to a group that does not exist</source>
        <translation>Rückverweis auf eine Gruppe, die es nicht gibt</translation>
    </message>
    <message>
        <source>Unknown flag</source>
        <translation>Unbekannter Schalter</translation>
    </message>
    <message>
        <source>Look-behind without a maximum length</source>
        <translation>Lookbehind ohne Höchstlänge</translation>
    </message>
    <message>
        <source>A set in [ ] cannot contain a string</source>
        <translation>Eine Menge in [ ] kann keine Zeichenfolge enthalten</translation>
    </message>
    <message>
        <source>Octal value too large</source>
        <translation>Oktalwert zu groß</translation>
    </message>
    <message>
        <source>Range out of order in [ ]</source>
        <translation>Bereich in [ ] in falscher Reihenfolge</translation>
    </message>
    <message>
        <source>Pattern too large</source>
        <translation>Muster zu groß</translation>
    </message>
    <message>
        <source>Invalid or repeated group name</source>
        <translation>Ungültiger oder doppelter Gruppenname</translation>
    </message>
    <message>
        <source>Not a valid regular expression</source>
        <translation>Kein gültiger regulärer Ausdruck</translation>
    </message>
    <message>
        <source>%1 at character %2</source>
        <translation>%1 bei Zeichen %2</translation>
    </message>
    <message>
        <source>A $ in the replacement needs a group number or {name}; \$ writes a dollar sign</source>
        <translation>Ein $ in der Ersetzung braucht eine Gruppennummer oder {Name}; \$ schreibt ein Dollarzeichen</translation>
    </message>
    <message>
        <source>The group name after ${ in the replacement is not valid or not closed by }</source>
        <translation>Der Gruppenname nach ${ in der Ersetzung ist ungültig oder nicht mit } abgeschlossen</translation>
    </message>
    <message>
        <source>%1 in the replacement: the pattern has no group named “%2”</source>
        <translation>%1 in der Ersetzung: Das Muster hat keine Gruppe namens „%2“</translation>
    </message>
    <message>
        <source>%1 in the replacement: the pattern has no group %2</source>
        <translation>%1 in der Ersetzung: Das Muster hat keine Gruppe %2</translation>
    </message>
    <message>
        <source>This pattern takes too long to match.</source>
        <translation>Die Suche mit diesem Muster dauert zu lange.</translation>
    </message>
</context>
<context>
    <name>RenameCommands</name>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Rename all files (Ctrl+Return)</source>
        <translation>Alle Dateien umbenennen (Strg+Eingabe)</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Undo last rename operation (or view history)</source>
        <translation>Letzte Umbenennung rückgängig machen (oder Verlauf anzeigen)</translation>
    </message>
    <message numerus="yes">
        <source>Undo: %n file(s)</source>
        <translation>
            <numerusform>Rückgängig: %n Datei</numerusform>
            <numerusform>Rückgängig: %n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source>No Changes to Apply</source>
        <translation>Keine Änderungen</translation>
    </message>
    <message>
        <source>The current workflow would not change any filenames. All files already have the resulting names.</source>
        <translation>Der aktuelle Workflow würde keinen Dateinamen ändern. Alle Dateien tragen bereits die resultierenden Namen.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Proceed with Warnings?</source>
        <translation>Trotz Warnungen fortfahren?</translation>
    </message>
    <message numerus="yes">
        <source>There are %n file(s) with conflicts or errors. Only files without issues will be renamed. Do you want to proceed?</source>
        <translation>
            <numerusform>%n Datei hat Konflikte oder Fehler. Nur Dateien ohne Probleme werden umbenannt. Möchten Sie fortfahren?</numerusform>
            <numerusform>%n Dateien haben Konflikte oder Fehler. Nur Dateien ohne Probleme werden umbenannt. Möchten Sie fortfahren?</numerusform>
        </translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Rename Anyway</source>
        <translation>Trotzdem umbenennen</translation>
    </message>
    <message>
        <source>Renaming files…</source>
        <translation>Dateien werden umbenannt …</translation>
    </message>
    <message>
        <source>Undoing…</source>
        <translation>Wird rückgängig gemacht …</translation>
    </message>
    <message>
        <source>Successfully undid last rename operation</source>
        <translation>Letzte Umbenennung wurde rückgängig gemacht</translation>
    </message>
    <message>
        <source>Successfully undid rename operation</source>
        <translation>Umbenennung wurde rückgängig gemacht</translation>
    </message>
    <message>
        <source>%1 %2 of %3</source>
        <translation>%1 %2 von %3</translation>
    </message>
    <message numerus="yes">
        <source>Renamed %n file(s)</source>
        <translation>
            <numerusform>%n Datei umbenannt</numerusform>
            <numerusform>%n Dateien umbenannt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n failed</source>
        <translation>
            <numerusform>, %n fehlgeschlagen</numerusform>
            <numerusform>, %n fehlgeschlagen</numerusform>
        </translation>
    </message>
    <message>
        <source>Adding files…</source>
        <translation>Dateien werden hinzugefügt …</translation>
    </message>
    <message>
        <source>Undo history</source>
        <translation>Rückgängig-Verlauf</translation>
    </message>
    <message>
        <source>Undo History</source>
        <translation>Rückgängig-Verlauf</translation>
    </message>
    <message>
        <source>Nothing Was Renamed</source>
        <translation>Nichts wurde umbenannt</translation>
    </message>
    <message>
        <source>Nothing Was Undone</source>
        <translation>Nichts wurde rückgängig gemacht</translation>
    </message>
    <message numerus="yes">
        <source>, %n skipped</source>
        <translation>
            <numerusform>, %n übersprungen</numerusform>
            <numerusform>, %n übersprungen</numerusform>
        </translation>
    </message>
    <message>
        <source>Reading file info…</source>
        <translation>Dateiinformationen werden gelesen …</translation>
    </message>
</context>
<context>
    <name>RenameEngine</name>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message numerus="yes">
        <source>Once their information was read, %n file(s) had conflicts or errors. Look at the list, then rename again.</source>
        <translation>
            <numerusform>Nach dem Lesen ihrer Informationen hatte %n Datei Konflikte oder Fehler. Prüfen Sie die Liste und benennen Sie dann erneut um.</numerusform>
            <numerusform>Nach dem Lesen ihrer Informationen hatten %n Dateien Konflikte oder Fehler. Prüfen Sie die Liste und benennen Sie dann erneut um.</numerusform>
        </translation>
    </message>
    <message>
        <source>Once their information was read, no file would get a new name.</source>
        <translation>Nach dem Lesen ihrer Informationen bekäme keine Datei einen neuen Namen.</translation>
    </message>
</context>
<context>
    <name>RenameHistory</name>
    <message>
        <source>Only files on this computer can be renamed.</source>
        <translation>Nur Dateien auf diesem Computer können umbenannt werden.</translation>
    </message>
    <message>
        <source>The name contains a character that is not allowed.</source>
        <translation>Der Name enthält ein unzulässiges Zeichen.</translation>
    </message>
    <message>
        <source>“%1” now holds another item than the one that was renamed.</source>
        <translation>Unter „%1“ liegt jetzt ein anderes Objekt als das umbenannte.</translation>
    </message>
</context>
<context>
    <name>SettingsPreferencesStore</name>
    <message>
        <source>The settings file “%1” could not be written.</source>
        <translation>Die Einstellungsdatei „%1“ konnte nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>The settings file “%1” could not be read back after writing: %2.</source>
        <translation>Die Einstellungsdatei „%1“ konnte nach dem Schreiben nicht wieder gelesen werden: %2.</translation>
    </message>
    <message>
        <source>The settings file “%1” could not be checked after writing: %2.</source>
        <translation>Die Einstellungsdatei „%1“ konnte nach dem Schreiben nicht geprüft werden: %2.</translation>
    </message>
    <message>
        <source>The settings file “%1” was not written in full.</source>
        <translation>Die Einstellungsdatei „%1“ wurde nicht vollständig geschrieben.</translation>
    </message>
    <message>
        <source>“%1” is a file, not a folder, so the settings file “%2” cannot be written there.</source>
        <translation>„%1“ ist eine Datei und kein Ordner, daher kann die Einstellungsdatei „%2“ dort nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>The settings file “%1” could not be written: %2.</source>
        <translation>Die Einstellungsdatei „%1“ konnte nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>nothing more could be written</source>
        <translation>es konnte nichts mehr geschrieben werden</translation>
    </message>
</context>
<context>
    <name>SheetHeader</name>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>SortActions</name>
    <message>
        <source>&amp;Sort</source>
        <translation>&amp;Sortieren</translation>
    </message>
    <message>
        <source>&amp;Name</source>
        <translation>&amp;Name</translation>
    </message>
    <message>
        <source>Date &amp;Modified</source>
        <translation>Änderungs&amp;datum</translation>
    </message>
    <message>
        <source>&amp;Size</source>
        <translation>&amp;Größe</translation>
    </message>
    <message>
        <source>&amp;Kind</source>
        <translation>Datei&amp;typ</translation>
    </message>
    <message>
        <source>&amp;Folder</source>
        <translation>&amp;Ordner</translation>
    </message>
    <message>
        <source>Date &amp;Taken</source>
        <translation>A&amp;ufnahmedatum</translation>
    </message>
    <message>
        <source>&amp;Ascending</source>
        <translation>Auf&amp;steigend</translation>
    </message>
    <message>
        <source>&amp;Descending</source>
        <translation>A&amp;bsteigend</translation>
    </message>
    <message>
        <source>&amp;Reverse Order</source>
        <translation>&amp;Reihenfolge umkehren</translation>
    </message>
</context>
<context>
    <name>Stepper</name>
    <message>
        <source>Decrement</source>
        <translation>Verringern</translation>
    </message>
    <message>
        <source>Increment</source>
        <translation>Erhöhen</translation>
    </message>
</context>
<context>
    <name>SystemWorkflowLabels</name>
    <message>
        <source>Photo Organization</source>
        <translation>Fotos ordnen</translation>
    </message>
    <message>
        <source>Web-Safe Names</source>
        <translation>Web-taugliche Namen</translation>
    </message>
    <message>
        <source>Document Cleanup</source>
        <translation>Dokumente aufräumen</translation>
    </message>
    <message>
        <source>Clean &amp; Number</source>
        <translation>Bereinigen &amp; nummerieren</translation>
    </message>
</context>
<context>
    <name>TemporaryName</name>
    <message>
        <source> The file is now named “%1”.</source>
        <translation> Die Datei heißt jetzt „%1“.</translation>
    </message>
</context>
<context>
    <name>UpdateChecker</name>
    <message>
        <source>The update feed is too large.</source>
        <translation>Der Update-Feed ist zu groß.</translation>
    </message>
    <message>
        <source>The update feed address must start with https://.</source>
        <translation>Die Adresse des Update-Feeds muss mit https:// beginnen.</translation>
    </message>
    <message>
        <source>The update feed redirected to an address that does not use https://.</source>
        <translation>Der Update-Feed hat auf eine Adresse umgeleitet, die kein https:// verwendet.</translation>
    </message>
    <message>
        <source>The update server did not answer in time.</source>
        <translation>Der Update-Server hat nicht rechtzeitig geantwortet.</translation>
    </message>
    <message>
        <source>The update server answered with status %1.</source>
        <translation>Der Update-Server hat mit Status %1 geantwortet.</translation>
    </message>
    <message>
        <source>The update server could not be reached: %1.</source>
        <translation>Der Update-Server ist nicht erreichbar: %1.</translation>
    </message>
</context>
<context>
    <name>UpdateResultPresenter</name>
    <message>
        <source>Check for Updates</source>
        <translation>Nach Updates suchen</translation>
    </message>
    <message>
        <source>You&apos;re up to date</source>
        <translation>Sie sind auf dem neuesten Stand</translation>
    </message>
    <message>
        <source>%1 %2 is the newest version available.</source>
        <translation>%1 %2 ist die neueste verfügbare Version.</translation>
    </message>
    <message>
        <source>A new version of %1 is available</source>
        <translation>Eine neue Version von %1 ist verfügbar</translation>
    </message>
    <message>
        <source>%1 %2 is available. You have version %3.</source>
        <translation>%1 %2 ist verfügbar. Sie haben Version %3.</translation>
    </message>
    <message>
        <source>Open Release Page</source>
        <translation>Release-Seite öffnen</translation>
    </message>
    <message>
        <source>Release Notes</source>
        <translation>Versionshinweise</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>Could not check for updates</source>
        <translation>Suche nach Updates fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>WorkflowPanel</name>
    <message>
        <source>Add Operation</source>
        <translation>Schritt hinzufügen</translation>
    </message>
    <message>
        <source>Add another operation to the stack</source>
        <translation>Einen weiteren Umbenennungsschritt hinzufügen</translation>
    </message>
    <message>
        <source>Could not save workflows</source>
        <translation>Workflows konnten nicht gespeichert werden</translation>
    </message>
    <message>
        <source>%1 Your workflows are kept until Brisklet quits.</source>
        <translation>%1 Ihre Workflows bleiben erhalten, bis Brisklet beendet wird.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Workflow</source>
        <translation>Workflow</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save current workflow</source>
        <translation>Aktuellen Workflow speichern</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Load workflow</source>
        <translation>Workflow laden</translation>
    </message>
    <message>
        <source>System Workflows</source>
        <translation>Vorgegebene Workflows</translation>
    </message>
    <message>
        <source>No saved workflows</source>
        <translation>Keine gespeicherten Workflows</translation>
    </message>
    <message>
        <source>Manage Workflows...</source>
        <translation>Workflows verwalten...</translation>
    </message>
    <message>
        <source>Save Workflow</source>
        <translation>Workflow speichern</translation>
    </message>
    <message>
        <source>Enter a name for this workflow</source>
        <translation>Geben Sie einen Namen für diesen Workflow ein</translation>
    </message>
    <message>
        <source>Workflow Name</source>
        <translation>Name des Workflows</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Workflow &apos;%1&apos; saved</source>
        <translation>Workflow „%1“ gespeichert</translation>
    </message>
</context>
<context>
    <name>WorkflowRow</name>
    <message>
        <source>Rename workflow</source>
        <translation>Workflow umbenennen</translation>
    </message>
    <message>
        <source>Delete workflow</source>
        <translation>Workflow löschen</translation>
    </message>
    <message>
        <source>Workflow name</source>
        <translation>Name des Workflows</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
</TS>
