/* Saver runtime: entry and role choice, the full-screen saver window,
   its drawing surfaces and the animation that runs on them. */
#ifndef KELP_SAVER_H
#define KELP_SAVER_H

#include <windows.h>

#include "common/launch.h"

/* Every animating window of the program uses this timer id. */
#define KELP_TIMER_ID 13677

/* ---- entry ---- */

#define KELP_DIGITS_MAX 19

void rememberForeground(const char *commandLine);
void parseCommandLine(char *text);
int isSaverFileName(const WCHAR *path);
void readScreenLayout(void);

/* ---- saver window ---- */

struct SaverWindowState {
    HWND saverWindow;
    int closeRequested;     /* an ending input came; WM_CLOSE is obeyed only then */
    int mouseX, mouseY;     /* relative to the window's corner, as WM_MOUSEMOVE gives it */
    HCURSOR fishLeftCursor;
    HCURSOR fishRightCursor;
    int desktopShown;       /* the first paint has put the photograph on screen */
    int displayOff;         /* the system reports the display switched off */
    HANDLE displayNotify;   /* registration for those reports, or NULL */
    int layoutChanged;      /* the screen changed while the display was off */
};
extern SaverWindowState saverWindowState;

int registerSaverClass(HINSTANCE instance, WNDPROC procedure);
void runSaver(void);
LRESULT CALLBACK saverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* ---- drawing surfaces ---- */

struct DrawingSurfaces {
    HDC windowDC;
    HPEN bubblePen;
    HBRUSH nullBrush;
    HDC imageDC;
    HBITMAP screenImage;
    HBITMAP waterImage;
    HBRUSH waterBrush;
    HPEN waterPen;
    HBRUSH windowOldBrush;
    HPEN windowOldPen;
    HBRUSH imageOldBrush;
    HPEN imageOldPen;
    HBITMAP imageOldBitmap;
    HBITMAP bannerUnder;    /* what the banner covers in the screen image, or NULL */
    RECT bannerBox;         /* where it stands */
};
extern DrawingSurfaces drawingSurfaces;

/* Where the program is available; also in the dialog banner of the resources. */
#define KELP_SITE "kelpvole.example"
extern const char bannerTopLine[];
extern const char siteLine[];

int createSurfaces(void);
void writeBanner(void);
void showWallpaper(WPARAM start);
int rebuildSurfaces(const RECT *oldScreen);
void showSurfaces(void);
void destroySurfaces(void);

/* ---- the wallpaper, where no photograph can be taken ---- */

enum WallpaperStyle {
    WALLPAPER_CENTRE, WALLPAPER_TILE, WALLPAPER_STRETCH, WALLPAPER_FIT, WALLPAPER_FILL,
    WALLPAPER_SPAN
};

#define KELP_DESKTOP_NAME_SIZE 64
/* Posted to the saver window when the decoded wallpaper can be laid in;
   wParam tells which start of the decoding it comes from. */
#define KELP_WALLPAPER_READY (WM_APP + 1)

void threadDesktopName(char *name, DWORD size);
int wallpaperWanted(const char *desktopName);
int wallpaperStyle(int style, int tile);
int placeWallpaper(int style, const RECT *area, int width, int height, RECT *placed);
int startWallpaper(HDC image, HWND window, const RECT *kept);
int layInWallpaper(HDC image, WPARAM start);
int wallpaperPending(RECT *kept);
void stopWallpaper(void);

/* ---- animation ---- */

#define KELP_BUBBLES 13

struct Bubble {
    int active;
    int x, y;
    int size;
    int riseTicks;
};

struct WaterState {
    int level;
    float surfacePhase;
    float ripplePhase;
    int fishMode;
    int fishStep;
    int fishLastX;
    double swimPhase;
    int driftY;
    int driftStep;
    Bubble bubbles[KELP_BUBBLES];
    /* What the engine itself last did to the cursor, so that it need not
       ask the system: where it put it (window coordinates; cursorPlaced
       is 0 until it has, and after a refused move) and the shape it gave
       it (NULL until then). */
    int cursorPlaced;
    int placedX, placedY;
    HCURSOR shownCursor;
};
extern WaterState waterState;

/* The calls through which the engine draws and moves the cursor.  The
   saver uses the system's own; tests put recorders in their place. */
struct AnimationCalls {
    BOOL (WINAPI *bitBlt)(HDC, int, int, int, int, HDC, int, int, DWORD);
    BOOL (WINAPI *stretchBlt)(HDC, int, int, int, int, HDC, int, int, int, int, DWORD);
    BOOL (WINAPI *ellipse)(HDC, int, int, int, int);
    HGDIOBJ (WINAPI *selectObject)(HDC, HGDIOBJ);
    BOOL (WINAPI *getCursorPos)(LPPOINT);
    BOOL (WINAPI *setCursorPos)(int, int);
    HCURSOR (WINAPI *setCursor)(HCURSOR);
};
extern AnimationCalls animationCalls;
extern const AnimationCalls systemAnimationCalls;

extern unsigned int randomState;
int nextRandom(void);
void startWater(void);
int targetLevel(void);
void animationTick(void);
void waterStep(void);
void swimStep(void);
void bubbleStep(void);
void followScreen(int dx, int dy, int oldHeight);

#endif
