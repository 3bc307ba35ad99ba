/* The bubbling sound of the saver and of the configuration dialog, played
   through the system's sound library.  That library is no part of every
   system's own set, so it is loaded from the system folder when a sound is
   first wanted, and kept until the process ends: its own threads (the one
   that played, its audio driver's) may run on a moment after the sound is
   stopped, and would fault in a library unloaded under them.  Without it
   the roles go on silently, as when the system cannot play. */
#ifndef KELP_SOUND_H
#define KELP_SOUND_H

#include <windows.h>

/* PlaySoundA on the sound resource, with SND_RESOURCE and these flags. */
void playBubbles(DWORD flags);
/* Stops what plays, if the library was ever loaded. */
void stopSound(void);

#endif
