// The file-time text is not built yet: hovering registers no tool. Switching the option
// already activates or deactivates the control.
#include "results/tooltip.h"

#include "app/app_state.h"

void hoverTooltip(unsigned) {}

void activateTooltip(unsigned on) { SendMessageA(app.tipWindow, TTM_ACTIVATE, on, 0); }
