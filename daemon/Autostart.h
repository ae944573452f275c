#pragma once

// Writes or removes "$XDG_CONFIG_HOME/autostart/kelvane.desktop" and says
// what it did; the exit status of the program.
int setAutostart(bool on);
