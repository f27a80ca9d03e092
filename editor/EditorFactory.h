// The product's editor for a shell that was built without one: a plug-in module whose user
// interface lives in a module of its own creates the editor there, for the shell it reaches.
//
//   createEditorFor(shell, backend)   the editor made by the factory that product shells use
//                                     (the product's own, registered here when none is), shown
//                                     through backend; nullptr when none can be made. The caller
//                                     owns it, attaches it to the shell and deletes it; the back
//                                     end must outlive it.
#pragma once

class AEffGUIEditor;
class KsPluginVST;

namespace gui
{
class Backend;
}

AEffGUIEditor* createEditorFor(KsPluginVST& shell, gui::Backend& backend);
