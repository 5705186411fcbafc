#pragma once

class TWebCopy;

// Runs the prepared component: seconds the run took, or -1 when its first item failed.
double RunSeconds(TWebCopy& webCopy);

// Runs the prepared component and clicks its dialog's Cancel 300 ms after the first progress
// step, while its server stalls: milliseconds from the click being due to the end of the run
// (how late the click is handled plus how long the run takes to stop); -1 when no click came.
double CancelLatencyMs(TWebCopy& webCopy);
