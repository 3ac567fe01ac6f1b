// The desktop's icon labels: whether their background is transparent, and making it so.
// Called by the settings page, the "/CLR" start and the folder-icon change.
#ifndef TILEFOX_DESKTOPLABELS_H
#define TILEFOX_DESKTOPLABELS_H

enum { LABELS_QUERY = 0, LABELS_SET = 1 };

// LABELS_QUERY: 1 when the labels are drawn without background.
// LABELS_SET: makes them so, with the label colour of the settings file when it names one;
// 1 when the colours were set and the screen redrawn, 0 when nothing needed doing.
// Both give 0 when the desktop's list view is not there (another shell).
int DesktopLabelTransparency(int mode);

#endif
