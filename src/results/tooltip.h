// The file-time tooltip over the result list.
#pragma once

// The pointer moved onto another entry (or off every entry) with "&Tip Time" on.
void hoverTooltip(unsigned index);

// The entries changed under the pointer (removed, or the list cleared): no tip stays, and
// the next pointer move counts as a change of entry.
void dropTooltip();

// "&Tip Time" switched: the control shows tips only while active.
void activateTooltip(unsigned on);
