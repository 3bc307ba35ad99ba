/* The bubbling sound of the saver and of the configuration dialog, played
   through the system's sound library.  That library is no part of every
   system's own set, so it is loaded from the system folder when a sound is
   first wanted, and freed when the role is done with sound; without it the
   roles go on silently, as when the system cannot play. */
#ifndef KELP_SOUND_H
#define KELP_SOUND_H

#include <windows.h>

/* PlaySoundA on the sound resource, with SND_RESOURCE and these flags. */
void playBubbles(DWORD flags);
/* Stops what plays, if the library was ever loaded. */
void stopSound(void);
/* Stops and frees the library. */
void releaseSound(void);

#endif
