// The WebEngine pane as a module the program loads when it makes its first
// pane (ui/CreateWebEnginePane.cpp): linked into the program, the engine would
// make its OpenGL context and load its code in every run, also in the many
// runs that never show a page.
#include "ui/WebEnginePane.h"

extern "C" Q_DECL_EXPORT WebPane* kelvaneCreateWebEnginePane(Browser& browser, QWidget* parent)
{
    return new WebEnginePane(browser, parent);
}
