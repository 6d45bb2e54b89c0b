/* The few Mac OS Carbon calls that extensions make, with their classic signatures and C linkage.
 * On this platform `long` is 32 bits. Strings are length-prefixed (byte 0 is the length).
 * Extensions import these from the platform library; hosts link the same library, so both see
 * one chain of resource files and one set of windows. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* Resource manager: item `index` (from 1) of string list `strListID`, searched in the current
 * resource file and then in the files opened before it. A missing list or item gives "". */
void GetIndString(unsigned char* theString, short strListID, short index);

/* Plain decimal digits, with a leading '-' for negative values. */
void NumToString(long theNum, unsigned char* theString);

/* The current graphics port: saved and restored around a dialog's life. */
void GetPort(void** port);
void SetPort(void* port);
void SetPortDialogPort(void* dialog);

/* Dialogs and their windows. */
void* GetDialogWindow(void* dialog);
void GetWTitle(void* window, unsigned char* title); /* title: 256-byte buffer */
void SetWTitle(void* window, const unsigned char* title);
void SetWRefCon(void* window, long refCon);
void DisposeDialog(void* dialog);

/* Per-tag data of a control. Status 0 on success; -50 (paramErr) for a null control, an unknown
 * tag, or a buffer smaller than the data. *actualSize receives the data's size when known. */
enum { kPlatformNoErr = 0, kPlatformParamErr = -50 };
short SetControlData(void* control, short part, unsigned long tag, long size, const void* data);
short GetControlData(void* control, short part, unsigned long tag, long bufferSize, void* data, long* actualSize);

#ifdef __cplusplus
}
#endif
