// The system's MCI file extensions grouped by device type, and the filter of
// the media Open dialog built from them at start-up, with the own device's
// formats added when the dialog first shows.
#pragma once
#include <windows.h>

#include "filesel/media_filter.h"

// Rows in the order their device types were first met; only ever added to.
extern MediaTypeTable mediaTypes;
// The number of rows in use (a view of mediaTypes.count).
extern const int& mediaTypeCount;

// Fills mediaTypes from the registry's list of MCI extensions and then the
// "mci extensions" section of the system profile, writes mediaFilter and sets
// the media Open dialog's starting entry from the extension of mediaPath.
void BuildMediaFilter();

// Before the media Open dialog first shows: adds the own device's formats
// that this system's Media Foundation decodes (asked then, as it takes a
// moment, never at start) after the system's types, writes mediaFilter
// again with them and "All media files", and sets the starting entry anew
// from the path BuildMediaFilter was given. Later calls do nothing until
// BuildMediaFilter runs again.
void AddOwnFormatsToMediaFilter();

// The two sources, each adding its (extension, device type) pairs to a table.
// Registry: the string values of the key, value name = extension and data =
// device type. A value whose name or data does not fit the buffers (49
// characters, 30 bytes) is passed over like a value that is not a string.
void AddRegistryMediaTypes(MediaTypeTable& table, HKEY root, const char* subkey);
// Profile: the lines "extension=device type" of the section, as far as they
// fit into 1000 bytes.
void AddProfileMediaTypes(MediaTypeTable& table, const char* section);
