#pragma once
// The progress panel of a transfer, over the picture: its heading, the byte counter and
// Cancel. Hidden until a transfer shows it; the mouse on it acts on nothing under it.

#include <QFrame>
#include <cstdint>
#include <functional>
#include <string>

class QLabel;

namespace zvl {

class ProgressPanel : public QFrame {
public:
    ProgressPanel(QWidget* client, std::function<void()> onCancel);
    void showWithHeading(bool visible, const std::string& heading);
    void setBytesTransferred(int64_t bytes);

private:
    QLabel* headingLabel_ = nullptr;
    QLabel* bytesTransferredLabel_ = nullptr;
};

}  // namespace zvl
