<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AppBrowser</name>
    <message>
        <source>Cannot reach %1, trying again in %2 s</source>
        <translation>%1 ist nicht erreichbar, neuer Versuch in %2 s</translation>
    </message>
</context>
<context>
    <name>CertificateTrust</name>
    <message>
        <source>The certificate of %1 (port %2) cannot be trusted. Connect anyway?</source>
        <translation>Dem Zertifikat von %1 (Port %2) kann nicht vertraut werden. Trotzdem verbinden?</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>Http authentication required</source>
        <translation>HTTP-Authentifizierung erforderlich</translation>
    </message>
    <message>
        <source>You need to supply a Username and a Password to access this site</source>
        <translation>Für den Zugriff auf diese Seite sind ein Benutzername und ein Passwort nötig</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Passwort:</translation>
    </message>
    <message>
        <source>Site:</source>
        <translation>Seite:</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 auf %2</translation>
    </message>
</context>
<context>
    <name>InputDlg</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>Filename:</source>
        <translation>Dateiname:</translation>
    </message>
</context>
<context>
    <name>LyricsPanel</name>
    <message>
        <source>Find lyrics</source>
        <translation>Liedtext suchen</translation>
    </message>
    <message>
        <source>Find lyrics for %1</source>
        <translation>Liedtext für %1 suchen</translation>
    </message>
    <message>
        <source>Loading</source>
        <translation>Wird geladen</translation>
    </message>
    <message>
        <source>Nothing found</source>
        <translation>Nichts gefunden</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>Hauptfenster</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>Textfeld</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop download</source>
        <translation>Download anhalten</translation>
    </message>
    <message>
        <source>Next track</source>
        <translation>Nächster Titel</translation>
    </message>
    <message>
        <source>Player</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Show video player</source>
        <translation>Videoplayer anzeigen</translation>
    </message>
    <message>
        <source>Lyrics</source>
        <translation>Liedtext</translation>
    </message>
    <message>
        <source>Related</source>
        <translation>Ähnliche</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Bookmark</source>
        <translation>Merken</translation>
    </message>
    <message>
        <source>Bookmark current video</source>
        <translation>Lesezeichen für das aktuelle Video setzen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy current video URL to clipboard</source>
        <translation>Adresse des aktuellen Videos in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Browser</source>
        <translation>Browser</translation>
    </message>
    <message>
        <source>Open in default browser</source>
        <translation>Im Standardbrowser öffnen</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save a copy in various formats</source>
        <translation>Eine Kopie in verschiedenen Formaten speichern</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Minimize to tray</source>
        <translation>In den Infobereich minimieren</translation>
    </message>
    <message>
        <source>Loading...</source>
        <translation>Wird geladen...</translation>
    </message>
    <message>
        <source>Show the lyrics page (%1)</source>
        <translation>Liedtext-Seite anzeigen (%1)</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Sonvara - Video Player</source>
        <translation>Sonvara - Videoplayer</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>%1...</source>
        <translation>%1...</translation>
    </message>
    <message>
        <source>Loading player</source>
        <translation>Player wird geladen</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>No video information found</source>
        <translation>Keine Videoinformationen gefunden</translation>
    </message>
    <message>
        <source>Click search button to start</source>
        <translation>Zum Beginnen auf Suchen klicken</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Click to open folder</source>
        <translation>Klicken, um den Ordner zu öffnen</translation>
    </message>
    <message>
        <source>Skipping</source>
        <translation>Wird übersprungen</translation>
    </message>
    <message>
        <source>No video found</source>
        <translation>Kein Video gefunden</translation>
    </message>
    <message>
        <source>No valid URL found</source>
        <translation>Keine gültige Adresse gefunden</translation>
    </message>
    <message>
        <source>URL copied to clipboard</source>
        <translation>Adresse in die Zwischenablage kopiert</translation>
    </message>
    <message>
        <source>You are currently download. Exit anyway?</source>
        <translation>Gerade läuft ein Download. Trotzdem beenden?</translation>
    </message>
    <message>
        <source>Title copied to clipboard</source>
        <translation>Titel in die Zwischenablage kopiert</translation>
    </message>
    <message>
        <source>Not video found</source>
        <translation>Kein Video gefunden</translation>
    </message>
    <message>
        <source>The video cannot be played</source>
        <translation>Das Video kann nicht abgespielt werden</translation>
    </message>
    <message>
        <source>Click to show the download</source>
        <translation>Klicken, um den Download anzuzeigen</translation>
    </message>
    <message>
        <source>Cannot reach %1, trying again in %2 s</source>
        <translation>%1 ist nicht erreichbar, neuer Versuch in %2 s</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>tb</source>
        <translation>TB</translation>
    </message>
    <message>
        <source>gb</source>
        <translation>GB</translation>
    </message>
    <message>
        <source>mb</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>kb</source>
        <translation>KB</translation>
    </message>
</context>
<context>
    <name>QT_EXT</name>
    <message>
        <source>Reason</source>
        <translation>Grund</translation>
    </message>
</context>
<context>
    <name>QT_EXT::NetworkAccessManager</name>
    <message>
        <source>Authentication Required</source>
        <translation>Authentifizierung erforderlich</translation>
    </message>
    <message>
        <source>Proxy Authentication Required</source>
        <translation>Proxy-Authentifizierung erforderlich</translation>
    </message>
</context>
<context>
    <name>QT_EXT::QHttpExt</name>
    <message>
        <source>Invalid URL: %1</source>
        <translation>Ungültige Adresse: %1</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>There already exists a file called %1 in the current directory. Overwrite?</source>
        <translation>Im aktuellen Ordner gibt es schon eine Datei namens %1. Überschreiben?</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Unable to save file.</source>
        <translation>Die Datei kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The reply is larger than the limit of %1 bytes.</source>
        <translation>Die Antwort ist größer als die Grenze von %1 Bytes.</translation>
    </message>
    <message>
        <source>Unable to write the file %1.</source>
        <translation>Die Datei %1 kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Too many redirects: the transfer was stopped after %1.</source>
        <translation>Zu viele Weiterleitungen: Die Übertragung wurde nach %1 angehalten.</translation>
    </message>
    <message>
        <source>Redirect to a non-web address refused: %1</source>
        <translation>Weiterleitung auf eine Adresse außerhalb des Webs abgelehnt: %1</translation>
    </message>
    <message>
        <source>Redirect from https to http refused: %1</source>
        <translation>Weiterleitung von https auf http abgelehnt: %1</translation>
    </message>
    <message>
        <source>Not a web address, refused: %1</source>
        <translation>Keine Webadresse, abgelehnt: %1</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 auf %2</translation>
    </message>
</context>
<context>
    <name>QT_EXT::WebBrowser</name>
    <message>
        <source>Loading...</source>
        <translation>Wird geladen...</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>TrackInfoDlg</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Song Title</source>
        <translation>Songtitel</translation>
    </message>
</context>
<context>
    <name>VideoDownloadPanel</name>
    <message>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>Textfeld</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>File already exists. Continue?</source>
        <translation>Die Datei gibt es schon. Fortfahren?</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>There already exists a file called %1 in the current directory. Overwrite?</source>
        <translation>Im aktuellen Ordner gibt es schon eine Datei namens %1. Überschreiben?</translation>
    </message>
    <message>
        <source>Connecting</source>
        <translation>Verbindung wird aufgebaut</translation>
    </message>
    <message>
        <source>Download finished</source>
        <translation>Download beendet</translation>
    </message>
    <message>
        <source>The downloaded file %1 is missing.</source>
        <translation>Die heruntergeladene Datei %1 fehlt.</translation>
    </message>
    <message>
        <source>The server sent no data.</source>
        <translation>Der Server hat keine Daten gesendet.</translation>
    </message>
    <message>
        <source>The download could not be renamed to %1; it is kept as %2.</source>
        <translation>Der Download konnte nicht in %1 umbenannt werden; er bleibt als %2 erhalten.</translation>
    </message>
    <message>
        <source>%1?</source>
        <translation>%1?</translation>
    </message>
    <message>
        <source>Stop current download</source>
        <translation>Aktuellen Download anhalten</translation>
    </message>
</context>
<context>
    <name>VideoFormatDlg</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>Textfeld</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Nothing found</source>
        <translation>Nichts gefunden</translation>
    </message>
    <message>
        <source>MP3</source>
        <translation>MP3</translation>
    </message>
    <message>
        <source>No format selected</source>
        <translation>Kein Format ausgewählt</translation>
    </message>
</context>
<context>
    <name>VideoPlayerBrowser</name>
    <message>
        <source>Playing</source>
        <translation>Wiedergabe läuft</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Buffering...</source>
        <translation>Puffern...</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Warten</translation>
    </message>
    <message>
        <source>Invalid video id</source>
        <translation>Ungültige Video-ID</translation>
    </message>
    <message>
        <source>Video not found</source>
        <translation>Video nicht gefunden</translation>
    </message>
    <message>
        <source>Video not allowed</source>
        <translation>Video nicht erlaubt</translation>
    </message>
</context>
</TS>
