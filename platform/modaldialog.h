#pragma once
// A dialog the menu commands show modally, seen from the behaviour that opens it: the search
// key dialog and the go-to dialog implement it as Qt widgets, tests as scripted fakes.

namespace zvl {

class ModalDialog {
public:
    virtual ~ModalDialog() = default;
    // Shows the dialog and waits until it closes; true when it closed with OK.
    virtual bool runModal() = 0;
};

}  // namespace zvl
