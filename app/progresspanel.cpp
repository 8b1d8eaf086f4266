#include "app/progresspanel.h"

#include <QLabel>
#include <QPushButton>

namespace zvl {

ProgressPanel::ProgressPanel(QWidget* client, std::function<void()> onCancel) : QFrame(client) {
    setObjectName("progressPanel");
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setGeometry(16, 96, 185, 105);
    setAutoFillBackground(true);
    // The panel stands over the picture: a click or the wheel on it, off Cancel, is its own and
    // never reaches the name column, a key box or the plot under it.
    setAttribute(Qt::WA_NoMousePropagation);
    headingLabel_ = new QLabel("Uploading Data", this);
    headingLabel_->setObjectName("progressHeadingLabel");
    QFont heading("Arial");
    heading.setPixelSize(13);
    heading.setBold(true);
    headingLabel_->setFont(heading);
    headingLabel_->setGeometry(8, 6, 170, 18);
    auto* bytesTransferredCaption = new QLabel("Bytes Transferred :", this);
    bytesTransferredCaption->setObjectName("bytesTransferredCaption");
    bytesTransferredCaption->setGeometry(8, 32, 110, 16);
    bytesTransferredLabel_ = new QLabel("0", this);
    bytesTransferredLabel_->setObjectName("bytesTransferredLabel");
    bytesTransferredLabel_->setGeometry(118, 32, 64, 16);
    QFont counter("Arial");
    counter.setPixelSize(12);
    counter.setBold(true);
    bytesTransferredLabel_->setFont(counter);
    bytesTransferredLabel_->setStyleSheet("color: red");
    auto* cancelTransferButton = new QPushButton("Cancel", this);
    cancelTransferButton->setObjectName("cancelTransferButton");
    cancelTransferButton->setGeometry(55, 64, 75, 25);
    connect(cancelTransferButton, &QPushButton::clicked, this, std::move(onCancel));
    hide();
}

void ProgressPanel::showWithHeading(bool visible, const std::string& heading) {
    headingLabel_->setText(QString::fromStdString(heading));
    setVisible(visible);
    if (visible) raise();
}

void ProgressPanel::setBytesTransferred(int64_t bytes) {
    bytesTransferredLabel_->setText(QString::number(bytes));
}

}  // namespace zvl
