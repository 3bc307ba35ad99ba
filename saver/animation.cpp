/* Animation engine: rising water with a swinging, rippling surface, a
   shimmering body, and the cursor turned into a fish that trails bubbles.

   Nothing is ever redrawn in full.  Each 30 ms tick copies small pieces of
   the two prepared images onto the window:
     - a 10 x 20 strip of the plain screen image per 10-pixel column, just
       above the wave, wipes out last tick's crest;
     - a 10 x 10 tile of the water image per column under the wave line,
       stretched by a random 0..2 px across and 0..3 px down, is the new,
       shivering surface;
     - W/8 + 1 random squares of the water image below the surface, each
       copied back onto itself one pixel up-left and two pixels larger,
       fill the body in over time and make it shimmer.
   The surface line is
       y(c) = level + trunc(20 sin(surfacePhase)) - trunc(10 sin(ripple + 0.1 c)),
   a slow swing of the whole surface (0.2 rad per tick, a period of about 31
   ticks) carrying a ripple that travels 0.51 rad per tick and changes by
   0.1 rad from one 10-pixel column to the next, so one ripple wavelength
   spans about 63 columns.  All phases wrap by subtracting 6.28.

   The engine works in the saver window's coordinates, whose corner is the
   virtual screen's; the system's cursor positions are screen coordinates,
   so they are shifted by that corner on the way in and out.

   Each cursor call is a round trip to the wineserver under Wine, and to
   the X server too, costing more than a tick's arithmetic; so the engine
   remembers what it did to the cursor itself and asks the system only
   when the window's mouse messages say something else has moved it.

   Random numbers come from the process's single generator, which always
   starts from 1, so every run draws the same first frames. */
#include "saver/saver.h"
#include "settings/settings.h"

#include <math.h>

#define PHASE_WRAP 6.28

/* As a new process has it; startWater puts it back. */
static const WaterState initialWaterState = {
    0, 0.0f, 0.0f, 0, 2, 0, 0.0, 10, 13,
    { { 1, 0, 0, 0, -33 } },    /* slot 0 waits 47 steps before the first bubble */
    0, 0, 0, NULL
};
WaterState waterState = initialWaterState;

const AnimationCalls systemAnimationCalls = {
    BitBlt, StretchBlt, Ellipse, SelectObject, GetCursorPos, SetCursorPos, SetCursor
};
AnimationCalls animationCalls = systemAnimationCalls;

unsigned int randomState = 1;

int nextRandom(void)
{
    randomState = randomState * 214013u + 2531011u;
    return (int)((randomState >> 16) & 0x7FFF);
}

/* The water at its start, as the saver's timer first finds it: level with
   the screen's bottom, the fish facing right, the drift and the bubble
   chain at their first steps, and the random draws from their first, so
   that every start draws the same first frames. */
void startWater(void)
{
    waterState = initialWaterState;
    waterState.level = launchContext.screenHeight;
    randomState = 1;
}

/* 0 .. n, with n only when the draw is 32767 */
static int randomUpTo(int n)
{
    return n * nextRandom() / 32767;
}

int targetLevel(void)
{
    unsigned int h = (unsigned int)launchContext.screenHeight;
    /* unsigned arithmetic: a stored fillTo far out of range wraps, it does not trap */
    return (int)(h - (h / 100u) * saverSettings.fillTo - 60u);
}

static float advancePhase(float phase, double step)
{
    phase = (float)(phase + step);
    if (phase > PHASE_WRAP)
        phase = (float)(phase - PHASE_WRAP);
    return phase;
}

static HCURSOR fishCursorFor(int step)
{
    return step > 0 ? saverWindowState.fishRightCursor : saverWindowState.fishLeftCursor;
}

static void showCursor(HCURSOR shape)
{
    if (shape == waterState.shownCursor)
        return;
    animationCalls.setCursor(shape);
    waterState.shownCursor = shape;
}

/* The cursor's position in window coordinates.  The engine's own moves
   come back to the window as WM_MOUSEMOVE with the position the system
   settled on.  While the last one reported is where the engine put the
   cursor, nothing else has moved it and the answer is known.  Any other
   report (the user's hand, the system holding the cursor at a screen
   edge, or an echo still on its way) sends the question to the system. */
static void cursorPosition(POINT *p)
{
    const WaterState *ws = &waterState;
    int x = saverWindowState.mouseX, y = saverWindowState.mouseY;

    if (ws->cursorPlaced && x == ws->placedX && y == ws->placedY) {
        p->x = x;
        p->y = y;
        return;
    }
    if (animationCalls.getCursorPos(p)) {
        p->x -= launchContext.screenLeft;
        p->y -= launchContext.screenTop;
    } else {
        /* not the input desktop: the last report is all there is */
        p->x = x;
        p->y = y;
    }
}

static void moveCursor(int x, int y)
{
    /* a refused move (another program holds the pointer) leaves nothing known */
    waterState.cursorPlaced =
        animationCalls.setCursorPos(x + launchContext.screenLeft, y + launchContext.screenTop) != 0;
    waterState.placedX = x;
    waterState.placedY = y;
}

/* The cursor becomes a fish once it is less than 40 px above the surface,
   and an arrow again when lifted out. */
static void switchFish(int surfaceY)
{
    if (saverWindowState.mouseY > surfaceY - 40) {
        if (waterState.fishMode == 0) {
            showCursor(fishCursorFor(waterState.fishStep));
            waterState.fishMode = 1;
        }
    } else if (waterState.fishMode == 1) {
        showCursor(LoadCursorA(NULL, IDC_ARROW));
        waterState.fishMode = 0;
    }
}

/* The ripple's offset in one column; moves the phase on to the next.  The
   phase stays single precision, as the state keeps it. */
static int rippleAt(float *phase)
{
    int d = (int)(10.0 * sin(*phase));
    *phase = (float)(*phase + 0.1);
    return d;
}

static void restoreStrips(int surfaceY, float phase)
{
    DrawingSurfaces *s = &drawingSurfaces;
    int columns = launchContext.screenWidth / 10;
    int c;

    animationCalls.selectObject(s->imageDC, s->screenImage);
    for (c = 0; c <= columns; c++) {
        int y = surfaceY - 60 - rippleAt(&phase);
        animationCalls.bitBlt(s->windowDC, 10 * c, y, 10, 20, s->imageDC, 10 * c, y, SRCCOPY);
    }
}

static void surfaceTiles(int surfaceY)
{
    DrawingSurfaces *s = &drawingSurfaces;
    int columns = launchContext.screenWidth / 10;
    float phase = waterState.ripplePhase;
    int c;

    animationCalls.selectObject(s->imageDC, s->waterImage);
    for (c = 0; c <= columns; c++) {
        int y = surfaceY - 20 - rippleAt(&phase);
        int h = 10 + randomUpTo(3);     /* the height's draw comes first */
        int w = 10 + randomUpTo(2);
        animationCalls.stretchBlt(s->windowDC, 10 * c, y, w, h, s->imageDC, 10 * c, y, 10, 10,
                                  SRCCOPY);
    }
}

static void shimmerSquares(int surfaceY)
{
    DrawingSurfaces *s = &drawingSurfaces;
    int w = launchContext.screenWidth;
    int h = launchContext.screenHeight;
    int k;

    for (k = 0; k <= w / 8; k++) {
        int x = randomUpTo(w);
        int y = (nextRandom() * h - surfaceY) / 32767 + surfaceY + 30;
        int n = randomUpTo(70) + 1;
        animationCalls.stretchBlt(s->windowDC, x - 1, y - 1, n + 2, n + 2, s->imageDC, x, y, n, n,
                                  SRCCOPY);
    }
}

static void drawBubbles(void)
{
    int i;
    for (i = 0; i < KELP_BUBBLES; i++) {
        const Bubble *b = &waterState.bubbles[i];
        if (b->active)
            animationCalls.ellipse(drawingSurfaces.windowDC, b->x, b->y, b->x + b->size,
                                   b->y + b->size);
    }
}

void waterStep(void)
{
    WaterState *ws = &waterState;
    int level = ws->level;
    float ripple = ws->ripplePhase;
    int target = targetLevel();
    int surfaceY;

    if (level > target || saverSettings.fillTo < 100u) {
        if (level > target) {
            ws->level = level - 1;
        } else if (ws->fishMode == 0) {
            /* standing water pulls a resting cursor down until it is caught */
            POINT p;
            cursorPosition(&p);
            saverWindowState.mouseX = p.x;
            saverWindowState.mouseY = p.y;
            moveCursor(p.x, p.y + 5);
        }
        ws->surfacePhase = advancePhase(ws->surfacePhase, 0.2);
        ws->ripplePhase = advancePhase(ws->ripplePhase, 0.51);
        surfaceY = level + (int)(20.0 * sin(ws->surfacePhase));
        switchFish(surfaceY);
        restoreStrips(surfaceY, ripple);
        surfaceTiles(surfaceY);
    } else {
        /* full and still: the last wave line stays on the screen */
        surfaceY = level;
    }
    shimmerSquares(surfaceY);
    if (ws->fishMode == 1) {
        bubbleStep();
        drawBubbles();
    }
}

/* Reverses the fish when it swims off either edge, jumping by driftStep
   so that it does not retrace its own line. */
static void turnAtEdge(int *py)
{
    WaterState *ws = &waterState;
    int h = launchContext.screenHeight;

    ws->fishStep = -ws->fishStep;
    *py += ws->driftStep;
    if (*py < ws->level + 40 && ws->driftStep < 0)
        ws->driftStep = -ws->driftStep;
    else if (*py > h - 32 && ws->driftStep > 0)
        ws->driftStep = -ws->driftStep;
}

void swimStep(void)
{
    WaterState *ws = &waterState;
    int w = launchContext.screenWidth;
    int h = launchContext.screenHeight;
    double bob;
    POINT p;
    int px, py;

    ws->swimPhase += 0.08;
    if (ws->swimPhase > PHASE_WRAP)
        ws->swimPhase -= PHASE_WRAP;
    bob = 3.0 * sin(ws->swimPhase);

    cursorPosition(&p);
    px = p.x;
    py = p.y;
    /* a cursor pushed against the fish turns it round */
    if ((px > ws->fishLastX && ws->fishStep < 0) || (px < ws->fishLastX && ws->fishStep > 0))
        ws->fishStep = -ws->fishStep;
    px += ws->fishStep;
    if ((px > w && ws->fishStep > 0) || (px < 0 && ws->fishStep < 0))
        turnAtEdge(&py);
    /* one shape for both turns: pushed round at an edge, it faces on */
    showCursor(fishCursorFor(ws->fishStep));
    py += (int)bob;
    /* keep the fish under water and its 32-pixel body on the screen */
    if (py < ws->level + 30)
        py += 5;
    else if (py > h - 32)
        py = h - 32;
    moveCursor(px, py);
    /* Where the system will hold the cursor: a fish put at x = W is found
       at W - 1 next tick, which must not pass for a push against it. */
    ws->fishLastX = px < 0 ? 0 : px >= w ? w - 1 : px;
}

static void releaseBubble(Bubble *b)
{
    POINT p;
    cursorPosition(&p);     /* the fish's mouth: the cursor's hot spot */
    b->x = p.x;
    b->y = p.y;
    b->size = 5;
    b->riseTicks = 0;
    b->active = 1;
}

void bubbleStep(void)
{
    WaterState *ws = &waterState;
    DrawingSurfaces *s = &drawingSurfaces;
    int w = launchContext.screenWidth;
    int i;

    for (i = 0; i < KELP_BUBBLES; i++) {
        Bubble *b = &ws->bubbles[i];
        int limit;

        if (b->active)
            animationCalls.stretchBlt(s->windowDC, b->x - 1, b->y, b->size + 2, b->size,
                                      s->imageDC, b->x, b->y, b->size, b->size, SRCCOPY);
        if (b->y != 0 && b->y % 10 == 0)
            b->size += 1;
        limit = ws->level > 0 ? ws->level : ws->level - b->size - 5;
        b->x += randomUpTo(4) - 2;
        if (b->y > limit) {
            b->riseTicks += 1;
            b->y -= randomUpTo(7);
        }
        if (b->y > limit && b->x > 0 && b->x <= w)
            continue;

        b->active = 0;
        if (i == 0) {
            if (b->riseTicks > 13)
                releaseBubble(b);
            else
                b->riseTicks += 1;
        } else if (ws->bubbles[i - 1].riseTicks > 13) {
            releaseBubble(b);
        }
    }
}

static int clampTo(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

/* After a display change, with launchContext describing the new screen;
   (dx, dy) is where the old screen's corner lies on it.  The water keeps
   its depth above the screen's bottom, down to the new full mark: started
   again from the bottom it would take back, over minutes, what the user
   has already seen flooded, and keeping its height from the top would
   empty or flood it at a stroke.  The bubbles and the fish go along with
   the water, which keeps them under its surface: a fish carried with the
   corner alone would be left in the dry above a water that went down the
   grown screen, a plain cursor again.  A cursor above the water is
   carried along with the corner's move, and all are kept on the new
   screen.  Where the cursor ends up is asked of the system again, which
   holds it on the screen its own way. */
void followScreen(int dx, int dy, int oldHeight)
{
    WaterState *ws = &waterState;
    int w = launchContext.screenWidth;
    int h = launchContext.screenHeight;
    int target = targetLevel();
    int oldLevel = ws->level;
    int i;

    ws->level = h - (oldHeight - ws->level);
    if (ws->level < target)
        ws->level = target;
    saverWindowState.mouseX = clampTo(saverWindowState.mouseX + dx, 0, w - 1);
    saverWindowState.mouseY = clampTo(saverWindowState.mouseY
                                      + (ws->fishMode == 1 ? ws->level - oldLevel : dy), 0, h - 1);
    ws->cursorPlaced = 0;
    if (ws->fishMode == 1)
        moveCursor(saverWindowState.mouseX, saverWindowState.mouseY);
    ws->fishLastX = clampTo(ws->fishLastX + dx, 0, w - 1);
    ws->driftY = clampTo(ws->driftY + dy, 0, h);
    for (i = 0; i < KELP_BUBBLES; i++) {
        Bubble *b = &ws->bubbles[i];
        b->x = clampTo(b->x + dx, 1, w);
        b->y = clampTo(b->y + ws->level - oldLevel, 0, h - 1);     /* as deep as before */
    }
}

void animationTick(void)
{
    WaterState *ws = &waterState;

    if (saverWindowState.displayOff)
        return;

    waterStep();
    if (ws->fishMode == 1)
        swimStep();
    ws->driftY += ws->driftStep;
    if (ws->driftY > launchContext.screenHeight || ws->driftY < 0)
        ws->driftStep = -ws->driftStep;
}
