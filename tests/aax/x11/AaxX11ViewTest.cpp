// The adapter's GUI in a native X11 window, as a host on Linux gives it: the editor opens as a
// child of the host's window, with the editor's size, and goes again when the view closes.
#include "aax/AAX_CEffectGUI_VST.h"
#include "aax/Ks_AAX_Parameters.h"
#include "editor/OrvaneEditor.h"
#include "platform/aax/host/AAXHost.h"
#include "platform/gui/x11/X11Backend.h"

#include <gtest/gtest.h>

#include <memory>

// Xlib last: its macros clash with other headers.
#include <X11/Xlib.h>

namespace
{

// Children of window with their sizes.
std::vector<std::pair<int, int>> childSizes(Display* display, Window window)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    std::vector<std::pair<int, int>> sizes;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return sizes;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(display, children[i], &a)) sizes.emplace_back(a.width, a.height);
    }
    if (children) XFree(children);
    return sizes;
}

} // namespace

TEST(AaxX11View, OpensTheEditorAsAChildOfTheHostWindow)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) GTEST_SKIP() << "no X server";
    const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1000, 700, 0, 0, 0);
    XMapWindow(display, host);
    XSync(display, False);

    OrvaneEditor::useForShells();
    AAXController controller(48000.0, AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
    std::unique_ptr<Ks_AAX_Parameters> effect(static_cast<Ks_AAX_Parameters*>(Ks_AAX_Parameters::Create()));
    controller.setEffect(effect.get());
    ASSERT_EQ(effect->Initialize(&controller), AAX_SUCCESS);
    std::unique_ptr<AAX_IEffectGUI> gui(AAX_CEffectGUI_VST::Create());
    ASSERT_EQ(gui->Initialize(&controller), AAX_SUCCESS);

    AAXViewContainer container(AAX_eViewContainer_Type_Native, gui::X11Backend::parentHandle(host),
                               AAX_eWindowSystem_X11);
    gui->SetViewContainer(&container);
    AAX_Point size;
    gui->GetViewSize(&size);
    ERect* rect = nullptr;
    effect->plugin().getEditor()->getRect(&rect);
    ASSERT_GT(rect->right, 0);
    EXPECT_EQ(size.horz, rect->right - rect->left);
    EXPECT_EQ(size.vert, rect->bottom - rect->top);
    AAX_Rect whole{0.0f, 0.0f, size.horz, size.vert};
    EXPECT_EQ(gui->Draw(&whole), AAX_SUCCESS);
    EXPECT_EQ(gui->TimerWakeup(), AAX_SUCCESS);
    XSync(display, False);
    const auto open = childSizes(display, host);
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0], std::make_pair(int(rect->right), int(rect->bottom)));

    gui->SetViewContainer(nullptr);
    XSync(display, False);
    EXPECT_TRUE(childSizes(display, host).empty());
    gui.reset();
    effect.reset();
    KsPluginVST::setEditorFactory(nullptr);
    XDestroyWindow(display, host);
    XCloseDisplay(display);
}
