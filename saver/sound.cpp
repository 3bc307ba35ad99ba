#include "saver/sound.h"
#include "common/launch.h"
#include "common/syslib.h"
#include "resource.h"

#include <mmsystem.h>

struct SoundState {
    HMODULE library;
    decltype(&PlaySoundA) play;
};
static SoundState soundState;

static int openSound(void)
{
    SoundState *s = &soundState;

    if (s->play != NULL)
        return 1;
    if (s->library == NULL)
        s->library = loadSystemLibrary("winmm.dll");
    if (s->library != NULL)
        LOOK_UP(s->play, s->library, "PlaySoundA");
    return s->play != NULL;
}

void playBubbles(DWORD flags)
{
    if (openSound())
        soundState.play(MAKEINTRESOURCEA(IDW_BUBBLES), launchContext.instance, SND_RESOURCE | flags);
}

void stopSound(void)
{
    if (soundState.play != NULL)
        soundState.play(NULL, launchContext.instance, 0);
}
