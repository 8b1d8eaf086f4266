#pragma once
// What behaviour asks of the main window: redraw the trace, set the controls, refresh the
// window, move the focus, end the splash. Within a command of the window these only say what
// changed, and the window is refreshed once at the command's end (session/maincommands). The
// zvl tool implements these as no-ops or progress output.

#include <cstdint>
#include <string>

namespace zvl {

class ViewHooks {
public:
    virtual ~ViewHooks() = default;
    virtual void redrawTraceView() {}
    // redrawTraceView after a stored live result. The window brings the walk's state up to
    // date at once and builds the picture of a burst of results once per display frame.
    virtual void redrawTraceViewSoon() { redrawTraceView(); }
    // The controls' captions, visibility, enabled states and menus, from controlStates.
    virtual void updateControlStates() {}
    // The whole window: the control states, the event list's rows, the memo and the picture.
    virtual void refreshWindow() {}
    virtual void focusEventTimeButton() {}
    virtual void closeSplash() {}  // stop the splash timer and close the splash window
    virtual void showSplashWindow() {}
    virtual void hideSplashWindow() {}  // close the splash window, leaving its timer alone
    virtual void showStartMenu() {}     // the start menu, modal
    virtual void rebuildPictureFrame() {}
    virtual void linkIndicatorChanged() {}  // the lamp or its label changed
    // The progress panel of a transfer: shown with its heading, or hidden; its byte counter.
    virtual void showProgressPanel(bool /*visible*/, const std::string& /*heading*/) {}
    virtual void setBytesTransferred(int64_t /*bytes*/) {}
};

}  // namespace zvl
