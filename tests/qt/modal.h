#pragma once
// Driving modal boxes from a test: the action runs on the first modal widget that shows up
// while the code under test sits in exec().

#include <QWidget>
#include <functional>

namespace zvl::test {

// Polls for QApplication::activeModalWidget() every few milliseconds; gives up (and records a
// test failure) after a few seconds.
void whenModalShows(std::function<void(QWidget*)> action);

}  // namespace zvl::test
