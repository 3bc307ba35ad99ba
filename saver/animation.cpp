/* Animation engine: water, waves, shimmer, fish and bubbles. */
#include "saver/saver.h"

WaterState waterState = {
    0, 0.0f, 0.0f, 0, 2, 0, 0.0, 10, 13,
    { { 1, 0, 0, 0, -33 } }     /* slot 0 starts its count early; the rest wait */
};

void animationTick(void)
{
    /* the engine is not built yet: nothing is drawn */
}
