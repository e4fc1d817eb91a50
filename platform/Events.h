#pragma once

// Lets pending window messages be processed, so that a long step keeps the window alive.
void DoEvents();
// Processes pending messages for about the given time, sleeping between them.
void DoEventsFor(int milliseconds);
