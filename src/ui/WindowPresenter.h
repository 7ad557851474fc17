#pragma once

#include "platform/LaunchActivation.h"

class QWidget;

// Brings a top-level window before the user, as a later start of the
// program asks: onto the desktop (workspace) the user is on, restored if
// minimised, raised and given the focus. `given` is what the later start
// was launched with; the window takes the focus in its name, so a desktop
// that keeps programs from stealing the focus lets it have it.
//
// On X this speaks the freedesktop window-manager hints to whatever window
// manager runs; on Wayland the compositor places windows itself, and only
// the activation token is passed on. Elsewhere the window is shown and
// raised. UI thread only.
void PresentToUser(QWidget& window, const LaunchActivation& given);

// Restores the window if minimised, shows and raises it and asks for the
// focus, in the toolkit's own way: where the user is already looking (a
// click on the tray icon). UI thread only.
void ShowAndActivate(QWidget& window);
