#include "editor/EditorFactory.h"

#include "editor/OrvaneEditor.h"
#include "shell/KsPluginVST.h"

AEffGUIEditor* createEditorFor(KsPluginVST& shell, gui::Backend& backend)
{
    if (!KsPluginVST::getEditorFactory()) OrvaneEditor::useForShells();
    AEffGUIEditor* made = KsPluginVST::getEditorFactory()(shell);
    auto* editor = dynamic_cast<KsEditor*>(made);
    if (!editor) {
        delete made;
        return nullptr;
    }
    editor->setBackend(&backend);
    return editor;
}
