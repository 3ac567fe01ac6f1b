// Making the shell draw its icons anew.
#ifndef TILEFOX_REDRAW_H
#define TILEFOX_REDRAW_H

void RedrawShellIcons();

#endif
