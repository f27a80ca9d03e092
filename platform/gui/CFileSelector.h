// CFileSelector: the file dialog for loading or saving one file.
//
// CFileSelector(frame, style)     a dialog shown through the frame's back end (kLoadFile or kSaveFile),
//                                 owned by the frame's window
// CFileSelector(backend, style)   the same without an owner window
//   setTitle(text)
//   setFilter(text)               filter pairs in the usual two-string form: a description, a NUL,
//                                 a pattern list ("*.fxb;*.fxp"), a NUL, ... ending with two NULs
//   setDefaultExtension(ext)      save dialogs: appended (with a dot) to a chosen name that has no
//                                 extension
//   setInitialFolder(path)        where the dialog starts (empty: the system's choice)
//   setConfirmOverwrite(on)       save dialogs ask before replacing an existing file
//   run(path)                     shows the dialog and returns when the user answered: true with
//                                 the chosen path, false when cancelled (path unchanged)
//   parseFilter(text)             the filter as (description, patterns) pairs; stops at the double
//                                 NUL or the end of the text, ignores an unpaired tail
//
// User-interface thread only.
#pragma once

#include <string>
#include <utility>
#include <vector>

class CFrame;

namespace gui
{
class Backend;

// What a back end shows for a file dialog.
struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string filter; // description\0patterns\0...\0
    std::string defaultExtension;
    std::string initialFolder;
    bool mustExist = true;        // load dialogs accept only an existing file
    bool confirmOverwrite = true; // save dialogs ask before replacing a file
};

} // namespace gui

class CFileSelector
{
  public:
    enum Style { kLoadFile, kSaveFile };

    CFileSelector(CFrame& frame, Style style);
    CFileSelector(gui::Backend& backend, Style style);

    void setTitle(const std::string& text) { request.title = text; }
    void setFilter(const std::string& text) { request.filter = text; }
    void setDefaultExtension(const std::string& ext) { request.defaultExtension = ext; }
    void setInitialFolder(const std::string& path) { request.initialFolder = path; }
    void setConfirmOverwrite(bool on) { request.confirmOverwrite = on; }
    const gui::FileDialogRequest& getRequest() const { return request; }

    bool run(std::string& path);

    static std::vector<std::pair<std::string, std::string>> parseFilter(const std::string& filter);

  private:
    gui::Backend& backend;
    CFrame* owner = nullptr;
    gui::FileDialogRequest request;
};
