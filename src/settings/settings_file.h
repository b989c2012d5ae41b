// The settings file beside the executable: the settings block and the folder history.
#pragma once

// Once at start-up, after the folder box exists. Any failure leaves the defaults.
void loadSettings();

// Once at an accepted close. Failures are not reported.
void saveSettings();
