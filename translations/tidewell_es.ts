<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>AutoStartSetting</name>
    <message>
        <source>Not Registered</source>
        <translation>No registrado</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Activado</translation>
    </message>
    <message>
        <source>No Found</source>
        <translation>No encontrado</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Desconocido</translation>
    </message>
    <message>
        <source>Status: %1</source>
        <translation>Estado: %1</translation>
    </message>
</context>
<context>
    <name>BundleLauncher</name>
    <message>
        <source>The helper at %1 does not lie inside the main application&apos;s bundle</source>
        <translation>El programa auxiliar en %1 no está dentro del paquete de la aplicación principal</translation>
    </message>
    <message>
        <source>open failed on %1</source>
        <translation>open falló con %1</translation>
    </message>
</context>
<context>
    <name>CheckForUpdateResult</name>
    <message>
        <source>The answer is not JSON: %1</source>
        <translation>La respuesta no es JSON: %1</translation>
    </message>
    <message>
        <source>The answer is not a JSON object.</source>
        <translation>La respuesta no es un objeto JSON.</translation>
    </message>
    <message>
        <source>The answer has no text member &quot;message&quot;.</source>
        <translation>La respuesta no tiene un campo de texto «message».</translation>
    </message>
    <message>
        <source>The answer&apos;s &quot;version&quot; or &quot;download_link&quot; is not text.</source>
        <translation>«version» o «download_link» de la respuesta no es texto.</translation>
    </message>
</context>
<context>
    <name>CommandLineOptions</name>
    <message>
        <source>Shows which local development servers listen on which TCP ports.
Without options the menu-bar window starts.</source>
        <translation>Muestra qué servidores de desarrollo locales escuchan en qué puertos TCP.
Sin opciones se abre la ventana de la barra de menús.</translation>
    </message>
    <message>
        <source>Print the development servers (with their page, what they answered instead, or that they did not answer), then exit.</source>
        <translation>Muestra los servidores de desarrollo (con su página, lo que respondieron en su lugar o que no respondieron) y termina.</translation>
    </message>
    <message>
        <source>With --list: also print every other listening process.</source>
        <translation>Con --list: muestra también todos los demás procesos que escuchan.</translation>
    </message>
    <message>
        <source>With --list or --deployments: print one JSON array instead of a table.</source>
        <translation>Con --list o --deployments: muestra un array JSON en lugar de una tabla.</translation>
    </message>
    <message>
        <source>With --list: wait at most this many seconds for each server&apos;s page (default %1); a server that takes longer is listed as not answering.</source>
        <translation>Con --list: espera como máximo estos segundos la página de cada servidor (por defecto %1); un servidor que tarde más figura como sin respuesta.</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>segundos</translation>
    </message>
    <message>
        <source>Ask the update service about a newer version, print its answer, then exit.</source>
        <translation>Pregunta al servicio de actualizaciones por una versión más nueva, muestra su respuesta y termina.</translation>
    </message>
    <message>
        <source>Print the latest Vercel deployment of each project, then exit. Uses the token of `vercel login`.</source>
        <translation>Muestra el último despliegue de Vercel de cada proyecto y termina. Usa el token de `vercel login`.</translation>
    </message>
    <message>
        <source>With --deployments: the Vercel team (id or slug) for this run only.</source>
        <translation>Con --deployments: el equipo de Vercel (id o slug), solo para esta ejecución.</translation>
    </message>
    <message>
        <source>Stop what listens on this port (SIGTERM), wait up to 5 seconds for it to let the port go, print what was stopped, then exit.</source>
        <translation>Detiene lo que escucha en este puerto (SIGTERM), espera hasta 5 segundos a que libere el puerto, muestra lo que se detuvo y termina.</translation>
    </message>
    <message>
        <source>port</source>
        <translation>puerto</translation>
    </message>
    <message>
        <source>With --stop: kill (SIGKILL) a process still listening then.</source>
        <translation>Con --stop: mata (SIGKILL) un proceso que aún siga escuchando.</translation>
    </message>
    <message>
        <source>words</source>
        <translation>palabras</translation>
    </message>
    <message>
        <source>With --list: only the servers whose port, title, process name, folder or command holds every word (any letter case).</source>
        <translation>Con --list: solo los servidores cuyo puerto, título, nombre de proceso, carpeta o comando contiene todas las palabras (sin distinguir mayúsculas).</translation>
    </message>
    <message>
        <source>[words...]</source>
        <translation>[palabras...]</translation>
    </message>
    <message>
        <source>--timeout takes a whole number of seconds from 1 to 3600.</source>
        <translation>--timeout admite un número entero de segundos entre 1 y 3600.</translation>
    </message>
    <message>
        <source>--stop takes a port number from 1 to 65535.</source>
        <translation>--stop admite un número de puerto entre 1 y 65535.</translation>
    </message>
    <message>
        <source>--force goes with --stop, as in: tidewell --stop 3000 --force</source>
        <translation>--force va con --stop, así: tidewell --stop 3000 --force</translation>
    </message>
    <message>
        <source>--list and --deployments cannot be asked for together.</source>
        <translation>--list y --deployments no se pueden pedir a la vez.</translation>
    </message>
    <message>
        <source>Words to find servers by go with --list, as in: tidewell --list %1</source>
        <translation>Las palabras para buscar servidores van con --list, así: tidewell --list %1</translation>
    </message>
    <message>
        <source>With --list or --stop: that machine over ssh instead of this one (a host of ~/.ssh/config, user@host or host:port); --list takes it more than once.</source>
        <translation>Con --list o --stop: esa máquina por ssh en lugar de esta (un host de ~/.ssh/config, usuario@host o host:puerto); --list lo admite más de una vez.</translation>
    </message>
    <message>
        <source>destination</source>
        <translation>destino</translation>
    </message>
    <message>
        <source>Forward a local port to PORT on that machine through its shared ssh connection, print the local address, then exit.</source>
        <translation>Reenviar un puerto local a PUERTO en esa máquina por su conexión ssh compartida, imprimir la dirección local y salir.</translation>
    </message>
    <message>
        <source>destination:port</source>
        <translation>destino:puerto</translation>
    </message>
    <message>
        <source>With --forward: this local port instead of a free one.</source>
        <translation>Con --forward: este puerto local en lugar de uno libre.</translation>
    </message>
    <message>
        <source>--forward goes alone, or with --local-port.</source>
        <translation>--forward va solo, o con --local-port.</translation>
    </message>
    <message>
        <source>--stop takes one --host.</source>
        <translation>--stop admite un solo --host.</translation>
    </message>
    <message>
        <source>--stop goes alone, or with --force and --host.</source>
        <translation>--stop va solo, o con --force y --host.</translation>
    </message>
</context>
<context>
    <name>CurlTransfer</name>
    <message>
        <source>The request timed out.</source>
        <translation>La solicitud tardó demasiado.</translation>
    </message>
    <message>
        <source>The reply&apos;s header section is larger than %1 bytes.</source>
        <translation>Las cabeceras de la respuesta superan los %1 bytes.</translation>
    </message>
    <message>
        <source>The reply is larger than %1 bytes.</source>
        <translation>La respuesta supera los %1 bytes.</translation>
    </message>
    <message>
        <source>The transfer was stopped.</source>
        <translation>La transferencia se detuvo.</translation>
    </message>
</context>
<context>
    <name>Deployments</name>
    <message>
        <source>Unknown readyState &quot;%1&quot;</source>
        <translation>readyState desconocido «%1»</translation>
    </message>
</context>
<context>
    <name>DownloadFolder</name>
    <message>
        <source>No free name beside %1</source>
        <translation>No hay un nombre libre junto a %1</translation>
    </message>
    <message>
        <source>There is no folder to download into.</source>
        <translation>No hay ninguna carpeta donde descargar.</translation>
    </message>
    <message>
        <source>Could not create the folder %1</source>
        <translation>No se pudo crear la carpeta %1</translation>
    </message>
    <message>
        <source>%1 is not a folder.</source>
        <translation>%1 no es una carpeta.</translation>
    </message>
    <message>
        <source>%1 belongs to another user.</source>
        <translation>%1 pertenece a otro usuario.</translation>
    </message>
    <message>
        <source>Could not close the folder %1 to other users.</source>
        <translation>No se pudo cerrar la carpeta %1 a otros usuarios.</translation>
    </message>
</context>
<context>
    <name>FileDownload</name>
    <message>
        <source>Only http and https links can be downloaded, not %1</source>
        <translation>Solo se pueden descargar enlaces http y https, no %1</translation>
    </message>
    <message>
        <source>Not a valid link: %1</source>
        <translation>No es un enlace válido: %1</translation>
    </message>
    <message>
        <source>The download is longer than the %1 bytes it announced.</source>
        <translation>La descarga es más larga que los %1 bytes anunciados.</translation>
    </message>
    <message>
        <source>The download timed out.</source>
        <translation>La descarga tardó demasiado.</translation>
    </message>
    <message>
        <source>Could not move the download to %1: %2</source>
        <translation>No se pudo mover la descarga a %1: %2</translation>
    </message>
</context>
<context>
    <name>FileLoginItem</name>
    <message>
        <source>The helper program is missing: %1</source>
        <translation>Falta el programa auxiliar: %1</translation>
    </message>
    <message>
        <source>Could not create the folder %1: %2</source>
        <translation>No se pudo crear la carpeta %1: %2</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>No se pudo escribir %1: %2</translation>
    </message>
    <message>
        <source>Could not remove %1: %2</source>
        <translation>No se pudo eliminar %1: %2</translation>
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
        <translation>un booleano</translation>
    </message>
    <message>
        <source>a number</source>
        <translation>un número</translation>
    </message>
    <message>
        <source>a string</source>
        <translation>un texto</translation>
    </message>
    <message>
        <source>an array</source>
        <translation>una lista</translation>
    </message>
    <message>
        <source>an object</source>
        <translation>un objeto</translation>
    </message>
    <message>
        <source>nothing</source>
        <translation>nada</translation>
    </message>
    <message>
        <source>The reply is not JSON (%1 at offset %2)</source>
        <translation>La respuesta no es JSON (%1 en la posición %2)</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 en %2</translation>
    </message>
    <message>
        <source>Missing member &quot;%1&quot;</source>
        <translation>Falta el campo «%1»</translation>
    </message>
    <message>
        <source>Member &quot;%1&quot; holds %2 of the wrong kind</source>
        <translation>El campo «%1» contiene %2 de un tipo equivocado</translation>
    </message>
    <message>
        <source>Expected an object, found %1</source>
        <translation>Se esperaba un objeto y se encontró %1</translation>
    </message>
</context>
<context>
    <name>JsonRequest</name>
    <message>
        <source>Not a valid address: %1</source>
        <translation>No es una dirección válida: %1</translation>
    </message>
    <message>
        <source>The service answered with a redirect (HTTP %1), which is not followed.</source>
        <translation>El servicio respondió con una redirección (HTTP %1), que no se sigue.</translation>
    </message>
</context>
<context>
    <name>PageMetadata</name>
    <message>
        <source>No Title</source>
        <translation>Sin título</translation>
    </message>
</context>
<context>
    <name>PageProbe</name>
    <message>
        <source>JSON API</source>
        <translation>API JSON</translation>
    </message>
    <message>
        <source>redirects to %1</source>
        <translation>redirige a %1</translation>
    </message>
</context>
<context>
    <name>PortTableFormatter</name>
    <message>
        <source>no answer</source>
        <translation>sin respuesta</translation>
    </message>
</context>
<context>
    <name>RegularFile</name>
    <message>
        <source>Not a regular file</source>
        <translation>No es un archivo normal</translation>
    </message>
    <message>
        <source>Larger than %1 bytes</source>
        <translation>Más de %1 bytes</translation>
    </message>
</context>
<context>
    <name>RemoteListingReader</name>
    <message>
        <source>unreadable listing: %1</source>
        <translation>lista ilegible: %1</translation>
    </message>
    <message>
        <source>listing over 1 MiB</source>
        <translation>lista de más de 1 MiB</translation>
    </message>
    <message>
        <source>empty listing</source>
        <translation>lista vacía</translation>
    </message>
</context>
<context>
    <name>RemoteMachine</name>
    <message>
        <source>unreadable answer</source>
        <translation>respuesta ilegible</translation>
    </message>
</context>
<context>
    <name>SiblingProgramLauncher</name>
    <message>
        <source>No program at %1</source>
        <translation>No hay ningún programa en %1</translation>
    </message>
</context>
<context>
    <name>SshConnection</name>
    <message>
        <source>needs a key or an agent</source>
        <translation>necesita una clave o un agente</translation>
    </message>
    <message>
        <source>host key not known: connect once with ssh</source>
        <translation>clave de host desconocida: conéctese una vez con ssh</translation>
    </message>
    <message>
        <source>ssh did not run</source>
        <translation>ssh no se ejecutó</translation>
    </message>
    <message>
        <source>exited with %1</source>
        <translation>terminó con %1</translation>
    </message>
    <message>
        <source>listing over %1 KiB</source>
        <translation>lista de más de %1 KiB</translation>
    </message>
    <message>
        <source>no free local port</source>
        <translation>no hay ningún puerto local libre</translation>
    </message>
</context>
<context>
    <name>StopCommand</name>
    <message>
        <source>Not permitted: port %1 is held by a process of another user</source>
        <translation>No permitido: el puerto %1 lo ocupa un proceso de otro usuario</translation>
    </message>
    <message>
        <source>Nothing listens on port %1</source>
        <translation>Nada escucha en el puerto %1</translation>
    </message>
    <message>
        <source>%1 (pid %2) on port %3</source>
        <translation>%1 (pid %2) en el puerto %3</translation>
    </message>
    <message>
        <source>Stopped %1 with SIGKILL</source>
        <translation>%1 detenido con SIGKILL</translation>
    </message>
    <message>
        <source>Stopped %1</source>
        <translation>%1 detenido</translation>
    </message>
    <message>
        <source>%1 still listens after SIGKILL</source>
        <translation>%1 sigue escuchando después de SIGKILL</translation>
    </message>
    <message>
        <source>%1 still listens after %2 s; --force kills it</source>
        <translation>%1 sigue escuchando después de %2 s; --force lo mata</translation>
    </message>
    <message>
        <source>Not stopped: %1 ended or gave its pid away</source>
        <translation>No detenido: %1 terminó o cedió su pid</translation>
    </message>
    <message>
        <source>Not permitted: %1 belongs to another user</source>
        <translation>No permitido: %1 pertenece a otro usuario</translation>
    </message>
</context>
<context>
    <name>UpdateDownload</name>
    <message>
        <source>Not a valid link: %1</source>
        <translation>No es un enlace válido: %1</translation>
    </message>
    <message>
        <source>Only http and https links can be downloaded: %1</source>
        <translation>Solo se pueden descargar enlaces http y https: %1</translation>
    </message>
</context>
<context>
    <name>tidewell::AppMenu</name>
    <message>
        <source>Back</source>
        <translation>Atrás</translation>
    </message>
    <message>
        <source>Deployments</source>
        <translation>Despliegues</translation>
    </message>
    <message>
        <source>Ports; press again for x-ray</source>
        <translation>Puertos; pulse otra vez para rayos X</translation>
    </message>
    <message>
        <source>Ports and x-ray</source>
        <translation>Puertos y rayos X</translation>
    </message>
    <message>
        <source>Quick launch</source>
        <translation>Inicio rápido</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Ajustes</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Actualizar</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Contacto</translation>
    </message>
    <message>
        <source>Report Issue</source>
        <translation>Informar de un problema</translation>
    </message>
    <message>
        <source>Submit Feedback</source>
        <translation>Enviar comentarios</translation>
    </message>
    <message>
        <source>Check for update</source>
        <translation>Buscar actualizaciones</translation>
    </message>
    <message>
        <source>Version: %1</source>
        <translation>Versión: %1</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>Tidewell</source>
        <translation>Tidewell</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Actualizaciones</translation>
    </message>
    <message>
        <source>Find servers</source>
        <translation>Buscar servidores</translation>
    </message>
    <message>
        <source>Keeps the rows whose port, title, process, folder or command hold every word typed; Escape clears it</source>
        <translation>Deja las filas cuyo puerto, título, proceso, carpeta o comando contienen todas las palabras escritas; Escape lo vacía</translation>
    </message>
    <message>
        <source>Shows the latest Vercel deployment of each project</source>
        <translation>Muestra el último despliegue de Vercel de cada proyecto</translation>
    </message>
    <message>
        <source>Shows the ports; pressed while they are shown, turns x-ray mode with CPU, memory and branch on or off</source>
        <translation>Muestra los puertos; pulsado mientras se ven, activa o desactiva los rayos X con CPU, memoria y rama</translation>
    </message>
    <message>
        <source>Shows the saved servers, to start them again</source>
        <translation>Muestra los servidores guardados, para volver a iniciarlos</translation>
    </message>
    <message>
        <source>More</source>
        <translation>Más</translation>
    </message>
    <message>
        <source>Settings, refresh, contact, teams, updates and quit</source>
        <translation>Ajustes, actualizar, contacto, equipos, actualizaciones y salir</translation>
    </message>
</context>
<context>
    <name>tidewell::DeploymentsTab</name>
    <message>
        <source>No projects</source>
        <translation>No hay proyectos</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>Personal</translation>
    </message>
</context>
<context>
    <name>tidewell::IgnoredPortsToggle</name>
    <message>
        <source>Hide All Ports</source>
        <translation>Ocultar todos los puertos</translation>
    </message>
    <message>
        <source>Show All Ports</source>
        <translation>Mostrar todos los puertos</translation>
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
        <translation>Abrir despliegues</translation>
    </message>
</context>
<context>
    <name>tidewell::OverlayScrollBar</name>
    <message>
        <source>Scroll the list</source>
        <translation>Desplazar la lista</translation>
    </message>
</context>
<context>
    <name>tidewell::PopoverWindow</name>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
</context>
<context>
    <name>tidewell::PortsTab</name>
    <message>
        <source>No ports found</source>
        <translation>No se encontraron puertos</translation>
    </message>
    <message>
        <source>No matching servers</source>
        <translation>Ningún servidor coincide</translation>
    </message>
    <message>
        <source>Server started: %1 on port %2</source>
        <translation>Servidor iniciado: %1 en el puerto %2</translation>
    </message>
    <message>
        <source>Server stopped: %1 on port %2</source>
        <translation>Servidor detenido: %1 en el puerto %2</translation>
    </message>
</context>
<context>
    <name>tidewell::ProcessDetailsPanel</name>
    <message>
        <source>Port: %1</source>
        <translation>Puerto: %1</translation>
    </message>
    <message>
        <source>PID: %1</source>
        <translation>PID: %1</translation>
    </message>
    <message>
        <source>Path: %1</source>
        <translation>Ruta: %1</translation>
    </message>
    <message>
        <source>Copy command</source>
        <translation>Copiar comando</translation>
    </message>
</context>
<context>
    <name>tidewell::ProcessInfoAction</name>
    <message>
        <source>Add to quick launch</source>
        <translation>Añadir al inicio rápido</translation>
    </message>
    <message>
        <source>Saved to Quick Launch</source>
        <translation>Guardado en el inicio rápido</translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation>Abrir carpeta</translation>
    </message>
    <message>
        <source>Open in Terminal</source>
        <translation>Abrir en el terminal</translation>
    </message>
    <message>
        <source>Open in editor</source>
        <translation>Abrir en el editor</translation>
    </message>
    <message>
        <source>No editor found</source>
        <translation>No se encontró ningún editor</translation>
    </message>
</context>
<context>
    <name>tidewell::ProcessItem</name>
    <message>
        <source>Ctrl+C copies the command, Delete stops it, Space shows the details</source>
        <translation>Ctrl+C copia el comando, Supr lo detiene, Espacio muestra los detalles</translation>
    </message>
    <message>
        <source>Enter opens the page, Ctrl+C copies the command, Delete stops it, Space shows the details</source>
        <translation>Intro abre la página, Ctrl+C copia el comando, Supr lo detiene, Espacio muestra los detalles</translation>
    </message>
    <message>
        <source>Vercel: %1 %2</source>
        <translation>Vercel: %1 %2</translation>
    </message>
    <message>
        <source>No answer</source>
        <translation>Sin respuesta</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Force stop</source>
        <translation>Forzar detención</translation>
    </message>
    <message>
        <source>Still listening: end it with SIGKILL</source>
        <translation>Sigue escuchando: terminarlo con SIGKILL</translation>
    </message>
    <message>
        <source>Not permitted</source>
        <translation>No permitido</translation>
    </message>
    <message>
        <source>The process belongs to another user</source>
        <translation>El proceso pertenece a otro usuario</translation>
    </message>
    <message>
        <source>%1, port %2, %3</source>
        <translation>%1, puerto %2, %3</translation>
    </message>
    <message>
        <source>%1, CPU %2, memory %3, branch %4</source>
        <translation>%1, CPU %2, memoria %3, rama %4</translation>
    </message>
    <message>
        <source>Forwarded to localhost:%1</source>
        <translation>Reenviado a localhost:%1</translation>
    </message>
</context>
<context>
    <name>tidewell::ProjectView</name>
    <message>
        <source>No deployments yet</source>
        <translation>Aún no hay despliegues</translation>
    </message>
    <message>
        <source>%1, no deployments yet</source>
        <translation>%1, aún no hay despliegues</translation>
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
        <translation>En marcha</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Eliminar</translation>
    </message>
    <message>
        <source>Start in a terminal</source>
        <translation>Iniciar en un terminal</translation>
    </message>
    <message>
        <source>Enter starts it in a terminal, Ctrl+C copies the command, Delete deletes it, Space shows the details</source>
        <translation>Intro lo inicia en un terminal, Ctrl+C copia el comando, Supr lo elimina, Espacio muestra los detalles</translation>
    </message>
    <message>
        <source>Open the running server&apos;s page</source>
        <translation>Abrir la página del servidor en marcha</translation>
    </message>
    <message>
        <source>Stop the running server</source>
        <translation>Detener el servidor en marcha</translation>
    </message>
    <message>
        <source>%1, running on port %2, %3</source>
        <translation>%1, en marcha en el puerto %2, %3</translation>
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
        <translation>No hay inicio rápido</translation>
    </message>
    <message>
        <source>No matching servers</source>
        <translation>Ningún servidor coincide</translation>
    </message>
</context>
<context>
    <name>tidewell::ServerNotifier</name>
    <message>
        <source>Server started</source>
        <translation>Servidor iniciado</translation>
    </message>
    <message>
        <source>%1 on port %2</source>
        <translation>%1 en el puerto %2</translation>
    </message>
    <message>
        <source>Server stopped</source>
        <translation>Servidor detenido</translation>
    </message>
</context>
<context>
    <name>tidewell::SettingsPage</name>
    <message>
        <source>General Settings</source>
        <translation>Ajustes generales</translation>
    </message>
    <message>
        <source>Auto Start</source>
        <translation>Inicio automático</translation>
    </message>
    <message>
        <source>Notifications</source>
        <translation>Notificaciones</translation>
    </message>
    <message>
        <source>Server started or stopped</source>
        <translation>Servidor iniciado o detenido</translation>
    </message>
    <message>
        <source>Deployment finished</source>
        <translation>Despliegue terminado</translation>
    </message>
    <message>
        <source>Remote Machines</source>
        <translation>Máquinas remotas</translation>
    </message>
    <message>
        <source>Remote machine</source>
        <translation>Máquina remota</translation>
    </message>
    <message>
        <source>user@host or host:port</source>
        <translation>usuario@host o host:puerto</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Añadir</translation>
    </message>
    <message>
        <source>Add remote machine</source>
        <translation>Añadir máquina remota</translation>
    </message>
    <message>
        <source>List %1</source>
        <translation>Listar %1</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Quitar</translation>
    </message>
    <message>
        <source>Remove %1</source>
        <translation>Quitar %1</translation>
    </message>
    <message>
        <source>Not an ssh destination: a host of ~/.ssh/config, user@host or host:port</source>
        <translation>No es un destino ssh: un host de ~/.ssh/config, usuario@host o host:puerto</translation>
    </message>
</context>
<context>
    <name>tidewell::TeamsMenu</name>
    <message>
        <source>Teams</source>
        <translation>Equipos</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>Personal</translation>
    </message>
    <message>
        <source>Whose Vercel projects the deployments tab shows</source>
        <translation>De quién son los proyectos de Vercel que muestra la pestaña de despliegues</translation>
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
        <translation>Abrir Tidewell</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Actualizar</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Ajustes…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Salir</translation>
    </message>
</context>
<context>
    <name>tidewell::TrayNotificationSink</name>
    <message>
        <source>Could not open the deployment</source>
        <translation>No se pudo abrir el despliegue</translation>
    </message>
</context>
<context>
    <name>tidewell::UpdatePage</name>
    <message>
        <source>Current Version %1</source>
        <translation>Versión actual %1</translation>
    </message>
    <message>
        <source>Checking for update...</source>
        <translation>Buscando actualizaciones...</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Show in Folder</source>
        <translation>Mostrar en la carpeta</translation>
    </message>
    <message>
        <source>Downloaded to %1</source>
        <translation>Descargado en %1</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 de %2</translation>
    </message>
    <message>
        <source>Download failed: %1</source>
        <translation>Falló la descarga: %1</translation>
    </message>
    <message>
        <source>Download %1</source>
        <translation>Descargar %1</translation>
    </message>
    <message>
        <source>Downloads the new version to the downloads folder</source>
        <translation>Descarga la nueva versión en la carpeta de descargas</translation>
    </message>
</context>
</TS>
