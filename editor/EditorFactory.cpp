#include "editor/EditorFactory.h"

#include "editor/KsEditor.h"
#include "shell/KsPluginVST.h"

AEffGUIEditor* createEditorFor(KsPluginVST& shell, gui::Backend& backend)
{
    if (!KsPluginVST::getEditorFactory()) KsEditor::useForShells();
    AEffGUIEditor* made = KsPluginVST::getEditorFactory()(shell);
    auto* editor = dynamic_cast<KsEditor*>(made);
    if (!editor) {
        delete made;
        return nullptr;
    }
    editor->setBackend(&backend);
    return editor;
}
