<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
<context>
    <name>AboutFrm</name>
    <message>
        <source>Copyright (c) Quillmere. All rights reserved.</source>
        <translation>Copyright (c) Quillmere. Tous droits réservés.</translation>
    </message>
</context>
<context>
    <name>CaptureCommands</name>
    <message>
        <source> Press OK to start capture </source>
        <translation> Cliquez sur OK pour démarrer la capture </translation>
    </message>
    <message>
        <source> Ready to capture </source>
        <translation> Prêt pour la capture </translation>
    </message>
    <message>
        <source>The capture file cannot be used: %1.</source>
        <translation>Le fichier de capture ne peut pas être utilisé : %1.</translation>
    </message>
    <message>
        <source>The frame sequence is recorded into %1, which already holds a capture. Replace it?</source>
        <translation>La séquence d&apos;images est enregistrée dans %1, qui contient déjà une capture. La remplacer ?</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Records the screen, a camera and sound into AVI, WAV and MP3 files.
Without options the program starts with its splash window.</source>
        <translation>Enregistre l&apos;écran, une caméra et le son dans des fichiers AVI, WAV et MP3.
Sans option, le programme démarre avec sa fenêtre d&apos;accueil.</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>FICHIER</translation>
    </message>
    <message>
        <source>With --capture: the file to record into (.avi, .wav or .mp3); without it, the next automatic name in the folder for automatic captures.</source>
        <translation>Avec --capture : le fichier où enregistrer (.avi, .wav ou .mp3) ; sans lui, le prochain nom automatique dans le dossier des captures automatiques.</translation>
    </message>
    <message>
        <source>[FILE]</source>
        <translation>[FICHIER]</translation>
    </message>
    <message>
        <source>Start a capture with the stored settings and the main window shown; it ends at the time limit or at SIGINT or SIGTERM, and the program with it. Exit status 0: the file is complete; 1: the capture failed; 2: a wrong option.</source>
        <translation>Démarre une capture avec les réglages enregistrés, la fenêtre principale affichée ; elle s&apos;arrête à la limite de temps ou à SIGINT ou SIGTERM, et le programme avec elle. Code de sortie 0 : le fichier est complet ; 1 : la capture a échoué ; 2 : une option erronée.</translation>
    </message>
    <message>
        <source>Stop the capture after S seconds.</source>
        <translation>Arrêter la capture après S secondes.</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>Record from the video device named DEVICE (as in Options &gt; Video Device; &quot;None&quot; for no video).</source>
        <translation>Enregistrer depuis le périphérique vidéo nommé PÉRIPHÉRIQUE (comme dans Options &gt; Périphérique vidéo ; « Aucun » ou &quot;None&quot; pour aucune vidéo).</translation>
    </message>
    <message>
        <source>DEVICE</source>
        <translation>PÉRIPHÉRIQUE</translation>
    </message>
    <message>
        <source>Record from the audio device named DEVICE (as in Options &gt; Audio Device; &quot;None&quot; for no sound).</source>
        <translation>Enregistrer depuis le périphérique audio nommé PÉRIPHÉRIQUE (comme dans Options &gt; Périphérique audio ; « Aucun » ou &quot;None&quot; pour aucun son).</translation>
    </message>
    <message>
        <source>--time-limit, --video, --audio and FILE go with --capture.</source>
        <translation>--time-limit, --video, --audio et FICHIER vont avec --capture.</translation>
    </message>
    <message>
        <source>--capture takes one file, not %1.</source>
        <translation>--capture prend un seul fichier, pas %1.</translation>
    </message>
    <message>
        <source>--time-limit needs a number of seconds above 0, not &quot;%1&quot;.</source>
        <translation>--time-limit demande un nombre de secondes supérieur à 0, pas « %1 ».</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucun</translation>
    </message>
    <message>
        <source>no %1 device is named &quot;%2&quot;; there are: %3</source>
        <translation>aucun périphérique %1 ne s&apos;appelle « %2 » ; il y a : %3</translation>
    </message>
    <message>
        <source>video</source>
        <translation>vidéo</translation>
    </message>
    <message>
        <source>audio</source>
        <translation>audio</translation>
    </message>
    <message>
        <source>every automatic name is taken in %1.</source>
        <translation>chaque nom automatique est pris dans %1.</translation>
    </message>
    <message>
        <source>no video and no audio device is chosen.</source>
        <translation>aucun périphérique vidéo ni audio n&apos;est choisi.</translation>
    </message>
    <message>
        <source>%1 holds only sound, and no audio device is chosen.</source>
        <translation>%1 ne contient que du son, et aucun périphérique audio n&apos;est choisi.</translation>
    </message>
    <message>
        <source>recording into %1</source>
        <translation>enregistrement dans %1</translation>
    </message>
    <message>
        <source>stopped before the capture began.</source>
        <translation>arrêté avant le début de la capture.</translation>
    </message>
    <message>
        <source>the capture ended without a complete file.</source>
        <translation>la capture s&apos;est terminée sans fichier complet.</translation>
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
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>EngineWords</name>
    <message>
        <source>No video device is selected.</source>
        <translation>Aucun périphérique vidéo n’est sélectionné.</translation>
    </message>
    <message>
        <source>No audio device is selected.</source>
        <translation>Aucun périphérique audio n’est sélectionné.</translation>
    </message>
    <message>
        <source>No capture file is named.</source>
        <translation>Aucun fichier de capture n’est indiqué.</translation>
    </message>
    <message>
        <source>A capture is already running.</source>
        <translation>Une capture est déjà en cours.</translation>
    </message>
    <message>
        <source>The last capture is still being finished.</source>
        <translation>La dernière capture est encore en cours de finalisation.</translation>
    </message>
    <message>
        <source>The video device delivers no picture.</source>
        <translation>Le périphérique vidéo ne fournit aucune image.</translation>
    </message>
    <message>
        <source>The audio device delivers no sound.</source>
        <translation>Le périphérique audio ne fournit aucun son.</translation>
    </message>
    <message>
        <source>No manual frame sequence is running.</source>
        <translation>Aucune séquence d’images manuelle n’est en cours.</translation>
    </message>
    <message>
        <source>No picture could be grabbed.</source>
        <translation>Aucune image n’a pu être saisie.</translation>
    </message>
    <message>
        <source>The output cannot be reset while a capture is running.</source>
        <translation>La sortie ne peut pas être réinitialisée pendant une capture.</translation>
    </message>
    <message>
        <source>The capture file cannot change while a capture is running.</source>
        <translation>Le fichier de capture ne peut pas changer pendant une capture.</translation>
    </message>
    <message>
        <source>The output format cannot change while a capture is running.</source>
        <translation>Le format de sortie ne peut pas changer pendant une capture.</translation>
    </message>
    <message>
        <source>The capture file cannot be reserved while a capture is running.</source>
        <translation>Le fichier de capture ne peut pas être réservé pendant une capture.</translation>
    </message>
    <message>
        <source>The capture file size cannot be negative.</source>
        <translation>La taille du fichier de capture ne peut pas être négative.</translation>
    </message>
    <message>
        <source>The capture cannot be copied while it is being recorded.</source>
        <translation>La capture ne peut pas être copiée pendant son enregistrement.</translation>
    </message>
    <message>
        <source>There is no picture to copy.</source>
        <translation>Il n’y a aucune image à copier.</translation>
    </message>
    <message>
        <source>The picture format cannot be converted.</source>
        <translation>Le format d’image ne peut pas être converti.</translation>
    </message>
    <message>
        <source>The time limit must be between 0 and 315360000 seconds (ten years).</source>
        <translation>La limite de durée doit être comprise entre 0 et 315360000 secondes (dix ans).</translation>
    </message>
    <message>
        <source>The delay between frames must be more than 0 and at most 315360000 seconds (ten years).</source>
        <translation>L’intervalle entre les images doit être supérieur à 0 et d’au plus 315360000 secondes (dix ans).</translation>
    </message>
    <message>
        <source>The master stream must be -1 (none), 0 (video) or 1 (audio).</source>
        <translation>Le flux maître doit être -1 (aucun), 0 (vidéo) ou 1 (audio).</translation>
    </message>
    <message>
        <source>The master stream cannot change while a capture is running.</source>
        <translation>Le flux maître ne peut pas changer pendant une capture.</translation>
    </message>
    <message>
        <source>Queue lengths are 1 to 240 pictures and 1 to 60 seconds of sound; quality is 2 to 31.</source>
        <translation>Les files d’attente vont de 1 à 240 images et de 1 à 60 secondes de son ; la qualité va de 2 à 31.</translation>
    </message>
    <message>
        <source>The compressor cannot be changed while a capture is running.</source>
        <translation>Le compresseur ne peut pas être changé pendant une capture.</translation>
    </message>
    <message>
        <source>No file name was given to copy the capture to.</source>
        <translation>Aucun nom de fichier n’a été indiqué pour copier la capture.</translation>
    </message>
    <message>
        <source>There is no captured file to copy.</source>
        <translation>Il n’y a aucun fichier capturé à copier.</translation>
    </message>
    <message>
        <source>A device stopped delivering during the capture.</source>
        <translation>Un périphérique a cessé de fournir des données pendant la capture.</translation>
    </message>
    <message>
        <source>A still picture is not recorded to a file; it is taken with StillPictureHandle.</source>
        <translation>Une image fixe n’est pas enregistrée dans un fichier ; elle est prise avec StillPictureHandle.</translation>
    </message>
    <message>
        <source>Cannot read the shared screen: PipeWire could not be started.</source>
        <translation>Impossible de lire l’écran partagé : PipeWire n’a pas pu être démarré.</translation>
    </message>
    <message>
        <source>Capture mode %1 does not exist.</source>
        <translation>Le mode de capture %1 n’existe pas.</translation>
    </message>
    <message>
        <source>The output format &quot;%1&quot; cannot be written; choose AVI, WAVE or MP3.</source>
        <translation>Le format de sortie « %1 » ne peut pas être écrit ; choisissez AVI, WAVE ou MP3.</translation>
    </message>
    <message>
        <source>A %1 file holds sound only; video must be captured into an AVI file.</source>
        <translation>Un fichier %1 ne contient que du son ; la vidéo doit être capturée dans un fichier AVI.</translation>
    </message>
    <message>
        <source>There is no compressor number %1.</source>
        <translation>Il n’y a pas de compresseur numéro %1.</translation>
    </message>
    <message>
        <source>There is no entry %1 in this list.</source>
        <translation>Cette liste n’a pas d’entrée %1.</translation>
    </message>
    <message>
        <source>The video device cannot be changed while a capture is running.</source>
        <translation>Le périphérique vidéo ne peut pas être changé pendant une capture.</translation>
    </message>
    <message>
        <source>The audio device cannot be changed while a capture is running.</source>
        <translation>Le périphérique audio ne peut pas être changé pendant une capture.</translation>
    </message>
    <message>
        <source>The capture size cannot be changed while a capture is running.</source>
        <translation>La taille de capture ne peut pas être changée pendant une capture.</translation>
    </message>
    <message>
        <source>The source region cannot be changed while a capture is running.</source>
        <translation>La zone source ne peut pas être changée pendant une capture.</translation>
    </message>
    <message>
        <source>The video format cannot be changed while a capture is running.</source>
        <translation>Le format vidéo ne peut pas être changé pendant une capture.</translation>
    </message>
    <message>
        <source>The video source cannot be changed while a capture is running.</source>
        <translation>La source vidéo ne peut pas être changée pendant une capture.</translation>
    </message>
    <message>
        <source>The audio format cannot be changed while a capture is running.</source>
        <translation>Le format audio ne peut pas être changé pendant une capture.</translation>
    </message>
    <message>
        <source>The video device &quot;%1&quot; delivers no pictures: nothing came within 2.5 seconds.%2</source>
        <translation>Le périphérique vidéo « %1 » ne fournit aucune image : rien n’est arrivé en 2,5 secondes.%2</translation>
    </message>
    <message>
        <source>The audio device &quot;%1&quot; delivers no sound: nothing came within 2.5 seconds.%2</source>
        <translation>Le périphérique audio « %1 » ne fournit aucun son : rien n’est arrivé en 2,5 secondes.%2</translation>
    </message>
    <message>
        <source>The video device &quot;%1&quot; delivers no pictures: %2</source>
        <translation>Le périphérique vidéo « %1 » ne fournit aucune image : %2</translation>
    </message>
    <message>
        <source>The audio device &quot;%1&quot; delivers no sound: %2</source>
        <translation>Le périphérique audio « %1 » ne fournit aucun son : %2</translation>
    </message>
    <message>
        <source>Cannot open the video device &quot;%1&quot;: it has no size.</source>
        <translation>Impossible d’ouvrir le périphérique vidéo « %1 » : il n’a pas de taille.</translation>
    </message>
    <message>
        <source>Cannot open %1: this build has no %2 input.</source>
        <translation>Impossible d’ouvrir %1 : cette version n’a pas d’entrée %2.</translation>
    </message>
    <message>
        <source>Cannot open %1: it delivers no pictures.</source>
        <translation>Impossible d’ouvrir %1 : il ne fournit aucune image.</translation>
    </message>
    <message>
        <source>Cannot open %1: it delivers no sound.</source>
        <translation>Impossible d’ouvrir %1 : il ne fournit aucun son.</translation>
    </message>
    <message>
        <source>Cannot open %1: no decoder for its format.</source>
        <translation>Impossible d’ouvrir %1 : aucun décodeur pour son format.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2.</source>
        <translation>Impossible d’ouvrir %1 : %2.</translation>
    </message>
    <message>
        <source>Lost %1: it delivered nothing for %2 seconds.</source>
        <translation>%1 perdu : rien n’a été fourni pendant %2 secondes.</translation>
    </message>
    <message>
        <source>Lost %1: %2.</source>
        <translation>%1 perdu : %2.</translation>
    </message>
    <message>
        <source>The camera has no control %1: %2</source>
        <translation>La caméra n’a pas de réglage %1 : %2</translation>
    </message>
    <message>
        <source>Cannot set %1: %2</source>
        <translation>Impossible de régler %1 : %2</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>Impossible d’ouvrir %1 : %2</translation>
    </message>
    <message>
        <source>the video device &quot;%1&quot;</source>
        <translation>le périphérique vidéo « %1 »</translation>
    </message>
    <message>
        <source>the audio device &quot;%1&quot;</source>
        <translation>le périphérique audio « %1 »</translation>
    </message>
    <message>
        <source>Cannot reserve %1 MB for %2: it is more than the file size limit.</source>
        <translation>Impossible de réserver %1 Mo pour %2 : cela dépasse la limite de taille de fichier.</translation>
    </message>
    <message>
        <source>Cannot reserve %1 MB for %2: %3.</source>
        <translation>Impossible de réserver %1 Mo pour %2 : %3.</translation>
    </message>
    <message>
        <source>Cannot create the capture file %1: %2.</source>
        <translation>Impossible de créer le fichier de capture %1 : %2.</translation>
    </message>
    <message>
        <source>Cannot copy the capture to %1: %2.</source>
        <translation>Impossible de copier la capture vers %1 : %2.</translation>
    </message>
    <message>
        <source>Cannot write %1: %2.</source>
        <translation>Impossible d’écrire %1 : %2.</translation>
    </message>
    <message>
        <source>Cannot read the shared screen: %1.</source>
        <translation>Impossible de lire l’écran partagé : %1.</translation>
    </message>
    <message>
        <source>The capture cannot start: %1.</source>
        <translation>La capture ne peut pas démarrer : %1.</translation>
    </message>
    <message>
        <source>Capture file %1: the disk is full.</source>
        <translation>Fichier de capture %1 : le disque est plein.</translation>
    </message>
    <message>
        <source>Capture file %1: writing failed.</source>
        <translation>Fichier de capture %1 : l’écriture a échoué.</translation>
    </message>
    <message>
        <source>Capture file %1: writing the file failed: %2.</source>
        <translation>Fichier de capture %1 : l’écriture du fichier a échoué : %2.</translation>
    </message>
    <message>
        <source>Capture file %1: %2.</source>
        <translation>Fichier de capture %1 : %2.</translation>
    </message>
    <message>
        <source>the sound server does not answer</source>
        <translation>le serveur de son ne répond pas</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>le disque est plein</translation>
    </message>
    <message>
        <source>Test Pattern</source>
        <translation>Mire de test</translation>
    </message>
    <message>
        <source>Moving pattern with counter</source>
        <translation>Motif animé avec compteur</translation>
    </message>
    <message>
        <source>Colour pattern with counter</source>
        <translation>Motif coloré avec compteur</translation>
    </message>
    <message>
        <source>SMPTE colour bars</source>
        <translation>Barres de couleur SMPTE</translation>
    </message>
    <message>
        <source>SMPTE HD colour bars</source>
        <translation>Barres de couleur SMPTE HD</translation>
    </message>
    <message>
        <source>RGB stripes</source>
        <translation>Bandes RVB</translation>
    </message>
    <message>
        <source>YUV stripes</source>
        <translation>Bandes YUV</translation>
    </message>
    <message>
        <source>Mandelbrot zoom</source>
        <translation>Zoom de Mandelbrot</translation>
    </message>
    <message>
        <source>Game of life</source>
        <translation>Jeu de la vie</translation>
    </message>
    <message>
        <source>180°</source>
        <translation>180°</translation>
    </message>
    <message>
        <source>90° anticlockwise</source>
        <translation>90° dans le sens antihoraire</translation>
    </message>
    <message>
        <source>90° clockwise</source>
        <translation>90° dans le sens horaire</translation>
    </message>
    <message>
        <source>Angle</source>
        <translation>Angle</translation>
    </message>
    <message>
        <source>Attack (ms)</source>
        <translation>Attaque (ms)</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatique</translation>
    </message>
    <message>
        <source>Bit rate</source>
        <translation>Débit binaire</translation>
    </message>
    <message>
        <source>Bottom (pixels)</source>
        <translation>Bas (pixels)</translation>
    </message>
    <message>
        <source>Bottom left</source>
        <translation>En bas à gauche</translation>
    </message>
    <message>
        <source>Bottom right</source>
        <translation>En bas à droite</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Luminosité</translation>
    </message>
    <message>
        <source>Brightness and contrast</source>
        <translation>Luminosité et contraste</translation>
    </message>
    <message>
        <source>Bwdif</source>
        <translation>Bwdif</translation>
    </message>
    <message>
        <source>Coder</source>
        <translation>Codeur</translation>
    </message>
    <message>
        <source>Compressor</source>
        <translation>Compresseur</translation>
    </message>
    <message>
        <source>Constant bit rate</source>
        <translation>Débit constant</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>Crop</source>
        <translation>Rogner</translation>
    </message>
    <message>
        <source>Cut-off (Hz)</source>
        <translation>Fréquence de coupure (Hz)</translation>
    </message>
    <message>
        <source>Dark box behind the text</source>
        <translation>Cadre sombre derrière le texte</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Date et heure</translation>
    </message>
    <message>
        <source>Deinterlace</source>
        <translation>Désentrelacement</translation>
    </message>
    <message>
        <source>Denoise</source>
        <translation>Réduction du bruit</translation>
    </message>
    <message>
        <source>Dynamic (dynaudnorm)</source>
        <translation>Dynamique (dynaudnorm)</translation>
    </message>
    <message>
        <source>Flip upside down</source>
        <translation>Retourner verticalement</translation>
    </message>
    <message>
        <source>Gain (times)</source>
        <translation>Gain (facteur)</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>Golomb-Rice (faster)</source>
        <translation>Golomb-Rice (plus rapide)</translation>
    </message>
    <message>
        <source>Grey scale</source>
        <translation>Niveaux de gris</translation>
    </message>
    <message>
        <source>High-pass</source>
        <translation>Passe-haut</translation>
    </message>
    <message>
        <source>Key frame every (pictures)</source>
        <translation>Image clé toutes les (images)</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Gauche</translation>
    </message>
    <message>
        <source>Left (pixels)</source>
        <translation>Gauche (pixels)</translation>
    </message>
    <message>
        <source>Loudness (EBU R128)</source>
        <translation>Sonie (EBU R128)</translation>
    </message>
    <message>
        <source>Low-pass</source>
        <translation>Passe-bas</translation>
    </message>
    <message>
        <source>Make-up gain (dB)</source>
        <translation>Gain de compensation (dB)</translation>
    </message>
    <message>
        <source>Median</source>
        <translation>Médiane</translation>
    </message>
    <message>
        <source>Method</source>
        <translation>Méthode</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Miroir</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Noise gate</source>
        <translation>Noise gate</translation>
    </message>
    <message>
        <source>Normalisation</source>
        <translation>Normalisation</translation>
    </message>
    <message>
        <source>Plane</source>
        <translation>Plan</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Prediction</source>
        <translation>Prédiction</translation>
    </message>
    <message>
        <source>Quantiser (2 best, 31 smallest)</source>
        <translation>Quantificateur (2 meilleur, 31 plus petit)</translation>
    </message>
    <message>
        <source>Range coder (smaller)</source>
        <translation>Codeur par plages (plus petit)</translation>
    </message>
    <message>
        <source>Rate factor (0 lossless, 51 smallest)</source>
        <translation>Facteur de débit (0 sans perte, 51 plus petit)</translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation>Taux</translation>
    </message>
    <message>
        <source>Release (ms)</source>
        <translation>Relâchement (ms)</translation>
    </message>
    <message>
        <source>Right (pixels)</source>
        <translation>Droite (pixels)</translation>
    </message>
    <message>
        <source>Rotate</source>
        <translation>Pivoter</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>Spatial strength</source>
        <translation>Intensité spatiale</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Vitesse</translation>
    </message>
    <message>
        <source>Target loudness (LUFS)</source>
        <translation>Sonie cible (LUFS)</translation>
    </message>
    <message>
        <source>Temporal strength</source>
        <translation>Intensité temporelle</translation>
    </message>
    <message>
        <source>Text size</source>
        <translation>Taille du texte</translation>
    </message>
    <message>
        <source>Threshold (dB)</source>
        <translation>Seuil (dB)</translation>
    </message>
    <message>
        <source>Top (pixels)</source>
        <translation>Haut (pixels)</translation>
    </message>
    <message>
        <source>Top left</source>
        <translation>En haut à gauche</translation>
    </message>
    <message>
        <source>Top right</source>
        <translation>En haut à droite</translation>
    </message>
    <message>
        <source>Variable bit rate</source>
        <translation>Débit variable</translation>
    </message>
    <message>
        <source>Variable-rate quality (0 best, 9 smallest)</source>
        <translation>Qualité à débit variable (0 meilleure, 9 plus petit)</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Yadif</source>
        <translation>Yadif</translation>
    </message>
    <message>
        <source>Test Tone</source>
        <translation>Son de test</translation>
    </message>
    <message>
        <source>Screen (desktop portal)</source>
        <translation>Écran (portail du bureau)</translation>
    </message>
    <message>
        <source>Screen %1 (%2x%3)</source>
        <translation>Écran %1 (%2x%3)</translation>
    </message>
    <message>
        <source>Monitor %1 (%2x%3)</source>
        <translation>Moniteur %1 (%2x%3)</translation>
    </message>
    <message>
        <source>The preview source must be 0, 1 or 2.</source>
        <translation>La source de l&apos;aperçu doit être 0, 1 ou 2.</translation>
    </message>
    <message>
        <source>The preview tap must be 0, 1 or 2.</source>
        <translation>Le point de prélèvement de l&apos;aperçu doit être 0, 1 ou 2.</translation>
    </message>
    <message>
        <source>the file size limit of this session, %1 MB, was reached</source>
        <translation>la limite de taille de fichier de cette session, %1 Mo, a été atteinte</translation>
    </message>
    <message>
        <source>another capture is writing this file</source>
        <translation>une autre capture écrit ce fichier</translation>
    </message>
    <message>
        <source>the video encoder %1 cannot start: %2</source>
        <translation>l&apos;encodeur vidéo %1 ne peut pas démarrer : %2</translation>
    </message>
    <message>
        <source>the video encoder failed: %1</source>
        <translation>l&apos;encodeur vidéo a échoué : %1</translation>
    </message>
    <message>
        <source>libjpeg-turbo failed: %1</source>
        <translation>libjpeg-turbo a échoué : %1</translation>
    </message>
    <message>
        <source>libjpeg-turbo is not part of this build</source>
        <translation>libjpeg-turbo ne fait pas partie de cette version</translation>
    </message>
    <message>
        <source>libjpeg-turbo takes no pictures of this format</source>
        <translation>libjpeg-turbo n&apos;accepte pas d&apos;images de ce format</translation>
    </message>
    <message>
        <source>the encoder&apos;s threads cannot start</source>
        <translation>les threads de l&apos;encodeur ne peuvent pas démarrer</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>mémoire insuffisante</translation>
    </message>
    <message>
        <source>its header is cut off</source>
        <translation>son en-tête est tronqué</translation>
    </message>
    <message>
        <source>it is too long for a WAV file</source>
        <translation>il est trop long pour un fichier WAV</translation>
    </message>
    <message>
        <source>the repaired file cannot be opened</source>
        <translation>le fichier réparé ne peut pas être ouvert</translation>
    </message>
    <message>
        <source>the repaired file cannot be written</source>
        <translation>le fichier réparé ne peut pas être écrit</translation>
    </message>
    <message>
        <source>the repaired file does not read back whole</source>
        <translation>le fichier réparé ne se relit pas en entier</translation>
    </message>
    <message>
        <source>The frame rate must be 0 (the device&apos;s own) or between 0.001 and 1000 frames per second.</source>
        <translation>La fréquence d’images doit être 0 (celle du périphérique) ou comprise entre 0,001 et 1000 images par seconde.</translation>
    </message>
</context>
<context>
    <name>FileMenu</name>
    <message>
        <source>AVI Video File (*.avi);;AVI Video File (*.avi)</source>
        <translation>Fichier vidéo AVI (*.avi);;Fichier vidéo AVI (*.avi)</translation>
    </message>
    <message>
        <source>Enter Capture Video Name</source>
        <translation>Saisissez le nom de la vidéo capturée</translation>
    </message>
    <message>
        <source>Current: </source>
        <translation>Actuel : </translation>
    </message>
    <message>
        <source>Not available on this Wayland desktop: the desktop decides which window stays on top.</source>
        <translation>Non disponible sur ce bureau Wayland : c&apos;est le bureau qui décide quelle fenêtre reste au premier plan.</translation>
    </message>
</context>
<context>
    <name>MainMenus</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>Allocate  &amp;Capture File...</source>
        <translation>Allouer le fichier de &amp;capture...</translation>
    </message>
    <message>
        <source>&amp;Save Captured Video As...</source>
        <translation>&amp;Enregistrer la vidéo capturée sous...</translation>
    </message>
    <message>
        <source>&amp;Automatically Name Captures</source>
        <translation>Nommer les captures &amp;automatiquement</translation>
    </message>
    <message>
        <source>Select &amp;Folder for Auto Captures...</source>
        <translation>Choisir le &amp;dossier des captures automatiques...</translation>
    </message>
    <message>
        <source>Make Auto Buttons &amp;Top Window</source>
        <translation>Boutons automatiques au &amp;premier plan</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>A&amp;ffichage</translation>
    </message>
    <message>
        <source>&amp;Fit to Window</source>
        <translation>&amp;Ajuster à la fenêtre</translation>
    </message>
    <message>
        <source>St&amp;retch to Window</source>
        <translation>É&amp;tirer à la fenêtre</translation>
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
        <translation>Plein é&amp;cran</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>Video &amp;Device</source>
        <translation>&amp;Périphérique vidéo</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucun</translation>
    </message>
    <message>
        <source>Audio De&amp;vice</source>
        <translation>Périphérique a&amp;udio</translation>
    </message>
    <message>
        <source>Previe&amp;w</source>
        <translation>&amp;Aperçu</translation>
    </message>
    <message>
        <source>&amp;Enable Preview</source>
        <translation>&amp;Activer l’aperçu</translation>
    </message>
    <message>
        <source>Preview &amp;Source</source>
        <translation>&amp;Source de l’aperçu</translation>
    </message>
    <message>
        <source>Video and Audio</source>
        <translation>Vidéo et audio</translation>
    </message>
    <message>
        <source>Video only</source>
        <translation>Vidéo seule</translation>
    </message>
    <message>
        <source>Audio only</source>
        <translation>Audio seul</translation>
    </message>
    <message>
        <source>&amp;Audio Renderer</source>
        <translation>Rendu au&amp;dio</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Par défaut</translation>
    </message>
    <message>
        <source>&amp;Disable While Editing Properties</source>
        <translation>Désactiver pendant l’édition des &amp;propriétés</translation>
    </message>
    <message>
        <source>Preview &amp;Tap</source>
        <translation>&amp;Origine de l’image d’aperçu</translation>
    </message>
    <message>
        <source>&amp;Source</source>
        <translation>&amp;Source</translation>
    </message>
    <message>
        <source>&amp;Processors</source>
        <translation>&amp;Processeurs</translation>
    </message>
    <message>
        <source>&amp;Compressor</source>
        <translation>&amp;Compresseur</translation>
    </message>
    <message>
        <source>V&amp;ideo Compressor</source>
        <translation>Compresseur &amp;vidéo</translation>
    </message>
    <message>
        <source>A&amp;udio Compressor</source>
        <translation>Compresseur au&amp;dio</translation>
    </message>
    <message>
        <source>Close Captionin&amp;g</source>
        <translation>Sous-&amp;titrage</translation>
    </message>
    <message>
        <source>Video Capture &amp;Size</source>
        <translation>Ta&amp;ille de capture vidéo</translation>
    </message>
    <message>
        <source>Ca&amp;pture Properties...</source>
        <translation>Propriétés de &amp;capture...</translation>
    </message>
    <message>
        <source>P&amp;review Properties...</source>
        <translation>Propriétés de l’ape&amp;rçu...</translation>
    </message>
    <message>
        <source>Video C&amp;ompressor Properties...</source>
        <translation>Propriétés du compresseur vidé&amp;o...</translation>
    </message>
    <message>
        <source>Audio Compressor Properties...</source>
        <translation>Propriétés du co&amp;mpresseur audio...</translation>
    </message>
    <message>
        <source>&amp;Legacy Properties</source>
        <translation>Propriétés &amp;héritées</translation>
    </message>
    <message>
        <source>Video &amp;Source...</source>
        <translation>&amp;Source vidéo...</translation>
    </message>
    <message>
        <source>Video &amp;Format...</source>
        <translation>&amp;Format vidéo...</translation>
    </message>
    <message>
        <source>Video &amp;Display...</source>
        <translation>&amp;Affichage vidéo...</translation>
    </message>
    <message>
        <source>&amp;Audio Format...</source>
        <translation>Format a&amp;udio...</translation>
    </message>
    <message>
        <source>Audio Pro&amp;cessors...</source>
        <translation>Proc&amp;esseurs audio...</translation>
    </message>
    <message>
        <source>Video Proc&amp;essors...</source>
        <translation>Proce&amp;sseurs vidéo...</translation>
    </message>
    <message>
        <source>&amp;Capture</source>
        <translation>&amp;Capture</translation>
    </message>
    <message>
        <source>&amp;Video and Audio Captures...</source>
        <translation>Captures &amp;vidéo et audio...</translation>
    </message>
    <message>
        <source>&amp;Manual Frame Sequence...</source>
        <translation>Séquence d’images &amp;manuelle...</translation>
    </message>
    <message>
        <source>&amp;Automatic Frame Sequence...</source>
        <translation>Séquence d’images &amp;automatique...</translation>
    </message>
    <message>
        <source>&amp;Manual Frame and Audio Sequence...</source>
        <translation>Séquence d’images ma&amp;nuelle avec audio...</translation>
    </message>
    <message>
        <source>&amp;Automatic Frame and Audio Sequence...</source>
        <translation>Séquence d’images au&amp;tomatique avec audio...</translation>
    </message>
    <message>
        <source>&amp;Still Picture (Clipboard)</source>
        <translation>Image &amp;fixe (presse-papiers)</translation>
    </message>
    <message>
        <source>Minimi&amp;ze on Capture</source>
        <translation>&amp;Réduire pendant la capture</translation>
    </message>
    <message>
        <source>Sto&amp;p and Save Capture</source>
        <translation>Arrêter et &amp;enregistrer la capture</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>A&amp;ide</translation>
    </message>
    <message>
        <source>&amp;About Quillmere Capture...</source>
        <translation>À &amp;propos de Quillmere Capture...</translation>
    </message>
</context>
<context>
    <name>OptionsMenus</name>
    <message>
        <source>In our tests, the compressor you have selected<byte value="xd"/> has caused unexpected behaviour on some computers.<byte value="xd"/>Are you sure you want to use it?</source>
        <translation>Lors de nos essais, le compresseur que vous avez choisi<byte value="xd"/> a provoqué un comportement inattendu sur certains ordinateurs.<byte value="xd"/>Voulez-vous vraiment l’utiliser ?</translation>
    </message>
    <message>
        <source>No Recompression</source>
        <translation>Pas de recompression</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Par défaut</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucun</translation>
    </message>
    <message>
        <source>No Video Found</source>
        <translation>Aucune vidéo trouvée</translation>
    </message>
    <message>
        <source>No Audio Found</source>
        <translation>Aucun audio trouvé</translation>
    </message>
    <message>
        <source>This Wayland desktop shares no screen: it has no desktop portal with screen casting. Install xdg-desktop-portal, your desktop&apos;s portal backend (xdg-desktop-portal-gnome, -kde or -wlr) and pipewire, then log in again.</source>
        <translation>Ce bureau Wayland ne partage aucun écran : il n&apos;a pas de portail de bureau avec partage d&apos;écran. Installez xdg-desktop-portal, le portail de votre bureau (xdg-desktop-portal-gnome, -kde ou -wlr) et pipewire, puis reconnectez-vous.</translation>
    </message>
</context>
<context>
    <name>Pelxbas</name>
    <message>
        <source>The capture file&apos;s path is too long for the system: a file or folder name can have at most %1 characters and the whole path %2. Choose a shorter name or folder.</source>
        <translation>Le chemin du fichier de capture est trop long pour le système : un nom de fichier ou de dossier peut compter au plus %1 caractères et le chemin entier %2. Choisissez un nom ou un dossier plus court.</translation>
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
        <translation>XWayland sous Wayland</translation>
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
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>StartUpSafety</name>
    <message>
        <source>%1 was cut off while it was recorded. It has been repaired and holds %2 seconds.</source>
        <translation>%1 a été interrompu pendant l&apos;enregistrement. Le fichier a été réparé et contient %2 secondes.</translation>
    </message>
    <message>
        <source>%1 was cut off while it was recorded and could not be repaired (%2). It is left as it was.</source>
        <translation>%1 a été interrompu pendant l&apos;enregistrement et n&apos;a pas pu être réparé (%2). Le fichier est laissé tel quel.</translation>
    </message>
</context>
<context>
    <name>StatusBarPanels</name>
    <message>
        <source>Caps Lock</source>
        <translation>Verr. Maj</translation>
    </message>
    <message>
        <source>Num Lock</source>
        <translation>Verr. Num</translation>
    </message>
    <message>
        <source>Scroll Lock</source>
        <translation>Arrêt défil</translation>
    </message>
    <message>
        <source>CAPS</source>
        <translation>MAJ</translation>
    </message>
    <message>
        <source>NUM</source>
        <translation>NUM</translation>
    </message>
    <message>
        <source>SCRL</source>
        <translation>DÉFIL</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>%1 on</source>
        <translation>%1 activé</translation>
    </message>
    <message>
        <source>%1 off</source>
        <translation>%1 désactivé</translation>
    </message>
</context>
<context>
    <name>VideoFormatDialog</name>
    <message>
        <source> fps</source>
        <translation> i/s</translation>
    </message>
</context>
<context>
    <name>pelta::AboutFrm</name>
    <message>
        <source>Record video, audio, or both. For a smoother capture, try using video and audio compression. A list of available compressors will be listed to select from.</source>
        <translation>Enregistrez de la vidéo, du son, ou les deux. Pour une capture plus fluide, utilisez la compression vidéo et audio. Une liste des compresseurs disponibles vous est proposée.</translation>
    </message>
    <message>
        <source>You can set the size, or duration of the file. And you may record just video or just audio files.</source>
        <translation>Vous pouvez fixer la taille ou la durée du fichier. Et vous pouvez enregistrer uniquement de la vidéo ou uniquement du son.</translation>
    </message>
    <message>
        <source>Use the Auto Buttons for audio capture, they will be in the way for video capture. The Auto Name feature is for quick captures. You can add the date for better searching.</source>
        <translation>Utilisez les boutons automatiques pour les captures audio ; ils gênent les captures vidéo. Le nommage automatique sert aux captures rapides. Vous pouvez ajouter la date pour mieux retrouver vos fichiers.</translation>
    </message>
    <message>
        <source>Saving the file type lets you capture a group of files all in the same format ... avi, mp3, wav.</source>
        <translation>Enregistrer le type de fichier vous permet de capturer une série de fichiers dans le même format ... avi, mp3, wav.</translation>
    </message>
    <message>
        <source>If you don&apos;t erase the file, it will be overwritten.</source>
        <translation>Si vous n’effacez pas le fichier, il sera écrasé.</translation>
    </message>
    <message>
        <source>Pelta-RX About</source>
        <translation>Pelta-RX À propos</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
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
        <translation>Allouer la taille du fichier</translation>
    </message>
    <message>
        <source>Pelta-RX Allocate File Size</source>
        <translation>Pelta-RX Allouer la taille du fichier</translation>
    </message>
    <message>
        <source>Capture &amp;file:</source>
        <translation>&amp;Fichier de capture :</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Parcourir...</translation>
    </message>
    <message>
        <source>Enter the amount of disk space to set aside for the capture file.  Existing video data in the file will be lost.</source>
        <translation>Indiquez l’espace disque à réserver pour le fichier de capture. Les données vidéo présentes dans le fichier seront perdues.</translation>
    </message>
    <message>
        <source>Free disk space:</source>
        <translation>Espace disque libre :</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>Mo</translation>
    </message>
    <message>
        <source>Capture file &amp;size:</source>
        <translation>&amp;Taille du fichier de capture :</translation>
    </message>
    <message>
        <source>Capture File</source>
        <translation>Fichier de capture</translation>
    </message>
    <message>
        <source>Microsoft AVI (*.avi)</source>
        <translation>Microsoft AVI (*.avi)</translation>
    </message>
    <message>
        <source>Choose a capture file size between 0 and 2147483647 MB.</source>
        <translation>Choisissez une taille de fichier de capture entre 0 et 2147483647 Mo.</translation>
    </message>
</context>
<context>
    <name>pelta::AudioFormatDialog</name>
    <message>
        <source>Audio Format</source>
        <translation>Format audio</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Périphérique :</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>&amp;Sample rate:</source>
        <translation>&amp;Fréquence d’échantillonnage :</translation>
    </message>
    <message>
        <source>&amp;Channels:</source>
        <translation>&amp;Canaux :</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stéréo</translation>
    </message>
    <message>
        <source>Sample format:</source>
        <translation>Format d’échantillon :</translation>
    </message>
    <message>
        <source>16-bit</source>
        <translation>16 bits</translation>
    </message>
</context>
<context>
    <name>pelta::Buttons</name>
    <message>
        <source>Capture</source>
        <translation>Capturer</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Every automatic name up to Auto-%1 is taken in %2. Choose another folder for automatic captures.</source>
        <translation>Dans %2, tous les noms automatiques jusqu’à Auto-%1 sont pris. Choisissez un autre dossier pour les captures automatiques.</translation>
    </message>
</context>
<context>
    <name>pelta::CapAutoSeqFrm</name>
    <message>
        <source>Pelta-RX Frame Sequence</source>
        <translation>Pelta-RX Séquence d’images</translation>
    </message>
    <message>
        <source>Capture Automatic Frame Sequence</source>
        <translation>Capturer une séquence d’images automatique</translation>
    </message>
    <message>
        <source>Frame &amp;Delay:</source>
        <translation>&amp;Intervalle entre images :</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Time Limit:</source>
        <translation>Limite de durée :</translation>
    </message>
    <message>
        <source>Frame Delay must be a number of seconds.</source>
        <translation>L’intervalle entre images doit être un nombre de secondes.</translation>
    </message>
    <message>
        <source>Time Limit must be a number of seconds.</source>
        <translation>La limite de durée doit être un nombre de secondes.</translation>
    </message>
    <message>
        <source>Frame Delay must be more than 0 seconds.</source>
        <translation>L’intervalle entre images doit être supérieur à 0 seconde.</translation>
    </message>
</context>
<context>
    <name>pelta::CapManSeqFrm</name>
    <message>
        <source>Manual Frame Sequence</source>
        <translation>Séquence d’images manuelle</translation>
    </message>
    <message>
        <source>Pelta-RX Manual Frame Sequence</source>
        <translation>Pelta-RX Séquence d’images manuelle</translation>
    </message>
    <message>
        <source>Press &quot;Capture Frame&quot; to add a video frame to the sequence.</source>
        <translation>Cliquez sur « Capturer l’image » pour ajouter une image vidéo à la séquence.</translation>
    </message>
    <message>
        <source>Video frames captured:</source>
        <translation>Images vidéo capturées :</translation>
    </message>
    <message>
        <source>Capture Frame</source>
        <translation>Capturer l’image</translation>
    </message>
    <message>
        <source>Stop Capture</source>
        <translation>Arrêter la capture</translation>
    </message>
</context>
<context>
    <name>pelta::CapVidAudFrm</name>
    <message>
        <source>Pelta-RX Capture Video and Audio</source>
        <translation>Pelta-RX Capturer vidéo et audio</translation>
    </message>
    <message>
        <source>Capture File:</source>
        <translation>Fichier de capture :</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Parcourir...</translation>
    </message>
    <message>
        <source>File Already Exists</source>
        <translation>Le fichier existe déjà</translation>
    </message>
    <message>
        <source>Free disk space:</source>
        <translation>Espace disque libre :</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>Mo</translation>
    </message>
    <message>
        <source>Capture file &amp;size:</source>
        <translation>&amp;Taille du fichier de capture :</translation>
    </message>
    <message>
        <source>&amp;Mode:</source>
        <translation>&amp;Mode :</translation>
    </message>
    <message>
        <source>Time Limit:</source>
        <translation>Limite de durée :</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Frame Rate:</source>
        <translation>Fréquence d’images :</translation>
    </message>
    <message>
        <source>f/sec</source>
        <translation>i/s</translation>
    </message>
    <message>
        <source>Master &amp;Stream:</source>
        <translation>&amp;Flux maître :</translation>
    </message>
    <message>
        <source>Wav and MP3 enabled. AVI sound plays in the Windows Media Player.</source>
        <translation>WAV et MP3 activés. Le son AVI se lit dans le Lecteur Windows Media.</translation>
    </message>
    <message>
        <source>Add Date Stamp to Name?</source>
        <translation>Ajouter la date au nom ?</translation>
    </message>
    <message>
        <source>Add date to file name. Used for audio capture.</source>
        <translation>Ajouter la date au nom de fichier. Pour les captures audio.</translation>
    </message>
    <message>
        <source>Save file type for AutoName?</source>
        <translation>Enregistrer le type de fichier pour le nommage automatique ?</translation>
    </message>
    <message>
        <source>Used for audio capture.</source>
        <translation>Pour les captures audio.</translation>
    </message>
    <message>
        <source>Video and Audio</source>
        <translation>Vidéo et audio</translation>
    </message>
    <message>
        <source>Video only</source>
        <translation>Vidéo seule</translation>
    </message>
    <message>
        <source>Audio only</source>
        <translation>Audio seul</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucun</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vidéo</translation>
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
        <translation>La fréquence d’images doit être un nombre d’images par seconde.</translation>
    </message>
    <message>
        <source>Choose a value between 0.0 and 30.0 for frame rate</source>
        <translation>Choisissez une fréquence d’images entre 0,0 et 30,0</translation>
    </message>
    <message>
        <source>Time Limit must be a number of seconds.</source>
        <translation>La limite de durée doit être un nombre de secondes.</translation>
    </message>
    <message>
        <source>File type</source>
        <translation>Type de fichier</translation>
    </message>
    <message>
        <source>A file name cannot hold control characters such as line breaks or tabs. Type the name of the capture file again.</source>
        <translation>Un nom de fichier ne peut pas contenir de caractères de contrôle comme des sauts de ligne ou des tabulations. Saisissez à nouveau le nom du fichier de capture.</translation>
    </message>
    <message>
        <source>%1 names a %2 file, but this capture writes a %3 file. Capture into %4 instead?</source>
        <translation>%1 désigne un fichier %2, mais cette capture écrit un fichier %3. Enregistrer plutôt dans %4 ?</translation>
    </message>
    <message>
        <source>Time Limit must be more than 0 seconds; clear its box to capture without a limit.</source>
        <translation>La limite de temps doit dépasser 0 seconde ; décochez sa case pour capturer sans limite.</translation>
    </message>
</context>
<context>
    <name>pelta::CaptureSettingsDialog</name>
    <message>
        <source>Capture Properties</source>
        <translation>Propriétés de capture</translation>
    </message>
    <message>
        <source>&amp;Pictures waiting for the encoder:</source>
        <translation>&amp;Images en attente de l’encodeur :</translation>
    </message>
    <message>
        <source>&amp;Sound waiting for the encoder:</source>
        <translation>&amp;Son en attente de l’encodeur :</translation>
    </message>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>&amp;When the encoder falls behind:</source>
        <translation>&amp;Quand l’encodeur prend du retard :</translation>
    </message>
    <message>
        <source>Drop the newest picture</source>
        <translation>Abandonner l’image la plus récente</translation>
    </message>
    <message>
        <source>Drop the oldest waiting picture</source>
        <translation>Abandonner l’image en attente la plus ancienne</translation>
    </message>
    <message>
        <source>Dropped, device late:</source>
        <translation>Abandonnées, périphérique en retard :</translation>
    </message>
    <message>
        <source>Dropped, encoder behind:</source>
        <translation>Abandonnées, encodeur en retard :</translation>
    </message>
    <message>
        <source>Dropped, disk behind:</source>
        <translation>Abandonnées, disque en retard :</translation>
    </message>
    <message>
        <source>Dropped, kept in step with the sound:</source>
        <translation>Abandonnées, synchronisation avec le son :</translation>
    </message>
    <message>
        <source>Pictures beyond the frame rate:</source>
        <translation>Images au-delà de la fréquence :</translation>
    </message>
</context>
<context>
    <name>pelta::CompressorDialog</name>
    <message>
        <source>Video Compressor</source>
        <translation>Compresseur vidéo</translation>
    </message>
    <message>
        <source>Audio Compressor</source>
        <translation>Compresseur audio</translation>
    </message>
    <message>
        <source>This compressor has no settings.</source>
        <translation>Ce compresseur n’a aucun réglage.</translation>
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
        <translation>Capturer</translation>
    </message>
    <message>
        <source>Recording ...</source>
        <translation>Enregistrement ...</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Prêt</translation>
    </message>
    <message>
        <source>Captured %1 frames in %2 sec (%3 dropped)</source>
        <translation>%1 images capturées en %2 s (%3 perdues)</translation>
    </message>
    <message>
        <source>: %1 fps %2 MB/sec</source>
        <translation> : %1 i/s %2 Mo/s</translation>
    </message>
    <message>
        <source> Error %1 occurred.</source>
        <translation> L’erreur %1 s’est produite.</translation>
    </message>
    <message>
        <source>Format: </source>
        <translation>Format : </translation>
    </message>
    <message>
        <source>Not Dropped </source>
        <translation>Non perdues </translation>
    </message>
    <message>
        <source>Time: </source>
        <translation>Durée : </translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
</context>
<context>
    <name>pelta::PreviewPropertiesDialog</name>
    <message>
        <source>Preview Properties</source>
        <translation>Propriétés de l’aperçu</translation>
    </message>
    <message>
        <source>&amp;Quality:</source>
        <translation>&amp;Qualité :</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Rapide</translation>
    </message>
    <message>
        <source>Good</source>
        <translation>Bonne</translation>
    </message>
    <message>
        <source>Best</source>
        <translation>Meilleure</translation>
    </message>
    <message>
        <source>&amp;While capturing, at most:</source>
        <translation>&amp;Pendant la capture, au plus :</translation>
    </message>
    <message>
        <source>Same as otherwise</source>
        <translation>Comme d’habitude</translation>
    </message>
    <message>
        <source> pictures a second</source>
        <translation> images par seconde</translation>
    </message>
    <message>
        <source>&amp;Show the picture:</source>
        <translation>&amp;Afficher l’image :</translation>
    </message>
    <message>
        <source>From the device</source>
        <translation>Du périphérique</translation>
    </message>
    <message>
        <source>After the processors</source>
        <translation>Après les processeurs</translation>
    </message>
    <message>
        <source>After the compressor</source>
        <translation>Après le compresseur</translation>
    </message>
</context>
<context>
    <name>pelta::ProcessorsDialog</name>
    <message>
        <source>Video Processors</source>
        <translation>Processeurs vidéo</translation>
    </message>
    <message>
        <source>Audio Processors</source>
        <translation>Processeurs audio</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Ajouter</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Supprimer</translation>
    </message>
    <message>
        <source>Processors in &amp;use:</source>
        <translation>Processeurs &amp;utilisés :</translation>
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
        <translation>Capturez la vidéo de l’écran, le son, ou les deux, avec Pelta-RX Quillmere Capture.</translation>
    </message>
    <message>
        <source>Click here to send e-mail.</source>
        <translation>Cliquez ici pour envoyer un courriel.</translation>
    </message>
    <message>
        <source>Click here to go to web site.</source>
        <translation>Cliquez ici pour aller sur le site web.</translation>
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
        <translation>Affichage vidéo</translation>
    </message>
    <message>
        <source>&amp;Aspect ratio:</source>
        <translation>&amp;Format d’image :</translation>
    </message>
    <message>
        <source>As the picture</source>
        <translation>Comme l’image</translation>
    </message>
    <message>
        <source>&amp;Smooth when scaling</source>
        <translation>&amp;Lisser lors de la mise à l’échelle</translation>
    </message>
    <message>
        <source>&amp;Most pictures a second:</source>
        <translation>&amp;Images par seconde au plus :</translation>
    </message>
    <message>
        <source>Every picture</source>
        <translation>Toutes les images</translation>
    </message>
</context>
<context>
    <name>pelta::VideoFormatDialog</name>
    <message>
        <source>Video Format</source>
        <translation>Format vidéo</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Périphérique :</translation>
    </message>
    <message>
        <source>%1 x %2</source>
        <translation>%1 × %2</translation>
    </message>
    <message>
        <source>&amp;Size:</source>
        <translation>&amp;Taille :</translation>
    </message>
    <message>
        <source>The screen region chosen in Video Source sets the size.</source>
        <translation>La zone d’écran choisie dans « Source vidéo » fixe la taille.</translation>
    </message>
    <message>
        <source>&amp;Frame rate:</source>
        <translation>Fréquence d’&amp;images :</translation>
    </message>
    <message>
        <source>Driver&apos;s choice</source>
        <translation>Choix du pilote</translation>
    </message>
    <message>
        <source>&amp;Pixel format:</source>
        <translation>Format de &amp;pixel :</translation>
    </message>
    <message>
        <source>Device default</source>
        <translation>Valeur par défaut du périphérique</translation>
    </message>
</context>
<context>
    <name>pelta::VideoSourceDialog</name>
    <message>
        <source>Video Source</source>
        <translation>Source vidéo</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>Périphérique :</translation>
    </message>
    <message>
        <source>&amp;Pattern:</source>
        <translation>&amp;Motif :</translation>
    </message>
    <message>
        <source>&amp;Left:</source>
        <translation>&amp;Gauche :</translation>
    </message>
    <message>
        <source>&amp;Top:</source>
        <translation>&amp;Haut :</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>La&amp;rgeur :</translation>
    </message>
    <message>
        <source>Whole screen</source>
        <translation>Écran entier</translation>
    </message>
    <message>
        <source>&amp;Height:</source>
        <translation>Hau&amp;teur :</translation>
    </message>
    <message>
        <source>&amp;Follow the mouse</source>
        <translation>&amp;Suivre la souris</translation>
    </message>
    <message>
        <source>Draw the &amp;cursor</source>
        <translation>Dessiner le &amp;curseur</translation>
    </message>
</context>
</TS>
