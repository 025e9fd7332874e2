<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>AboutFrm</name>
    <message>
        <source>Copyright (c) Quillmere. All rights reserved.</source>
        <translation>Copyright (c) Quillmere. Alle Rechte vorbehalten.</translation>
    </message>
</context>
<context>
    <name>CaptureCommands</name>
    <message>
        <source> Press OK to start capture </source>
        <translation> Klicken Sie auf OK, um die Aufnahme zu starten </translation>
    </message>
    <message>
        <source> Ready to capture </source>
        <translation> Bereit zur Aufnahme </translation>
    </message>
    <message>
        <source>The capture file cannot be used: %1.</source>
        <translation>Die Aufnahmedatei kann nicht verwendet werden: %1.</translation>
    </message>
    <message>
        <source>The frame sequence is recorded into %1, which already holds a capture. Replace it?</source>
        <translation>Die Bildfolge wird in %1 aufgenommen, das bereits eine Aufnahme enthält. Ersetzen?</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Records the screen, a camera and sound into AVI, WAV and MP3 files.
Without options the program starts with its splash window.</source>
        <translation>Nimmt den Bildschirm, eine Kamera und Ton in AVI-, WAV- und MP3-Dateien auf.
Ohne Optionen startet das Programm mit seinem Startfenster.</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>DATEI</translation>
    </message>
    <message>
        <source>With --capture: the file to record into (.avi, .wav or .mp3); without it, the next automatic name in the folder for automatic captures.</source>
        <translation>Mit --capture: die Datei, in die aufgenommen wird (.avi, .wav oder .mp3); ohne sie der nächste automatische Name im Ordner für automatische Aufnahmen.</translation>
    </message>
    <message>
        <source>[FILE]</source>
        <translation>[DATEI]</translation>
    </message>
    <message>
        <source>Start a capture with the stored settings and the main window shown; it ends at the time limit or at SIGINT or SIGTERM, and the program with it. Exit status 0: the file is complete; 1: the capture failed; 2: a wrong option.</source>
        <translation>Startet eine Aufnahme mit den gespeicherten Einstellungen bei sichtbarem Hauptfenster; sie endet bei der Zeitbegrenzung oder bei SIGINT oder SIGTERM, und das Programm mit ihr. Rückgabewert 0: die Datei ist vollständig; 1: die Aufnahme ist fehlgeschlagen; 2: eine falsche Option.</translation>
    </message>
    <message>
        <source>Stop the capture after S seconds.</source>
        <translation>Die Aufnahme nach S Sekunden beenden.</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>Record from the video device named DEVICE (as in Options &gt; Video Device; &quot;None&quot; for no video).</source>
        <translation>Vom Videogerät namens GERÄT aufnehmen (wie unter Optionen &gt; Videogerät; „Keine“ oder &quot;None&quot; für kein Video).</translation>
    </message>
    <message>
        <source>DEVICE</source>
        <translation>GERÄT</translation>
    </message>
    <message>
        <source>Record from the audio device named DEVICE (as in Options &gt; Audio Device; &quot;None&quot; for no sound).</source>
        <translation>Vom Audiogerät namens GERÄT aufnehmen (wie unter Optionen &gt; Audiogerät; „Keine“ oder &quot;None&quot; für keinen Ton).</translation>
    </message>
    <message>
        <source>--time-limit, --video, --audio and FILE go with --capture.</source>
        <translation>--time-limit, --video, --audio und DATEI gehören zu --capture.</translation>
    </message>
    <message>
        <source>--capture takes one file, not %1.</source>
        <translation>--capture nimmt eine Datei, nicht %1.</translation>
    </message>
    <message>
        <source>--time-limit needs a number of seconds above 0, not &quot;%1&quot;.</source>
        <translation>--time-limit braucht eine Anzahl Sekunden über 0, nicht „%1“.</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>no %1 device is named &quot;%2&quot;; there are: %3</source>
        <translation>kein %1gerät heißt „%2“; vorhanden sind: %3</translation>
    </message>
    <message>
        <source>video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>every automatic name is taken in %1.</source>
        <translation>in %1 ist jeder automatische Name vergeben.</translation>
    </message>
    <message>
        <source>no video and no audio device is chosen.</source>
        <translation>weder ein Video- noch ein Audiogerät ist gewählt.</translation>
    </message>
    <message>
        <source>%1 holds only sound, and no audio device is chosen.</source>
        <translation>%1 enthält nur Ton, und kein Audiogerät ist gewählt.</translation>
    </message>
    <message>
        <source>recording into %1</source>
        <translation>Aufnahme in %1</translation>
    </message>
    <message>
        <source>stopped before the capture began.</source>
        <translation>beendet, bevor die Aufnahme begann.</translation>
    </message>
    <message>
        <source>the capture ended without a complete file.</source>
        <translation>die Aufnahme endete ohne vollständige Datei.</translation>
    </message>
</context>
<context>
    <name>DialogChrome</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>EngineWords</name>
    <message>
        <source>No video device is selected.</source>
        <translation>Es ist kein Videogerät ausgewählt.</translation>
    </message>
    <message>
        <source>No audio device is selected.</source>
        <translation>Es ist kein Audiogerät ausgewählt.</translation>
    </message>
    <message>
        <source>No capture file is named.</source>
        <translation>Es ist keine Aufnahmedatei angegeben.</translation>
    </message>
    <message>
        <source>A capture is already running.</source>
        <translation>Es läuft bereits eine Aufnahme.</translation>
    </message>
    <message>
        <source>The last capture is still being finished.</source>
        <translation>Die letzte Aufnahme wird noch abgeschlossen.</translation>
    </message>
    <message>
        <source>The video device delivers no picture.</source>
        <translation>Das Videogerät liefert kein Bild.</translation>
    </message>
    <message>
        <source>The audio device delivers no sound.</source>
        <translation>Das Audiogerät liefert keinen Ton.</translation>
    </message>
    <message>
        <source>No manual frame sequence is running.</source>
        <translation>Es läuft keine manuelle Einzelbildfolge.</translation>
    </message>
    <message>
        <source>No picture could be grabbed.</source>
        <translation>Es konnte kein Bild aufgenommen werden.</translation>
    </message>
    <message>
        <source>The output cannot be reset while a capture is running.</source>
        <translation>Die Ausgabe kann während einer Aufnahme nicht zurückgesetzt werden.</translation>
    </message>
    <message>
        <source>The capture file cannot change while a capture is running.</source>
        <translation>Die Aufnahmedatei kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>The output format cannot change while a capture is running.</source>
        <translation>Das Ausgabeformat kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>The capture file cannot be reserved while a capture is running.</source>
        <translation>Die Aufnahmedatei kann während einer Aufnahme nicht reserviert werden.</translation>
    </message>
    <message>
        <source>The capture file size cannot be negative.</source>
        <translation>Die Größe der Aufnahmedatei darf nicht negativ sein.</translation>
    </message>
    <message>
        <source>The capture cannot be copied while it is being recorded.</source>
        <translation>Die Aufnahme kann nicht kopiert werden, solange sie läuft.</translation>
    </message>
    <message>
        <source>There is no picture to copy.</source>
        <translation>Es gibt kein Bild zum Kopieren.</translation>
    </message>
    <message>
        <source>The picture format cannot be converted.</source>
        <translation>Das Bildformat kann nicht umgewandelt werden.</translation>
    </message>
    <message>
        <source>The time limit must be between 0 and 315360000 seconds (ten years).</source>
        <translation>Die Zeitbegrenzung muss zwischen 0 und 315360000 Sekunden (zehn Jahre) liegen.</translation>
    </message>
    <message>
        <source>The delay between frames must be more than 0 and at most 315360000 seconds (ten years).</source>
        <translation>Der Abstand zwischen den Bildern muss größer als 0 und höchstens 315360000 Sekunden (zehn Jahre) sein.</translation>
    </message>
    <message>
        <source>The master stream must be -1 (none), 0 (video) or 1 (audio).</source>
        <translation>Der Hauptstrom muss -1 (keiner), 0 (Video) oder 1 (Audio) sein.</translation>
    </message>
    <message>
        <source>The master stream cannot change while a capture is running.</source>
        <translation>Der Hauptstrom kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>Queue lengths are 1 to 240 pictures and 1 to 60 seconds of sound; quality is 2 to 31.</source>
        <translation>Warteschlangen fassen 1 bis 240 Bilder und 1 bis 60 Sekunden Ton; die Qualität ist 2 bis 31.</translation>
    </message>
    <message>
        <source>The compressor cannot be changed while a capture is running.</source>
        <translation>Der Kompressor kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>No file name was given to copy the capture to.</source>
        <translation>Es wurde kein Dateiname angegeben, unter dem die Aufnahme kopiert werden soll.</translation>
    </message>
    <message>
        <source>There is no captured file to copy.</source>
        <translation>Es gibt keine aufgenommene Datei zum Kopieren.</translation>
    </message>
    <message>
        <source>A device stopped delivering during the capture.</source>
        <translation>Ein Gerät hat während der Aufnahme aufgehört zu liefern.</translation>
    </message>
    <message>
        <source>A still picture is not recorded to a file; it is taken with StillPictureHandle.</source>
        <translation>Ein Standbild wird nicht in eine Datei aufgenommen; es wird mit StillPictureHandle geholt.</translation>
    </message>
    <message>
        <source>Cannot read the shared screen: PipeWire could not be started.</source>
        <translation>Der freigegebene Bildschirm kann nicht gelesen werden: PipeWire konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Capture mode %1 does not exist.</source>
        <translation>Den Aufnahmemodus %1 gibt es nicht.</translation>
    </message>
    <message>
        <source>The output format &quot;%1&quot; cannot be written; choose AVI, WAVE or MP3.</source>
        <translation>Das Ausgabeformat „%1“ kann nicht geschrieben werden; wählen Sie AVI, WAVE oder MP3.</translation>
    </message>
    <message>
        <source>A %1 file holds sound only; video must be captured into an AVI file.</source>
        <translation>Eine %1-Datei enthält nur Ton; Video muss in eine AVI-Datei aufgenommen werden.</translation>
    </message>
    <message>
        <source>There is no compressor number %1.</source>
        <translation>Es gibt keinen Kompressor mit der Nummer %1.</translation>
    </message>
    <message>
        <source>There is no entry %1 in this list.</source>
        <translation>Diese Liste hat keinen Eintrag %1.</translation>
    </message>
    <message>
        <source>The video device cannot be changed while a capture is running.</source>
        <translation>Das Videogerät kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>The audio device cannot be changed while a capture is running.</source>
        <translation>Das Audiogerät kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>The capture size cannot be changed while a capture is running.</source>
        <translation>Die Aufnahmegröße kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>The source region cannot be changed while a capture is running.</source>
        <translation>Der Quellbereich kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>The video format cannot be changed while a capture is running.</source>
        <translation>Das Videoformat kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>The video source cannot be changed while a capture is running.</source>
        <translation>Die Videoquelle kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>The audio format cannot be changed while a capture is running.</source>
        <translation>Das Audioformat kann während einer Aufnahme nicht geändert werden.</translation>
    </message>
    <message>
        <source>The video device &quot;%1&quot; delivers no pictures: nothing came within 2.5 seconds.%2</source>
        <translation>Das Videogerät „%1“ liefert keine Bilder: Innerhalb von 2,5 Sekunden kam nichts an.%2</translation>
    </message>
    <message>
        <source>The audio device &quot;%1&quot; delivers no sound: nothing came within 2.5 seconds.%2</source>
        <translation>Das Audiogerät „%1“ liefert keinen Ton: Innerhalb von 2,5 Sekunden kam nichts an.%2</translation>
    </message>
    <message>
        <source>The video device &quot;%1&quot; delivers no pictures: %2</source>
        <translation>Das Videogerät „%1“ liefert keine Bilder: %2</translation>
    </message>
    <message>
        <source>The audio device &quot;%1&quot; delivers no sound: %2</source>
        <translation>Das Audiogerät „%1“ liefert keinen Ton: %2</translation>
    </message>
    <message>
        <source>Cannot open the video device &quot;%1&quot;: it has no size.</source>
        <translation>Das Videogerät „%1“ kann nicht geöffnet werden: Es hat keine Größe.</translation>
    </message>
    <message>
        <source>Cannot open %1: this build has no %2 input.</source>
        <translation>%1 kann nicht geöffnet werden: Diese Programmversion hat keine %2-Eingabe.</translation>
    </message>
    <message>
        <source>Cannot open %1: it delivers no pictures.</source>
        <translation>%1 kann nicht geöffnet werden: Es liefert keine Bilder.</translation>
    </message>
    <message>
        <source>Cannot open %1: it delivers no sound.</source>
        <translation>%1 kann nicht geöffnet werden: Es liefert keinen Ton.</translation>
    </message>
    <message>
        <source>Cannot open %1: no decoder for its format.</source>
        <translation>%1 kann nicht geöffnet werden: Für sein Format gibt es keinen Decoder.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2.</source>
        <translation>%1 kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>Lost %1: it delivered nothing for %2 seconds.</source>
        <translation>%1 verloren: Es hat %2 Sekunden lang nichts geliefert.</translation>
    </message>
    <message>
        <source>Lost %1: %2.</source>
        <translation>%1 verloren: %2.</translation>
    </message>
    <message>
        <source>The camera has no control %1: %2</source>
        <translation>Die Kamera hat kein Steuerelement %1: %2</translation>
    </message>
    <message>
        <source>Cannot set %1: %2</source>
        <translation>%1 kann nicht eingestellt werden: %2</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>the video device &quot;%1&quot;</source>
        <translation>das Videogerät „%1“</translation>
    </message>
    <message>
        <source>the audio device &quot;%1&quot;</source>
        <translation>das Audiogerät „%1“</translation>
    </message>
    <message>
        <source>Cannot reserve %1 MB for %2: it is more than the file size limit.</source>
        <translation>%1 MB können für %2 nicht reserviert werden: Das überschreitet die Dateigrößenbegrenzung.</translation>
    </message>
    <message>
        <source>Cannot reserve %1 MB for %2: %3.</source>
        <translation>%1 MB können für %2 nicht reserviert werden: %3.</translation>
    </message>
    <message>
        <source>Cannot create the capture file %1: %2.</source>
        <translation>Die Aufnahmedatei %1 kann nicht erstellt werden: %2.</translation>
    </message>
    <message>
        <source>Cannot copy the capture to %1: %2.</source>
        <translation>Die Aufnahme kann nicht nach %1 kopiert werden: %2.</translation>
    </message>
    <message>
        <source>Cannot write %1: %2.</source>
        <translation>%1 kann nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>Cannot read the shared screen: %1.</source>
        <translation>Der freigegebene Bildschirm kann nicht gelesen werden: %1.</translation>
    </message>
    <message>
        <source>The capture cannot start: %1.</source>
        <translation>Die Aufnahme kann nicht beginnen: %1.</translation>
    </message>
    <message>
        <source>Capture file %1: the disk is full.</source>
        <translation>Aufnahmedatei %1: Der Datenträger ist voll.</translation>
    </message>
    <message>
        <source>Capture file %1: writing failed.</source>
        <translation>Aufnahmedatei %1: Schreiben fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Capture file %1: writing the file failed: %2.</source>
        <translation>Aufnahmedatei %1: Schreiben der Datei fehlgeschlagen: %2.</translation>
    </message>
    <message>
        <source>Capture file %1: %2.</source>
        <translation>Aufnahmedatei %1: %2.</translation>
    </message>
    <message>
        <source>the sound server does not answer</source>
        <translation>der Soundserver antwortet nicht</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>Test Pattern</source>
        <translation>Testbild</translation>
    </message>
    <message>
        <source>Moving pattern with counter</source>
        <translation>Bewegtes Muster mit Zähler</translation>
    </message>
    <message>
        <source>Colour pattern with counter</source>
        <translation>Farbmuster mit Zähler</translation>
    </message>
    <message>
        <source>SMPTE colour bars</source>
        <translation>SMPTE-Farbbalken</translation>
    </message>
    <message>
        <source>SMPTE HD colour bars</source>
        <translation>SMPTE-HD-Farbbalken</translation>
    </message>
    <message>
        <source>RGB stripes</source>
        <translation>RGB-Streifen</translation>
    </message>
    <message>
        <source>YUV stripes</source>
        <translation>YUV-Streifen</translation>
    </message>
    <message>
        <source>Mandelbrot zoom</source>
        <translation>Mandelbrot-Zoom</translation>
    </message>
    <message>
        <source>Game of life</source>
        <translation>Spiel des Lebens</translation>
    </message>
    <message>
        <source>180°</source>
        <translation>180°</translation>
    </message>
    <message>
        <source>90° anticlockwise</source>
        <translation>90° gegen den Uhrzeigersinn</translation>
    </message>
    <message>
        <source>90° clockwise</source>
        <translation>90° im Uhrzeigersinn</translation>
    </message>
    <message>
        <source>Angle</source>
        <translation>Winkel</translation>
    </message>
    <message>
        <source>Attack (ms)</source>
        <translation>Ansprechzeit (ms)</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Bit rate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>Bottom (pixels)</source>
        <translation>Unten (Pixel)</translation>
    </message>
    <message>
        <source>Bottom left</source>
        <translation>Unten links</translation>
    </message>
    <message>
        <source>Bottom right</source>
        <translation>Unten rechts</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Brightness and contrast</source>
        <translation>Helligkeit und Kontrast</translation>
    </message>
    <message>
        <source>Bwdif</source>
        <translation>Bwdif</translation>
    </message>
    <message>
        <source>Coder</source>
        <translation>Kodierer</translation>
    </message>
    <message>
        <source>Compressor</source>
        <translation>Kompressor</translation>
    </message>
    <message>
        <source>Constant bit rate</source>
        <translation>Konstante Bitrate</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
    </message>
    <message>
        <source>Crop</source>
        <translation>Zuschneiden</translation>
    </message>
    <message>
        <source>Cut-off (Hz)</source>
        <translation>Grenzfrequenz (Hz)</translation>
    </message>
    <message>
        <source>Dark box behind the text</source>
        <translation>Dunkler Kasten hinter dem Text</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Deinterlace</source>
        <translation>Deinterlacing</translation>
    </message>
    <message>
        <source>Denoise</source>
        <translation>Rauschminderung</translation>
    </message>
    <message>
        <source>Dynamic (dynaudnorm)</source>
        <translation>Dynamisch (dynaudnorm)</translation>
    </message>
    <message>
        <source>Flip upside down</source>
        <translation>Auf den Kopf stellen</translation>
    </message>
    <message>
        <source>Gain (times)</source>
        <translation>Verstärkung (fach)</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>Golomb-Rice (faster)</source>
        <translation>Golomb-Rice (schneller)</translation>
    </message>
    <message>
        <source>Grey scale</source>
        <translation>Graustufen</translation>
    </message>
    <message>
        <source>High-pass</source>
        <translation>Hochpass</translation>
    </message>
    <message>
        <source>Key frame every (pictures)</source>
        <translation>Schlüsselbild alle (Bilder)</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Left (pixels)</source>
        <translation>Links (Pixel)</translation>
    </message>
    <message>
        <source>Loudness (EBU R128)</source>
        <translation>Lautheit (EBU R128)</translation>
    </message>
    <message>
        <source>Low-pass</source>
        <translation>Tiefpass</translation>
    </message>
    <message>
        <source>Make-up gain (dB)</source>
        <translation>Ausgleichsverstärkung (dB)</translation>
    </message>
    <message>
        <source>Median</source>
        <translation>Median</translation>
    </message>
    <message>
        <source>Method</source>
        <translation>Verfahren</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Spiegeln</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>Noise gate</source>
        <translation>Noise Gate</translation>
    </message>
    <message>
        <source>Normalisation</source>
        <translation>Normalisierung</translation>
    </message>
    <message>
        <source>Plane</source>
        <translation>Ebene</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Prediction</source>
        <translation>Vorhersage</translation>
    </message>
    <message>
        <source>Quantiser (2 best, 31 smallest)</source>
        <translation>Quantisierer (2 beste, 31 kleinste)</translation>
    </message>
    <message>
        <source>Range coder (smaller)</source>
        <translation>Bereichskodierer (kleiner)</translation>
    </message>
    <message>
        <source>Rate factor (0 lossless, 51 smallest)</source>
        <translation>Ratenfaktor (0 verlustfrei, 51 kleinste)</translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation>Verhältnis</translation>
    </message>
    <message>
        <source>Release (ms)</source>
        <translation>Abklingzeit (ms)</translation>
    </message>
    <message>
        <source>Right (pixels)</source>
        <translation>Rechts (Pixel)</translation>
    </message>
    <message>
        <source>Rotate</source>
        <translation>Drehen</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Sättigung</translation>
    </message>
    <message>
        <source>Spatial strength</source>
        <translation>Räumliche Stärke</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Geschwindigkeit</translation>
    </message>
    <message>
        <source>Target loudness (LUFS)</source>
        <translation>Ziel-Lautheit (LUFS)</translation>
    </message>
    <message>
        <source>Temporal strength</source>
        <translation>Zeitliche Stärke</translation>
    </message>
    <message>
        <source>Text size</source>
        <translation>Textgröße</translation>
    </message>
    <message>
        <source>Threshold (dB)</source>
        <translation>Schwelle (dB)</translation>
    </message>
    <message>
        <source>Top (pixels)</source>
        <translation>Oben (Pixel)</translation>
    </message>
    <message>
        <source>Top left</source>
        <translation>Oben links</translation>
    </message>
    <message>
        <source>Top right</source>
        <translation>Oben rechts</translation>
    </message>
    <message>
        <source>Variable bit rate</source>
        <translation>Variable Bitrate</translation>
    </message>
    <message>
        <source>Variable-rate quality (0 best, 9 smallest)</source>
        <translation>Qualität bei variabler Rate (0 beste, 9 kleinste)</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Yadif</source>
        <translation>Yadif</translation>
    </message>
    <message>
        <source>Test Tone</source>
        <translation>Testton</translation>
    </message>
    <message>
        <source>Screen (desktop portal)</source>
        <translation>Bildschirm (Desktop-Portal)</translation>
    </message>
    <message>
        <source>Screen %1 (%2x%3)</source>
        <translation>Bildschirm %1 (%2x%3)</translation>
    </message>
    <message>
        <source>Monitor %1 (%2x%3)</source>
        <translation>Monitor %1 (%2x%3)</translation>
    </message>
    <message>
        <source>The preview source must be 0, 1 or 2.</source>
        <translation>Die Vorschauquelle muss 0, 1 oder 2 sein.</translation>
    </message>
    <message>
        <source>The preview tap must be 0, 1 or 2.</source>
        <translation>Der Vorschauabgriff muss 0, 1 oder 2 sein.</translation>
    </message>
    <message>
        <source>the file size limit of this session, %1 MB, was reached</source>
        <translation>Die Dateigrößengrenze dieser Sitzung, %1 MB, wurde erreicht</translation>
    </message>
    <message>
        <source>another capture is writing this file</source>
        <translation>Eine andere Aufnahme schreibt diese Datei</translation>
    </message>
    <message>
        <source>the video encoder %1 cannot start: %2</source>
        <translation>Der Videoencoder %1 kann nicht starten: %2</translation>
    </message>
    <message>
        <source>the video encoder failed: %1</source>
        <translation>Der Videoencoder ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>libjpeg-turbo failed: %1</source>
        <translation>libjpeg-turbo ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>libjpeg-turbo is not part of this build</source>
        <translation>libjpeg-turbo ist in diesem Build nicht enthalten</translation>
    </message>
    <message>
        <source>libjpeg-turbo takes no pictures of this format</source>
        <translation>libjpeg-turbo nimmt keine Bilder dieses Formats an</translation>
    </message>
    <message>
        <source>the encoder&apos;s threads cannot start</source>
        <translation>Die Threads des Encoders können nicht starten</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>Kein Speicher mehr frei</translation>
    </message>
    <message>
        <source>its header is cut off</source>
        <translation>Ihr Kopf ist abgeschnitten</translation>
    </message>
    <message>
        <source>it is too long for a WAV file</source>
        <translation>Sie ist zu lang für eine WAV-Datei</translation>
    </message>
    <message>
        <source>the repaired file cannot be opened</source>
        <translation>Die reparierte Datei lässt sich nicht öffnen</translation>
    </message>
    <message>
        <source>the repaired file cannot be written</source>
        <translation>Die reparierte Datei lässt sich nicht schreiben</translation>
    </message>
    <message>
        <source>the repaired file does not read back whole</source>
        <translation>Die reparierte Datei lässt sich nicht vollständig zurücklesen</translation>
    </message>
    <message>
        <source>The frame rate must be 0 (the device&apos;s own) or between 0.001 and 1000 frames per second.</source>
        <translation>Die Bildrate muss 0 (die des Geräts) oder zwischen 0,001 und 1000 Bildern pro Sekunde liegen.</translation>
    </message>
</context>
<context>
    <name>FileMenu</name>
    <message>
        <source>AVI Video File (*.avi);;AVI Video File (*.avi)</source>
        <translation>AVI-Videodatei (*.avi);;AVI-Videodatei (*.avi)</translation>
    </message>
    <message>
        <source>Enter Capture Video Name</source>
        <translation>Namen für das Aufnahmevideo eingeben</translation>
    </message>
    <message>
        <source>Current: </source>
        <translation>Aktuell: </translation>
    </message>
    <message>
        <source>Not available on this Wayland desktop: the desktop decides which window stays on top.</source>
        <translation>Auf diesem Wayland-Desktop nicht verfügbar: Der Desktop entscheidet, welches Fenster im Vordergrund bleibt.</translation>
    </message>
</context>
<context>
    <name>MainMenus</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Allocate  &amp;Capture File...</source>
        <translation>Aufnahme&amp;datei reservieren...</translation>
    </message>
    <message>
        <source>&amp;Save Captured Video As...</source>
        <translation>Aufnahme &amp;speichern unter...</translation>
    </message>
    <message>
        <source>&amp;Automatically Name Captures</source>
        <translation>Aufnahmen &amp;automatisch benennen</translation>
    </message>
    <message>
        <source>Select &amp;Folder for Auto Captures...</source>
        <translation>&amp;Ordner für automatische Aufnahmen wählen...</translation>
    </message>
    <message>
        <source>Make Auto Buttons &amp;Top Window</source>
        <translation>Auto-Schaltflächen im &amp;Vordergrund</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Fit to Window</source>
        <translation>An &amp;Fenster anpassen</translation>
    </message>
    <message>
        <source>St&amp;retch to Window</source>
        <translation>Auf Fenster &amp;strecken</translation>
    </message>
    <message>
        <source>&amp;50%</source>
        <translation>&amp;50 %</translation>
    </message>
    <message>
        <source>&amp;75%</source>
        <translation>&amp;75 %</translation>
    </message>
    <message>
        <source>&amp;100%</source>
        <translation>&amp;100 %</translation>
    </message>
    <message>
        <source>&amp;200%</source>
        <translation>&amp;200 %</translation>
    </message>
    <message>
        <source>F&amp;ull Screen</source>
        <translation>&amp;Vollbild</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>Video &amp;Device</source>
        <translation>Video&amp;gerät</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Audio De&amp;vice</source>
        <translation>Audioge&amp;rät</translation>
    </message>
    <message>
        <source>Previe&amp;w</source>
        <translation>&amp;Vorschau</translation>
    </message>
    <message>
        <source>&amp;Enable Preview</source>
        <translation>Vorschau &amp;aktivieren</translation>
    </message>
    <message>
        <source>Preview &amp;Source</source>
        <translation>Vorschau&amp;quelle</translation>
    </message>
    <message>
        <source>Video and Audio</source>
        <translation>Video und Audio</translation>
    </message>
    <message>
        <source>Video only</source>
        <translation>Nur Video</translation>
    </message>
    <message>
        <source>Audio only</source>
        <translation>Nur Audio</translation>
    </message>
    <message>
        <source>&amp;Audio Renderer</source>
        <translation>Audio&amp;wiedergabe</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>&amp;Disable While Editing Properties</source>
        <translation>Beim Bearbeiten von Eigenschaften &amp;deaktivieren</translation>
    </message>
    <message>
        <source>Preview &amp;Tap</source>
        <translation>&amp;Bildquelle der Vorschau</translation>
    </message>
    <message>
        <source>&amp;Source</source>
        <translation>&amp;Quelle</translation>
    </message>
    <message>
        <source>&amp;Processors</source>
        <translation>&amp;Prozessoren</translation>
    </message>
    <message>
        <source>&amp;Compressor</source>
        <translation>&amp;Kompressor</translation>
    </message>
    <message>
        <source>V&amp;ideo Compressor</source>
        <translation>V&amp;ideokompressor</translation>
    </message>
    <message>
        <source>A&amp;udio Compressor</source>
        <translation>A&amp;udiokompressor</translation>
    </message>
    <message>
        <source>Close Captionin&amp;g</source>
        <translation>Untertite&amp;l</translation>
    </message>
    <message>
        <source>Video Capture &amp;Size</source>
        <translation>&amp;Aufnahmegröße</translation>
    </message>
    <message>
        <source>Ca&amp;pture Properties...</source>
        <translation>Aufnahme&amp;eigenschaften...</translation>
    </message>
    <message>
        <source>P&amp;review Properties...</source>
        <translation>V&amp;orschaueigenschaften...</translation>
    </message>
    <message>
        <source>Video C&amp;ompressor Properties...</source>
        <translation>Videokompressor-Eigens&amp;chaften...</translation>
    </message>
    <message>
        <source>Audio Compressor Properties...</source>
        <translation>Audiokompressor-Eigenschaf&amp;ten...</translation>
    </message>
    <message>
        <source>&amp;Legacy Properties</source>
        <translation>Ältere Eigen&amp;schaften</translation>
    </message>
    <message>
        <source>Video &amp;Source...</source>
        <translation>Video&amp;quelle...</translation>
    </message>
    <message>
        <source>Video &amp;Format...</source>
        <translation>Video&amp;format...</translation>
    </message>
    <message>
        <source>Video &amp;Display...</source>
        <translation>Video&amp;anzeige...</translation>
    </message>
    <message>
        <source>&amp;Audio Format...</source>
        <translation>A&amp;udioformat...</translation>
    </message>
    <message>
        <source>Audio Pro&amp;cessors...</source>
        <translation>Audio-&amp;Prozessoren...</translation>
    </message>
    <message>
        <source>Video Proc&amp;essors...</source>
        <translation>Video-Pro&amp;zessoren...</translation>
    </message>
    <message>
        <source>&amp;Capture</source>
        <translation>Au&amp;fnahme</translation>
    </message>
    <message>
        <source>&amp;Video and Audio Captures...</source>
        <translation>&amp;Video- und Audioaufnahmen...</translation>
    </message>
    <message>
        <source>&amp;Manual Frame Sequence...</source>
        <translation>&amp;Manuelle Einzelbildfolge...</translation>
    </message>
    <message>
        <source>&amp;Automatic Frame Sequence...</source>
        <translation>&amp;Automatische Einzelbildfolge...</translation>
    </message>
    <message>
        <source>&amp;Manual Frame and Audio Sequence...</source>
        <translation>Ma&amp;nuelle Einzelbildfolge mit Audio...</translation>
    </message>
    <message>
        <source>&amp;Automatic Frame and Audio Sequence...</source>
        <translation>Au&amp;tomatische Einzelbildfolge mit Audio...</translation>
    </message>
    <message>
        <source>&amp;Still Picture (Clipboard)</source>
        <translation>&amp;Standbild (Zwischenablage)</translation>
    </message>
    <message>
        <source>Minimi&amp;ze on Capture</source>
        <translation>Bei Aufnahme minimi&amp;eren</translation>
    </message>
    <message>
        <source>Sto&amp;p and Save Capture</source>
        <translation>Aufnahme &amp;beenden und speichern</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About Quillmere Capture...</source>
        <translation>&amp;Über Quillmere Capture...</translation>
    </message>
</context>
<context>
    <name>OptionsMenus</name>
    <message>
        <source>In our tests, the compressor you have selected<byte value="xd"/> has caused unexpected behaviour on some computers.<byte value="xd"/>Are you sure you want to use it?</source>
        <translation>In unseren Tests hat der gewählte Kompressor<byte value="xd"/> auf manchen Computern unerwartetes Verhalten verursacht.<byte value="xd"/>Möchten Sie ihn wirklich verwenden?</translation>
    </message>
    <message>
        <source>No Recompression</source>
        <translation>Keine Neukomprimierung</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>No Video Found</source>
        <translation>Kein Video gefunden</translation>
    </message>
    <message>
        <source>No Audio Found</source>
        <translation>Kein Audio gefunden</translation>
    </message>
    <message>
        <source>This Wayland desktop shares no screen: it has no desktop portal with screen casting. Install xdg-desktop-portal, your desktop&apos;s portal backend (xdg-desktop-portal-gnome, -kde or -wlr) and pipewire, then log in again.</source>
        <translation>Dieser Wayland-Desktop gibt keinen Bildschirm frei: Er hat kein Desktop-Portal mit Bildschirmfreigabe. Installieren Sie xdg-desktop-portal, das Portal-Backend Ihres Desktops (xdg-desktop-portal-gnome, -kde oder -wlr) und pipewire, und melden Sie sich dann neu an.</translation>
    </message>
</context>
<context>
    <name>Pelxbas</name>
    <message>
        <source>The capture file&apos;s path is too long for the system: a file or folder name can have at most %1 characters and the whole path %2. Choose a shorter name or folder.</source>
        <translation>Der Pfad der Aufnahmedatei ist für das System zu lang: Ein Datei- oder Ordnername darf höchstens %1 Zeichen haben und der ganze Pfad %2. Wählen Sie einen kürzeren Namen oder Ordner.</translation>
    </message>
</context>
<context>
    <name>Register</name>
    <message>
        <source>Wayland</source>
        <translation>Wayland</translation>
    </message>
    <message>
        <source>XWayland on Wayland</source>
        <translation>XWayland unter Wayland</translation>
    </message>
    <message>
        <source>X11</source>
        <translation>X11</translation>
    </message>
</context>
<context>
    <name>ScreenReader</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>StartUpSafety</name>
    <message>
        <source>%1 was cut off while it was recorded. It has been repaired and holds %2 seconds.</source>
        <translation>%1 wurde während der Aufnahme abgebrochen. Die Datei wurde repariert und enthält %2 Sekunden.</translation>
    </message>
    <message>
        <source>%1 was cut off while it was recorded and could not be repaired (%2). It is left as it was.</source>
        <translation>%1 wurde während der Aufnahme abgebrochen und konnte nicht repariert werden (%2). Die Datei bleibt unverändert.</translation>
    </message>
</context>
<context>
    <name>StatusBarPanels</name>
    <message>
        <source>Caps Lock</source>
        <translation>Feststelltaste</translation>
    </message>
    <message>
        <source>Num Lock</source>
        <translation>Num-Taste</translation>
    </message>
    <message>
        <source>Scroll Lock</source>
        <translation>Rollen-Taste</translation>
    </message>
    <message>
        <source>CAPS</source>
        <translation>FEST</translation>
    </message>
    <message>
        <source>NUM</source>
        <translation>NUM</translation>
    </message>
    <message>
        <source>SCRL</source>
        <translation>ROLL</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>%1 on</source>
        <translation>%1 an</translation>
    </message>
    <message>
        <source>%1 off</source>
        <translation>%1 aus</translation>
    </message>
</context>
<context>
    <name>VideoFormatDialog</name>
    <message>
        <source> fps</source>
        <translation> fps</translation>
    </message>
</context>
<context>
    <name>pelta::AboutFrm</name>
    <message>
        <source>Record video, audio, or both. For a smoother capture, try using video and audio compression. A list of available compressors will be listed to select from.</source>
        <translation>Nehmen Sie Video, Audio oder beides auf. Für eine flüssigere Aufnahme verwenden Sie Video- und Audiokompression. Eine Liste der verfügbaren Kompressoren steht zur Auswahl.</translation>
    </message>
    <message>
        <source>You can set the size, or duration of the file. And you may record just video or just audio files.</source>
        <translation>Sie können die Größe oder die Dauer der Datei festlegen. Und Sie können nur Video oder nur Audio aufnehmen.</translation>
    </message>
    <message>
        <source>Use the Auto Buttons for audio capture, they will be in the way for video capture. The Auto Name feature is for quick captures. You can add the date for better searching.</source>
        <translation>Verwenden Sie die Auto-Schaltflächen für Audioaufnahmen; bei Videoaufnahmen stehen sie im Weg. Die automatische Benennung ist für schnelle Aufnahmen gedacht. Sie können das Datum hinzufügen, um Dateien leichter zu finden.</translation>
    </message>
    <message>
        <source>Saving the file type lets you capture a group of files all in the same format ... avi, mp3, wav.</source>
        <translation>Wenn Sie den Dateityp speichern, können Sie eine Reihe von Dateien im selben Format aufnehmen ... avi, mp3, wav.</translation>
    </message>
    <message>
        <source>If you don&apos;t erase the file, it will be overwritten.</source>
        <translation>Wenn Sie die Datei nicht löschen, wird sie überschrieben.</translation>
    </message>
    <message>
        <source>Pelta-RX About</source>
        <translation>Pelta-RX Info</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>x</source>
        <translation>x</translation>
    </message>
</context>
<context>
    <name>pelta::AllocCapFileFrm</name>
    <message>
        <source>Allocate File Size</source>
        <translation>Dateigröße reservieren</translation>
    </message>
    <message>
        <source>Pelta-RX Allocate File Size</source>
        <translation>Pelta-RX Dateigröße reservieren</translation>
    </message>
    <message>
        <source>Capture &amp;file:</source>
        <translation>Aufnahme&amp;datei:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message>
        <source>Enter the amount of disk space to set aside for the capture file.  Existing video data in the file will be lost.</source>
        <translation>Geben Sie an, wie viel Speicherplatz für die Aufnahmedatei reserviert werden soll. Vorhandene Videodaten in der Datei gehen verloren.</translation>
    </message>
    <message>
        <source>Free disk space:</source>
        <translation>Freier Speicherplatz:</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>Capture file &amp;size:</source>
        <translation>&amp;Größe der Aufnahmedatei:</translation>
    </message>
    <message>
        <source>Capture File</source>
        <translation>Aufnahmedatei</translation>
    </message>
    <message>
        <source>Microsoft AVI (*.avi)</source>
        <translation>Microsoft AVI (*.avi)</translation>
    </message>
    <message>
        <source>Choose a capture file size between 0 and 2147483647 MB.</source>
        <translation>Wählen Sie eine Größe der Aufnahmedatei zwischen 0 und 2147483647 MB.</translation>
    </message>
</context>
<context>
    <name>pelta::AudioFormatDialog</name>
    <message>
        <source>Audio Format</source>
        <translation>Audioformat</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Gerät:</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>&amp;Sample rate:</source>
        <translation>&amp;Abtastrate:</translation>
    </message>
    <message>
        <source>&amp;Channels:</source>
        <translation>&amp;Kanäle:</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>Sample format:</source>
        <translation>Sampleformat:</translation>
    </message>
    <message>
        <source>16-bit</source>
        <translation>16 Bit</translation>
    </message>
</context>
<context>
    <name>pelta::Buttons</name>
    <message>
        <source>Capture</source>
        <translation>Aufnehmen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Every automatic name up to Auto-%1 is taken in %2. Choose another folder for automatic captures.</source>
        <translation>In %2 sind alle automatischen Namen bis Auto-%1 vergeben. Wählen Sie einen anderen Ordner für automatische Aufnahmen.</translation>
    </message>
</context>
<context>
    <name>pelta::CapAutoSeqFrm</name>
    <message>
        <source>Pelta-RX Frame Sequence</source>
        <translation>Pelta-RX Einzelbildfolge</translation>
    </message>
    <message>
        <source>Capture Automatic Frame Sequence</source>
        <translation>Automatische Einzelbildfolge aufnehmen</translation>
    </message>
    <message>
        <source>Frame &amp;Delay:</source>
        <translation>Bild&amp;abstand:</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Time Limit:</source>
        <translation>Zeitbegrenzung:</translation>
    </message>
    <message>
        <source>Frame Delay must be a number of seconds.</source>
        <translation>Der Bildabstand muss eine Anzahl von Sekunden sein.</translation>
    </message>
    <message>
        <source>Time Limit must be a number of seconds.</source>
        <translation>Die Zeitbegrenzung muss eine Anzahl von Sekunden sein.</translation>
    </message>
    <message>
        <source>Frame Delay must be more than 0 seconds.</source>
        <translation>Der Bildabstand muss größer als 0 Sekunden sein.</translation>
    </message>
</context>
<context>
    <name>pelta::CapManSeqFrm</name>
    <message>
        <source>Manual Frame Sequence</source>
        <translation>Manuelle Einzelbildfolge</translation>
    </message>
    <message>
        <source>Pelta-RX Manual Frame Sequence</source>
        <translation>Pelta-RX Manuelle Einzelbildfolge</translation>
    </message>
    <message>
        <source>Press &quot;Capture Frame&quot; to add a video frame to the sequence.</source>
        <translation>Klicken Sie auf „Bild aufnehmen“, um der Folge ein Videobild hinzuzufügen.</translation>
    </message>
    <message>
        <source>Video frames captured:</source>
        <translation>Aufgenommene Videobilder:</translation>
    </message>
    <message>
        <source>Capture Frame</source>
        <translation>Bild aufnehmen</translation>
    </message>
    <message>
        <source>Stop Capture</source>
        <translation>Aufnahme beenden</translation>
    </message>
</context>
<context>
    <name>pelta::CapVidAudFrm</name>
    <message>
        <source>Pelta-RX Capture Video and Audio</source>
        <translation>Pelta-RX Video und Audio aufnehmen</translation>
    </message>
    <message>
        <source>Capture File:</source>
        <translation>Aufnahmedatei:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message>
        <source>File Already Exists</source>
        <translation>Datei existiert bereits</translation>
    </message>
    <message>
        <source>Free disk space:</source>
        <translation>Freier Speicherplatz:</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>Capture file &amp;size:</source>
        <translation>&amp;Größe der Aufnahmedatei:</translation>
    </message>
    <message>
        <source>&amp;Mode:</source>
        <translation>&amp;Modus:</translation>
    </message>
    <message>
        <source>Time Limit:</source>
        <translation>Zeitbegrenzung:</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Frame Rate:</source>
        <translation>Bildrate:</translation>
    </message>
    <message>
        <source>f/sec</source>
        <translation>B/s</translation>
    </message>
    <message>
        <source>Master &amp;Stream:</source>
        <translation>&amp;Hauptstrom:</translation>
    </message>
    <message>
        <source>Wav and MP3 enabled. AVI sound plays in the Windows Media Player.</source>
        <translation>WAV und MP3 aktiviert. AVI-Ton wird im Windows Media Player abgespielt.</translation>
    </message>
    <message>
        <source>Add Date Stamp to Name?</source>
        <translation>Datum an den Namen anhängen?</translation>
    </message>
    <message>
        <source>Add date to file name. Used for audio capture.</source>
        <translation>Datum an den Dateinamen anhängen. Für Audioaufnahmen.</translation>
    </message>
    <message>
        <source>Save file type for AutoName?</source>
        <translation>Dateityp für automatische Namen speichern?</translation>
    </message>
    <message>
        <source>Used for audio capture.</source>
        <translation>Für Audioaufnahmen.</translation>
    </message>
    <message>
        <source>Video and Audio</source>
        <translation>Video und Audio</translation>
    </message>
    <message>
        <source>Video only</source>
        <translation>Nur Video</translation>
    </message>
    <message>
        <source>Audio only</source>
        <translation>Nur Audio</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Microsoft AVI (*.avi);;Microsoft WAV (*.wav);;MP3 (*.mp3)</source>
        <translation>Microsoft AVI (*.avi);;Microsoft WAV (*.wav);;MP3 (*.mp3)</translation>
    </message>
    <message>
        <source>Frame Rate must be a number of frames per second.</source>
        <translation>Die Bildrate muss eine Anzahl von Bildern pro Sekunde sein.</translation>
    </message>
    <message>
        <source>Choose a value between 0.0 and 30.0 for frame rate</source>
        <translation>Wählen Sie für die Bildrate einen Wert zwischen 0,0 und 30,0</translation>
    </message>
    <message>
        <source>Time Limit must be a number of seconds.</source>
        <translation>Die Zeitbegrenzung muss eine Anzahl von Sekunden sein.</translation>
    </message>
    <message>
        <source>File type</source>
        <translation>Dateityp</translation>
    </message>
    <message>
        <source>A file name cannot hold control characters such as line breaks or tabs. Type the name of the capture file again.</source>
        <translation>Ein Dateiname darf keine Steuerzeichen wie Zeilenumbrüche oder Tabulatoren enthalten. Geben Sie den Namen der Aufnahmedatei erneut ein.</translation>
    </message>
    <message>
        <source>%1 names a %2 file, but this capture writes a %3 file. Capture into %4 instead?</source>
        <translation>%1 bezeichnet eine %2-Datei, aber diese Aufnahme schreibt eine %3-Datei. Stattdessen in %4 aufnehmen?</translation>
    </message>
    <message>
        <source>Time Limit must be more than 0 seconds; clear its box to capture without a limit.</source>
        <translation>Die Zeitbegrenzung muss mehr als 0 Sekunden betragen; entfernen Sie das Häkchen, um ohne Begrenzung aufzunehmen.</translation>
    </message>
</context>
<context>
    <name>pelta::CaptureSettingsDialog</name>
    <message>
        <source>Capture Properties</source>
        <translation>Aufnahmeeigenschaften</translation>
    </message>
    <message>
        <source>&amp;Pictures waiting for the encoder:</source>
        <translation>&amp;Bilder, die auf den Encoder warten:</translation>
    </message>
    <message>
        <source>&amp;Sound waiting for the encoder:</source>
        <translation>&amp;Ton, der auf den Encoder wartet:</translation>
    </message>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>&amp;When the encoder falls behind:</source>
        <translation>&amp;Wenn der Encoder nicht nachkommt:</translation>
    </message>
    <message>
        <source>Drop the newest picture</source>
        <translation>Das neueste Bild verwerfen</translation>
    </message>
    <message>
        <source>Drop the oldest waiting picture</source>
        <translation>Das älteste wartende Bild verwerfen</translation>
    </message>
    <message>
        <source>Dropped, device late:</source>
        <translation>Verworfen, Gerät zu spät:</translation>
    </message>
    <message>
        <source>Dropped, encoder behind:</source>
        <translation>Verworfen, Encoder im Rückstand:</translation>
    </message>
    <message>
        <source>Dropped, disk behind:</source>
        <translation>Verworfen, Datenträger im Rückstand:</translation>
    </message>
    <message>
        <source>Dropped, kept in step with the sound:</source>
        <translation>Verworfen, im Takt mit dem Ton gehalten:</translation>
    </message>
    <message>
        <source>Pictures beyond the frame rate:</source>
        <translation>Bilder über der Bildrate:</translation>
    </message>
</context>
<context>
    <name>pelta::CompressorDialog</name>
    <message>
        <source>Video Compressor</source>
        <translation>Videokompressor</translation>
    </message>
    <message>
        <source>Audio Compressor</source>
        <translation>Audiokompressor</translation>
    </message>
    <message>
        <source>This compressor has no settings.</source>
        <translation>Dieser Kompressor hat keine Einstellungen.</translation>
    </message>
</context>
<context>
    <name>pelta::DialogChrome</name>
    <message>
        <source>x</source>
        <translation>x</translation>
    </message>
</context>
<context>
    <name>pelta::MainFrm</name>
    <message>
        <source>Pelta-RX - Quillmere</source>
        <translation>Pelta-RX - Quillmere</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>Aufnehmen</translation>
    </message>
    <message>
        <source>Recording ...</source>
        <translation>Aufnahme läuft ...</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Captured %1 frames in %2 sec (%3 dropped)</source>
        <translation>%1 Bilder in %2 s aufgenommen (%3 verworfen)</translation>
    </message>
    <message>
        <source>: %1 fps %2 MB/sec</source>
        <translation>: %1 B/s %2 MB/s</translation>
    </message>
    <message>
        <source> Error %1 occurred.</source>
        <translation> Fehler %1 ist aufgetreten.</translation>
    </message>
    <message>
        <source>Format: </source>
        <translation>Format: </translation>
    </message>
    <message>
        <source>Not Dropped </source>
        <translation>Nicht verworfen </translation>
    </message>
    <message>
        <source>Time: </source>
        <translation>Zeit: </translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
</context>
<context>
    <name>pelta::PreviewPropertiesDialog</name>
    <message>
        <source>Preview Properties</source>
        <translation>Vorschaueigenschaften</translation>
    </message>
    <message>
        <source>&amp;Quality:</source>
        <translation>&amp;Qualität:</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Schnell</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Gut</translation>
    </message>
    <message>
        <source>Best</source>
        <translation>Beste</translation>
    </message>
    <message>
        <source>&amp;While capturing, at most:</source>
        <translation>&amp;Während der Aufnahme höchstens:</translation>
    </message>
    <message>
        <source>Same as otherwise</source>
        <translation>Wie sonst</translation>
    </message>
    <message>
        <source> pictures a second</source>
        <translation> Bilder pro Sekunde</translation>
    </message>
    <message>
        <source>&amp;Show the picture:</source>
        <translation>Bild &amp;zeigen:</translation>
    </message>
    <message>
        <source>From the device</source>
        <translation>Vom Gerät</translation>
    </message>
    <message>
        <source>After the processors</source>
        <translation>Nach den Prozessoren</translation>
    </message>
    <message>
        <source>After the compressor</source>
        <translation>Nach dem Kompressor</translation>
    </message>
</context>
<context>
    <name>pelta::ProcessorsDialog</name>
    <message>
        <source>Video Processors</source>
        <translation>Videoprozessoren</translation>
    </message>
    <message>
        <source>Audio Processors</source>
        <translation>Audioprozessoren</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>Processors in &amp;use:</source>
        <translation>Verwendete &amp;Prozessoren:</translation>
    </message>
</context>
<context>
    <name>pelta::Register</name>
    <message>
        <source>Professional</source>
        <translation>Professional</translation>
    </message>
    <message>
        <source>Capture screen video, sound, or both, with Pelta-RX Quillmere Capture.</source>
        <translation>Nehmen Sie Bildschirmvideo, Ton oder beides mit Pelta-RX Quillmere Capture auf.</translation>
    </message>
    <message>
        <source>Click here to send e-mail.</source>
        <translation>Hier klicken, um eine E-Mail zu senden.</translation>
    </message>
    <message>
        <source>Click here to go to web site.</source>
        <translation>Hier klicken, um die Website zu besuchen.</translation>
    </message>
    <message>
        <source>Linux (%1), Debian 12</source>
        <translation>Linux (%1), Debian 12</translation>
    </message>
</context>
<context>
    <name>pelta::VideoDisplayDialog</name>
    <message>
        <source>Video Display</source>
        <translation>Videoanzeige</translation>
    </message>
    <message>
        <source>&amp;Aspect ratio:</source>
        <translation>&amp;Seitenverhältnis:</translation>
    </message>
    <message>
        <source>As the picture</source>
        <translation>Wie das Bild</translation>
    </message>
    <message>
        <source>&amp;Smooth when scaling</source>
        <translation>Beim Skalieren &amp;glätten</translation>
    </message>
    <message>
        <source>&amp;Most pictures a second:</source>
        <translation>&amp;Höchstens Bilder pro Sekunde:</translation>
    </message>
    <message>
        <source>Every picture</source>
        <translation>Jedes Bild</translation>
    </message>
</context>
<context>
    <name>pelta::VideoFormatDialog</name>
    <message>
        <source>Video Format</source>
        <translation>Videoformat</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Gerät:</translation>
    </message>
    <message>
        <source>%1 x %2</source>
        <translation>%1 × %2</translation>
    </message>
    <message>
        <source>&amp;Size:</source>
        <translation>&amp;Größe:</translation>
    </message>
    <message>
        <source>The screen region chosen in Video Source sets the size.</source>
        <translation>Der in „Videoquelle“ gewählte Bildschirmbereich bestimmt die Größe.</translation>
    </message>
    <message>
        <source>&amp;Frame rate:</source>
        <translation>&amp;Bildrate:</translation>
    </message>
    <message>
        <source>Driver&apos;s choice</source>
        <translation>Wahl des Treibers</translation>
    </message>
    <message>
        <source>&amp;Pixel format:</source>
        <translation>&amp;Pixelformat:</translation>
    </message>
    <message>
        <source>Device default</source>
        <translation>Gerätestandard</translation>
    </message>
</context>
<context>
    <name>pelta::VideoSourceDialog</name>
    <message>
        <source>Video Source</source>
        <translation>Videoquelle</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Gerät:</translation>
    </message>
    <message>
        <source>&amp;Pattern:</source>
        <translation>&amp;Muster:</translation>
    </message>
    <message>
        <source>&amp;Left:</source>
        <translation>&amp;Links:</translation>
    </message>
    <message>
        <source>&amp;Top:</source>
        <translation>&amp;Oben:</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>&amp;Breite:</translation>
    </message>
    <message>
        <source>Whole screen</source>
        <translation>Ganzer Bildschirm</translation>
    </message>
    <message>
        <source>&amp;Height:</source>
        <translation>&amp;Höhe:</translation>
    </message>
    <message>
        <source>&amp;Follow the mouse</source>
        <translation>Der &amp;Maus folgen</translation>
    </message>
    <message>
        <source>Draw the &amp;cursor</source>
        <translation>Maus&amp;zeiger zeichnen</translation>
    </message>
</context>
</TS>
