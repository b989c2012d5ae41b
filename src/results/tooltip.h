// The file-time tooltip over the result list.
#pragma once

// The pointer moved onto another entry (or off every entry) with "&Tip Time" on.
void hoverTooltip(unsigned index);

// "&Tip Time" switched: the control shows tips only while active.
void activateTooltip(unsigned on);
