// Xlib and its XTest extension, opened when a window or key command first
// needs them (see core/LazyLibrary.h). Include this instead of the X11
// headers.
#pragma once
#include "core/LazyLibrary.h"

// Xlib last: its macros (None, Bool, Status ...) stay out of the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

// Every Xlib and XTest function the program calls.
#define NOKARI_X11_FUNCTIONS(X) \
  X(XChangeKeyboardMapping) \
  X(XCloseDisplay) \
  X(XDisplayKeycodes) \
  X(XFree) \
  X(XFreeStringList) \
  X(XGetInputFocus) \
  X(XGetKeyboardMapping) \
  X(XGetWMName) \
  X(XGetWindowAttributes) \
  X(XGetWindowProperty) \
  X(XInternAtom) \
  X(XMapRaised) \
  X(XOpenDisplay) \
  X(XQueryTree) \
  X(XSendEvent) \
  X(XSetErrorHandler) \
  X(XSetInputFocus) \
  X(XSync) \
  X(Xutf8TextPropertyToTextList)
#define NOKARI_XTST_FUNCTIONS(X) \
  X(XTestFakeKeyEvent) \
  X(XTestQueryExtension)

namespace nokari::programs {
// X11Api(), XtstApi(): the tables, each library opened and looked up at the
// first call.
NOKARI_LAZY_TABLE_DECLARE(X11Functions, X11Api, NOKARI_X11_FUNCTIONS)
NOKARI_LAZY_TABLE_DECLARE(XtstFunctions, XtstApi, NOKARI_XTST_FUNCTIONS)
}  // namespace nokari::programs

#ifndef NOKARI_X11_API_TABLE
#define XChangeKeyboardMapping (::nokari::programs::X11Api().XChangeKeyboardMapping)
#define XCloseDisplay (::nokari::programs::X11Api().XCloseDisplay)
#define XDisplayKeycodes (::nokari::programs::X11Api().XDisplayKeycodes)
#define XFree (::nokari::programs::X11Api().XFree)
#define XFreeStringList (::nokari::programs::X11Api().XFreeStringList)
#define XGetInputFocus (::nokari::programs::X11Api().XGetInputFocus)
#define XGetKeyboardMapping (::nokari::programs::X11Api().XGetKeyboardMapping)
#define XGetWMName (::nokari::programs::X11Api().XGetWMName)
#define XGetWindowAttributes (::nokari::programs::X11Api().XGetWindowAttributes)
#define XGetWindowProperty (::nokari::programs::X11Api().XGetWindowProperty)
#define XInternAtom (::nokari::programs::X11Api().XInternAtom)
#define XMapRaised (::nokari::programs::X11Api().XMapRaised)
#define XOpenDisplay (::nokari::programs::X11Api().XOpenDisplay)
#define XQueryTree (::nokari::programs::X11Api().XQueryTree)
#define XSendEvent (::nokari::programs::X11Api().XSendEvent)
#define XSetErrorHandler (::nokari::programs::X11Api().XSetErrorHandler)
#define XSetInputFocus (::nokari::programs::X11Api().XSetInputFocus)
#define XSync (::nokari::programs::X11Api().XSync)
#define Xutf8TextPropertyToTextList (::nokari::programs::X11Api().Xutf8TextPropertyToTextList)
#define XTestFakeKeyEvent (::nokari::programs::XtstApi().XTestFakeKeyEvent)
#define XTestQueryExtension (::nokari::programs::XtstApi().XTestQueryExtension)
#endif
