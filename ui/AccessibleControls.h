#pragma once

// Tells screen readers what our own controls are: a ClickableLabel is a link
// they can press, a window made from a plain widget is a window. Installing
// it again does nothing.
void installAccessibleControls();
