#include "modal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <memory>

namespace zvl::test {

void whenModalShows(std::function<void(QWidget*)> action) {
    auto* poll = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, tries, action] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            action(w);
            return;
        }
        if (++*tries > 500) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no modal box showed up";
        }
    });
    poll->start();
}

}  // namespace zvl::test
