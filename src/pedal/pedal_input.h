// Foot pedals on the Win32 side: the pedals' HID collections registered for
// raw input (so their reports arrive whichever program has the focus, and
// their plugging and unplugging is seen), WM_INPUT read with the system's
// HID parser, and the pedal state machine's decisions carried out by the
// transport. Keyboards are never registered: pedals that act as keyboards
// work through the hot keys.
#pragma once
#include <windows.h>

// WM_INITDIALOG of the main window: registers the pedals' collections and
// takes up the pedals already connected.
void StartPedals(HWND window);
// Starts or stops reading the pedals as option Pedals now says.
void FollowPedalChoice(HWND window);
// The session was locked (or a secure desktop took the input): whatever
// was held counts as let go, since its release will not be seen.
void ReleaseAllPedals(HWND window);
// Carries out what the pedals did while a box of the window was open.
void ApplyHeldPedals(HWND window);
// Whether hot key id only repeats what a pedal did a moment ago.
bool IsPedalEchoHotKey(int id);
// WM_DESTROY: gives the registrations back and forgets the pedals.
void StopPedals();

// WM_INPUT: the reports of a pedal, each fed to the state machine.
void OnPedalInput(HWND window, HRAWINPUT input);
// WM_INPUT_DEVICE_CHANGE: a pedal plugged in works at once; one unplugged
// counts as all its pedals up.
void OnPedalDeviceChange(HWND window, WPARAM change, HANDLE device);
// WM_DEVICECHANGE with DBT_DEVNODES_CHANGED: a pedal whose collection was not
// registered yet may have come; the registration is brought up to date.
void OnDeviceNodesChanged(HWND window);

// The direction the held pedals wind in (-1, 0 or +1), for the poll tick.
int PedalWind();
// Status part 4 when no walk counter is shown: "sound only" while the own
// device plays the sound of a file whose picture the system's device could
// not show, else "pedal" while a known pedal is connected, else empty.
const char* IdleCounterText();

// Forgets every pedal and registration, as at process start.
void ResetPedalState();
