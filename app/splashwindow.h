#pragma once
// SplashWindow: the splash window shown while the program starts.

#include <QDialog>

namespace zvl {

class SplashWindow : public QDialog {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zvl
