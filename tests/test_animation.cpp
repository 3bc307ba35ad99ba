/* The animation engine, run in-process with its drawing and cursor calls
   recorded, so that every position and size can be checked exactly. */
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "saver/saver.h"
#include "settings/settings.h"

namespace {

enum CallKind { BIT_BLT, STRETCH_BLT, ELLIPSE, SELECT, GET_CURSOR, SET_CURSOR_POS, SET_CURSOR };

struct Call {
    CallKind kind;
    HDC dc;
    HANDLE object;          /* selected object or cursor */
    int x, y, w, h;         /* destination (ellipse: left, top, right, bottom) */
    int sx, sy, sw, sh;     /* source */
};

/* Field by field: the padding between them is not the engine's. */
bool operator==(const Call &a, const Call &b)
{
    return a.kind == b.kind && a.dc == b.dc && a.object == b.object && a.x == b.x && a.y == b.y
        && a.w == b.w && a.h == b.h && a.sx == b.sx && a.sy == b.sy && a.sw == b.sw && a.sh == b.sh;
}

const int maxCalls = 4096;
Call calls[maxCalls];
int callCount;
POINT cursor;

HDC const windowDC = (HDC)0x1001;
HDC const imageDC = (HDC)0x1002;
HBITMAP const screenImage = (HBITMAP)0x1003;
HBITMAP const waterImage = (HBITMAP)0x1004;
HCURSOR const fishLeft = (HCURSOR)0x1103;
HCURSOR const fishRight = (HCURSOR)0x1105;

void record(const Call &call)
{
    if (callCount < maxCalls)
        calls[callCount++] = call;
}

BOOL WINAPI fakeBitBlt(HDC dc, int x, int y, int w, int h, HDC, int sx, int sy, DWORD)
{
    record({ BIT_BLT, dc, NULL, x, y, w, h, sx, sy });
    return TRUE;
}

BOOL WINAPI fakeStretchBlt(HDC dc, int x, int y, int w, int h, HDC, int sx, int sy, int sw, int sh,
                           DWORD)
{
    record({ STRETCH_BLT, dc, NULL, x, y, w, h, sx, sy, sw, sh });
    return TRUE;
}

BOOL WINAPI fakeEllipse(HDC dc, int l, int t, int r, int b)
{
    record({ ELLIPSE, dc, NULL, l, t, r, b });
    return TRUE;
}

HGDIOBJ WINAPI fakeSelect(HDC dc, HGDIOBJ object)
{
    record({ SELECT, dc, object });
    return NULL;
}

BOOL WINAPI fakeGetCursorPos(LPPOINT p)
{
    record({ GET_CURSOR });
    *p = cursor;
    return TRUE;
}

/* The system keeps the cursor on the screen. */
BOOL WINAPI fakeSetCursorPos(int x, int y)
{
    record({ SET_CURSOR_POS, NULL, NULL, x, y });
    cursor.x = x < 0 ? 0 : x >= launchContext.screenWidth ? launchContext.screenWidth - 1 : x;
    cursor.y = y < 0 ? 0 : y >= launchContext.screenHeight ? launchContext.screenHeight - 1 : y;
    return TRUE;
}

HCURSOR WINAPI fakeSetCursor(HCURSOR shape)
{
    record({ SET_CURSOR, NULL, shape });
    return NULL;
}

const AnimationCalls recorder = {
    fakeBitBlt, fakeStretchBlt, fakeEllipse, fakeSelect, fakeGetCursorPos, fakeSetCursorPos,
    fakeSetCursor
};

class Engine : public ::testing::Test {
protected:
    void SetUp() override { start(1024, 768, 100, 500, 50); }
    void TearDown() override { animationCalls = systemAnimationCalls; }

    /* The state a freshly started saver has when its timer first fires. */
    void start(int w, int h, DWORD fillTo, int mouseX, int mouseY)
    {
        launchContext.screenWidth = w;
        launchContext.screenHeight = h;
        defaultSettings();
        saverSettings.fillTo = fillTo;
        startWater();
        memset(&drawingSurfaces, 0, sizeof drawingSurfaces);
        drawingSurfaces.windowDC = windowDC;
        drawingSurfaces.imageDC = imageDC;
        drawingSurfaces.screenImage = screenImage;
        drawingSurfaces.waterImage = waterImage;
        memset(&saverWindowState, 0, sizeof saverWindowState);
        saverWindowState.fishLeftCursor = fishLeft;
        saverWindowState.fishRightCursor = fishRight;
        placeCursor(mouseX, mouseY);
        animationCalls = recorder;
        callCount = 0;
    }

    /* A user's move: the window hears of it as WM_MOUSEMOVE. */
    void placeCursor(int x, int y)
    {
        cursor.x = x;
        cursor.y = y;
        saverWindowState.mouseX = x;
        saverWindowState.mouseY = y;
    }

    void tick()
    {
        callCount = 0;
        animationTick();
        /* the engine's own cursor moves come back as WM_MOUSEMOVE too */
        saverWindowState.mouseX = cursor.x;
        saverWindowState.mouseY = cursor.y;
    }

    int count(CallKind kind) const
    {
        return (int)std::count_if(calls, calls + callCount, [&](const Call &c) { return c.kind == kind; });
    }

    const Call *nth(CallKind kind, int n) const
    {
        for (int i = 0; i < callCount; i++)
            if (calls[i].kind == kind && n-- == 0)
                return &calls[i];
        return NULL;
    }

    /* An empty call where there was none, so that a check fails rather than crashes. */
    const Call &last(CallKind kind) const
    {
        static const Call none = {};
        for (int i = callCount - 1; i >= 0; i--)
            if (calls[i].kind == kind)
                return calls[i];
        return none;
    }

    /* Puts the engine into fish mode with water standing full. */
    void swimming(int level, int x, int y)
    {
        waterState.level = level;
        saverSettings.fillTo = 100;
        launchContext.screenHeight = 768;
        waterState.fishMode = 1;
        placeCursor(x, y);
        waterState.fishLastX = x;
    }
};

TEST_F(Engine, RandomSequenceStartsFromOne)
{
    randomState = 1;
    for (int expected : { 41, 18467, 6334, 26500, 19169 })
        EXPECT_EQ(expected, nextRandom());
}

TEST_F(Engine, TargetLevel)
{
    struct { int h; DWORD fillTo; int target; } cases[] = {
        { 768, 100, 8 }, { 600, 100, -60 }, { 768, 50, 358 }, { 768, 13, 617 }, { 1080, 100, 20 },
    };
    for (const auto &c : cases) {
        launchContext.screenHeight = c.h;
        saverSettings.fillTo = c.fillTo;
        EXPECT_EQ(c.target, targetLevel()) << c.h << " " << c.fillTo;
    }
}

TEST_F(Engine, FirstTickDrawsTheSameSurfaceEveryRun)
{
    tick();
    ASSERT_EQ(103, count(BIT_BLT));                       /* restore strips, W/10 + 1 */
    ASSERT_EQ(103 + 129, count(STRETCH_BLT));             /* tiles and W/8 + 1 squares */
    EXPECT_EQ(767, waterState.level);

    /* surfaceY = 768 + trunc(20 sin 0.2) = 771; strips start from ripple phase 0 */
    const Call *strip0 = nth(BIT_BLT, 0), *strip2 = nth(BIT_BLT, 2);
    EXPECT_EQ(0, strip0->x);
    EXPECT_EQ(711, strip0->y);
    EXPECT_EQ(10, strip0->w);
    EXPECT_EQ(20, strip0->h);
    EXPECT_EQ(strip0->y, strip0->sy);
    EXPECT_EQ(20, strip2->x);
    EXPECT_EQ(710, strip2->y);                            /* trunc(10 sin 0.2) = 1 */

    /* tiles from ripple phase 0.51: trunc(10 sin 0.51) = 4; first draws 41, 18467 */
    const Call *tile0 = nth(STRETCH_BLT, 0);
    EXPECT_EQ(0, tile0->x);
    EXPECT_EQ(771 - 20 - 4, tile0->y);
    EXPECT_EQ(11, tile0->w);                              /* 10 + 2 * 18467 / 32767 */
    EXPECT_EQ(10, tile0->h);                              /* 10 + 3 * 41 / 32767 */
    EXPECT_EQ(10, tile0->sw);
    EXPECT_EQ(10, tile0->sh);

    /* strips come from the screen image, tiles and squares from the water image */
    EXPECT_EQ((HANDLE)screenImage, nth(SELECT, 0)->object);
    EXPECT_EQ((HANDLE)waterImage, nth(SELECT, 1)->object);
    EXPECT_EQ(2, count(SELECT));

    std::vector<Call> first(calls, calls + callCount);
    start(1024, 768, 100, 500, 50);
    tick();
    ASSERT_EQ(first.size(), (size_t)callCount);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), calls));
}

TEST_F(Engine, ShimmerSquaresAreLargerCopiesOfTheWaterBelowTheSurface)
{
    for (int t = 0; t < 50; t++) {
        tick();
        int surfaceY = waterState.level + 1 + (int)(20.0 * sin(waterState.surfacePhase));
        for (int k = 0; k < 129; k++) {
            const Call *c = nth(STRETCH_BLT, 103 + k);
            ASSERT_TRUE(c != NULL);
            EXPECT_EQ(c->sw + 2, c->w);
            EXPECT_EQ(c->sh + 2, c->h);
            EXPECT_EQ(c->sx - 1, c->x);
            EXPECT_EQ(c->sy - 1, c->y);
            EXPECT_GE(c->sw, 1);
            EXPECT_LE(c->sw, 71);
            EXPECT_GE(c->sx, 0);
            EXPECT_LE(c->sx, 1024);
            EXPECT_GE(c->sy, surfaceY + 30);
            EXPECT_LE(c->sy, surfaceY + 30 + 768);
        }
    }
}

TEST_F(Engine, FullWaterStopsTheWavesAfter760Ticks)
{
    placeCursor(500, 0);
    for (int t = 1; t <= 760; t++) {
        tick();
        ASSERT_EQ(768 - t, waterState.level);
        ASSERT_EQ(103, count(BIT_BLT)) << "tick " << t;
    }
    EXPECT_EQ(8, waterState.level);
    for (int t = 0; t < 40; t++) {
        tick();
        EXPECT_EQ(8, waterState.level);
        EXPECT_EQ(0, count(BIT_BLT));
        EXPECT_EQ(0, count(SELECT));
        EXPECT_GE(count(STRETCH_BLT), 129);                /* squares, and bubble erases */
        EXPECT_LE(count(STRETCH_BLT), 129 + 13);
    }
}

TEST_F(Engine, StandingWaterPullsARestingCursorDownUntilItIsAFish)
{
    start(1024, 768, 50, 300, 100);
    while (waterState.level > 358)
        tick();
    EXPECT_EQ(0, waterState.fishMode);
    EXPECT_EQ(0, count(SET_CURSOR_POS));                  /* rising water leaves it alone */
    int y = cursor.y;
    for (int t = 0; t < 100 && waterState.fishMode == 0; t++) {
        tick();
        const Call *sink = nth(SET_CURSOR_POS, 0);
        ASSERT_TRUE(sink != NULL);
        EXPECT_EQ(300, sink->x);
        EXPECT_EQ(y + 5, sink->y);
        int surfaceY = 358 + (int)(20.0 * sin(waterState.surfacePhase));
        if (waterState.fishMode == 0)
            EXPECT_LE(y, surfaceY - 40);
        else
            EXPECT_GT(y, surfaceY - 40);                  /* caught less than 40 px above */
        y += 5;
    }
    ASSERT_EQ(1, waterState.fishMode);
    EXPECT_EQ(358, waterState.level);
    EXPECT_EQ((HANDLE)fishRight, nth(SET_CURSOR, 0)->object);
}

TEST_F(Engine, FishFirstFacesRightAndSwimsRight)
{
    placeCursor(400, 760);
    tick();
    ASSERT_EQ(1, waterState.fishMode);
    EXPECT_EQ((HANDLE)fishRight, nth(SET_CURSOR, 0)->object);
    int x = cursor.x;
    for (int t = 0; t < 5; t++) {
        tick();
        EXPECT_EQ(x + 2, last(SET_CURSOR_POS).x);
        x += 2;
    }
}

/* From either column: a fish put at x = W is held at W - 1 by the system. */
TEST_F(Engine, FishTurnsAtTheRightEdgeAndJumps)
{
    for (int from = 1022; from <= 1023; from++) {
        start(1024, 768, 100, from, 400);
        swimming(8, from, 400);
        int ticks = 0, y;
        do {
            y = cursor.y;
            tick();
            ticks++;
        } while (waterState.fishStep > 0 && ticks < 3);
        const Call &move = last(SET_CURSOR_POS);
        EXPECT_EQ(-2, waterState.fishStep) << from;
        EXPECT_EQ((HANDLE)fishLeft, last(SET_CURSOR).object) << from;
        EXPECT_EQ(1025, move.x) << from;                /* past W: turned, the system clamps it */
        EXPECT_EQ(y + 13 + (int)(3.0 * sin(0.08 * ticks)), move.y) << from;
        tick();
        EXPECT_EQ(1021, last(SET_CURSOR_POS).x) << from;
    }
}

TEST_F(Engine, FishTurnsAtTheLeftEdge)
{
    swimming(8, 1, 400);
    waterState.fishStep = -2;
    waterState.driftStep = -13;
    tick();
    EXPECT_EQ(2, waterState.fishStep);
    EXPECT_EQ((HANDLE)fishRight, last(SET_CURSOR).object);
    EXPECT_EQ(400 - 13 + (int)(3.0 * sin(0.08)), last(SET_CURSOR_POS).y);
}

TEST_F(Engine, CursorPushedAgainstTheFishTurnsIt)
{
    swimming(8, 500, 400);
    tick();
    EXPECT_EQ(502, last(SET_CURSOR_POS).x);
    placeCursor(450, 400);                                /* the user pulls to the left */
    tick();
    EXPECT_EQ(-2, waterState.fishStep);
    EXPECT_EQ((HANDLE)fishLeft, last(SET_CURSOR).object);
    EXPECT_EQ(448, last(SET_CURSOR_POS).x);
    placeCursor(600, 400);
    tick();
    EXPECT_EQ(2, waterState.fishStep);
    EXPECT_EQ((HANDLE)fishRight, last(SET_CURSOR).object);
    EXPECT_EQ(602, last(SET_CURSOR_POS).x);
}

/* Each cursor call is a round trip to the window system, so the engine
   asks where the cursor is only when the window's mouse messages say that
   something other than itself has moved it. */
TEST_F(Engine, CursorIsAskedForOnlyWhenSomethingElseMovedIt)
{
    enum { ECHO, USER_MOVE, ECHO_LATE };
    struct { const char *what; DWORD fillTo; int level, fishMode, y, between, gets, shapes; } cases[] = {
        { "the fish's moves are reported back", 100, 8, 1, 600, ECHO, 0, 0 },
        { "the user moves the mouse", 100, 8, 1, 600, USER_MOVE, 1, 1 },
        { "the report of the last move is late", 100, 8, 1, 600, ECHO_LATE, 1, 0 },
        { "standing water pulls the cursor down", 50, 358, 0, 100, ECHO, 0, 0 },
    };
    for (const auto &c : cases) {
        start(1024, 768, c.fillTo, 500, c.y);
        waterState.level = c.level;
        waterState.fishMode = c.fishMode;
        waterState.fishLastX = 500;
        tick();
        tick();
        if (c.between == USER_MOVE)
            placeCursor(cursor.x - 40, cursor.y);
        if (c.between == ECHO_LATE) {
            saverWindowState.mouseX = cursor.x - 2;
            callCount = 0;
            animationTick();
        } else {
            tick();
        }
        EXPECT_EQ(c.gets, count(GET_CURSOR)) << c.what;
        EXPECT_EQ(1, count(SET_CURSOR_POS)) << c.what;
        EXPECT_EQ(c.shapes, count(SET_CURSOR)) << c.what;
        /* only the user's hand turns the fish */
        EXPECT_EQ(c.between == USER_MOVE ? -2 : 2, waterState.fishStep) << c.what;
    }
}

TEST_F(Engine, FishShovedPastTheEdgeTurnsBackWithoutAShapeChange)
{
    swimming(8, 1000, 400);
    waterState.fishStep = -2;
    tick();
    ASSERT_EQ((HANDLE)fishLeft, last(SET_CURSOR).object);
    placeCursor(1024, 400);
    tick();
    EXPECT_EQ(-2, waterState.fishStep);
    EXPECT_EQ(0, count(SET_CURSOR));
    EXPECT_EQ(1026, last(SET_CURSOR_POS).x);
}

TEST_F(Engine, FishIsKeptUnderWater)
{
    struct { int level, y, expectedDelta, expectedY; } cases[] = {
        { 300, 310, 5, -1 },    /* above level + 30: pushed down 5 besides the bob */
        { 300, 400, 0, -1 },
        { 8, 767, 0, 736 },     /* never lower than H - 32 */
        { 8, 736, 0, 736 },
    };
    for (const auto &c : cases) {
        swimming(c.level, 500, c.y);
        waterState.swimPhase = 0;
        tick();
        int bob = (int)(3.0 * sin(0.08));
        int expected = c.expectedY >= 0 ? c.expectedY : c.y + bob + c.expectedDelta;
        EXPECT_EQ(expected, last(SET_CURSOR_POS).y) << "level " << c.level << ", y " << c.y;
    }
}

TEST_F(Engine, BubbleChainReleaseOrder)
{
    swimming(8, 300, 600);
    int firstRelease[KELP_BUBBLES] = { 0 }, zeroCountPassed13 = 0;
    for (int step = 1; step <= 400; step++) {
        int before = waterState.bubbles[0].riseTicks;
        tick();
        for (int i = 0; i < KELP_BUBBLES; i++)
            if (!firstRelease[i] && waterState.bubbles[i].active && waterState.bubbles[i].size == 5)
                firstRelease[i] = step;
        if (!zeroCountPassed13 && before <= 13 && waterState.bubbles[0].riseTicks > 13)
            zeroCountPassed13 = step;
    }
    EXPECT_EQ(48, firstRelease[0]);
    EXPECT_EQ(zeroCountPassed13, firstRelease[1]);
    for (int i = 2; i < KELP_BUBBLES; i++)
        EXPECT_GT(firstRelease[i], firstRelease[i - 1]) << "slot " << i;
}

TEST_F(Engine, ReleasedBubbleStartsAtTheFishAndRisesDrawnAsCircle)
{
    swimming(8, 300, 600);
    for (int step = 1; step < 48; step++)
        tick();
    POINT fish = cursor;
    tick();
    const Bubble &b = waterState.bubbles[0];
    ASSERT_EQ(1, b.active);
    EXPECT_EQ(fish.x, b.x);
    EXPECT_EQ(fish.y, b.y);
    EXPECT_EQ(5, b.size);
    /* drawn hollow with the bubble pen on the window */
    const Call *circle = nth(ELLIPSE, 0);
    ASSERT_TRUE(circle != NULL);
    EXPECT_EQ(windowDC, circle->dc);
    EXPECT_EQ(b.x, circle->x);
    EXPECT_EQ(b.y + 5, circle->h);
    int y = b.y;
    for (int t = 0; t < 30; t++)
        tick();
    EXPECT_LT(b.y, y - 30);
    EXPECT_GE(b.y, y - 7 * 30);
}

TEST_F(Engine, BubblesLeavingSidewaysOrReachingTheLevelRetire)
{
    struct { int x, y, level; int staysActive; } cases[] = {
        { -5, 500, 300, 0 },    /* drifted off the left edge, still under water */
        { 1030, 500, 300, 0 },  /* beyond W */
        { 500, 500, 300, 1 },
        { 500, 301, 300, 0 },   /* at most one wobble away from the level: gone once it rises */
    };
    for (const auto &c : cases) {
        swimming(c.level, 300, 700);
        Bubble &b = waterState.bubbles[5];
        b.active = 1; b.x = c.x; b.y = c.y; b.size = 7; b.riseTicks = 0;
        waterState.bubbles[4].riseTicks = 0;
        for (int t = 0; t < 3; t++)
            bubbleStep();
        EXPECT_EQ(c.staysActive, b.active) << c.x << "," << c.y;
    }
}

TEST_F(Engine, LiftingTheFishOutFreezesTheBubbles)
{
    start(1024, 768, 100, 300, 760);
    for (int t = 0; t < 80; t++)
        tick();
    ASSERT_EQ(1, waterState.fishMode);
    Bubble frozen[KELP_BUBBLES];
    memcpy(frozen, waterState.bubbles, sizeof frozen);
    placeCursor(300, 100);
    tick();
    EXPECT_EQ(0, waterState.fishMode);
    EXPECT_EQ(LoadCursorA(NULL, IDC_ARROW), (HCURSOR)last(SET_CURSOR).object);
    for (int t = 0; t < 20; t++) {
        tick();
        EXPECT_EQ(0, count(ELLIPSE));
        EXPECT_EQ(0, count(SET_CURSOR_POS));
    }
    EXPECT_EQ(0, memcmp(frozen, waterState.bubbles, sizeof frozen));
}

/* The system's display reports, as the saver window receives them: off
   rests the water, the fish and the cursor; dimmed or on lets them go on. */
TEST_F(Engine, NothingIsDrawnOrMovedWhileTheDisplayIsOff)
{
    struct { GUID setting; DWORD length, state; } report = {
        { 0x6fe69556, 0x704a, 0x47a0, { 0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47 } }, 4, 0 };
    const struct { DWORD state; int draws; } steps[] = { { 0, 0 }, { 2, 1 }, { 0, 0 }, { 1, 1 } };
    swimming(200, 500, 600);
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; i++) {
        report.state = steps[i].state;
        EXPECT_EQ(TRUE, saverWndProc(NULL, WM_POWERBROADCAST, 0x8013, (LPARAM)&report));
        WaterState before = waterState;
        tick();
        EXPECT_EQ(steps[i].draws, callCount > 0) << i;     /* neither drawing nor the cursor */
        EXPECT_EQ(steps[i].draws, count(SET_CURSOR_POS)) << i;
        EXPECT_EQ(steps[i].draws, memcmp(&before, &waterState, sizeof before) != 0) << i;
    }
}

TEST_F(Engine, DriftRunsBetweenTheScreenEdges)
{
    int low = 1 << 30, high = -(1 << 30);
    for (int t = 0; t < 300; t++) {
        tick();
        low = waterState.driftY < low ? waterState.driftY : low;
        high = waterState.driftY > high ? waterState.driftY : high;
    }
    EXPECT_GE(low, -13);
    EXPECT_LE(high, 768 + 13);
    EXPECT_GT(high, 760);
    EXPECT_LT(low, 13);
}

}  // namespace
