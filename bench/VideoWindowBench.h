#pragma once

#include <QString>

// A video saved through the window against quillex-render on the same saved
// set-up: quillex-bench --video-window CLIP [runs]. The clip is loaded in the
// covering page, cut into 2 x 2 outputs of 1920 x 1080 by Save, and the
// renderer cuts it with the set-up the page saves; both are timed in turn
// and the ratio printed. Runs before any application object exists: it makes
// its own, offscreen.
int RunVideoWindow(const QString& i_Clip, int i_Runs);
