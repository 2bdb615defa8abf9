#include "windows/updown.h"

#include <QLabel>
#include <QToolButton>

#include <algorithm>

#include "engine/numbertext.h"

namespace stelvane {

UpDown::UpDown(QLabel* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), buddy_(buddy), minimum_(minimum), maximum_(maximum), up_(new QToolButton(this)),
      down_(new QToolButton(this))
{
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setObjectName("up");
    down_->setObjectName("down");
    up_->setFocusPolicy(Qt::NoFocus);
    down_->setFocusPolicy(Qt::NoFocus);
    connect(up_, &QToolButton::clicked, this, [this] { step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::step(int delta)
{
    Integer shown = 0;
    ParseNumberText(buddy_->text().toStdString(), shown);
    const int next = std::clamp(int(shown) + delta, minimum_, maximum_);
    if (next == shown) return;
    buddy_->setText(QString::number(next));
    emit valueChanged();
}

void UpDown::resizeEvent(QResizeEvent*)
{
    // The up arrow above the down arrow, each half the control's height.
    const int h = height();
    up_->setGeometry(0, 0, width(), h / 2);
    down_->setGeometry(0, h / 2, width(), h - h / 2);
}

}  // namespace stelvane
