// The read-only properties dialog of one list row.
#ifndef TILEFOX_PROPERTIES_H
#define TILEFOX_PROPERTIES_H

#include <windows.h>

#include "lists/iconentry.h"

INT_PTR CALLBACK PropertiesDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Runs the dialog modally for entry; returns 1 when closed, 2 without an entry.
INT_PTR ShowProperties(HWND owner, IconEntry *entry);
// The registry place that Apply writes for entry, as the dialog shows it ("" when unknown).
void FormatRegistryPlace(const IconEntry *entry, char *buffer, int size);

#endif
