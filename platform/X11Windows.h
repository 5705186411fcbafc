#pragma once

#include <QtGlobal>

// The first top-level window, from the top of the stacking order down, that process
// `processId` owns (its _NET_WM_PID) and that no other window owns (no WM_TRANSIENT_FOR).
// 0 when there is none, or when no X11 display can be opened (DISPLAY unset or unreachable).
// With a window manager its stacking list is walked (its frames carry no process id);
// without one, the root window's children.
quintptr TopLevelWindowOfProcess(qint64 processId);
