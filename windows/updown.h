#pragma once

#include <QWidget>

#include <algorithm>

class QLabel;
class QToolButton;

namespace stelvane {

// An up/down spinner bound to a bordered label: the number shown in the label
// is the value. Each click steps that number by 1 within the control's range,
// writes it back into the label and reports the change; a click that cannot
// move the number (already at the end of the range) reports nothing.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLabel* buddy, int minimum, int maximum, QWidget* parent);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    void setMaximum(int maximum) { maximum_ = std::max(minimum_, maximum); }
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

    // Steps the buddy's number by delta, as a click on an arrow does.
    void step(int delta);

signals:
    void valueChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* buddy_;
    int minimum_;
    int maximum_;
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace stelvane
