#pragma once

// Tells screen readers what our own controls are: a ClickableLabel is a link
// they can press, a window made from a plain widget is a window, a widget
// that hands its focus to another (a viewport, a web pane) never reports it.
// Installing it again does nothing.
void installAccessibleControls();
