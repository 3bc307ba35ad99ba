/* A fixture that runs the built saver under Wine and ends it. */
#ifndef KELP_SAVERFIXTURE_H
#define KELP_SAVERFIXTURE_H

#include <gtest/gtest.h>
#include <string.h>

#include "tests/driver.h"
#include "tests/testutil.h"

class Saver : public ::testing::Test {
protected:
    ProgramRun run;
    HWND window = NULL;

    void TearDown() override
    {
        BOOL was;
        EXPECT_TRUE(finishRun(&run));
        /* a saver ended by force leaves "running" set: none runs now */
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, &was, 0);
    }

    void start(const char *name = "kelptest.scr", const char *arguments = "/s")
    {
        ASSERT_TRUE(startProgram(name, arguments, &run));
        window = waitForWindow(&run, "ssaverzub");
        ASSERT_TRUE(window != NULL) << "no saver window";
        /* shown, then placed over every monitor on top: keys reach it once
           it has the foreground, and it is in place once it is topmost */
        ASSERT_TRUE(waitUntil([&] {
            return GetForegroundWindow() == window
                && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        })) << "the saver did not take the foreground on top";
    }

    /* Nothing to wait for: what is checked is that nothing happens. */
    void expectStillRuns()
    {
        pumpMessages(400);
        EXPECT_TRUE(stillRunning(&run));
        EXPECT_TRUE(IsWindow(window));
    }
};

#endif
