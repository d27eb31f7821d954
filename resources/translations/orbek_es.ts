<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>Artwork</name>
    <message>
        <source>Baud Rate:</source>
        <translation>Baudios:</translation>
    </message>
    <message>
        <source>Water Quality Meter</source>
        <translation>Calidad del agua</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Communication Port:</source>
        <translation>Puerto:</translation>
    </message>
    <message>
        <source>Port Settings:</source>
        <translation>Conexión:</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Recibir</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>Seach</source>
        <translation>Buscar</translation>
    </message>
    <message>
        <source>Software version 3.0</source>
        <translation>Versión 3.0</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>Interval Recording:</source>
        <translation>Intervalo:</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Gráfico</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Volver</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>Valor medido</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatura</translation>
    </message>
</context>
<context>
    <name>BitmapButton</name>
    <message>
        <source>Connect</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Recibir</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>Search for ports</source>
        <translation>Buscar puertos</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Gráfico</translation>
    </message>
    <message>
        <source>Back to the table</source>
        <translation>Volver a la tabla</translation>
    </message>
</context>
<context>
    <name>COrbekDlg</name>
    <message>
        <source>Port scaning</source>
        <translation>Búsqueda de puertos</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Recibir</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>Desactivado</translation>
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
        <translation>Gráfico</translation>
    </message>
</context>
<context>
    <name>Line</name>
    <message>
        <source>cannot send: the port is not open</source>
        <translation>no se puede enviar: el puerto no está abierto</translation>
    </message>
    <message>
        <source>cannot send to %1: %2</source>
        <translation>no se puede enviar a %1: %2</translation>
    </message>
    <message>
        <source>cannot read: the port is not open</source>
        <translation>no se puede leer: el puerto no está abierto</translation>
    </message>
    <message>
        <source>cannot set %1 on %2: %3</source>
        <translation>no se puede ajustar %1 en %2: %3</translation>
    </message>
    <message>
        <source>no port has been chosen</source>
        <translation>no se ha elegido ningún puerto</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>no se puede abrir %1: %2</translation>
    </message>
    <message>
        <source>%1 bytes were still waiting to leave</source>
        <translation>%1 bytes aún esperaban para salir</translation>
    </message>
    <message>
        <source>the device is in use by another program (%1)</source>
        <translation>otro programa está usando el dispositivo (%1)</translation>
    </message>
    <message>
        <source>%1, process %2</source>
        <translation>%1, proceso %2</translation>
    </message>
    <message>
        <source>the device is in use by another program</source>
        <translation>otro programa está usando el dispositivo</translation>
    </message>
    <message>
        <source>the device is not there</source>
        <translation>el dispositivo no está presente</translation>
    </message>
    <message>
        <source>the device is in use or may not be opened</source>
        <translation>el dispositivo está ocupado o no se permite abrirlo</translation>
    </message>
    <message>
        <source>the port is open already</source>
        <translation>el puerto ya está abierto</translation>
    </message>
    <message>
        <source>the port is not open</source>
        <translation>el puerto no está abierto</translation>
    </message>
    <message>
        <source>the device did not take what was sent</source>
        <translation>el dispositivo no aceptó lo enviado</translation>
    </message>
    <message>
        <source>the device could not be read</source>
        <translation>no se pudo leer el dispositivo</translation>
    </message>
    <message>
        <source>the device stopped answering or was unplugged</source>
        <translation>el dispositivo dejó de responder o se desconectó</translation>
    </message>
    <message>
        <source>the device does not support this setting</source>
        <translation>el dispositivo no admite este ajuste</translation>
    </message>
    <message>
        <source>the device did not answer in time</source>
        <translation>el dispositivo no respondió a tiempo</translation>
    </message>
</context>
<context>
    <name>PortDiscovery</name>
    <message>
        <source>Port cannot be found</source>
        <translation>No se encontró ningún puerto</translation>
    </message>
    <message>
        <source>Warnning</source>
        <translation>Advertencia</translation>
    </message>
    <message>
        <source>Found a port on your computer</source>
        <translation>Se encontró un puerto en el equipo</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Mensaje</translation>
    </message>
    <message>
        <source>Found the %1 ports on your computer</source>
        <translation>Se encontraron %1 puertos en el equipo</translation>
    </message>
    <message>
        <source>
No permission to open %1: add your user to the dialout group (sudo usermod -aG dialout $USER) and log in again.</source>
        <translation>
Sin permiso para abrir %1: añada su usuario al grupo dialout (sudo usermod -aG dialout $USER) y vuelva a iniciar sesión.</translation>
    </message>
    <message>
        <source>
No permission to open %1, which the dialout group may not open either: an administrator must grant access, for example with a udev rule that gives the device to the dialout group.</source>
        <translation>
Sin permiso para abrir %1, que tampoco puede abrir el grupo dialout: un administrador debe conceder el acceso, por ejemplo con una regla udev que asigne el dispositivo al grupo dialout.</translation>
    </message>
</context>
<context>
    <name>ReadingsTable</name>
    <message>
        <source>No.</source>
        <translation>N.º</translation>
    </message>
    <message>
        <source>Date and Time</source>
        <translation>Fecha y hora</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>Valor medido</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatura</translation>
    </message>
</context>
<context>
    <name>SampleDetails</name>
    <message>
        <source>Sample ID</source>
        <translation>ID de la muestra</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Operador</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ubicación</translation>
    </message>
    <message>
        <source>Probe serial number</source>
        <translation>N.º de serie de la sonda</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Nota</translation>
    </message>
</context>
<context>
    <name>Save</name>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>No se puede guardar %1: %2</translation>
    </message>
    <message>
        <source>%1 is on a read-only file system</source>
        <translation>%1 está en un sistema de archivos de solo lectura</translation>
    </message>
    <message>
        <source>the name is too long</source>
        <translation>el nombre es demasiado largo</translation>
    </message>
    <message>
        <source>no permission to create files in %1</source>
        <translation>sin permiso para crear archivos en %1</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>la carpeta %1 no existe</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>es una carpeta</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>no es un archivo normal</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>el archivo es de solo lectura</translation>
    </message>
    <message>
        <source>no permission to write to it</source>
        <translation>sin permiso para escribir en él</translation>
    </message>
    <message>
        <source>%1; the saved content is complete in %2</source>
        <translation>%1; el contenido guardado está completo en %2</translation>
    </message>
    <message>
        <source>the file is saved, but its folder could not be synced to the disk (%1), so a power cut could still undo the save</source>
        <translation>el archivo está guardado, pero su carpeta no se pudo escribir en el disco (%1): un corte de luz aún podría deshacer el guardado</translation>
    </message>
    <message>
        <source>%1 belongs to another user in the shared folder %2, so it is not written through</source>
        <translation>%1 pertenece a otro usuario en la carpeta compartida %2, así que no se escribe a través de él</translation>
    </message>
    <message>
        <source>the file</source>
        <translation>el archivo</translation>
    </message>
    <message>
        <source>the link</source>
        <translation>el enlace</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>el disco está lleno</translation>
    </message>
    <message>
        <source>the file would be larger than the file size limit (ulimit -f) allows</source>
        <translation>el archivo superaría el tamaño máximo permitido (ulimit -f)</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>permiso denegado</translation>
    </message>
    <message>
        <source>no such file or folder</source>
        <translation>no existe ese archivo o carpeta</translation>
    </message>
    <message>
        <source>the file system is read-only</source>
        <translation>el sistema de archivos es de solo lectura</translation>
    </message>
    <message>
        <source>the device reported an input/output error</source>
        <translation>el dispositivo informó un error de entrada/salida</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>PDF report (*.pdf)</source>
        <translation>Informe PDF (*.pdf)</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>Imagen PNG (*.png)</translation>
    </message>
    <message>
        <source>SVG drawing (*.svg)</source>
        <translation>Dibujo SVG (*.svg)</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>Documento PDF (*.pdf)</translation>
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
        <translation>Informe de la transferencia</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Lecturas</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Origen</translation>
    </message>
    <message>
        <source>Made</source>
        <translation>Creado</translation>
    </message>
    <message>
        <source>Meter time</source>
        <translation>Hora del medidor</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 a %2</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>Muestra</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Estadísticas</translation>
    </message>
    <message>
        <source>Series</source>
        <translation>Serie</translation>
    </message>
    <message>
        <source>n</source>
        <translation>n</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>Mínimo</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Máximo</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>Media</translation>
    </message>
    <message>
        <source>Std. deviation</source>
        <translation>Desv. estándar</translation>
    </message>
    <message>
        <source>(no unit)</source>
        <translation>(sin unidad)</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valor</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatura</translation>
    </message>
    <message>
        <source>No readings.</source>
        <translation>Sin lecturas.</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Página %1 de %2</translation>
    </message>
    <message>
        <source>[… cut here: the whole text is in the saved files]</source>
        <translation>[… cortado aquí: el texto completo está en los archivos guardados]</translation>
    </message>
    <message>
        <source>Out of step</source>
        <translation>Desfasadas</translation>
    </message>
    <message>
        <source>rows</source>
        <translation>filas</translation>
    </message>
    <message>
        <source>Lost on the line</source>
        <translation>Perdidas en la línea</translation>
    </message>
    <message>
        <source>before rows</source>
        <translation>antes de las filas</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Cambiado</translation>
    </message>
    <message>
        <source>%1: “%2” to “%3”, %4</source>
        <translation>%1: «%2» a «%3», %4</translation>
    </message>
    <message>
        <source>* out of step, left out of the statistics; +n: n readings lost on the line before the row</source>
        <translation>* desfasada, excluida de las estadísticas; +n: n lecturas perdidas en la línea antes de la fila</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>Muestra %1</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Recibido</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Revisado</translation>
    </message>
</context>
<context>
    <name>WindowArchive</name>
    <message>
        <source>The restored transfer is not archived: %1</source>
        <translation>La transferencia restaurada no está archivada: %1</translation>
    </message>
    <message>
        <source>Transfer %1</source>
        <translation>La transferencia %1</translation>
    </message>
    <message>
        <source>What waited to be archived (%1) went into the archive %2.</source>
        <translation>Lo que esperaba para archivarse (%1) ha entrado en el archivo %2.</translation>
    </message>
    <message>
        <source>%1 waits to be archived but cannot be read; it is left where it is.</source>
        <translation>%1 espera para archivarse pero no se puede leer; se deja donde está.</translation>
    </message>
    <message>
        <source>%1 is not archived yet (%2); it waits in %3 and goes into the archive at the next chance.</source>
        <translation>%1 aún no está archivada (%2); espera en %3 y entrará en el archivo en la próxima ocasión.</translation>
    </message>
    <message>
        <source>%1 may not be archived: %2</source>
        <translation>%1 quizá no esté archivada: %2</translation>
    </message>
    <message>
        <source>The save of %1</source>
        <translation>El guardado de %1</translation>
    </message>
    <message>
        <source>The change of the details</source>
        <translation>El cambio de los detalles</translation>
    </message>
    <message>
        <source>The review</source>
        <translation>La revisión</translation>
    </message>
</context>
<context>
    <name>orbek::COrbekDlg</name>
    <message>
        <source>1 transfer kept aside by earlier runs (from %1) is in %2.</source>
        <translation>1 transferencia apartada por sesiones anteriores (del %1) está en %2.</translation>
    </message>
    <message>
        <source>%1 transfers kept aside by earlier runs (the oldest from %2) are in %3.</source>
        <translation>%1 transferencias apartadas por sesiones anteriores (la más antigua del %2) están en %3.</translation>
    </message>
    <message>
        <source>orbek-log --decode turns each into a file; remove them once they are saved elsewhere.

Open the folder?</source>
        <translation>orbek-log --decode convierte cada una en un archivo; elimínelas cuando estén guardadas en otro lugar.

¿Abrir la carpeta?</translation>
    </message>
    <message>
        <source>The %1 readings the table showed were not exported; %2.</source>
        <translation>Las %1 lecturas de la tabla no se exportaron; %2.</translation>
    </message>
    <message>
        <source>Chart of the readings</source>
        <translation>Gráfico de las lecturas</translation>
    </message>
    <message>
        <source>Readings %1 to %2 shown; the last: %3 at %4.</source>
        <translation>Lecturas %1 a %2 mostradas; la última: %3 a %4.</translation>
    </message>
    <message>
        <source>Receiving: 1 reading so far</source>
        <translation>Recibiendo: 1 lectura hasta ahora</translation>
    </message>
    <message>
        <source>Receiving: %1 readings so far</source>
        <translation>Recibiendo: %1 lecturas hasta ahora</translation>
    </message>
    <message>
        <source>Transfer ended: 1 reading</source>
        <translation>Transferencia terminada: 1 lectura</translation>
    </message>
    <message>
        <source>Transfer ended: %1 readings</source>
        <translation>Transferencia terminada: %1 lecturas</translation>
    </message>
    <message>
        <source>Transfer started</source>
        <translation>Transferencia iniciada</translation>
    </message>
    <message>
        <source>Statistics: %1</source>
        <translation>Estadísticas: %1</translation>
    </message>
    <message>
        <source>This choice could not be saved in %1, so it may not hold.</source>
        <translation>No se pudo guardar esta opción en %1, así que puede no mantenerse.</translation>
    </message>
    <message>
        <source> (but it could not be synced to the disk: %1, so a power cut now could lose its last second)</source>
        <translation> (pero no se pudo escribir en el disco: %1; un corte de luz ahora podría perder su último segundo)</translation>
    </message>
    <message>
        <source>Orbek</source>
        <translation>Orbek</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Lecturas</translation>
    </message>
    <message>
        <source>One row a reading: its number, the meter&apos;s date and time, the measured value and the temperature</source>
        <translation>Una fila por lectura: su número, la fecha y hora del medidor, el valor medido y la temperatura</translation>
    </message>
    <message>
        <source>The measured value (green, solid line) and the temperature (red, dashed line) against the reading&apos;s number</source>
        <translation>El valor medido (verde, línea continua) y la temperatura (roja, discontinua) según el número de lectura</translation>
    </message>
    <message>
        <source>Sample Details...</source>
        <translation>Datos de la muestra...</translation>
    </message>
    <message>
        <source>Save Report as PDF...</source>
        <translation>Guardar informe en PDF...</translation>
    </message>
    <message>
        <source>Save Chart as Picture...</source>
        <translation>Guardar gráfico como imagen...</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Estadísticas</translation>
    </message>
    <message>
        <source>Transfer (n %1): %2</source>
        <translation>Transferencia (n %1): %2</translation>
    </message>
    <message>
        <source>Chart (n %1): %2</source>
        <translation>Gráfico (n %1): %2</translation>
    </message>
    <message>
        <source>The details are kept for this transfer but not for the next start: %1.</source>
        <translation>Los datos se guardan para esta transferencia, pero no para el próximo inicio: %1.</translation>
    </message>
    <message>
        <source>the window</source>
        <translation>la ventana</translation>
    </message>
    <message>
        <source>The report has been saved as %1.</source>
        <translation>El informe se guardó como %1.</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Mensaje</translation>
    </message>
    <message>
        <source>The chart has been saved as %1.</source>
        <translation>El gráfico se guardó como %1.</translation>
    </message>
    <message>
        <source>An unexpected error stopped this action.</source>
        <translation>Un error inesperado detuvo esta acción.</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads, and are offered again at the next start.</source>
        <translation>No se pueden apartar las lecturas como %1: %2. Siguen en %3, que lee orbek-log --decode, y se ofrecerán de nuevo en el próximo inicio.</translation>
    </message>
    <message>
        <source>; the restored readings stay in %1 and are offered again at the next start.</source>
        <translation>; las lecturas restauradas siguen en %1 y se ofrecerán de nuevo en el próximo inicio.</translation>
    </message>
    <message>
        <source>No. %1
%2
%3</source>
        <translation>N.º %1
%2
%3</translation>
    </message>
    <message>
        <source>No. %1
%2
%3
%4</source>
        <translation>N.º %1
%2
%3
%4</translation>
    </message>
    <message>
        <source>Select a port</source>
        <translation>Elija un puerto</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Port is closed</source>
        <translation>El puerto está cerrado</translation>
    </message>
    <message>
        <source>Port is connected</source>
        <translation>El puerto está conectado</translation>
    </message>
    <message>
        <source>The meter has not connected to computer</source>
        <translation>El medidor no está conectado al equipo</translation>
    </message>
    <message>
        <source>The connection to %1 was lost. The readings received so far are kept.</source>
        <translation>Se perdió la conexión con %1. Se conservan las lecturas recibidas hasta ahora.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Advertencia</translation>
    </message>
    <message>
        <source>Every reading of the transfer has been saved in %1.</source>
        <translation>Todas las lecturas de la transferencia se guardaron en %1.</translation>
    </message>
    <message>
        <source>Connecting is failed</source>
        <translation>La conexión falló</translation>
    </message>
    <message>
        <source>Data has been exported into Excel file</source>
        <translation>Los datos se exportaron a un archivo de Excel</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row: they are on the workbook&apos;s Data sheets, not on Sheet1.</source>
        <translation>Las lecturas %1 a %2 llegaron tras la última fila de la tabla: están en las hojas Data del libro, no en Sheet1.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1 for the journal</source>
        <translation>No se puede crear la carpeta %1 del diario</translation>
    </message>
    <message>
        <source>; this transfer is not kept should Orbek stop.</source>
        <translation>; esta transferencia no se conserva si Orbek se detiene.</translation>
    </message>
    <message>
        <source>no journal keeps them</source>
        <translation>ningún diario las conserva</translation>
    </message>
    <message>
        <source>WARNING! All data will be lost if the windows closed</source>
        <translation>¡ADVERTENCIA! Se perderán todos los datos si se cierra la ventana</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row; %3.</source>
        <translation>Las lecturas %1 a %2 llegaron tras la última fila de la tabla; %3.</translation>
    </message>
    <message>
        <source>Orbek was not closed normally. %1 readings of its last transfer were found; the last one arrived on %2.

Restore them?

(No keeps them in %3, which orbek-log --decode reads.)</source>
        <translation>Orbek no se cerró con normalidad. Se encontraron %1 lecturas de su última transferencia; la última llegó el %2.

¿Restaurarlas?

(No las conserva en %3, que lee orbek-log --decode.)</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads.</source>
        <translation>No se pueden apartar las lecturas como %1: %2. Siguen en %3, que lee orbek-log --decode.</translation>
    </message>
    <message>
        <source>every reading of this transfer is kept in %1, which orbek-log --decode reads</source>
        <translation>todas las lecturas de esta transferencia se conservan en %1, que lee orbek-log --decode</translation>
    </message>
    <message>
        <source>Ask for Sample Details at Receive</source>
        <translation>Preguntar los detalles de la muestra al recibir</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>Muestra %1</translation>
    </message>
    <message>
        <source>Are the readings to come still of this sample?

%1

Yes keeps these details; No lets you change them first.</source>
        <translation>¿Las lecturas que vienen siguen siendo de esta muestra?

%1

Sí conserva estos detalles; No le permite cambiarlos antes.</translation>
    </message>
    <message>
        <source>Sample Details</source>
        <translation>Datos de la muestra</translation>
    </message>
    <message>
        <source>Most of the records received carry neither a real date nor a value the meter defines: they do not look like a meter&apos;s readings. Is the baud rate right?</source>
        <translation>La mayoría de los registros recibidos no llevan ni una fecha real ni un valor que el medidor defina: no parecen lecturas del medidor. ¿Es correcta la velocidad en baudios?</translation>
    </message>
    <message>
        <source>History...</source>
        <translation>Historial...</translation>
    </message>
    <message>
        <source>Mark as Reviewed...</source>
        <translation>Marcar como revisado...</translation>
    </message>
    <message>
        <source> (%1 to %2)</source>
        <translation> (%1 a %2)</translation>
    </message>
    <message>
        <source>Reason for the change</source>
        <translation>Motivo del cambio</translation>
    </message>
    <message>
        <source>Why do the details of this transfer change? The archive keeps the old and the new text with your reason.</source>
        <translation>¿Por qué cambian los detalles de esta transferencia? El archivo guarda el texto antiguo y el nuevo con su motivo.</translation>
    </message>
    <message>
        <source>The details stay as they were: a change needs its reason.</source>
        <translation>Los detalles quedan como estaban: un cambio necesita su motivo.</translation>
    </message>
    <message>
        <source>Transfers are not archived (orbek --no-archive).</source>
        <translation>Las transferencias no se archivan (orbek --no-archive).</translation>
    </message>
    <message>
        <source>A transfer is running; open the history once it has ended.</source>
        <translation>Hay una transferencia en curso; abra el historial cuando haya terminado.</translation>
    </message>
    <message>
        <source>Archived transfer of %1, sample %2 (%3): read-only</source>
        <translation>Transferencia archivada del %1, muestra %2 (%3): solo lectura</translation>
    </message>
    <message>
        <source>Only a transfer that has ended and is in the archive can be reviewed.</source>
        <translation>Solo se puede revisar una transferencia terminada y archivada.</translation>
    </message>
    <message>
        <source>Marked as reviewed by %1 (%2).</source>
        <translation>Marcada como revisada por %1 (%2).</translation>
    </message>
    <message>
        <source>The stop command may not have reached the meter (%1); it may still be sending</source>
        <translation>Puede que la orden de parada no haya llegado al medidor (%1); quizá siga enviando</translation>
    </message>
    <message>
        <source>The stop command could not be sent to %1: %2</source>
        <translation>No se pudo enviar la orden de parada a %1: %2</translation>
    </message>
    <message>
        <source>Reading from or writing to %1 failed: %2</source>
        <translation>Falló la lectura o la escritura en %1: %2</translation>
    </message>
    <message>
        <source>Cannot write the journal %1 from reading %2 on: %3; the bytes wait in memory (up to %4) until it takes them</source>
        <translation>No se puede escribir el diario %1 desde la lectura %2: %3; los bytes esperan en memoria (hasta %4) hasta que los acepte</translation>
    </message>
    <message>
        <source>The journal %1 still cannot be written (%2) and the memory set aside for it is full: readings from %3 on are not kept in it</source>
        <translation>El diario %1 sigue sin poder escribirse (%2) y la memoria reservada está llena: las lecturas desde la %3 no se guardan en él</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step.</source>
        <translation>Los registros del medidor se desfasaron en la línea y se volvieron a poner en fase.</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step (%1 times).</source>
        <translation>Los registros del medidor se desfasaron en la línea y se volvieron a poner en fase (%1 veces).</translation>
    </message>
    <message>
        <source>Row %1 may show wrong readings.</source>
        <translation>La fila %1 puede mostrar lecturas erróneas.</translation>
    </message>
    <message>
        <source>Rows %1 may show wrong readings.</source>
        <translation>Las filas %1 pueden mostrar lecturas erróneas.</translation>
    </message>
    <message>
        <source>before the first row</source>
        <translation>antes de la primera fila</translation>
    </message>
    <message>
        <source>after row %1</source>
        <translation>después de la fila %1</translation>
    </message>
    <message>
        <source>1 reading was lost (%1).</source>
        <translation>Se perdió 1 lectura (%1).</translation>
    </message>
    <message>
        <source>%1 readings were lost (%2).</source>
        <translation>Se perdieron %1 lecturas (%2).</translation>
    </message>
    <message>
        <source>1 byte was skipped; every other reading is as the meter sent it.</source>
        <translation>Se omitió 1 byte; todas las demás lecturas son tal como las envió el medidor.</translation>
    </message>
    <message>
        <source>%1 bytes were skipped; every other reading is as the meter sent it.</source>
        <translation>Se omitieron %1 bytes; todas las demás lecturas son tal como las envió el medidor.</translation>
    </message>
</context>
<context>
    <name>orbek::CTchart1</name>
    <message>
        <source>Cannot save %1: a picture&apos;s name must end in .png, .svg or .pdf</source>
        <translation>No se puede guardar %1: el nombre de una imagen debe terminar en .png, .svg o .pdf</translation>
    </message>
    <message>
        <source>The chart cannot be drawn: %1</source>
        <translation>No se puede dibujar el gráfico: %1</translation>
    </message>
</context>
<context>
    <name>orbek::HistoryDialog</name>
    <message>
        <source>History</source>
        <translation>Historial</translation>
    </message>
    <message>
        <source>Sample, operator, location, probe or note</source>
        <translation>Muestra, operador, lugar, sonda o nota</translation>
    </message>
    <message>
        <source>&amp;Search:</source>
        <translation>&amp;Buscar:</translation>
    </message>
    <message>
        <source>&amp;to</source>
        <translation>&amp;hasta</translation>
    </message>
    <message>
        <source>Archived transfers</source>
        <translation>Transferencias archivadas</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Inicio</translation>
    </message>
    <message>
        <source>Sample ID</source>
        <translation>ID de la muestra</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Operador</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ubicación</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Lecturas</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Perdidas</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Unidades</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Abrir</translation>
    </message>
    <message numerus="yes">
        <source>%n transfer(s) in %1</source>
        <translation>
            <numerusform>%n transferencia en %1</numerusform>
            <numerusform>%n transferencias en %1</numerusform>
        </translation>
    </message>
    <message>
        <source>The archive cannot be read: %1</source>
        <translation>No se puede leer el archivo: %1</translation>
    </message>
    <message>
        <source>Started &amp;from:</source>
        <translation>Iniciadas &amp;desde:</translation>
    </message>
</context>
<context>
    <name>orbek::ReviewDialog</name>
    <message>
        <source>Mark as Reviewed</source>
        <translation>Marcar como revisado</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Revisado</translation>
    </message>
    <message>
        <source>Approved</source>
        <translation>Aprobado</translation>
    </message>
    <message>
        <source>Rejected</source>
        <translation>Rechazado</translation>
    </message>
    <message>
        <source>&amp;Reviewer:</source>
        <translation>&amp;Revisor:</translation>
    </message>
    <message>
        <source>&amp;Meaning:</source>
        <translation>&amp;Significado:</translation>
    </message>
    <message>
        <source>The review is kept in the archive&apos;s audit trail with your name and the time; it cannot be changed afterwards.</source>
        <translation>La revisión se guarda en el registro de auditoría del archivo con su nombre y la hora; no se puede cambiar después.</translation>
    </message>
</context>
<context>
    <name>orbek::SampleDetailsDialog</name>
    <message>
        <source>Sample Details</source>
        <translation>Datos de la muestra</translation>
    </message>
    <message>
        <source>%1:</source>
        <translation>%1:</translation>
    </message>
    <message>
        <source>cannot create the folder %1</source>
        <translation>no se puede crear la carpeta %1</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>no se puede escribir %1</translation>
    </message>
    <message>
        <source>It holds a control character; only line breaks and tabs can be kept.</source>
        <translation>Contiene un carácter de control; solo se conservan saltos de línea y tabuladores.</translation>
    </message>
    <message>
        <source>It holds a control character, which cannot be kept.</source>
        <translation>Contiene un carácter de control, que no se puede conservar.</translation>
    </message>
    <message>
        <source>It is longer than the %L1 characters a workbook&apos;s cell holds.</source>
        <translation>Es más largo que los %L1 caracteres que admite una celda de un libro.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
</TS>
