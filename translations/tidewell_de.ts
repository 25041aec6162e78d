<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AutoStartSetting</name>
    <message>
        <source>Not Registered</source>
        <translation>Nicht registriert</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiviert</translation>
    </message>
    <message>
        <source>No Found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Status: %1</source>
        <translation>Status: %1</translation>
    </message>
</context>
<context>
    <name>BundleLauncher</name>
    <message>
        <source>The helper at %1 does not lie inside the main application&apos;s bundle</source>
        <translation>Das Hilfsprogramm unter %1 liegt nicht im Bundle des Hauptprogramms</translation>
    </message>
    <message>
        <source>open failed on %1</source>
        <translation>open ist bei %1 gescheitert</translation>
    </message>
</context>
<context>
    <name>CheckForUpdateResult</name>
    <message>
        <source>The answer is not JSON: %1</source>
        <translation>Die Antwort ist kein JSON: %1</translation>
    </message>
    <message>
        <source>The answer is not a JSON object.</source>
        <translation>Die Antwort ist kein JSON-Objekt.</translation>
    </message>
    <message>
        <source>The answer has no text member &quot;message&quot;.</source>
        <translation>Die Antwort hat kein Textfeld „message“.</translation>
    </message>
    <message>
        <source>The answer&apos;s &quot;version&quot; or &quot;download_link&quot; is not text.</source>
        <translation>„version“ oder „download_link“ der Antwort ist kein Text.</translation>
    </message>
</context>
<context>
    <name>CommandLineOptions</name>
    <message>
        <source>Shows which local development servers listen on which TCP ports.
Without options the menu-bar window starts.</source>
        <translation>Zeigt, welche lokalen Entwicklungsserver auf welchen TCP-Ports lauschen.
Ohne Optionen startet das Fenster in der Menüleiste.</translation>
    </message>
    <message>
        <source>Print the development servers (with their page, what they answered instead, or that they did not answer), then exit.</source>
        <translation>Die Entwicklungsserver ausgeben (mit ihrer Seite, mit dem, was sie stattdessen antworteten, oder damit, dass sie nicht antworteten), dann beenden.</translation>
    </message>
    <message>
        <source>With --list: also print every other listening process.</source>
        <translation>Mit --list: auch jeden anderen lauschenden Prozess ausgeben.</translation>
    </message>
    <message>
        <source>With --list or --deployments: print one JSON array instead of a table.</source>
        <translation>Mit --list oder --deployments: ein JSON-Array statt einer Tabelle ausgeben.</translation>
    </message>
    <message>
        <source>With --list: wait at most this many seconds for each server&apos;s page (default %1); a server that takes longer is listed as not answering.</source>
        <translation>Mit --list: höchstens so viele Sekunden auf die Seite jedes Servers warten (Vorgabe %1); ein Server, der länger braucht, wird als nicht antwortend aufgeführt.</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>Ask the update service about a newer version, print its answer, then exit.</source>
        <translation>Den Aktualisierungsdienst nach einer neueren Version fragen, seine Antwort ausgeben, dann beenden.</translation>
    </message>
    <message>
        <source>Print the latest Vercel deployment of each project, then exit. Uses the token of `vercel login`.</source>
        <translation>Das neueste Vercel-Deployment jedes Projekts ausgeben, dann beenden. Verwendet das Token von `vercel login`.</translation>
    </message>
    <message>
        <source>With --deployments: the Vercel team (id or slug) for this run only.</source>
        <translation>Mit --deployments: das Vercel-Team (ID oder Slug), nur für diesen Aufruf.</translation>
    </message>
    <message>
        <source>Stop what listens on this port (SIGTERM), wait up to 5 seconds for it to let the port go, print what was stopped, then exit.</source>
        <translation>Beenden, was auf diesem Port lauscht (SIGTERM), bis zu 5 Sekunden warten, bis der Port frei wird, ausgeben, was beendet wurde, dann beenden.</translation>
    </message>
    <message>
        <source>port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>With --stop: kill (SIGKILL) a process still listening then.</source>
        <translation>Mit --stop: einen Prozess, der danach noch lauscht, hart beenden (SIGKILL).</translation>
    </message>
    <message>
        <source>words</source>
        <translation>Wörter</translation>
    </message>
    <message>
        <source>With --list: only the servers whose port, title, process name, folder or command holds every word (any letter case).</source>
        <translation>Mit --list: nur die Server, deren Port, Titel, Prozessname, Ordner oder Befehl jedes Wort enthält (Groß- und Kleinschreibung egal).</translation>
    </message>
    <message>
        <source>[words...]</source>
        <translation>[Wörter...]</translation>
    </message>
    <message>
        <source>--timeout takes a whole number of seconds from 1 to 3600.</source>
        <translation>--timeout erwartet eine ganze Zahl von Sekunden zwischen 1 und 3600.</translation>
    </message>
    <message>
        <source>--stop takes a port number from 1 to 65535.</source>
        <translation>--stop erwartet eine Portnummer zwischen 1 und 65535.</translation>
    </message>
    <message>
        <source>--force goes with --stop, as in: tidewell --stop 3000 --force</source>
        <translation>--force gehört zu --stop, etwa so: tidewell --stop 3000 --force</translation>
    </message>
    <message>
        <source>--list and --deployments cannot be asked for together.</source>
        <translation>--list und --deployments können nicht zusammen verwendet werden.</translation>
    </message>
    <message>
        <source>Words to find servers by go with --list, as in: tidewell --list %1</source>
        <translation>Suchwörter für Server gehören zu --list, etwa so: tidewell --list %1</translation>
    </message>
    <message>
        <source>With --list or --stop: that machine over ssh instead of this one (a host of ~/.ssh/config, user@host or host:port); --list takes it more than once.</source>
        <translation>Mit --list oder --stop: diese Maschine über ssh statt dieser hier (ein Host aus ~/.ssh/config, user@host oder host:port); --list nimmt es mehrmals.</translation>
    </message>
    <message>
        <source>destination</source>
        <translation>Ziel</translation>
    </message>
    <message>
        <source>Forward a local port to PORT on that machine through its shared ssh connection, print the local address, then exit.</source>
        <translation>Einen lokalen Port über die geteilte ssh-Verbindung an PORT auf dieser Maschine weiterleiten, die lokale Adresse ausgeben, dann beenden.</translation>
    </message>
    <message>
        <source>destination:port</source>
        <translation>Ziel:Port</translation>
    </message>
    <message>
        <source>With --forward: this local port instead of a free one.</source>
        <translation>Mit --forward: dieser lokale Port statt eines freien.</translation>
    </message>
    <message>
        <source>--forward goes alone, or with --local-port.</source>
        <translation>--forward steht allein oder mit --local-port.</translation>
    </message>
    <message>
        <source>--stop takes one --host.</source>
        <translation>--stop nimmt ein --host.</translation>
    </message>
    <message>
        <source>--stop goes alone, or with --force and --host.</source>
        <translation>--stop steht allein oder mit --force und --host.</translation>
    </message>
</context>
<context>
    <name>CurlTransfer</name>
    <message>
        <source>The request timed out.</source>
        <translation>Die Anfrage hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>The reply&apos;s header section is larger than %1 bytes.</source>
        <translation>Die Kopfzeilen der Antwort sind größer als %1 Bytes.</translation>
    </message>
    <message>
        <source>The reply is larger than %1 bytes.</source>
        <translation>Die Antwort ist größer als %1 Bytes.</translation>
    </message>
    <message>
        <source>The transfer was stopped.</source>
        <translation>Die Übertragung wurde abgebrochen.</translation>
    </message>
</context>
<context>
    <name>Deployments</name>
    <message>
        <source>Unknown readyState &quot;%1&quot;</source>
        <translation>Unbekannter readyState „%1“</translation>
    </message>
</context>
<context>
    <name>DownloadFolder</name>
    <message>
        <source>No free name beside %1</source>
        <translation>Kein freier Name neben %1</translation>
    </message>
    <message>
        <source>There is no folder to download into.</source>
        <translation>Es gibt keinen Ordner für Downloads.</translation>
    </message>
    <message>
        <source>Could not create the folder %1</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>%1 is not a folder.</source>
        <translation>%1 ist kein Ordner.</translation>
    </message>
    <message>
        <source>%1 belongs to another user.</source>
        <translation>%1 gehört einem anderen Benutzer.</translation>
    </message>
    <message>
        <source>Could not close the folder %1 to other users.</source>
        <translation>Der Ordner %1 konnte nicht für andere Benutzer gesperrt werden.</translation>
    </message>
</context>
<context>
    <name>FileDownload</name>
    <message>
        <source>Only http and https links can be downloaded, not %1</source>
        <translation>Nur http- und https-Links lassen sich herunterladen, nicht %1</translation>
    </message>
    <message>
        <source>Not a valid link: %1</source>
        <translation>Kein gültiger Link: %1</translation>
    </message>
    <message>
        <source>The download is longer than the %1 bytes it announced.</source>
        <translation>Der Download ist länger als die angekündigten %1 Bytes.</translation>
    </message>
    <message>
        <source>The download timed out.</source>
        <translation>Der Download hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>Could not move the download to %1: %2</source>
        <translation>Der Download konnte nicht nach %1 verschoben werden: %2</translation>
    </message>
</context>
<context>
    <name>FileLoginItem</name>
    <message>
        <source>The helper program is missing: %1</source>
        <translation>Das Hilfsprogramm fehlt: %1</translation>
    </message>
    <message>
        <source>Could not create the folder %1: %2</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>%1 konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Could not remove %1: %2</source>
        <translation>%1 konnte nicht entfernt werden: %2</translation>
    </message>
</context>
<context>
    <name>JsonDecoder</name>
    <message>
        <source>null</source>
        <translation>null</translation>
    </message>
    <message>
        <source>a boolean</source>
        <translation>einen Wahrheitswert</translation>
    </message>
    <message>
        <source>a number</source>
        <translation>eine Zahl</translation>
    </message>
    <message>
        <source>a string</source>
        <translation>einen Text</translation>
    </message>
    <message>
        <source>an array</source>
        <translation>eine Liste</translation>
    </message>
    <message>
        <source>an object</source>
        <translation>ein Objekt</translation>
    </message>
    <message>
        <source>nothing</source>
        <translation>nichts</translation>
    </message>
    <message>
        <source>The reply is not JSON (%1 at offset %2)</source>
        <translation>Die Antwort ist kein JSON (%1 an Position %2)</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 bei %2</translation>
    </message>
    <message>
        <source>Missing member &quot;%1&quot;</source>
        <translation>Feld „%1“ fehlt</translation>
    </message>
    <message>
        <source>Member &quot;%1&quot; holds %2 of the wrong kind</source>
        <translation>Feld „%1“ enthält %2 der falschen Art</translation>
    </message>
    <message>
        <source>Expected an object, found %1</source>
        <translation>Ein Objekt erwartet, %1 gefunden</translation>
    </message>
</context>
<context>
    <name>JsonRequest</name>
    <message>
        <source>Not a valid address: %1</source>
        <translation>Keine gültige Adresse: %1</translation>
    </message>
    <message>
        <source>The service answered with a redirect (HTTP %1), which is not followed.</source>
        <translation>Der Dienst antwortete mit einer Weiterleitung (HTTP %1), der nicht gefolgt wird.</translation>
    </message>
</context>
<context>
    <name>PageMetadata</name>
    <message>
        <source>No Title</source>
        <translation>Kein Titel</translation>
    </message>
</context>
<context>
    <name>PageProbe</name>
    <message>
        <source>JSON API</source>
        <translation>JSON-API</translation>
    </message>
    <message>
        <source>redirects to %1</source>
        <translation>leitet weiter zu %1</translation>
    </message>
</context>
<context>
    <name>PortTableFormatter</name>
    <message>
        <source>no answer</source>
        <translation>keine Antwort</translation>
    </message>
</context>
<context>
    <name>RegularFile</name>
    <message>
        <source>Not a regular file</source>
        <translation>Keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>Larger than %1 bytes</source>
        <translation>Größer als %1 Bytes</translation>
    </message>
</context>
<context>
    <name>RemoteListingReader</name>
    <message>
        <source>unreadable listing: %1</source>
        <translation>unlesbare Liste: %1</translation>
    </message>
    <message>
        <source>listing over 1 MiB</source>
        <translation>Liste über 1 MiB</translation>
    </message>
    <message>
        <source>empty listing</source>
        <translation>leere Liste</translation>
    </message>
</context>
<context>
    <name>RemoteMachine</name>
    <message>
        <source>unreadable answer</source>
        <translation>unlesbare Antwort</translation>
    </message>
</context>
<context>
    <name>SiblingProgramLauncher</name>
    <message>
        <source>No program at %1</source>
        <translation>Kein Programm unter %1</translation>
    </message>
</context>
<context>
    <name>SshConnection</name>
    <message>
        <source>needs a key or an agent</source>
        <translation>braucht einen Schlüssel oder einen Agenten</translation>
    </message>
    <message>
        <source>host key not known: connect once with ssh</source>
        <translation>Hostschlüssel unbekannt: einmal mit ssh verbinden</translation>
    </message>
    <message>
        <source>ssh did not run</source>
        <translation>ssh lief nicht</translation>
    </message>
    <message>
        <source>exited with %1</source>
        <translation>mit %1 beendet</translation>
    </message>
    <message>
        <source>listing over %1 KiB</source>
        <translation>Liste über %1 KiB</translation>
    </message>
    <message>
        <source>no free local port</source>
        <translation>kein freier lokaler Port</translation>
    </message>
</context>
<context>
    <name>StopCommand</name>
    <message>
        <source>Not permitted: port %1 is held by a process of another user</source>
        <translation>Nicht erlaubt: Port %1 gehört einem Prozess eines anderen Benutzers</translation>
    </message>
    <message>
        <source>Nothing listens on port %1</source>
        <translation>Auf Port %1 lauscht nichts</translation>
    </message>
    <message>
        <source>%1 (pid %2) on port %3</source>
        <translation>%1 (PID %2) auf Port %3</translation>
    </message>
    <message>
        <source>Stopped %1 with SIGKILL</source>
        <translation>%1 mit SIGKILL beendet</translation>
    </message>
    <message>
        <source>Stopped %1</source>
        <translation>%1 beendet</translation>
    </message>
    <message>
        <source>%1 still listens after SIGKILL</source>
        <translation>%1 lauscht nach SIGKILL noch</translation>
    </message>
    <message>
        <source>%1 still listens after %2 s; --force kills it</source>
        <translation>%1 lauscht nach %2 s noch; --force beendet ihn hart</translation>
    </message>
    <message>
        <source>Not stopped: %1 ended or gave its pid away</source>
        <translation>Nicht beendet: %1 hat sich beendet oder seine PID abgegeben</translation>
    </message>
    <message>
        <source>Not permitted: %1 belongs to another user</source>
        <translation>Nicht erlaubt: %1 gehört einem anderen Benutzer</translation>
    </message>
</context>
<context>
    <name>UpdateDownload</name>
    <message>
        <source>Not a valid link: %1</source>
        <translation>Kein gültiger Link: %1</translation>
    </message>
    <message>
        <source>Only http and https links can be downloaded: %1</source>
        <translation>Nur http- und https-Links lassen sich herunterladen: %1</translation>
    </message>
</context>
<context>
    <name>tidewell::AppMenu</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Deployments</source>
        <translation>Deployments</translation>
    </message>
    <message>
        <source>Ports; press again for x-ray</source>
        <translation>Ports; erneut drücken für Röntgenblick</translation>
    </message>
    <message>
        <source>Ports and x-ray</source>
        <translation>Ports und Röntgenblick</translation>
    </message>
    <message>
        <source>Quick launch</source>
        <translation>Schnellstart</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Kontakt</translation>
    </message>
    <message>
        <source>Report Issue</source>
        <translation>Problem melden</translation>
    </message>
    <message>
        <source>Submit Feedback</source>
        <translation>Feedback senden</translation>
    </message>
    <message>
        <source>Check for update</source>
        <translation>Nach Aktualisierung suchen</translation>
    </message>
    <message>
        <source>Version: %1</source>
        <translation>Version: %1</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Tidewell</source>
        <translation>Tidewell</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Aktualisierungen</translation>
    </message>
    <message>
        <source>Find servers</source>
        <translation>Server suchen</translation>
    </message>
    <message>
        <source>Keeps the rows whose port, title, process, folder or command hold every word typed; Escape clears it</source>
        <translation>Behält die Zeilen, deren Port, Titel, Prozess, Ordner oder Befehl jedes eingegebene Wort enthält; Escape leert das Feld</translation>
    </message>
    <message>
        <source>Shows the latest Vercel deployment of each project</source>
        <translation>Zeigt das neueste Vercel-Deployment jedes Projekts</translation>
    </message>
    <message>
        <source>Shows the ports; pressed while they are shown, turns x-ray mode with CPU, memory and branch on or off</source>
        <translation>Zeigt die Ports; gedrückt, während sie zu sehen sind, schaltet es den Röntgenblick mit CPU, Speicher und Branch ein oder aus</translation>
    </message>
    <message>
        <source>Shows the saved servers, to start them again</source>
        <translation>Zeigt die gespeicherten Server, um sie erneut zu starten</translation>
    </message>
    <message>
        <source>More</source>
        <translation>Mehr</translation>
    </message>
    <message>
        <source>Settings, refresh, contact, teams, updates and quit</source>
        <translation>Einstellungen, Aktualisieren, Kontakt, Teams, Aktualisierungen und Beenden</translation>
    </message>
</context>
<context>
    <name>tidewell::DeploymentsTab</name>
    <message>
        <source>No projects</source>
        <translation>Keine Projekte</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>Persönlich</translation>
    </message>
</context>
<context>
    <name>tidewell::IgnoredPortsToggle</name>
    <message>
        <source>Hide All Ports</source>
        <translation>Alle Ports ausblenden</translation>
    </message>
    <message>
        <source>Show All Ports</source>
        <translation>Alle Ports anzeigen</translation>
    </message>
</context>
<context>
    <name>tidewell::LinkedDeploymentPanel</name>
    <message>
        <source>Vercel: %1</source>
        <translation>Vercel: %1</translation>
    </message>
    <message>
        <source>Open Deployments</source>
        <translation>Deployments öffnen</translation>
    </message>
</context>
<context>
    <name>tidewell::OverlayScrollBar</name>
    <message>
        <source>Scroll the list</source>
        <translation>Liste blättern</translation>
    </message>
</context>
<context>
    <name>tidewell::PopoverWindow</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>tidewell::PortsTab</name>
    <message>
        <source>No ports found</source>
        <translation>Keine Ports gefunden</translation>
    </message>
    <message>
        <source>No matching servers</source>
        <translation>Keine passenden Server</translation>
    </message>
    <message>
        <source>Server started: %1 on port %2</source>
        <translation>Server gestartet: %1 auf Port %2</translation>
    </message>
    <message>
        <source>Server stopped: %1 on port %2</source>
        <translation>Server beendet: %1 auf Port %2</translation>
    </message>
</context>
<context>
    <name>tidewell::ProcessDetailsPanel</name>
    <message>
        <source>Port: %1</source>
        <translation>Port: %1</translation>
    </message>
    <message>
        <source>PID: %1</source>
        <translation>PID: %1</translation>
    </message>
    <message>
        <source>Path: %1</source>
        <translation>Pfad: %1</translation>
    </message>
    <message>
        <source>Copy command</source>
        <translation>Befehl kopieren</translation>
    </message>
</context>
<context>
    <name>tidewell::ProcessInfoAction</name>
    <message>
        <source>Add to quick launch</source>
        <translation>Zum Schnellstart hinzufügen</translation>
    </message>
    <message>
        <source>Saved to Quick Launch</source>
        <translation>Im Schnellstart gespeichert</translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Open in Terminal</source>
        <translation>Im Terminal öffnen</translation>
    </message>
    <message>
        <source>Open in editor</source>
        <translation>Im Editor öffnen</translation>
    </message>
    <message>
        <source>No editor found</source>
        <translation>Kein Editor gefunden</translation>
    </message>
</context>
<context>
    <name>tidewell::ProcessItem</name>
    <message>
        <source>Ctrl+C copies the command, Delete stops it, Space shows the details</source>
        <translation>Strg+C kopiert den Befehl, Entf beendet ihn, Leertaste zeigt die Details</translation>
    </message>
    <message>
        <source>Enter opens the page, Ctrl+C copies the command, Delete stops it, Space shows the details</source>
        <translation>Eingabe öffnet die Seite, Strg+C kopiert den Befehl, Entf beendet ihn, Leertaste zeigt die Details</translation>
    </message>
    <message>
        <source>Vercel: %1 %2</source>
        <translation>Vercel: %1 %2</translation>
    </message>
    <message>
        <source>No answer</source>
        <translation>Keine Antwort</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Force stop</source>
        <translation>Hart beenden</translation>
    </message>
    <message>
        <source>Still listening: end it with SIGKILL</source>
        <translation>Lauscht noch: mit SIGKILL beenden</translation>
    </message>
    <message>
        <source>Not permitted</source>
        <translation>Nicht erlaubt</translation>
    </message>
    <message>
        <source>The process belongs to another user</source>
        <translation>Der Prozess gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>%1, port %2, %3</source>
        <translation>%1, Port %2, %3</translation>
    </message>
    <message>
        <source>%1, CPU %2, memory %3, branch %4</source>
        <translation>%1, CPU %2, Speicher %3, Branch %4</translation>
    </message>
    <message>
        <source>Forwarded to localhost:%1</source>
        <translation>Weitergeleitet an localhost:%1</translation>
    </message>
</context>
<context>
    <name>tidewell::ProjectView</name>
    <message>
        <source>No deployments yet</source>
        <translation>Noch keine Deployments</translation>
    </message>
    <message>
        <source>%1, no deployments yet</source>
        <translation>%1, noch keine Deployments</translation>
    </message>
    <message>
        <source>%1, %2, %3</source>
        <translation>%1, %2, %3</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
</context>
<context>
    <name>tidewell::QuickLaunchItem</name>
    <message>
        <source>Running</source>
        <translation>Läuft</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Start in a terminal</source>
        <translation>In einem Terminal starten</translation>
    </message>
    <message>
        <source>Enter starts it in a terminal, Ctrl+C copies the command, Delete deletes it, Space shows the details</source>
        <translation>Eingabe startet ihn in einem Terminal, Strg+C kopiert den Befehl, Entf löscht ihn, Leertaste zeigt die Details</translation>
    </message>
    <message>
        <source>Open the running server&apos;s page</source>
        <translation>Seite des laufenden Servers öffnen</translation>
    </message>
    <message>
        <source>Stop the running server</source>
        <translation>Laufenden Server beenden</translation>
    </message>
    <message>
        <source>%1, running on port %2, %3</source>
        <translation>%1, läuft auf Port %2, %3</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
</context>
<context>
    <name>tidewell::QuickLaunchList</name>
    <message>
        <source>No quick launch</source>
        <translation>Kein Schnellstart</translation>
    </message>
    <message>
        <source>No matching servers</source>
        <translation>Keine passenden Server</translation>
    </message>
</context>
<context>
    <name>tidewell::ServerNotifier</name>
    <message>
        <source>Server started</source>
        <translation>Server gestartet</translation>
    </message>
    <message>
        <source>%1 on port %2</source>
        <translation>%1 auf Port %2</translation>
    </message>
    <message>
        <source>Server stopped</source>
        <translation>Server beendet</translation>
    </message>
</context>
<context>
    <name>tidewell::SettingsPage</name>
    <message>
        <source>General Settings</source>
        <translation>Allgemeine Einstellungen</translation>
    </message>
    <message>
        <source>Auto Start</source>
        <translation>Automatisch starten</translation>
    </message>
    <message>
        <source>Notifications</source>
        <translation>Benachrichtigungen</translation>
    </message>
    <message>
        <source>Server started or stopped</source>
        <translation>Server gestartet oder beendet</translation>
    </message>
    <message>
        <source>Deployment finished</source>
        <translation>Deployment abgeschlossen</translation>
    </message>
    <message>
        <source>Remote Machines</source>
        <translation>Entfernte Maschinen</translation>
    </message>
    <message>
        <source>Remote machine</source>
        <translation>Entfernte Maschine</translation>
    </message>
    <message>
        <source>user@host or host:port</source>
        <translation>user@host oder host:port</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add remote machine</source>
        <translation>Entfernte Maschine hinzufügen</translation>
    </message>
    <message>
        <source>List %1</source>
        <translation>%1 auflisten</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove %1</source>
        <translation>%1 entfernen</translation>
    </message>
    <message>
        <source>Not an ssh destination: a host of ~/.ssh/config, user@host or host:port</source>
        <translation>Kein ssh-Ziel: ein Host aus ~/.ssh/config, user@host oder host:port</translation>
    </message>
</context>
<context>
    <name>tidewell::TeamsMenu</name>
    <message>
        <source>Teams</source>
        <translation>Teams</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>Persönlich</translation>
    </message>
    <message>
        <source>Whose Vercel projects the deployments tab shows</source>
        <translation>Wessen Vercel-Projekte der Deployments-Tab zeigt</translation>
    </message>
</context>
<context>
    <name>tidewell::TidewellMenu</name>
    <message>
        <source>Tidewell</source>
        <translation>Tidewell</translation>
    </message>
    <message>
        <source>Open Tidewell</source>
        <translation>Tidewell öffnen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>tidewell::TrayNotificationSink</name>
    <message>
        <source>Could not open the deployment</source>
        <translation>Das Deployment konnte nicht geöffnet werden</translation>
    </message>
</context>
<context>
    <name>tidewell::UpdatePage</name>
    <message>
        <source>Current Version %1</source>
        <translation>Aktuelle Version %1</translation>
    </message>
    <message>
        <source>Checking for update...</source>
        <translation>Suche nach Aktualisierung...</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Show in Folder</source>
        <translation>Im Ordner zeigen</translation>
    </message>
    <message>
        <source>Downloaded to %1</source>
        <translation>Heruntergeladen nach %1</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Download failed: %1</source>
        <translation>Herunterladen fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Download %1</source>
        <translation>%1 herunterladen</translation>
    </message>
    <message>
        <source>Downloads the new version to the downloads folder</source>
        <translation>Lädt die neue Version in den Download-Ordner herunter</translation>
    </message>
</context>
</TS>
