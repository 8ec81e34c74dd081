#pragma once
// <windows.h> for the window's files, after the serial component's headers:
// <windows.h> defines as macros the EV_ and CE_ names that the component
// declares as constants, so the component must be read first. Every file of
// the window (and its tests) reaches <windows.h> through here.

#include "serial/SerComm.h"

#include <windows.h>
