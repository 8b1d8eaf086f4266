#pragma once
// Therald: the splash window shown while the program starts.

#include <QDialog>

namespace zvl {

class Therald : public QDialog {
    Q_OBJECT
public:
    explicit Therald(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zvl
